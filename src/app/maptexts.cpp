// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/maptexts.h"

#include "model/strings.h"

namespace kel {

QString CheckFindingText(const CheckFinding& finding) {
    return UiText(finding.text);
}

QString CheckSeverityText(CheckSeverity severity) {
    return UiText(
        Phrase(severity == CheckSeverity::Error ? TextId::SeverityError : TextId::SeverityWarning));
}

QString CompareUiText(TextId id) {
    return UiText(Phrase(id));
}

QString ComparisonLine(const ControlDifference& difference) {
    return UiText(difference.text);
}

QString TitleChangeLine(const MapComparison& comparison) {
    return UiText(comparison.titleText);
}

QStringList ComparisonLines(const MapComparison& comparison) {
    QStringList lines;
    if (comparison.titleDiffers) {
        lines << TitleChangeLine(comparison);
    }
    for (const ControlDifference& d : comparison.controls) {
        lines << ComparisonLine(d);
    }
    return lines;
}

QString SyxMessageText(const SyxResult& result, const QString& path) {
    switch (result.error) {
    case SyxError::None:
        return {};
    case SyxError::CannotOverwrite:
        return path.isEmpty() ? UiText(StringId::CannotOverwrite)
                              : UiFileMessage(StringId::CannotOverwrite, 0, path);
    case SyxError::CannotSave:
        return path.isEmpty() ? UiMessage(StringId::SaveError, result.cause)
                              : UiFileMessage(StringId::SaveError, result.cause, path);
    default:
        return UiText(result.text);
    }
}

} // namespace kel

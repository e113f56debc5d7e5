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

QString SyxMessageText(const Failure& failure) {
    return UiText(failure.why);
}

QString SyxSaveFailureText(const Failure& failure, const QString& path) {
    if (const std::optional<StringId> message = MessageOf(failure)) {
        return UiFileMessage(*message, 0, path);
    }
    return UiFileMessage(StringId::SaveError, failure.cause, path);
}

} // namespace kel

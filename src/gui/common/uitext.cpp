// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/uitext.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

#include "gui/common/translation.h"

namespace kel {

QString UiText(StringId id) {
    return CoreText("StringTable", Text(id));
}

QString UiPrompt(StringId id) {
    const QString text = UiText(id);
    const qsizetype end = text.indexOf(u'\n');
    return end < 0 ? text : text.left(end);
}

QString UiMessage(StringId id, int detail) {
    QString text = UiText(id);
    if (const qsizetype pos = text.indexOf(QStringLiteral("%d")); pos >= 0) {
        text.replace(pos, 2, QString::number(detail));
    }
    return text;
}

QString FileCauseText(int cause) {
    switch (cause) {
    case 2: // CauseFileNotFound
        return KelEditor::tr("No such file or folder");
    case 3: // CauseBadPath
        return KelEditor::tr("The path is not valid");
    case 4: // CauseTooManyOpenFiles
        return KelEditor::tr("Too many open files");
    case 5: // CauseAccessDenied
        return KelEditor::tr("Access denied (no permission, a read-only disk, or not a file)");
    case 6: // CauseInvalidFile
        return KelEditor::tr("The file is not valid");
    case 7: // CauseRemoveCurrentDir
        return KelEditor::tr("The current folder cannot be removed");
    case 8: // CauseDirectoryFull
        return KelEditor::tr("The folder is full");
    case 9: // CauseBadSeek
        return KelEditor::tr("The file cannot be positioned");
    case 10: // CauseHardIo
        return KelEditor::tr("Input/output error of the disk or device");
    case 11: // CauseSharingViolation
        return KelEditor::tr("The file is in use");
    case 12: // CauseLockViolation
        return KelEditor::tr("The file is locked");
    case 13: // CauseDiskFull
        return KelEditor::tr("No space left on the disk");
    case 14: // CauseEndOfFile
        return KelEditor::tr("The file ends too early");
    default:
        return KelEditor::tr("An unexpected system error");
    }
}

QString UiFileMessage(StringId id, int cause, const QString& path) {
    // Concatenated, not filled in: a path may hold "%1" or "%d" of its own.
    QString second = path;
    if (cause != 0) {
        second += QStringLiteral(": ") + FileCauseText(cause);
    }
    return UiMessage(id, cause) + u'\n' + second;
}

QString MessageFaultText(const MessageTextFault& fault) {
    const QString byte = QString::number(fault.byte);
    const QString status = QStringLiteral("%1").arg(fault.status, 2, 16, QChar(u'0')).toUpper();
    switch (fault.rule) {
    case MessageRule::None:
        return {};
    case MessageRule::Empty:
        return KelEditor::tr("No message has been typed.");
    case MessageRule::StartsWithoutF0:
        return KelEditor::tr("A System Ex. message starts with F0.");
    case MessageRule::StartsWithoutStatus:
        return KelEditor::tr("A message starts with a status byte (80 to FF).");
    case MessageRule::NotHex:
        return KelEditor::tr("Byte %1: neither a hexadecimal byte nor a token of the message.")
            .arg(byte);
    case MessageRule::HalfByte:
        return KelEditor::tr("Byte %1: a byte needs two hexadecimal digits.").arg(byte);
    case MessageRule::TextAfterEnd:
        return KelEditor::tr("Byte %1: nothing may follow the F7 that ends the message.").arg(byte);
    case MessageRule::SecondDataField:
        return KelEditor::tr("Byte %1: a message has only one data field (DT).").arg(byte);
    case MessageRule::NoDataType:
        return KelEditor::tr("Byte %1: a data field (DT) needs a data type.").arg(byte);
    case MessageRule::SecondChecksumStart:
        return KelEditor::tr("Byte %1: a message has only one checksum start (SS).").arg(byte);
    case MessageRule::ChecksumBeforeStart:
        return KelEditor::tr("Byte %1: the checksum (S1 or S2) comes before its start (SS).")
            .arg(byte);
    case MessageRule::SecondChecksum:
        return KelEditor::tr("Byte %1: a message has only one checksum (S1 or S2).").arg(byte);
    case MessageRule::ChecksumWithoutEnd:
        return KelEditor::tr("Byte %1: the checksum start (SS) has no checksum (S1 or S2) after "
                             "it.")
            .arg(byte);
    case MessageRule::SecondChannelMarker:
        return KelEditor::tr("Byte %1: a message has only one channel marker.").arg(byte);
    case MessageRule::MarkerDigit:
        return KelEditor::tr("Byte %1: a channel marker starts with a digit from 0 to 7.")
            .arg(byte);
    case MessageRule::TooLong:
        return KelEditor::tr("Byte %1: a message has at most %2 bytes.")
            .arg(byte, QString::number(kMaxMessageBytes));
    case MessageRule::DataInsteadOfStatus:
        return KelEditor::tr("Byte %1: a data byte where the status byte of a message is due.")
            .arg(byte);
    case MessageRule::StatusInsteadOfData:
        return KelEditor::tr("Byte %1: a status byte where a data byte of the %2 message is due.")
            .arg(byte, status);
    case MessageRule::MissingData:
        return KelEditor::tr("Byte %1 is missing: the %2 message needs more data bytes.")
            .arg(byte, status);
    case MessageRule::UndefinedStatus:
        return KelEditor::tr("Byte %1: no message starts with %2.").arg(byte, status);
    case MessageRule::SysExWithoutEnd:
        return KelEditor::tr("Byte %1: the System Ex. message starting here has no F7 at its end.")
            .arg(byte);
    case MessageRule::DataFieldOverrun:
        return KelEditor::tr("Byte %1: the %2-byte data field (DT) does not fit the data bytes of "
                             "the %3 message.")
            .arg(byte, QString::number(fault.width), status);
    }
    return {};
}

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.isEmpty()) {
            break; // the closing "||"
        }
        QStringList patterns;
        for (QString pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            if (pattern == QStringLiteral("*.*")) {
                pattern = QStringLiteral("*");
            }
            if (!pattern.isEmpty()) {
                patterns << pattern;
            }
        }
        if (const qsizetype open = description.lastIndexOf(u'('); open > 0) {
            description = description.left(open).trimmed();
        }
        result << QStringLiteral("%1 (%2)").arg(description, patterns.join(u' '));
    }
    return result;
}

QString AppTitle() {
    return UiText(StringId::AppTitle);
}

namespace {

std::unique_ptr<QTranslator>& EditorTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

std::unique_ptr<QTranslator>& QtTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

bool InstallUiTranslations(const QLocale& locale) {
    RemoveUiTranslations();
    if (locale.language() != QLocale::Japanese) {
        return false;
    }
    auto editor = std::make_unique<QTranslator>();
    if (!editor->load(QStringLiteral(":/i18n/kel_ja.qm"))) {
        return false;
    }
    QCoreApplication::installTranslator(editor.get());
    EditorTranslator() = std::move(editor);
    // Qt's own texts: the buttons of message boxes and the file dialogs.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        QtTranslator() = std::move(qt);
    }
    return true;
}

void RemoveUiTranslations() {
    for (std::unique_ptr<QTranslator>* translator : {&EditorTranslator(), &QtTranslator()}) {
        if (*translator != nullptr) {
            QCoreApplication::removeTranslator(translator->get());
            translator->reset();
        }
    }
}

} // namespace kel

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

QString FillUiText(const QString& format, const QStringList& args) {
    // The core's filling on UTF-8, whose placeholders are plain ASCII.
    std::vector<std::string> utf8;
    utf8.reserve(static_cast<std::size_t>(args.size()));
    for (const QString& arg : args) {
        utf8.push_back(arg.toStdString());
    }
    return QString::fromStdString(FillText(format.toStdString(), utf8));
}

namespace {

QString ArgText(const PhraseArg& arg) {
    struct Visitor {
        QString operator()(std::int64_t number) const { return QString::number(number); }
        // Names, titles, comments and message bytes of the map are UTF-8 text.
        QString operator()(const std::string& text) const {
            return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        }
        QString operator()(const TableWord& word) const {
            return CoreText(word.context, word.english);
        }
        QString operator()(const std::shared_ptr<const Phrase>& phrase) const {
            return UiText(*phrase);
        }
    };
    return std::visit(Visitor{}, arg.value());
}

} // namespace

QString UiText(const Phrase& phrase) {
    QStringList args;
    args.reserve(static_cast<qsizetype>(phrase.args.size()));
    for (const PhraseArg& arg : phrase.args) {
        args << ArgText(arg);
    }
    return FillUiText(CoreText(TextContext(phrase.id), EnglishFormat(phrase.id)), args);
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
    return UiText(FileCausePhrase(cause));
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/maptexts.h"

#include <algorithm>
#include <map>

#include "gui/common/translation.h"
#include "gui/common/uitext.h"
#include "model/strings.h"

namespace kel {

namespace {

QString FromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Names, numbers and message bytes of the map are single-byte text.
QString FromMap(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// A format as literal pieces and placeholders: a piece is either text or a placeholder number
// (1 … 9, 0 for "%d").
struct Piece {
    QString text;
    int placeholder = -1;
};

std::vector<Piece> Split(const QString& format) {
    std::vector<Piece> pieces;
    QString literal;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'%' && i + 1 < format.size()) {
            const QChar n = format[i + 1];
            int number = -1;
            if (n >= u'1' && n <= u'9') {
                number = n.unicode() - u'0';
            } else if (n == u'd') {
                number = 0;
            }
            if (number >= 0) {
                if (!literal.isEmpty()) {
                    pieces.push_back({literal, -1});
                    literal.clear();
                }
                pieces.push_back({{}, number});
                ++i;
                continue;
            }
        }
        literal += c;
    }
    if (!literal.isEmpty()) {
        pieces.push_back({literal, -1});
    }
    return pieces;
}

bool MatchFrom(const QString& text, qsizetype pos, const std::vector<Piece>& pieces,
               std::size_t index, std::map<int, QString>& captures) {
    if (index == pieces.size()) {
        return pos == text.size();
    }
    const Piece& piece = pieces[index];
    if (piece.placeholder < 0) {
        if (text.mid(pos, piece.text.size()) != piece.text) {
            return false;
        }
        return MatchFrom(text, pos + piece.text.size(), pieces, index + 1, captures);
    }
    // A placeholder takes at least one character; the shortest capture that lets the rest
    // match wins.
    for (qsizetype end = pos + 1; end <= text.size(); ++end) {
        captures[piece.placeholder] = text.mid(pos, end - pos);
        if (MatchFrom(text, end, pieces, index + 1, captures)) {
            return true;
        }
    }
    captures.erase(piece.placeholder);
    return false;
}

int LiteralLength(std::string_view format) {
    int length = 0;
    for (const Piece& piece : Split(FromStd(format))) {
        length += static_cast<int>(piece.text.size());
    }
    return length;
}

// Recognises `english` as one of `formats` (tried with the most literal text first) and
// returns its translation in `context`, its captures translated in turn when `nested`.
QString Retranslate(const char* context, const QString& english,
                    const std::vector<std::string_view>& formats, bool nested) {
    QStringList captures;
    for (std::string_view format : formats) {
        if (!MatchFilledText(english, FromStd(format), captures)) {
            continue;
        }
        if (nested) {
            for (QString& capture : captures) {
                capture = Retranslate(context, capture, formats, true);
            }
        }
        QString translated = CoreText(context, format);
        // "%d" is filled before the numbered placeholders.
        if (!captures.isEmpty() && !captures[0].isEmpty()) {
            translated.replace(QStringLiteral("%d"), captures[0]);
        }
        return FillUiText(translated, captures.mid(1));
    }
    return english;
}

std::vector<std::string_view> ByLiteralLength(std::vector<std::string_view> formats) {
    std::stable_sort(formats.begin(), formats.end(), [](std::string_view a, std::string_view b) {
        return LiteralLength(a) > LiteralLength(b);
    });
    return formats;
}

// The parts a check finding's arguments are composed of.
const std::vector<std::string_view>& CheckPartFormats() {
    static const std::vector<std::string_view> formats = [] {
        std::vector<std::string_view> list;
        for (int id = static_cast<int>(CheckTextId::ListComma);
             id <= static_cast<int>(CheckTextId::FieldParameterMsb); ++id) {
            const auto textId = static_cast<CheckTextId>(id);
            if (textId != CheckTextId::MsgRealtime) { // "%1" would match anything
                list.push_back(CheckText(textId));
            }
        }
        return ByLiteralLength(std::move(list));
    }();
    return formats;
}

// The messages of the .syx reader, word for word as it writes them.
const std::vector<std::string_view>& SyxFormats() {
    static const std::vector<std::string_view> formats = ByLiteralLength({
        QT_TRANSLATE_NOOP("SyxFile", "The file cannot be read: %1."),
        QT_TRANSLATE_NOOP("SyxFile", "The file is empty."),
        QT_TRANSLATE_NOOP("SyxFile", "The file is larger than %1 bytes; it is not a "
                                     "system-exclusive file of a control map."),
        QT_TRANSLATE_NOOP(
            "SyxFile",
            "This is not a system-exclusive file: the byte %1 at offset %2 belongs to no MIDI "
            "message."),
        QT_TRANSLATE_NOOP(
            "SyxFile",
            "This is a Standard MIDI File, not a system-exclusive file; open it as a control map "
            "file."),
        QT_TRANSLATE_NOOP("SyxFile",
                          "The file ends in the middle of the message that starts at offset %1."),
        QT_TRANSLATE_NOOP(
            "SyxFile",
            "The KEL bulk message at offset %1 is damaged (wrong length, address or checksum)."),
        QT_TRANSLATE_NOOP("SyxFile", "The file holds two different bulk messages for %1."),
        QT_TRANSLATE_NOOP("SyxFile", "The file holds no KEL bulk messages."),
        QT_TRANSLATE_NOOP("SyxFile", "The file holds %1 of the 50 KEL bulk messages; missing: %2."),
    });
    return formats;
}

} // namespace

QString FillUiText(const QString& format, const QStringList& args) {
    QString out;
    out.reserve(format.size() + 32);
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'%' && i + 1 < format.size() && format[i + 1] >= u'1' && format[i + 1] <= u'9') {
            const qsizetype n = format[i + 1].unicode() - u'1';
            if (n < args.size()) {
                out += args[n];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

bool MatchFilledText(const QString& text, const QString& format, QStringList& captures) {
    const std::vector<Piece> pieces = Split(format);
    std::map<int, QString> found;
    if (!MatchFrom(text, 0, pieces, 0, found)) {
        return false;
    }
    captures.clear();
    for (const auto& [number, capture] : found) {
        while (captures.size() <= number) {
            captures << QString();
        }
        captures[number] = capture;
    }
    return true;
}

QString CheckFindingText(const CheckFinding& finding) {
    QStringList args;
    for (const std::string& arg : finding.args) {
        args << Retranslate("MapCheck", FromMap(arg), CheckPartFormats(), true);
    }
    return FillUiText(CoreText("MapCheck", CheckText(finding.textId)), args);
}

QString CheckSeverityText(CheckSeverity severity) {
    return CoreText("MapCheck", CheckSeverityName(severity));
}

QString CompareUiText(CompareTextId id) {
    return CoreText("MapCompare", CompareText(id));
}

namespace {

// CompareField and the field names of the table run in the same order.
CompareTextId FieldTextId(CompareField field) {
    static_assert(
        static_cast<int>(CompareTextId::FieldOther) - static_cast<int>(CompareTextId::FieldCode) ==
        static_cast<int>(CompareField::Other) - static_cast<int>(CompareField::AssignCode));
    return static_cast<CompareTextId>(static_cast<int>(CompareTextId::FieldCode) +
                                      static_cast<int>(field));
}

// A shown value: "on", "off" and "none" are words of the table; the rest are numbers, names
// and quoted texts.
QString ValueText(const std::string& value) {
    for (CompareTextId id : {CompareTextId::On, CompareTextId::Off, CompareTextId::None}) {
        if (value == CompareText(id)) {
            return CompareUiText(id);
        }
    }
    return FromMap(value);
}

} // namespace

QString ComparisonLine(const ControlDifference& d) {
    const QString name = FromStd(ControllerName(d.id));
    const QString head =
        d.labelBefore == d.labelAfter
            ? FillUiText(CompareUiText(CompareTextId::SameLabel), {name, FromMap(d.labelBefore)})
            : FillUiText(CompareUiText(CompareTextId::LabelChange),
                         {name, FromMap(d.labelBefore), FromMap(d.labelAfter)});
    if (d.changes.empty()) {
        return head;
    }
    QString details;
    for (const FieldChange& c : d.changes) {
        const QString field = CompareUiText(FieldTextId(c.field));
        const QString item = c.field == CompareField::Other
                                 ? field
                                 : FillUiText(CompareUiText(CompareTextId::Change),
                                              {field, ValueText(c.before), ValueText(c.after)});
        details = details.isEmpty()
                      ? item
                      : FillUiText(CompareUiText(CompareTextId::DetailSeparator), {details, item});
    }
    return FillUiText(CompareUiText(CompareTextId::WithDetails), {head, details});
}

QString TitleChangeLine(const MapComparison& comparison) {
    return FillUiText(CompareUiText(CompareTextId::TitleChange),
                      {FromMap(comparison.titleBefore), FromMap(comparison.titleAfter)});
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
    const QString english = QString::fromUtf8(result.message);
    switch (result.error) {
    case SyxError::None:
        return {};
    case SyxError::CannotOverwrite:
        return path.isEmpty() ? UiText(StringId::CannotOverwrite)
                              : UiFileMessage(StringId::CannotOverwrite, 0, path);
    case SyxError::CannotSave: {
        QStringList captures;
        if (MatchFilledText(english, FromStd(Text(StringId::SaveError)), captures)) {
            const int cause = captures[0].toInt();
            return path.isEmpty() ? UiMessage(StringId::SaveError, cause)
                                  : UiFileMessage(StringId::SaveError, cause, path);
        }
        return english;
    }
    default:
        return Retranslate("SyxFile", english, SyxFormats(), false);
    }
}

} // namespace kel

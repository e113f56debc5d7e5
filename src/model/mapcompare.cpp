// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/mapcompare.h"

#include <array>
#include <cstdio>

#include "model/kinds.h"
#include "model/labels.h"
#include "model/mapcheck.h"
#include "model/msgtext.h"

namespace kel {
namespace {

using T = TextId;

std::string Num(int value) {
    return std::to_string(value);
}

T FieldText(CompareField field) {
    switch (field) {
    case CompareField::AssignCode:
        return T::CompareCode;
    case CompareField::Port:
        return T::ComparePort;
    case CompareField::Channel:
        return T::CompareChannel;
    case CompareField::ButtonMode:
        return T::CompareButtonMode;
    case CompareField::CenterClick:
        return T::CompareCenterClick;
    case CompareField::AftMode:
        return T::CompareAftMode;
    case CompareField::Velocity:
        return T::CompareVelocity;
    case CompareField::Minimum:
        return T::CompareMinimum;
    case CompareField::Maximum:
        return T::CompareMaximum;
    case CompareField::Message:
        return T::CompareMessage;
    case CompareField::DataType:
        return T::CompareDataType;
    case CompareField::DataRange:
        return T::CompareDataRange;
    case CompareField::Comment:
        return T::CompareComment;
    case CompareField::Other:
        break;
    }
    return T::CompareOther;
}

// The label, or for an invalid code a phrase naming it.
PhraseArg Label(const AssignRecord& r) {
    std::string label = AssignmentLabel(r);
    if (label.empty()) {
        return Phrase(T::InvalidLabel, {r[rec::AssignCode]});
    }
    return label;
}

// A name of the assign model's lists (translated with them), or the stored number it has no
// name for.
PhraseArg NameOr(std::string_view name, int value) {
    return name.empty() ? PhraseArg(value) : PhraseArg(TableWord{"KelEditor", name});
}

// The comparison's name of a value the label does not show; Other for a value it has no name
// for (its change then shows as "other bytes").
CompareField FieldOf(ValueName name) {
    return name == ValueName::Velocity  ? CompareField::Velocity
           : name == ValueName::Minimum ? CompareField::Minimum
           : name == ValueName::Maximum ? CompareField::Maximum
                                        : CompareField::Other;
}

std::string MessageTextOf(const AssignRecord& r, bool sysEx) {
    std::string text = sysEx ? FormatSysExText(r, EditStyle) : FormatFreeText(r, EditStyle);
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

// A message text as the details show it: an empty one as "".
PhraseArg ShownMessage(const std::string& text) {
    return text.empty() ? PhraseArg(Phrase(T::Quoted, {""})) : PhraseArg(text);
}

// The details of two records of the same kind. `sameLabel` is false when the labels differ:
// the channel and the values the label shows are then left out.
void RecordChanges(const AssignRecord& a, const AssignRecord& b, bool sameLabel,
                   std::vector<FieldChange>& out) {
    const std::size_t before = out.size();
    auto add = [&](CompareField field, PhraseArg x, PhraseArg y) {
        out.push_back({field, std::move(x), std::move(y)});
    };
    static const AssignKind kInvalid{}; // an invalid code has no fields to name
    const AssignKind* found = KindOf(a);
    const AssignKind& kind = found != nullptr ? *found : kInvalid;
    if (a[rec::AssignCode] != b[rec::AssignCode]) {
        add(CompareField::AssignCode, a[rec::AssignCode], b[rec::AssignCode]);
    }
    if (a[rec::Port] != b[rec::Port]) {
        add(CompareField::Port, NameOr(PortName(a[rec::Port]), a[rec::Port]),
            NameOr(PortName(b[rec::Port]), b[rec::Port]));
    }
    if (sameLabel && a[rec::Channel] != b[rec::Channel]) {
        add(CompareField::Channel, a[rec::Channel] + 1, b[rec::Channel] + 1);
    }
    const int modeA = a[rec::ModeBits];
    const int modeB = b[rec::ModeBits];
    if ((modeA & 3) != (modeB & 3)) {
        add(CompareField::ButtonMode, NameOr(ButtonModeName(modeA & 3), modeA & 3),
            NameOr(ButtonModeName(modeB & 3), modeB & 3));
    }
    if ((modeA & 4) != (modeB & 4)) {
        add(CompareField::CenterClick, Phrase(modeA & 4 ? T::ValueOn : T::ValueOff),
            Phrase(modeB & 4 ? T::ValueOn : T::ValueOff));
    }
    // Bytes a named change above or below explains.
    std::array<bool, kRecordSize> explained{};
    explained[rec::AssignCode] = true;
    explained[rec::Port] = true;
    explained[rec::Channel] = true;
    explained[rec::ModeBits] = (modeA & ~7) == (modeB & ~7);

    const std::size_t aft = rec::AftMode;
    if (kind.aftMode && a[aft] != b[aft]) {
        add(CompareField::AftMode, NameOr(AftModeName(a[aft]), a[aft]),
            NameOr(AftModeName(b[aft]), b[aft]));
        explained[aft] = true;
    }
    // The values the label does not show.
    for (const ValueField& v : kind.Values()) {
        const CompareField field = FieldOf(v.name);
        if (v.labelled || field == CompareField::Other) {
            continue;
        }
        if (a[v.byte] != b[v.byte]) {
            add(field, v.Shown(a), v.Shown(b));
        }
        explained[v.byte] = true;
    }
    if (!sameLabel) {
        // The label shows the values it names; a change there is already visible.
        for (std::size_t i = rec::Values; i < rec::Values + 5; ++i) {
            explained[i] = explained[i] || !kind.HasMessageText();
        }
    }
    if (kind.HasMessageText()) {
        const bool sysEx = kind.type == MsgSystemExclusive;
        const std::string textA = MessageTextOf(a, sysEx);
        const std::string textB = MessageTextOf(b, sysEx);
        bool any = false;
        if (textA != textB) {
            add(CompareField::Message, ShownMessage(textA), ShownMessage(textB));
            any = true;
        }
        if (a[rec::DataType] != b[rec::DataType]) {
            auto typeName = [](int stored) {
                return stored == DataNone ? PhraseArg(Phrase(T::ValueNone))
                                          : NameOr(DataTypeName(stored), stored);
            };
            add(CompareField::DataType, typeName(a[rec::DataType]), typeName(b[rec::DataType]));
            any = true;
        }
        if (a[rec::MinValue] != b[rec::MinValue] || a[rec::MaxValue] != b[rec::MaxValue]) {
            add(CompareField::DataRange, Num(a[rec::MinValue]) + "-" + Num(a[rec::MaxValue]),
                Num(b[rec::MinValue]) + "-" + Num(b[rec::MaxValue]));
            any = true;
        }
        // With a visible change, the bytes behind it need no further mention.
        for (std::size_t i = rec::Values; i < kRecordSize && any; ++i) {
            explained[i] = true;
        }
    }
    bool other = false;
    for (std::size_t i = 0; i < kRecordSize; ++i) {
        other = other || (a[i] != b[i] && !explained[i]);
    }
    // Bytes differ but nothing above names them (for example bytes under a placeholder).
    if (other || (sameLabel && out.size() == before && a != b)) {
        add(CompareField::Other, "", "");
    }
}

Phrase Describe(const ControlDifference& d, const PhraseArg& labelBefore,
                const PhraseArg& labelAfter) {
    const std::string name(ControllerName(d.id));
    Phrase head = d.labelBefore == d.labelAfter
                      ? Phrase(T::SameLabel, {name, labelBefore})
                      : Phrase(T::LabelChange, {name, labelBefore, labelAfter});
    if (d.changes.empty()) {
        return head;
    }
    Phrase details;
    for (const FieldChange& c : d.changes) {
        const Phrase field(FieldText(c.field));
        Phrase item =
            c.field == CompareField::Other ? field : Phrase(T::Change, {field, c.before, c.after});
        details = details.Empty() ? std::move(item)
                                  : Phrase(T::DetailSeparator, {details, std::move(item)});
    }
    return Phrase(T::WithDetails, {std::move(head), std::move(details)});
}

MapComparison Compare(const RecordTable& a, const RecordTable& b,
                      const std::array<std::string, kControllerCount>* commentsA,
                      const std::array<std::string, kControllerCount>* commentsB) {
    static const std::string kEmpty;
    MapComparison result;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const auto i = static_cast<std::size_t>(id);
        const std::string& ca = commentsA != nullptr ? (*commentsA)[i] : kEmpty;
        const std::string& cb = commentsB != nullptr ? (*commentsB)[i] : kEmpty;
        if (a[i] != b[i] || ca != cb) {
            result.controls.push_back(CompareControl(id, a[i], b[i], ca, cb));
        }
    }
    return result;
}

} // namespace

ControlDifference CompareControl(ControllerId id, const AssignRecord& before,
                                 const AssignRecord& after, const std::string& commentBefore,
                                 const std::string& commentAfter) {
    ControlDifference d;
    d.id = id;
    d.recordDiffers = before != after;
    d.commentDiffers = commentBefore != commentAfter;
    const PhraseArg labelBefore = Label(before);
    const PhraseArg labelAfter = Label(after);
    d.labelBefore = EnglishText(labelBefore);
    d.labelAfter = EnglishText(labelAfter);
    if (d.recordDiffers && BaseCode(before[rec::AssignCode]) == BaseCode(after[rec::AssignCode])) {
        RecordChanges(before, after, d.labelBefore == d.labelAfter, d.changes);
    }
    if (d.commentDiffers) {
        d.changes.push_back({CompareField::Comment, Phrase(T::Quoted, {commentBefore}),
                             Phrase(T::Quoted, {commentAfter})});
    }
    d.text = Describe(d, labelBefore, labelAfter);
    d.description = EnglishText(d.text);
    return d;
}

MapComparison CompareMaps(const ControlMap& before, const ControlMap& after,
                          CompareOptions options) {
    MapComparison result =
        options.comments ? Compare(before.records, after.records, &before.comments, &after.comments)
                         : Compare(before.records, after.records, nullptr, nullptr);
    if (options.title && before.title != after.title) {
        result.titleDiffers = true;
        result.titleBefore = before.title;
        result.titleAfter = after.title;
        result.titleText = Phrase(T::TitleChange, {before.title, after.title});
        result.titleDescription = EnglishText(result.titleText);
    }
    return result;
}

MapComparison CompareRecords(const RecordTable& before, const RecordTable& after) {
    return Compare(before, after, nullptr, nullptr);
}

std::vector<std::string> MapComparison::Lines() const {
    std::vector<std::string> lines;
    if (titleDiffers) {
        lines.push_back(titleDescription);
    }
    for (const ControlDifference& d : controls) {
        lines.push_back(d.description);
    }
    return lines;
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/mapcheck.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <tuple>

#include "model/kinds.h"
#include "model/msgtext.h"

namespace kel {

TextId ValueFieldText(ValueName name) {
    static constexpr std::array<TextId, 10> kFieldTexts = {
        TextId::FieldNote,         TextId::FieldVelocity,     TextId::FieldController,
        TextId::FieldProgram,      TextId::FieldBankMsb,      TextId::FieldBankLsb,
        TextId::FieldParameterMsb, TextId::FieldParameterLsb, TextId::FieldMinimum,
        TextId::FieldMaximum};
    static_assert(kFieldTexts.size() == static_cast<std::size_t>(ValueName::Maximum) + 1);
    return kFieldTexts[static_cast<std::size_t>(name)];
}

namespace {

using T = TextId;

std::string Num(int value) {
    return std::to_string(value);
}

std::string Hex2(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

std::string Name(ControllerId id) {
    return std::string(ControllerName(id));
}

CheckFinding Make(CheckSeverity severity, T id, std::vector<ControllerId> controls,
                  std::vector<PhraseArg> args) {
    CheckFinding f;
    f.severity = severity;
    f.controls = std::move(controls);
    f.text = Phrase(id, std::move(args));
    f.message = EnglishText(f.text);
    return f;
}

// The message a record sends, as far as the duplicate search is concerned.
struct SentMessage {
    std::string key;  // equal keys (with equal channel) are the same message
    int channel = -1; // -1: the kind has no channel
    int port = -1;    // -1: the kind has no port; else 0, 1, 2
    Phrase message;   // "CC 74", "note 60", ...
};

// The check's words for the message of `kind`.
T MessageText(const AssignKind& kind, const AssignRecord& r) {
    switch (kind.code) {
    case CodeNote:
        return T::MsgNote;
    case CodeChannelPressure:
        return T::MsgChannelPressure;
    case CodePolyPressure:
        return T::MsgPolyPressure;
    case CodeControlChange:
    case CodeEncoderSimulate: // an encoder sends control changes of its number
        return T::MsgControlChange;
    case CodeProgramChange:
        return T::MsgProgramChange;
    case CodeProgramChangeRange:
        return T::MsgProgramRange;
    case CodeBankProgramChange:
        return T::MsgBankProgram;
    case CodeProgramChangeStep:
        return r[rec::StepDirection] != 0 ? T::MsgProgramDec : T::MsgProgramInc;
    case CodeRpn:
        return T::MsgRpn;
    case CodeNrpn:
        return T::MsgNrpn;
    case CodeSystemRealtime:
        return T::MsgRealtime;
    case CodeSystemExclusive:
        return T::MsgSysEx;
    case CodeFreeMessage:
        return T::MsgFree;
    default:
        return T::MsgTempo;
    }
}

// Two records send the same message when their words are the same and so are the values that
// tell the messages of their kind apart (those the panel's label shows), the status byte of a
// realtime message, or the data type and text of a message text.
SentMessage SentMessageOf(const AssignKind& kind, const AssignRecord& r) {
    SentMessage m;
    m.channel = kind.channel ? r[rec::Channel] : -1;
    m.port = kind.port ? r[rec::Port] : -1;
    const T text = MessageText(kind, r);
    m.key = Num(static_cast<int>(text));
    std::vector<PhraseArg> args;
    if (kind.HasMessageText()) {
        std::string shown;
        if (kind.type == MsgSystemExclusive) {
            shown = FormatSysExText(r, EditStyle);
        } else {
            shown = FormatFreeText(r, EditStyle);
            if (!shown.empty() && shown.back() == ' ') {
                shown.pop_back();
            }
        }
        m.key += " " + Num(r[rec::DataType]) + " " + shown;
        args.push_back(shown);
    } else if (kind.type == MsgSystemRealtime) {
        m.key += " " + Num(r[rec::RealtimeStatus]);
        args.push_back(Hex2(r[rec::RealtimeStatus]));
    } else {
        for (const ValueField& value : kind.Values()) {
            if (value.labelled) {
                m.key += " " + Num(r[value.byte]);
                args.push_back(value.Shown(r));
            }
        }
    }
    m.message = Phrase(text, std::move(args));
    return m;
}

// The message part of a System Ex. or Free Message record: its fields in range, and its bytes
// a message that the assign page would accept with the same positions. Adds what it finds;
// returns true when nothing was found.
bool CheckMessagePart(ControllerId id, const AssignRecord& r, bool sysEx,
                      std::vector<CheckFinding>& out) {
    bool clean = true;
    const int dataType = r[rec::DataType];
    if (dataType > Data4x4Bit) {
        out.push_back(
            Make(CheckSeverity::Error, T::DataTypeOutOfRange, {id}, {Name(id), dataType}));
        clean = false;
    } else if (dataType != DataNone) {
        const int top = DataTypeValueRangeTop(dataType - 1);
        const int min = r[rec::MinValue];
        const int max = r[rec::MaxValue];
        if (min > top || max > top) {
            out.push_back(
                Make(CheckSeverity::Error, T::DataRangeAboveTop, {id},
                     {Name(id), min, max, top, TableWord{"KelEditor", DataTypeName(dataType)}}));
            clean = false;
        }
    }
    if (!sysEx && r[rec::MessageLength] > rec::MaxMessageBytes) {
        out.push_back(Make(CheckSeverity::Error, T::LengthOutOfRange, {id},
                           {Name(id), r[rec::MessageLength]}));
        return false;
    }
    if (sysEx && r[rec::ChecksumKind] > 2) {
        out.push_back(Make(CheckSeverity::Error, T::ChecksumOutOfRange, {id},
                           {Name(id), r[rec::ChecksumKind]}));
        return false;
    }
    if (dataType > Data4x4Bit) {
        return false; // the text cannot be read back with an unknown data type
    }

    std::string text = sysEx ? FormatSysExText(r, EditStyle) : FormatFreeText(r, EditStyle);
    AssignEntry parsed;
    parsed.record = r;
    const int parseType = dataType != DataNone ? dataType : Data7Bit;
    const ParseResult result =
        sysEx ? ParseSysExText(parsed, text, parseType) : ParseFreeText(parsed, text, parseType);
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    const Phrase what(sysEx ? T::SysExMessage : T::FreeMessage);
    const std::string shown = text.empty() ? "\"\"" : text;
    if (result == ParseTooLong) {
        out.push_back(Make(CheckSeverity::Error, T::MessageTooLong, {id}, {Name(id), what, shown}));
        return false;
    }
    if (result != ParseAccepted) {
        out.push_back(
            Make(CheckSeverity::Error, T::MessageNotValid, {id}, {Name(id), what, shown}));
        return false;
    }
    const AssignRecord& p = parsed.record;
    bool same = true;
    if (dataType != DataNone) {
        same = same && p[rec::DataType] == dataType && p[rec::DataPosition] == r[rec::DataPosition];
    }
    if (sysEx && r[rec::ChecksumKind] != 0) {
        same = same && p[rec::ChecksumKind] == r[rec::ChecksumKind] &&
               p[rec::ChecksumStart] == r[rec::ChecksumStart] &&
               p[rec::ChecksumPosition] == r[rec::ChecksumPosition];
    }
    if (r[rec::ChannelMarker] != 0) {
        same = same && p[rec::ChannelMarker] != 0 &&
               (p[rec::ChannelMarker] == 1) == (r[rec::ChannelMarker] == 1) &&
               p[rec::ChannelMarkerPosition] == r[rec::ChannelMarkerPosition] &&
               p[rec::ChannelMarkerDigit] == r[rec::ChannelMarkerDigit];
    }
    if (!same) {
        out.push_back(
            Make(CheckSeverity::Error, T::MessagePositions, {id}, {Name(id), what, shown}));
        return false;
    }
    return clean;
}

// The findings of one record; true when the record may take part in the duplicate search.
bool CheckRecord(ControllerId id, const AssignRecord& r, std::vector<CheckFinding>& out) {
    const AssignKind* found = KindOf(r);
    if (found == nullptr) {
        out.push_back(
            Make(CheckSeverity::Error, T::InvalidCode, {id}, {Name(id), r[rec::AssignCode]}));
        return false;
    }
    const AssignKind& kind = *found;
    if (kind.type == MsgNoAssign) {
        return false;
    }
    bool clean = true;
    auto error = [&](T text, std::vector<PhraseArg> args) {
        args.insert(args.begin(), Name(id));
        out.push_back(Make(CheckSeverity::Error, text, {id}, std::move(args)));
        clean = false;
    };

    if (kind.port && r[rec::Port] > 2) {
        error(T::PortOutOfRange, {r[rec::Port]});
    }
    if (kind.channel && r[rec::Channel] > 15) {
        error(T::ChannelOutOfRange, {r[rec::Channel] + 1});
    }
    if (kind.HasButtonMode() && HasButtonMode(id) && (r[rec::ModeBits] & 3) == 3) {
        error(T::ButtonModeOutOfRange, {3});
    }
    if (kind.aftMode && HasAftMode(id) && r[rec::AftMode] > 2) {
        error(T::AftModeOutOfRange, {r[rec::AftMode]});
    }
    // The values in the order of their bytes.
    std::vector<const ValueField*> values;
    for (const ValueField& value : kind.Values()) {
        values.push_back(&value);
    }
    std::sort(values.begin(), values.end(),
              [](const ValueField* a, const ValueField* b) { return a->byte < b->byte; });
    for (const ValueField* value : values) {
        if (r[value->byte] > 127) {
            error(T::ValueOutOfRange,
                  {Phrase(ValueFieldText(value->name)), value->Shown(r), value->High()});
        }
    }
    if (kind.type == MsgSystemRealtime &&
        std::find(kRealtimeStatus.begin(), kRealtimeStatus.end(), r[rec::RealtimeStatus]) ==
            kRealtimeStatus.end()) {
        error(T::RealtimeOutOfRange, {Hex2(r[rec::RealtimeStatus])});
    }
    if (kind.HasMessageText() && !CheckMessagePart(id, r, kind.type == MsgSystemExclusive, out)) {
        clean = false;
    }

    RangeBytes range;
    if (RangeOf(kind, r, range) && r[range.min] > r[range.max]) {
        out.push_back(Make(CheckSeverity::Warning, T::RangeInverted, {id},
                           {Name(id), r[range.min] + range.offset, r[range.max] + range.offset}));
    }
    return clean;
}

// "R1", "R1 and R2", "R1, R2 and R3".
PhraseArg ControlList(const std::vector<ControllerId>& ids) {
    PhraseArg text = Name(ids.front());
    for (std::size_t i = 1; i < ids.size(); ++i) {
        text = Phrase(i + 1 == ids.size() ? T::ListAnd : T::ListComma, {text, Name(ids[i])});
    }
    return text;
}

void AddDuplicate(const std::vector<ControllerId>& ids, const SentMessage& m, int port,
                  std::vector<CheckFinding>& out) {
    PhraseArg where = "";
    const TableWord portName{"KelEditor", port >= 0 ? PortName(port) : std::string_view()};
    if (m.channel >= 0 && port >= 0) {
        where = Phrase(T::WhereChannelPort, {m.channel + 1, portName});
    } else if (m.channel >= 0) {
        where = Phrase(T::WhereChannel, {m.channel + 1});
    } else if (port >= 0) {
        where = Phrase(T::WherePort, {portName});
    }
    if (ids.size() == 2) {
        out.push_back(Make(CheckSeverity::Warning, T::SameMessageTwo, ids,
                           {Name(ids[0]), Name(ids[1]), m.message, where}));
    } else {
        out.push_back(Make(CheckSeverity::Warning, T::SameMessageMany, ids,
                           {ControlList(ids), m.message, where}));
    }
}

} // namespace

std::vector<CheckFinding> CheckControlMap(const RecordTable& records) {
    std::vector<CheckFinding> findings;
    // Controls that send the same message, by message key and channel, with their ports.
    std::map<std::pair<std::string, int>, std::vector<std::pair<ControllerId, SentMessage>>> sent;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const AssignRecord& r = records[static_cast<std::size_t>(id)];
        if (CheckRecord(id, r, findings)) {
            SentMessage m = SentMessageOf(*KindOf(r), r);
            auto key = std::make_pair(m.key, m.channel);
            sent[key].emplace_back(id, std::move(m));
        }
    }

    for (const auto& [key, members] : sent) {
        if (members.size() < 2) {
            continue;
        }
        const SentMessage& m = members.front().second;
        if (m.port < 0) {
            std::vector<ControllerId> ids;
            for (const auto& member : members) {
                ids.push_back(member.first);
            }
            AddDuplicate(ids, m, -1, findings);
            continue;
        }
        // "Port 1 + 2" (2) sends on both ports.
        std::vector<ControllerId> onPort1;
        std::vector<ControllerId> onPort2;
        for (const auto& [id, message] : members) {
            if (message.port == 0 || message.port == 2) {
                onPort1.push_back(id);
            }
            if (message.port == 1 || message.port == 2) {
                onPort2.push_back(id);
            }
        }
        if (onPort1.size() >= 2 && onPort1 == onPort2) {
            AddDuplicate(onPort1, m, 2, findings);
            continue;
        }
        if (onPort1.size() >= 2) {
            AddDuplicate(onPort1, m, 0, findings);
        }
        if (onPort2.size() >= 2) {
            AddDuplicate(onPort2, m, 1, findings);
        }
    }

    std::stable_sort(
        findings.begin(), findings.end(), [](const CheckFinding& a, const CheckFinding& b) {
            return std::make_tuple(a.controls.front(), a.severity != CheckSeverity::Error) <
                   std::make_tuple(b.controls.front(), b.severity != CheckSeverity::Error);
        });
    return findings;
}

bool HasCheckErrors(const std::vector<CheckFinding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const CheckFinding& f) { return f.severity == CheckSeverity::Error; });
}

std::string_view CheckSeverityName(CheckSeverity severity) {
    return EnglishFormat(severity == CheckSeverity::Error ? T::SeverityError : T::SeverityWarning);
}

} // namespace kel

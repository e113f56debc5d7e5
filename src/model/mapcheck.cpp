#include "model/mapcheck.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <tuple>

#include "model/msgtext.h"

namespace kel {
namespace {

// The one table of the check's texts, indexed by CheckTextId.
constexpr std::array<std::string_view, static_cast<std::size_t>(CheckTextId::Count)> kTexts = {
    "%1 and %2 both send %3%4.",
    "%1 all send %2%3.",
    "%1: the minimum %2 is above the maximum %3.",
    "%1: assign code %2 is not a known message kind.",
    "%1: port value %2 is not Port 1, Port 2 or Port 1 + 2.",
    "%1: channel %2 is outside 1-16.",
    "%1: button mode %2 is not Unlatch, Latch or Increase.",
    "%1: AFT mode %2 is not OFF, Channel Pressure or Polyphonic Key Pressure.",
    "%1: the %2 is %3, above %4.",
    "%1: %2 is not a system realtime message the control can send (F6, F8, FA, FB, FC or FF).",
    "%1: data type %2 is not one of DT0 to DT4.",
    "%1: the Free Message length %2 is above 24 bytes.",
    "%1: checksum kind %2 is not 1 or 2.",
    "%1: the data range %2-%3 goes above %4, the top of %5.",
    "%1: the stored %2 is not a valid message: %3",
    "%1: the stored %2 is longer than 24 bytes: %3",
    "%1: the data field, checksum or channel marker of the %2 lies outside its bytes: %3",
    "%1, %2",
    "%1 and %2",
    " on channel %1, %2",
    " on channel %1",
    " on %1",
    "System Ex. message",
    "Free Message",
    "note %1",
    "channel pressure",
    "poly pressure on note %1",
    "CC %1",
    "program change %1",
    "program changes (Min-Max)",
    "bank %1/%2 with program change %3",
    "PC Dec",
    "PC Inc",
    "RPN %1/%2",
    "NRPN %1/%2",
    "%1",
    "the System Ex. message %1",
    "the Free Message %1",
    "TEMPO",
    "note number",
    "velocity",
    "controller number",
    "minimum",
    "maximum",
    "program",
    "bank LSB",
    "bank MSB",
    "parameter LSB",
    "parameter MSB",
    "error",
    "warning",
};
static_assert(!kTexts.back().empty(), "every CheckTextId needs its text");

using T = CheckTextId;

std::string Fill(T id, const std::vector<std::string>& args) {
    return FillText(CheckText(id), args);
}

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
                  std::vector<std::string> args) {
    CheckFinding f;
    f.severity = severity;
    f.textId = id;
    f.controls = std::move(controls);
    f.args = std::move(args);
    f.message = Fill(id, f.args);
    return f;
}

// A 7-bit value field of a channel kind: its byte, its name, and whether it is shown 1..128.
struct ValueField {
    std::size_t byte;
    T name;
    bool program;
};

std::vector<ValueField> ValueFieldsOf(std::uint8_t code) {
    switch (code) {
    case CodeNote:
        return {{5, T::FieldNote, false}, {6, T::FieldVelocity, false}};
    case CodeChannelPressure:
        return {{5, T::FieldMinimum, false}, {6, T::FieldMaximum, false}};
    case CodePolyPressure:
        return {{5, T::FieldNote, false}, {6, T::FieldMinimum, false}, {7, T::FieldMaximum, false}};
    case CodeControlChange:
        return {{5, T::FieldController, false},
                {6, T::FieldMinimum, false},
                {7, T::FieldMaximum, false}};
    case CodeEncoderSimulate:
        return {{5, T::FieldController, false}};
    case CodeProgramChange:
        return {{5, T::FieldProgram, true}};
    case CodeProgramChangeRange:
        return {{5, T::FieldMinimum, true}, {6, T::FieldMaximum, true}};
    case CodeBankProgramChange:
        return {
            {5, T::FieldBankLsb, false}, {6, T::FieldBankMsb, false}, {7, T::FieldProgram, true}};
    case CodeRpn:
    case CodeNrpn:
        return {{6, T::FieldParameterLsb, false},
                {7, T::FieldParameterMsb, false},
                {8, T::FieldMinimum, false},
                {9, T::FieldMaximum, false}};
    default:
        return {};
    }
}

// The bytes of a minimum/maximum pair, and whether they are shown 1..128.
struct RangeField {
    std::size_t min;
    std::size_t max;
    bool program;
};

bool RangeOf(const AssignRecord& r, std::uint8_t code, RangeField& range) {
    switch (code) {
    case CodeChannelPressure:
        range = {5, 6, false};
        return true;
    case CodePolyPressure:
    case CodeControlChange:
        range = {6, 7, false};
        return true;
    case CodeProgramChangeRange:
        range = {5, 6, true};
        return true;
    case CodeRpn:
    case CodeNrpn:
        range = {8, 9, false};
        return true;
    case CodeSystemExclusive:
    case CodeFreeMessage:
        range = {rec::MinValue, rec::MaxValue, false};
        return r[rec::DataType] != DataNone;
    default:
        return false;
    }
}

// The message a record sends, as far as the duplicate search is concerned.
struct SentMessage {
    std::string key;     // equal keys (with equal channel) are the same message
    int channel = -1;    // -1: the kind has no channel
    int port = -1;       // -1: the kind has no port; else 0, 1, 2
    std::string message; // "CC 74", "note 60", ...
};

SentMessage SentMessageOf(const AssignRecord& r, std::uint8_t code) {
    AssignEntry entry;
    entry.record = r;
    SentMessage m;
    m.channel = entry.HasChannel() ? r[rec::Channel] : -1;
    m.port = entry.HasPort() ? r[rec::Port] : -1;
    const int b5 = r[5];
    const int b6 = r[6];
    const int b7 = r[7];
    switch (code) {
    case CodeNote:
        m.key = "note " + Num(b5);
        m.message = Fill(T::MsgNote, {Num(b5)});
        break;
    case CodeChannelPressure:
        m.key = "cp";
        m.message = Fill(T::MsgChannelPressure, {});
        break;
    case CodePolyPressure:
        m.key = "pkp " + Num(b5);
        m.message = Fill(T::MsgPolyPressure, {Num(b5)});
        break;
    case CodeControlChange:
    case CodeEncoderSimulate:
        m.key = "cc " + Num(b5);
        m.message = Fill(T::MsgControlChange, {Num(b5)});
        break;
    case CodeProgramChange:
        m.key = "pc " + Num(b5);
        m.message = Fill(T::MsgProgramChange, {Num(b5 + 1)});
        break;
    case CodeProgramChangeRange:
        m.key = "pc range";
        m.message = Fill(T::MsgProgramRange, {});
        break;
    case CodeBankProgramChange:
        m.key = "bank " + Num(b6) + "/" + Num(b5) + " " + Num(b7);
        m.message = Fill(T::MsgBankProgram, {Num(b6), Num(b5), Num(b7 + 1)});
        break;
    case CodeProgramChangeStep:
        m.key = b5 != 0 ? "pc dec" : "pc inc";
        m.message = Fill(b5 != 0 ? T::MsgProgramDec : T::MsgProgramInc, {});
        break;
    case CodeRpn:
        m.key = "rpn " + Num(b7) + "/" + Num(b6);
        m.message = Fill(T::MsgRpn, {Num(b7), Num(b6)});
        break;
    case CodeNrpn:
        m.key = "nrpn " + Num(b7) + "/" + Num(b6);
        m.message = Fill(T::MsgNrpn, {Num(b7), Num(b6)});
        break;
    case CodeSystemRealtime:
        m.key = "rt " + Num(b5);
        m.message = Fill(T::MsgRealtime, {Hex2(b5)});
        break;
    case CodeSystemExclusive: {
        const std::string text = FormatSysExText(r, EditStyle);
        m.key = "sysex " + Num(r[rec::DataType]) + " " + text;
        m.message = Fill(T::MsgSysEx, {text});
        break;
    }
    case CodeFreeMessage: {
        std::string text = FormatFreeText(r, EditStyle);
        if (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        m.key = "free " + Num(r[rec::DataType]) + " " + text;
        m.message = Fill(T::MsgFree, {text});
        break;
    }
    case CodeTempo:
        m.key = "tempo";
        m.message = Fill(T::MsgTempo, {});
        break;
    default:
        break;
    }
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
            Make(CheckSeverity::Error, T::DataTypeOutOfRange, {id}, {Name(id), Num(dataType)}));
        clean = false;
    } else if (dataType != DataNone) {
        const int top = DataTypeValueRangeTop(dataType - 1);
        const int min = r[rec::MinValue];
        const int max = r[rec::MaxValue];
        if (min > top || max > top) {
            out.push_back(Make(
                CheckSeverity::Error, T::DataRangeAboveTop, {id},
                {Name(id), Num(min), Num(max), Num(top), std::string(DataTypeName(dataType))}));
            clean = false;
        }
    }
    if (!sysEx && r[rec::MessageLength] > rec::MaxMessageBytes) {
        out.push_back(Make(CheckSeverity::Error, T::LengthOutOfRange, {id},
                           {Name(id), Num(r[rec::MessageLength])}));
        return false;
    }
    if (sysEx && r[rec::ChecksumKind] > 2) {
        out.push_back(Make(CheckSeverity::Error, T::ChecksumOutOfRange, {id},
                           {Name(id), Num(r[rec::ChecksumKind])}));
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
    const std::string what = Fill(sysEx ? T::SysExMessage : T::FreeMessage, {});
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
    const int type = MessageTypeOf(r);
    if (type == MsgInvalid) {
        out.push_back(
            Make(CheckSeverity::Error, T::InvalidCode, {id}, {Name(id), Num(r[rec::AssignCode])}));
        return false;
    }
    if (type == MsgNoAssign) {
        return false;
    }
    AssignEntry entry;
    entry.record = r;
    const std::uint8_t code = BaseCode(r[rec::AssignCode]);
    bool clean = true;
    auto error = [&](T text, std::vector<std::string> args) {
        args.insert(args.begin(), Name(id));
        out.push_back(Make(CheckSeverity::Error, text, {id}, std::move(args)));
        clean = false;
    };

    if (entry.HasPort() && r[rec::Port] > 2) {
        error(T::PortOutOfRange, {Num(r[rec::Port])});
    }
    if (entry.HasChannel() && r[rec::Channel] > 15) {
        error(T::ChannelOutOfRange, {Num(r[rec::Channel] + 1)});
    }
    if (entry.HasButtonMode() && HasButtonMode(id) && (r[rec::ModeBits] & 3) == 3) {
        error(T::ButtonModeOutOfRange, {Num(3)});
    }
    if (code == CodeNote && HasAftMode(id) && r[7] > 2) {
        error(T::AftModeOutOfRange, {Num(r[7])});
    }
    for (const ValueField& field : ValueFieldsOf(code)) {
        if (r[field.byte] > 127) {
            const int shown = r[field.byte] + (field.program ? 1 : 0);
            error(T::ValueOutOfRange,
                  {Fill(field.name, {}), Num(shown), Num(field.program ? 128 : 127)});
        }
    }
    if (code == CodeSystemRealtime &&
        std::find(kRealtimeStatus.begin(), kRealtimeStatus.end(), r[5]) == kRealtimeStatus.end()) {
        error(T::RealtimeOutOfRange, {Hex2(r[5])});
    }
    if (code == CodeSystemExclusive || code == CodeFreeMessage) {
        if (!CheckMessagePart(id, r, code == CodeSystemExclusive, out)) {
            clean = false;
        }
    }

    RangeField range{};
    if (RangeOf(r, code, range) && r[range.min] > r[range.max]) {
        const int offset = range.program ? 1 : 0;
        out.push_back(Make(CheckSeverity::Warning, T::RangeInverted, {id},
                           {Name(id), Num(r[range.min] + offset), Num(r[range.max] + offset)}));
    }
    return clean;
}

// "R1", "R1 and R2", "R1, R2 and R3".
std::string ControlList(const std::vector<ControllerId>& ids) {
    std::string text = Name(ids.front());
    for (std::size_t i = 1; i < ids.size(); ++i) {
        text = Fill(i + 1 == ids.size() ? T::ListAnd : T::ListComma, {text, Name(ids[i])});
    }
    return text;
}

void AddDuplicate(const std::vector<ControllerId>& ids, const SentMessage& m, int port,
                  std::vector<CheckFinding>& out) {
    std::string where;
    const std::string portName = port >= 0 ? std::string(PortName(port)) : std::string();
    if (m.channel >= 0 && port >= 0) {
        where = Fill(T::WhereChannelPort, {Num(m.channel + 1), portName});
    } else if (m.channel >= 0) {
        where = Fill(T::WhereChannel, {Num(m.channel + 1)});
    } else if (port >= 0) {
        where = Fill(T::WherePort, {portName});
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

std::string_view CheckText(CheckTextId id) {
    const auto index = static_cast<std::size_t>(id);
    return index < kTexts.size() ? kTexts[index] : std::string_view();
}

std::string FillText(std::string_view format, const std::vector<std::string>& args) {
    std::string out;
    out.reserve(format.size() + 32);
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '%' && i + 1 < format.size() && format[i + 1] >= '1' && format[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(format[i + 1] - '1');
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

std::vector<CheckFinding> CheckControlMap(const RecordTable& records) {
    std::vector<CheckFinding> findings;
    // Controls that send the same message, by message key and channel, with their ports.
    std::map<std::pair<std::string, int>, std::vector<std::pair<ControllerId, SentMessage>>> sent;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const AssignRecord& r = records[static_cast<std::size_t>(id)];
        if (CheckRecord(id, r, findings)) {
            SentMessage m = SentMessageOf(r, BaseCode(r[rec::AssignCode]));
            if (!m.key.empty()) {
                auto key = std::make_pair(m.key, m.channel);
                sent[key].emplace_back(id, std::move(m));
            }
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
    return CheckText(severity == CheckSeverity::Error ? T::SeverityError : T::SeverityWarning);
}

} // namespace kel

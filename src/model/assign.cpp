#include "model/assign.h"

#include <algorithm>

namespace kel {
namespace {

constexpr std::array<std::string_view, kMessageTypeCount> kMessageTypeNames = {
    "NO ASSIGN", "Channel Message", "System Realtime/F6", "System Ex.", "Free Message", "Tempo"};

constexpr std::array<std::string_view, kChannelKindCount> kChannelKindNames = {
    "Note",
    "Channel Pressure",
    "Polyphonic Key Pressure",
    "Control Change",
    "Program Change",
    "Program Change (Min-Max)",
    "Bank Select + Program Change",
    "Program Change - Dec",
    "Program Change - Inc",
    "RPN",
    "NRPN",
    "Encoder Simulate"};

constexpr std::array<std::string_view, kDataTypeCount> kDataTypeNames = {
    "",
    "DT0: 7bit",
    "DT1: 4bit/4bit",
    "DT2: 7bit/7bit (MSB/LSB)",
    "DT3: 7bit/7bit (LSB/MSB)",
    "DT4: 4bit/4bit/4bit/4bit"};

constexpr std::array<int, kDataTypeCount> kDataTypeBytes = {0, 1, 2, 2, 2, 4};

constexpr std::array<std::string_view, 6> kRealtimeNames = {
    "F6 (Tune Request)", "F8 (Timing Clock)", "FA (Start)",
    "FB (Continue)",     "FC (Stop)",         "FF (System Reset)"};

constexpr std::array<std::string_view, 3> kButtonModeNames = {"Unlatch", "Latch", "Increase"};
constexpr std::array<std::string_view, 3> kPortNames = {"Port 1", "Port 2", "Port 1 + 2"};
constexpr std::array<std::string_view, 3> kAftModeNames = {"OFF", "Channel Pressure",
                                                           "Polyphonic Key Pressure"};

// The base code each channel kind writes, by ChannelMessageKind.
constexpr std::array<std::uint8_t, kChannelKindCount> kKindCode = {CodeNote,
                                                                   CodeChannelPressure,
                                                                   CodePolyPressure,
                                                                   CodeControlChange,
                                                                   CodeProgramChange,
                                                                   CodeProgramChangeRange,
                                                                   CodeBankProgramChange,
                                                                   CodeProgramChangeStep,
                                                                   CodeProgramChangeStep,
                                                                   CodeRpn,
                                                                   CodeNrpn,
                                                                   CodeEncoderSimulate};

template <std::size_t N>
std::string_view NameAt(const std::array<std::string_view, N>& names, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < N
               ? names[static_cast<std::size_t>(index)]
               : std::string_view{};
}

// Where a channel kind keeps value 1..4 and whether the field is shown 1..128 (stored - 1).
struct ValueField {
    int byte = -1; // -1: the kind has no such value
    bool programNumber = false;
};

ValueField Value1Field(int kind) {
    switch (kind) {
    case KindNote:
    case KindChannelPressure:
    case KindPolyPressure:
    case KindControlChange:
    case KindEncoderSimulate:
        return {5, false};
    case KindProgramChange:
    case KindProgramChangeRange:
        return {5, true};
    case KindBankProgramChange:
        return {6, false};
    case KindRpn:
    case KindNrpn:
        return {7, false};
    default:
        return {};
    }
}

ValueField Value2Field(int kind) {
    switch (kind) {
    case KindNote:
    case KindChannelPressure:
    case KindPolyPressure:
    case KindControlChange:
    case KindRpn:
    case KindNrpn:
        return {6, false};
    case KindProgramChangeRange:
        return {6, true};
    case KindBankProgramChange:
        return {5, false};
    default:
        return {};
    }
}

ValueField Value3Field(int kind) {
    switch (kind) {
    case KindPolyPressure:
    case KindControlChange:
        return {7, false};
    case KindBankProgramChange:
        return {7, true};
    case KindRpn:
    case KindNrpn:
        return {8, false};
    default:
        return {};
    }
}

ValueField Value4Field(int kind) {
    return kind == KindRpn || kind == KindNrpn ? ValueField{9, false} : ValueField{};
}

void ClearBody(AssignRecord& r) {
    std::fill(r.begin() + 1, r.end(), std::uint8_t{0});
}

bool IsTextMessage(int type) {
    return type == MsgSystemExclusive || type == MsgFreeMessage;
}

} // namespace

std::string_view MessageTypeName(int type) {
    return NameAt(kMessageTypeNames, type);
}
std::string_view ChannelKindName(int kind) {
    return NameAt(kChannelKindNames, kind);
}
std::string_view DataTypeName(int stored) {
    return NameAt(kDataTypeNames, stored);
}
std::string_view RealtimeEntryName(int index) {
    return NameAt(kRealtimeNames, index);
}
std::string_view ButtonModeName(int mode) {
    return NameAt(kButtonModeNames, mode);
}
std::string_view PortName(int port) {
    return NameAt(kPortNames, port);
}
std::string_view AftModeName(int mode) {
    return NameAt(kAftModeNames, mode);
}

int DataTypeByteCount(int stored) {
    return stored >= 0 && stored < kDataTypeCount ? kDataTypeBytes[static_cast<std::size_t>(stored)]
                                                  : 0;
}

std::uint8_t BaseCode(std::uint8_t code) {
    switch (code) {
    case CodeNoteTwin:
    case CodeChannelPressureTwin:
    case CodePolyPressureTwin:
    case CodeControlChangeTwin:
    case CodeRpnTwin:
    case CodeNrpnTwin:
    case CodeSystemExclusiveTwin:
    case CodeFreeMessageTwin:
        return static_cast<std::uint8_t>(code - 1);
    default:
        return code;
    }
}

int MessageTypeOf(const AssignRecord& r) {
    const std::uint8_t code = BaseCode(r[rec::AssignCode]);
    switch (code) {
    case CodeNoAssign:
        return MsgNoAssign;
    case CodeSystemRealtime:
        return MsgSystemRealtime;
    case CodeSystemExclusive:
        return MsgSystemExclusive;
    case CodeFreeMessage:
        return MsgFreeMessage;
    case CodeTempo:
        return MsgTempo;
    default:
        return ChannelKindOf(r) >= 0 ? MsgChannel : MsgInvalid;
    }
}

int ChannelKindOf(const AssignRecord& r) {
    switch (BaseCode(r[rec::AssignCode])) {
    case CodeNote:
        return KindNote;
    case CodeChannelPressure:
        return KindChannelPressure;
    case CodePolyPressure:
        return KindPolyPressure;
    case CodeControlChange:
        return KindControlChange;
    case CodeEncoderSimulate:
        return KindEncoderSimulate;
    case CodeProgramChangeRange:
        return KindProgramChangeRange;
    case CodeProgramChange:
        return KindProgramChange;
    case CodeBankProgramChange:
        return KindBankProgramChange;
    case CodeProgramChangeStep:
        return r[5] == 1 ? KindProgramChangeDec : KindProgramChangeInc;
    case CodeRpn:
        return KindRpn;
    case CodeNrpn:
        return KindNrpn;
    default:
        return KindNone;
    }
}

std::string CutText(std::string_view text) {
    return std::string(text.substr(0, kTextLimit));
}

void AssignEntry::Clear() {
    record.fill(0);
    comment.clear();
    controllerId = kNoController;
    changed = false;
}

int AssignEntry::GetMessageType() const {
    return MessageTypeOf(record);
}

int AssignEntry::SetMessageType(int type) {
    switch (type) {
    case MsgNoAssign:
        record[rec::AssignCode] = CodeNoAssign;
        ClearBody(record);
        break;
    case MsgChannel:
        return SetChannelKind(KindNote);
    case MsgSystemRealtime:
        record[rec::AssignCode] = CodeSystemRealtime;
        ClearBody(record);
        record[5] = 0xF6;
        break;
    case MsgSystemExclusive:
        record[rec::AssignCode] = CodeSystemExclusive;
        ClearBody(record);
        record[rec::MaxValue] = 127;
        record[rec::SysExMessage] = 0xF0;
        std::fill(record.begin() + rec::SysExMessage + 1, record.end(), std::uint8_t{0xF7});
        break;
    case MsgFreeMessage:
        record[rec::AssignCode] = CodeFreeMessage;
        ClearBody(record);
        record[rec::MaxValue] = 127;
        break;
    case MsgTempo:
        record[rec::AssignCode] = CodeTempo;
        ClearBody(record);
        break;
    default:
        return 0;
    }
    changed = true;
    return 1;
}

int AssignEntry::GetChannelKind() const {
    return ChannelKindOf(record);
}

int AssignEntry::SetChannelKind(int kind) {
    if (kind < 0 || kind >= kChannelKindCount) {
        return 0;
    }
    record[rec::AssignCode] = kKindCode[static_cast<std::size_t>(kind)];
    ClearBody(record);
    switch (kind) {
    case KindNote:
        record[5] = 64;
        record[6] = 100;
        break;
    case KindChannelPressure:
        record[6] = 127;
        break;
    case KindPolyPressure:
        record[5] = 64;
        record[7] = 127;
        break;
    case KindControlChange:
        record[7] = 127;
        break;
    case KindProgramChangeRange:
        record[6] = 127;
        break;
    case KindProgramChangeDec:
        record[5] = 1;
        break;
    case KindRpn:
    case KindNrpn:
        record[5] = 1;
        record[9] = 127;
        break;
    case KindEncoderSimulate:
        record[rec::EncoderFlag] = 1;
        record[7] = 127;
        break;
    default: // Program Change, Bank Select + Program Change, Program Change - Inc: all zero
        break;
    }
    changed = true;
    return 1;
}

bool AssignEntry::HasChannel() const {
    const int kind = GetChannelKind();
    return kind >= 0 && kind != KindProgramChangeDec && kind != KindProgramChangeInc;
}

bool AssignEntry::HasPort() const {
    switch (GetMessageType()) {
    case MsgSystemRealtime:
    case MsgSystemExclusive:
    case MsgFreeMessage:
        return true;
    case MsgChannel: {
        const int kind = GetChannelKind();
        return kind != KindProgramChange && kind != KindProgramChangeRange &&
               kind != KindProgramChangeDec && kind != KindProgramChangeInc;
    }
    default:
        return false;
    }
}

bool AssignEntry::HasButtonMode() const {
    switch (GetMessageType()) {
    case MsgSystemExclusive:
    case MsgFreeMessage:
    case MsgTempo:
        return true;
    case MsgChannel: {
        const int kind = GetChannelKind();
        return kind == KindNote || kind == KindChannelPressure || kind == KindPolyPressure ||
               kind == KindControlChange || kind == KindRpn || kind == KindNrpn;
    }
    default:
        return false;
    }
}

bool AssignEntry::HasCenterClick() const {
    const int kind = GetChannelKind();
    return kind == KindControlChange || kind == KindRpn || kind == KindNrpn ||
           GetMessageType() == MsgSystemExclusive;
}

bool AssignEntry::HasAftMode() const {
    return GetChannelKind() == KindNote;
}

namespace {

// Writes `value` into `byte` when it differs; the shared tail of the simple setters.
int StoreByte(AssignEntry& e, std::size_t byte, int value) {
    if (e.record[byte] == static_cast<std::uint8_t>(value)) {
        return 0;
    }
    e.record[byte] = static_cast<std::uint8_t>(value);
    e.changed = true;
    return 1;
}

int GetValue(const AssignEntry& e, ValueField field) {
    if (field.byte < 0) {
        return 0;
    }
    const int stored = e.record[static_cast<std::size_t>(field.byte)];
    return field.programNumber ? stored + 1 : stored;
}

int SetValue(AssignEntry& e, ValueField field, int v) {
    if (field.byte < 0) {
        return 0;
    }
    if (field.programNumber) {
        if (v < 1 || v > 128) {
            return 0;
        }
        v -= 1;
    } else if (v < 0 || v > 127) {
        return 0;
    }
    return StoreByte(e, static_cast<std::size_t>(field.byte), v);
}

} // namespace

int AssignEntry::GetChannel() const {
    return HasChannel() ? record[rec::Channel] : -1;
}

int AssignEntry::SetChannel(int channel) {
    if (!HasChannel() || channel < 0 || channel > 15) {
        return 0;
    }
    return StoreByte(*this, rec::Channel, channel);
}

int AssignEntry::GetPort() const {
    return HasPort() ? record[rec::Port] : -1;
}

int AssignEntry::SetPort(int port) {
    if (!HasPort() || port < 0 || port > 2) {
        return 0;
    }
    return StoreByte(*this, rec::Port, port);
}

int AssignEntry::GetButtonMode() const {
    return HasButtonMode() ? record[rec::ModeBits] & 3 : -1;
}

int AssignEntry::SetButtonMode(int mode) {
    if (!HasButtonMode()) {
        return 0;
    }
    const int bits = (record[rec::ModeBits] & ~3) | (mode & 3);
    return StoreByte(*this, rec::ModeBits, bits);
}

int AssignEntry::GetCenterClick() const {
    return HasCenterClick() ? (record[rec::ModeBits] >> 2) & 1 : -1;
}

int AssignEntry::SetCenterClick(int on) {
    if (!HasCenterClick()) {
        return 0;
    }
    const int bits = (record[rec::ModeBits] & 3) | (on != 0 ? 4 : 0);
    return StoreByte(*this, rec::ModeBits, bits);
}

int AssignEntry::GetAftMode() const {
    return HasAftMode() ? record[7] : -1;
}

int AssignEntry::SetAftMode(int mode) {
    if (!HasAftMode() || mode < 0 || mode > 2) {
        return 0;
    }
    return StoreByte(*this, 7, mode);
}

int AssignEntry::GetValue1() const {
    return GetValue(*this, Value1Field(GetChannelKind()));
}
int AssignEntry::SetValue1(int v) {
    return SetValue(*this, Value1Field(GetChannelKind()), v);
}
int AssignEntry::GetValue2() const {
    return GetValue(*this, Value2Field(GetChannelKind()));
}
int AssignEntry::SetValue2(int v) {
    return SetValue(*this, Value2Field(GetChannelKind()), v);
}
int AssignEntry::GetValue3() const {
    return GetValue(*this, Value3Field(GetChannelKind()));
}
int AssignEntry::SetValue3(int v) {
    return SetValue(*this, Value3Field(GetChannelKind()), v);
}
int AssignEntry::GetValue4() const {
    return GetValue(*this, Value4Field(GetChannelKind()));
}
int AssignEntry::SetValue4(int v) {
    return SetValue(*this, Value4Field(GetChannelKind()), v);
}

int AssignEntry::GetMinValue() const {
    return IsTextMessage(GetMessageType()) ? record[rec::MinValue] : 0;
}

int AssignEntry::GetMaxValue() const {
    return IsTextMessage(GetMessageType()) ? record[rec::MaxValue] : 0;
}

// The data range is only stored while the message has a data field; the page still counts
// the edit as a change so the commit compares the bytes.
int AssignEntry::SetMinValue(int v) {
    if (!IsTextMessage(GetMessageType()) || v < 0 || v > 255) {
        return 0;
    }
    if (record[rec::DataType] != DataNone) {
        record[rec::MinValue] = static_cast<std::uint8_t>(v);
    }
    changed = true;
    return 1;
}

int AssignEntry::SetMaxValue(int v) {
    if (!IsTextMessage(GetMessageType()) || v < 0 || v > 255) {
        return 0;
    }
    if (record[rec::DataType] != DataNone) {
        record[rec::MaxValue] = static_cast<std::uint8_t>(v);
    }
    changed = true;
    return 1;
}

int AssignEntry::GetDataTypeIndex() const {
    if (!IsTextMessage(GetMessageType())) {
        return -1;
    }
    const int stored = record[rec::DataType];
    return stored == 0 ? 0 : stored - 1;
}

int AssignEntry::GetRealtimeIndex() const {
    if (GetMessageType() != MsgSystemRealtime) {
        return -1;
    }
    const auto it = std::find(kRealtimeStatus.begin() + 1, kRealtimeStatus.end(), record[5]);
    return it == kRealtimeStatus.end() ? 0 : static_cast<int>(it - kRealtimeStatus.begin());
}

int AssignEntry::SetRealtimeIndex(int index) {
    if (GetMessageType() != MsgSystemRealtime || index < 0 ||
        index >= static_cast<int>(kRealtimeStatus.size())) {
        return 0;
    }
    return StoreByte(*this, 5, kRealtimeStatus[static_cast<std::size_t>(index)]);
}

int AssignEntry::SetComment(std::string_view text) {
    std::string cut = CutText(text);
    if (cut == comment) {
        return 0;
    }
    comment = std::move(cut);
    changed = true;
    return 1;
}

} // namespace kel

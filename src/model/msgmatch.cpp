// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/msgmatch.h"

#include <algorithm>
#include <cstdio>

#include "model/kinds.h"
#include "model/midiframer.h"
#include "model/msgtext.h"

namespace kel {

namespace {

// CC numbers of bank select and of the parameter numbers and data entry of RPN/NRPN.
constexpr std::uint8_t kBankMsb = 0x00;
constexpr std::uint8_t kBankLsb = 0x20;
constexpr std::uint8_t kDataEntryMsb = 0x06;
constexpr std::uint8_t kDataEntryLsb = 0x26;
constexpr std::uint8_t kDataIncrement = 0x60;
constexpr std::uint8_t kDataDecrement = 0x61;
constexpr std::uint8_t kNrpnLsb = 0x62;
constexpr std::uint8_t kNrpnMsb = 0x63;
constexpr std::uint8_t kRpnLsb = 0x64;
constexpr std::uint8_t kRpnMsb = 0x65;

// The encoder's two steps.
constexpr std::uint8_t kEncoderDown = 0x41;
constexpr std::uint8_t kEncoderUp = 0x01;

// The message parts of a System Ex./Free Message record.
struct Template {
    const std::uint8_t* bytes = nullptr;
    std::size_t length = 0;
    int dataPosition = -1;
    int dataCount = 0;
    int dataType = DataNone;
    int markerPosition = -1;
    int checksumKind = 0;
    int checksumStart = 0;
    int checksumPosition = -1;
};

Template TemplateOf(const AssignRecord& r, int type) {
    Template t;
    if (type == MsgSystemExclusive) {
        t.bytes = r.data() + rec::SysExMessage;
        std::size_t n = 0;
        while (n < rec::MaxMessageBytes && t.bytes[n] != 0xF7) {
            ++n;
        }
        // A message without its F7 within the 24 bytes is not one the device can send.
        t.length = n < rec::MaxMessageBytes && n > 0 ? n + 1 : 0;
        if (r[rec::ChecksumKind] != 0) {
            t.checksumKind = r[rec::ChecksumKind];
            t.checksumStart = r[rec::ChecksumStart];
            t.checksumPosition = r[rec::ChecksumPosition];
        }
    } else {
        t.bytes = r.data() + rec::FreeMessage;
        t.length = std::min<std::size_t>(r[rec::MessageLength], rec::MaxMessageBytes);
    }
    if (r[rec::DataType] != DataNone && r[rec::DataType] < kDataTypeCount) {
        t.dataType = r[rec::DataType];
        t.dataPosition = r[rec::DataPosition];
        t.dataCount = DataTypeByteCount(t.dataType);
    }
    if (r[rec::ChannelMarker] != 0) {
        t.markerPosition = r[rec::ChannelMarkerPosition];
    }
    return t;
}

// Does `message` equal template bytes [from, from + message.size()) with the data field, the
// channel marker's low four bits and the checksum byte free? The checksum is checked when it
// lies inside the compared part.
bool MatchesTemplate(const Template& t, std::size_t from, std::span<const std::uint8_t> message) {
    const int top = t.dataType == Data4Bit4Bit || t.dataType == Data4x4Bit ? 0x0F : 0x7F;
    for (std::size_t i = 0; i < message.size(); ++i) {
        const int p = static_cast<int>(from + i);
        const std::uint8_t b = message[i];
        if (p >= t.dataPosition && p < t.dataPosition + t.dataCount) {
            if (b > top) {
                return false;
            }
        } else if (p == t.checksumPosition) {
            if (b > 0x7F) {
                return false;
            }
        } else if (p == t.markerPosition) {
            if ((b & 0xF0) != (t.bytes[p] & 0xF0)) {
                return false;
            }
        } else if (b != t.bytes[p]) {
            return false;
        }
    }
    if (t.checksumKind != 0 && t.checksumPosition >= static_cast<int>(from) &&
        t.checksumPosition < static_cast<int>(from + message.size()) &&
        t.checksumStart >= static_cast<int>(from) && t.checksumStart <= t.checksumPosition) {
        const std::size_t start = static_cast<std::size_t>(t.checksumStart) - from;
        const std::size_t end = static_cast<std::size_t>(t.checksumPosition) - from;
        return message[end] ==
               TemplateChecksum(t.checksumKind, message.subspan(start, end - start));
    }
    return true;
}

bool SysExSends(const Template& t, std::span<const std::uint8_t> message) {
    return t.length != 0 && message.size() == t.length && MatchesTemplate(t, 0, message);
}

// A free message is a sequence of whole messages; the one received matches one of them.
bool FreeSends(const Template& t, std::span<const std::uint8_t> message) {
    std::size_t p = 0;
    while (p < t.length) {
        std::size_t end = p + 1;
        if (t.bytes[p] == 0xF0) {
            while (end < t.length && t.bytes[end] != 0xF7) {
                ++end;
            }
            end = std::min(end + 1, t.length);
        } else {
            end = std::min(p + 1 + static_cast<std::size_t>(DataBytesAfter(t.bytes[p])), t.length);
        }
        if (end - p == message.size() && MatchesTemplate(t, p, message)) {
            return true;
        }
        p = end;
    }
    return false;
}

bool PortMatches(const AssignKind& kind, const AssignRecord& r, int port) {
    if (port < 0 || !kind.port) {
        return true;
    }
    const int stored = r[rec::Port];
    return stored == port || stored == 2; // 2: both ports
}

// Data entry MSB/LSB, data increment and decrement: they change the selected parameter.
bool IsParameterData(int number) {
    return number == kDataEntryMsb || number == kDataEntryLsb || number == kDataIncrement ||
           number == kDataDecrement;
}

bool Between(int v, int a, int b) {
    return v >= std::min(a, b) && v <= std::max(a, b);
}

// The channel message `message` (status below F0, complete) against a channel kind.
bool ChannelKindSends(const AssignRecord& r, int channelKind, std::span<const std::uint8_t> m) {
    const int status = m[0] & 0xF0;
    const int channel = m[0] & 0x0F;
    const int d1 = m.size() > 1 ? m[1] : -1;
    const int d2 = m.size() > 2 ? m[2] : -1;
    if (channelKind == KindProgramChangeDec || channelKind == KindProgramChangeInc) {
        return status == 0xC0; // they step the program on whatever channel it runs
    }
    if (channel != (r[rec::Channel] & 0x0F)) {
        return false;
    }
    switch (channelKind) {
    case KindNote:
        if (status == 0x80 || status == 0x90) {
            return d1 == r[5];
        }
        // The aftertouch of a note: channel pressure, or poly pressure on its note.
        return (r[rec::AftMode] == 1 && status == 0xD0) ||
               (r[rec::AftMode] == 2 && status == 0xA0 && d1 == r[5]);
    case KindChannelPressure:
        return status == 0xD0;
    case KindPolyPressure:
        return status == 0xA0 && d1 == r[5];
    case KindControlChange:
    case KindEncoderSimulate:
        return status == 0xB0 && d1 == r[5];
    case KindProgramChange:
        return status == 0xC0 && d1 == r[5];
    case KindProgramChangeRange:
        return status == 0xC0 && Between(d1, r[5], r[6]);
    case KindBankProgramChange:
        return (status == 0xC0 && d1 == r[7]) ||
               (status == 0xB0 &&
                ((d1 == kBankMsb && d2 == r[6]) || (d1 == kBankLsb && d2 == r[5])));
    case KindRpn:
    case KindNrpn: {
        if (status != 0xB0) {
            return false;
        }
        const bool rpn = channelKind == KindRpn;
        if (d1 == (rpn ? kRpnMsb : kNrpnMsb)) {
            return d2 == r[7];
        }
        if (d1 == (rpn ? kRpnLsb : kNrpnLsb)) {
            return d2 == r[6];
        }
        // Data entry and increment/decrement carry no parameter number: every parameter
        // control of the channel.
        return IsParameterData(d1);
    }
    default:
        return false;
    }
}

// A whole short message: status below F8 except F0/F7, with its data bytes.
bool IsWholeShortMessage(std::span<const std::uint8_t> m) {
    if (m.empty() || m[0] < 0x80 || m[0] == 0xF0 || m[0] == 0xF7) {
        return false;
    }
    if (m[0] >= 0xF8) {
        return m.size() == 1;
    }
    if (m.size() != 1 + static_cast<std::size_t>(DataBytesAfter(m[0]))) {
        return false;
    }
    return std::all_of(m.begin() + 1, m.end(), [](std::uint8_t b) { return b < 0x80; });
}

bool IsWholeSysEx(std::span<const std::uint8_t> m) {
    return m.size() >= 2 && m.front() == 0xF0 && m.back() == 0xF7;
}

// The status byte a System Realtime record sends: one of the list's, F6 for any other byte.
std::uint8_t RealtimeStatusOf(const AssignRecord& r) {
    const auto& list = kRealtimeStatus;
    return std::find(list.begin(), list.end(), r[rec::RealtimeStatus]) != list.end()
               ? r[rec::RealtimeStatus]
               : list[0];
}

int Scale(int value, int low, int high) {
    value = std::clamp(value, 0, 127);
    const int span = high - low;
    return low + (span * value + (span >= 0 ? 63 : -63)) / 127;
}

// The data field's bytes for `v` by data type.
void FillData(std::uint8_t* at, int type, int v) {
    switch (type) {
    case Data7Bit:
        at[0] = static_cast<std::uint8_t>(v & 0x7F);
        break;
    case Data4Bit4Bit:
        at[0] = static_cast<std::uint8_t>((v >> 4) & 0x0F);
        at[1] = static_cast<std::uint8_t>(v & 0x0F);
        break;
    case DataMsbLsb:
        at[0] = static_cast<std::uint8_t>((v >> 7) & 0x7F);
        at[1] = static_cast<std::uint8_t>(v & 0x7F);
        break;
    case DataLsbMsb:
        at[0] = static_cast<std::uint8_t>(v & 0x7F);
        at[1] = static_cast<std::uint8_t>((v >> 7) & 0x7F);
        break;
    case Data4x4Bit:
        for (int i = 0; i < 4; ++i) {
            at[i] = static_cast<std::uint8_t>((v >> (12 - 4 * i)) & 0x0F);
        }
        break;
    default:
        break;
    }
}

// The template filled in: data, channel marker, then the checksum over the filled bytes.
std::vector<std::uint8_t> FillTemplate(const Template& t, const AssignRecord& r, int value,
                                       int channel) {
    std::vector<std::uint8_t> bytes(t.bytes, t.bytes + t.length);
    if (t.dataPosition >= 0 &&
        static_cast<std::size_t>(t.dataPosition + t.dataCount) <= bytes.size()) {
        FillData(bytes.data() + t.dataPosition, t.dataType,
                 Scale(value, r[rec::MinValue], r[rec::MaxValue]));
    }
    if (t.markerPosition >= 0 && static_cast<std::size_t>(t.markerPosition) < bytes.size()) {
        auto& b = bytes[static_cast<std::size_t>(t.markerPosition)];
        b = static_cast<std::uint8_t>((b & 0xF0) | (channel & 0x0F));
    }
    if (t.checksumKind != 0 && t.checksumStart <= t.checksumPosition &&
        static_cast<std::size_t>(t.checksumPosition) < bytes.size()) {
        bytes[static_cast<std::size_t>(t.checksumPosition)] = TemplateChecksum(
            t.checksumKind, std::span<const std::uint8_t>(bytes).subspan(
                                static_cast<std::size_t>(t.checksumStart),
                                static_cast<std::size_t>(t.checksumPosition - t.checksumStart)));
    }
    return bytes;
}

} // namespace

std::uint8_t TemplateChecksum(int kind, std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (const std::uint8_t b : bytes) {
        sum += b;
    }
    return static_cast<std::uint8_t>((kind == 2 ? sum : 0u - sum) & 0x7F);
}

Phrase MidiMessagePhrase(std::span<const std::uint8_t> m) {
    using T = TextId;
    if (IsWholeSysEx(m)) {
        return Phrase(T::MidiSysEx, {static_cast<int>(m.size())});
    }
    if (!IsWholeShortMessage(m)) {
        return Phrase(T::MidiUnknown, {static_cast<int>(m.size())});
    }
    const int ch = (m[0] & 0x0F) + 1;
    switch (m[0] & 0xF0) {
    case 0x80:
        return Phrase(T::MidiNoteOff, {m[1], ch});
    case 0x90:
        return m[2] == 0 ? Phrase(T::MidiNoteOff, {m[1], ch})
                         : Phrase(T::MidiNoteOn, {m[1], m[2], ch});
    case 0xA0:
        return Phrase(T::MidiPolyPressure, {m[1], m[2], ch});
    case 0xB0:
        return Phrase(T::MidiControlChange, {m[1], m[2], ch});
    case 0xC0:
        return Phrase(T::MidiProgram, {m[1] + 1, ch});
    case 0xD0:
        return Phrase(T::MidiChannelPressure, {m[1], ch});
    case 0xE0:
        return Phrase(T::MidiPitchBend, {m[1] | (m[2] << 7), ch});
    default:
        break;
    }
    switch (m[0]) {
    case 0xF1:
        return Phrase(T::MidiTimeCode, {m[1]});
    case 0xF2:
        return Phrase(T::MidiSongPosition, {m[1] | (m[2] << 7)});
    case 0xF3:
        return Phrase(T::MidiSongSelect, {m[1]});
    case 0xF6:
        return Phrase(T::MidiTuneRequest);
    case 0xF8:
        return Phrase(T::MidiClock);
    case 0xFA:
        return Phrase(T::MidiStart);
    case 0xFB:
        return Phrase(T::MidiContinue);
    case 0xFC:
        return Phrase(T::MidiStop);
    case 0xFE:
        return Phrase(T::MidiActiveSensing);
    case 0xFF:
        return Phrase(T::MidiSystemReset);
    default: {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", m[0]);
        return Phrase(T::MidiUndefined, {std::string(hex)});
    }
    }
}

std::string DescribeMidiMessage(std::span<const std::uint8_t> m) {
    return EnglishText(MidiMessagePhrase(m));
}

bool RecordSends(const AssignRecord& r, std::span<const std::uint8_t> message, int port) {
    const AssignKind* kind = KindOf(r);
    if (kind == nullptr || !PortMatches(*kind, r, port)) {
        return false;
    }
    switch (kind->type) {
    case MsgChannel:
        return IsWholeShortMessage(message) && message[0] < 0xF0 &&
               ChannelKindSends(r, kind->channelKind, message);
    case MsgSystemRealtime:
        return message.size() == 1 && message[0] == RealtimeStatusOf(r);
    case MsgSystemExclusive:
        return IsWholeSysEx(message) && SysExSends(TemplateOf(r, kind->type), message);
    case MsgFreeMessage:
        return (IsWholeSysEx(message) || IsWholeShortMessage(message)) &&
               FreeSends(TemplateOf(r, kind->type), message);
    default:
        return false; // NO ASSIGN; Tempo sets the device's tempo and sends nothing itself
    }
}

std::vector<ControllerId> ControlsSending(const ControlMap& map,
                                          std::span<const std::uint8_t> message, int port) {
    std::vector<ControllerId> controls;
    if (message.empty()) {
        return controls;
    }
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        if (RecordSends(map.records[static_cast<std::size_t>(id)], message, port)) {
            controls.push_back(id);
        }
    }
    return controls;
}

HeardMatch CHeardMatcher::Hear(const ControlMap& map, std::span<const std::uint8_t> message,
                               int port) {
    HeardMatch heard;
    heard.controls = ControlsSending(map, message, port);
    if (!IsWholeShortMessage(message) || (message[0] & 0xF0) != 0xB0) {
        return heard;
    }
    Selection& selected = selected_[message[0] & 0x0F];
    const int number = message[1];
    if (number == kNrpnMsb || number == kNrpnLsb || number == kRpnMsb || number == kRpnLsb) {
        const int kind = number == kNrpnMsb || number == kNrpnLsb ? KindNrpn : KindRpn;
        if (selected.kind != kind) {
            selected = Selection{kind, -1, -1};
        }
        (number == kNrpnMsb || number == kRpnMsb ? selected.msb : selected.lsb) = message[2];
        return heard;
    }
    if (!IsParameterData(number)) {
        return heard;
    }
    heard.parameterNotSelected = selected.kind < 0;
    // A half of the number not heard yet (only its MSB or LSB selected) matches either value.
    std::erase_if(heard.controls, [&](ControllerId id) {
        const AssignRecord& r = map.records[static_cast<std::size_t>(id)];
        const AssignKind* kind = KindOf(r);
        if (kind == nullptr || kind->type != MsgChannel ||
            (kind->channelKind != KindRpn && kind->channelKind != KindNrpn)) {
            return false; // a plain control change on that number, a free message, ...
        }
        return kind->channelKind != selected.kind || (selected.msb >= 0 && selected.msb != r[7]) ||
               (selected.lsb >= 0 && selected.lsb != r[6]);
    });
    return heard;
}

void CHeardMatcher::Reset() {
    selected_.fill(Selection{});
}

bool LearnAssignment(std::span<const std::uint8_t> message, AssignRecord& record) {
    if (!IsWholeShortMessage(message) || message[0] >= 0xF0) {
        return false;
    }
    const int status = message[0] & 0xF0;
    const int channel = message[0] & 0x0F;
    AssignEntry entry;
    entry.record = record;
    const int port = entry.GetPort();
    const int mode = entry.GetButtonMode();
    const int click = entry.GetCenterClick();
    if (status == 0xE0) {
        // Pitch bend: a Free Message "En 00 DT" whose data byte is the bend's MSB.
        entry.SetMessageType(MsgFreeMessage);
        std::string text = "E0 00 DT";
        text[1] = "0123456789ABCDEF"[channel];
        if (ParseFreeText(entry, text, Data7Bit) != ParseAccepted) {
            return false;
        }
    } else {
        const int kind = status == 0x80 || status == 0x90 ? KindNote
                         : status == 0xA0                 ? KindPolyPressure
                         : status == 0xB0                 ? KindControlChange
                         : status == 0xC0                 ? KindProgramChange
                                                          : KindChannelPressure;
        entry.SetChannelKind(kind);
        entry.SetChannel(channel);
        if (kind != KindChannelPressure) {
            entry.record[KindOfChannelKind(kind)->values[0].byte] = message[1];
        }
    }
    if (port >= 0) {
        entry.SetPort(port);
    }
    if (mode >= 0 && entry.HasButtonMode()) {
        // A kind without Increase (Note) falls back to Unlatch.
        entry.SetButtonMode(mode < KindOf(entry.record)->buttonModes ? mode : 0);
    }
    if (click >= 0) {
        entry.SetCenterClick(click);
    }
    record = entry.record;
    return true;
}

std::size_t MessagesOfControl(const AssignRecord& r, int value, int channel,
                              std::vector<std::vector<std::uint8_t>>& out) {
    const AssignKind* kind = KindOf(r);
    if (kind == nullptr) {
        return 0;
    }
    const std::size_t before = out.size();
    const auto ch = static_cast<std::uint8_t>(r[rec::Channel] & 0x0F);
    auto add = [&out](std::initializer_list<int> bytes) {
        std::vector<std::uint8_t>& m = out.emplace_back();
        for (const int b : bytes) {
            m.push_back(static_cast<std::uint8_t>(b));
        }
    };
    value = std::clamp(value, 0, 127);
    switch (kind->type) {
    case MsgChannel:
        switch (kind->channelKind) {
        case KindNote:
            if (value > 0) {
                add({0x90 | ch, r[5], r[6]});
            } else {
                add({0x80 | ch, r[5], 0});
            }
            break;
        case KindChannelPressure:
            add({0xD0 | ch, Scale(value, r[5], r[6])});
            break;
        case KindPolyPressure:
            add({0xA0 | ch, r[5], Scale(value, r[6], r[7])});
            break;
        case KindControlChange:
            add({0xB0 | ch, r[5], Scale(value, r[6], r[7])});
            break;
        case KindEncoderSimulate:
            add({0xB0 | ch, r[5], value >= 64 ? kEncoderUp : kEncoderDown});
            break;
        case KindProgramChange:
            add({0xC0 | ch, r[5]});
            break;
        case KindProgramChangeRange:
            add({0xC0 | ch, Scale(value, r[5], r[6])});
            break;
        case KindBankProgramChange:
            add({0xB0 | ch, kBankMsb, r[6]});
            add({0xB0 | ch, kBankLsb, r[5]});
            add({0xC0 | ch, r[7]});
            break;
        case KindProgramChangeDec:
        case KindProgramChangeInc:
            add({0xC0 | ch, value});
            break;
        case KindRpn:
        case KindNrpn: {
            const bool rpn = kind->channelKind == KindRpn;
            const int data = Scale(value, r[8] * 128, r[9] * 128 + 127);
            add({0xB0 | ch, rpn ? kRpnMsb : kNrpnMsb, r[7]});
            add({0xB0 | ch, rpn ? kRpnLsb : kNrpnLsb, r[6]});
            add({0xB0 | ch, kDataEntryMsb, (data >> 7) & 0x7F});
            add({0xB0 | ch, kDataEntryLsb, data & 0x7F});
            break;
        }
        default:
            break;
        }
        break;
    case MsgSystemRealtime:
        add({RealtimeStatusOf(r)});
        break;
    case MsgSystemExclusive: {
        const Template t = TemplateOf(r, kind->type);
        if (t.length != 0) {
            out.push_back(FillTemplate(t, r, value, channel));
        }
        break;
    }
    case MsgFreeMessage: {
        const Template t = TemplateOf(r, kind->type);
        const std::vector<std::uint8_t> bytes = FillTemplate(t, r, value, channel);
        // One message per status byte, as the device puts them on the line.
        std::size_t p = 0;
        while (p < bytes.size()) {
            std::size_t end = p + 1;
            while (end < bytes.size() && bytes[end] < 0x80 && bytes[p] != 0xF0) {
                ++end;
            }
            if (bytes[p] == 0xF0) {
                while (end < bytes.size() && bytes[end - 1] != 0xF7) {
                    ++end;
                }
            }
            out.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(p),
                             bytes.begin() + static_cast<std::ptrdiff_t>(end));
            p = end;
        }
        break;
    }
    default:
        break;
    }
    return out.size() - before;
}

} // namespace kel

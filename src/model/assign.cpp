// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/assign.h"

#include <algorithm>

#include "model/kinds.h"

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

template <std::size_t N>
std::string_view NameAt(const std::array<std::string_view, N>& names, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < N
               ? names[static_cast<std::size_t>(index)]
               : std::string_view{};
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

int MessageTypeOf(const AssignRecord& r) {
    const AssignKind* kind = KindOf(r);
    return kind != nullptr ? kind->type : MsgInvalid;
}

int ChannelKindOf(const AssignRecord& r) {
    const AssignKind* kind = KindOf(r);
    return kind != nullptr ? kind->channelKind : KindNone;
}

namespace {

// `text` as UTF-8: when it is not, each stray byte becomes U+FFFD.
std::string AsUtf8(std::string_view text) {
    return IsUtf8(text) ? std::string(text) : DecodeFileText(text, TextEncoding::Utf8);
}

const std::string& TextOf(const ControlMap& map, ControllerId id) {
    return IsValidController(id) ? map.comments[static_cast<std::size_t>(id)] : map.title;
}

const std::string& BytesOf(const ControlMap& map, ControllerId id) {
    return IsValidController(id) ? map.commentBytes[static_cast<std::size_t>(id)] : map.titleBytes;
}

// The write encoding of `map` with the text of `id` replaced by `replaced`.
TextEncoding WriteEncodingWith(const ControlMap& map, ControllerId id, std::string_view replaced) {
    if (map.textEncoding == TextEncoding::Utf8) {
        return TextEncoding::Utf8;
    }
    const auto fits = [&](std::string_view text) {
        return EncodeFileText(text, map.textEncoding).has_value();
    };
    if (!fits(replaced) || (id != kNoController && !fits(map.title))) {
        return TextEncoding::Utf8;
    }
    for (ControllerId other = 0; other < kControllerCount; ++other) {
        if (other != id && !fits(map.comments[static_cast<std::size_t>(other)])) {
            return TextEncoding::Utf8;
        }
    }
    return map.textEncoding;
}

bool Fits(std::string_view text, TextEncoding encoding) {
    return FitFileText(text, encoding).size() == text.size();
}

// `text` in `encoding`, or in UTF-8 when it has no place there.
std::string Encoded(std::string_view text, TextEncoding encoding) {
    std::optional<std::string> encoded = EncodeFileText(text, encoding);
    if (!encoded) {
        encoded = EncodeFileText(AsUtf8(text), TextEncoding::Utf8);
    }
    return std::move(*encoded);
}

// The room of one text of `map` written in `encoding`: none needed when its file bytes are
// written back, else its size there, which must be within the limit.
std::optional<TextWithoutRoom> RoomOf(const ControlMap& map, ControllerId id,
                                      TextEncoding encoding) {
    if (encoding == map.textEncoding && TextAsRead(map, id)) {
        return std::nullopt;
    }
    const std::size_t size = Encoded(TextOf(map, id), encoding).size();
    if (size <= kTextLimit) {
        return std::nullopt;
    }
    return TextWithoutRoom{id, encoding, size};
}

// The texts of `map` other than `skip` the save could not write whole.
std::optional<TextWithoutRoom> FindOtherWithoutRoom(const ControlMap& map, ControllerId skip,
                                                    bool skipTitle) {
    const TextEncoding encoding = WriteEncoding(map);
    if (!skipTitle) {
        if (auto title = RoomOf(map, kNoController, encoding)) {
            return title;
        }
    }
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        if (id != skip) {
            if (auto comment = RoomOf(map, id, encoding)) {
                return comment;
            }
        }
    }
    return std::nullopt;
}

} // namespace

bool TextAsRead(const ControlMap& map, ControllerId id) {
    const std::string& bytes = BytesOf(map, id);
    if (bytes.empty()) {
        return false;
    }
    const std::optional<std::string> text = ExactFileText(bytes, map.textEncoding);
    return text && *text == TextOf(map, id);
}

TextEncoding WriteEncoding(const ControlMap& map) {
    return WriteEncodingWith(map, kNoController, map.title);
}

std::optional<TextWithoutRoom> FindTextWithoutRoom(const ControlMap& map) {
    return FindOtherWithoutRoom(map, kNoController, false);
}

Phrase TextWithoutRoomPhrase(const TextWithoutRoom& text) {
    Phrase which = IsValidController(text.id)
                       ? Phrase(TextId::TextComment, {std::string(ControllerName(text.id))})
                       : Phrase(TextId::TextTitle);
    return Phrase(TextId::TextWouldBeCut, {std::move(which), static_cast<std::int64_t>(text.size),
                                           std::string(TextEncodingName(text.encoding))});
}

TextRoom RoomForText(const ControlMap& map, ControllerId id, std::string_view utf8) {
    TextRoom room;
    const std::string text = AsUtf8(utf8);
    room.cut = !Fits(text, WriteEncodingWith(map, id, text));
    if (text == TextOf(map, id)) {
        // Unchanged: the map as it is (a file's text keeps its bytes and needs no room).
        room.other = FindOtherWithoutRoom(map, id, id == kNoController);
        return room;
    }
    ControlMap changed = map;
    if (IsValidController(id)) {
        changed.comments[static_cast<std::size_t>(id)] = text;
        changed.commentBytes[static_cast<std::size_t>(id)].clear();
    } else {
        changed.title = text;
        changed.titleBytes.clear();
    }
    room.other = FindOtherWithoutRoom(changed, id, id == kNoController);
    return room;
}

bool TextFits(const ControlMap& map, ControllerId id, std::string_view utf8) {
    return RoomForText(map, id, utf8).Fits();
}

std::string FitText(const ControlMap& map, ControllerId id, std::string_view utf8) {
    const std::string text = AsUtf8(utf8);
    if (text == TextOf(map, id)) {
        return text; // unchanged: a file's text longer than the limit stays whole
    }
    return std::string(FitFileText(text, WriteEncodingWith(map, id, text)));
}

std::string FileBytesOf(const ControlMap& map, ControllerId id, TextEncoding encoding) {
    const bool asRead = TextAsRead(map, id);
    if (encoding == map.textEncoding && asRead) {
        return BytesOf(map, id);
    }
    const std::string encoded = Encoded(TextOf(map, id), encoding);
    if (asRead) {
        // A file's text in another encoding: whole, even beyond the limit. Every change that
        // moves the map to another encoding is refused while a text would take more there;
        // one that came past that check still never costs the user a text.
        return encoded;
    }
    // A changed text never takes more than the file's limit, whatever the map held.
    const std::string_view fitted =
        encoding == TextEncoding::Utf8 ? FitFileText(encoded, encoding) : encoded;
    return std::string(fitted.substr(0, kTextLimit));
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
        record[rec::RealtimeStatus] = 0xF6;
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
    const AssignKind* info = KindOfChannelKind(kind);
    if (info == nullptr) {
        return 0;
    }
    record[rec::AssignCode] = info->code;
    ClearBody(record);
    for (const ValueField& value : info->Values()) {
        record[value.byte] = value.initial;
    }
    for (const FixedByte& fixed : info->fixed) {
        if (fixed.byte != 0) {
            record[fixed.byte] = fixed.value;
        }
    }
    changed = true;
    return 1;
}

bool AssignEntry::HasChannel() const {
    const AssignKind* kind = KindOf(record);
    return kind != nullptr && kind->channel;
}

bool AssignEntry::HasPort() const {
    const AssignKind* kind = KindOf(record);
    return kind != nullptr && kind->port;
}

bool AssignEntry::HasButtonMode() const {
    const AssignKind* kind = KindOf(record);
    return kind != nullptr && kind->HasButtonMode();
}

bool AssignEntry::HasCenterClick() const {
    const AssignKind* kind = KindOf(record);
    return kind != nullptr && kind->centerClick;
}

bool AssignEntry::HasAftMode() const {
    const AssignKind* kind = KindOf(record);
    return kind != nullptr && kind->aftMode;
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

// Value `index` of the record's kind, or null when the kind has none.
const ValueField* ValueOf(const AssignRecord& r, int index) {
    const AssignKind* kind = KindOf(r);
    return kind != nullptr ? kind->Value(index) : nullptr;
}

// True when the record's kind keeps the data range of a message text.
bool HasDataRange(const AssignRecord& r) {
    const AssignKind* kind = KindOf(r);
    return kind != nullptr && kind->range == RangeForm::DataField;
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
    return HasAftMode() ? record[rec::AftMode] : -1;
}

int AssignEntry::SetAftMode(int mode) {
    if (!HasAftMode() || mode < 0 || mode > 2) {
        return 0;
    }
    return StoreByte(*this, rec::AftMode, mode);
}

int AssignEntry::GetValueAt(int index) const {
    const ValueField* field = ValueOf(record, index);
    return field != nullptr ? field->Shown(record) : 0;
}

int AssignEntry::SetValueAt(int index, int v) {
    const ValueField* field = ValueOf(record, index);
    if (field == nullptr || v < field->Low() || v > field->High()) {
        return 0;
    }
    return StoreByte(*this, field->byte, v - field->Low());
}

int AssignEntry::GetValue1() const {
    return GetValueAt(0);
}
int AssignEntry::SetValue1(int v) {
    return SetValueAt(0, v);
}
int AssignEntry::GetValue2() const {
    return GetValueAt(1);
}
int AssignEntry::SetValue2(int v) {
    return SetValueAt(1, v);
}
int AssignEntry::GetValue3() const {
    return GetValueAt(2);
}
int AssignEntry::SetValue3(int v) {
    return SetValueAt(2, v);
}
int AssignEntry::GetValue4() const {
    return GetValueAt(3);
}
int AssignEntry::SetValue4(int v) {
    return SetValueAt(3, v);
}

int AssignEntry::GetMinValue() const {
    return HasDataRange(record) ? record[rec::MinValue] : 0;
}

int AssignEntry::GetMaxValue() const {
    return HasDataRange(record) ? record[rec::MaxValue] : 0;
}

// The data range is only stored while the message has a data field; the page still counts
// the edit as a change so the commit compares the bytes.
int AssignEntry::SetMinValue(int v) {
    if (!HasDataRange(record) || v < 0 || v > 255) {
        return 0;
    }
    if (record[rec::DataType] != DataNone) {
        record[rec::MinValue] = static_cast<std::uint8_t>(v);
    }
    changed = true;
    return 1;
}

int AssignEntry::SetMaxValue(int v) {
    if (!HasDataRange(record) || v < 0 || v > 255) {
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
    const auto it =
        std::find(kRealtimeStatus.begin() + 1, kRealtimeStatus.end(), record[rec::RealtimeStatus]);
    return it == kRealtimeStatus.end() ? 0 : static_cast<int>(it - kRealtimeStatus.begin());
}

int AssignEntry::SetRealtimeIndex(int index) {
    if (GetMessageType() != MsgSystemRealtime || index < 0 ||
        index >= static_cast<int>(kRealtimeStatus.size())) {
        return 0;
    }
    return StoreByte(*this, rec::RealtimeStatus, kRealtimeStatus[static_cast<std::size_t>(index)]);
}

int AssignEntry::SetComment(std::string_view text) {
    std::string cut(FitFileText(AsUtf8(text), TextEncoding::Utf8, kEditTextLimit));
    if (cut == comment) {
        return 0;
    }
    comment = std::move(cut);
    changed = true;
    return 1;
}

} // namespace kel

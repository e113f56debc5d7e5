// SPDX-License-Identifier: GPL-3.0-or-later
// The assign record: the 39 bytes the device stores for one control, its codes and the lists
// derived from them, and the editor's entry (record + comment) and control map.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/controllers.h"
#include "model/filetext.h"
#include "model/phrase.h"

namespace kel {

inline constexpr std::size_t kRecordSize = 39;

// Byte positions inside an assign record.
namespace rec {
inline constexpr std::size_t AssignCode = 0;
inline constexpr std::size_t EncoderFlag = 1;
inline constexpr std::size_t ModeBits = 2;
inline constexpr std::size_t Port = 3;
inline constexpr std::size_t Channel = 4;
inline constexpr std::size_t Values = 5;
inline constexpr std::size_t StepDirection = 5;  // Program Change - Dec / - Inc: 1 for Dec
inline constexpr std::size_t AftMode = 7;        // Note
inline constexpr std::size_t RealtimeStatus = 5; // System Realtime
// System Ex. and Free Message fields.
inline constexpr std::size_t DataType = 5;
inline constexpr std::size_t DataPosition = 6;
inline constexpr std::size_t MinValue = 7;
inline constexpr std::size_t MaxValue = 8;
inline constexpr std::size_t ChannelMarker = 9;
inline constexpr std::size_t ChannelMarkerPosition = 10;
inline constexpr std::size_t ChannelMarkerDigit = 11;
inline constexpr std::size_t ChecksumKind = 12;     // System Ex.
inline constexpr std::size_t ChecksumStart = 13;    // System Ex.
inline constexpr std::size_t ChecksumPosition = 14; // System Ex.
inline constexpr std::size_t SysExMessage = 15;     // System Ex.: bytes 15..38
inline constexpr std::size_t MessageLength = 12;    // Free Message
inline constexpr std::size_t FreeMessage = 13;      // Free Message: bytes 13..36
inline constexpr std::size_t MaxMessageBytes = 24;
} // namespace rec

using AssignRecord = std::array<std::uint8_t, kRecordSize>;

// Byte 0 of a record. Twin codes (one above a base code) mean the same as their base.
enum AssignCode : std::uint8_t {
    CodeNoAssign = 0,
    CodeNote = 1,
    CodeNoteTwin = 2,
    CodeChannelPressure = 3,
    CodeChannelPressureTwin = 4,
    CodePolyPressure = 5,
    CodePolyPressureTwin = 6,
    CodeControlChange = 7,
    CodeControlChangeTwin = 8,
    CodeEncoderSimulate = 9,
    CodeProgramChangeRange = 10,
    CodeProgramChange = 12,
    CodeBankProgramChange = 13,
    CodeProgramChangeStep = 14, // Dec when byte 5 = 1, otherwise Inc
    CodeRpn = 15,
    CodeRpnTwin = 16,
    CodeNrpn = 17,
    CodeNrpnTwin = 18,
    CodeSystemRealtime = 19,
    CodeSystemExclusive = 20,
    CodeSystemExclusiveTwin = 21,
    CodeFreeMessage = 22,
    CodeFreeMessageTwin = 23,
    CodeTempo = 24,
};

// The order of the "Assign Message" list.
enum MessageType : int {
    MsgInvalid = -1,
    MsgNoAssign = 0,
    MsgChannel = 1,
    MsgSystemRealtime = 2,
    MsgSystemExclusive = 3,
    MsgFreeMessage = 4,
    MsgTempo = 5,
};
inline constexpr int kMessageTypeCount = 6;

// The order of the channel "Type" list.
enum ChannelMessageKind : int {
    KindNone = -1,
    KindNote = 0,
    KindChannelPressure = 1,
    KindPolyPressure = 2,
    KindControlChange = 3,
    KindProgramChange = 4,
    KindProgramChangeRange = 5,
    KindBankProgramChange = 6,
    KindProgramChangeDec = 7,
    KindProgramChangeInc = 8,
    KindRpn = 9,
    KindNrpn = 10,
    KindEncoderSimulate = 11,
};
inline constexpr int kChannelKindCount = 12;

// `dataType` of System Ex. and Free Message records (stored value; list index = value - 1).
enum DataType : std::uint8_t {
    DataNone = 0,
    Data7Bit = 1,     // "DT0: 7bit", "dd"
    Data4Bit4Bit = 2, // "DT1: 4bit/4bit", "d1 d2"
    DataMsbLsb = 3,   // "DT2: 7bit/7bit (MSB/LSB)", "mm ll"
    DataLsbMsb = 4,   // "DT3: 7bit/7bit (LSB/MSB)", "ll mm"
    Data4x4Bit = 5,   // "DT4: 4bit/4bit/4bit/4bit", "d1 d2 d3 d4"
};
inline constexpr int kDataTypeCount = 6;

// List texts, in list order.
std::string_view MessageTypeName(int type);    // "NO ASSIGN", "Channel Message", ...
std::string_view ChannelKindName(int kind);    // "Note", "Channel Pressure", ...
std::string_view DataTypeName(int stored);     // "DT0: 7bit", ...; "" for 0
std::string_view RealtimeEntryName(int index); // "F6 (Tune Request)", ...
std::string_view ButtonModeName(int mode);     // "Unlatch", "Latch", "Increase"
std::string_view PortName(int port);           // "Port 1", "Port 2", "Port 1 + 2"
std::string_view AftModeName(int mode);        // "OFF", "Channel Pressure", ...
int DataTypeByteCount(int stored);             // 0, 1, 2, 2, 2, 4

// Decoding of byte 0 (and byte 5 for code 14).
int MessageTypeOf(const AssignRecord& r); // -1 for an invalid code
int ChannelKindOf(const AssignRecord& r); // -1 when not a channel message
std::uint8_t BaseCode(std::uint8_t code); // a twin code folded onto its base

// The realtime status bytes of the "System Realtime/F6" list, by index 0..5.
inline constexpr std::array<std::uint8_t, 6> kRealtimeStatus = {0xF6, 0xF8, 0xFA, 0xFB, 0xFC, 0xFF};

// One record with what the editor keeps beside it.
struct AssignEntry {
    AssignRecord record{};
    std::string comment; // at most 128 characters
    ControllerId controllerId = kNoController;
    bool changed = false;

    void Clear(); // NO ASSIGN, empty comment, no controller, not changed

    // Accessors. Getters return -1 when the field does not exist for the record's kind (the
    // value getters return 0 instead). Setters return 1 and raise `changed` when they changed
    // the record, 0 when the field does not exist, the value is invalid or nothing changed.
    int GetMessageType() const;
    int SetMessageType(int type);
    int GetChannelKind() const;
    int SetChannelKind(int kind);
    int GetChannel() const;
    int SetChannel(int channel);
    int GetPort() const;
    int SetPort(int port);
    int GetButtonMode() const;
    int SetButtonMode(int mode);
    int GetCenterClick() const;
    int SetCenterClick(int on);
    int GetAftMode() const;
    int SetAftMode(int mode);
    int GetValue1() const;
    int SetValue1(int v);
    int GetValue2() const;
    int SetValue2(int v);
    int GetValue3() const;
    int SetValue3(int v);
    int GetValue4() const;
    int SetValue4(int v);
    // GetValue1..4 and SetValue1..4 by index 0..3 (other indexes: no such field).
    int GetValueAt(int index) const;
    int SetValueAt(int index, int v);
    int GetMinValue() const;
    int SetMinValue(int v);
    int GetMaxValue() const;
    int SetMaxValue(int v);
    int GetDataTypeIndex() const;
    int GetRealtimeIndex() const;
    int SetRealtimeIndex(int index);
    const std::string& GetComment() const { return comment; }
    int SetComment(std::string_view text);

    // Which fields the record's kind has (independent of the control).
    bool HasChannel() const;
    bool HasPort() const;
    bool HasButtonMode() const;
    bool HasCenterClick() const;
    bool HasAftMode() const;
};

// The content of one device memory plus the editor's title and comments.
struct ControlMap {
    std::array<AssignRecord, kControllerCount> records{};
    std::string title;
    std::array<std::string, kControllerCount> comments;
    bool modified = false;
    // The encoding the file's texts were read in (UTF-8 for a new map), and the bytes of the
    // title and of each comment as the file held them, whatever their length: a text not
    // changed since is written back as it was, byte for byte.
    TextEncoding textEncoding = TextEncoding::Utf8;
    std::string titleBytes;
    std::array<std::string, kControllerCount> commentBytes;
};

// The most bytes a comment of the edit buffer takes in UTF-8: what 128 bytes of a file decode
// to at most (a half-width katakana of CP932 takes one byte there and three in UTF-8). Whether
// it fits the file is decided when it reaches the map (FitText).
inline constexpr std::size_t kEditTextLimit = 3 * kTextLimit;

// Whether the text of `id` (kNoController: the title) is still the one the file held: its
// bytes are a text of the map's encoding, and that text.
bool TextAsRead(const ControlMap& map, ControllerId id);

// The encoding the map's texts are written in: the one they were read in while every text has
// a place in it, else UTF-8.
TextEncoding WriteEncoding(const ControlMap& map);

// A text the map file could not hold whole. A text as the file held it is written back byte
// for byte while the map keeps the file's encoding, whatever its length; any other text (a
// changed one, or one the map has to write in another encoding) has kTextLimit bytes.
struct TextWithoutRoom {
    ControllerId id = kNoController;            // kNoController: the title
    TextEncoding encoding = TextEncoding::Utf8; // the encoding the map would be written in
    std::size_t size = 0;                       // the bytes the text would take there
};
// The first text of `map` (the title, then the comments) the save could not write whole.
std::optional<TextWithoutRoom> FindTextWithoutRoom(const ControlMap& map);
// Why: "The title would take 192 bytes in UTF-8, … It is not cut, so nothing is changed."
Phrase TextWithoutRoomPhrase(const TextWithoutRoom& text);

// What becomes of the text of `id` (kNoController: the title) when `utf8` replaces it: `cut`
// when it takes more than kTextLimit bytes in the encoding the map would be written in (a text
// as the file held it is kept whole all the same; a changed one is cut there by FitText), and
// `other` when another text would lose its place in the file (the change is refused then).
struct TextRoom {
    bool cut = false;
    std::optional<TextWithoutRoom> other;
    bool Fits() const { return !cut && !other; }
};
TextRoom RoomForText(const ControlMap& map, ControllerId id, std::string_view utf8);
// Whether `utf8` as the text of `id` has room and leaves every other text its room.
bool TextFits(const ControlMap& map, ControllerId id, std::string_view utf8);
// `utf8` as the text of `id` stores it: the stored text itself when it is the same (a text as
// the file held it stays whole), else cut between two characters where it would take more
// than kTextLimit bytes in the encoding it is written in. A text that is not UTF-8 has its
// stray bytes replaced by U+FFFD.
std::string FitText(const ControlMap& map, ControllerId id, std::string_view utf8);
// The bytes the file gets for the text of `id` (kNoController: the title) in `encoding`: the
// bytes it was read from when it is unchanged and read in that encoding, else the text
// encoded, a changed text within kTextLimit bytes. A text as the file held it is never cut.
std::string FileBytesOf(const ControlMap& map, ControllerId id, TextEncoding encoding);

} // namespace kel

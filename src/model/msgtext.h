// SPDX-License-Identifier: GPL-3.0-or-later
// The message text of System Ex. and Free Message assignments: one line of hexadecimal bytes
// plus the tokens that mark the data field ("DT"), the checksum ("SS", "S1"/"S2"), the channel
// marker ("1n", "3x", ...) and, for System Ex., the framing "F0" ... "F7".
//
// The formatter turns the message part of a record into text, in the assign page's edit style
// or in the assignment list's style; the parsers turn a text back into the record. For every
// record a parse produced, formatting it in edit style and parsing that text again with the
// same data type gives the same record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/assign.h"
#include "model/strings.h"

namespace kel {

// How the formatter writes the placeholders.
enum TextStyle : int {
    EditStyle = 0, // "DT", "SS", "S1"/"S2": what the user types on the assign page
    ListStyle = 1, // "dd", "d1 d2", ..., "CSS", "CS1"/"CS2": the HTML assignment list
};

// Which message the assign page edits.
enum PageMode : int {
    SysExMode = 0, // "System Ex."
    FreeMode = 1,  // "Free Message"
};

// Result of a parse: ParseAccepted, ParseTextWrong, ParseTooLong, or the index (counted in the
// trimmed text, see ErrorSelection) of the character that is wrong. The parsers never report
// index 0: the first character is judged as part of the text as a whole.
using ParseResult = int;
inline constexpr ParseResult ParseAccepted = 0;
inline constexpr ParseResult ParseTextWrong = -1;
inline constexpr ParseResult ParseTooLong = -24;

// Why a message text was refused.
enum class MessageRule : int {
    None = 0,
    Empty,               // no message typed
    StartsWithoutF0,     // a System Ex. message starts with F0
    StartsWithoutStatus, // a message starts with a status byte (80..FF)
    NotHex,              // a character that is neither a hexadecimal digit nor a token
    HalfByte,            // a byte with one of its two digits
    TextAfterEnd,        // something after the F7 that ends a System Ex. message
    SecondDataField,     // a second "DT"
    NoDataType,          // "DT" while the data type is none
    SecondChecksumStart, // a second "SS"
    ChecksumBeforeStart, // "S1"/"S2" without an "SS" before it
    SecondChecksum,      // a second "S1"/"S2"
    ChecksumWithoutEnd,  // "SS" without "S1"/"S2" after it
    SecondChannelMarker, // a second channel marker
    MarkerDigit,         // a channel marker's digit above 7
    TooLong,             // more than kMaxMessageBytes bytes
    DataInsteadOfStatus, // a data byte (00..7F) where a message's status byte is due
    StatusInsteadOfData, // a status byte where a data byte of the message is due
    MissingData,         // the text ends before the message's data bytes
    UndefinedStatus,     // F4, F5, F7 (outside System Ex.), F9, FD, FE
    SysExWithoutEnd,     // an F0 message without its F7
    DataFieldOverrun,    // the "DT" bytes run past the data bytes of their message
};

// Where and why a text was refused: `byte` is the number (from 1) of the message byte the
// fault is found at, 0 for a fault of the text as a whole; `status` is the status byte of the
// message that byte belongs to (0 when there is none) and `width` the byte count of the data
// field (DataFieldOverrun).
struct MessageTextFault {
    MessageRule rule = MessageRule::None;
    int byte = 0;
    int status = 0;
    int width = 0;
};

// At most this many message bytes (a System Ex. message counts its F0 and F7).
inline constexpr int kMaxMessageBytes = static_cast<int>(rec::MaxMessageBytes);

// The message part of a System Ex. record (bytes 5..38) as text. A message whose first byte is
// F7 gives "F7"; every other text ends in "F7".
std::string FormatSysExText(const AssignRecord& record, TextStyle style);

// The message part of a Free Message record (bytes 5..36) as text: every item followed by a
// blank; an empty text for a message length of 0.
std::string FormatFreeText(const AssignRecord& record, TextStyle style);

// FormatSysExText or FormatFreeText by page mode.
std::string FormatMessageText(const AssignRecord& record, PageMode mode, TextStyle style);

// Writes the System Ex. message part of the entry's record from `text`. `dataType` (1..5,
// stored value) is the type a "DT" token gets. The defaults (no data field, minimum 0,
// maximum 127, no channel marker, no checksum, F0 followed by F7) are written first; the message
// bytes are stored and the entry's `changed` flag raised only when the text is accepted. A
// refusal is described in `fault` when one is given.
ParseResult ParseSysExText(AssignEntry& entry, std::string_view text, int dataType,
                           MessageTextFault* fault = nullptr);

// The same for a Free Message: on success the message bytes and `messageLength` are stored;
// the message bytes beyond the new length keep what they held.
ParseResult ParseFreeText(AssignEntry& entry, std::string_view text, int dataType,
                          MessageTextFault* fault = nullptr);

// ParseSysExText or ParseFreeText by page mode.
ParseResult ParseMessageText(AssignEntry& entry, PageMode mode, std::string_view text, int dataType,
                             MessageTextFault* fault = nullptr);

// True when `bytes` is a sequence of one or more complete MIDI messages with no running status,
// ending exactly at the end.
bool CheckMessageSequence(std::span<const std::uint8_t> bytes);
// The first fault of `bytes` as a message sequence (rule None when CheckMessageSequence
// accepts them).
MessageTextFault FindSequenceFault(std::span<const std::uint8_t> bytes);
inline bool CheckMessageSequence(const std::uint8_t* bytes, std::size_t length) {
    return CheckMessageSequence(std::span<const std::uint8_t>(bytes, length));
}

// What the assign page shows when a text was refused: the string and the number for its "%d"
// (32818 "The message exceeds %d bytes." with 24, otherwise 32816).
struct ParseMessage {
    StringId id;
    int detail;
};
ParseMessage MessageForResult(ParseResult result);

// The part of the field text to select after a refusal: for an index, the one character it
// names, counted in the field's own text (leading white space included); for the whole-text
// results, all of it. `length` is 0 when the index lies past the end of the field.
struct TextSelection {
    std::size_t start;
    std::size_t length;
};
TextSelection ErrorSelection(std::string_view fieldText, ParseResult result);

// The top of the Min/Max range for a "Data Type" list entry (stored value - 1): 15 for
// DT1, 255 for DT4, 127 for the others.
int DataTypeValueRangeTop(int entry);

} // namespace kel

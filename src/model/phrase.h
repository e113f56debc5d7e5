// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the core composes for the user (map check findings, comparison lines, .syx file
// messages, MIDI messages in words, file error causes) as a text id with typed arguments.
//
// Every id has one English format with "%1" … "%9" placeholders and a translation context, both
// in one table (phrase.cpp). An argument is a number, a text shown as it is (a control name, a
// title, a message in hex), a word of another table (a port or mode name, translated in its own
// context), or a nested phrase (the "CC 74" or " on channel 1, Port 1" a finding is made of).
// EnglishText fills a phrase in English for kelmap, the files and the tests; the editor looks
// each id's format up in the user's language and fills the same arguments, so no text is ever
// parsed back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kel {

enum class TextId : int {
    // The map check (context "MapCheck").
    SameMessageTwo,       // "%1 and %2 both send %3%4."
    SameMessageMany,      // "%1 all send %2%3."
    RangeInverted,        // "%1: the minimum %2 is above the maximum %3."
    InvalidCode,          // "%1: assign code %2 is not a known message kind."
    PortOutOfRange,       // "%1: port value %2 is not Port 1, Port 2 or Port 1 + 2."
    ChannelOutOfRange,    // "%1: channel %2 is outside 1-16."
    ButtonModeOutOfRange, // "%1: button mode %2 is not Unlatch, Latch or Increase."
    AftModeOutOfRange,    // "%1: AFT mode %2 is not OFF, Channel Pressure or ..."
    ValueOutOfRange,      // "%1: the %2 is %3, above %4."
    EditOutsideRange,     // "%1: the %2 would be %3, outside %4-%5."
    RealtimeOutOfRange,   // "%1: %2 is not a system realtime message ..."
    DataTypeOutOfRange,   // "%1: data type %2 is not one of DT0 to DT4."
    LengthOutOfRange,     // "%1: the Free Message length %2 is above 24 bytes."
    ChecksumOutOfRange,   // "%1: checksum kind %2 is not 1 or 2."
    DataRangeAboveTop,    // "%1: the data range %2-%3 goes above %4, the top of %5."
    MessageNotValid,      // "%1: the stored %2 is not a valid message: %3"
    MessageTooLong,       // "%1: the stored %2 is longer than 24 bytes: %3"
    MessagePositions,     // "%1: the data field, checksum or channel marker of the %2 ..."
    ListComma,            // "%1, %2"
    ListAnd,              // "%1 and %2"
    WhereChannelPort,     // " on channel %1, %2"
    WhereChannel,         // " on channel %1"
    WherePort,            // " on %1"
    SysExMessage,         // "System Ex. message"
    FreeMessage,          // "Free Message"
    MsgNote,              // "note %1"
    MsgChannelPressure,   // "channel pressure"
    MsgPolyPressure,      // "poly pressure on note %1"
    MsgControlChange,     // "CC %1"
    MsgProgramChange,     // "program change %1"
    MsgProgramRange,      // "program changes (Min-Max)"
    MsgBankProgram,       // "bank %1/%2 with program change %3"
    MsgProgramDec,        // "PC Dec"
    MsgProgramInc,        // "PC Inc"
    MsgRpn,               // "RPN %1/%2"
    MsgNrpn,              // "NRPN %1/%2"
    MsgRealtime,          // "%1"
    MsgSysEx,             // "the System Ex. message %1"
    MsgFree,              // "the Free Message %1"
    MsgTempo,             // "TEMPO"
    FieldNote,            // "note number"
    FieldVelocity,        // "velocity"
    FieldController,      // "controller number"
    FieldMinimum,         // "minimum"
    FieldMaximum,         // "maximum"
    FieldProgram,         // "program"
    FieldBankLsb,         // "bank LSB"
    FieldBankMsb,         // "bank MSB"
    FieldParameterLsb,    // "parameter LSB"
    FieldParameterMsb,    // "parameter MSB"
    SeverityError,        // "error"
    SeverityWarning,      // "warning"

    // The map comparison (context "MapCompare").
    LabelChange,        // "%1: %2 → %3"
    SameLabel,          // "%1: %2"
    WithDetails,        // "%1 (%2)"
    DetailSeparator,    // "%1, %2"
    Change,             // "%1 %2 → %3"
    TitleChange,        // "Title: \"%1\" → \"%2\""
    Quoted,             // "\"%1\""
    InvalidLabel,       // "invalid code %1"
    MemoryMatches,      // "The KEL's memory matches the control map."
    MapsEqual,          // "The control maps are equal."
    CompareCode,        // "assign code"
    ComparePort,        // "port"
    CompareChannel,     // "channel"
    CompareButtonMode,  // "button mode"
    CompareCenterClick, // "center click"
    CompareAftMode,     // "AFT mode"
    CompareVelocity,    // "velocity"
    CompareMinimum,     // "minimum"
    CompareMaximum,     // "maximum"
    CompareMessage,     // "message"
    CompareDataType,    // "data type"
    CompareDataRange,   // "data range"
    CompareComment,     // "comment"
    CompareOther,       // "other bytes"
    ValueOn,            // "on"
    ValueOff,           // "off"
    ValueNone,          // "none"

    // What a receive still waits for (context "Transfer").
    ReceiveWaitingOne,  // "Waiting for %1"
    ReceiveWaitingMany, // "Waiting for %1 controls: %2"
    ReceiveDamagedOne,  // "%1 (1 damaged message)"
    ReceiveDamagedMany, // "%1 (%2 damaged messages)"
    ReceiveNotReceived, // "Not received: %1"
    // Which MIDI port is used (context "Transfer").
    MidiInputGone,  // "The MIDI input \"%1\" is not there."
    MidiOutputGone, // "The MIDI output \"%1\" is not there."
    MidiInputOnly,  // "The MIDI input \"%1\" is chosen: it is the only one listed."
    MidiOutputOnly, // "The MIDI output \"%1\" is chosen: it is the only one listed."
    // .syx files (context "SyxFile").
    SyxCannotRead,       // "The file cannot be read: %1."
    SyxNotRegularFile,   // "it is not a regular file"
    SyxEmpty,            // "The file is empty."
    SyxTooLarge,         // "The file is larger than %1 bytes; ..."
    SyxNotSysEx,         // "This is not a system-exclusive file: the byte %1 at offset %2 ..."
    SyxStandardMidiFile, // "This is a Standard MIDI File, not a system-exclusive file; ..."
    SyxTruncated,        // "The file ends in the middle of the message that starts at ..."
    SyxDamaged,          // "The KEL bulk message at offset %1 is damaged (...)."
    SyxConflict,         // "The file holds two different bulk messages for %1."
    SyxNoBulkMessages,   // "The file holds no KEL bulk messages."
    SyxMissing,          // "The file holds %1 of the 50 KEL bulk messages; missing: %2."

    // A MIDI message in words (context "MidiMessage").
    MidiSysEx,           // "SysEx %1 bytes"
    MidiUnknown,         // "Unknown (%1 bytes)"
    MidiNoteOff,         // "Note Off %1, ch %2"
    MidiNoteOn,          // "Note On %1 vel %2, ch %3"
    MidiPolyPressure,    // "Poly Pressure %1 = %2, ch %3"
    MidiControlChange,   // "CC %1 = %2, ch %3"
    MidiProgram,         // "Program %1, ch %2"
    MidiChannelPressure, // "Channel Pressure %1, ch %2"
    MidiPitchBend,       // "Pitch Bend %1, ch %2"
    MidiTimeCode,        // "Time Code %1"
    MidiSongPosition,    // "Song Position %1"
    MidiSongSelect,      // "Song Select %1"
    MidiTuneRequest,     // "Tune Request"
    MidiClock,           // "Clock"
    MidiStart,           // "Start"
    MidiContinue,        // "Continue"
    MidiStop,            // "Stop"
    MidiActiveSensing,   // "Active Sensing"
    MidiSystemReset,     // "System Reset"
    MidiUndefined,       // "Undefined %1"
    MidiNoParameter,     // "(parameter not selected)"

    // A list of controls typed by the user (context "ControlList").
    ControlUnknown,        // "unknown control '%1' (R1-R9, S1-S9, ...)"
    ControlRangeBackwards, // "the range '%1' runs backwards (%2 comes before %3)"
    ControlListedTwice,    // "%1 is listed twice"

    // The cause of a failed file operation in words (context "KelEditor"), by the cause number
    // the file messages show: FileCausePhrase.
    CauseUnexpected,       // "An unexpected system error"
    CauseFileNotFound,     // 2
    CauseBadPath,          // 3
    CauseTooManyOpenFiles, // 4
    CauseAccessDenied,     // 5
    CauseInvalidFile,      // 6
    CauseRemoveCurrentDir, // 7
    CauseDirectoryFull,    // 8
    CauseBadSeek,          // 9
    CauseHardIo,           // 10
    CauseSharingViolation, // 11
    CauseLockViolation,    // 12
    CauseDiskFull,         // 13
    CauseEndOfFile,        // 14
    CauseSymlinkLoop,      // 15

    // A title or comment the map file could not hold whole (context "MapText").
    TextTitle,      // "The title"
    TextComment,    // "The comment of %1"
    TextWouldBeCut, // "%1 would take %2 bytes in %3, ...: it is not cut, so nothing is changed."

    // Why a control cannot be given a setting: the assign dialog's OK, kelmap set (context
    // "ControlSetting").
    SetHasNo,                // "%1 has no %2" (a kind or a control, a field)
    SetValueOutOfRange,      // "%1 '%2' is out of range (%3-%4)"
    SetNumberOutOfRange,     // "%1 %2 is out of range (%3-%4)" (a number of a row's numbering)
    SetButtonModeNotOffered, // "%1 has no button mode %2"
    SetNoDataField,          // "The message has no data field (DT) for a data range."
    SetCommentNotUtf8,       // "The comment is not UTF-8 text."
    SetCommentTooLong,       // "The comment is longer than the 128 bytes a comment takes ..."
    SetMessageMistake,       // "There is a mistake in the message you input."
    SetMessageMistakeAt,     // "... (character %1: '%2')"
    SetMessageMistakeAtEnd,  // "... (character %1: end of text)"
    SetMessageTooLong,       // "The message exceeds %1 bytes."
    SetFieldValue,           // "value %1"
    SetFieldChannel,         // "channel"
    SetFieldPort,            // "port"
    SetFieldButtonMode,      // "button mode"
    SetFieldAftMode,         // "AFT mode"
    SetFieldCenterClick,     // "virtual center click"
    SetFieldStatus,          // "system realtime status"
    SetFieldMessage,         // "message text"
    SetFieldDataType,        // "data type"
    SetFieldDataRange,       // "data range"
    SetFieldMinimum,         // "minimum"
    SetFieldMaximum,         // "maximum"
    // A failure of reading or writing files told by a numbered message of the string table
    // (context "Failure"): MessageFailure in model/result.h.
    TableMessage, // "%1": the message, a word of the string table
    Count
};

// The English format of `id` ("" for an id outside the table) and the context it is
// translated in.
std::string_view EnglishFormat(TextId id);
const char* TextContext(TextId id);

// A word of another of the core's tables (a port name, a button mode), shown as that table
// names it and translated in that table's context.
struct TableWord {
    const char* context;
    std::string_view english;
};

struct Phrase;

// One argument of a phrase.
class PhraseArg {
public:
    using Value = std::variant<std::int64_t, std::string, TableWord, std::shared_ptr<const Phrase>>;

    PhraseArg(int number) : value_(std::int64_t{number}) {}
    PhraseArg(std::int64_t number) : value_(number) {}
    PhraseArg(std::string text) : value_(std::move(text)) {}
    PhraseArg(const char* text) : value_(std::string(text)) {}
    PhraseArg(TableWord word) : value_(word) {}
    PhraseArg(Phrase phrase);

    const Value& value() const { return value_; }

private:
    Value value_;
};

struct Phrase {
    TextId id = TextId::Count;
    std::vector<PhraseArg> args;

    Phrase() = default;
    Phrase(TextId textId, std::vector<PhraseArg> arguments = {})
        : id(textId), args(std::move(arguments)) {}
    bool Empty() const { return id == TextId::Count; }
};

inline PhraseArg::PhraseArg(Phrase phrase)
    : value_(std::make_shared<const Phrase>(std::move(phrase))) {}

// `format` with "%1" … "%9" replaced by `args` (a placeholder without an argument stays). Text
// inside the arguments is never taken for a placeholder.
std::string FillText(std::string_view format, const std::vector<std::string>& args);

// The phrase, or one argument, in English.
std::string EnglishText(const Phrase& phrase);
std::string EnglishText(const PhraseArg& arg);

// A file error cause number (the "(%d)" of the file messages) in words.
Phrase FileCausePhrase(int cause);

} // namespace kel

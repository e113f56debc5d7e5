// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/phrase.h"

#include <array>

namespace kel {
namespace {

struct Entry {
    TextId id;
    const char* context;
    std::string_view english;
};

constexpr const char* kCheck = "MapCheck";
constexpr const char* kCompare = "MapCompare";
constexpr const char* kSyx = "SyxFile";
constexpr const char* kTransfer = "Transfer";
constexpr const char* kMidi = "MidiMessage";
constexpr const char* kControls = "ControlList";
constexpr const char* kFile = "KelEditor";
constexpr const char* kMapText = "MapText";
constexpr const char* kSetting = "ControlSetting";
constexpr const char* kFailure = "Failure";

using T = TextId;

// The one table of the core's composed texts, in the order of TextId.
constexpr std::array<Entry, static_cast<std::size_t>(T::Count)> kTexts = {{
    {T::SameMessageTwo, kCheck, "%1 and %2 both send %3%4."},
    {T::SameMessageMany, kCheck, "%1 all send %2%3."},
    {T::RangeInverted, kCheck, "%1: the minimum %2 is above the maximum %3."},
    {T::InvalidCode, kCheck, "%1: assign code %2 is not a known message kind."},
    {T::PortOutOfRange, kCheck, "%1: port value %2 is not Port 1, Port 2 or Port 1 + 2."},
    {T::ChannelOutOfRange, kCheck, "%1: channel %2 is outside 1-16."},
    {T::ButtonModeOutOfRange, kCheck, "%1: button mode %2 is not Unlatch, Latch or Increase."},
    {T::AftModeOutOfRange, kCheck,
     "%1: AFT mode %2 is not OFF, Channel Pressure or Polyphonic Key Pressure."},
    {T::ValueOutOfRange, kCheck, "%1: the %2 is %3, above %4."},
    {T::EditOutsideRange, kCheck, "%1: the %2 would be %3, outside %4-%5."},
    {T::RealtimeOutOfRange, kCheck,
     "%1: %2 is not a system realtime message the control can send (F6, F8, FA, FB, FC or FF)."},
    {T::DataTypeOutOfRange, kCheck, "%1: data type %2 is not one of DT0 to DT4."},
    {T::LengthOutOfRange, kCheck, "%1: the Free Message length %2 is above 24 bytes."},
    {T::ChecksumOutOfRange, kCheck, "%1: checksum kind %2 is not 1 or 2."},
    {T::DataRangeAboveTop, kCheck, "%1: the data range %2-%3 goes above %4, the top of %5."},
    {T::MessageNotValid, kCheck, "%1: the stored %2 is not a valid message: %3"},
    {T::MessageTooLong, kCheck, "%1: the stored %2 is longer than 24 bytes: %3"},
    {T::MessagePositions, kCheck,
     "%1: the data field, checksum or channel marker of the %2 lies outside its bytes: %3"},
    {T::ListComma, kCheck, "%1, %2"},
    {T::ListAnd, kCheck, "%1 and %2"},
    {T::WhereChannelPort, kCheck, " on channel %1, %2"},
    {T::WhereChannel, kCheck, " on channel %1"},
    {T::WherePort, kCheck, " on %1"},
    {T::SysExMessage, kCheck, "System Ex. message"},
    {T::FreeMessage, kCheck, "Free Message"},
    {T::MsgNote, kCheck, "note %1"},
    {T::MsgChannelPressure, kCheck, "channel pressure"},
    {T::MsgPolyPressure, kCheck, "poly pressure on note %1"},
    {T::MsgControlChange, kCheck, "CC %1"},
    {T::MsgProgramChange, kCheck, "program change %1"},
    {T::MsgProgramRange, kCheck, "program changes (Min-Max)"},
    {T::MsgBankProgram, kCheck, "bank %1/%2 with program change %3"},
    {T::MsgProgramDec, kCheck, "PC Dec"},
    {T::MsgProgramInc, kCheck, "PC Inc"},
    {T::MsgRpn, kCheck, "RPN %1/%2"},
    {T::MsgNrpn, kCheck, "NRPN %1/%2"},
    {T::MsgRealtime, kCheck, "%1"},
    {T::MsgSysEx, kCheck, "the System Ex. message %1"},
    {T::MsgFree, kCheck, "the Free Message %1"},
    {T::MsgTempo, kCheck, "TEMPO"},
    {T::FieldNote, kCheck, "note number"},
    {T::FieldVelocity, kCheck, "velocity"},
    {T::FieldController, kCheck, "controller number"},
    {T::FieldMinimum, kCheck, "minimum"},
    {T::FieldMaximum, kCheck, "maximum"},
    {T::FieldProgram, kCheck, "program"},
    {T::FieldBankLsb, kCheck, "bank LSB"},
    {T::FieldBankMsb, kCheck, "bank MSB"},
    {T::FieldParameterLsb, kCheck, "parameter LSB"},
    {T::FieldParameterMsb, kCheck, "parameter MSB"},
    {T::SeverityError, kCheck, "error"},
    {T::SeverityWarning, kCheck, "warning"},

    {T::LabelChange, kCompare, "%1: %2 \u2192 %3"},
    {T::SameLabel, kCompare, "%1: %2"},
    {T::WithDetails, kCompare, "%1 (%2)"},
    {T::DetailSeparator, kCompare, "%1, %2"},
    {T::Change, kCompare, "%1 %2 \u2192 %3"},
    {T::TitleChange, kCompare, "Title: \"%1\" \u2192 \"%2\""},
    {T::Quoted, kCompare, "\"%1\""},
    {T::InvalidLabel, kCompare, "invalid code %1"},
    {T::MemoryMatches, kCompare, "The KEL's memory matches the control map."},
    {T::MapsEqual, kCompare, "The control maps are equal."},
    {T::CompareCode, kCompare, "assign code"},
    {T::ComparePort, kCompare, "port"},
    {T::CompareChannel, kCompare, "channel"},
    {T::CompareButtonMode, kCompare, "button mode"},
    {T::CompareCenterClick, kCompare, "center click"},
    {T::CompareAftMode, kCompare, "AFT mode"},
    {T::CompareVelocity, kCompare, "velocity"},
    {T::CompareMinimum, kCompare, "minimum"},
    {T::CompareMaximum, kCompare, "maximum"},
    {T::CompareMessage, kCompare, "message"},
    {T::CompareDataType, kCompare, "data type"},
    {T::CompareDataRange, kCompare, "data range"},
    {T::CompareComment, kCompare, "comment"},
    {T::CompareOther, kCompare, "other bytes"},
    {T::ValueOn, kCompare, "on"},
    {T::ValueOff, kCompare, "off"},
    {T::ValueNone, kCompare, "none"},

    {T::ReceiveWaitingOne, kTransfer, "Waiting for %1"},
    {T::ReceiveWaitingMany, kTransfer, "Waiting for %1 controls: %2"},
    {T::ReceiveDamagedOne, kTransfer, "%1 (1 damaged message)"},
    {T::ReceiveDamagedMany, kTransfer, "%1 (%2 damaged messages)"},
    {T::ReceiveNotReceived, kTransfer, "Not received: %1"},
    {T::MidiInputGone, kTransfer, "The MIDI input \"%1\" is not there."},
    {T::MidiOutputGone, kTransfer, "The MIDI output \"%1\" is not there."},
    {T::MidiInputOnly, kTransfer, "The MIDI input \"%1\" is chosen: it is the only one listed."},
    {T::MidiOutputOnly, kTransfer, "The MIDI output \"%1\" is chosen: it is the only one listed."},

    {T::SyxCannotRead, kSyx, "The file cannot be read: %1."},
    {T::SyxNotRegularFile, kSyx, "it is not a regular file"},
    {T::SyxEmpty, kSyx, "The file is empty."},
    {T::SyxTooLarge, kSyx,
     "The file is larger than %1 bytes; it is not a system-exclusive file of a control map."},
    {T::SyxNotSysEx, kSyx,
     "This is not a system-exclusive file: the byte %1 at offset %2 belongs to no MIDI message."},
    {T::SyxStandardMidiFile, kSyx,
     "This is a Standard MIDI File, not a system-exclusive file; open it as a control map file."},
    {T::SyxTruncated, kSyx, "The file ends in the middle of the message that starts at offset %1."},
    {T::SyxDamaged, kSyx,
     "The KEL bulk message at offset %1 is damaged (wrong length, address or checksum)."},
    {T::SyxConflict, kSyx, "The file holds two different bulk messages for %1."},
    {T::SyxNoBulkMessages, kSyx, "The file holds no KEL bulk messages."},
    {T::SyxMissing, kSyx, "The file holds %1 of the 50 KEL bulk messages; missing: %2."},

    {T::MidiSysEx, kMidi, "SysEx %1 bytes"},
    {T::MidiUnknown, kMidi, "Unknown (%1 bytes)"},
    {T::MidiNoteOff, kMidi, "Note Off %1, ch %2"},
    {T::MidiNoteOn, kMidi, "Note On %1 vel %2, ch %3"},
    {T::MidiPolyPressure, kMidi, "Poly Pressure %1 = %2, ch %3"},
    {T::MidiControlChange, kMidi, "CC %1 = %2, ch %3"},
    {T::MidiProgram, kMidi, "Program %1, ch %2"},
    {T::MidiChannelPressure, kMidi, "Channel Pressure %1, ch %2"},
    {T::MidiPitchBend, kMidi, "Pitch Bend %1, ch %2"},
    {T::MidiTimeCode, kMidi, "Time Code %1"},
    {T::MidiSongPosition, kMidi, "Song Position %1"},
    {T::MidiSongSelect, kMidi, "Song Select %1"},
    {T::MidiTuneRequest, kMidi, "Tune Request"},
    {T::MidiClock, kMidi, "Clock"},
    {T::MidiStart, kMidi, "Start"},
    {T::MidiContinue, kMidi, "Continue"},
    {T::MidiStop, kMidi, "Stop"},
    {T::MidiActiveSensing, kMidi, "Active Sensing"},
    {T::MidiSystemReset, kMidi, "System Reset"},
    {T::MidiUndefined, kMidi, "Undefined %1"},
    {T::MidiNoParameter, kMidi, "(parameter not selected)"},
    {T::ControlUnknown, kControls,
     "unknown control '%1' (R1-R9, S1-S9, A1-A9, B1-B9, C1-C3, H1-H2, L1-L4, P1-P2, BEND, MOD, "
     "AFT)"},
    {T::ControlRangeBackwards, kControls, "the range '%1' runs backwards (%2 comes before %3)"},
    {T::ControlListedTwice, kControls, "%1 is listed twice"},

    {T::CauseUnexpected, kFile, "An unexpected system error"},
    {T::CauseFileNotFound, kFile, "No such file or folder"},
    {T::CauseBadPath, kFile, "The path is not valid"},
    {T::CauseTooManyOpenFiles, kFile, "Too many open files"},
    {T::CauseAccessDenied, kFile, "Access denied (no permission, a read-only disk, or not a file)"},
    {T::CauseInvalidFile, kFile, "The file is not valid"},
    {T::CauseRemoveCurrentDir, kFile, "The current folder cannot be removed"},
    {T::CauseDirectoryFull, kFile, "The folder is full"},
    {T::CauseBadSeek, kFile, "The file cannot be positioned"},
    {T::CauseHardIo, kFile, "Input/output error of the disk or device"},
    {T::CauseSharingViolation, kFile, "The file is in use"},
    {T::CauseLockViolation, kFile, "The file is locked"},
    {T::CauseDiskFull, kFile, "No space left on the disk"},
    {T::CauseEndOfFile, kFile, "The file ends too early"},
    {T::CauseSymlinkLoop, kFile, "A symlink loop (symbolic links that lead back to each other)"},

    {T::TextTitle, kMapText, "The title"},
    {T::TextComment, kMapText, "The comment of %1"},
    {T::TextWouldBeCut, kMapText,
     "%1 would take %2 bytes in %3, the encoding the map file would then be written in: more "
     "than the 128 bytes a text has there. It is not cut, so nothing is changed."},

    {T::SetHasNo, kSetting, "%1 has no %2"},
    {T::SetValueOutOfRange, kSetting, "%1 '%2' is out of range (%3-%4)"},
    {T::SetNumberOutOfRange, kSetting, "%1 %2 is out of range (%3-%4)"},
    {T::SetButtonModeNotOffered, kSetting, "%1 has no button mode %2"},
    {T::SetNoDataField, kSetting, "The message has no data field (DT) for a data range."},
    {T::SetCommentNotUtf8, kSetting, "The comment is not UTF-8 text."},
    {T::SetCommentTooLong, kSetting,
     "The comment is longer than the 128 bytes a comment takes in the file."},
    {T::SetMessageMistake, kSetting, "There is a mistake in the message you input."},
    {T::SetMessageMistakeAt, kSetting,
     "There is a mistake in the message you input. (character %1: '%2')"},
    {T::SetMessageMistakeAtEnd, kSetting,
     "There is a mistake in the message you input. (character %1: end of text)"},
    {T::SetMessageTooLong, kSetting, "The message exceeds %1 bytes."},
    {T::SetFieldValue, kSetting, "value %1"},
    {T::SetFieldChannel, kSetting, "channel"},
    {T::SetFieldPort, kSetting, "port"},
    {T::SetFieldButtonMode, kSetting, "button mode"},
    {T::SetFieldAftMode, kSetting, "AFT mode"},
    {T::SetFieldCenterClick, kSetting, "virtual center click"},
    {T::SetFieldStatus, kSetting, "system realtime status"},
    {T::SetFieldMessage, kSetting, "message text"},
    {T::SetFieldDataType, kSetting, "data type"},
    {T::SetFieldDataRange, kSetting, "data range"},
    {T::SetFieldMinimum, kSetting, "minimum"},
    {T::SetFieldMaximum, kSetting, "maximum"},
    {T::TableMessage, kFailure, "%1"},
}};

constexpr bool InIdOrder() {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<std::size_t>(kTexts[i].id) != i || kTexts[i].english.empty()) {
            return false;
        }
    }
    return true;
}
static_assert(InIdOrder(), "every TextId needs its entry, in the order of the ids");

// The file cause numbers 2 … 15 in the order of their ids.
constexpr int kFirstNamedCause = 2;
constexpr int kLastNamedCause = 15;
static_assert(static_cast<int>(T::CauseSymlinkLoop) - static_cast<int>(T::CauseFileNotFound) ==
              kLastNamedCause - kFirstNamedCause);

} // namespace

std::string_view EnglishFormat(TextId id) {
    const auto index = static_cast<std::size_t>(id);
    return index < kTexts.size() ? kTexts[index].english : std::string_view();
}

const char* TextContext(TextId id) {
    const auto index = static_cast<std::size_t>(id);
    return index < kTexts.size() ? kTexts[index].context : "";
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

std::string EnglishText(const PhraseArg& arg) {
    struct Visitor {
        std::string operator()(std::int64_t number) const { return std::to_string(number); }
        std::string operator()(const std::string& text) const { return text; }
        std::string operator()(const TableWord& word) const { return std::string(word.english); }
        std::string operator()(const std::shared_ptr<const Phrase>& phrase) const {
            return EnglishText(*phrase);
        }
    };
    return std::visit(Visitor{}, arg.value());
}

std::string EnglishText(const Phrase& phrase) {
    std::vector<std::string> args;
    args.reserve(phrase.args.size());
    for (const PhraseArg& arg : phrase.args) {
        args.push_back(EnglishText(arg));
    }
    return FillText(EnglishFormat(phrase.id), args);
}

Phrase FileCausePhrase(int cause) {
    if (cause < kFirstNamedCause || cause > kLastNamedCause) {
        return Phrase(T::CauseUnexpected);
    }
    return Phrase(
        static_cast<T>(static_cast<int>(T::CauseFileNotFound) + cause - kFirstNamedCause));
}

} // namespace kel

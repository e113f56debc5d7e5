// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one string table: every user-visible text by its resource id, in English.
// The GUI translates these texts to Japanese through Qt's translation system; the core and
// the command-line tool use them as they stand.
#pragma once

#include <string>
#include <string_view>

namespace kel {

enum class StringId : int {
    AppTitle = 128,        // "VOSTEL KEL Editor"
    TransmitAborted = 191, // transmit cancelled by the user
    CmdNew = 32779,        // menu prompts share the id of their command
    CmdOpen = 32780,
    CmdSave = 32781,
    CmdSaveAs = 32782,
    CmdExportList = 32783,
    CmdViewList = 32784,
    CmdCopy = 32785,
    CmdPaste = 32786,
    CmdNoAssign = 32787,
    CmdTransmit = 32788,
    CmdReceive = 32789,
    CmdMidiDevices = 32793,
    CmdShowMessages = 32794,
    CmdHelp = 32795,
    ConfirmTransmit = 32796, // "Overwrite KEL's current memory.\nOK?"
    ConfirmReceive = 32797,  // "The control map currently being edited will be lost..."
    CmdImportMemorySet = 32799,
    FileFilter = 32800,
    HtmlFileFilter = 32801,
    AskSaveChanges = 32803,
    CannotOverwrite = 32804,
    SaveError = 32805,
    LoadError = 32806,
    LoadFailed = 32807,
    TempFileError = 32808,
    BrowserError = 32809,
    NoMidiDevice = 32810,
    MidiInOpenError = 32811,
    MidiOutOpenError = 32812,
    MidiInStartError = 32813,
    MidiOutStartError = 32814,
    Untitled = 32815,
    MessageMistake = 32816,
    HelpNotFound = 32817,
    MessageTooLong = 32818,
    NotControlMap = 32819,
    NotMemorySet = 32820,
    CopyrightTooLong = 32821,
    TextTooLong = 32822,
    AppTitleAlt = 57344,
    StatusIdle = 57345, // a single space: the status bar with nothing highlighted
    CmdRecentFile = 57616,
    CmdAbout = 57664,
    CmdExit = 57665,
};

// The English text of `id`; an empty view for an id the table does not hold.
std::string_view Text(StringId id);

// The first line of the text: what the status bar shows for a menu command.
std::string_view Prompt(StringId id);

// The text with its "%d" (if any) replaced by `number`, as the message boxes show it.
std::string FormatMessage(StringId id, int number);

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/strings.h"

#include <array>
#include <utility>

namespace kel {
namespace {

struct Entry {
    StringId id;
    std::string_view text;
};

constexpr std::array kTable = {
    Entry{StringId::AppTitle, "VOSTEL KEL Editor"},
    Entry{StringId::TransmitAborted,
          "Transmitting was aborted.\nPress the [CANCEL] button of KEL and perform\nthe bulk "
          "reception procedure over again."},
    Entry{StringId::CmdNew, "Create a new document\nNew"},
    Entry{StringId::CmdOpen, "Open an existing document\nOpen"},
    Entry{StringId::CmdSave, "Save the active document\nSave"},
    Entry{StringId::CmdSaveAs, "Save the active document with a new name\nSave As"},
    Entry{StringId::CmdExportList,
          "Save the list of assigned messages as an HTML file\nExport Assignment List"},
    Entry{StringId::CmdViewList,
          "Display the list of assigned messages using HTML browser\nView Assignment List"},
    Entry{StringId::CmdCopy, "Copy the message assigned to the selected controller\nCopy"},
    Entry{StringId::CmdPaste, "Assign the copied message to the selected controller\nPaste"},
    Entry{StringId::CmdNoAssign, "Set the message type to \"NO ASSIGN\"\nNO ASSIGN"},
    Entry{StringId::CmdTransmit, "Write the control map to the KEL's current memory\nTransmit"},
    Entry{StringId::CmdReceive, "Retrieve the current memory from the KEL\nRetrieve"},
    Entry{StringId::CmdMidiDevices, "Select the MIDI devices to open\nMIDI Devices"},
    Entry{StringId::CmdShowMessages, "Display the assigned message\nShow Messages"},
    Entry{StringId::CmdHelp, "Display the online help.\nHelp"},
    Entry{StringId::ConfirmTransmit, "Overwrite KEL's current memory.\nOK?"},
    Entry{StringId::ConfirmReceive, "The control map currently being edited will be lost as the "
                                    "result of carrying out this processing.\nOK?"},
    Entry{StringId::CmdImportMemorySet, "Import memory set\nImport Memory Set"},
    Entry{StringId::FileFilter, "MIDI Files (*.mid;*.midi)|*.mid; *.midi|All Files (*.*)|*.*||"},
    Entry{StringId::HtmlFileFilter,
          "HTML Files (*.htm;*.html)|*.htm; *.html|All Files (*.*)|*.*||"},
    Entry{StringId::AskSaveChanges,
          "The contents of the parameter have changed.\nSave the changes?"},
    Entry{StringId::CannotOverwrite, "The file cannot be overwritten."},
    Entry{StringId::SaveError, "An error occurred while saving the file. (%d)"},
    Entry{StringId::LoadError, "An error occurred while loading the file. (%d)"},
    Entry{StringId::LoadFailed, "Failed to load the file."},
    Entry{StringId::TempFileError, "Cannot create temporary file. (%d)"},
    Entry{StringId::BrowserError, "Failed to start up HTML browser. (%d)"},
    Entry{StringId::NoMidiDevice, "MIDI device has not been selected.\nIn order to communicate "
                                  "with the KEL, you must choose the MIDI device to be used."},
    Entry{StringId::MidiInOpenError, "Failed to open MIDI input device. (%d)"},
    Entry{StringId::MidiOutOpenError, "Failed to open MIDI output device. (%d)"},
    Entry{StringId::MidiInStartError, "Failed to start MIDI input device."},
    Entry{StringId::MidiOutStartError, "Failed to start MIDI output device."},
    Entry{StringId::Untitled, "Untitled"},
    Entry{StringId::MessageMistake, "There is a mistake in the message you input."},
    Entry{StringId::HelpNotFound, "Can't find Help file."},
    Entry{StringId::MessageTooLong, "The message exceeds %d bytes."},
    Entry{StringId::NotControlMap, "This file is not a KEL control map file."},
    Entry{StringId::NotMemorySet, "This file is not a KEL memory set file."},
    Entry{StringId::CopyrightTooLong, "The copyright text of this file is longer than 256 MiB. "
                                      "The file cannot be opened."},
    Entry{StringId::TextTooLong, "A title or comment of this file is longer than 64 KiB. "
                                 "The file cannot be opened."},
    Entry{StringId::AppTitleAlt, "VOSTEL KEL Editor"},
    Entry{StringId::StatusIdle, " "},
    Entry{StringId::CmdRecentFile, "Open this document"},
    Entry{StringId::CmdAbout, "Display program information, version number and copyright\nAbout"},
    Entry{StringId::CmdExit, "Quit the application\nExit"},
};

} // namespace

std::string_view Text(StringId id) {
    for (const Entry& e : kTable) {
        if (e.id == id) {
            return e.text;
        }
    }
    return {};
}

std::string_view Prompt(StringId id) {
    std::string_view text = Text(id);
    return text.substr(0, text.find('\n'));
}

std::string FormatMessage(StringId id, int number) {
    std::string text(Text(id));
    if (auto pos = text.find("%d"); pos != std::string::npos) {
        text.replace(pos, 2, std::to_string(number));
    }
    return text;
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// kelmap: control map files on the command line, through the same core code as the editor.
#include <langinfo.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/setcommand.h"
#include "cli/terminalui.h"
#include "files/fileio.h"
#include "files/listfile.h"
#include "files/mapfile.h"
#include "files/syxfile.h"
#include "library/library.h"
#include "midi/devlist.h"
#include "midi/midimonitor.h"
#include "midi/midisystems.h"
#include "midi/rtmidi/rtmidibackend.h"
#include "midi/transfer.h"
#include "midi/virtualbackend.h"
#include "model/assignlist.h"
#include "model/codepage.h"
#include "model/labels.h"
#include "model/mapcheck.h"
#include "model/mapcompare.h"
#include "model/mapmerge.h"
#include "model/midinames.h"
#include "model/msgmatch.h"
#include "model/terminaltext.h"
#include "session/history.h"
#include "session/mapfiles.h"

namespace {

using namespace kel;

constexpr const char* kUsage = "usage: kelmap COMMAND ...  (kelmap --help for details)\n";

constexpr const char* kHelp = R"(kelmap - read, write and change KEL control map files

usage:
  kelmap new FILE [--title TEXT]
      Write an empty control map (50 controls with NO ASSIGN).
  kelmap dump FILE [--memory-set]
      Print the map: "TITLE<TAB>title", "COPYRIGHT<TAB>text", then one line per
      control: name, its 39 record bytes in hexadecimal, comment (TAB separated).
  kelmap show FILE [--memory-set] [--names [--middle-c C3|C4]]
      Print a readable table: control, label as the panel shows it, port,
      button mode, comment. --names adds the names of the label's numbers
      (controller "Brightness", note "C3", program "Acoustic Grand Piano",
      RPN "Pitch Bend Sensitivity"); --middle-c names note 60 C3 (the default)
      or C4.
  kelmap html FILE OUT [--memory-set]
      Write the HTML assignment list of FILE to OUT.
  kelmap convert IN OUT [--memory-set]
      Read IN and save it as a control map file OUT.
  kelmap set FILE CONTROLS [KIND [VALUES...]] [OPTIONS]
      Change controls and save FILE once. Parallel runs on one FILE take turns
      (a lock in the runtime folder), so every change lands.
      A control is R1-R9, S1-S9, A1-A9, B1-B9, C1-C3, H1-H2, L1-L4, P1, P2,
      BEND, MOD or AFT; CONTROLS is one, or a comma list of controls and
      ranges in the panel's order: R1-R8  S1,S3,S5  A1-A9,B1-B9. KIND and VALUES:
        none
        note NOTE VELOCITY              channel-pressure MIN MAX
        poly-pressure NOTE MIN MAX      cc NUMBER MIN MAX
        pc PROGRAM                      pc-range MIN MAX
        bank-pc MSB LSB PROGRAM         pc-dec | pc-inc
        rpn MSB LSB MIN MAX             nrpn MSB LSB MIN MAX
        encoder NUMBER                  realtime F6|F8|FA|FB|FC|FF
        sysex TEXT                      free TEXT
        tempo
      Values are 0-127, programs 1-128. Omitted values keep the kind's
      defaults. Message texts use the editor's syntax, e.g.
      "F0 41 10 SS 12 DT S1 F7" or "B0 07 DT".
      OPTIONS:
        --channel 1-16        --port 1|2|1+2
        --button unlatch|latch|increase
        --aft off|cp|pkp      --center-click on|off
        --comment TEXT        --data-type 0-4 (DT0..DT4 for a "DT" field)
        --min N  --max N      (the data range of a sysex or free message)
        --fill START[:STEP]   number the controls in list order: the
                              controller, note or program number becomes
                              START, START+STEP, ... (STEP 1 if omitted)
        --skip-reserved       with --fill, skip controller numbers 0, 6, 32,
                              38, 96-101 and 120-127
      Example: kelmap set live.mid R1-R8 cc 0 0 127 --fill 20 --channel 2
      gives R1 = CC 20 ... R8 = CC 27 on channel 2.
      Without KIND, --channel, --port, --button, --min, --max and --fill
      change every listed control that has the field and nothing else, e.g.
      kelmap set live.mid S1-S9 --channel 2; what the map check then finds
      about them (two controls sending alike) is printed as a warning.
      A value out of range, or a setting the control or kind does not have, is
      refused, naming the control; the file is then left unchanged.
  kelmap syx FILE OUT [--memory-set]
      Write the map's 50 bulk messages as a system-exclusive file OUT (.syx).
  kelmap from-syx IN OUT
      Read the 50 bulk messages of the system-exclusive file IN and save them as
      a control map file OUT (empty title and comments).
  kelmap check FILE [--memory-set]
      List the map's problems: "error:" or "warning:" and the message, one a
      line. Exit status 1 when there is an error, 0 otherwise.
  kelmap compare A B [--memory-set]
      List what differs from map A to map B, one control a line. Exit status 0
      when they are equal, 1 when they differ.
  kelmap merge BASE OTHER --controls CONTROLS -o OUT
      Write BASE with the listed controls (records and comments) taken from
      OTHER as the control map OUT; BASE's title and other controls stay.
      CONTROLS as for set: R1-R8,S1. OUT may be BASE itself, never OTHER.
      Merges and sets writing one OUT take turns as parallel sets do; BASE
      is read in a merge's turn, so merges in place all land.

  kelmap find FOLDER [QUERY...] [--middle-c C3|C4]
      Print the control maps of FOLDER and its subfolders that match QUERY,
      one a line: path, title and the controls that match (TAB separated;
      a comma list as kelmap set takes it), e.g.
        /home/me/maps/live.mid<TAB>Live set<TAB>S1,R3
      Every word of QUERY must match: words of titles, file names and
      comments ("cutoff"), the names of MIDI numbers ("Brightness", "C3",
      "Acoustic Grand Piano"), an assignment's word with its number
      ("CC 74", "NT 60", "NP 5", "ch 2") or alone ("NRPN", "sysex"), and a
      control's name, which keeps the other words to that control
      ("S1 CC 74"). Notes are named with note 60 as C3 (the default) or as
      --middle-c names it. Without QUERY every map is printed. Files that
      cannot be read as maps are listed on stderr with the reason. The maps
      are kept in an index in the user's cache folder, read again only when
      a file's size, time or bytes changed, so a second search is quick;
      when the index cannot be opened or written, the maps are read without
      it. A subfolder that cannot be read is named on stderr and the exit
      status is 1: the maps printed for it are those the index last knew.

  kelmap ports [--api alsa|jack|virtual]
      List the MIDI ports of a MIDI system: "in<TAB>name" for each input,
      "out<TAB>name" for each output, in port order. Without --api every
      MIDI command uses the system the editor chooses for a new user: the
      first of alsa, jack and virtual that lists a port named by --in or
      --out, else the first of alsa and jack with a device's ports, else
      virtual.
      A MIDI command without --in or --out uses the only port of that
      direction the system lists (the ALSA through port not counted) and
      says so; with none or several it fails. A named port that is not
      listed fails: "The MIDI output "X" is not there."
  kelmap transmit FILE [--out PORT] [--api alsa|jack|virtual] [--yes]
      Write the control map FILE into the KEL's current memory through output
      PORT, as the editor's Transmit does: confirm (--yes answers it), set the
      KEL to Bulk Receive mode and press Enter, then a progress bar.
  kelmap receive OUT [--in PORT] [--out PORT] [--api alsa|jack|virtual]
                 [--yes] [--retry N]
      Read the KEL's current memory through input PORT (the request goes out
      through output PORT), as the editor's Receive does, and save it as the
      control map OUT. The tool waits for the KEL's first bulk message. When
      the line goes quiet before every control has arrived, it names the
      controls it waits for; with --retry N it then asks the KEL again, up
      to N times (at least 5 s apart; press [ENTER] on the KEL again unless
      it answers by itself): what arrives fills the controls still missing.
      When the line is still quiet 5 s after the last time (with --retry 0:
      once it goes quiet), it ends: it names the controls not received,
      saves nothing and exits 1. Without --retry it waits for Ctrl+C.
      With --api virtual the editor's built-in virtual KEL device answers
      (its port is "Virtual KEL Device"; it starts with an empty memory).
      Ctrl+C cancels a transfer as the Cancel button does. Exit status 0
      only when the transfer completed.
      A completed transmit or receive is kept in the device's history, as
      the editor's are (--history-dir DIR for another history folder,
      --history-size N to keep N entries instead of 500).
  kelmap history [--limit N] [--history-dir DIR]
      List the device's history, newest first, one entry a line: time,
      received or transmitted, port, title, the entry's map file (TAB
      separated). An entry that cannot be read shows (damaged: REASON) as
      its title; one whose port file (the .txt beside it) is damaged shows
      (damaged) as its port. The folder is $KEL_HISTORY_DIR when set, else the editor's
      data folder ($XDG_DATA_HOME or ~/.local/share, then
      "VOSTEL/VOSTEL KEL Editor V2/history").

  kelmap monitor [FILE] [--in PORT] [--api alsa|jack|virtual] [--count N]
      Listen on input PORT and print one line per message that arrives:
      seconds since the start, the bytes in hexadecimal, the message in words
      and the controls of the control map FILE whose assignment sends it, or
      "—" (TAB separated; several controls are separated by commas), e.g.
        2.031<TAB>B1 4A 3F<TAB>CC 74 = 63, ch 2<TAB>R2,S6
      Ctrl+C ends it; --count N ends it after N messages. When the port goes
      away (the device was unplugged or the MIDI system stopped; ALSA cannot
      tell this) it says "input lost" and waits, looking for PORT once a
      second, then says "input back" and goes on, the seconds still counted
      from the start. Exit status 0 when ended, 1 when the port could not be
      opened.
      Messages that came faster than they could be printed are dropped and
      counted on stderr.

  Titles, comments and the copyright text are read in the file's encoding:
  UTF-8 when all of them are UTF-8, else Shift-JIS (CP932) when they are
  that, else Windows-1252. A saved map keeps its encoding while every text
  has a place in it, else it is written in UTF-8; new maps are UTF-8.
  --title and --comment take UTF-8 text of at most 128 bytes in the file's
  encoding.

  dump, show, compare and check print titles, comments and the copyright
  text in the terminal's encoding (the locale's: UTF-8, Shift_JIS, EUC-JP,
  ...; UTF-8 in the C locale; "?" for a character it has no place for) with
  their control characters escaped, so that the output stays one line per
  control and nothing in a file can drive the terminal or reorder the line:
  \t, \n, \r, \\ for a backslash, \xNN for the other control characters
  (ESC is \x1b, DEL \x7f) and for a byte 80-9F that is no part of a
  character of the terminal's encoding, and \uNNNN for a C1 control
  character (\u009b) and for the bidirectional controls (\u202e). Other
  characters, the letters of Japanese and other texts among them, are
  printed as they are; the file itself keeps its bytes.

  --memory-set  read FILE as a memory set file (as Import Memory Set does).
  --help        show this text.

exit status: 0 success, 1 failure (the message is printed on stderr; a file
that cannot be read or saved as "Cannot read FILE: CAUSE" or "Cannot save
FILE: CAUSE"), 2 wrong usage. check and compare exit as described above, and 2 when a file
cannot be read (as diff does).
)";

std::string Printable(std::string_view text);

// kelmap's words for a file error cause, after "Cannot read FILE: " or "Cannot save FILE: ".
std::string CauseWords(int cause) {
    switch (cause) {
    case CauseFileNotFound:
        return "no such file";
    case CauseBadPath:
        return "not a valid path";
    case CauseTooManyOpenFiles:
        return "too many open files";
    case CauseAccessDenied:
        return "permission denied, a read-only disk, or not a file";
    case CauseInvalidFile:
        return "not a valid file";
    case CauseDirectoryFull:
        return "the folder is full";
    case CauseBadSeek:
        return "the file cannot be positioned";
    case CauseHardIo:
        return "input/output error";
    case CauseSharingViolation:
        return "the file is in use";
    case CauseLockViolation:
        return "the file is locked";
    case CauseDiskFull:
        return "no space left on the disk";
    case CauseEndOfFile:
        return "the file ends too early";
    case CauseSymlinkLoop:
        return "symlink loop";
    default:
        return "an unexpected system error";
    }
}

// Failures go to stderr: a file that cannot be read or saved as "Cannot read FILE: CAUSE" or
// "Cannot save FILE: CAUSE", everything else in the editor's own words.
class StderrReporter : public Reporter {
public:
    void warn(StringId id, int detail) override {
        failed = true;
        switch (id) {
        case StringId::LoadFailed:
        case StringId::NotControlMap:
        case StringId::NotMemorySet:
        case StringId::CopyrightTooLong:
            // The file was read, but it is not a map: the reason in the editor's words.
            if (!reading.empty()) {
                std::cerr << "kelmap: Cannot read " << reading << ": " << Text(id) << '\n';
                return;
            }
            break;
        default:
            break;
        }
        std::cerr << "kelmap: " << FormatMessage(id, detail) << '\n';
    }
    void warnFile(StringId id, int cause, const std::string& path) override {
        failed = true;
        switch (id) {
        case StringId::LoadError:
            std::cerr << "kelmap: Cannot read " << (reading.empty() ? Printable(path) : reading)
                      << ": " << CauseWords(cause) << '\n';
            return;
        case StringId::SaveError:
            std::cerr << "kelmap: Cannot save " << Printable(path) << ": " << CauseWords(cause)
                      << '\n';
            return;
        case StringId::CannotOverwrite:
            std::cerr << "kelmap: Cannot save " << Printable(path)
                      << ": the file is write-protected\n";
            return;
        case StringId::TempFileError:
            std::cerr << "kelmap: Cannot create a temporary file in " << Printable(path) << ": "
                      << CauseWords(cause) << '\n';
            return;
        default:
            std::cerr << "kelmap: " << FormatMessage(id, cause) << ' ' << Printable(path) << ": "
                      << CauseWords(cause) << '\n';
            return;
        }
    }
    void warnNoPort(const Phrase* gone) override {
        if (gone == nullptr) {
            warn(StringId::NoMidiDevice, 0);
            return;
        }
        std::cerr << "kelmap: " << EnglishText(*gone) << '\n';
        failed = true;
    }
    bool failed = false;
    // The file a load is reading, as its failures name it ("b.mid", "OTHER b.mid"); empty
    // otherwise.
    std::string reading;
};

// The command line has no windows: no title bar, no views, no file dialogs.
class NoWindows : public MapFileHost {
public:
    void UpdateTitle(const std::string&) override {}
    void CommitTitleField() override {}
    void ApplyAssignDialog() override {}
    std::optional<std::string> ChooseSavePath() override { return std::nullopt; }
    std::optional<std::string> ChooseOpenPath() override { return std::nullopt; }
    // Commands save to the path they were given (SaveMapFile), never through the Save
    // command's question; were it asked, nothing would be replaced unseen.
    ChangedFileAnswer AskReplaceChangedFile(const std::string&) override {
        return ChangedFileAnswer::Cancel;
    }
};

struct UsageError {
    std::string text;
};

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::set<std::string> flags;
};

Args Parse(int argc, char** argv, const std::set<std::string>& valued,
           const std::set<std::string>& flags) {
    Args args;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg.rfind("--", 0) == 0 && arg.size() > 2) || valued.count(arg) > 0) {
            if (flags.count(arg)) {
                args.flags.insert(arg);
            } else if (valued.count(arg)) {
                if (i + 1 >= argc) {
                    throw UsageError{arg + " needs a value"};
                }
                args.options[arg] = argv[++i];
            } else {
                throw UsageError{"unknown option " + arg};
            }
        } else {
            args.positional.push_back(arg);
        }
    }
    return args;
}

void NeedPositional(const Args& args, std::size_t min, std::size_t max) {
    if (args.positional.size() < min) {
        throw UsageError{"missing arguments"};
    }
    if (args.positional.size() > max) {
        throw UsageError{"too many arguments"};
    }
}

// How the user's terminal decodes bytes, from the locale's character set (LC_CTYPE).
OutputEncoding g_outputEncoding = OutputEncoding::Utf8;
std::string g_codeset;

void ReadOutputEncoding() {
    // Only the name is read: the program itself keeps the C locale.
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
        g_codeset = nl_langinfo(CODESET);
        g_outputEncoding = OutputEncodingOf(g_codeset);
        std::setlocale(LC_CTYPE, "C");
    }
}

// A text of the map (UTF-8) in the terminal's character set; a character the terminal has no
// place for becomes "?".
std::string InTerminalCharset(std::string_view text) {
    if (g_outputEncoding == OutputEncoding::Utf8 || g_codeset.empty()) {
        return std::string(text);
    }
    return InCodeSet(text, g_codeset);
}

// A text from a file, or one that holds a file's bytes, as it may go to the terminal: no byte
// of it can drive the terminal, reorder the line or break the line format (TerminalText).
std::string Printable(std::string_view text) {
    return TerminalText(InTerminalCharset(text), g_outputEncoding);
}

// The copyright text is kept as the file's bytes; shown, it is decoded by the same rule as the
// title and comments, on its own (it is written back unchanged, so it takes no part in the
// decision for the other texts).
std::string ShownCopyright(const std::string& bytes) {
    const FileTextBytes text{bytes, false};
    return DecodeFileText(bytes, DetectTextEncoding(std::span(&text, 1)));
}

std::string Hex(const AssignRecord& record) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (i) {
            out += ' ';
        }
        out += digits[record[i] >> 4];
        out += digits[record[i] & 15];
    }
    return out;
}

struct Session {
    CParameter document;
    StderrReporter reporter;
    NoWindows host;
    CMapFiles files{document, reporter, host};

    // Reads the map at `path`; a failure names the file, after `role` when given (merge's
    // "BASE" or "OTHER").
    bool Load(const std::string& path, bool memorySet, const std::string& role = {}) {
        reporter.reading = (role.empty() ? std::string() : role + " ") + Printable(path);
        const bool loaded =
            files.LoadMapFile(path, memorySet ? MemorySetKind : ControlMapKind) == 1;
        reporter.reading.clear();
        return loaded;
    }
    bool Save(const std::string& path) { return files.SaveMapFile(path) == 1; }
    bool CanSave(const std::string& path) { return files.CheckSaveMapFile(path) == 1; }
};

int CmdNew(const Args& args) {
    NeedPositional(args, 1, 1);
    Session s;
    s.files.NewMapFile();
    if (auto it = args.options.find("--title"); it != args.options.end()) {
        if (!IsUtf8(it->second)) {
            std::cerr << "kelmap: --title is not UTF-8 text\n";
            return 1;
        }
        if (!TextFits(s.document.Map(), kNoController, it->second)) {
            std::cerr << "kelmap: --title is longer than the 128 bytes a title takes in the file\n";
            return 1;
        }
        s.document.SetTitle(it->second);
    }
    return s.Save(args.positional[0]) ? 0 : 1;
}

int CmdDump(const Args& args) {
    NeedPositional(args, 1, 1);
    Session s;
    if (!s.Load(args.positional[0], args.flags.count("--memory-set") > 0)) {
        return 1;
    }
    std::cout << "TITLE\t" << Printable(s.document.GetTitle()) << '\n';
    std::cout << "COPYRIGHT\t" << Printable(ShownCopyright(s.document.CopyrightText())) << '\n';
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        std::cout << ControllerName(id) << '\t' << Hex(s.document.RecordOf(id)) << '\t'
                  << Printable(s.document.GetMapComment(id)) << '\n';
    }
    return 0;
}

int CmdShow(const Args& args) {
    NeedPositional(args, 1, 1);
    Session s;
    if (!s.Load(args.positional[0], args.flags.count("--memory-set") > 0)) {
        return 1;
    }
    const bool names = args.flags.count("--names") > 0;
    MiddleC middleC = MiddleC::C3;
    if (auto it = args.options.find("--middle-c"); it != args.options.end()) {
        if (it->second != "C3" && it->second != "C4") {
            throw UsageError{"--middle-c is C3 or C4"};
        }
        middleC = it->second == "C4" ? MiddleC::C4 : MiddleC::C3;
    }
    std::printf("Title: %s\n\n", Printable(s.document.GetTitle()).c_str());
    // The names widen the label column so that the columns after it stay aligned.
    const int width = names ? 52 : 28;
    std::printf("%-7s %-*s %-11s %-9s %s\n", "CONTROL", width, names ? "LABEL (NAMES)" : "LABEL",
                "PORT", "BUTTON", "COMMENT");
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignEntry entry;
        entry.record = s.document.RecordOf(id);
        std::string label = Printable(AssignmentLabel(entry.record));
        if (const std::string named = RecordNumberNames(entry.record, middleC);
            names && !named.empty() && !label.empty()) {
            label += " (" + named + ")";
        }
        const int port = entry.GetPort();
        const int button = HasButtonMode(id) ? entry.GetButtonMode() : -1;
        std::printf("%-7s %-*s %-11s %-9s %s\n", std::string(ControllerName(id)).c_str(), width,
                    label.empty() ? "(invalid)" : label.c_str(),
                    port >= 0 && port <= 2 ? std::string(PortName(port)).c_str() : "-",
                    button >= 0 && button <= 2 ? std::string(ButtonModeName(button)).c_str() : "-",
                    Printable(s.document.GetMapComment(id)).c_str());
    }
    return 0;
}

int CmdHtml(const Args& args) {
    NeedPositional(args, 2, 2);
    Session s;
    if (!s.Load(args.positional[0], args.flags.count("--memory-set") > 0)) {
        return 1;
    }
    if (const Status saved = ExportAssignList(s.document.Map(), args.positional[1]); !saved) {
        ReportFileFailure(s.reporter, saved.Error(), StringId::SaveError, args.positional[1]);
        return 1;
    }
    return 0;
}

int CmdConvert(const Args& args) {
    NeedPositional(args, 2, 2);
    Session s;
    if (!s.Load(args.positional[0], args.flags.count("--memory-set") > 0)) {
        return 1;
    }
    return s.Save(args.positional[1]) ? 0 : 1;
}

int CmdSet(const Args& args) {
    if (args.positional.size() < 2) {
        throw UsageError{"missing arguments"};
    }
    cli::SetRequest request;
    request.control = args.positional[1];
    if (args.positional.size() > 2) {
        request.kind = args.positional[2];
        request.values.assign(args.positional.begin() + 3, args.positional.end());
    }
    auto option = [&](const char* name, std::string& into) {
        if (auto it = args.options.find(name); it != args.options.end()) {
            into = it->second;
        }
    };
    option("--channel", request.channel);
    option("--port", request.port);
    option("--button", request.button);
    option("--aft", request.aft);
    option("--center-click", request.centerClick);
    option("--data-type", request.dataType);
    option("--min", request.min);
    option("--max", request.max);
    if (auto it = args.options.find("--comment"); it != args.options.end()) {
        request.comment = it->second;
        request.hasComment = true;
    }
    if (auto it = args.options.find("--fill"); it != args.options.end()) {
        request.fill = cli::ParseFill(it->second);
        if (!request.fill) {
            throw UsageError{"--fill needs START or START:STEP (whole numbers)"};
        }
        request.fill->skipReserved = args.flags.count("--skip-reserved") > 0;
    } else if (args.flags.count("--skip-reserved") > 0) {
        throw UsageError{"--skip-reserved goes with --fill"};
    }

    if (request.kind.empty() && request.channel.empty() && request.port.empty() &&
        request.button.empty() && request.min.empty() && request.max.empty() && !request.fill &&
        request.aft.empty() && request.centerClick.empty() && request.dataType.empty() &&
        !request.hasComment) {
        throw UsageError{"missing arguments: a KIND, or --channel, --port, --button, --min, "
                         "--max or --fill"};
    }

    // Load, change and save take turns with every other "set" on the same file, so that
    // parallel edits all land instead of the last save undoing the others.
    const cli::MapLock lock(args.positional[0]);
    Session s;
    if (!s.Load(args.positional[0], false)) {
        return 1;
    }
    std::vector<std::string> warnings;
    const std::string error = request.kind.empty()
                                  ? cli::ApplyFieldEdit(s.document, request, warnings)
                                  : cli::ApplySet(s.document, request);
    if (!error.empty()) {
        std::cerr << "kelmap: " << error << '\n';
        return 1;
    }
    for (const std::string& warning : warnings) {
        std::cerr << "kelmap: " << warning << '\n';
    }
    return s.Save(args.positional[0]) ? 0 : 1;
}

int CmdSyx(const Args& args) {
    NeedPositional(args, 2, 2);
    Session s;
    if (!s.Load(args.positional[0], args.flags.count("--memory-set") > 0)) {
        return 1;
    }
    if (const Status saved = SaveSyxFile(s.document.Map().records, args.positional[1]); !saved) {
        ReportFileFailure(s.reporter, saved.Error(), StringId::SaveError, args.positional[1]);
        return 1;
    }
    return 0;
}

int CmdFromSyx(const Args& args) {
    NeedPositional(args, 2, 2);
    const Result<SyxImport> read = LoadSyxFile(args.positional[0]);
    if (!read) {
        std::cerr << "kelmap: " << Printable(args.positional[0]) << ": "
                  << EnglishText(read.Error().why) << '\n';
        return 1;
    }
    Session s;
    s.files.NewMapFile();
    ApplySyxRecords(s.document, read->records);
    return s.Save(args.positional[1]) ? 0 : 1;
}

int CmdCheck(const Args& args) {
    NeedPositional(args, 1, 1);
    Session s;
    if (!s.Load(args.positional[0], args.flags.count("--memory-set") > 0)) {
        return 2;
    }
    const std::vector<CheckFinding> findings = CheckControlMap(s.document.Map());
    for (const CheckFinding& finding : findings) {
        std::cout << CheckSeverityName(finding.severity) << ": " << Printable(finding.message)
                  << '\n';
    }
    return HasCheckErrors(findings) ? 1 : 0;
}

int CmdCompare(const Args& args) {
    NeedPositional(args, 2, 2);
    const bool memorySet = args.flags.count("--memory-set") > 0;
    Session a;
    Session b;
    if (!a.Load(args.positional[0], memorySet) || !b.Load(args.positional[1], memorySet)) {
        return 2;
    }
    const MapComparison comparison = CompareMaps(a.document.Map(), b.document.Map());
    if (comparison.Equal()) {
        std::cout << EnglishFormat(TextId::MapsEqual) << '\n';
        return 0;
    }
    for (const std::string& line : comparison.Lines()) {
        std::cout << Printable(line) << '\n';
    }
    return 1;
}

std::string OptionOr(const Args& args, const char* name) {
    auto it = args.options.find(name);
    return it == args.options.end() ? std::string() : it->second;
}

// The MIDI system a MIDI command uses: the one --api names, else the one the editor would choose
// for the ports named on the command line (CMidiSystems::DefaultSystem). Null, said on stderr,
// when that system cannot be reached.
std::unique_ptr<CMidiSystems> OpenMidiSystem(const Args& args) {
    auto systems = std::make_unique<CMidiSystems>(MidiSystemFactory("kelmap"));
    // Long enough for the input to be started after the request has gone out.
    systems->Virtual().SetEnterDelay(std::chrono::milliseconds(300));
    MidiSystem system = MidiSystem::Virtual;
    if (auto it = args.options.find("--api"); it != args.options.end()) {
        const std::optional<MidiSystem> named = ParseMidiSystemKey(it->second);
        if (!named) {
            throw UsageError{"unknown MIDI system " + it->second};
        }
        system = *named;
    } else {
        system = systems->DefaultSystem(OptionOr(args, "--in"), OptionOr(args, "--out"));
    }
    if (!MidiSystemReachable(system)) {
        std::cerr << (system == MidiSystem::Jack ? "kelmap: no JACK server is running\n"
                                                 : "kelmap: the ALSA sequencer is not available\n");
        return nullptr;
    }
    systems->Select(system);
    return systems;
}

int CmdPorts(const Args& args) {
    NeedPositional(args, 0, 0);
    const std::unique_ptr<CMidiSystems> systems = OpenMidiSystem(args);
    if (!systems) {
        return 1;
    }
    const CMidiInDev inputs(systems->Ports());
    for (int i = 0; i < inputs.GetCount(); ++i) {
        std::cout << "in\t" << inputs.GetAt(i) << '\n';
    }
    const CMidiOutDev outputs(systems->Ports());
    for (int i = 0; i < outputs.GetCount(); ++i) {
        std::cout << "out\t" << outputs.GetAt(i) << '\n';
    }
    return 0;
}

// How many times a stalled receive may ask the device again (--retry N, 0 to 100); none without
// --retry, when the receive waits for Ctrl+C however long the line stays quiet.
std::optional<int> RetryCount(const Args& args) {
    auto it = args.options.find("--retry");
    if (it == args.options.end()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const long count = std::strtol(it->second.c_str(), &end, 10);
    if (it->second.empty() || *end != '\0' || count < 0 || count > 100) {
        throw UsageError{"--retry needs a number of retries (0 to 100)"};
    }
    return static_cast<int>(count);
}

// The history folder: --history-dir, else the editor's (HistoryFolder).
std::string HistoryFolderOf(const Args& args) {
    const std::string named = OptionOr(args, "--history-dir");
    return named.empty() ? HistoryFolder() : named;
}

// The number of entries the history keeps (--history-size N, 1 to 100000; 500 without).
int HistorySize(const Args& args) {
    auto it = args.options.find("--history-size");
    if (it == args.options.end()) {
        return kDefaultHistorySize;
    }
    char* end = nullptr;
    const long size = std::strtol(it->second.c_str(), &end, 10);
    if (it->second.empty() || *end != '\0' || size < 1 || size > 100000) {
        throw UsageError{"--history-size needs a number of entries (1 to 100000)"};
    }
    return static_cast<int>(size);
}

// Adds the map of a completed transfer to the device's history. A history that cannot be
// written is said, and the transfer still counts as done.
void KeepInHistory(const Args& args, CParameter& document, HistoryDirection direction,
                   const std::string& port) {
    const std::string folder = HistoryFolderOf(args);
    const Result<std::string> added =
        AddToHistory(folder, document, direction, port, HistorySize(args), std::time(nullptr));
    if (!added) {
        std::cerr << "kelmap: the transfer is not kept in the history folder " << Printable(folder)
                  << ": " << EnglishText(added.Why()) << '\n';
    }
}

// Runs one transfer procedure with the terminal as its user interface. 0 when it completed.
int RunTransfer(const Args& args, Session& s, bool receive) {
    HistorySize(args); // a bad size is refused before the device is asked anything
    const std::unique_ptr<CMidiSystems> systems = OpenMidiSystem(args);
    if (!systems) {
        return 1;
    }
    // A port not named is the only one listed, when there is one (TerminalUi::TakeOnlyPort).
    const std::string outName = OptionOr(args, "--out");
    const std::string inName = receive ? OptionOr(args, "--in") : std::string();
    cli::TerminalUi ui(inName, outName, args.flags.count("--yes") > 0, stdout, stderr, STDIN_FILENO,
                       [&s] { s.files.NewMapFile(); });
    if (systems->Selected() == MidiSystem::Virtual) {
        CVirtualKelBackend& device = systems->Virtual();
        ui.SetBeforeContinue([&device] { device.PressEnterForTransmit(); });
    }
    if (const std::optional<int> retries = receive ? RetryCount(args) : std::nullopt) {
        ui.SetRetries(*retries);
    }
    MidiBackend& ports = systems->Ports();
    CMidiOut output(ports, s.reporter);
    CMidiIn input(ports, s.reporter, s.document.Map().records);
    output.SetDeviceName(outName);
    input.SetDeviceName(inName);
    cli::InstallCancelHandler();
    CTransfer transfer(s.document, input, output, ports, s.reporter, ui);
    const TransferOutcome outcome = receive ? transfer.Receive() : transfer.Transmit();
    RemoveTempFilesOnSignals();
    switch (outcome) {
    case TransferOutcome::Completed:
        KeepInHistory(args, s.document,
                      receive ? HistoryDirection::Received : HistoryDirection::Transmitted,
                      receive ? input.GetDeviceName() : output.GetDeviceName());
        return 0;
    case TransferOutcome::Declined:
    case TransferOutcome::InstructionsCancelled:
    case TransferOutcome::WaitCancelled:
        std::cerr << "kelmap: cancelled\n";
        return 1;
    case TransferOutcome::Cancelled:
        if (receive) {
            if (ui.Incomplete()) {
                std::cerr << "kelmap: not received: " << EnglishText(ui.Incomplete()->MissingList())
                          << '\n';
            }
            if (ui.GaveUp()) {
                std::cerr << "kelmap: the KEL sent nothing more"
                          << (ui.Retries() == 0 ? std::string()
                                                : " after " + std::to_string(ui.Retries()) +
                                                      (ui.Retries() == 1 ? " retry" : " retries"))
                          << "; nothing saved\n";
            } else {
                std::cerr << "kelmap: cancelled; nothing saved\n";
            }
        }
        return 1;
    default:
        return 1; // the port or the procedure has reported why
    }
}

int CmdTransmit(const Args& args) {
    NeedPositional(args, 1, 1);
    Session s;
    if (!s.Load(args.positional[0], false)) {
        return 1;
    }
    return RunTransfer(args, s, false);
}

int CmdReceive(const Args& args) {
    NeedPositional(args, 1, 1);
    Session s;
    s.files.NewMapFile();
    // The device's memory would be lost if the file could not be written after the transfer:
    // a file that cannot be saved (its name, folder, free space or the file size limit) fails
    // before anything is asked of the device.
    const std::string& path = args.positional[0];
    if (!s.CanSave(path)) {
        return 1;
    }
    if (const int result = RunTransfer(args, s, true); result != 0) {
        return result;
    }
    if (s.Save(path)) {
        return 0;
    }
    // Something changed while the device was sending: the received map is kept all the same,
    // under a short new name beside the file or in the temporary folder.
    if (const Result<std::string> kept = SaveMapDocumentNearby(path, "kelmap-received", s.document);
        kept) {
        std::cerr << "kelmap: the received map is saved as " << Printable(*kept) << '\n';
    } else {
        std::cerr << "kelmap: the received map could not be saved anywhere: "
                  << CauseWords(kept.Error().cause) << '\n';
    }
    return 1;
}

// Why a history entry cannot be read, in the message the editor shows for such a file.
std::string DamageText(const Failure& failure) {
    const FileMessage message = FileMessageOf(failure, StringId::LoadError);
    return FormatMessage(message.id, message.detail);
}

int CmdHistory(const Args& args) {
    NeedPositional(args, 0, 0);
    std::size_t limit = static_cast<std::size_t>(-1);
    if (auto it = args.options.find("--limit"); it != args.options.end()) {
        char* end = nullptr;
        const long count = std::strtol(it->second.c_str(), &end, 10);
        if (it->second.empty() || *end != '\0' || count < 1) {
            throw UsageError{"--limit needs a number of entries (1 or more)"};
        }
        limit = static_cast<std::size_t>(count);
    }
    const std::string folder = HistoryFolderOf(args);
    if (folder.empty()) {
        std::cerr << "kelmap: no history folder: neither HOME nor XDG_DATA_HOME is set\n";
        return 1;
    }
    for (const HistoryEntry& entry : ListHistory(folder, limit)) {
        const std::string title =
            entry.damaged ? "(damaged: " + DamageText(entry.reason) + ")" : entry.title;
        // A sidecar that is not the line it was written as names no port.
        const std::string port = entry.portDamaged ? "(damaged)" : Printable(entry.port);
        std::cout << entry.time << '\t' << HistoryDirectionName(entry.direction) << '\t' << port
                  << '\t' << Printable(title) << '\t' << Printable(entry.path) << '\n';
    }
    return 0;
}

int CmdMerge(const Args& args) {
    NeedPositional(args, 2, 2);
    const std::string out = OptionOr(args, "-o");
    if (out.empty()) {
        throw UsageError{"merge needs -o OUT, the file to write"};
    }
    const std::string list = OptionOr(args, "--controls");
    if (list.empty()) {
        throw UsageError{"merge needs --controls CONTROLS, e.g. R1-R8,S1"};
    }
    Phrase listError;
    const std::vector<ControllerId> ids = ParseControlList(list, listError);
    if (ids.empty()) {
        throw UsageError{"--controls: " + EnglishText(listError)};
    }
    const std::string& basePath = args.positional[0];
    const std::string& otherPath = args.positional[1];
    // OUT may replace BASE (a merge in place) but never OTHER, which the user asked to read.
    std::error_code ec;
    if (out == otherPath || std::filesystem::equivalent(out, otherPath, ec)) {
        throw UsageError{"OUT is OTHER: the map the controls are taken from is not replaced"};
    }
    // Merges and "set" runs writing one map take turns: each reads BASE only once it holds
    // OUT's lock, so when OUT is BASE it starts from what the run before it saved, and no save
    // undoes a change another run has already reported done.
    const cli::MapLock lock(out);
    Session base;
    if (!base.Load(basePath, false, "BASE")) {
        return 1;
    }
    Session other;
    if (!other.Load(otherPath, false, "OTHER")) {
        return 1;
    }
    if (const Status taken = TakeControls(base.document, other.document.Map(), ids); !taken) {
        std::cerr << "kelmap: " << EnglishText(taken.Why()) << '\n';
        return 1;
    }
    return base.Save(out) ? 0 : 1;
}

// One monitor line: seconds, hex bytes, words, controls ("-" when none, or that a data entry
// came with no parameter selected). `matcher` is fed every message heard, in order.
std::string MonitorLine(const MonitoredMessage& message, const ControlMap* map,
                        CHeardMatcher& matcher) {
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", message.seconds);
    std::string line = time;
    line += '\t';
    for (std::size_t i = 0; i < message.bytes.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", message.bytes[i]);
        line += hex;
    }
    line += '\t';
    line += DescribeMidiMessage(message.bytes);
    line += '\t';
    const HeardMatch heard = map != nullptr ? matcher.Hear(*map, message.bytes) : HeardMatch{};
    for (std::size_t i = 0; i < heard.controls.size(); ++i) {
        line += i == 0 ? "" : ",";
        line += ControllerName(heard.controls[i]);
    }
    if (heard.controls.empty()) {
        line += heard.parameterNotSelected ? EnglishText(Phrase(TextId::MidiNoParameter)) : "—";
    }
    return line;
}

int CmdMonitor(const Args& args) {
    NeedPositional(args, 0, 1);
    std::string inName = OptionOr(args, "--in");
    long count = -1;
    if (auto it = args.options.find("--count"); it != args.options.end()) {
        char* end = nullptr;
        count = std::strtol(it->second.c_str(), &end, 10);
        if (it->second.empty() || *end != '\0' || count < 1) {
            throw UsageError{"--count needs a number of messages (1 or more)"};
        }
    }
    Session s;
    const ControlMap* map = nullptr;
    if (!args.positional.empty()) {
        if (!s.Load(args.positional[0], false)) {
            return 1;
        }
        map = &s.document.Map();
    }
    const std::unique_ptr<CMidiSystems> systems = OpenMidiSystem(args);
    if (!systems) {
        return 1;
    }
    const CMidiInDev inputs(systems->Ports());
    if (inName.empty()) {
        // Without --in, the only input listed, when there is one.
        if (const PortChoice only = ChoosePort(inputs, {}); only.how == PortChoice::How::OnlyPort) {
            inName = only.name;
            std::cerr << "kelmap: " << EnglishText(OnlyPortPhrase(true, inName)) << '\n';
        }
    }
    const int position = inputs.Find(inName);
    if (position < 0) {
        ReportNoPort(s.reporter, true, inName);
        return 1;
    }
    std::mutex lock;
    std::condition_variable woken;
    bool wake = false;
    CMidiMonitor monitor(systems->Ports());
    monitor.SetWake([&] {
        std::lock_guard guard(lock);
        wake = true;
        woken.notify_one();
    });
    cli::InstallCancelHandler();
    if (const int error = monitor.Open(inputs.PortNumber(position)); error != MidiErrNone) {
        std::cerr << "kelmap: cannot open the MIDI input \"" << inName << "\" (" << error << ")\n";
        return 1;
    }
    std::vector<MonitoredMessage> messages;
    CHeardMatcher matcher;
    long printed = 0;
    bool waiting = false; // the port went away: it is looked for once a second
    auto nextLook = std::chrono::steady_clock::now();
    while (!cli::CancelRequested().load() && (count < 0 || printed < count)) {
        {
            // Ctrl+C cannot wake the condition from its signal handler: it is looked at
            // every 100 ms.
            std::unique_lock guard(lock);
            woken.wait_for(guard, std::chrono::milliseconds(100), [&] { return wake; });
            wake = false;
        }
        const bool lost = monitor.Lost(); // before Take: what came before the loss is printed
        monitor.Take(messages);
        for (const MonitoredMessage& message : messages) {
            if (count >= 0 && printed >= count) {
                break;
            }
            std::cout << MonitorLine(message, map, matcher) << std::endl;
            ++printed;
        }
        if (lost && !waiting) {
            monitor.Close();
            waiting = true;
            nextLook = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            std::cerr << "kelmap: input lost: the MIDI input \"" << inName
                      << "\" went away; waiting for it to return\n";
        } else if (waiting && std::chrono::steady_clock::now() >= nextLook) {
            nextLook = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            const CMidiInDev now(systems->Ports());
            const int back = now.Find(inName);
            if (back >= 0 && monitor.Reopen(now.PortNumber(back)) == MidiErrNone) {
                waiting = false;
                matcher.Reset(); // the device starts afresh: no parameter selected
                std::cerr << "kelmap: input back: listening on \"" << inName << "\" again\n";
            }
        }
    }
    monitor.Close();
    if (monitor.Dropped() > 0) {
        std::cerr << "kelmap: " << monitor.Dropped() << " messages dropped\n";
    }
    return 0;
}

int CmdFind(const Args& args) {
    if (args.positional.empty()) {
        throw UsageError{"missing arguments"};
    }
    const std::string& folder = args.positional[0];
    std::string query;
    for (std::size_t i = 1; i < args.positional.size(); ++i) {
        query += (i > 1 ? " " : "") + args.positional[i];
    }
    // Notes are named as `kelmap show --names` names them.
    MiddleC middleC = MiddleC::C3;
    if (auto it = args.options.find("--middle-c"); it != args.options.end()) {
        if (it->second != "C3" && it->second != "C4") {
            throw UsageError{"--middle-c is C3 or C4"};
        }
        middleC = it->second == "C4" ? MiddleC::C4 : MiddleC::C3;
    }
    // Brings `index` up to date and searches it; an index made anew under the search (damaged,
    // or by another program meeting the damage) is filled again.
    RefreshResult refresh;
    std::vector<LibraryEntry> entries;
    auto answer = [&](CLibraryIndex& index) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            refresh = index.Refresh(folder);
            if (refresh.cause != 0) {
                return true;
            }
            if (refresh.indexFailed || !index.Ok()) {
                return false;
            }
            if (index.Search(folder, query, middleC, entries)) {
                return true;
            }
        }
        return false;
    };
    CLibraryIndex index;
    if (!answer(index)) {
        // Without the cache every file is read: slower, but the search still answers.
        std::cerr << "kelmap: the library index " << Printable(index.IndexPath())
                  << (index.Ok() ? " cannot be written" : " cannot be opened")
                  << "; the maps are read without it\n";
        CLibraryIndex memory(kMemoryIndex);
        if (!answer(memory)) {
            std::cerr << "kelmap: the maps cannot be searched\n";
            return 1;
        }
    }
    if (refresh.cause != 0) {
        std::cerr << "kelmap: the folder " << Printable(folder)
                  << " cannot be read: " << EnglishText(FileCausePhrase(refresh.cause)) << '\n';
        return 1;
    }
    for (const LibraryEntry& entry : entries) {
        if (!entry.readable) {
            std::cerr << "kelmap: " << Printable(entry.path) << ": " << EnglishReason(entry.reason)
                      << '\n';
            continue;
        }
        std::printf("%s\t%s\t%s\n", Printable(entry.path).c_str(), Printable(entry.title).c_str(),
                    ControlListText(entry.matches).c_str());
    }
    // Subfolders that could not be listed: what the index last knew of them was printed, but
    // the answer may be incomplete.
    for (const UnreadFolder& unread : refresh.unread) {
        std::cerr << "kelmap: the folder " << Printable(unread.path)
                  << " cannot be read: " << EnglishText(FileCausePhrase(unread.cause)) << '\n';
    }
    return refresh.unread.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << kUsage;
        return 2;
    }
    // An interrupted save removes its unfinished temporary file.
    RemoveTempFilesOnSignals();
    ReadOutputEncoding();
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kHelp;
        return 0;
    }
    try {
        const std::set<std::string> memorySet = {"--memory-set"};
        if (command == "new") {
            return CmdNew(Parse(argc, argv, {"--title"}, {}));
        }
        if (command == "dump") {
            return CmdDump(Parse(argc, argv, {}, memorySet));
        }
        if (command == "show") {
            return CmdShow(Parse(argc, argv, {"--middle-c"}, {"--memory-set", "--names"}));
        }
        if (command == "html") {
            return CmdHtml(Parse(argc, argv, {}, memorySet));
        }
        if (command == "convert") {
            return CmdConvert(Parse(argc, argv, {}, memorySet));
        }
        if (command == "syx") {
            return CmdSyx(Parse(argc, argv, {}, memorySet));
        }
        if (command == "from-syx") {
            return CmdFromSyx(Parse(argc, argv, {}, {}));
        }
        if (command == "check") {
            return CmdCheck(Parse(argc, argv, {}, memorySet));
        }
        if (command == "compare") {
            return CmdCompare(Parse(argc, argv, {}, memorySet));
        }
        if (command == "find") {
            return CmdFind(Parse(argc, argv, {"--middle-c"}, {}));
        }
        if (command == "ports") {
            return CmdPorts(Parse(argc, argv, {"--api"}, {}));
        }
        if (command == "transmit") {
            return CmdTransmit(Parse(
                argc, argv, {"--api", "--out", "--history-dir", "--history-size"}, {"--yes"}));
        }
        if (command == "receive") {
            return CmdReceive(
                Parse(argc, argv,
                      {"--api", "--in", "--out", "--retry", "--history-dir", "--history-size"},
                      {"--yes"}));
        }
        if (command == "monitor") {
            return CmdMonitor(Parse(argc, argv, {"--api", "--in", "--count"}, {}));
        }
        if (command == "history") {
            return CmdHistory(Parse(argc, argv, {"--limit", "--history-dir"}, {}));
        }
        if (command == "merge") {
            return CmdMerge(Parse(argc, argv, {"--controls", "-o"}, {}));
        }
        if (command == "set") {
            return CmdSet(Parse(argc, argv,
                                {"--channel", "--port", "--button", "--aft", "--center-click",
                                 "--comment", "--data-type", "--min", "--max", "--fill"},
                                {"--skip-reserved"}));
        }
        throw UsageError{"unknown command " + command};
    } catch (const UsageError& e) {
        std::cerr << "kelmap: " << e.text << '\n' << kUsage;
        return 2;
    }
}

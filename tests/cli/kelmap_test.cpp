// SPDX-License-Identifier: GPL-3.0-or-later
// kelmap as a user runs it: the real program, real files, exit codes and output.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "files/mapfile.h"
#include "files/syxfile.h"
#include "model/controllers.h"
#include "model/kinds.h"

namespace {

namespace fs = std::filesystem;
using kel::ControlMapKind;
using kel::CParameter;
using kel::ReadMapFile;
using kel::SaveMapDocument;
using kel::TextEncoding;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class Kelmap : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kelmap_test_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Transfers keep their history here, never in the user's own data folder.
        ::setenv("KEL_HISTORY_DIR", (dir_ / "history").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs kelmap; standard input is `input` when given, otherwise the test's own. `shell`
    // wraps the command line ("%" stands for it), for tests that signal the process.
    Result Kel(const std::vector<std::string>& args, const std::string* input = nullptr,
               const std::string& shell = "%") {
        std::string cmd = Quote(KELMAP_PATH);
        for (const auto& a : args) {
            cmd += " " + Quote(a);
        }
        const fs::path errFile = dir_ / "stderr.txt";
        cmd += " 2>" + Quote(errFile.string());
        if (input != nullptr) {
            const fs::path inFile = dir_ / "stdin.txt";
            std::ofstream(inFile, std::ios::binary) << *input;
            cmd += " <" + Quote(inFile.string());
        }
        if (const auto at = shell.find('%'); at != std::string::npos) {
            cmd = shell.substr(0, at) + cmd + shell.substr(at + 1);
        }
        Result run;
        FILE* pipe = ::popen(cmd.c_str(), "r");
        std::array<char, 4096> buf{};
        std::size_t n = 0;
        while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) {
            run.out.append(buf.data(), n);
        }
        const int status = ::pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.err = ReadFile(errFile);
        return run;
    }

    // The dump line of one control ("NAME\tBYTES\tCOMMENT").
    std::string DumpLine(const fs::path& file, const std::string& control) {
        const Result run = Kel({"dump", file.string()});
        EXPECT_EQ(run.status, 0) << run.err;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(control + "\t", 0) == 0) {
                return line;
            }
        }
        return {};
    }

    fs::path NewMap(const std::string& name = "map.mid") {
        const fs::path p = dir_ / name;
        EXPECT_EQ(Kel({"new", p.string(), "--title", "Live set"}).status, 0);
        return p;
    }

    static std::string Bytes(const std::string& head) {
        // `head` followed by zero bytes up to 39.
        std::string out = head;
        int count = head.empty() ? 0 : static_cast<int>((head.size() + 1) / 3);
        for (; count < 39; ++count) {
            out += out.empty() ? "00" : " 00";
        }
        return out;
    }

    fs::path dir_;
};

TEST_F(Kelmap, UsageAndHelp) {
    const Result help = Kel({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"new", "dump", "show", "html", "convert", "set", "syx", "from-syx",
                             "check", "compare", "merge", "history", "--memory-set"}) {
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
    EXPECT_EQ(Kel({}).status, 2);
    EXPECT_EQ(Kel({"frobnicate"}).status, 2);
    EXPECT_EQ(Kel({"dump"}).status, 2);
    EXPECT_EQ(Kel({"dump", "a", "b"}).status, 2);
    EXPECT_EQ(Kel({"set", "x.mid", "R1"}).status, 2);
    const Result bad = Kel({"dump", "x.mid", "--bogus"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("usage:"), std::string::npos);
}

TEST_F(Kelmap, NewMapDumpsEmpty) {
    const fs::path map = NewMap();
    const Result run = Kel({"dump", map.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) {
        all.push_back(line);
    }
    ASSERT_EQ(all.size(), 52u);
    EXPECT_EQ(all[0], "TITLE\tLive set");
    EXPECT_EQ(all[1], "COPYRIGHT\t");
    EXPECT_EQ(all[2], "R1\t" + Bytes("") + "\t");
    EXPECT_EQ(all[51], "AFT\t" + Bytes("") + "\t");
}

TEST_F(Kelmap, SetWritesTheRecordAsTheDialogWould) {
    const fs::path map = NewMap();
    struct Case {
        std::vector<std::string> args;
        std::string control, bytes, comment;
    };
    const std::vector<Case> cases = {
        {{"A1", "note", "60", "90", "--channel", "10", "--port", "1+2", "--button", "latch",
          "--aft", "cp", "--comment", "Kick"},
         "A1",
         Bytes("01 00 01 02 09 3C 5A 01"),
         "Kick"},
        {{"S3", "cc", "74", "1", "100", "--center-click", "on"},
         "S3",
         Bytes("07 00 04 00 00 4A 01 64"),
         ""},
        {{"B2", "bank-pc", "1", "2", "128"}, "B2", Bytes("0D 00 00 00 00 02 01 7F"), ""},
        {{"R2", "pc", "1"}, "R2", Bytes("0C"), ""},
        {{"R3", "nrpn", "1", "2", "3", "4"}, "R3", Bytes("11 00 00 00 00 01 02 01 03 04"), ""},
        {{"R4", "pc-dec"}, "R4", Bytes("0E 00 00 00 00 01"), ""},
        {{"R5", "encoder", "7"}, "R5", Bytes("09 01 00 00 00 07 00 7F"), ""},
        {{"C1", "realtime", "FA", "--port", "2"}, "C1", Bytes("13 00 00 01 00 FA"), ""},
        {{"BEND", "tempo"}, "BEND", Bytes("18"), ""},
        {{"H1", "free", "B0 07 DT", "--data-type", "0", "--min", "10", "--max", "20"},
         "H1",
         Bytes("16 00 00 00 00 01 02 0A 14 00 00 00 03 B0 07"),
         ""},
        // Without --min/--max the data range is the whole range of the data type.
        {{"H2", "free", "B0 DT", "--data-type", "1"},
         "H2",
         Bytes("16 00 00 00 00 02 01 00 0F 00 00 00 03 B0"),
         ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"set", map.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result run = Kel(args);
        ASSERT_EQ(run.status, 0) << c.control << ": " << run.err;
        EXPECT_EQ(DumpLine(map, c.control), c.control + "\t" + c.bytes + "\t" + c.comment);
    }
    // System Ex. with data field and checksum.
    ASSERT_EQ(Kel({"set", map.string(), "S1", "sysex", "f0 41 10 ss 12 dt s1 f7"}).status, 0);
    const std::string line = DumpLine(map, "S1");
    EXPECT_EQ(line.substr(0, 3 + 15 * 3), "S1\t14 00 00 00 00 01 04 00 7F 00 00 00 01 03 05 ");
    EXPECT_NE(line.find("F0 41 10 12 00 00 F7 F7"), std::string::npos);

    // The comment of a control stays when only its message changes.
    ASSERT_EQ(Kel({"set", map.string(), "A1", "none"}).status, 0);
    EXPECT_EQ(DumpLine(map, "A1"), "A1\t" + Bytes("") + "\tKick");
}

// Every value of every kind, given in the order the help text names them, lands in its byte of
// the record at the top of its range; one step beyond is refused, naming the value and range.
TEST_F(Kelmap, SetTakesEveryValueOfEveryKindUpToItsTop) {
    const fs::path map = NewMap();
    const std::string help = Kel({"--help"}).out;
    for (const kel::AssignKind& kind : kel::AssignKinds()) {
        if (kind.valueCount == 0) {
            continue;
        }
        SCOPED_TRACE(std::string(kind.word));
        std::vector<std::string> args = {"set", map.string(), "R1", std::string(kind.word)};
        std::string usage(kind.word);
        for (const kel::ValueField& v : kind.Values()) {
            args.push_back(std::to_string(v.High()));
            usage += " " + std::string(v.word);
        }
        EXPECT_NE(help.find(usage), std::string::npos) << usage;
        const Result run = Kel(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string line = DumpLine(map, "R1");
        for (const kel::ValueField& v : kind.Values()) {
            EXPECT_EQ(line.substr(3 + 3 * v.byte, 2), "7F") << v.word;
        }
        for (int i = 0; i < kind.valueCount; ++i) {
            const kel::ValueField& v = *kind.Value(i);
            std::vector<std::string> beyond(args.begin(), args.begin() + 4 + i);
            beyond.push_back(std::to_string(v.High() + 1));
            const Result refused = Kel(beyond);
            EXPECT_EQ(refused.status, 1);
            EXPECT_EQ(refused.err, "kelmap: " + std::string(v.word) + " '" +
                                       std::to_string(v.High() + 1) + "' is out of range (" +
                                       std::to_string(v.Low()) + "-" + std::to_string(v.High()) +
                                       ")\n");
        }
    }
}

TEST_F(Kelmap, RefusalsLeaveTheFileUnchanged) {
    const fs::path map = NewMap();
    ASSERT_EQ(Kel({"set", map.string(), "A1", "cc", "1"}).status, 0);
    const std::string before = ReadFile(map);
    const std::vector<std::vector<std::string>> refused = {
        {"R1", "pc", "0"},
        {"R1", "pc", "129"},
        {"R1", "cc", "128"},
        {"R1", "cc", "x"},
        {"R1", "note", "1", "2", "3"},
        {"R1", "note", "60", "--aft", "cp"},          // knobs have no AFT mode
        {"A1", "cc", "1", "--aft", "cp"},             // only notes have one
        {"A1", "note", "60", "--button", "increase"}, // not offered for notes
        {"R1", "cc", "1", "--button", "latch"},       // knobs have no button mode
        {"A1", "cc", "1", "--center-click", "on"},    // buttons have no center click
        {"R1", "note", "60", "--center-click", "on"}, // notes have none
        {"R1", "pc", "5", "--port", "2"},             // program change has no port
        {"R1", "pc-inc", "--channel", "2"},           // nor a channel
        {"R1", "cc", "1", "--channel", "17"},
        {"R1", "realtime", "F7"},
        {"R1", "sysex", "F0 41 10 F7", "--min", "3"}, // no data field to bound
        {"R1", "free", "B0 07 DT", "--data-type", "0", "--max", "128"},
        {"R1", "free", "B0 07 DT", "--data-type", "5"},
        {"R1", "tempo", "--comment", std::string(129, 'c')},
        {"X9", "tempo"},
        {"R1", "warp"},
    };
    for (const auto& args : refused) {
        std::vector<std::string> full = {"set", map.string()};
        full.insert(full.end(), args.begin(), args.end());
        const Result run = Kel(full);
        EXPECT_EQ(run.status, 1) << args[0] << " " << args[1];
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(ReadFile(map), before) << args[0] << " " << args[1];
    }
}

// A row of controls set in one run: ranges and lists in the panel's order, numbered in sequence
// with and without the reserved controller numbers, one save; a refusal anywhere in the row
// names the control and leaves the file as it was.
TEST_F(Kelmap, SetNumbersARowOfControlsInOneSave) {
    const fs::path map = NewMap();
    ASSERT_EQ(
        Kel({"set", map.string(), "R1-R8", "cc", "0", "0", "127", "--fill", "20", "--channel", "2"})
            .status,
        0);
    EXPECT_EQ(DumpLine(map, "R9"), "R9\t" + Bytes("") + "\t");

    // From 95 the row would take 96-101, which are skipped.
    ASSERT_EQ(
        Kel({"set", map.string(), "S1,S3,S5-S7", "cc", "--fill", "95:1", "--skip-reserved"}).status,
        0);
    const Result shown = Kel({"show", map.string(), "--names"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    std::vector<std::string> rows = {
        "S1      CC 95:1 (Phaser)", "S3      CC 102:1 ", "S5      CC 103:1 ", "S6      CC 104:1 ",
        "S7      CC 105:1 ",        "S2      N/A",       "R9      N/A"};
    for (int i = 0; i < 8; ++i) {
        rows.push_back("R" + std::to_string(i + 1) + "      CC " + std::to_string(20 + i) + ":2 ");
    }
    for (const std::string& row : rows) {
        EXPECT_NE(shown.out.find(row), std::string::npos) << row << "\n" << shown.out;
    }

    const std::string before = ReadFile(map);
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"R8-R1", "cc"}, "runs backwards"},
        {{"R1,X1", "cc"}, "unknown control 'X1'"},
        {{"R1,S2-S4,R1", "cc"}, "R1 is listed twice"},
        {{"R1-R9", "cc", "0", "0", "127", "--fill", "121"}, "R8: NUMBER 128 is out of range"},
        {{"A1-A3", "note", "--fill", "126", "--skip-reserved"}, "only for controller numbers"},
        {{"A1-A3", "tempo", "--fill", "1"}, "--fill needs a kind"},
        {{"A1-A3", "cc", "--channel", "2", "--aft", "cp"}, "A1: cc has no AFT mode"},
    };
    for (const auto& [args, says] : refused) {
        std::vector<std::string> full = {"set", map.string()};
        full.insert(full.end(), args.begin(), args.end());
        const Result run = Kel(full);
        EXPECT_EQ(run.status, 1) << args[0];
        EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(map), before) << args[0];
    }
    EXPECT_EQ(Kel({"set", map.string(), "R1", "cc", "--fill", "x"}).status, 2);
    EXPECT_EQ(Kel({"set", map.string(), "R1", "cc", "--skip-reserved"}).status, 2);
}

// Without a kind only the given fields change, on every listed control that has them: the
// sliders of all kinds go to channel 2 in one run, the tempo slider stays as it is, and what
// the change makes two controls send alike is told.
TEST_F(Kelmap, SetWithoutAKindChangesOnlyTheGivenFieldsOfEachControl) {
    const fs::path map = NewMap();
    ASSERT_EQ(Kel({"set", map.string(), "S1-S4", "cc", "0", "0", "127", "--fill", "70"}).status, 0);
    ASSERT_EQ(Kel({"set", map.string(), "S5", "note", "60"}).status, 0);
    ASSERT_EQ(Kel({"set", map.string(), "S6", "tempo"}).status, 0);
    ASSERT_EQ(Kel({"set", map.string(), "R1", "cc", "72", "--channel", "2"}).status, 0);
    const std::string tempo = DumpLine(map, "S6");

    const Result run = Kel({"set", map.string(), "S1-S9", "--channel", "2", "--max", "100"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning: R1 and S3 both send CC 72 on channel 2, Port 1."),
              std::string::npos)
        << run.err;
    const Result shown = Kel({"show", map.string()});
    for (const char* row : {"S1      CC 70:2 ", "S4      CC 73:2 ", "S5      NT 60:2 "}) {
        EXPECT_NE(shown.out.find(row), std::string::npos) << row << "\n" << shown.out;
    }
    EXPECT_EQ(DumpLine(map, "S6"), tempo);
    EXPECT_NE(DumpLine(map, "S1").find(" 46 00 64 "), std::string::npos) // CC 70, 0-100
        << DumpLine(map, "S1");

    const std::string before = ReadFile(map);
    for (const auto& [args, says] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"S1-S4", "--fill", "126"}, "S3: the controller number would be 128, outside 0-127."},
             {{"S1-S4", "--channel", "17"}, "--channel '17' is out of range"},
             {{"S1", "--aft", "cp"}, "--aft needs a KIND"}}) {
        std::vector<std::string> full = {"set", map.string()};
        full.insert(full.end(), args.begin(), args.end());
        const Result refused = Kel(full);
        EXPECT_EQ(refused.status, 1) << args[0];
        EXPECT_NE(refused.err.find(says), std::string::npos) << refused.err;
        EXPECT_EQ(ReadFile(map), before) << args[0];
    }
    EXPECT_EQ(Kel({"set", map.string(), "S1"}).status, 2);
}

TEST_F(Kelmap, MessageTextRefusalsNameTheCharacter) {
    const fs::path map = NewMap();
    Result run = Kel({"set", map.string(), "R1", "sysex", "F0 S1 F7"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("There is a mistake in the message you input."), std::string::npos);
    EXPECT_NE(run.err.find("character 4: 'S'"), std::string::npos) << run.err;

    std::string longText = "F0";
    for (int i = 0; i < 23; ++i) {
        longText += " 01";
    }
    run = Kel({"set", map.string(), "R1", "sysex", longText + " F7"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("The message exceeds 24 bytes."), std::string::npos) << run.err;

    run = Kel({"set", map.string(), "R1", "free"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("There is a mistake"), std::string::npos);
}

// A map that cannot be read or saved is named, as the user typed it, with the cause in words
// (a file that is there but no map in the editor's words); merge says which of its maps it
// could not read; links that lead back to each other are called a symlink loop.
TEST_F(Kelmap, LoadAndSaveFailuresNameTheFileAndTheCause) {
    const fs::path map = NewMap();
    std::ofstream(dir_ / "junk.mid") << "not a midi file at all";
    fs::create_symlink("loop2.mid", dir_ / "loop1.mid");
    fs::create_symlink("loop1.mid", dir_ / "loop2.mid");
    const std::string here = "cd " + Quote(dir_.string()) + " && %";
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"dump", "b.mid"}, "Cannot read b.mid: no such file"},
        {{"show", "junk.mid"}, "Cannot read junk.mid: Failed to load the file."},
        {{"dump", "map.mid", "--memory-set"},
         "Cannot read map.mid: This file is not a KEL memory set file."},
        {{"dump", "loop1.mid"}, "Cannot read loop1.mid: symlink loop"},
        {{"convert", "map.mid", "loop1.mid"}, "Cannot save loop1.mid: symlink loop"},
        {{"convert", "map.mid", "no/copy.mid"}, "Cannot save no/copy.mid: no such file"},
        {{"syx", "map.mid", "no/map.syx"}, "Cannot save no/map.syx: no such file"},
        {{"html", "map.mid", "."},
         "Cannot save .: permission denied, a read-only disk, or not a file"},
        {{"merge", "b.mid", "map.mid", "--controls", "R1", "-o", "out.mid"},
         "Cannot read BASE b.mid: no such file"},
        {{"merge", "map.mid", "b.mid", "--controls", "R1", "-o", "out.mid"},
         "Cannot read OTHER b.mid: no such file"},
        {{"merge", "map.mid", "junk.mid", "--controls", "R1", "-o", "out.mid"},
         "Cannot read OTHER junk.mid: Failed to load the file."},
        {{"merge", "map.mid", "map.mid", "--controls", "R1", "-o", "no/out.mid"},
         "Cannot save no/out.mid: no such file"},
    };
    for (const auto& c : cases) {
        const Result run = Kel(c.args, nullptr, here);
        EXPECT_EQ(run.status, 1) << c.says;
        EXPECT_EQ(run.err, "kelmap: " + c.says + "\n");
    }
    EXPECT_FALSE(fs::exists(dir_ / "out.mid"));
}

TEST_F(Kelmap, ConvertShowAndHtml) {
    const fs::path map = NewMap();
    ASSERT_EQ(Kel({"set", map.string(), "MOD", "cc", "1", "--comment", "Wheel"}).status, 0);
    const fs::path copy = dir_ / "copy.mid";
    ASSERT_EQ(Kel({"convert", map.string(), copy.string()}).status, 0);
    EXPECT_EQ(Kel({"dump", copy.string()}).out, Kel({"dump", map.string()}).out);

    const Result show = Kel({"show", map.string()});
    ASSERT_EQ(show.status, 0);
    EXPECT_NE(show.out.find("MOD"), std::string::npos);
    EXPECT_NE(show.out.find("Wheel"), std::string::npos);
    EXPECT_NE(show.out.find("Port 1"), std::string::npos);

    const fs::path html = dir_ / "list.htm";
    ASSERT_EQ(Kel({"html", map.string(), html.string()}).status, 0);
    const std::string page = ReadFile(html);
    EXPECT_NE(page.find("Live set"), std::string::npos);
    EXPECT_NE(page.find("Wheel"), std::string::npos);
    EXPECT_NE(page.find("\r\n"), std::string::npos);
}

TEST_F(Kelmap, TitlesOfEveryEncodingShowAndNewTakesUtf8) {
    // Maps as a Japanese and a Western Windows system wrote them, and one of this editor.
    const struct {
        TextEncoding encoding;
        std::string title;
        std::string fileBytes;
    } cases[] = {
        {TextEncoding::Cp932, "日本語のピアノ", "\x93\xFA\x96\x7B\x8C\xEA"},
        {TextEncoding::Cp1252, "Größe Café", "Gr\xF6\xDF\x65 Caf\xE9"},
        {TextEncoding::Utf8, "Café 日本", "Caf\xC3\xA9 \xE6\x97\xA5"},
    };
    for (const auto& c : cases) {
        CParameter doc;
        doc.Map().textEncoding = c.encoding;
        doc.SetTitle(c.title);
        const fs::path map = dir_ / "encoded.mid";
        ASSERT_TRUE(SaveMapDocument(map.string(), doc).Ok());
        ASSERT_NE(ReadFile(map).find(c.fileBytes), std::string::npos) << c.title;
        const Result show = Kel({"show", map.string()}, nullptr, "LC_ALL=C.UTF-8 %");
        EXPECT_NE(show.out.find("Title: " + c.title + "\n"), std::string::npos) << show.out;
    }

    const fs::path made = dir_ / "made.mid";
    ASSERT_EQ(Kel({"new", made.string(), "--title", "Café 日本"}).status, 0);
    EXPECT_NE(ReadFile(made).find("\x03\x0c"
                                  "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"),
              std::string::npos);
    // The limit is the file's bytes: 42 Japanese characters fill 126 of them, one more is too
    // many.
    std::string full;
    for (int i = 0; i < 42; ++i) {
        full += "日";
    }
    EXPECT_EQ(Kel({"new", made.string(), "--title", full}).status, 0);
    const Result tooLong = Kel({"new", made.string(), "--title", full + "日"});
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.err.find("128 bytes"), std::string::npos) << tooLong.err;
}

// A comment with a character the file's Shift-JIS lacks needs the whole file in UTF-8, where a
// title or another comment of 64 kanji (128 bytes in the file, 192 in UTF-8) does not fit: the
// refusal names that text, and the file keeps its bytes. A comment the file's encoding has is
// taken.
TEST_F(Kelmap, ACommentRefusedBecauseOfAnotherTextNamesThatText) {
    std::string kanji64;
    for (int i = 0; i < 64; ++i) {
        kanji64 += "日";
    }
    const std::string emoji = "Lead \U0001F3B9";
    const std::string inUtf8 = " would take 192 bytes in UTF-8, the encoding the map file would "
                               "then be written in: more than the 128 bytes a text has there. It "
                               "is not cut, so nothing is changed.\n";
    const fs::path titled = dir_ / "titled.mid";
    const fs::path commented = dir_ / "commented.mid";
    {
        CParameter doc;
        doc.Map().textEncoding = TextEncoding::Cp932;
        doc.SetTitle(kanji64);
        ASSERT_TRUE(SaveMapDocument(titled.string(), doc).Ok());
        doc.SetTitle("Piano");
        doc.Map().comments[static_cast<std::size_t>(kel::FindController("S3"))] = kanji64;
        ASSERT_TRUE(SaveMapDocument(commented.string(), doc).Ok());
    }
    const std::string titledBytes = ReadFile(titled);
    const std::string commentedBytes = ReadFile(commented);

    Result run = Kel({"set", titled.string(), "R1", "cc", "1", "--comment", emoji});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "kelmap: --comment: The title" + inUtf8);
    run = Kel({"set", commented.string(), "R1", "cc", "1", "--comment", emoji});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "kelmap: --comment: The comment of S3" + inUtf8);
    run = Kel({"set", titled.string(), "R1", "cc", "1", "--comment", kanji64 + "日"});
    EXPECT_EQ(run.err, "kelmap: --comment is longer than the 128 bytes a comment takes in the "
                       "file\n");
    EXPECT_EQ(ReadFile(titled), titledBytes);
    EXPECT_EQ(ReadFile(commented), commentedBytes);

    ASSERT_EQ(Kel({"set", titled.string(), "R1", "cc", "1", "--comment", kanji64}).status, 0);
    EXPECT_NE(ReadFile(titled).find("\x93\xFA\x93\xFA"), std::string::npos);
}

// A text the user did not change is never cut: a merge or a set that would take a CP932 map
// to UTF-8, where its title of 64 kanji takes 192 bytes instead of 128, is refused naming the
// title and writes nothing; a comment with a place in CP932 is taken, the title's bytes kept.
TEST_F(Kelmap, MergeAndSetRefuseToCutATitleTheUserDidNotChange) {
    std::string kanji;
    std::string kanjiBytes;
    for (int i = 0; i < 64; ++i) {
        kanji += "日";
        kanjiBytes += "\x93\xFA";
    }
    CParameter doc;
    doc.Map().textEncoding = TextEncoding::Cp932;
    doc.SetTitle(kanji);
    const fs::path base = dir_ / "base.mid";
    ASSERT_TRUE(SaveMapDocument(base.string(), doc).Ok());
    const std::string baseBytes = ReadFile(base);
    ASSERT_NE(baseBytes.find(std::string("\x03\x81\x00", 3) + kanjiBytes), std::string::npos);
    const fs::path other = dir_ / "other.mid";
    ASSERT_EQ(Kel({"new", other.string(), "--title", "Other"}).status, 0);
    ASSERT_EQ(Kel({"set", other.string(), "R1", "cc", "74", "--comment", "é€"}).status, 0);
    ASSERT_EQ(Kel({"set", other.string(), "R2", "cc", "75", "--comment", "ピアノ"}).status, 0);

    const std::string why = "The title would take 192 bytes in UTF-8, the encoding the map file "
                            "would then be written in: more than the 128 bytes a text has "
                            "there. It is not cut, so nothing is changed.";
    const fs::path out = dir_ / "out.mid";
    Result run =
        Kel({"merge", base.string(), other.string(), "--controls", "R1,R2", "-o", out.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "kelmap: " + why + "\n");
    EXPECT_FALSE(fs::exists(out));
    run = Kel({"merge", base.string(), other.string(), "--controls", "R1", "-o", base.string()});
    EXPECT_EQ(run.status, 1);
    run = Kel({"set", base.string(), "R1", "cc", "74", "--comment", "é"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "kelmap: --comment: " + why + "\n");
    EXPECT_EQ(ReadFile(base), baseBytes);

    run = Kel({"merge", base.string(), other.string(), "--controls", "R2", "-o", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(ReadFile(out).find(std::string("\x03\x81\x00", 3) + kanjiBytes), std::string::npos);
    EXPECT_EQ(DumpLine(out, "R2"), DumpLine(other, "R2"));
}

TEST_F(Kelmap, SyxFilesRoundTrip) {
    const fs::path map = NewMap();
    ASSERT_EQ(Kel({"set", map.string(), "S3", "cc", "74", "--comment", "Cutoff"}).status, 0);
    ASSERT_EQ(Kel({"set", map.string(), "R1", "sysex", "F0 41 10 SS 12 DT S1 F7"}).status, 0);
    const fs::path syx = dir_ / "map.syx";
    ASSERT_EQ(Kel({"syx", map.string(), syx.string()}).status, 0);
    EXPECT_EQ(fs::file_size(syx), 50u * 141u);

    const fs::path back = dir_ / "back.mid";
    const Result from = Kel({"from-syx", syx.string(), back.string()});
    ASSERT_EQ(from.status, 0) << from.err;
    // The records come back; a .syx file has no title and no comments.
    const Result compare = Kel({"compare", map.string(), back.string()});
    EXPECT_EQ(compare.status, 1);
    EXPECT_EQ(compare.out, "Title: \"Live set\" \u2192 \"\"\n"
                           "S3: CC 74:1 (comment \"Cutoff\" \u2192 \"\")\n");

    // Refusals name the reason and write nothing.
    const std::string bytes = ReadFile(syx);
    std::ofstream(dir_ / "cut.syx", std::ios::binary) << bytes.substr(0, bytes.size() - 141);
    Result run = Kel({"from-syx", (dir_ / "cut.syx").string(), (dir_ / "out.mid").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "kelmap: " + (dir_ / "cut.syx").string() +
                           ": The file holds 49 of the 50 KEL bulk messages; missing: AFT.\n");
    run = Kel({"from-syx", map.string(), (dir_ / "out.mid").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Standard MIDI File"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "out.mid"));
    EXPECT_EQ(Kel({"syx", (dir_ / "none.mid").string(), syx.string()}).status, 1);
    EXPECT_EQ(Kel({"syx", map.string()}).status, 2);
}

TEST_F(Kelmap, CheckListsFindingsAndFailsOnErrors) {
    const fs::path map = NewMap();
    Result run = Kel({"check", map.string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");

    ASSERT_EQ(Kel({"set", map.string(), "S3", "cc", "74"}).status, 0);
    ASSERT_EQ(Kel({"set", map.string(), "S4", "cc", "74", "100", "20"}).status, 0);
    run = Kel({"check", map.string()});
    EXPECT_EQ(run.status, 0); // warnings only
    EXPECT_EQ(run.out, "warning: S3 and S4 both send CC 74 on channel 1, Port 1.\n"
                       "warning: S4: the minimum 100 is above the maximum 20.\n");

    // A map with an invalid assign code, brought in through a .syx file.
    kel::RecordTable records{};
    records[0][kel::rec::AssignCode] = 11;
    const fs::path syx = dir_ / "bad.syx";
    ASSERT_TRUE(kel::SaveSyxFile(records, syx.string()).Ok());
    const fs::path bad = dir_ / "bad.mid";
    ASSERT_EQ(Kel({"from-syx", syx.string(), bad.string()}).status, 0);
    run = Kel({"check", bad.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "error: R1: assign code 11 is not a known message kind.\n");

    EXPECT_EQ(Kel({"check", (dir_ / "none.mid").string()}).status, 2);
}

TEST_F(Kelmap, CompareExitsZeroOnlyForEqualMaps) {
    const fs::path a = NewMap("a.mid");
    const fs::path b = NewMap("b.mid");
    Result run = Kel({"compare", a.string(), b.string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "The control maps are equal.\n");

    ASSERT_EQ(Kel({"set", b.string(), "BEND", "nrpn", "1", "2"}).status, 0);
    ASSERT_EQ(Kel({"set", b.string(), "A1", "tempo", "--button", "latch"}).status, 0);
    ASSERT_EQ(Kel({"set", a.string(), "A1", "tempo"}).status, 0);
    run = Kel({"compare", a.string(), b.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "A1: TEMPO (button mode Unlatch \u2192 Latch)\n"
                       "BEND: N/A \u2192 NP 1/2:1\n");

    run = Kel({"compare", a.string(), (dir_ / "none.mid").string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "kelmap: Cannot read " + (dir_ / "none.mid").string() + ": no such file\n");
}

// merge writes BASE with the listed controls of OTHER, comments included and BASE's title kept;
// every bad argument is refused before anything is written.
TEST_F(Kelmap, MergeTakesTheListedControlsAndRefusesBadArgumentsWritingNothing) {
    const fs::path base = NewMap("base.mid");
    ASSERT_EQ(Kel({"set", base.string(), "R3", "cc", "7", "0", "127"}).status, 0);
    const fs::path other = dir_ / "other.mid";
    ASSERT_EQ(Kel({"new", other.string(), "--title", "Other"}).status, 0);
    ASSERT_EQ(Kel({"set", other.string(), "R1-R3", "cc", "74", "0", "127", "--comment",
                   "Cutoff \u30ab\u30c3\u30c8"})
                  .status,
              0);
    const std::string baseBytes = ReadFile(base);
    const std::string otherBytes = ReadFile(other);

    const fs::path out = dir_ / "out.mid";
    Result run =
        Kel({"merge", base.string(), other.string(), "--controls", "R1,R2", "-o", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(DumpLine(out, "R1"), DumpLine(other, "R1"));
    EXPECT_EQ(DumpLine(out, "R2"), DumpLine(other, "R2"));
    EXPECT_EQ(DumpLine(out, "R3"), DumpLine(base, "R3")); // not listed: the base's
    const Result dump = Kel({"dump", out.string()});
    EXPECT_EQ(dump.out.rfind("TITLE\tLive set\n", 0), 0u) << dump.out;

    // Refused, exit 2 and a reason; no file appears and the inputs keep their bytes.
    const fs::path none = dir_ / "none.mid";
    const struct {
        std::vector<std::string> args;
        const char* says;
    } refusals[] = {
        {{"merge", base.string(), other.string(), "--controls", "R1"}, "needs -o"},
        {{"merge", base.string(), other.string(), "-o", none.string()}, "needs --controls"},
        {{"merge", base.string(), other.string(), "--controls", "R8-R1", "-o", none.string()},
         "runs backwards"},
        {{"merge", base.string(), other.string(), "--controls", "Q1", "-o", none.string()}, "Q1"},
        {{"merge", base.string(), other.string(), "--controls", "R1", "-o", other.string()},
         "OUT is OTHER"},
        {{"merge", base.string(), "--controls", "R1", "-o", none.string()}, "missing"},
    };
    for (const auto& refusal : refusals) {
        run = Kel(refusal.args);
        EXPECT_EQ(run.status, 2) << refusal.says;
        EXPECT_NE(run.err.find(refusal.says), std::string::npos) << run.err;
    }
    run = Kel({"merge", base.string(), (dir_ / "gone.mid").string(), "--controls", "R1", "-o",
               none.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "kelmap: Cannot read OTHER " + (dir_ / "gone.mid").string() + ": no such file\n");
    EXPECT_FALSE(fs::exists(none));
    EXPECT_EQ(ReadFile(base), baseBytes);
    EXPECT_EQ(ReadFile(other), otherBytes);

    // In place: OUT may be BASE.
    run = Kel({"merge", base.string(), other.string(), "--controls", "R3", "-o", base.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(DumpLine(base, "R3"), DumpLine(other, "R3"));
}

// --- files under hostile conditions ----------------------------------------------------------

// Runs a shell script; its exit status.
int Shell(const std::string& script) {
    const int status = std::system(script.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Kelmap, ParallelSetsOnOneFileAllLand) {
    const fs::path map = NewMap();
    std::vector<std::string> controls;
    for (const char* row : {"R", "S", "A", "B"}) {
        for (int i = 1; i <= 9; ++i) {
            controls.push_back(row + std::to_string(i));
        }
    }
    // Every control is set by a process of its own, all started together.
    std::string script = "cd " + Quote(dir_.string()) + " && fail=0; pids=;";
    for (std::size_t i = 0; i < controls.size(); ++i) {
        script += " " + Quote(KELMAP_PATH) + " set map.mid " + controls[i] + " cc " +
                  std::to_string(i + 1) + " --comment c" + std::to_string(i) +
                  " & pids=\"$pids $!\";";
    }
    script += " for p in $pids; do wait $p || fail=1; done; exit $fail";
    ASSERT_EQ(Shell(script), 0);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const std::string line = DumpLine(map, controls[i]);
        EXPECT_EQ(line.substr(line.rfind('\t') + 1), "c" + std::to_string(i)) << controls[i];
    }
}

// Merges into one map, in place, and sets on it, all started together: every change that
// exits 0 is in the file afterwards.
TEST_F(Kelmap, ParallelMergesAndSetsOnOneFileAllLand) {
    const fs::path map = NewMap();
    const fs::path other = dir_ / "other.mid";
    ASSERT_EQ(Kel({"new", other.string()}).status, 0);
    ASSERT_EQ(Kel({"set", other.string(), "R1-R9,S1-S9", "cc", "0", "0", "127", "--fill", "20",
                   "--comment", "taken"})
                  .status,
              0);
    std::vector<std::string> merged;
    std::vector<std::string> set;
    for (int i = 1; i <= 9; ++i) {
        merged.push_back("R" + std::to_string(i));
        merged.push_back("S" + std::to_string(i));
        set.push_back("A" + std::to_string(i));
        set.push_back("B" + std::to_string(i));
    }
    std::string script = "cd " + Quote(dir_.string()) + " && fail=0; pids=;";
    for (std::size_t i = 0; i < merged.size(); ++i) {
        script += " " + Quote(KELMAP_PATH) + " merge map.mid other.mid --controls " + merged[i] +
                  " -o map.mid & pids=\"$pids $!\";";
        script += " " + Quote(KELMAP_PATH) + " set map.mid " + set[i] + " cc " +
                  std::to_string(i + 1) + " --comment s" + std::to_string(i) +
                  " & pids=\"$pids $!\";";
    }
    script += " for p in $pids; do wait $p || fail=1; done; exit $fail";
    ASSERT_EQ(Shell(script), 0);
    for (const std::string& control : merged) {
        EXPECT_EQ(DumpLine(map, control), DumpLine(other, control));
    }
    for (std::size_t i = 0; i < set.size(); ++i) {
        const std::string line = DumpLine(map, set[i]);
        EXPECT_EQ(line.substr(line.rfind('\t') + 1), "s" + std::to_string(i)) << set[i];
    }
    const Result dump = Kel({"dump", map.string()});
    EXPECT_EQ(dump.out.rfind("TITLE\tLive set\n", 0), 0u) << dump.out;
}

TEST_F(Kelmap, SetLeavesNoLockBesideTheMapAndLocksOnlyAMapItCanWrite) {
    const fs::path map = NewMap();
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0644), 0);
    fs::create_directory(dir_ / "dir");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string sockPath = (dir_ / "sock").string();
    ASSERT_LT(sockPath.size(), sizeof address.sun_path);
    std::copy(sockPath.begin(), sockPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    fs::create_symlink("map.mid", dir_ / "link.mid");
    const fs::path run = dir_ / "run";
    fs::create_directory(run);
    fs::permissions(run, fs::perms::owner_all, fs::perm_options::replace);
    const std::string shell = "XDG_RUNTIME_DIR=" + Quote(run.string()) + " timeout 60 %";

    for (const std::string target : {"fifo", "dir", "sock", "", "missing.mid"}) {
        const Result set = Kel({"set", (dir_ / target).string(), "R1", "cc", "1"}, nullptr, shell);
        EXPECT_EQ(set.status, 1) << target;
        EXPECT_TRUE(fs::is_empty(run)) << target;
    }
    EXPECT_EQ(Kel({"set", "", "R1", "cc", "1"}, nullptr, shell).status, 1);
    // The map and a link to it share one lock.
    EXPECT_EQ(Kel({"set", map.string(), "R1", "cc", "1"}, nullptr, shell).status, 0);
    EXPECT_EQ(Kel({"set", (dir_ / "link.mid").string(), "R2", "cc", "2"}, nullptr, shell).status,
              0);
    EXPECT_EQ(std::distance(fs::directory_iterator(run), fs::directory_iterator()), 1);
    ::close(sock);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"dir", "fifo", "link.mid", "map.mid", "run", "sock",
                                               "stderr.txt"}));
}

TEST_F(Kelmap, TheNextSaveRemovesWhatKilledSavesLeft) {
    // Runs killed in the middle of their save, between writing the new file and renaming it
    // onto the map (strace sends the signal as the rename begins).
    if (Shell("strace -o /dev/null true 2>/dev/null") != 0) {
        GTEST_SKIP() << "strace cannot trace here";
    }
    const fs::path map = NewMap();
    const auto leftovers = [&] {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            count += entry.path().filename().string().find("_tmpbulk.") != std::string::npos;
        }
        return count;
    };
    const auto killedInSave = [&](const std::vector<std::string>& args) {
        const std::string strace =
            "strace -o /dev/null -e trace=rename -e inject=rename:signal=KILL %";
        return Kel(args, nullptr, strace).status == 128 + SIGKILL; // as strace reports it
    };
    // Each leaves its temporary file; the next one removes the ones before it.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(killedInSave({"set", map.string(), "R1", "cc", std::to_string(i)}));
        EXPECT_EQ(leftovers(), 1);
        EXPECT_TRUE(killedInSave({"convert", map.string(), (dir_ / "copy.mid").string()}));
        EXPECT_EQ(leftovers(), 1);
    }
    const Result set = Kel({"set", map.string(), "R2", "cc", "5"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(leftovers(), 0);
}

TEST_F(Kelmap, ParallelListExportsEachWriteTheirOwnListAndLeaveNothing) {
    const fs::path a = dir_ / "a.mid";
    const fs::path b = dir_ / "b.mid";
    ASSERT_EQ(Kel({"new", a.string(), "--title", "Map A"}).status, 0);
    ASSERT_EQ(Kel({"new", b.string(), "--title", "Map B"}).status, 0);
    const fs::path tmp = dir_ / "tmp";
    const fs::path out = dir_ / "out";
    fs::create_directories(tmp);
    fs::create_directories(out);
    constexpr int kPairs = 20;
    const std::string kel = Quote(KELMAP_PATH);
    std::string script = "cd " + Quote(dir_.string()) + " && export TMPDIR=" + Quote(tmp.string()) +
                         " && fail=0; for i in $(seq " + std::to_string(kPairs) + "); do " + kel +
                         " html a.mid out/a$i.htm & p=$!; " + kel +
                         " html b.mid out/b$i.htm || fail=1; wait $p || fail=1; done; exit $fail";
    EXPECT_EQ(Shell(script), 0);
    for (int i = 1; i <= kPairs; ++i) {
        const std::string listA = ReadFile(out / ("a" + std::to_string(i) + ".htm"));
        const std::string listB = ReadFile(out / ("b" + std::to_string(i) + ".htm"));
        EXPECT_NE(listA.find("Map A"), std::string::npos) << i;
        EXPECT_NE(listB.find("Map B"), std::string::npos) << i;
    }
    EXPECT_TRUE(fs::is_empty(tmp));
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2 * kPairs);
}

TEST_F(Kelmap, ControlCharactersFromAFileArePrintedEscaped) {
    // Texts the editor's fields would never take, but a file may hold: a terminal title
    // sequence, a TAB, a line break, a backslash and Japanese letters.
    const std::string title = "Set\x1b]0;owned\x07";
    const std::string comment = "one\ttwo\nthree\r\\ \x7f \xe9\x9f\xb3";
    CParameter doc;
    doc.SetTitle(title);
    doc.SetMapComment(0, comment);
    const fs::path map = dir_ / "odd.mid";
    ASSERT_TRUE(SaveMapDocument(map.string(), doc).Ok());
    const std::string shownTitle = "Set\\x1b]0;owned\\x07";
    const std::string shownComment = "one\\ttwo\\nthree\\r\\\\ \\x7f \xe9\x9f\xb3";

    const Result dump = Kel({"dump", map.string()});
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(std::count(dump.out.begin(), dump.out.end(), '\n'), 52);
    EXPECT_NE(dump.out.find("TITLE\t" + shownTitle + "\n"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("\t" + shownComment + "\n"), std::string::npos) << dump.out;

    const Result show = Kel({"show", map.string()});
    EXPECT_NE(show.out.find("Title: " + shownTitle + "\n"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find(shownComment + "\n"), std::string::npos) << show.out;

    const Result compare = Kel({"compare", map.string(), NewMap().string()});
    EXPECT_EQ(compare.status, 1);
    EXPECT_NE(compare.out.find(shownTitle), std::string::npos) << compare.out;
    EXPECT_NE(compare.out.find(shownComment), std::string::npos) << compare.out;
    for (const Result* run : {&dump, &show, &compare}) {
        EXPECT_EQ(run->out.find('\x1b'), std::string::npos);
        EXPECT_EQ(run->out.find('\r'), std::string::npos);
    }
    // The file keeps its bytes.
    CParameter again;
    ASSERT_TRUE(ReadMapFile(map.string(), ControlMapKind, again).Ok());
    EXPECT_EQ(again.GetTitle(), title);
    EXPECT_EQ(again.GetMapComment(0), comment);
}

TEST_F(Kelmap, EightBitAndBidirectionalControlsArePrintedEscaped) {
    // An 8-bit terminal's title sequence raw and in UTF-8, and overrides that show "gnp.exe"
    // as "exe.png", in a C and a UTF-8 locale; a Japanese title in UTF-8 stays as it is.
    const std::string title = "\xc2\x9d"
                              "0;TITLE\xc2\x9c gnp\xe2\x80\xae.exe";
    const std::string comment = "\xc2\x9b"
                                "2J \xe2\x81\xa7x\xe2\x81\xa9";
    CParameter doc;
    doc.SetTitle(title);
    doc.SetMapComment(0, comment);
    const fs::path map = dir_ / "odd.mid";
    ASSERT_TRUE(SaveMapDocument(map.string(), doc).Ok());
    CParameter japanese;
    japanese.SetTitle("\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe6\x9b\xb2");
    const fs::path plain = dir_ / "japanese.mid";
    ASSERT_TRUE(SaveMapDocument(plain.string(), japanese).Ok());
    const fs::path other = NewMap();
    const std::string shownTitle = "\\u009d0;TITLE\\u009c gnp\\u202e.exe";
    const std::string shownComment = "\\u009b2J \\u2067x\\u2069";

    for (const std::string locale : {"C", "C.UTF-8"}) {
        const std::string shell = "LC_ALL=" + locale + " %";
        const Result dump = Kel({"dump", map.string()}, nullptr, shell);
        ASSERT_EQ(dump.status, 0) << dump.err;
        EXPECT_NE(dump.out.find("TITLE\t" + shownTitle + "\n"), std::string::npos) << dump.out;
        EXPECT_NE(dump.out.find("\t" + shownComment + "\n"), std::string::npos) << dump.out;
        const Result show = Kel({"show", map.string()}, nullptr, shell);
        EXPECT_NE(show.out.find("Title: " + shownTitle + "\n"), std::string::npos) << show.out;
        EXPECT_NE(show.out.find(shownComment + "\n"), std::string::npos) << show.out;
        const Result compare = Kel({"compare", map.string(), other.string()}, nullptr, shell);
        EXPECT_EQ(compare.status, 1);
        EXPECT_NE(compare.out.find(shownTitle), std::string::npos) << compare.out;
        EXPECT_NE(compare.out.find(shownComment), std::string::npos) << compare.out;
        const Result check = Kel({"check", map.string()}, nullptr, shell);
        for (const Result* run : {&dump, &show, &compare, &check}) {
            for (const char* control : {"\x9d", "\x9b", "\x9c", "\xe2\x80\xae", "\xe2\x81"}) {
                EXPECT_EQ(run->out.find(control), std::string::npos) << locale << run->out;
            }
        }
        const Result japaneseDump = Kel({"dump", plain.string()}, nullptr, shell);
        EXPECT_EQ(japaneseDump.out.substr(0, japaneseDump.out.find('\n')),
                  "TITLE\t" + japanese.GetTitle())
            << locale;
    }
}

// In a Shift_JIS and in a Latin-1 locale, texts are printed in the terminal's character set,
// "?" for a character without a place there. The locales are made for the test with
// localedef; without it (or its character maps) the test is skipped.
TEST_F(Kelmap, TextsArePrintedInTheTerminalsCharacterSet) {
    const fs::path locales = dir_ / "locales";
    fs::create_directories(locales);
    for (const char* charmap : {"SHIFT_JIS", "ISO-8859-1"}) {
        const std::string make = "localedef --no-warnings=ascii -i C -f " + std::string(charmap) +
                                 " " + Quote((locales / ("C." + std::string(charmap))).string()) +
                                 " >/dev/null 2>&1";
        if (std::system(make.c_str()) == -1 ||
            !fs::exists(locales / ("C." + std::string(charmap)))) {
            GTEST_SKIP() << "localedef cannot make a " << charmap << " locale here";
        }
    }
    CParameter doc;
    doc.SetTitle("Caf\u00E9 \u65E5\u672C\u2460\uFF71");
    const fs::path map = dir_ / "map.mid";
    ASSERT_TRUE(SaveMapDocument(map.string(), doc).Ok());
    const struct {
        const char* locale;
        std::string title;
    } cases[] = {
        {"C.SHIFT_JIS", "Caf? \x93\xFA\x96\x7B\x87\x40\xB1"},
        {"C.ISO-8859-1", "Caf\xE9 ????"},
    };
    for (const auto& c : cases) {
        const std::string shell =
            "LOCPATH=" + Quote(locales.string()) + " LC_ALL=" + c.locale + " %";
        const Result dump = Kel({"dump", map.string()}, nullptr, shell);
        ASSERT_EQ(dump.status, 0) << dump.err;
        EXPECT_EQ(dump.out.substr(0, dump.out.find('\n')), "TITLE\t" + c.title) << c.locale;
    }
}

TEST_F(Kelmap, SetAndConvertKeepALongCopyrightTextWhole) {
    for (const std::size_t size : {(std::size_t{2} << 20) + 12345, std::size_t{64} << 20}) {
        std::string text(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            text[i] = static_cast<char>((i * 7919) ^ (i >> 11));
        }
        const fs::path map = dir_ / "long.mid";
        {
            CParameter doc;
            doc.SetCopyrightText(text);
            ASSERT_TRUE(SaveMapDocument(map.string(), doc).Ok());
        }
        const Result set = Kel({"set", map.string(), "R1", "none", "--comment", "changed"});
        ASSERT_EQ(set.status, 0) << set.err;
        const fs::path converted = dir_ / "converted.mid";
        const Result convert = Kel({"convert", map.string(), converted.string()});
        ASSERT_EQ(convert.status, 0) << convert.err;
        // A conversion writes what it read: the same bytes.
        EXPECT_TRUE(ReadFile(converted) == ReadFile(map)) << size;

        CParameter again;
        ASSERT_TRUE(ReadMapFile(converted.string(), ControlMapKind, again).Ok());
        EXPECT_TRUE(again.CopyrightText() == text) << size;
        EXPECT_EQ(again.GetMapComment(kel::FindController("R1")), "changed");
    }
}

TEST_F(Kelmap, AFifoIsRefusedInsteadOfWaitedFor) {
    const fs::path pipe = dir_ / "pipe.syx";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const fs::path out = dir_ / "out.mid";
    // No writer at all: the open must not wait for one. A writer that never writes: the read
    // must not wait for data.
    Result run = Kel({"from-syx", pipe.string(), out.string()}, nullptr, "timeout 60 %");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot be read"), std::string::npos) << run.err;
    run = Kel({"dump", pipe.string()}, nullptr,
              "{ sleep 90 >" + Quote(pipe.string()) +
                  " & w=$!; timeout 60 %; s=$?; kill $w; exit $s; }");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "kelmap: Cannot read " + pipe.string() +
                           ": permission denied, a read-only disk, or not a file\n");
    EXPECT_FALSE(fs::exists(out));
}

// Transmit, receive and the port list through the built-in virtual KEL device. Each kelmap
// process has a device of its own, starting with an empty memory.
constexpr const char* kVirtual = "Virtual KEL Device";

TEST_F(Kelmap, PortsListsTheVirtualDevice) {
    const Result run = Kel({"ports", "--api", "virtual"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "in\tVirtual KEL Device\nout\tVirtual KEL Device\n");
    EXPECT_EQ(Kel({"ports", "--api", "midi"}).status, 2);
}

TEST_F(Kelmap, TransmitThroughTheVirtualDevice) {
    const fs::path map = NewMap();
    const std::string enter = "\n";
    Result run =
        Kel({"transmit", map.string(), "--api", "virtual", "--out", kVirtual, "--yes"}, &enter);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Overwrite KEL's current memory."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Please set the KEL to Bulk Receive mode."), std::string::npos);
    EXPECT_NE(run.err.find("50/50"), std::string::npos) << run.err; // the full bar
    // Without --api the system is the one that lists the named port, as in the editor.
    run = Kel({"transmit", map.string(), "--out", kVirtual, "--yes"}, &enter);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("50/50"), std::string::npos) << run.err;

    // Without --yes the question is asked; anything but "y" declines.
    const std::string yes = "y\n\n", no = "n\n";
    run = Kel({"transmit", map.string(), "--api", "virtual", "--out", kVirtual}, &yes);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("[y/N]"), std::string::npos);
    run = Kel({"transmit", map.string(), "--api", "virtual", "--out", kVirtual}, &no);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.find("Bulk Receive"), std::string::npos); // ended at the question
    // No Enter at the instructions (input ends): cancelled, not sent.
    const std::string none;
    run = Kel({"transmit", map.string(), "--api", "virtual", "--out", kVirtual, "--yes"}, &none);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.find("50/50"), std::string::npos);
}

TEST_F(Kelmap, ReceiveSavesTheDevicesMemory) {
    const fs::path received = dir_ / "received.mid";
    const std::string none;
    const Result run = Kel({"receive", received.string(), "--api", "virtual", "--in", kVirtual,
                            "--out", kVirtual, "--yes"},
                           &none);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Please set the KEL to Bulk Transmit mode."), std::string::npos);
    EXPECT_NE(run.err.find("50/50"), std::string::npos) << run.err;
    ASSERT_TRUE(fs::exists(received));
    // The virtual device's empty memory: every record zero, no title.
    const fs::path empty = dir_ / "empty.mid";
    ASSERT_EQ(Kel({"new", empty.string()}).status, 0);
    EXPECT_EQ(Kel({"compare", empty.string(), received.string()}).status, 0);
}

// Every completed transfer is kept in the history, newest first, the oldest going beyond the
// cap; a declined one adds nothing; a damaged entry is listed with its reason.
TEST_F(Kelmap, TransfersAreKeptInTheHistoryCappedNewestFirst) {
    const fs::path map = NewMap();
    ASSERT_EQ(Kel({"set", map.string(), "S1", "cc", "74", "0", "127"}).status, 0);
    const fs::path history = dir_ / "history";
    const std::string enter = "\n", no = "n\n", none;
    const auto transmit = [&] {
        const Result run = Kel({"transmit", map.string(), "--api", "virtual", "--out", kVirtual,
                                "--yes", "--history-size", "3"},
                               &enter);
        EXPECT_EQ(run.status, 0) << run.err;
    };
    transmit();
    const fs::path received = dir_ / "received.mid";
    Result run = Kel({"receive", received.string(), "--api", "virtual", "--in", kVirtual, "--out",
                      kVirtual, "--yes", "--history-size", "3"},
                     &none);
    ASSERT_EQ(run.status, 0) << run.err;
    run = Kel({"transmit", map.string(), "--api", "virtual", "--out", kVirtual}, &no);
    ASSERT_EQ(run.status, 1); // declined
    transmit();
    transmit();

    run = Kel({"history"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::vector<std::string>> lines;
    std::istringstream text(run.out);
    for (std::string line; std::getline(text, line);) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) {
            fields.push_back(field);
        }
        lines.push_back(fields);
    }
    ASSERT_EQ(lines.size(), 3u) << run.out; // the first transmit went
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), 5u) << run.out;
        EXPECT_EQ(lines[i][1], i < 2 ? "transmitted" : "received") << run.out;
        EXPECT_EQ(lines[i][2], kVirtual);
        EXPECT_EQ(lines[i][3], i < 2 ? "Live set" : "");
        EXPECT_EQ(fs::path(lines[i][4]).parent_path(), history);
    }
    EXPECT_GE(lines[0][0], lines[2][0]);
    // An entry is the map as it went out, readable as any map.
    EXPECT_EQ(DumpLine(lines[0][4], "S1"), DumpLine(map, "S1"));
    EXPECT_EQ(Kel({"compare", map.string(), lines[0][4]}).status, 0);
    // Only entries and their side files are there.
    EXPECT_EQ(std::distance(fs::directory_iterator(history), fs::directory_iterator()), 6);

    run = Kel({"history", "--limit", "1"});
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    // A damaged entry is listed with its reason; other files are no entries.
    std::ofstream(history / "20000101-000000-received.mid") << "not a map";
    std::ofstream(history / "notes.mid") << "not an entry";
    run = Kel({"history"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 4) << run.out;
    EXPECT_NE(run.out.find("2000-01-01 00:00:00\treceived\t\t(damaged: "), std::string::npos)
        << run.out;
    // A port file that is not the one line it was written as shows the entry's port as damaged,
    // never its bytes as a port's name; a missing one names no port.
    const struct {
        std::string stem;
        std::optional<std::string> sidecar;
        std::string port;
    } sidecars[] = {
        {"19990101-000001-received", "received\tKEL Port\n", "KEL Port"},
        {"19990101-000002-received", "received\tKEL Po", "(damaged)"},
        {"19990101-000003-received", std::string("\0\0\0\0\t\0\0", 7), "(damaged)"},
        {"19990101-000004-received", "transmitted\tKEL Port\n", "(damaged)"},
        {"19990101-000005-transmitted", "transmitted\tA\nB\n", "(damaged)"},
        {"19990101-000006-received", "", "(damaged)"},
        {"19990101-000007-received", std::nullopt, ""},
    };
    for (const auto& c : sidecars) {
        fs::copy_file(map, history / (c.stem + ".mid"));
        if (c.sidecar) {
            std::ofstream(history / (c.stem + ".txt"), std::ios::binary) << *c.sidecar;
        }
    }
    run = Kel({"history"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const auto& c : sidecars) {
        const std::string time = "1999-01-01 00:00:0" + c.stem.substr(14, 1);
        const std::string direction = c.stem.substr(16);
        EXPECT_NE(run.out.find(time + "\t" + direction + "\t" + c.port + "\tLive set\t" +
                               (history / (c.stem + ".mid")).string() + "\n"),
                  std::string::npos)
            << c.stem << "\n"
            << run.out;
    }
    // Another folder by option; refusals.
    run = Kel({"history", "--history-dir", (dir_ / "empty").string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Kel({"history", "--limit", "0"}).status, 2);
    EXPECT_EQ(Kel({"history", "extra"}).status, 2);
    run = Kel({"transmit", map.string(), "--api", "virtual", "--out", kVirtual, "--yes",
               "--history-size", "0"},
              &enter);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out.find("Bulk Receive"), std::string::npos); // refused before the transfer
}

// A history folder that cannot be made is said, and the transfer still succeeds.
TEST_F(Kelmap, AHistoryThatCannotBeWrittenNeverFailsTheTransfer) {
    const fs::path map = NewMap();
    const fs::path blocker = dir_ / "file";
    std::ofstream(blocker) << "x";
    const std::string enter = "\n";
    const Result run = Kel({"transmit", map.string(), "--api", "virtual", "--out", kVirtual,
                            "--yes", "--history-dir", (blocker / "history").string()},
                           &enter);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("not kept in the history folder"), std::string::npos) << run.err;
}

// A file that cannot be written fails the receive at once, with the message of a failed save,
// before the device is asked for anything: its memory is never received only to be lost.
TEST_F(Kelmap, ReceiveIntoAFileThatCannotBeWrittenFailsBeforeTheTransfer) {
    const fs::path fresh = dir_ / "fresh";
    fs::create_directories(fresh);
    const fs::path protectedFile = dir_ / "protected.mid";
    std::ofstream(protectedFile) << "old";
    fs::permissions(protectedFile, fs::perms::owner_read);
    struct Case {
        fs::path out;
        std::string message;
    };
    const Case cases[] = {
        {dir_ / "missing" / "x.mid",
         "Cannot save " + (dir_ / "missing" / "x.mid").string() + ": no such file\n"},
        {dir_,
         "Cannot save " + dir_.string() + ": permission denied, a read-only disk, or not a file\n"},
        {protectedFile,
         "Cannot save " + protectedFile.string() + ": the file is write-protected\n"},
    };
    const std::string none;
    for (const Case& c : cases) {
        const Result run = Kel({"receive", c.out.string(), "--api", "virtual", "--in", kVirtual,
                                "--out", kVirtual, "--yes"},
                               &none);
        EXPECT_EQ(run.status, 1) << c.out;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.out << ": " << run.err;
        EXPECT_EQ(run.out.find("Bulk Transmit"), std::string::npos) << c.out << ": " << run.out;
        EXPECT_EQ(run.err.find("/50"), std::string::npos) << c.out << ": " << run.err;
    }
    EXPECT_EQ(ReadFile(protectedFile), "old");
    // The probe leaves nothing behind where the file can be written, and the receive goes on.
    const fs::path received = fresh / "received.mid";
    const Result run = Kel({"receive", received.string(), "--api", "virtual", "--in", kVirtual,
                            "--out", kVirtual, "--yes"},
                           &none);
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(fresh)) {
        left.push_back(entry.path().filename());
    }
    EXPECT_EQ(left, std::vector<fs::path>{"received.mid"});
}

// A small file system of the test's own at `disk` for one kelmap run, in a mount namespace
// that ends with it: `script` runs there ("$@" is the kelmap command, "$OUT" its output file).
// Exit 77 when no such file system can be made here.
std::string OnSmallDisk(const fs::path& disk, const std::string& script) {
    const std::string body = "mount -t tmpfs -o size=64k none " + Quote(disk.string()) +
                             " 2>/dev/null || exit 77\n" + script +
                             "\ns=$?; cat \"$OUT\"; exit $s\n";
    return std::string(::geteuid() == 0 ? "unshare -m" : "unshare -Urm") + " sh -c " + Quote(body) +
           " sh %";
}

// A receive whose file could not be written once the memory has come fails before the
// device is asked for anything: a name too long for its folder (the temporary name would
// fit), a file size limit below the map's size, a disk without room for it.
TEST_F(Kelmap, ReceiveThatCouldNotBeSavedFailsBeforeTheRequest) {
    const fs::path disk = dir_ / "disk";
    fs::create_directories(disk);
    const std::string out = "export OUT=" + Quote((dir_ / "out.txt").string()) + "; ";
    struct Case {
        fs::path file;
        std::string shell;
        std::string message;
    };
    const Case cases[] = {
        {dir_ / (std::string(296, 'n') + ".mid"), "%", ": not a valid path\n"},
        {dir_ / "limited.mid", "ulimit -f 2; %", "limited.mid: no space left on the disk\n"},
        {disk / "full.mid",
         OnSmallDisk(disk, "cat /dev/zero >" + Quote((disk / "fill").string()) +
                               " 2>/dev/null; \"$@\" >\"$OUT\""),
         "Cannot save " + (disk / "full.mid").string() + ": no space left on the disk\n"},
    };
    const std::string none;
    for (const Case& c : cases) {
        const Result run = Kel({"receive", c.file.string(), "--api", "virtual", "--in", kVirtual,
                                "--out", kVirtual, "--yes"},
                               c.shell == "%" ? &none : nullptr, out + c.shell);
        if (run.status == 77 || run.err.rfind("unshare:", 0) == 0) {
            std::fprintf(stderr, "no small file system here: the full disk is not tried\n");
            continue;
        }
        EXPECT_EQ(run.status, 1) << c.file;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.file << ": " << run.err;
        EXPECT_EQ(run.out.find("Bulk Transmit"), std::string::npos) << c.file << ": " << run.out;
        EXPECT_EQ(run.err.find("/50"), std::string::npos) << c.file << ": " << run.err;
        std::error_code unnamed; // a name too long for its folder cannot even be looked up
        EXPECT_FALSE(fs::exists(c.file, unnamed));
    }
}

// When the save fails only after the memory has come (here the disk fills while kelmap asks
// whether to go on), the received map is kept under a short new name, in the temporary folder
// as the target's own folder is full, and kelmap says where and fails.
TEST_F(Kelmap, AReceivedMapThatCannotBeSavedIsKeptAndNamed) {
    const fs::path disk = dir_ / "disk";
    const fs::path temp = dir_ / "tmp";
    fs::create_directories(disk);
    fs::create_directories(temp);
    const fs::path target = disk / "received.mid";
    // The disk fills once kelmap asks (a minute at most, then the question is answered all the
    // same).
    const std::string script = "{ i=0; until grep -q 'y/N' \"$OUT\" || [ $i -ge 3000 ]; do "
                               "sleep 0.02; i=$((i+1)); done; cat /dev/zero >" +
                               Quote((disk / "fill").string()) +
                               " 2>/dev/null; echo y; } | \"$@\" >\"$OUT\"";
    const Result run =
        Kel({"receive", target.string(), "--api", "virtual", "--in", kVirtual, "--out", kVirtual},
            nullptr,
            "export OUT=" + Quote((dir_ / "out.txt").string()) + " TMPDIR=" + Quote(temp.string()) +
                "; " + OnSmallDisk(disk, script));
    if (run.status == 77 || run.err.rfind("unshare:", 0) == 0) {
        GTEST_SKIP() << "no small file system can be made here";
    }
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("50/50"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Cannot save " + target.string() + ": no space left on the disk\n"),
              std::string::npos)
        << run.err;
    const fs::path kept = temp / "kelmap-received-1.mid";
    EXPECT_NE(run.err.find("the received map is saved as " + kept.string()), std::string::npos)
        << run.err;
    const fs::path empty = dir_ / "empty.mid";
    ASSERT_EQ(Kel({"new", empty.string()}).status, 0);
    EXPECT_EQ(Kel({"compare", empty.string(), kept.string()}).status, 0);
}

TEST_F(Kelmap, TransfersRefuseAPortThatIsNotThere) {
    const fs::path map = NewMap();
    const fs::path received = dir_ / "received.mid";
    const std::string none;
    Result run =
        Kel({"transmit", map.string(), "--api", "virtual", "--out", "Nowhere", "--yes"}, &none);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("kelmap: The MIDI output \"Nowhere\" is not there."), std::string::npos)
        << run.err;
    run = Kel({"receive", received.string(), "--api", "virtual", "--in", "Nowhere", "--out",
               kVirtual, "--yes"},
              &none);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("kelmap: The MIDI input \"Nowhere\" is not there."), std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(received));
}

// Without --in or --out, the only port listed is used, and kelmap says which.
TEST_F(Kelmap, TheOnlyPortListedIsUsedWhenNoneIsNamed) {
    const fs::path map = NewMap();
    const std::string enter = "\n";
    Result run = Kel({"transmit", map.string(), "--api", "virtual", "--yes"}, &enter);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("kelmap: The MIDI output \"Virtual KEL Device\" is chosen: it is the "
                           "only one listed."),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("50/50"), std::string::npos) << run.err;

    const fs::path received = dir_ / "received.mid";
    const std::string none;
    run = Kel({"receive", received.string(), "--api", "virtual", "--yes"}, &none);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("The MIDI input \"Virtual KEL Device\" is chosen"), std::string::npos)
        << run.err;
    EXPECT_TRUE(fs::exists(received));

    run = Kel({"monitor", "--api", "virtual"}, nullptr, "% & p=$!; sleep 1; kill -INT $p; wait $p");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("The MIDI input \"Virtual KEL Device\" is chosen"), std::string::npos)
        << run.err;
}

// A device that never sends R6, on JACK ports (kel-device-sim): kelmap receive --retry 1 says
// what it waits for, asks once more and, the line still quiet after the retry's rest, ends on
// its own: R6 named, exit 1, nothing saved.
TEST_F(Kelmap, ReceiveWithRetriesEndsWhenAControlNeverArrives) {
    if (Kel({"ports", "--api", "jack"}).status != 0) {
        GTEST_SKIP() << "no JACK server is running";
    }
    const std::string name = "KEL Cli Sim " + std::to_string(::getpid());
    const fs::path simOut = dir_ / "sim.txt";
    FILE* started = ::popen(
        (Quote(KEL_DEVICE_SIM) + " --api jack --name " + Quote(name) +
         " --enter-delay 100 --gap 2 --fault drop=" + std::to_string(kel::FindController("R6")) +
         " >" + Quote(simOut.string()) + " 2>&1 </dev/null & echo $!")
            .c_str(),
        "r");
    ASSERT_NE(started, nullptr);
    long pid = 0;
    const int got = std::fscanf(started, "%ld", &pid);
    ::pclose(started);
    ASSERT_EQ(got, 1);
    ASSERT_GT(pid, 0);
    struct Stop {
        pid_t pid;
        ~Stop() { ::kill(pid, SIGTERM); }
    } stop{static_cast<pid_t>(pid)};
    for (int i = 0; i < 600 && ReadFile(simOut).find("ready\n") == std::string::npos; ++i) {
        ::usleep(100 * 1000);
    }
    ASSERT_NE(ReadFile(simOut).find("ready\n"), std::string::npos) << ReadFile(simOut);

    const fs::path out = dir_ / "received.mid";
    const Result run = Kel({"receive", out.string(), "--api", "jack", "--in", name + " out:midi",
                            "--out", name + " in:midi", "--yes", "--retry", "1"},
                           nullptr, "timeout 60 %");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("Waiting for R6\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Asked the KEL again (1 of 1)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("kelmap: not received: R6\n"
                           "kelmap: the KEL sent nothing more after 1 retry; nothing saved\n"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(fs::exists(dir_ / "history"));
}

TEST_F(Kelmap, CtrlCCancelsATransfer) {
    const fs::path map = NewMap();
    // Standard input stays open without a line, so kelmap waits at the instructions until
    // SIGINT arrives.
    const Result run =
        Kel({"transmit", map.string(), "--api", "virtual", "--out", kVirtual, "--yes"}, nullptr,
            "sleep 10 | % & p=$!; sleep 1.5; kill -INT $p; wait $p");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cancelled"), std::string::npos) << run.err;
}

TEST_F(Kelmap, MonitorEndsOnCtrlCAndRefusesWhatItCannotListenTo) {
    const fs::path map = NewMap();
    // Nothing arrives from the built-in device: the monitor listens until SIGINT, then ends
    // with success.
    const Result run = Kel({"monitor", map.string(), "--api", "virtual", "--in", kVirtual}, nullptr,
                           "% & p=$!; sleep 1; kill -INT $p; wait $p");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const Result missing = Kel({"monitor", "--api", "virtual", "--in", "Nowhere"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Nowhere"), std::string::npos) << missing.err;
    EXPECT_EQ(Kel({"monitor", "--in", kVirtual, "--api", "virtual", "--count", "0"}).status, 2);
    EXPECT_EQ(Kel({"monitor", "a.mid", "b.mid", "--in", kVirtual}).status, 2);
}

} // namespace

namespace {

// kelmap find over a folder of maps, with its index in a cache folder of the test's own.
TEST_F(Kelmap, FindPrintsTheMatchingMapsAndRefusesWhatItCannotSearch) {
    const fs::path maps = dir_ / "maps";
    fs::create_directories(maps / "sub");
    const std::string live = (maps / "live.mid").string();
    const std::string pads = (maps / "sub" / "pads.mid").string();
    ASSERT_EQ(Kel({"new", live, "--title", "Live set"}).status, 0);
    ASSERT_EQ(
        Kel({"set", live, "S1", "cc", "74", "0", "127", "--channel", "2", "--comment", "Cutoff"})
            .status,
        0);
    ASSERT_EQ(Kel({"new", pads, "--title", "Pads"}).status, 0);
    ASSERT_EQ(Kel({"set", pads, "A1-A4", "note", "36", "127", "--fill", "36"}).status, 0);
    ASSERT_EQ(Kel({"set", pads, "R1", "cc", "74", "0", "127"}).status, 0);
    std::ofstream(maps / "broken.mid") << "no map";
    const std::string cache = "XDG_CACHE_HOME=" + Quote((dir_ / "cache").string()) + " %";

    auto find = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"find", maps.string()});
        return Kel(args, nullptr, cache);
    };
    Result run = find({"CC", "74"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, live + "\tLive set\tS1\n" + pads + "\tPads\tR1\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(fs::exists(dir_ / "cache" / "VOSTEL" / "VOSTEL KEL Editor V2" / "library.sqlite"));

    EXPECT_EQ(find({"S1", "CC", "74"}).out, live + "\tLive set\tS1\n");
    EXPECT_EQ(find({"ch", "2", "cutoff"}).out, live + "\tLive set\tS1\n");
    EXPECT_EQ(find({"pads", "NT", "37"}).out, pads + "\tPads\tA2\n");
    EXPECT_EQ(find({"pads", "note"}).out, pads + "\tPads\tA1-A4\n");
    // Notes by their names, middle C (note 60) as C3 unless --middle-c says C4.
    EXPECT_EQ(find({"C#1"}).out, pads + "\tPads\tA2\n");
    EXPECT_EQ(find({"C#2", "--middle-c", "C4"}).out, pads + "\tPads\tA2\n");
    EXPECT_EQ(find({"C#2"}).out, "");
    EXPECT_EQ(find({"Brightness"}).out, live + "\tLive set\tS1\n" + pads + "\tPads\tR1\n");
    run = find({});
    EXPECT_EQ(run.out, live + "\tLive set\t\n" + pads + "\tPads\t\n");
    // Listed, the file that is no map is named with the reason.
    EXPECT_EQ(run.err,
              "kelmap: " + (maps / "broken.mid").string() + ": Failed to load the file.\n");
    EXPECT_EQ(find({"nothing"}).out, "");
    // A changed map is found as it is now.
    ASSERT_EQ(Kel({"set", live, "S1", "cc", "75", "0", "127"}).status, 0);
    EXPECT_EQ(find({"CC", "74"}).out, pads + "\tPads\tR1\n");

    // A cache folder that cannot be written: the maps are read without the index.
    run = Kel({"find", maps.string(), "pads"}, nullptr, "XDG_CACHE_HOME=" + Quote(live) + " %");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, pads + "\tPads\t\n");
    EXPECT_NE(run.err.find("the maps are read without it"), std::string::npos) << run.err;

    // A folder that is not there or not a folder, and wrong usage: refused, nothing printed.
    for (const std::string& bad : {(dir_ / "none").string(), live}) {
        run = Kel({"find", bad, "CC", "74"}, nullptr, cache);
        EXPECT_EQ(run.status, 1) << bad;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("kelmap: the folder " + bad + " cannot be read: "),
                  std::string::npos)
            << run.err;
    }
    run = Kel({"find"}, nullptr, cache);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("missing arguments"), std::string::npos);
    run = Kel({"find", maps.string(), "--limit", "3"}, nullptr, cache);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("unknown option --limit"), std::string::npos);
}

// The answers of kelmap find when its index cannot be written or is damaged, and when part of
// the folder cannot be read: always the maps, and a failure where it could not answer.
TEST_F(Kelmap, FindAnswersWithoutAWritableIndexAndMakesADamagedOneAnew) {
    const fs::path maps = dir_ / "maps";
    fs::create_directories(maps / "sub");
    std::string expected;
    for (const char* name : {"a", "b", "c"}) {
        const std::string map = (maps / "sub" / (std::string(name) + ".mid")).string();
        ASSERT_EQ(Kel({"new", map, "--title", std::string("Map ") + name}).status, 0);
        ASSERT_EQ(Kel({"set", map, "S1", "cc", "74", "0", "127"}).status, 0);
        expected += map + "\tMap " + name + "\tS1\n";
    }
    const std::string cache = "XDG_CACHE_HOME=" + Quote((dir_ / "cache").string()) + " ";
    const fs::path index = dir_ / "cache" / "VOSTEL" / "VOSTEL KEL Editor V2" / "library.sqlite";
    auto find = [&](std::string shell = "%") {
        shell.insert(shell.find('%'), cache);
        return Kel({"find", maps.string(), "cc74"}, nullptr, shell);
    };
    ASSERT_EQ(find().out, expected);

    // An index that opens but takes no write (here: beyond the file size limit, as on a full
    // disk; kept open meanwhile, so that its shared memory file is there): the maps are read
    // without it.
    const std::string d = (maps / "d.mid").string();
    ASSERT_EQ(Kel({"new", d, "--title", "Map d"}).status, 0);
    ASSERT_EQ(Kel({"set", d, "R1", "cc", "74", "0", "127"}).status, 0);
    sqlite3* open = nullptr;
    ASSERT_EQ(sqlite3_open(index.c_str(), &open), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(open, "SELECT count(*) FROM maps", nullptr, nullptr, nullptr),
              SQLITE_OK);
    Result run = find("(trap '' XFSZ; ulimit -f 1; %)");
    sqlite3_close(open);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, d + "\tMap d\tR1\n" + expected);
    EXPECT_EQ(run.err, "kelmap: the library index " + index.string() +
                           " cannot be written; the maps are read without it\n");

    // A damaged index met by several finds at once: each answers, and the index is made anew
    // once for all of them.
    expected = d + "\tMap d\tR1\n" + expected;
    constexpr int kFinds = 6;
    for (int round = 0; round < 4; ++round) {
        for (const char* suffix : {"-wal", "-shm"}) {
            fs::remove(index.string() + suffix);
        }
        std::ofstream(index, std::ios::binary | std::ios::trunc) << std::string(16384, '\x5a');
        std::string all = "for i in";
        for (int i = 0; i < kFinds; ++i) {
            all += " " + std::to_string(i);
        }
        all += "; do (" + cache + Quote(KELMAP_PATH) + " find " + Quote(maps.string()) + " cc74 >" +
               Quote((dir_ / "out").string()) + "$i 2>&1; echo $? >>" +
               Quote((dir_ / "out").string()) + "$i) & done; wait";
        ASSERT_EQ(std::system(all.c_str()), 0);
        for (int i = 0; i < kFinds; ++i) {
            EXPECT_EQ(ReadFile(dir_ / ("out" + std::to_string(i))), expected + "0\n")
                << "round " << round << ", find " << i;
        }
        run = find();
        EXPECT_EQ(run.err, "") << round;
        EXPECT_EQ(run.out, expected) << round;
    }
}

TEST_F(Kelmap, FindNamesTheFoldersItCannotReadAndKeepsTheirMaps) {
    const fs::path maps = dir_ / "maps";
    fs::path deep = maps;
    for (int level = 0; level < 24; ++level) {
        deep /= "level" + std::to_string(level);
    }
    const std::string top = (maps / "top.mid").string();
    const std::string bottom = (deep / "bottom.mid").string();
    fs::create_directories(deep);
    ASSERT_EQ(Kel({"new", top, "--title", "Top"}).status, 0);
    ASSERT_EQ(Kel({"new", bottom, "--title", "Bottom"}).status, 0);
    const std::string cache = "XDG_CACHE_HOME=" + Quote((dir_ / "cache").string()) + " ";
    Result run = Kel({"find", maps.string()}, nullptr, cache + "%");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.out, bottom + "\tBottom\t\n" + top + "\tTop\t\n");

    // With few files open at once, the walk cannot go down to the bottom (as root too): the
    // folder it stopped at is named, the bottom map stays as last known, the exit status is 1.
    const std::string added = (maps / "added.mid").string();
    ASSERT_EQ(Kel({"new", added, "--title", "Added"}).status, 0);
    run = Kel({"find", maps.string()}, nullptr, "(ulimit -n 12; " + cache + "%)");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, added + "\tAdded\t\n" + bottom + "\tBottom\t\n" + top + "\tTop\t\n");
    EXPECT_EQ(run.err.rfind("kelmap: the folder " + maps.string() + "/level0/", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(" cannot be read: "), std::string::npos) << run.err;
}

} // namespace

// The HTML assignment list: its text byte for byte, and the files of Export and View.
#include "model/assignlist.h"

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <ostream>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "editors/msgtext.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

AssignRecord Rec(std::initializer_list<int> bytes) {
    AssignRecord r{};
    std::size_t i = 0;
    for (int b : bytes) {
        r[i++] = static_cast<std::uint8_t>(b);
    }
    return r;
}

AssignRecord SysEx(std::string_view text, int dataType, int min, int max, int modeBits = 0) {
    AssignEntry e;
    e.SetMessageType(MsgSystemExclusive);
    EXPECT_EQ(ParseSysExText(e, text, dataType), ParseAccepted) << text;
    e.record[rec::MinValue] = static_cast<std::uint8_t>(min);
    e.record[rec::MaxValue] = static_cast<std::uint8_t>(max);
    e.record[rec::ModeBits] = static_cast<std::uint8_t>(modeBits);
    return e.record;
}

AssignRecord Free(std::string_view text, int dataType, int min, int max, int modeBits = 0) {
    AssignEntry e;
    e.SetMessageType(MsgFreeMessage);
    EXPECT_EQ(ParseFreeText(e, text, dataType), ParseAccepted) << text;
    e.record[rec::MinValue] = static_cast<std::uint8_t>(min);
    e.record[rec::MaxValue] = static_cast<std::uint8_t>(max);
    e.record[rec::ModeBits] = static_cast<std::uint8_t>(modeBits);
    return e.record;
}

// The row text from its cells: "<TR>\n  <TH>name</TH>\n", then "  <TD>cell</TD>\n" for each.
std::string Row(std::string_view name, std::initializer_list<std::string_view> cells) {
    std::string out = "<TR>\n  <TH>" + std::string(name) + "</TH>\n";
    for (std::string_view c : cells) {
        out += "  <TD>" + std::string(c) + "</TD>\n";
    }
    return out + "</TR>";
}

struct RowCase {
    const char* what;
    ControllerId id;
    AssignRecord record;
    const char* comment;
    std::string expected;
};

void PrintTo(const RowCase& c, std::ostream* os) {
    *os << c.what;
}

class ListRow : public testing::TestWithParam<RowCase> {};

TEST_P(ListRow, IsWrittenByteForByte) {
    const RowCase& c = GetParam();
    EXPECT_EQ(AssignListRow(c.id, c.record, c.comment), c.expected) << c.what;
}

constexpr const char* kGray = "<FONT color=\"gray\">NO ASSIGN</FONT>";

// Controls: R1 0, R2 1, S1 9, A1 18, A2 19, B9 35, C1 36, H1 39, L1 41, P1 45, BEND 47.
INSTANTIATE_TEST_SUITE_P(
    EveryKind, ListRow,
    testing::Values(
        RowCase{"no assign", 0, Rec({0}), "",
                Row("R1", {" - ", kGray, "-", "-", "-", "-", "-", "-"})},
        RowCase{"note on a button with AFT mode", 18, Rec({1, 0, 0, 0, 0, 64, 100, 1}), "",
                Row("A1", {" - ", "NOTE  64(40)", "0(00) / 100(64)", "1", "1", "1", "1", "-"})},
        RowCase{"note on a knob hides button and AFT", 0, Rec({1, 0, 1, 0, 0, 64, 100, 2}), "",
                Row("R1", {" - ", "NOTE  64(40)", "0(00) / 100(64)", "1", "1", "-", "-", "-"})},
        RowCase{"note twin, channel 16, Port 1+2, Increase", 35, Rec({2, 0, 2, 2, 15, 5, 7, 2}),
                "Lead",
                Row("B9", {"Lead", "NOTE   5(05)", "0(00) /   7(07)", "16", "1+2", "3", "2", "-"})},
        RowCase{
            "channel pressure on a slider", 9, Rec({3, 0, 0, 0, 0, 0, 127}), "",
            Row("S1", {" - ", "CHANNEL PRESSURE", "  0(00) - 127(7F)", "1", "1", "-", "-", "-"})},
        RowCase{"poly pressure on C1 (button, no AFT)", 36, Rec({5, 0, 0, 1, 0, 64, 0, 127, 0}), "",
                Row("C1", {" - ", "POLY KEY PRESSURE  64(40)", "  0(00) / 127(7F)", "1", "2", "1",
                           "-", "-"})},
        RowCase{"control change with center click on a knob", 0, Rec({7, 0, 4, 0, 9, 74, 10, 100}),
                "",
                Row("R1", {" - ", "CC  74(4A)", " 10(0A) - 100(64)", "10", "1", "-", "-", "1"})},
        RowCase{"control change on a button", 41, Rec({8, 0, 1, 0, 0, 7, 0, 127}), "",
                Row("L1", {" - ", "CC   7(07)", "  0(00) / 127(7F)", "1", "1", "2", "-", "-"})},
        RowCase{"encoder simulate", 39, Rec({9, 1, 0, 0, 0, 16, 0, 127}), "",
                Row("H1", {" - ", "B0 10 dd", "DEC(41) / INC(01)", "1", "1", "-", "-", "-"})},
        RowCase{"program change min-max on P1", 45, Rec({10, 0, 0, 0, 0, 0, 127}), "",
                Row("P1", {" - ", "PROGRAM CHANGE", "  1(00) / 128(7F)", "1", "1", "-", "-", "-"})},
        RowCase{"program change", 1, Rec({12, 0, 0, 0, 9, 127}), "",
                Row("R2", {" - ", "PROGRAM CHANGE", "128(7F)", "10", "1", "-", "-", "-"})},
        RowCase{"bank select + program change", 1, Rec({13, 0, 0, 1, 0, 2, 1, 3}), "",
                Row("R2", {" - ", "PROGRAM CHANGE", "Bank:  1/  2(01/02)  PC:  4(03)", "1", "2",
                           "-", "-", "-"})},
        RowCase{"program change dec", 19, Rec({14, 0, 0, 0, 5, 1}), "",
                Row("A2", {" - ", "PROGRAM CHANGE", "min:1(00)", "-", "1", "-", "-", "-"})},
        RowCase{"program change inc", 19, Rec({14, 0, 0, 0, 5, 0}), "",
                Row("A2", {" - ", "PROGRAM CHANGE", "max:128(7F)", "-", "1", "-", "-", "-"})},
        RowCase{"rpn", 0, Rec({15, 0, 0, 0, 0, 1, 0, 0, 0, 127}), "",
                Row("R1", {" - ", "RPN   0/  0(00/00)", "0(00/00) - 16383(7F/7F)", "1", "1", "-",
                           "-", "-"})},
        RowCase{"nrpn twin on a button with click", 18, Rec({18, 0, 5, 0, 0, 1, 2, 1, 1, 2}), "",
                Row("A1", {" - ", "NRPN   1/  2(01/02)", "128(01/00) / 383(02/7F)", "1", "1", "2",
                           "-", "1"})},
        RowCase{"system realtime", 47, Rec({19, 0, 0, 0, 0, 0xFA}), "",
                Row("BEND", {" - ", "FA", "-", "-", "1", "-", "-", "-"})},
        RowCase{"system realtime on port 2", 47, Rec({19, 0, 0, 1, 0, 0xF6}), "",
                Row("BEND", {" - ", "F6", "-", "-", "2", "-", "-", "-"})},
        RowCase{"new system exclusive", 0, SysEx("F0 F7", 1, 0, 127), "",
                Row("R1", {" - ", "F0 F7", "-", "-", "1", "-", "-", "-"})},
        RowCase{"system exclusive DT0 with checksum on a button", 18,
                SysEx("F0 41 10 SS 12 DT S1 F7", 1, 0, 127), "",
                Row("A1", {" - ", "F0 41 10 CSS 12 dd CS1 F7", "  0(00) / 127(7F)", "-", "1", "1",
                           "-", "-"})},
        RowCase{"system exclusive DT4 zero range", 0, SysEx("F0 DT F7", 5, 0, 0, 4), "",
                Row("R1", {" - ", "F0 d1 d2 d3 d4 F7", "  0(08/00/00/00) -   0(08/00/00/00)", "-",
                           "1", "-", "-", "1"})},
        RowCase{"system exclusive DT4 range", 0, SysEx("F0 DT F7", 5, 1, 255), "",
                Row("R1", {" - ", "F0 d1 d2 d3 d4 F7", " -1(07/0F/0F/0F) - 255(08/00/0F/0F)", "-",
                           "1", "-", "-", "-"})},
        RowCase{
            "system exclusive DT1 on a button", 27, SysEx("F0 DT F7", 2, 1, 15), "",
            Row("B1", {" - ", "F0 d1 d2 F7", " 16(01/00) / 255(0F/0F)", "-", "1", "1", "-", "-"})},
        RowCase{"system exclusive DT2", 0, SysEx("F0 2N DT SS 00 S2 F7", 3, 0, 127), "",
                Row("R1", {" - ", "F0 2n mm ll CSS 00 CS2 F7", "  0(00/00) - 16383(7F/7F)", "-",
                           "1", "-", "-", "-"})},
        RowCase{
            "system exclusive DT3", 0, SysEx("F0 DT F7", 4, 1, 2), "",
            Row("R1", {" - ", "F0 ll mm F7", "128(00/01) - 383(7F/02)", "-", "1", "-", "-", "-"})},
        RowCase{"free message never shows center click", 9, Free("B0 07 DT", 1, 0, 127, 4), "",
                Row("S1", {" - ", "B0 07 dd ", "  0(00) - 127(7F)", "-", "1", "-", "-", "-"})},
        RowCase{"free message on a button", 18, Free("C0 05", 1, 0, 127, 2), "",
                Row("A1", {" - ", "C0 05 ", "-", "-", "1", "3", "-", "-"})},
        RowCase{"tempo on a button", 18, Rec({24, 0, 1}), "",
                Row("A1", {" - ", "TEMPO", "-", "-", "-", "2", "-", "-"})},
        RowCase{"tempo on a knob", 0, Rec({24, 0, 1}), "",
                Row("R1", {" - ", "TEMPO", "-", "-", "-", "-", "-", "-"})},
        RowCase{"invalid code 11", 0, Rec({11, 0, 0, 0, 0, 5}), "x", Row("R1", {"x"})},
        RowCase{"invalid code 200", 49, Rec({200}), "", Row("AFT", {" - "})},
        RowCase{"port byte 3 writes no PORT cell", 0, Rec({7, 0, 0, 3, 0, 7, 0, 127}), "",
                Row("R1", {" - ", "CC   7(07)", "  0(00) - 127(7F)", "1", "-", "-", "-"})},
        RowCase{"comment markup is escaped", 0, Rec({0}), "<b>\"Hi\" & bye</b>",
                Row("R1", {"&lt;b&gt;&quot;Hi&quot; &amp; bye&lt;/b&gt;", kGray, "-", "-", "-", "-",
                           "-", "-"})}));

std::string WithCrLf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

const char* kHead = "<HTML>\n<HEAD>\n<TITLE>%s PARAMETER LIST</TITLE>\n</HEAD>\n<BODY>\n"
                    "<H3>%s PARAMETER LIST</H3>\n";
const char* kTableHead = "<TABLE border=\"1\" cellspacing=\"0\">\n<TR>\n  <TH>-</TH>\n"
                         "  <TH>PARAMETER</TH>\n  <TH>OUTPUT MESSAGE</TH>\n  <TH>RANGE</TH>\n"
                         "  <TH>CH</TH>\n  <TH>PORT</TH>\n  <TH>BUTTON</TH>\n  <TH>AFT</TH>\n"
                         "  <TH>C.Click</TH>\n</TR>\n";
const char* kTail = "</TABLE>\n</BODY>\n</HTML>\n";

std::string Head(std::string_view title) {
    std::string h = kHead;
    for (std::size_t at; (at = h.find("%s")) != std::string::npos;) {
        h.replace(at, 2, title);
    }
    return h;
}

TEST(ListDocument, NewMapIsFiftyNoAssignRowsWithCrLf) {
    ControlMap map;
    std::string expected = Head("") + kTableHead;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        expected += Row(ControllerName(id), {" - ", kGray, "-", "-", "-", "-", "-", "-"});
    }
    expected += kTail;
    const std::string html = AssignListHtml(map);
    EXPECT_EQ(html, WithCrLf(expected));
    EXPECT_NE(html.find("<TITLE> PARAMETER LIST</TITLE>\r\n"), std::string::npos);
    // Rows follow each other on one line; the table closes on the last row's line.
    EXPECT_NE(html.find("</TR><TR>\r\n  <TH>R2</TH>"), std::string::npos);
    EXPECT_NE(html.find("</TR></TABLE>\r\n</BODY>\r\n</HTML>\r\n"), std::string::npos);
    EXPECT_EQ(html.find("\n\n"), std::string::npos);
}

TEST(ListDocument, TitleIsEscapedAndRowsUseTheMap) {
    ControlMap map;
    map.title = "Live <set> & \"more\"";
    map.records[18] = Rec({1, 0, 0, 0, 0, 64, 100, 1});
    map.comments[18] = "Kick";
    const std::string html = AssignListHtml(map);
    const std::string escaped = "Live &lt;set&gt; &amp; &quot;more&quot;";
    EXPECT_EQ(html.substr(0, Head(escaped).size() + 6), WithCrLf(Head(escaped)));
    EXPECT_EQ(html.find("<set>"), std::string::npos);
    EXPECT_NE(html.find(WithCrLf(
                  Row("A1", {"Kick", "NOTE  64(40)", "0(00) / 100(64)", "1", "1", "1", "1", "-"}))),
              std::string::npos);
}

// --- Files ------------------------------------------------------------------------------------

struct Warning {
    StringId id;
    int detail;
};

class RecordingReporter : public Reporter {
public:
    void warn(StringId id, int detail) override { warnings.push_back({id, detail}); }
    std::vector<Warning> warnings;
};

class RecordingOpener : public DocumentOpener {
public:
    int OpenDocument(const fs::path& file) override {
        opened.push_back(file);
        return result;
    }
    int result = 0;
    std::vector<fs::path> opened;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

class ListFiles : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kel-list-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        temp = root / "tmp";
        fs::create_directory(temp);
        map.title = "T";
        map.records[0] = Rec({7, 0, 0, 0, 0, 7, 0, 127});
        map.comments[0] = "Volume";
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root, ec);
    }

    std::vector<fs::path> TempEntries() const {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(temp)) {
            out.push_back(e.path());
        }
        return out;
    }

    fs::path root;
    fs::path temp;
    ControlMap map;
    RecordingReporter reporter;
};

TEST_F(ListFiles, WriteCreatesOrTruncatesAndReportsCreateFailures) {
    const fs::path file = root / "list.htm";
    WriteFile(file, std::string(100000, 'x'));
    EXPECT_EQ(WriteAssignList(map, file, reporter), 0);
    EXPECT_EQ(ReadFile(file), AssignListHtml(map));
    EXPECT_TRUE(reporter.warnings.empty());

    EXPECT_EQ(WriteAssignList(map, root / "missing" / "list.htm", reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::TempFileError);
    EXPECT_EQ(reporter.warnings[0].detail, 2); // not found
}

TEST_F(ListFiles, WriteFailureOnAFullDiskIsReportedNotSuccess) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    EXPECT_EQ(WriteAssignList(map, "/dev/full", reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::SaveError);
    EXPECT_EQ(reporter.warnings[0].detail, 13); // disk full
}

TEST_F(ListFiles, ExportMovesTheListOntoTheTarget) {
    const fs::path target = root / "out.htm";
    WriteFile(target, "old content that is longer than nothing");
    EXPECT_EQ(ExportAssignList(map, target, temp, reporter), 0);
    EXPECT_EQ(ReadFile(target), AssignListHtml(map));
    EXPECT_TRUE(TempEntries().empty()); // the temporary file was moved, not left behind
    EXPECT_TRUE(reporter.warnings.empty());

    // Twice in a row (normally within the same second): the same name works again.
    EXPECT_EQ(ExportAssignList(map, root / "second.htm", temp, reporter), 0);
    EXPECT_TRUE(fs::exists(root / "second.htm"));
}

TEST_F(ListFiles, ExportFailures) {
    // No temporary directory: -1 without a message.
    EXPECT_EQ(ExportAssignList(map, root / "a.htm", std::nullopt, reporter), -1);
    EXPECT_TRUE(reporter.warnings.empty());

    // The temporary file cannot be created.
    EXPECT_EQ(ExportAssignList(map, root / "a.htm", root / "nowhere", reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::TempFileError);
    EXPECT_EQ(reporter.warnings[0].detail, 2);

    // The target is a directory that cannot be removed: "cannot be overwritten"; the
    // temporary file stays.
    reporter.warnings.clear();
    const fs::path dir = root / "dir.htm";
    fs::create_directories(dir / "inside");
    EXPECT_EQ(ExportAssignList(map, dir, temp, reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::CannotOverwrite);
    EXPECT_EQ(TempEntries().size(), 1u);

    // The target's folder does not exist: a save error with "not found".
    reporter.warnings.clear();
    EXPECT_EQ(ExportAssignList(map, root / "no" / "a.htm", temp, reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::SaveError);
    EXPECT_EQ(reporter.warnings[0].detail, 2);
}

TEST_F(ListFiles, ExportNeverWritesThroughAPlantedLinkOrIntoAPlantedFolder) {
    const fs::path victim = root / "victim.txt";
    WriteFile(victim, "precious");
    // Candidates for "_kel<seconds>.htm" around now: links to the victim and folders (which
    // cannot be removed, so another name has to be found).
    const auto now = static_cast<std::uint32_t>(std::time(nullptr));
    char name[32];
    for (std::uint32_t t = now - 1; t <= now + 3; ++t) {
        std::snprintf(name, sizeof name, "_kel%x.htm", t);
        if (t % 2 == 0) {
            fs::create_directory(temp / name);
        } else {
            fs::create_symlink(victim, temp / name);
        }
    }
    const fs::path target = root / "out.htm";
    EXPECT_EQ(ExportAssignList(map, target, temp, reporter), 0);
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_EQ(ReadFile(target), AssignListHtml(map));
    EXPECT_FALSE(fs::is_symlink(target));
}

TEST_F(ListFiles, ExportAcrossFileSystemsCopies) {
    // /dev/shm is usually a file system of its own.
    struct stat a {
    }, b{};
    if (::stat("/dev/shm", &a) != 0 || ::stat(root.c_str(), &b) != 0 || a.st_dev == b.st_dev ||
        ::access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no second writable file system";
    }
    std::string pattern = "/dev/shm/kel-list-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path shm = pattern;
    const fs::path target = root / "out.htm";
    EXPECT_EQ(ExportAssignList(map, target, shm, reporter), 0);
    EXPECT_TRUE(reporter.warnings.empty());
    EXPECT_EQ(ReadFile(target), AssignListHtml(map));
    EXPECT_TRUE(fs::is_empty(shm));
    fs::remove_all(shm);
}

TEST_F(ListFiles, ViewWritesTheTemporaryListAndOpensIt) {
    RecordingOpener opener;
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0], temp / "_keltmp.htm");
    EXPECT_EQ(ReadFile(opener.opened[0]), AssignListHtml(map));
    struct stat st {};
    ASSERT_EQ(::stat(opener.opened[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u); // only the user reads the temporary list

    // The next View rewrites the same file with the current map.
    map.title = "Second";
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    ASSERT_EQ(opener.opened.size(), 2u);
    EXPECT_EQ(opener.opened[1], temp / "_keltmp.htm");
    EXPECT_EQ(ReadFile(opener.opened[1]), AssignListHtml(map));
    EXPECT_EQ(TempEntries().size(), 1u);
    EXPECT_TRUE(reporter.warnings.empty());
}

TEST_F(ListFiles, ViewFailures) {
    RecordingOpener opener;
    opener.result = 31;
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::BrowserError);
    EXPECT_EQ(reporter.warnings[0].detail, 31);

    reporter.warnings.clear();
    fs::path written;
    EXPECT_EQ(ViewAssignList(map, nullptr, temp, reporter, &written), -1); // no main window
    EXPECT_TRUE(reporter.warnings.empty());
    EXPECT_EQ(written, temp / "_keltmp.htm");

    EXPECT_EQ(ViewAssignList(map, &opener, std::nullopt, reporter), -1);
    EXPECT_TRUE(reporter.warnings.empty());

    if (::geteuid() != 0) { // root writes anywhere
        fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), -1);
        ASSERT_EQ(reporter.warnings.size(), 1u);
        EXPECT_EQ(reporter.warnings[0].id, StringId::TempFileError);
        EXPECT_EQ(reporter.warnings[0].detail, 5);
        fs::permissions(temp, fs::perms::owner_all);
    }
}

TEST_F(ListFiles, ViewDoesNotFollowAPlantedLink) {
    const fs::path victim = root / "victim.txt";
    WriteFile(victim, "precious");
    fs::create_symlink(victim, temp / "_keltmp.htm");
    RecordingOpener opener;
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    EXPECT_EQ(ReadFile(victim), "precious");
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_FALSE(fs::is_symlink(opener.opened[0]));
    EXPECT_EQ(ReadFile(opener.opened[0]), AssignListHtml(map));
}

TEST_F(ListFiles, ViewDoesNotReuseAPlantedFile) {
    // A hard link to another file at the fixed name: writing "into" it would change that file.
    const fs::path victim = root / "victim.txt";
    WriteFile(victim, "precious");
    std::error_code ec;
    fs::create_hard_link(victim, temp / "_keltmp.htm", ec);
    if (ec) {
        GTEST_SKIP() << "hard links not possible here";
    }
    RecordingOpener opener;
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    EXPECT_EQ(ReadFile(victim), "precious");
    ASSERT_EQ(opener.opened.size(), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(opener.opened[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 1u); // a file of its own
    EXPECT_EQ(ReadFile(opener.opened[0]), AssignListHtml(map));
}

TEST_F(ListFiles, ViewFindsAnotherNameWhenTheFixedOneIsTaken) {
    // Something at the fixed name that cannot be removed (as a file of another user would be).
    fs::create_directories(temp / "_keltmp.htm" / "x");
    RecordingOpener opener;
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    ASSERT_EQ(opener.opened.size(), 1u);
    const std::string name = opener.opened[0].filename().string();
    EXPECT_EQ(opener.opened[0].parent_path(), temp);
    EXPECT_EQ(name.rfind("_keltmp", 0), 0u);
    EXPECT_EQ(name.substr(name.size() - 4), ".htm");
    EXPECT_NE(name, "_keltmp.htm");
    EXPECT_EQ(ReadFile(opener.opened[0]), AssignListHtml(map));
}

} // namespace
} // namespace kel

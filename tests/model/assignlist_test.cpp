// SPDX-License-Identifier: GPL-3.0-or-later
// The HTML assignment list: its text byte for byte.
#include "model/assignlist.h"

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <ostream>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "model/msgtext.h"
#include "support/records.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

using test::Rec;

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

TEST(ListDocument, BidirectionalControlsAreShownAsEscapes) {
    // "gnp", RIGHT-TO-LEFT OVERRIDE, "exe" shows as "exe.png" where the control is obeyed;
    // Japanese letters in UTF-8 and in Shift_JIS stay as they are.
    ControlMap map;
    map.title = "gnp\xe2\x80\xae.exe \xe6\x97\xa5\xe6\x9c\xac";
    map.comments[0] = "a\xe2\x81\xa6"
                      "b\xe2\x80\x8f \x93\xfa\x96\x7b";
    const std::string html = AssignListHtml(map);
    EXPECT_NE(html.find("<H3>gnp\\u202e.exe \xe6\x97\xa5\xe6\x9c\xac PARAMETER"),
              std::string::npos);
    EXPECT_NE(html.find("a\\u2066b\\u200f \x93\xfa\x96\x7b"), std::string::npos);
    for (const char* control : {"\xe2\x80\xae", "\xe2\x81\xa6", "\xe2\x80\x8f"}) {
        EXPECT_EQ(html.find(control), std::string::npos);
    }
}

} // namespace
} // namespace kel

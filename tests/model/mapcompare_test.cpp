// SPDX-License-Identifier: GPL-3.0-or-later
// The map comparison: which controls differ and how each difference reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/mapcompare.h"
#include "model/msgtext.h"

namespace kel {
namespace {

AssignEntry Kind(int kind, std::vector<int> values, int channel = 0) {
    AssignEntry e;
    e.SetChannelKind(kind);
    int (AssignEntry::*setters[])(int) = {&AssignEntry::SetValue1, &AssignEntry::SetValue2,
                                          &AssignEntry::SetValue3, &AssignEntry::SetValue4};
    for (std::size_t i = 0; i < values.size(); ++i) {
        (e.*setters[i])(values[i]);
    }
    e.SetChannel(channel);
    return e;
}

AssignEntry SysEx(const char* text, int dataType = 1) {
    AssignEntry e;
    e.SetMessageType(MsgSystemExclusive);
    EXPECT_EQ(ParseSysExText(e, text, dataType), ParseAccepted);
    return e;
}

std::string Line(ControllerId id, const AssignEntry& a, const AssignEntry& b,
                 const std::string& ca = {}, const std::string& cb = {}) {
    return CompareControl(id, a.record, b.record, ca, cb).description;
}

TEST(MapCompare, EqualMapsGiveAnEmptyResult) {
    ControlMap a;
    a.title = "Live";
    a.records[3] = Kind(KindControlChange, {74, 0, 127}).record;
    a.comments[3] = "Cutoff";
    ControlMap b = a;
    b.modified = true; // not part of the content
    const MapComparison result = CompareMaps(a, b);
    EXPECT_TRUE(result.Equal());
    EXPECT_TRUE(result.Lines().empty());
    EXPECT_TRUE(CompareRecords(a.records, b.records).Equal());
    EXPECT_EQ(EnglishFormat(TextId::MemoryMatches), "The KEL's memory matches the control map.");
}

TEST(MapCompare, DifferentLabelsShowBothLabels) {
    const AssignEntry cc = Kind(KindControlChange, {74, 0, 127});
    const AssignEntry nrpn = Kind(KindNrpn, {1, 2, 0, 127});
    EXPECT_EQ(Line(11, cc, nrpn), "S3: CC 74:1 \u2192 NP 1/2:1");
    EXPECT_EQ(Line(0, AssignEntry{}, cc), "R1: N/A \u2192 CC 74:1");
    // Same kind, the label shows the change; a port change is added.
    AssignEntry cc75 = Kind(KindControlChange, {75, 0, 127});
    cc75.SetPort(1);
    EXPECT_EQ(Line(11, cc, cc75), "S3: CC 74:1 \u2192 CC 75:1 (port Port 1 \u2192 Port 2)");
    // A channel change is visible in the label alone.
    EXPECT_EQ(Line(11, cc, Kind(KindControlChange, {74, 0, 127}, 15)),
              "S3: CC 74:1 \u2192 CC 74:16");
    // An invalid code has no label of its own.
    AssignEntry invalid;
    invalid.record[rec::AssignCode] = 11;
    EXPECT_EQ(Line(49, cc, invalid, "Wheel", ""),
              "AFT: CC 74:1 \u2192 invalid code 11 (comment \"Wheel\" \u2192 \"\")");
}

TEST(MapCompare, SameLabelNamesTheFieldsThatDiffer) {
    const AssignEntry base = Kind(KindControlChange, {74, 0, 127});
    struct Case {
        const char* what;
        void (*change)(AssignEntry&);
        std::string details;
    };
    const std::vector<Case> cases = {
        {"port", [](AssignEntry& e) { e.SetPort(2); }, "port Port 1 \u2192 Port 1 + 2"},
        {"button", [](AssignEntry& e) { e.SetButtonMode(1); }, "button mode Unlatch \u2192 Latch"},
        {"click", [](AssignEntry& e) { e.SetCenterClick(1); }, "center click off \u2192 on"},
        {"range",
         [](AssignEntry& e) {
             e.SetValue2(10);
             e.SetValue3(100);
         },
         "minimum 0 \u2192 10, maximum 127 \u2192 100"},
        {"twin", [](AssignEntry& e) { e.record[rec::AssignCode] = CodeControlChangeTwin; },
         "assign code 7 \u2192 8"},
        {"unused bytes", [](AssignEntry& e) { e.record[30] = 1; }, "other bytes"},
        {"mode bit 3", [](AssignEntry& e) { e.record[rec::ModeBits] |= 8; }, "other bytes"},
        {"port above 2", [](AssignEntry& e) { e.record[rec::Port] = 7; }, "port Port 1 \u2192 7"},
    };
    for (const Case& c : cases) {
        AssignEntry changed = base;
        c.change(changed);
        EXPECT_EQ(Line(11, base, changed), "S3: CC 74:1 (" + c.details + ")") << c.what;
    }
    // Notes: velocity and AFT mode; program ranges are shown 1..128.
    AssignEntry note = Kind(KindNote, {60, 100});
    AssignEntry loud = note;
    loud.SetValue2(127);
    loud.SetAftMode(2);
    EXPECT_EQ(Line(18, note, loud),
              "A1: NT 60:1 (AFT mode OFF \u2192 Polyphonic Key Pressure, velocity 100 \u2192 127)");
    const AssignEntry range = Kind(KindProgramChangeRange, {1, 128});
    EXPECT_EQ(Line(0, range, Kind(KindProgramChangeRange, {2, 64})),
              "R1: PC :1 (minimum 1 \u2192 2, maximum 128 \u2192 64)");
    // A comment alone.
    EXPECT_EQ(Line(11, base, base, "Cutoff", "Filter"),
              "S3: CC 74:1 (comment \"Cutoff\" \u2192 \"Filter\")");
}

TEST(MapCompare, SystemExclusiveShowsTheMessageText) {
    const AssignEntry a = SysEx("F0 41 10 SS 12 DT S1 F7");
    EXPECT_EQ(Line(0, a, SysEx("F0 41 10 SS 12 13 DT S1 F7")),
              "R1: SysEx. (message F0 41 10 SS 12 DT S1 F7 \u2192 F0 41 10 SS 12 13 DT S1 F7)");
    EXPECT_EQ(Line(0, a, SysEx("F0 41 10 SS 12 DT S1 F7", 3)),
              "R1: SysEx. (data type DT0: 7bit \u2192 DT2: 7bit/7bit (MSB/LSB))");
    AssignEntry ranged = a;
    ranged.SetMaxValue(100);
    EXPECT_EQ(Line(0, a, ranged), "R1: SysEx. (data range 0-127 \u2192 0-100)");
    // A byte under the data field is not part of the text.
    AssignEntry hidden = a;
    hidden.record[rec::SysExMessage + 4] = 0x55;
    EXPECT_EQ(Line(0, a, hidden), "R1: SysEx. (other bytes)");
}

TEST(MapCompare, WholeMapsListControlsInOrderAndTheTitleFirst) {
    ControlMap a;
    a.title = "Live";
    ControlMap b = a;
    b.title = "Studio";
    b.records[47] = Kind(KindControlChange, {1, 0, 127}).record;
    b.records[2] = Kind(KindNote, {36, 100}).record;
    b.comments[5] = "New";
    const MapComparison result = CompareMaps(a, b);
    EXPECT_FALSE(result.Equal());
    ASSERT_EQ(result.controls.size(), 3u);
    EXPECT_EQ(result.controls[0].id, 2);
    EXPECT_TRUE(result.controls[0].recordDiffers);
    EXPECT_FALSE(result.controls[1].recordDiffers);
    EXPECT_TRUE(result.controls[1].commentDiffers);
    const std::vector<std::string> expected = {
        "Title: \"Live\" \u2192 \"Studio\"", "R3: N/A \u2192 NT 36:1",
        "R6: N/A (comment \"\" \u2192 \"New\")", "BEND: N/A \u2192 CC 1:1"};
    EXPECT_EQ(result.Lines(), expected);

    // A verify looks at the records only.
    const MapComparison records = CompareMaps(a, b, {.comments = false, .title = false});
    EXPECT_FALSE(records.titleDiffers);
    EXPECT_EQ(records.controls.size(), 2u);
    EXPECT_EQ(CompareRecords(a.records, b.records).controls.size(), 2u);
}

} // namespace
} // namespace kel

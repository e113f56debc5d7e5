// SPDX-License-Identifier: GPL-3.0-or-later
// Giving a control a setting: every kind, with its values and fields, writes the very record
// the assign dialog and kelmap wrote before they shared this one way (a table kept from then);
// what a control cannot take is refused with its text, and leaves the control as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "model/controllers.h"
#include "model/controlsetting.h"
#include "model/kinds.h"
#include "model/phrase.h"

namespace kel {
namespace {

struct Row {
    const char* control;
    const char* kind;
    const char* fields; // key=value;... : v (values as shown), status, text, dt, min, max, ch,
                        // port, button, aft, click
    const char* record; // the 39 bytes in hex
};

constexpr Row kRows[] = {
#include "model/controlsetting_records.inc"
};

ControlSetting SettingOf(const Row& row) {
    ControlSetting s;
    s.kind = FindKind(row.kind);
    std::stringstream fields(row.fields);
    std::string field;
    while (std::getline(fields, field, ';')) {
        const std::size_t eq = field.find('=');
        const std::string key = field.substr(0, eq);
        const std::string value = field.substr(eq + 1);
        if (key == "v") {
            std::stringstream values(value);
            std::string v;
            for (std::size_t i = 0; std::getline(values, v, ','); ++i) {
                s.values.at(i) = std::stoi(v);
            }
        } else if (key == "text") {
            s.message = value;
        } else {
            const int n = std::stoi(value);
            std::optional<int>* into = key == "status"   ? &s.realtime
                                       : key == "dt"     ? &s.dataType
                                       : key == "min"    ? &s.dataMin
                                       : key == "max"    ? &s.dataMax
                                       : key == "ch"     ? &s.channel
                                       : key == "port"   ? &s.port
                                       : key == "button" ? &s.buttonMode
                                       : key == "aft"    ? &s.aftMode
                                                         : nullptr;
            if (key == "click") {
                s.centerClick = n != 0;
            } else {
                EXPECT_NE(into, nullptr) << key;
                *into = n;
            }
        }
    }
    return s;
}

std::string Hex(const AssignRecord& record) {
    std::string out;
    for (const std::uint8_t b : record) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%s%02X", out.empty() ? "" : " ", b);
        out += byte;
    }
    return out;
}

TEST(ControlSetting, EveryKindWritesTheRecordTheDialogAndKelmapWroteBefore) {
    std::set<std::string> kinds;
    ControlMap map;
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::string(row.control) + " " + row.kind + " " + row.fields);
        const ControllerId id = FindController(row.control);
        ASSERT_GE(id, 0);
        const ControlSetting setting = SettingOf(row);
        ASSERT_NE(setting.kind, nullptr);
        // From NO ASSIGN, and from a control that sent something else before: a kind chosen
        // starts from its own defaults either way.
        for (const char* before : {"none", "nrpn"}) {
            AssignEntry entry;
            ControlSetting earlier;
            earlier.kind = FindKind(before);
            earlier.values = {1, 2, 3, 4};
            if (std::string(before) == "nrpn") {
                ASSERT_TRUE(SetControl(entry, map, id, earlier).Ok());
                entry.changed = false;
            }
            const Status set = SetControl(entry, map, id, setting);
            ASSERT_TRUE(set.Ok()) << EnglishText(set.Why());
            EXPECT_EQ(Hex(entry.record), row.record);
        }
        kinds.insert(row.kind);
    }
    for (const AssignKind& kind : AssignKinds()) {
        EXPECT_TRUE(kinds.count(std::string(kind.word))) << kind.word << " is not in the table";
    }
}

// What a control or its kind cannot take is refused with the text kelmap prints and the editor
// translates, naming the part of the setting; the entry, its comment and its changed flag stay.
TEST(ControlSetting, RefusalsNameWhatIsWrongAndChangeNothing) {
    ControlMap map;
    const ControllerId knob = FindController("R1");
    const ControllerId pad = FindController("A1");
    struct Case {
        ControllerId id;
        std::function<void(ControlSetting&)> fill;
        SettingPart part;
        std::string says;
    };
    const auto kind = [](const char* word) { return FindKind(word); };
    const std::vector<Case> cases = {
        {knob, [&](ControlSetting& s) { s.kind = kind("note"), s.values[1] = 128; },
         SettingPart::Values, "VELOCITY '128' is out of range (0-127)"},
        {knob, [&](ControlSetting& s) { s.kind = kind("pc"), s.values[0] = 0; },
         SettingPart::Values, "PROGRAM '0' is out of range (1-128)"},
        {knob, [&](ControlSetting& s) { s.kind = kind("pc"), s.values[1] = 5; },
         SettingPart::Values, "pc has no value 2"},
        {knob, [&](ControlSetting& s) { s.kind = kind("pc"), s.port = 1; }, SettingPart::Port,
         "pc has no port"},
        {knob, [&](ControlSetting& s) { s.kind = kind("pc-inc"), s.channel = 2; },
         SettingPart::Channel, "pc-inc has no channel"},
        {knob, [&](ControlSetting& s) { s.kind = kind("cc"), s.channel = 17; },
         SettingPart::Channel, "channel '17' is out of range (1-16)"},
        {knob, [&](ControlSetting& s) { s.kind = kind("cc"), s.buttonMode = 1; },
         SettingPart::ButtonMode, "R1 has no button mode"},
        {pad, [&](ControlSetting& s) { s.kind = kind("note"), s.buttonMode = 2; },
         SettingPart::ButtonMode, "note has no button mode Increase"},
        {pad, [&](ControlSetting& s) { s.kind = kind("cc"), s.aftMode = 1; }, SettingPart::AftMode,
         "cc has no AFT mode"},
        {pad, [&](ControlSetting& s) { s.kind = kind("cc"), s.centerClick = true; },
         SettingPart::CenterClick, "A1 has no virtual center click"},
        {knob, [&](ControlSetting& s) { s.kind = kind("note"), s.centerClick = false; },
         SettingPart::CenterClick, "note has no virtual center click"},
        {knob, [&](ControlSetting& s) { s.kind = kind("cc"), s.message = "F0 F7"; },
         SettingPart::Message, "cc has no message text"},
        {knob, [&](ControlSetting& s) { s.kind = kind("sysex"), s.message = "F0 S1 F7"; },
         SettingPart::Message, "There is a mistake in the message you input. (character 4: 'S')"},
        {knob, [&](ControlSetting& s) { s.kind = kind("free"); }, SettingPart::Message,
         "There is a mistake in the message you input."},
        {knob,
         [&](ControlSetting& s) {
             s.kind = kind("sysex"), s.message = "F0 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E "
                                                 "0F 10 11 12 13 14 15 16 17 F7";
         },
         SettingPart::Message, "The message exceeds 24 bytes."},
        {knob,
         [&](ControlSetting& s) { s.kind = kind("sysex"), s.message = "F0 41 F7", s.dataMin = 3; },
         SettingPart::DataRange, "The message has no data field (DT) for a data range."},
        {knob,
         [&](ControlSetting& s) {
             s.kind = kind("sysex"), s.message = "F0 43 DT F7", s.dataType = 1, s.dataMax = 16;
         },
         SettingPart::DataRange, "maximum '16' is out of range (0-15)"},
        {knob,
         [&](ControlSetting& s) { s.kind = kind("free"), s.message = "B0 07 DT", s.dataType = 5; },
         SettingPart::DataType, "data type '5' is out of range (0-4)"},
        {knob, [&](ControlSetting& s) { s.kind = kind("cc"), s.number = 128; }, SettingPart::Number,
         "NUMBER 128 is out of range (0-127)"},
        {knob, [&](ControlSetting& s) { s.comment = std::string(129, 'c'); }, SettingPart::Comment,
         "The comment is longer than the 128 bytes a comment takes in the file."},
        {knob, [&](ControlSetting& s) { s.comment = "\xC3"; }, SettingPart::Comment,
         "The comment is not UTF-8 text."},
    };
    for (const Case& c : cases) {
        ControlSetting setting;
        c.fill(setting);
        SCOPED_TRACE(c.says);
        AssignEntry entry;
        entry.SetChannelKind(KindControlChange);
        entry.SetValueAt(0, 74);
        entry.SetComment("kept");
        entry.changed = false;
        const AssignEntry before = entry;
        MessageRefusal refusal;
        const Status set = SetControl(entry, map, c.id, setting, &refusal);
        ASSERT_FALSE(set.Ok());
        EXPECT_EQ(EnglishText(set.Why()), c.says);
        EXPECT_EQ(PartOf(set.Error()), c.part);
        EXPECT_EQ(entry.record, before.record);
        EXPECT_EQ(entry.comment, "kept");
        EXPECT_FALSE(entry.changed);
        if (c.part == SettingPart::Message && setting.message == "F0 S1 F7") {
            // Where the text went wrong, for the page that selects it.
            EXPECT_EQ(refusal.result, 3);
            EXPECT_EQ(refusal.fault.rule, MessageRule::ChecksumBeforeStart);
        }
    }
}

// Without a kind a setting changes only what it names, and what it names the same as before
// does not count as a change; a comment that would push another text out of its place in the
// file is refused naming that text.
TEST(ControlSetting, FieldsAloneKeepTheKindAndCommentsKeepTheOtherTextsWhole) {
    ControlMap map;
    const ControllerId id = FindController("S3");
    AssignEntry entry;
    ControlSetting first;
    first.kind = FindKind("cc");
    first.values = {74, 1, 100};
    first.centerClick = true;
    ASSERT_TRUE(SetControl(entry, map, id, first).Ok());
    const AssignRecord cc = entry.record;
    entry.changed = false;

    ControlSetting same;
    same.values[0] = 74;
    same.centerClick = true;
    ASSERT_TRUE(SetControl(entry, map, id, same).Ok());
    EXPECT_FALSE(entry.changed);

    ControlSetting fields;
    fields.channel = 5;
    fields.values[2] = 90;
    ASSERT_TRUE(SetControl(entry, map, id, fields).Ok());
    EXPECT_TRUE(entry.changed);
    EXPECT_EQ(entry.GetChannel(), 4);
    EXPECT_EQ(entry.GetValueAt(0), 74);
    EXPECT_EQ(entry.GetValueAt(1), 1);
    EXPECT_EQ(entry.GetValueAt(2), 90);
    EXPECT_EQ(entry.GetCenterClick(), 1);
    EXPECT_EQ(entry.record[rec::AssignCode], cc[rec::AssignCode]);

    // A title of 64 kanji fits a Shift-JIS file (128 bytes) but not a UTF-8 one (192): a
    // comment only UTF-8 holds would cut it.
    std::string kanji;
    for (int i = 0; i < 64; ++i) {
        kanji += "日";
    }
    map.textEncoding = TextEncoding::Cp932;
    map.title = kanji;
    ControlSetting emoji;
    emoji.comment = "Lead \U0001F3B9";
    const Status refused = SetControl(entry, map, id, emoji);
    ASSERT_FALSE(refused.Ok());
    EXPECT_EQ(PartOf(refused.Error()), SettingPart::Comment);
    EXPECT_EQ(refused.Why().id, TextId::TextWouldBeCut);
    EXPECT_EQ(entry.comment, "");
    emoji.comment = kanji.substr(0, 30);
    ASSERT_TRUE(SetControl(entry, map, id, emoji).Ok());
    EXPECT_EQ(entry.comment, kanji.substr(0, 30));
}

} // namespace
} // namespace kel

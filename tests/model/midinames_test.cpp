// SPDX-License-Identifier: GPL-3.0-or-later
// The names shown beside the numbers: found by what a musician types, one name per number, and
// the right name for what a record's label shows.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "model/assign.h"
#include "model/kinds.h"
#include "model/midinames.h"

namespace kel {
namespace {

TEST(MidiNames, ControllerNamesAreFoundByPartAndNumberAndNameOneNumberEach) {
    EXPECT_EQ(FindControllerNumbers("bri"), std::vector<int>({74}));
    EXPECT_EQ(FindControllerNumbers("VOL"), std::vector<int>({7, 39}));
    EXPECT_EQ(FindControllerNumbers("64"), std::vector<int>({64}));
    EXPECT_EQ(FindControllerNumbers("74 Brightness"), std::vector<int>({74}));
    EXPECT_TRUE(FindControllerNumbers("7 Bri").empty());
    EXPECT_TRUE(FindControllerNumbers("").empty());
    EXPECT_TRUE(FindControllerNumbers("zzz").empty());

    std::set<std::string_view> seen;
    int named = 0;
    for (int number = 0; number < 128; ++number) {
        const std::string_view name = ControllerNumberName(number);
        if (!name.empty()) {
            ++named;
            EXPECT_TRUE(seen.insert(name).second) << number << " " << name;
        }
    }
    // The MIDI 1.0 table leaves 3, 9, 14, 15, 20-31 (and their LSBs), 85-87, 89, 90 and
    // 102-119 undefined.
    EXPECT_EQ(named, 128 - 2 * 16 - 3 - 2 - 18);
    EXPECT_TRUE(ControllerNumberName(128).empty());
    EXPECT_TRUE(ControllerNumberName(-1).empty());
}

// Counting down passes the channel mode and parameter controllers too; a row that runs out of
// 0..127 ends outside it rather than wrapping or stopping.
TEST(MidiNames, ARowSkipsTheReservedNumbersInEitherDirection) {
    EXPECT_EQ(SequenceNumbers({127, -1, true}, 3), std::vector<int>({119, 118, 117}));
    EXPECT_EQ(SequenceNumbers({103, -2, true}, 3), std::vector<int>({103, 95, 93}));
    EXPECT_EQ(SequenceNumbers({4, 2, true}, 3), std::vector<int>({4, 8, 10}));
    EXPECT_EQ(SequenceNumbers({4, 2, false}, 3), std::vector<int>({4, 6, 8}));
    EXPECT_EQ(SequenceNumbers({1, -1, true}, 3), std::vector<int>({1, -1, -2}));
    EXPECT_EQ(SequenceNumbers({2147483000, 1000, false}, 2), std::vector<int>({1000000, 1000000}));
}

TEST(MidiNames, EveryGeneralMidiProgramHasItsOwnName) {
    std::set<std::string_view> seen;
    for (int program = 1; program <= 128; ++program) {
        EXPECT_TRUE(seen.insert(GmProgramName(program)).second) << program;
        EXPECT_FALSE(GmProgramName(program).empty()) << program;
    }
    EXPECT_TRUE(GmProgramName(0).empty());
    EXPECT_TRUE(GmProgramName(129).empty());
}

TEST(MidiNames, NotesAreNamedWithMiddleCInEitherOctave) {
    EXPECT_EQ(NoteName(60), "C3");
    EXPECT_EQ(NoteName(60, MiddleC::C4), "C4");
    EXPECT_EQ(NoteName(0), "C-2");
    EXPECT_EQ(NoteName(127), "G8");
    EXPECT_EQ(NoteName(61, MiddleC::C4), "C#4");
    EXPECT_TRUE(NoteName(128).empty());
}

// A message heard is named by its number: controller, note (also a note off and poly pressure)
// or program; other messages, running data bytes and system messages have none.
TEST(MidiNames, AMessageIsNamedByItsNumber) {
    const auto name = [](std::initializer_list<std::uint8_t> bytes) {
        return MessageNumberName(std::vector<std::uint8_t>(bytes));
    };
    EXPECT_EQ(name({0xB3, 64, 127}), "Sustain");
    EXPECT_EQ(name({0x80, 60, 0}), "C3");
    EXPECT_EQ(name({0xA0, 61, 9}), "C#3");
    EXPECT_EQ(name({0xC5, 0}), "Acoustic Grand Piano");
    EXPECT_EQ(name({0xE0, 0, 64}), "");
    EXPECT_EQ(name({0xD0, 64}), "");
    EXPECT_EQ(name({0xF8}), "");
    EXPECT_EQ(name({0xF0, 0x7E, 0xF7}), "");
    EXPECT_EQ(name({0xB0, 200, 1}), "");
}

// Each kind's label numbers get their names, and only those: a CC's minimum and maximum and a
// note's velocity are not names, an NRPN has none.
TEST(MidiNames, ARecordNamesTheNumbersItsLabelShows) {
    auto record = [](const char* word, std::initializer_list<int> values) {
        AssignEntry e;
        const AssignKind& kind = *FindKind(word);
        kind.type == MsgChannel ? e.SetChannelKind(kind.channelKind) : e.SetMessageType(kind.type);
        int i = 0;
        for (const int v : values) {
            e.SetValueAt(i++, v);
        }
        return e.record;
    };
    EXPECT_EQ(RecordNumberNames(record("cc", {74, 64, 100})), "Brightness");
    EXPECT_EQ(RecordNumberNames(record("note", {60, 64})), "C3");
    EXPECT_EQ(RecordNumberNames(record("poly-pressure", {61, 1, 2}), MiddleC::C4), "C#4");
    EXPECT_EQ(RecordNumberNames(record("bank-pc", {0, 1, 21})), "Reed Organ");
    EXPECT_EQ(RecordNumberNames(record("rpn", {0, 2, 0, 127})), "Coarse Tuning");
    EXPECT_EQ(RecordNumberNames(record("nrpn", {0, 2, 0, 127})), "");
    EXPECT_EQ(RecordNumberNames(record("cc", {3, 0, 127})), "");
    EXPECT_EQ(RecordNumberNames(record("tempo", {})), "");
}

} // namespace
} // namespace kel

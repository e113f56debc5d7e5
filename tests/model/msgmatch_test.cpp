// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/msgmatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/kinds.h"
#include "model/midiframer.h"
#include "support/played_map.h"
#include "support/records.h"

namespace kel {
namespace {

using test::Bytes;

std::vector<std::string> Names(const std::vector<ControllerId>& ids) {
    std::vector<std::string> names;
    for (const ControllerId id : ids) {
        names.emplace_back(ControllerName(id));
    }
    return names;
}

std::vector<std::string> Sending(const ControlMap& map, const Bytes& message, int port = -1) {
    return Names(ControlsSending(map, message, port));
}

using V = std::vector<std::string>;

TEST(MessageWords, EveryKindOfMessage) {
    const std::pair<Bytes, const char*> cases[] = {
        {{0xB1, 74, 63}, "CC 74 = 63, ch 2"},
        {{0x90, 60, 100}, "Note On 60 vel 100, ch 1"},
        {{0x90, 60, 0}, "Note Off 60, ch 1"},
        {{0x8F, 60, 64}, "Note Off 60, ch 16"},
        {{0xC0, 4}, "Program 5, ch 1"},
        {{0xE0, 0x00, 0x40}, "Pitch Bend 8192, ch 1"},
        {{0xA0, 60, 10}, "Poly Pressure 60 = 10, ch 1"},
        {{0xD0, 10}, "Channel Pressure 10, ch 1"},
        {{0xFA}, "Start"},
        {{0xFC}, "Stop"},
        {{0xFB}, "Continue"},
        {{0xF8}, "Clock"},
        {{0xF6}, "Tune Request"},
        {{0xF2, 0x01, 0x01}, "Song Position 129"},
        {{0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0xF7}, "SysEx 12 bytes"},
        {{0xB0, 74}, "Unknown (2 bytes)"},
        {{}, "Unknown (0 bytes)"},
    };
    for (const auto& [message, words] : cases) {
        EXPECT_EQ(DescribeMidiMessage(message), words);
    }
}

// Every control of the map, played low, in the middle and high, is named for each message it
// sends - and nothing but the controls that send that message.
TEST(ControlsSending, EveryPlayedControlIsNamed) {
    const ControlMap map = test::PlayedMap();
    for (const auto& control : test::kPlayedControls) {
        for (const int value : {0, 1, 64, 127}) {
            std::vector<std::vector<std::uint8_t>> messages;
            ASSERT_GT(MessagesOfControl(map.records[static_cast<std::size_t>(control.id)], value, 3,
                                        messages),
                      0u)
                << control.name;
            for (const auto& message : messages) {
                const V named = Sending(map, message);
                EXPECT_NE(std::find(named.begin(), named.end(), control.name), named.end())
                    << control.name << " " << value << ": " << DescribeMidiMessage(message);
            }
        }
    }
}

TEST(ControlsSending, NamesExactlyTheControlsOfTheMessage) {
    const ControlMap map = test::PlayedMap();
    // Two controls sharing a message are both named, in control order.
    EXPECT_EQ(Sending(map, {0xB1, 74, 5}), (V{"R2", "S6"}));
    EXPECT_EQ(Sending(map, {0xB1, 75, 5}), V{});
    EXPECT_EQ(Sending(map, {0xB2, 74, 5}), V{});
    // Note on and off of its note; the note's channel pressure as its aftertouch.
    EXPECT_EQ(Sending(map, {0x90, 60, 1}), V{"R1"});
    EXPECT_EQ(Sending(map, {0x80, 60, 0}), V{"R1"});
    EXPECT_EQ(Sending(map, {0x90, 61, 1}), V{});
    EXPECT_EQ(Sending(map, {0xD2, 9}), V{"R3"});
    EXPECT_EQ(Sending(map, {0xA3, 61, 9}), V{"R4"});
    EXPECT_EQ(Sending(map, {0xA3, 60, 9}), V{});
    // A program change is named by its own control, the range that holds it, and the control
    // stepping programs on any channel.
    EXPECT_EQ(Sending(map, {0xC4, 4}), (V{"R5", "A1"}));
    EXPECT_EQ(Sending(map, {0xC4, 5}), V{"A1"});
    EXPECT_EQ(Sending(map, {0xC5, 9}), (V{"R6", "A1"}));
    EXPECT_EQ(Sending(map, {0xC5, 19}), (V{"R6", "A1"}));
    EXPECT_EQ(Sending(map, {0xC5, 20}), V{"A1"});
    // Bank select by its MSB and LSB values; RPN and NRPN by their parameter numbers, data
    // entry by the channel.
    EXPECT_EQ(Sending(map, {0xB6, 0x00, 1}), V{"R7"});
    EXPECT_EQ(Sending(map, {0xB6, 0x20, 2}), V{"R7"});
    EXPECT_EQ(Sending(map, {0xB6, 0x20, 1}), V{});
    EXPECT_EQ(Sending(map, {0xB7, 0x65, 0}), V{"R8"});
    EXPECT_EQ(Sending(map, {0xB7, 0x64, 2}), V{"R8"});
    EXPECT_EQ(Sending(map, {0xB7, 0x64, 3}), V{});
    EXPECT_EQ(Sending(map, {0xB7, 0x63, 0}), V{});
    EXPECT_EQ(Sending(map, {0xB8, 0x63, 1}), V{"R9"});
    EXPECT_EQ(Sending(map, {0xB8, 0x06, 33}), V{"R9"});
    // Realtime by its status; nothing names a status no control sends.
    EXPECT_EQ(Sending(map, {0xFA}), V{"S3"});
    EXPECT_EQ(Sending(map, {0xFC}), V{});
    EXPECT_EQ(Sending(map, {0xF8}), V{});
    // The Free Message's two messages each name it.
    EXPECT_EQ(Sending(map, {0xC9, 0x05}), (V{"S2", "A1"}));
    EXPECT_EQ(Sending(map, {0xB9, 0x07, 99}), V{"S2"});
    EXPECT_EQ(Sending(map, {0xB9, 0x08, 99}), V{});
    // Incomplete and empty messages name nobody.
    EXPECT_EQ(Sending(map, {0xB1, 74}), V{});
    EXPECT_EQ(Sending(map, {}), V{});
}

// Data entry, increment and decrement name only the control of the parameter last selected on
// their channel; the selection is kept per channel and switches between NRPN and RPN.
TEST(HeardMatcher, DataNamesTheControlOfTheSelectedParameter) {
    const ControlMap map = test::ParameterMap();
    CHeardMatcher matcher;
    const auto hear = [&](const Bytes& message) {
        return Names(matcher.Hear(map, message).controls);
    };
    const auto notSelected = [&](const Bytes& message) {
        return matcher.Hear(map, message).parameterNotSelected;
    };
    // Nothing selected yet: no parameter control; a plain CC 6 control is still named.
    EXPECT_TRUE(notSelected({0xB0, 0x06, 10}));
    EXPECT_EQ(hear({0xB0, 0x06, 10}), V{"R5"});
    EXPECT_EQ(hear({0xB0, 0x26, 10}), V{});
    EXPECT_TRUE(notSelected({0xB0, 0x60, 0}));

    // R2 played: NRPN 1/2, then its data.
    EXPECT_EQ(hear({0xB0, 0x63, 1}), V{"R2"});
    EXPECT_EQ(hear({0xB0, 0x62, 2}), V{"R2"});
    EXPECT_FALSE(notSelected({0xB0, 0x06, 10}));
    EXPECT_EQ(hear({0xB0, 0x06, 10}), (V{"R2", "R5"}));
    EXPECT_EQ(hear({0xB0, 0x26, 10}), V{"R2"});
    EXPECT_EQ(hear({0xB0, 0x60, 0}), V{"R2"});
    EXPECT_EQ(hear({0xB0, 0x61, 0}), V{"R2"});
    // Channel 2 keeps its own (none): R4 is not named for data there.
    EXPECT_TRUE(notSelected({0xB1, 0x26, 10}));
    EXPECT_EQ(hear({0xB1, 0x26, 10}), V{});

    // R3 played: RPN 0/0 replaces the NRPN.
    EXPECT_EQ(hear({0xB0, 0x65, 0}), V{"R3"});
    EXPECT_EQ(hear({0xB0, 0x64, 0}), V{"R3"});
    EXPECT_EQ(hear({0xB0, 0x26, 10}), V{"R3"});
    EXPECT_EQ(hear({0xB0, 0x61, 0}), V{"R3"});
    // A parameter no control has: nobody, but a parameter is selected.
    EXPECT_EQ(hear({0xB0, 0x64, 5}), V{});
    EXPECT_FALSE(notSelected({0xB0, 0x26, 10}));
    EXPECT_EQ(hear({0xB0, 0x26, 10}), V{});
    // Only the MSB of an NRPN heard: the NRPN controls with that MSB.
    EXPECT_EQ(hear({0xB0, 0x63, 1}), V{"R2"});
    EXPECT_EQ(hear({0xB0, 0x26, 10}), V{"R2"});
    EXPECT_EQ(hear({0xB0, 0x63, 3}), V{});
    EXPECT_EQ(hear({0xB0, 0x26, 10}), V{});

    // Listening again forgets the selections.
    matcher.Reset();
    EXPECT_TRUE(notSelected({0xB0, 0x26, 10}));
    EXPECT_EQ(hear({0xB0, 0x26, 10}), V{});
}

TEST(ControlsSending, SysExTemplateWithDataAndChecksum) {
    const ControlMap map = test::PlayedMap();
    // F0 41 10 SS 12 DT S1 F7: the bytes from 12 up to the checksum add up to 0 with it.
    EXPECT_EQ(Sending(map, {0xF0, 0x41, 0x10, 0x12, 0x40, 0x2E, 0xF7}), V{"S1"});
    EXPECT_EQ(Sending(map, {0xF0, 0x41, 0x10, 0x12, 0x00, 0x6E, 0xF7}), V{"S1"});
    EXPECT_EQ(Sending(map, {0xF0, 0x41, 0x10, 0x12, 0x40, 0x2F, 0xF7}), V{});
    EXPECT_EQ(Sending(map, {0xF0, 0x41, 0x11, 0x12, 0x40, 0x2E, 0xF7}), V{});
    EXPECT_EQ(Sending(map, {0xF0, 0x41, 0x10, 0x12, 0x40, 0x2E, 0x00, 0xF7}), V{});
    // F0 43 1N 7F SS 20 DT S2 F7: any channel in the marker, a two-byte data field, and the
    // checksum of kind 2 (the low 7 bits of the sum).
    EXPECT_EQ(Sending(map, {0xF0, 0x43, 0x1A, 0x7F, 0x20, 0x01, 0x7F, 0x20, 0xF7}), V{"S7"});
    EXPECT_EQ(Sending(map, {0xF0, 0x43, 0x2A, 0x7F, 0x20, 0x01, 0x7F, 0x20, 0xF7}), V{});
    EXPECT_EQ(Sending(map, {0xF0, 0x43, 0x1A, 0x7F, 0x20, 0x01, 0x7F, 0x21, 0xF7}), V{});
    // A nibble data field takes only values 0..15.
    AssignEntry e;
    e.SetMessageType(MsgSystemExclusive);
    ASSERT_EQ(ParseSysExText(e, "F0 7D DT F7", Data4Bit4Bit), ParseAccepted);
    EXPECT_TRUE(RecordSends(e.record, Bytes{0xF0, 0x7D, 0x0F, 0x01, 0xF7}));
    EXPECT_FALSE(RecordSends(e.record, Bytes{0xF0, 0x7D, 0x10, 0x01, 0xF7}));
}

TEST(ControlsSending, PortOfTheMessage) {
    ControlMap map = test::PlayedMap();
    // A1 sends on port 2 only; R2 on port 1; with port 1 + 2 it sends on both.
    EXPECT_EQ(Sending(map, {0x9B, 62, 1}, 1), V{"A2"});
    EXPECT_EQ(Sending(map, {0x9B, 62, 1}, 0), V{});
    EXPECT_EQ(Sending(map, {0xAB, 62, 1}), V{"A2"});
    EXPECT_EQ(Sending(map, {0xB1, 74, 1}, 1), V{});
    map.records[1][rec::Port] = 2;
    EXPECT_EQ(Sending(map, {0xB1, 74, 1}, 1), V{"R2"});
    // Program changes have no port of their own: any port.
    EXPECT_EQ(Sending(map, {0xC4, 4}, 1), (V{"R5", "A1"}));
}

TEST(ControlsSending, PlayedValuesReachTheDataField) {
    const ControlMap map = test::PlayedMap();
    std::vector<std::vector<std::uint8_t>> out;
    // S7: 0..255 over two 7-bit bytes, channel 4 in the marker, checksum of 20 01 7F.
    MessagesOfControl(map.records[15], 127, 3, out);
    EXPECT_EQ(out.back(), (Bytes{0xF0, 0x43, 0x13, 0x7F, 0x20, 0x01, 0x7F, 0x20, 0xF7}));
    // S1 at 64: data 40 and the checksum making 12 + 40 + 2E a multiple of 128.
    MessagesOfControl(map.records[9], 64, 0, out);
    EXPECT_EQ(out.back(), (Bytes{0xF0, 0x41, 0x10, 0x12, 0x40, 0x2E, 0xF7}));
    // The RPN's 14-bit data entry spans the MSB range 0..127 with its LSB.
    out.clear();
    MessagesOfControl(map.records[7], 127, 0, out);
    EXPECT_EQ(out, (std::vector<std::vector<std::uint8_t>>{
                       {0xB7, 0x65, 0}, {0xB7, 0x64, 2}, {0xB7, 0x06, 127}, {0xB7, 0x26, 127}}));
    // Tempo and NO ASSIGN send nothing.
    EXPECT_EQ(MessagesOfControl(map.records[13], 64, 0, out), 0u);
    EXPECT_EQ(MessagesOfControl(map.records[16], 64, 0, out), 0u);
}

TEST(LearnAssignment, ChannelMessagesBecomeAssignments) {
    AssignEntry e;
    e.SetChannelKind(KindControlChange);
    e.SetPort(1);
    e.SetButtonMode(2); // Increase
    e.SetCenterClick(1);
    const AssignRecord before = e.record;

    AssignRecord r = before;
    ASSERT_TRUE(LearnAssignment(Bytes{0xB3, 74, 99}, r));
    AssignEntry cc{r, "", kNoController, false};
    EXPECT_EQ(cc.GetChannelKind(), KindControlChange);
    EXPECT_EQ(cc.GetChannel(), 3);
    EXPECT_EQ(cc.GetValue1(), 74);
    EXPECT_EQ(cc.GetValue2(), 0); // the kind's range
    EXPECT_EQ(cc.GetValue3(), 127);
    EXPECT_EQ(cc.GetPort(), 1);
    EXPECT_EQ(cc.GetButtonMode(), 2);
    EXPECT_EQ(cc.GetCenterClick(), 1);

    r = before;
    ASSERT_TRUE(LearnAssignment(Bytes{0x95, 36, 1}, r));
    AssignEntry note{r, "", kNoController, false};
    EXPECT_EQ(note.GetChannelKind(), KindNote);
    EXPECT_EQ(note.GetChannel(), 5);
    EXPECT_EQ(note.GetValue1(), 36);
    EXPECT_EQ(note.GetValue2(), 100); // the default velocity, not the one played
    EXPECT_EQ(note.GetPort(), 1);
    EXPECT_EQ(note.GetButtonMode(), 0); // a note has no Increase

    r = before;
    ASSERT_TRUE(LearnAssignment(Bytes{0xC0, 9}, r));
    EXPECT_EQ((AssignEntry{r, "", kNoController, false}.GetValue1()), 10);

    // Pitch bend becomes a Free Message that sends bends on its channel; it then names the
    // control.
    r = before;
    ASSERT_TRUE(LearnAssignment(Bytes{0xE2, 0x00, 0x40}, r));
    EXPECT_EQ(MessageTypeOf(r), MsgFreeMessage);
    EXPECT_TRUE(RecordSends(r, Bytes{0xE2, 0x00, 0x7F}));
    EXPECT_FALSE(RecordSends(r, Bytes{0xE3, 0x00, 0x7F}));

    // What a played learnt control sends is named as that control.
    for (const Bytes& m : {Bytes{0xA1, 60, 5}, Bytes{0xD4, 7}, Bytes{0x84, 60, 0}}) {
        r = before;
        ASSERT_TRUE(LearnAssignment(m, r));
        EXPECT_TRUE(RecordSends(r, m)) << DescribeMidiMessage(m);
    }

    // Anything else leaves the record untouched.
    for (const Bytes& m : {Bytes{0xFA}, Bytes{0xF0, 0x7D, 0xF7}, Bytes{0xB0, 7}, Bytes{}}) {
        r = before;
        EXPECT_FALSE(LearnAssignment(m, r));
        EXPECT_EQ(r, before);
    }
}

// The monitor's framing: running status, realtime inside other messages, system exclusive
// in pieces, and what does not make a message.
TEST(MidiFramer, FramesEveryMessageOnTheLine) {
    CMidiFramer framer(16);
    std::vector<Bytes> got;
    auto feed = [&](const Bytes& bytes) {
        framer.Feed(bytes,
                    [&](std::span<const std::uint8_t> m) { got.emplace_back(m.begin(), m.end()); });
    };
    feed({0x90, 60, 100, 62, 0xF8, 0x7F, 64}); // running status, a clock inside a message
    feed({0});
    feed({0xC1, 5, 6, 0xF0, 0x7D, 0xFE, 1}); // running status of a program change
    feed({2, 0xF7, 0x10});                   // F7 ends; the stray data byte goes nowhere
    feed({0xF0, 1, 2, 0xB0, 7, 100});        // a cut system exclusive is dropped
    feed({0xF3, 1, 2, 3});                   // system common ends the running status
    feed({0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 0xF7, 0xF6});
    EXPECT_EQ(got, (std::vector<Bytes>{{0x90, 60, 100},
                                       {0xF8},
                                       {0x90, 62, 0x7F},
                                       {0x90, 64, 0},
                                       {0xC1, 5},
                                       {0xC1, 6},
                                       {0xFE},
                                       {0xF0, 0x7D, 1, 2, 0xF7},
                                       {0xB0, 7, 100},
                                       {0xF3, 1},
                                       {0xF6}}));
    EXPECT_EQ(framer.SysExCounts().cut, 1u);
    EXPECT_EQ(framer.SysExCounts().overlong, 1u);
}

} // namespace
} // namespace kel

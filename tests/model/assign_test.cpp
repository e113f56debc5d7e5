// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/assign.h"
#include "model/controllers.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/records.h"

namespace kel {
namespace {

using test::Rec;

AssignEntry EntryOfKind(int kind) {
    AssignEntry e;
    e.SetChannelKind(kind);
    e.changed = false;
    return e;
}

TEST(Controllers, NamesAndCapabilitySets) {
    const std::vector<std::pair<ControllerId, std::string_view>> names = {
        {0, "R1"},  {8, "R9"},  {9, "S1"},    {17, "S9"},  {18, "A1"}, {26, "A9"}, {27, "B1"},
        {35, "B9"}, {36, "C1"}, {38, "C3"},   {39, "H1"},  {40, "H2"}, {41, "L1"}, {44, "L4"},
        {45, "P1"}, {46, "P2"}, {47, "BEND"}, {48, "MOD"}, {49, "AFT"}};
    for (auto [id, name] : names) {
        EXPECT_EQ(ControllerName(id), name);
        EXPECT_EQ(FindController(name), id);
    }
    EXPECT_EQ(ControllerName(-1), "");
    EXPECT_EQ(ControllerName(50), "");
    EXPECT_EQ(FindController("r1"), -1);

    int button = 0, aft = 0, center = 0;
    for (int id = 0; id < kControllerCount; ++id) {
        button += HasButtonMode(id);
        aft += HasAftMode(id);
        center += HasCenterClick(id);
    }
    EXPECT_EQ(button, 26); // 18..38 and 41..45
    EXPECT_EQ(aft, 18);    // 18..35
    EXPECT_EQ(center, 18); // 0..17
    EXPECT_TRUE(HasButtonMode(45));
    EXPECT_FALSE(HasButtonMode(39));
    EXPECT_FALSE(HasButtonMode(40));
    EXPECT_FALSE(HasButtonMode(46));
    EXPECT_TRUE(HasAftMode(35));
    EXPECT_FALSE(HasAftMode(36));
    EXPECT_FALSE(HasCenterClick(18));
}

// Every code 0..255: its message type, channel kind and base code.
TEST(AssignCodes, DecodeEveryCode) {
    struct Row {
        int code, type, kind, base;
    };
    const std::vector<Row> rows = {
        {0, 0, -1, 0},   {1, 1, 0, 1},     {2, 1, 0, 1},    {3, 1, 1, 3},    {4, 1, 1, 3},
        {5, 1, 2, 5},    {6, 1, 2, 5},     {7, 1, 3, 7},    {8, 1, 3, 7},    {9, 1, 11, 9},
        {10, 1, 5, 10},  {11, -1, -1, 11}, {12, 1, 4, 12},  {13, 1, 6, 13},  {14, 1, 8, 14},
        {15, 1, 9, 15},  {16, 1, 9, 15},   {17, 1, 10, 17}, {18, 1, 10, 17}, {19, 2, -1, 19},
        {20, 3, -1, 20}, {21, 3, -1, 20},  {22, 4, -1, 22}, {23, 4, -1, 22}, {24, 5, -1, 24}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        const AssignRecord r = Rec({row.code});
        EXPECT_EQ(MessageTypeOf(r), row.type);
        EXPECT_EQ(ChannelKindOf(r), row.kind);
        EXPECT_EQ(BaseCode(static_cast<std::uint8_t>(row.code)), row.base);
    }
    for (int code = 25; code < 256; ++code) {
        EXPECT_EQ(MessageTypeOf(Rec({code})), -1) << code;
        EXPECT_EQ(ChannelKindOf(Rec({code})), -1) << code;
    }
    // Code 14 is Dec only with byte 5 = 1.
    EXPECT_EQ(ChannelKindOf(Rec({14, 0, 0, 0, 0, 1})), KindProgramChangeDec);
    EXPECT_EQ(ChannelKindOf(Rec({14, 0, 0, 0, 0, 0})), KindProgramChangeInc);
    EXPECT_EQ(ChannelKindOf(Rec({14, 0, 0, 0, 0, 2})), KindProgramChangeInc);
}

// The record each channel kind gets when chosen, and which fields it then has.
TEST(AssignEntry, ChannelKindDefaultsAndFields) {
    struct Row {
        int kind;
        std::vector<int> head; // bytes 0..9
        int channel, port, button, center, aft;
        std::vector<int> values; // GetValue1..4
    };
    const std::vector<Row> rows = {
        {KindNote, {1, 0, 0, 0, 0, 64, 100, 0, 0, 0}, 0, 0, 0, -1, 0, {64, 100, 0, 0}},
        {KindChannelPressure, {3, 0, 0, 0, 0, 0, 127, 0, 0, 0}, 0, 0, 0, -1, -1, {0, 127, 0, 0}},
        {KindPolyPressure, {5, 0, 0, 0, 0, 64, 0, 127, 0, 0}, 0, 0, 0, -1, -1, {64, 0, 127, 0}},
        {KindControlChange, {7, 0, 0, 0, 0, 0, 0, 127, 0, 0}, 0, 0, 0, 0, -1, {0, 0, 127, 0}},
        {KindProgramChange, {12, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, -1, -1, -1, -1, {1, 0, 0, 0}},
        {KindProgramChangeRange,
         {10, 0, 0, 0, 0, 0, 127, 0, 0, 0},
         0,
         -1,
         -1,
         -1,
         -1,
         {1, 128, 0, 0}},
        {KindBankProgramChange, {13, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, -1, -1, -1, {0, 0, 1, 0}},
        {KindProgramChangeDec, {14, 0, 0, 0, 0, 1, 0, 0, 0, 0}, -1, -1, -1, -1, -1, {0, 0, 0, 0}},
        {KindProgramChangeInc, {14, 0, 0, 0, 0, 0, 0, 0, 0, 0}, -1, -1, -1, -1, -1, {0, 0, 0, 0}},
        {KindRpn, {15, 0, 0, 0, 0, 1, 0, 0, 0, 127}, 0, 0, 0, 0, -1, {0, 0, 0, 127}},
        {KindNrpn, {17, 0, 0, 0, 0, 1, 0, 0, 0, 127}, 0, 0, 0, 0, -1, {0, 0, 0, 127}},
        {KindEncoderSimulate, {9, 1, 0, 0, 0, 0, 0, 127, 0, 0}, 0, 0, -1, -1, -1, {0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(ChannelKindName(row.kind));
        AssignEntry e;
        e.record.fill(0x55); // whatever was there before is overwritten
        EXPECT_EQ(e.SetChannelKind(row.kind), 1);
        EXPECT_TRUE(e.changed);
        for (std::size_t i = 0; i < kRecordSize; ++i) {
            const int expected = i < row.head.size() ? row.head[i] : 0;
            EXPECT_EQ(e.record[i], expected) << "byte " << i;
        }
        EXPECT_EQ(e.GetMessageType(), MsgChannel);
        EXPECT_EQ(e.GetChannelKind(), row.kind);
        EXPECT_EQ(e.GetChannel(), row.channel);
        EXPECT_EQ(e.GetPort(), row.port);
        EXPECT_EQ(e.GetButtonMode(), row.button);
        EXPECT_EQ(e.GetCenterClick(), row.center);
        EXPECT_EQ(e.GetAftMode(), row.aft);
        EXPECT_EQ(e.GetValue1(), row.values[0]);
        EXPECT_EQ(e.GetValue2(), row.values[1]);
        EXPECT_EQ(e.GetValue3(), row.values[2]);
        EXPECT_EQ(e.GetValue4(), row.values[3]);
        // Choosing the same kind again still counts as a change.
        e.changed = false;
        EXPECT_EQ(e.SetChannelKind(row.kind), 1);
        EXPECT_TRUE(e.changed);
    }
    AssignEntry e;
    EXPECT_EQ(e.SetChannelKind(-1), 0);
    EXPECT_EQ(e.SetChannelKind(12), 0);
    EXPECT_FALSE(e.changed);
}

TEST(AssignEntry, MessageTypeDefaults) {
    AssignEntry e;
    ASSERT_EQ(e.SetMessageType(MsgSystemExclusive), 1);
    AssignRecord sysex = Rec({0x14, 0, 0, 0, 0, 0, 0, 0, 0x7F, 0, 0, 0, 0, 0, 0, 0xF0});
    std::fill(sysex.begin() + 16, sysex.end(), 0xF7);
    EXPECT_EQ(e.record, sysex);
    EXPECT_EQ(e.GetCenterClick(), 0);
    EXPECT_EQ(e.GetButtonMode(), 0);
    EXPECT_EQ(e.GetPort(), 0);
    EXPECT_EQ(e.GetChannel(), -1);

    ASSERT_EQ(e.SetMessageType(MsgFreeMessage), 1);
    EXPECT_EQ(e.record, Rec({0x16, 0, 0, 0, 0, 0, 0, 0, 0x7F}));
    EXPECT_EQ(e.GetCenterClick(), -1);

    ASSERT_EQ(e.SetMessageType(MsgSystemRealtime), 1);
    EXPECT_EQ(e.record, Rec({0x13, 0, 0, 0, 0, 0xF6}));
    EXPECT_EQ(e.GetButtonMode(), -1);
    EXPECT_EQ(e.GetPort(), 0);

    ASSERT_EQ(e.SetMessageType(MsgTempo), 1);
    EXPECT_EQ(e.record, Rec({24}));
    EXPECT_EQ(e.GetPort(), -1);
    EXPECT_EQ(e.GetButtonMode(), 0);

    ASSERT_EQ(e.SetMessageType(MsgChannel), 1);
    EXPECT_EQ(e.record, Rec({1, 0, 0, 0, 0, 0x40, 0x64}));

    e.record[3] = 2;
    ASSERT_EQ(e.SetMessageType(MsgNoAssign), 1);
    EXPECT_EQ(e.record, AssignRecord{});
    EXPECT_EQ(e.GetPort(), -1);

    e.changed = false;
    EXPECT_EQ(e.SetMessageType(6), 0);
    EXPECT_EQ(e.SetMessageType(-1), 0);
    EXPECT_FALSE(e.changed);
}

TEST(AssignEntry, ValueSettersRangesAndNoChange) {
    AssignEntry pc = EntryOfKind(KindProgramChange);
    EXPECT_EQ(pc.SetValue1(0), 0);
    EXPECT_EQ(pc.SetValue1(129), 0);
    EXPECT_FALSE(pc.changed);
    EXPECT_EQ(pc.SetValue1(128), 1);
    EXPECT_EQ(pc.record[5], 127);
    EXPECT_EQ(pc.GetValue1(), 128);
    EXPECT_EQ(pc.SetValue2(5), 0); // no such field
    EXPECT_EQ(pc.SetChannel(15), 1);
    EXPECT_EQ(pc.SetPort(1), 0); // program change has no port

    AssignEntry note = EntryOfKind(KindNote);
    EXPECT_EQ(note.SetValue1(64), 0); // the current value
    EXPECT_FALSE(note.changed);
    EXPECT_EQ(note.SetValue1(128), 0);
    EXPECT_EQ(note.SetValue1(-1), 0);
    EXPECT_EQ(note.SetValue2(127), 1);
    EXPECT_EQ(note.record[6], 127);
    EXPECT_EQ(note.SetValue3(1), 0);
    EXPECT_EQ(note.SetAftMode(2), 1);
    EXPECT_EQ(note.SetAftMode(3), 0);
    EXPECT_EQ(note.record[7], 2);
    EXPECT_EQ(note.SetChannel(16), 0);
    EXPECT_EQ(note.SetPort(3), 0);
    EXPECT_EQ(note.SetPort(2), 1);

    AssignEntry bank = EntryOfKind(KindBankProgramChange);
    EXPECT_EQ(bank.SetValue1(10), 1); // the bank MSB lives in byte 6
    EXPECT_EQ(bank.SetValue2(20), 1); // the bank LSB in byte 5
    EXPECT_EQ(bank.SetValue3(128), 1);
    EXPECT_EQ(bank.SetValue3(0), 0);
    EXPECT_EQ(bank.record[5], 20);
    EXPECT_EQ(bank.record[6], 10);
    EXPECT_EQ(bank.record[7], 127);
    EXPECT_EQ(bank.GetPort(), 0);

    AssignEntry range = EntryOfKind(KindProgramChangeRange);
    EXPECT_EQ(range.SetValue2(1), 1);
    EXPECT_EQ(range.record[6], 0);

    AssignEntry nrpn = EntryOfKind(KindNrpn);
    EXPECT_EQ(nrpn.SetValue1(3), 1);
    EXPECT_EQ(nrpn.SetValue2(4), 1);
    EXPECT_EQ(nrpn.SetValue3(5), 1);
    EXPECT_EQ(nrpn.SetValue4(6), 1);
    EXPECT_EQ(nrpn.record[5], 1);
    EXPECT_EQ(nrpn.record[6], 4);
    EXPECT_EQ(nrpn.record[7], 3);
    EXPECT_EQ(nrpn.record[8], 5);
    EXPECT_EQ(nrpn.record[9], 6);
}

TEST(AssignEntry, ModeBits) {
    AssignEntry cc = EntryOfKind(KindControlChange);
    EXPECT_EQ(cc.SetButtonMode(6), 1); // only bits 0-1 are written
    EXPECT_EQ(cc.record[2], 2);
    EXPECT_EQ(cc.SetCenterClick(7), 1);
    EXPECT_EQ(cc.record[2], 6);
    EXPECT_EQ(cc.GetCenterClick(), 1);
    EXPECT_EQ(cc.GetButtonMode(), 2);
    cc.record[2] = 0xFB; // foreign high bits are cleared by the center click setter
    EXPECT_EQ(cc.SetCenterClick(1), 1);
    EXPECT_EQ(cc.record[2], 0x07);
    EXPECT_EQ(cc.SetCenterClick(0), 1);
    EXPECT_EQ(cc.record[2], 0x03);

    AssignEntry pc = EntryOfKind(KindProgramChange);
    EXPECT_EQ(pc.SetButtonMode(1), 0);
    EXPECT_EQ(pc.SetCenterClick(1), 0);
    AssignEntry note = EntryOfKind(KindNote);
    EXPECT_EQ(note.SetCenterClick(1), 0);
    EXPECT_EQ(note.GetCenterClick(), -1);
}

TEST(AssignEntry, SysExDataRangeAndRealtime) {
    AssignEntry sx;
    sx.SetMessageType(MsgSystemExclusive);
    sx.changed = false;
    EXPECT_EQ(sx.GetDataTypeIndex(), 0);
    // Without a data type the range is not stored, but the edit still counts.
    EXPECT_EQ(sx.SetMinValue(10), 1);
    EXPECT_TRUE(sx.changed);
    EXPECT_EQ(sx.GetMinValue(), 0);
    sx.record[rec::DataType] = Data4x4Bit;
    EXPECT_EQ(sx.GetDataTypeIndex(), 4);
    EXPECT_EQ(sx.SetMaxValue(255), 1);
    EXPECT_EQ(sx.GetMaxValue(), 255);
    EXPECT_EQ(sx.SetMaxValue(256), 0);

    AssignEntry note = EntryOfKind(KindNote);
    EXPECT_EQ(note.SetMinValue(1), 0);
    EXPECT_EQ(note.GetMinValue(), 0);
    EXPECT_EQ(note.GetDataTypeIndex(), -1);

    AssignEntry rt;
    rt.SetMessageType(MsgSystemRealtime);
    const int expected[] = {0xF6, 0xF8, 0xFA, 0xFB, 0xFC, 0xFF};
    for (int i = 0; i < 6; ++i) {
        rt.SetRealtimeIndex(i);
        EXPECT_EQ(rt.record[5], expected[i]);
        EXPECT_EQ(rt.GetRealtimeIndex(), i);
    }
    EXPECT_EQ(rt.SetRealtimeIndex(6), 0);
    rt.record[5] = 0xF9; // a foreign byte reads as the first entry
    EXPECT_EQ(rt.GetRealtimeIndex(), 0);
    EXPECT_EQ(note.GetRealtimeIndex(), -1);
}

TEST(AssignEntry, CommentIsCut) {
    AssignEntry e;
    // The edit buffer holds what 128 bytes of any file's encoding decode to; the map's own
    // limit applies when the comment reaches it.
    EXPECT_EQ(e.SetComment(std::string(kEditTextLimit + 70, 'c')), 1);
    EXPECT_EQ(e.comment.size(), kEditTextLimit);
    e.changed = false;
    EXPECT_EQ(e.SetComment(std::string(kEditTextLimit + 170, 'c')), 0); // the same after cutting
    EXPECT_FALSE(e.changed);
}

TEST(ListNames, Texts) {
    EXPECT_EQ(MessageTypeName(2), "System Realtime/F6");
    EXPECT_EQ(ChannelKindName(6), "Bank Select + Program Change");
    EXPECT_EQ(DataTypeName(3), "DT2: 7bit/7bit (MSB/LSB)");
    EXPECT_EQ(RealtimeEntryName(5), "FF (System Reset)");
    EXPECT_EQ(PortName(2), "Port 1 + 2");
    EXPECT_EQ(ChannelKindName(12), "");
    EXPECT_EQ(DataTypeByteCount(5), 4);
}

} // namespace
} // namespace kel

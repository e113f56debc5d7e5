// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/bulk.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "support/records.h"

namespace kel {
namespace {

using test::Bytes;
using test::MemorySetMessage;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

AssignEntry EntryFor(ControllerId id, std::initializer_list<std::uint8_t> head) {
    AssignEntry entry;
    entry.controllerId = id;
    std::copy(head.begin(), head.end(), entry.record.begin());
    return entry;
}

Bytes Encoded(const AssignEntry& entry) {
    return test::ControlMapMessage(entry.controllerId, entry.record);
}

// --- encoding -----------------------------------------------------------------------------

TEST(EncodeBulk, ControlChangeOnR1IsByteExact) {
    const Bytes expected = Concat({
        {0xF0, 0x41, 0x10, 0x00, 0x00, 0x1A, 0x12},
        {0x00, 0x00, 0x00, 0x00},
        {0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x07,
         0x0F},
        Bytes(112, 0x00),
        {0x5C, 0xF7},
    });
    EXPECT_EQ(Encoded(EntryFor(0, {0x07, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x7F})), expected);
}

TEST(EncodeBulk, NoAssignOnAftAddressesController49) {
    const Bytes m = Encoded(EntryFor(kAft, {}));
    ASSERT_EQ(m.size(), kBulkMessageSize);
    EXPECT_EQ(Bytes(m.begin() + 7, m.begin() + 11), (Bytes{0x00, 0x00, 0x31, 0x00}));
    EXPECT_EQ(Bytes(m.begin() + 11, m.begin() + 139), Bytes(128, 0x00));
    EXPECT_EQ(m[139], 0x4F);
    EXPECT_EQ(m[140], 0xF7);
}

TEST(EncodeBulk, FullEightBitBytesSplitIntoNibbles) {
    AssignEntry entry = EntryFor(5, {0x14});
    entry.record[rec::SysExMessage] = 0xF0;
    entry.record[38] = 0xF7;
    const Bytes m = Encoded(entry);
    EXPECT_EQ(m[11 + 2 * 15], 0x0F);
    EXPECT_EQ(m[11 + 2 * 15 + 1], 0x00);
    EXPECT_EQ(m[11 + 2 * 38], 0x0F);
    EXPECT_EQ(m[11 + 2 * 38 + 1], 0x07);
    const unsigned sum = std::accumulate(m.begin() + 7, m.begin() + 140, 0u);
    EXPECT_EQ(sum & 0x7F, 0u);
}

TEST(EncodeBulk, RefusesEntryWithoutController) {
    for (ControllerId id : {kNoController, kControllerCount, 200}) {
        MidiBlock block;
        block.data[0] = 0xAA;
        block.count = 1;
        AssignEntry entry = EntryFor(id, {0x07});
        EXPECT_EQ(EncodeBulk(entry, block), -1) << id;
        EXPECT_EQ(block.count, 1u);
        EXPECT_EQ(block.data[0], 0xAA);
    }
}

TEST(FixedMessages, AreDataSetsWithValidChecksums) {
    for (const auto& m : {kTransmitModeMessage, kReceiveModeMessage}) {
        EXPECT_EQ(m.front(), 0xF0);
        EXPECT_EQ(m.back(), 0xF7);
        const unsigned sum = std::accumulate(m.begin() + 7, m.end() - 1, 0u);
        EXPECT_EQ(sum & 0x7F, 0u);
    }
    EXPECT_EQ(kTransmitModeMessage[11], 0x03);
    EXPECT_EQ(kReceiveModeMessage[11], 0x01);
}

TEST(MidiBlock, NewIsZeroAndAssignRefusesOverflow) {
    MidiBlock block;
    EXPECT_EQ(block.count, 0u);
    EXPECT_EQ(std::accumulate(block.data.begin(), block.data.end(), 0u), 0u);
    EXPECT_FALSE(block.Assign(Bytes(513, 1)));
    EXPECT_EQ(block.count, 0u);
    EXPECT_TRUE(block.Assign(Bytes(512, 1)));
    EXPECT_EQ(block.count, 512u);
    EXPECT_TRUE(block.Assign(Bytes{9}));
    EXPECT_EQ(block.data[1], 0); // nothing of the longer message is left behind
}

// --- decoding -----------------------------------------------------------------------------

// Every kind of record the editor produces, plus twin and invalid codes, which decode as
// they come.
std::vector<AssignRecord> SampleRecords() {
    std::vector<AssignRecord> records;
    for (int type = 0; type < kMessageTypeCount; ++type) {
        AssignEntry e;
        e.SetMessageType(type);
        records.push_back(e.record);
    }
    for (int kind = 0; kind < kChannelKindCount; ++kind) {
        AssignEntry e;
        e.SetChannelKind(kind);
        e.SetChannel(15);
        e.SetPort(2);
        e.SetButtonMode(1);
        e.SetCenterClick(1);
        records.push_back(e.record);
    }
    for (int index = 0; index < 6; ++index) {
        AssignEntry e;
        e.SetMessageType(MsgSystemRealtime);
        e.SetRealtimeIndex(index);
        records.push_back(e.record);
    }
    AssignRecord twin{CodeNoteTwin, 0, 2, 1, 9, 60, 127};
    records.push_back(twin);
    AssignRecord invalid{};
    invalid.fill(0xFF);
    records.push_back(invalid);
    return records;
}

TEST(DecodeBulk, RoundTripsEveryKindOnEveryController) {
    for (const AssignRecord& record : SampleRecords()) {
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            AssignEntry entry;
            entry.record = record;
            entry.controllerId = id;
            MidiBlock block;
            ASSERT_EQ(EncodeBulk(entry, block), 0);
            RecordTable table{};
            std::uint32_t address = 0xFFFFFFFF;
            ASSERT_EQ(DecodeBulk(block, ControlMapKind, address, table), 0) << id;
            EXPECT_EQ(table[static_cast<std::size_t>(id)], record) << id;
            EXPECT_EQ(address, static_cast<std::uint32_t>(id) << 8);
            for (ControllerId other = 0; other < kControllerCount; ++other) {
                if (other != id) {
                    EXPECT_EQ(table[static_cast<std::size_t>(other)], AssignRecord{});
                }
            }
        }
    }
}

struct Rejection {
    const char* what;
    std::size_t offset; // byte changed (or the new length for a resize)
    int change;         // added to the byte; 0 means resize to `offset`
    bool fixChecksum;   // recompute the checksum after the change
};

// One case per check of the decoder, in the order the decoder makes them.
const Rejection kRejections[] = {
    {"short message", 140, 0, false},
    {"long message", 142, 0, false},
    {"not F0", 0, 1, false},
    {"other maker", 1, 1, false},
    {"other device id", 2, 1, false},
    {"other model", 5, 1, false},
    {"other command", 6, 1, false},
    {"address byte 7", 7, 1, true},
    {"address byte 8 is 7F", 8, 0x7F, true},
    {"address byte 10", 10, 1, true},
    {"no closing F7", 140, -1, false},
    {"checksum off by one", 139, 1, false},
    {"nibble changed without checksum", 20, 1, false},
    {"controller 50", 9, 50, true},
    {"controller 7F", 9, 0x7F, true},
};

TEST(DecodeBulk, RejectsEachFailedCheckAndChangesNothing) {
    const AssignEntry entry = EntryFor(0, {0x07, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x7F});
    MidiBlock good;
    ASSERT_EQ(EncodeBulk(entry, good), 0);
    for (const Rejection& r : kRejections) {
        Bytes m(good.data.begin(), good.data.begin() + 141);
        if (r.change == 0) {
            m.resize(r.offset, 0x00);
        } else {
            m[r.offset] = static_cast<std::uint8_t>(m[r.offset] + r.change);
        }
        if (r.fixChecksum) {
            const unsigned sum = std::accumulate(m.begin() + 7, m.begin() + 139, 0u);
            m[139] = static_cast<std::uint8_t>((0 - sum) & 0x7F);
        }
        RecordTable table{};
        table[0][0] = 0x55;
        std::uint32_t address = 1234;
        EXPECT_EQ(DecodeBulk(m, ControlMapKind, address, table), -1) << r.what;
        EXPECT_EQ(table[0][0], 0x55) << r.what;
        EXPECT_EQ(address, 1234u) << r.what;
    }
}

TEST(DecodeBulk, IgnoresFillerAndNibbleRangeButNotChecksum) {
    MidiBlock block;
    ASSERT_EQ(EncodeBulk(EntryFor(3, {0x07}), block), 0);
    // A filler byte and a compensating checksum change: still accepted.
    block.data[100] = 0x11;
    block.data[139] = static_cast<std::uint8_t>((block.data[139] - 0x11) & 0x7F);
    // A nibble above 0F: joined and kept to 8 bits, compensated in the checksum.
    block.data[11] = 0x1F; // high nibble of byte 0 (was 0)
    block.data[139] = static_cast<std::uint8_t>((block.data[139] - 0x1F) & 0x7F);
    RecordTable table{};
    std::uint32_t address = 0;
    ASSERT_EQ(DecodeBulk(block, ControlMapKind, address, table), 0);
    EXPECT_EQ(table[3][0], static_cast<std::uint8_t>((0x1F << 4) | 0x07));
}

TEST(DecodeBulk, UnknownFormIsRefused) {
    MidiBlock block;
    ASSERT_EQ(EncodeBulk(EntryFor(0, {}), block), 0);
    RecordTable table{};
    std::uint32_t address = 0;
    EXPECT_EQ(DecodeBulk(block, 150, address, table), -1);
    EXPECT_EQ(DecodeBulk(block, MemorySetKind, address, table), -1);
}

TEST(DecodeBulk, MemorySetSlotsLandOnTheirControls) {
    const struct {
        int slot;
        ControllerId controller;
    } cases[] = {{0, 0},   {7, 7},   {8, 9},   {15, 16}, {16, 27}, {21, 32},
                 {22, 41}, {24, 43}, {25, 45}, {26, 46}, {30, 30}, {49, 49}};
    for (const auto& c : cases) {
        const AssignRecord record{CodeControlChange, 0, 0, 1, 2, 74, 0, 127};
        RecordTable table{};
        std::uint32_t address = 0;
        ASSERT_EQ(DecodeBulk(MemorySetMessage(c.slot, record), MemorySetKind, address, table), 0)
            << c.slot;
        EXPECT_EQ(table[static_cast<std::size_t>(c.controller)], record) << c.slot;
        EXPECT_EQ(address, static_cast<std::uint32_t>(c.slot) << 8) << c.slot;
        EXPECT_EQ(MemorySetController(c.slot), c.controller);
    }
    EXPECT_EQ(MemorySetController(50), kNoController);
    EXPECT_EQ(MemorySetController(-1), kNoController);
}

TEST(DecodeBulk, MemorySetFormChecks) {
    const AssignRecord record{CodeNote, 0, 0, 0, 0, 64, 100};
    const Bytes good = MemorySetMessage(4, record);
    RecordTable table{};
    std::uint32_t address = 0;
    ASSERT_EQ(DecodeBulk(good, MemorySetKind, address, table), 0);
    // The control map form's decoder does not take it.
    EXPECT_EQ(DecodeBulk(good, ControlMapKind, address, table), -1);

    const struct {
        const char* what;
        std::size_t offset;
        std::uint8_t value;
    } cases[] = {{"model id", 4, 0x1A},
                 {"address byte 6", 6, 1},
                 {"address byte 9", 9, 1},
                 {"slot 50", 8, 50},
                 {"no F7", 139, 0xF0}};
    for (const auto& c : cases) {
        Bytes m = good;
        m[c.offset] = c.value;
        if (c.offset != 139) {
            m.resize(138);
            const unsigned sum = std::accumulate(m.begin() + 6, m.end(), 0u);
            m.push_back(static_cast<std::uint8_t>((0 - sum) & 0x7F));
            m.push_back(0xF7);
        }
        RecordTable untouched{};
        EXPECT_EQ(DecodeBulk(m, MemorySetKind, address, untouched), -1) << c.what;
        EXPECT_EQ(untouched, RecordTable{}) << c.what;
    }
    Bytes badSum = good;
    badSum[138] ^= 1;
    EXPECT_EQ(DecodeBulk(badSum, MemorySetKind, address, table), -1);
}

} // namespace
} // namespace kel

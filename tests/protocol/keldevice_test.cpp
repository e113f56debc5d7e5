// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/keldevice.h"

#include <gtest/gtest.h>

#include "support/records.h"

namespace kel {
namespace {

using Event = CKelDevice::Event;
using State = CKelDevice::State;
using test::Bytes;
using test::HexTable;

const Bytes kToReceive(kTransmitModeMessage.begin(), kTransmitModeMessage.end());
const Bytes kToTransmit(kReceiveModeMessage.begin(), kReceiveModeMessage.end());

RecordTable NumberedMemory() {
    RecordTable memory{};
    for (std::size_t id = 0; id < memory.size(); ++id) {
        memory[id][rec::AssignCode] = CodeControlChange;
        memory[id][rec::Values] = static_cast<std::uint8_t>(id);
    }
    return memory;
}

TEST(KelDevice, StoresBulkMessagesOnlyAfterTheModeMessageAndEnter) {
    CKelDevice device;
    const auto messages = CKelDevice::BuildTransmission(NumberedMemory(), {});
    ASSERT_EQ(messages.size(), 50u);

    EXPECT_EQ(device.OnMessage(messages[0]), Event::Ignored); // idle
    EXPECT_EQ(device.OnMessage(kToReceive), Event::AwaitingEnter);
    EXPECT_EQ(device.Display(), "RS");
    EXPECT_EQ(device.OnMessage(messages[0]), Event::Ignored); // [ENTER] not pressed yet
    std::vector<CKelDevice::Message> none;
    EXPECT_EQ(device.PressEnter(none), Event::ReceiveStarted);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(device.OnMessage(kToReceive), Event::AwaitingEnter); // starts over
    EXPECT_EQ(device.PressEnter(none), Event::ReceiveStarted);

    Bytes corrupt = messages[5];
    corrupt[20] ^= 0x01;
    EXPECT_EQ(device.OnMessage(corrupt), Event::Ignored);
    for (std::size_t i = 0; i < 49; ++i) {
        EXPECT_EQ(device.OnMessage(messages[i]), Event::RecordStored);
    }
    EXPECT_EQ(device.OnMessage(messages[49]), Event::ReceiveComplete);
    EXPECT_EQ(device.GetState(), State::Idle);
    EXPECT_EQ(HexTable(device.Memory()), HexTable(NumberedMemory()));
}

TEST(KelDevice, SendsItsMemoryAfterTheReceiveModeMessageAndEnter) {
    CKelDevice device;
    device.SetMemory(NumberedMemory());
    std::vector<CKelDevice::Message> outgoing;
    EXPECT_EQ(device.PressEnter(outgoing), Event::Ignored);
    EXPECT_EQ(device.OnMessage(kToTransmit), Event::AwaitingEnter);
    EXPECT_EQ(device.Display(), "TS");
    EXPECT_EQ(device.PressEnter(outgoing), Event::TransmitStarted);
    EXPECT_EQ(device.GetState(), State::Idle);
    ASSERT_EQ(outgoing.size(), 50u);

    RecordTable decoded{};
    for (std::size_t id = 0; id < outgoing.size(); ++id) {
        std::uint32_t address = 0;
        ASSERT_EQ(DecodeBulk(outgoing[id], ControlMapKind, address, decoded), 0);
        EXPECT_EQ(address, id << 8);
    }
    EXPECT_EQ(HexTable(decoded), HexTable(NumberedMemory()));
}

TEST(KelDevice, FaultsChangeWhatIsSentAndStored) {
    struct Case {
        const char* name;
        CKelDevice::Faults faults;
        std::size_t count;      // messages sent
        int validCount;         // of which decode
        ControllerId differing; // controller whose decoded record differs, or -1
    };
    CKelDevice::Faults drop, bad, alter, dup;
    drop.dropController = 7;
    bad.badChecksumController = 7;
    alter.alterController = 7;
    dup.duplicateController = 7;
    const Case cases[] = {
        {"none", {}, 50, 50, -1},    {"drop", drop, 49, 49, -1},     {"checksum", bad, 50, 49, -1},
        {"alter", alter, 50, 50, 7}, {"duplicate", dup, 51, 51, -1},
    };
    for (const auto& c : cases) {
        const auto messages = CKelDevice::BuildTransmission(NumberedMemory(), c.faults);
        EXPECT_EQ(messages.size(), c.count) << c.name;
        RecordTable decoded = NumberedMemory();
        int valid = 0;
        for (const auto& message : messages) {
            std::uint32_t address = 0;
            valid += DecodeBulk(message, ControlMapKind, address, decoded) == 0;
        }
        EXPECT_EQ(valid, c.validCount) << c.name;
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            EXPECT_EQ(decoded[static_cast<std::size_t>(id)] ==
                          NumberedMemory()[static_cast<std::size_t>(id)],
                      id != c.differing)
                << c.name << " controller " << id;
        }
    }

    CKelDevice device;
    CKelDevice::Faults deaf;
    deaf.ignoreReceiveController = 3;
    device.SetFaults(deaf);
    device.OnMessage(kToReceive);
    std::vector<CKelDevice::Message> none;
    device.PressEnter(none);
    const auto messages = CKelDevice::BuildTransmission(NumberedMemory(), {});
    EXPECT_EQ(device.OnMessage(messages[3]), Event::Ignored);
    EXPECT_EQ(device.OnMessage(messages[4]), Event::RecordStored);
    EXPECT_EQ(device.Memory()[3], AssignRecord{});
    EXPECT_EQ(device.ReceivedCount(), 1);
}

TEST(KelDevice, TwinCodesForeignMessagesAndAnEarlyStop) {
    RecordTable memory = NumberedMemory();
    const std::uint8_t bases[] = {
        CodeNote, CodeChannelPressure, CodePolyPressure, CodeControlChange, CodeRpn,
        CodeNrpn, CodeSystemExclusive, CodeFreeMessage,  CodeProgramChange};
    for (std::size_t i = 0; i < std::size(bases); ++i) {
        memory[i][rec::AssignCode] = bases[i];
    }
    CKelDevice::Faults faults;
    faults.twinCodes = true;
    faults.foreignEvery = 1;
    const auto messages = CKelDevice::BuildTransmission(memory, faults);
    ASSERT_EQ(messages.size(), 100u);
    RecordTable decoded{};
    for (std::size_t i = 0; i < messages.size(); i += 2) {
        EXPECT_EQ(messages[i], CKelDevice::ForeignMessage());
        std::uint32_t address = 0;
        EXPECT_NE(DecodeBulk(messages[i], ControlMapKind, address, decoded), 0);
        ASSERT_EQ(DecodeBulk(messages[i + 1], ControlMapKind, address, decoded), 0);
    }
    const std::uint8_t twins[] = {CodeNoteTwin,
                                  CodeChannelPressureTwin,
                                  CodePolyPressureTwin,
                                  CodeControlChangeTwin,
                                  CodeRpnTwin,
                                  CodeNrpnTwin,
                                  CodeSystemExclusiveTwin,
                                  CodeFreeMessageTwin,
                                  CodeProgramChange}; // no twin: unchanged
    for (std::size_t i = 0; i < std::size(twins); ++i) {
        EXPECT_EQ(decoded[i][rec::AssignCode], twins[i]) << i;
        EXPECT_EQ(BaseCode(decoded[i][rec::AssignCode]), bases[i]) << i;
    }

    faults.foreignEvery = 4; // before controllers 0, 4, ..., 48
    EXPECT_EQ(CKelDevice::BuildTransmission(memory, faults).size(), 63u);

    CKelDevice::Faults stop;
    stop.stopAfter = 20;
    EXPECT_EQ(CKelDevice::BuildTransmission(memory, stop).size(), 20u);
    stop.stopAfter = 0;
    EXPECT_TRUE(CKelDevice::BuildTransmission(memory, stop).empty());
}

} // namespace
} // namespace kel

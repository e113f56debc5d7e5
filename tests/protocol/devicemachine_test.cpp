// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/devicemachine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/records.h"

namespace kel {
namespace {

using namespace std::chrono_literals;
using Kind = CDeviceMachine::Output::Kind;
using Output = CDeviceMachine::Output;
using Time = CDeviceMachine::Time;
using test::Bytes;
using test::Hex;
using test::HexTable;

const Bytes kToReceive(kTransmitModeMessage.begin(), kTransmitModeMessage.end());
const Bytes kToTransmit(kReceiveModeMessage.begin(), kReceiveModeMessage.end());

std::vector<Output> Only(const std::vector<Output>& outputs, Kind kind) {
    std::vector<Output> found;
    std::copy_if(outputs.begin(), outputs.end(), std::back_inserter(found),
                 [&](const Output& o) { return o.kind == kind; });
    return found;
}

// Everything the machine does until it waits for nothing, stepping from one due time to the
// next as a host would.
std::vector<Output> RunToEnd(CDeviceMachine& machine) {
    std::vector<Output> all;
    while (const auto due = machine.NextDue()) {
        for (Output& output : machine.TakeDue(*due)) {
            all.push_back(std::move(output));
        }
    }
    return all;
}

std::vector<Bytes> Writes(const std::vector<Output>& outputs) {
    std::vector<Bytes> writes;
    for (const Output& output : Only(outputs, Kind::Write)) {
        writes.push_back(output.bytes);
    }
    return writes;
}

// The memory the editor transmits comes back from the device byte for byte when the editor
// receives, with the user's [ENTER] one second after each mode message and a bulk message every
// 10 ms. A message that comes before [ENTER] is not stored.
TEST(DeviceMachine, TakesTheMemoryAndSendsItBackOnTime) {
    const RecordTable memory = test::RandomRecords(7);
    const auto messages = CKelDevice::BuildTransmission(memory, {});
    CDeviceMachine machine;

    const Time start = 5s;
    machine.FromEditor(start, kToReceive);
    ASSERT_EQ(machine.NextDue(), start); // the display changed
    auto outputs = machine.TakeDue(start);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].kind, Kind::Display);
    EXPECT_EQ(outputs[0].text, "RS");
    EXPECT_EQ(machine.NextDue(), start + 1s);

    machine.FromEditor(start + 999ms, messages[0]); // too early: still in "RS"
    EXPECT_EQ(machine.Device().ReceivedCount(), 0);
    // At the very time [ENTER] is due, it comes first.
    for (std::size_t i = 0; i < messages.size(); ++i) {
        machine.FromEditor(start + 1s + i * 40ms, messages[i]);
    }
    outputs = machine.TakeDue(start + 3s);
    ASSERT_EQ(outputs.size(), 3u);
    EXPECT_EQ(outputs[0].kind, Kind::Ignored);
    EXPECT_EQ(outputs[0].at, start + 999ms);
    EXPECT_EQ(outputs[1].kind, Kind::Receiving);
    EXPECT_EQ(outputs[1].at, start + 1s);
    EXPECT_EQ(outputs[2].kind, Kind::Received);
    EXPECT_EQ(outputs[2].at, start + 1s + 49 * 40ms);
    EXPECT_EQ(outputs[2].count, 50u);
    EXPECT_TRUE(machine.Idle());

    const Time again = 10s;
    machine.FromEditor(again, kToTransmit);
    EXPECT_TRUE(machine.TakeDue(again + 999ms).size() == 1); // "TS" only
    outputs = RunToEnd(machine);
    ASSERT_EQ(outputs.size(), 52u);
    EXPECT_EQ(outputs[0].kind, Kind::Transmitting);
    EXPECT_EQ(outputs[0].at, again + 1s);
    EXPECT_EQ(outputs[0].count, 50u);
    for (std::size_t i = 0; i < 50; ++i) {
        const Output& write = outputs[i + 1];
        EXPECT_EQ(write.kind, Kind::Write);
        EXPECT_EQ(write.at, again + 1s + (i + 1) * 10ms) << i;
        EXPECT_EQ(Hex(write.bytes), Hex(messages[i])) << i;
    }
    EXPECT_EQ(outputs[51].kind, Kind::Sent);
    EXPECT_EQ(outputs[51].count, 50u);
    EXPECT_EQ(outputs[51].at, outputs[50].at);
    EXPECT_EQ(HexTable(machine.Device().Memory()), HexTable(memory));
    EXPECT_FALSE(machine.NextDue());
}

// A mode message in the middle of a sending stops it and starts the wait for [ENTER] over; a
// key press replaces the simulated user's; [CANCEL] stops a sending; with the simulated user
// away nothing happens until the host presses [ENTER].
TEST(DeviceMachine, ModeMessagesAndKeysStartOver) {
    CDeviceMachine machine;
    machine.Device().SetMemory(test::RandomRecords(3));
    machine.FromEditor(0s, kToTransmit);
    auto outputs = machine.TakeDue(1s + 200ms); // [ENTER] at 1 s, 20 messages by 1.2 s
    EXPECT_EQ(Only(outputs, Kind::Write).size(), 20u);
    machine.FromEditor(1s + 205ms, kToTransmit);
    EXPECT_EQ(machine.NextDue(), 1s + 205ms); // the display, then nothing until [ENTER]
    machine.TakeDue(1s + 205ms);
    EXPECT_EQ(machine.NextDue(), 2s + 205ms);
    outputs = RunToEnd(machine);
    ASSERT_EQ(Only(outputs, Kind::Write).size(), 50u); // whole again, from the first
    EXPECT_EQ(Only(outputs, Kind::Write).front().at, 2s + 215ms);

    machine.FromEditor(10s, kToTransmit);
    machine.PressEnter(10s + 100ms); // the user was quicker
    outputs = machine.TakeDue(10s + 150ms);
    ASSERT_EQ(Only(outputs, Kind::Transmitting).size(), 1u);
    EXPECT_EQ(Only(outputs, Kind::Transmitting)[0].at, 10s + 100ms);
    EXPECT_EQ(Only(outputs, Kind::Write).size(), 5u);
    machine.PressCancel(10s + 150ms);
    EXPECT_TRUE(machine.Idle());
    EXPECT_EQ(machine.Device().GetState(), CKelDevice::State::Idle);
    EXPECT_TRUE(RunToEnd(machine).empty()); // the simulated [ENTER] at 11 s went with it

    CDeviceMachine::Timing timing;
    timing.autoEnter = false;
    machine.SetTiming(timing);
    machine.FromEditor(20s, kToReceive);
    EXPECT_EQ(Only(machine.TakeDue(25s), Kind::Display).size(), 1u);
    EXPECT_FALSE(machine.NextDue());
    EXPECT_EQ(machine.Device().GetState(), CKelDevice::State::ReceiveStandby);
    machine.PressEnter(30s);
    outputs = machine.TakeDue(30s);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].kind, Kind::Receiving);

    // What is not a system exclusive passes unnoticed; another one is reported ignored.
    const Bytes clock = {0xF8};
    machine.FromEditor(31s, clock);
    EXPECT_TRUE(machine.Idle());
    machine.FromEditor(31s, CKelDevice::ForeignMessage());
    outputs = machine.TakeDue(31s);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].kind, Kind::Ignored);
    EXPECT_EQ(outputs[0].count, CKelDevice::ForeignMessage().size());
}

// The faults of a sending over time: a device that answers at once, one that stops, one whose
// faults hit its first sending only, one that writes its messages in pieces.
TEST(DeviceMachine, FaultsOfTheSendingOverTime) {
    const RecordTable memory = test::RandomRecords(11);
    const auto whole = CKelDevice::BuildTransmission(memory, {});

    CDeviceMachine atOnce;
    atOnce.Device().SetMemory(memory);
    atOnce.SetTiming({0ms, true, 0ms});
    atOnce.FromEditor(3s, kToTransmit);
    auto outputs = atOnce.TakeDue(3s);
    EXPECT_EQ(Writes(outputs), whole);
    EXPECT_TRUE(atOnce.Idle());

    CDeviceMachine device;
    device.Device().SetMemory(memory);
    CKelDevice::Faults faults;
    faults.stopAfter = 20;
    faults.badChecksumController = 3;
    faults.firstSendingOnly = true;
    device.Device().SetFaults(faults);
    device.FromEditor(0s, kToTransmit);
    outputs = RunToEnd(device);
    const auto writes = Writes(outputs);
    ASSERT_EQ(writes.size(), 20u);
    EXPECT_NE(writes[3], whole[3]);
    EXPECT_EQ(Only(outputs, Kind::Sent)[0].count, 20u);
    device.FromEditor(10s, kToTransmit); // asked again: the line is clean
    EXPECT_EQ(Writes(RunToEnd(device)), whole);

    CDeviceMachine pieces;
    pieces.Device().SetMemory(memory);
    CDeviceMachine::Line line;
    line.chunk = 16;
    pieces.SetLine(line);
    pieces.FromEditor(0s, kToTransmit);
    outputs = Only(RunToEnd(pieces), Kind::Write);
    ASSERT_EQ(outputs.size(), 50u * 9); // 141 bytes in 8 pieces of 16 and one of 13
    for (std::size_t i = 0; i < 50; ++i) {
        Bytes joined;
        for (std::size_t p = 0; p < 9; ++p) {
            const Output& piece = outputs[i * 9 + p];
            EXPECT_EQ(piece.at, 1s + (i + 1) * 10ms); // the pieces of a message at once
            EXPECT_LE(piece.bytes.size(), 16u);
            joined.insert(joined.end(), piece.bytes.begin(), piece.bytes.end());
        }
        EXPECT_EQ(Hex(joined), Hex(whole[i])) << i;
    }
}

// A flood of foreign traffic of every kind: the bulk messages still go out whole and in order
// among it (once the realtime bytes written inside some of them are taken out), the same seed
// gives the same traffic, and its bytes are paced at about 100 KB a second.
TEST(DeviceMachine, AFloodSurroundsTheBulkMessagesAndIsPaced) {
    const RecordTable memory = test::RandomRecords(13);
    const auto whole = CKelDevice::BuildTransmission(memory, {});
    const auto run = [&](std::uint32_t seed) {
        CDeviceMachine machine;
        machine.Device().SetMemory(memory);
        CDeviceMachine::Line line;
        line.flood = 300;
        line.seed = seed;
        line.endlessSize = 64 * 1024;
        machine.SetLine(line);
        machine.FromEditor(0s, kToTransmit);
        return RunToEnd(machine);
    };
    const auto outputs = run(5);
    const auto writes = Writes(outputs);
    EXPECT_EQ(writes, Writes(run(5)));
    EXPECT_NE(writes, Writes(run(6)));

    Bytes stream;
    for (const Bytes& write : writes) {
        stream.insert(stream.end(), write.begin(), write.end());
    }
    EXPECT_GT(stream.size(), 50 * kBulkMessageSize + 64 * 1024);
    // The endless item comes first: another maker's system exclusive that never ends.
    EXPECT_EQ(stream[0], 0xF0);
    EXPECT_NE(stream[1], 0x41);
    EXPECT_EQ(std::find(stream.begin() + 1, stream.begin() + 64 * 1024 + 1, 0xF7),
              stream.begin() + 64 * 1024 + 1);
    const std::size_t counted = stream.size() + 16 * writes.size();
    std::erase_if(stream, [](std::uint8_t byte) { return byte >= 0xF8; });
    auto from = stream.begin();
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const auto found = std::search(from, stream.end(), whole[i].begin(), whole[i].end());
        ASSERT_NE(found, stream.end()) << "bulk message " << i;
        from = found + static_cast<std::ptrdiff_t>(whole[i].size());
    }

    const auto written = Only(outputs, Kind::Write);
    const Time took = written.back().at - written.front().at;
    // 10 ms after each KB written (the endless item alone is 64 KB in pieces of at most 512
    // bytes), and 10 ms between the 50 messages.
    EXPECT_GE(took, 42 * CDeviceMachine::kFloodPause + 49 * 10ms);
    EXPECT_LE(took, (counted / 1024) * CDeviceMachine::kFloodPause + 49 * 10ms);
}

// Moving controls: a sweep sends every value a millisecond apart, a stream keeps its rate, and
// a movement asked for while another goes on starts when that one ends. A sending of the memory
// goes on meanwhile.
TEST(DeviceMachine, MovementsFollowOneAnother) {
    RecordTable memory{};
    const ControllerId s1 = FindController("S1");
    memory[static_cast<std::size_t>(s1)] = test::RandomRecords(1, CodeControlChange)[0];
    CDeviceMachine machine;
    machine.Device().SetMemory(memory);

    machine.Stream(0s, s1, 3, 2);           // 6 moves, one every 333.333 ms
    machine.Sweep(100ms, s1);               // after it: at 2 s
    machine.Play(200ms, s1, 64);            // after the sweep: at 2.128 s
    machine.FromEditor(500ms, kToTransmit); // sends from 1.5 s on
    const auto outputs = RunToEnd(machine);

    std::vector<Output> moves;
    for (const Output& output : Only(outputs, Kind::Write)) {
        if (output.bytes.size() != kBulkMessageSize) {
            moves.push_back(output);
        }
    }
    ASSERT_EQ(moves.size(), 6u + 128 + 1);
    const Time streamAt[] = {0us, 333333us, 666666us, 1s, 1333333us, 1666666us};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(moves[i].at, streamAt[i]) << i;
        EXPECT_EQ(Hex(moves[i].bytes), Hex(machine.Device().Play(s1, static_cast<int>(i))[0]));
    }
    for (std::size_t i = 0; i < 128; ++i) {
        EXPECT_EQ(moves[6 + i].at, 2s + i * 1ms) << i;
        EXPECT_EQ(Hex(moves[6 + i].bytes), Hex(machine.Device().Play(s1, static_cast<int>(i))[0]));
    }
    EXPECT_EQ(moves.back().at, 2s + 128ms);
    EXPECT_EQ(Hex(moves.back().bytes), Hex(machine.Device().Play(s1, 64)[0]));

    const auto streamed = Only(outputs, Kind::Streamed);
    ASSERT_EQ(streamed.size(), 1u);
    EXPECT_EQ(streamed[0].at, 2s);
    EXPECT_EQ(streamed[0].count, 6u);
    ASSERT_EQ(Only(outputs, Kind::Swept).size(), 1u);
    EXPECT_EQ(Only(outputs, Kind::Swept)[0].at, 2s + 128ms);
    ASSERT_EQ(Only(outputs, Kind::Played).size(), 1u);
    EXPECT_EQ(Only(outputs, Kind::Sent).at(0).at, 1s + 500ms + 50 * 10ms);
}

} // namespace
} // namespace kel

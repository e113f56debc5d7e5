// SPDX-License-Identifier: GPL-3.0-or-later
// The transfer machines against the device model, with the time given by the test: no threads,
// no ports, no clock.
#include "protocol/transfermachine.h"

#include <gtest/gtest.h>

#include "model/controllers.h"
#include "protocol/keldevice.h"
#include "support/records.h"

namespace kel {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::HexTable;
using Kind = ReceiveEvent::Kind;

constexpr TransferTime kStart{100000};

// A device holding `memory` with `faults`, asked for its memory by a receive: the request goes
// to it, the user presses [ENTER], and its messages come back as one stream.
class DeviceLine {
public:
    explicit DeviceLine(const RecordTable& memory, const CKelDevice::Faults& faults = {}) {
        device.SetMemory(memory);
        device.SetFaults(faults);
    }

    // What the device sends when it gets `request` and the user presses [ENTER].
    Bytes Answer(std::span<const std::uint8_t> request) {
        EXPECT_EQ(device.OnMessage(request), CKelDevice::Event::AwaitingEnter);
        std::vector<CKelDevice::Message> messages;
        EXPECT_EQ(device.PressEnter(messages), CKelDevice::Event::TransmitStarted);
        sent = messages;
        Bytes stream;
        for (const auto& message : messages) {
            stream.insert(stream.end(), message.begin(), message.end());
        }
        return stream;
    }

    CKelDevice device;
    std::vector<CKelDevice::Message> sent;
};

std::vector<ReceiveEvent> Feed(CReceiveMachine& machine, const Bytes& bytes, TransferTime now) {
    std::vector<ReceiveEvent> events;
    machine.OnBytes(bytes, now, events);
    return events;
}

// Every control arrives once, whatever pieces the stream comes in: cut in two at every byte
// position, with clock bytes inside the messages and another maker's messages between them.
TEST(ReceiveMachine, TakesTheWholeMemoryWhereverTheStreamIsCut) {
    const RecordTable memory = test::RandomRecords(7);
    CKelDevice::Faults faults;
    faults.foreignEvery = 7;
    Bytes stream;
    {
        RecordTable table{};
        CReceiveMachine probe(table);
        DeviceLine line(memory, faults);
        line.Answer(probe.Start(kStart));
        for (const auto& message : line.sent) {
            stream.insert(stream.end(), message.begin(), message.begin() + 3);
            stream.push_back(0xF8); // a clock tick inside a message is not part of it
            stream.insert(stream.end(), message.begin() + 3, message.end());
            stream.insert(stream.end(), {0x90, 0x3C, 0x40}); // a note between the messages
        }
    }
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        RecordTable table{};
        CReceiveMachine machine(table);
        machine.Start(kStart);
        std::vector<ReceiveEvent> events =
            Feed(machine, Bytes(stream.begin(), stream.begin() + cut), kStart + 10ms);
        const std::vector<ReceiveEvent> rest =
            Feed(machine, Bytes(stream.begin() + cut, stream.end()), kStart + 20ms);
        events.insert(events.end(), rest.begin(), rest.end());

        ASSERT_EQ(events.size(), 50u) << "cut at " << cut;
        for (std::size_t i = 0; i < events.size(); ++i) {
            ASSERT_EQ(events[i].kind, Kind::Stored) << "cut at " << cut;
            ASSERT_EQ(events[i].control, static_cast<ControllerId>(i));
            ASSERT_EQ(events[i].remaining, 49 - static_cast<int>(i));
        }
        ASSERT_TRUE(machine.Complete()) << "cut at " << cut;
        ASSERT_EQ(machine.Foreign(), 8u);
        ASSERT_EQ(HexTable(table), HexTable(memory)) << "cut at " << cut;
    }
}

// A damaged message and a lost one: the receive goes quiet 1.5 s after the last message that
// came, names both controls (the damaged one with its count), and asking again fills exactly
// those while the others are only rewritten.
TEST(ReceiveMachine, NamesDamagedAndLostControlsAndAskAgainFillsThem) {
    const RecordTable memory = test::RandomRecords(11);
    CKelDevice::Faults faults;
    faults.badChecksumController = 7;
    faults.dropController = 12;
    faults.firstSendingOnly = true;
    DeviceLine line(memory, faults);
    RecordTable table{};
    CReceiveMachine machine(table);

    const std::vector<ReceiveEvent> first =
        Feed(machine, line.Answer(machine.Start(kStart)), kStart + 300ms);
    ASSERT_EQ(first.size(), 49u);
    EXPECT_EQ(first[7].kind, Kind::Damaged);
    EXPECT_EQ(first[7].control, 7);
    EXPECT_EQ(machine.Remaining(), 2);
    EXPECT_FALSE(machine.Complete());
    EXPECT_EQ(machine.Status().Missing(), (std::vector<ControllerId>{7, 12}));

    EXPECT_FALSE(machine.Quiet(kStart + 300ms + 1499ms));
    EXPECT_TRUE(machine.Quiet(kStart + 300ms + 1500ms));
    EXPECT_EQ(EnglishText(machine.Status().Waiting()),
              "Waiting for 2 controls: " + std::string(ControllerName(7)) +
                  " (1 damaged message), " + std::string(ControllerName(12)));

    const TransferTime asked = kStart + 2s;
    const std::vector<ReceiveEvent> second =
        Feed(machine, line.Answer(machine.AskAgain(asked)), asked + 500ms);
    EXPECT_EQ(machine.Asks(), 1);
    EXPECT_TRUE(machine.AskedAt() == asked);
    ASSERT_EQ(second.size(), 50u);
    int stored = 0;
    for (const ReceiveEvent& event : second) {
        if (event.kind == Kind::Stored) {
            ++stored;
            EXPECT_TRUE(event.control == 7 || event.control == 12) << event.control;
        } else {
            EXPECT_EQ(event.kind, Kind::Duplicate);
        }
    }
    EXPECT_EQ(stored, 2);
    EXPECT_EQ(second.back().remaining, 0);
    EXPECT_TRUE(machine.Complete());
    EXPECT_FALSE(machine.Quiet(asked + 1h));
    EXPECT_EQ(HexTable(table), HexTable(memory));
}

// A device that stops after 20 messages, then the user cancels: the quiet time counts from the
// last message, the missing controls are named, and nothing that comes after the cancel is
// taken into the table.
TEST(ReceiveMachine, ADeviceThatStopsIsNamedAndNothingIsTakenAfterTheCancel) {
    const RecordTable memory = test::RandomRecords(13);
    CKelDevice::Faults faults;
    faults.stopAfter = 20;
    DeviceLine line(memory, faults);
    RecordTable table{};
    CReceiveMachine machine(table);
    const TransferTime last = kStart + 5s;
    const std::vector<ReceiveEvent> events =
        Feed(machine, line.Answer(machine.Start(kStart)), last);
    ASSERT_EQ(events.size(), 20u);
    EXPECT_EQ(machine.Remaining(), 30);
    EXPECT_FALSE(machine.Quiet(last + 1499ms)); // long after the start, not after the last
    EXPECT_TRUE(machine.Quiet(last + 1500ms));
    EXPECT_EQ(machine.Status().Missing().size(), 30u);
    EXPECT_EQ(machine.Status().Missing().front(), 20);

    machine.End();
    const RecordTable before = table;
    EXPECT_TRUE(Feed(machine, test::ControlMapMessage(30, CodeNote, 1), last + 2s).empty());
    EXPECT_TRUE(machine.AskAgain(last + 2s).empty());
    EXPECT_FALSE(machine.Quiet(last + 1h));
    EXPECT_EQ(HexTable(table), HexTable(before));
    EXPECT_EQ(machine.Remaining(), 30);
}

// A control sent twice is counted once; a cancel after any number of messages keeps exactly
// those that came before it.
TEST(ReceiveMachine, DuplicatesCountOnceAndACancelKeepsWhatCameBefore) {
    const RecordTable memory = test::RandomRecords(17);
    CKelDevice::Faults faults;
    faults.duplicateController = 5;
    DeviceLine line(memory, faults);
    {
        RecordTable table{};
        CReceiveMachine machine(table);
        const std::vector<ReceiveEvent> events =
            Feed(machine, line.Answer(machine.Start(kStart)), kStart);
        ASSERT_EQ(events.size(), 51u);
        EXPECT_EQ(events[6].kind, Kind::Duplicate);
        EXPECT_EQ(events[6].control, 5);
        EXPECT_EQ(events[6].remaining, events[5].remaining);
        EXPECT_TRUE(machine.Complete());
        EXPECT_EQ(machine.Decoded(), 51);
    }
    const std::vector<CKelDevice::Message> messages = line.sent;
    for (std::size_t cancel = 0; cancel <= messages.size(); ++cancel) {
        RecordTable table{};
        CReceiveMachine machine(table);
        machine.Start(kStart);
        std::vector<ReceiveEvent> events;
        for (std::size_t i = 0; i < messages.size(); ++i) {
            if (i == cancel) {
                machine.End();
            }
            machine.OnBytes(messages[i], kStart, events);
        }
        const int arrived = static_cast<int>(cancel > 6 ? cancel - 1 : cancel);
        ASSERT_EQ(machine.Remaining(), 50 - arrived) << "cancelled after " << cancel;
        for (int id = 0; id < kControllerCount; ++id) {
            const AssignRecord expected =
                id < arrived ? memory[static_cast<std::size_t>(id)] : AssignRecord{};
            ASSERT_EQ(table[static_cast<std::size_t>(id)], expected)
                << "control " << id << ", cancelled after " << cancel;
        }
    }
}

// The device's memory lost among thousands of other messages: every one of its messages is
// still found, and the others only counted.
TEST(ReceiveMachine, AFloodOfForeignMessagesHidesNothing) {
    const RecordTable memory = test::RandomRecords(19);
    DeviceLine line(memory);
    RecordTable table{};
    CReceiveMachine machine(table);
    const Bytes answer = line.Answer(machine.Start(kStart));
    Bytes flood;
    for (int i = 0; i < 2000; ++i) {
        const Bytes& foreign = CKelDevice::ForeignMessage();
        flood.insert(flood.end(), foreign.begin(), foreign.end());
        flood.insert(flood.end(), {0xB0, 0x07, 0x64, 0xFE});
    }
    Feed(machine, flood, kStart);
    const std::vector<ReceiveEvent> events = Feed(machine, answer, kStart + 1s);
    Feed(machine, flood, kStart + 2s);
    EXPECT_EQ(events.size(), 50u);
    EXPECT_TRUE(machine.Complete());
    EXPECT_EQ(machine.Foreign(), 4000u);
    EXPECT_EQ(HexTable(table), HexTable(memory));
    // The flood after the last control does not count as the device speaking.
    EXPECT_EQ(machine.Status().lastMessage, kStart + 1s);
}

// The transmit against the device: the mode message first, then each bulk message exactly one
// interval after the one before (a late send moves the next one on, never closer), the
// progress counted down by what the output reports sent, and the device stores the map whole.
TEST(TransmitMachine, PacesEachMessageFortyMillisecondsAfterTheLast) {
    const RecordTable records = test::RandomRecords(23);
    CKelDevice device;
    EXPECT_EQ(device.OnMessage(CTransmitMachine::ModeMessage()), CKelDevice::Event::AwaitingEnter);
    std::vector<CKelDevice::Message> none;
    EXPECT_EQ(device.PressEnter(none), CKelDevice::Event::ReceiveStarted);

    CTransmitMachine machine;
    for (auto& message : CTransmitMachine::BulkMessages(records)) {
        machine.Queue(std::move(message));
    }
    machine.Expect(50);
    EXPECT_FALSE(machine.NextDue()); // nothing is due before the start
    machine.Start(kStart);
    TransferTime now = kStart;
    std::vector<TransferTime> sentAt;
    CKelDevice::Event last = CKelDevice::Event::None;
    while (const std::optional<TransferTime> due = machine.NextDue()) {
        EXPECT_FALSE(machine.Take(*due - 1ms)) << "early at message " << sentAt.size();
        // Every tenth message the sender wakes 7 ms late.
        now = *due + (sentAt.size() % 10 == 9 ? 7ms : 0ms);
        const std::optional<CTransmitMachine::Message> message = machine.Take(now);
        ASSERT_TRUE(message);
        sentAt.push_back(now);
        last = device.OnMessage(*message);
        EXPECT_EQ(machine.Sent(), 50 - static_cast<int>(sentAt.size()));
    }
    ASSERT_EQ(sentAt.size(), 50u);
    EXPECT_EQ(sentAt.front(), kStart + 40ms);
    for (std::size_t i = 1; i < sentAt.size(); ++i) {
        EXPECT_EQ(sentAt[i] - sentAt[i - 1], i % 10 == 9 ? 47ms : 40ms) << "message " << i;
    }
    EXPECT_TRUE(machine.Complete());
    EXPECT_EQ(last, CKelDevice::Event::ReceiveComplete);
    EXPECT_EQ(HexTable(device.Memory()), HexTable(records));
}

// A cancel at any point of the transmit: nothing more is due or taken, and the device has
// exactly the messages sent before it.
TEST(TransmitMachine, ACancelAtAnyPointSendsNothingMore) {
    const RecordTable records = test::RandomRecords(29);
    for (int cancel = 0; cancel <= 50; ++cancel) {
        CTransmitMachine machine;
        for (auto& message : CTransmitMachine::BulkMessages(records)) {
            machine.Queue(std::move(message));
        }
        machine.Expect(50);
        machine.Start(kStart);
        int sent = 0;
        while (const std::optional<TransferTime> due = machine.NextDue()) {
            if (sent == cancel) {
                machine.Cancel();
                continue;
            }
            ASSERT_TRUE(machine.Take(*due));
            machine.Sent();
            ++sent;
        }
        EXPECT_EQ(sent, cancel);
        EXPECT_FALSE(machine.Take(kStart + 1h));
        EXPECT_EQ(machine.Queued(), 0u);
        EXPECT_EQ(machine.Complete(), cancel == 50);
        EXPECT_EQ(machine.Remaining(), 50 - cancel);
    }
}

} // namespace
} // namespace kel

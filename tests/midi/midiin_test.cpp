// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midiin.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <condition_variable>
#include <mutex>

#include "model/bulk.h"
#include "support/midi_fakes.h"

namespace kel {
namespace {

using test::Bytes;
using test::FakeBackend;
using test::RecordingReporter;
using test::ReportRecorder;

// The bulk message of a record with `code` and the controller's number as its first value.
Bytes BulkFor(ControllerId id, std::uint8_t code) {
    return test::ControlMapMessage(id, code, static_cast<std::uint8_t>(id));
}

TEST(ReceivedQueue, HoldsExactly1024BlocksAndWraps) {
    auto queue = std::make_unique<CSafeMidiInQue>();
    const Bytes bytes = {0xF0, 0x01, 0xF7};
    for (int i = 1; i <= CSafeMidiInQue::kCapacity; ++i) {
        ASSERT_EQ(queue->Put(bytes.data(), bytes.size()), i);
    }
    EXPECT_EQ(queue->Put(bytes.data(), bytes.size()), 0); // full

    MidiBlock block;
    EXPECT_EQ(queue->Get(block), 1023);
    EXPECT_EQ(block.count, 3u);
    const Bytes other = {0xF0, 0x02, 0xF7};
    EXPECT_EQ(queue->Put(other.data(), other.size()), 1024); // the freed slot is used again
    for (int i = 0; i < 1023; ++i) {
        queue->Get(block);
        ASSERT_EQ(block.data[1], 0x01);
    }
    EXPECT_EQ(queue->Get(block), 0);
    EXPECT_EQ(block.data[1], 0x02); // the last one put comes out last
}

TEST(ReceivedQueue, RefusesOversizeAndNullAndLeavesTheCallersBlockWhenEmpty) {
    auto queue = std::make_unique<CSafeMidiInQue>();
    const Bytes big(513, 0x10);
    EXPECT_EQ(queue->Put(big.data(), big.size()), 0);
    EXPECT_EQ(queue->Put(nullptr, 3), 0);
    EXPECT_EQ(queue->Put(big.data(), 512), 1);

    MidiBlock block;
    block.count = 7;
    block.data[0] = 0x55;
    queue->Clear();
    EXPECT_EQ(queue->Count(), 0);
    EXPECT_EQ(queue->Get(block), 0);
    EXPECT_EQ(block.count, 7u);
    EXPECT_EQ(block.data[0], 0x55);
}

class MidiInTest : public ::testing::Test {
protected:
    MidiInTest() {
        backend.inputs = {{"KEL In"}};
        in.SetDeviceName("KEL In");
    }

    FakeBackend backend;
    RecordingReporter reporter;
    RecordTable table{};
    CMidiIn in{backend, reporter, table};
};

TEST_F(MidiInTest, StartFailuresAreReportedWithTheirMessages) {
    in.SetDeviceName("Gone");
    EXPECT_FALSE(in.Start());
    in.SetDeviceName("KEL In");
    backend.inputOpenError = 2;
    EXPECT_FALSE(in.Start());
    backend.inputOpenError = 0;
    backend.inputStartError = 1;
    EXPECT_FALSE(in.Start());
    EXPECT_TRUE(in.IsOpen()); // open but not started
    EXPECT_FALSE(in.ParserExists());
    const std::vector<std::pair<StringId, int>> expected = {{StringId::NoMidiDevice, 0},
                                                            {StringId::MidiInOpenError, 2},
                                                            {StringId::MidiInStartError, 0}};
    EXPECT_EQ(reporter.Reports(), expected);
    EXPECT_TRUE(in.Stop()); // the open port is closed by Stop
    EXPECT_FALSE(in.IsOpen());
    EXPECT_FALSE(in.Stop()); // closed: nothing to do
}

TEST_F(MidiInTest, DecodesReceivedBulkMessagesAndReportsTheRemainingCount) {
    ReportRecorder dialog;
    in.SetNotifyWindow(&dialog);
    in.SetExpectedCount(50);
    ASSERT_TRUE(in.Start());
    ASSERT_TRUE(in.ParserExists());

    backend.Inject({0xF0, 0x43, 0x10, 0x4C, 0x00, 0xF7}); // another device's message
    backend.Inject(BulkFor(5, CodeControlChange));
    backend.Inject(BulkFor(6, CodeNoteTwin));
    ASSERT_TRUE(dialog.WaitForCount(2));
    EXPECT_TRUE(in.Stop());

    const auto reports = dialog.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], test::ReceivedReport(5u << 8, 49));
    EXPECT_EQ(reports[1], test::ReceivedReport(6u << 8, 48));
    EXPECT_EQ(table[5][rec::AssignCode], CodeControlChange);
    EXPECT_EQ(table[6][rec::AssignCode], CodeNoteTwin); // folded later, by the receive
    EXPECT_FALSE(in.ParserExists());
    EXPECT_FALSE(in.IsOpen());
}

TEST_F(MidiInTest, EveryMessageOfAStartIsParsedAndTheNextStartCountsAfresh) {
    ReportRecorder dialog;
    in.SetNotifyWindow(&dialog);
    in.SetExpectedCount(100);
    ASSERT_TRUE(in.Start());
    for (int i = 0; i < 150; ++i) {
        backend.Inject(BulkFor(i % 50, CodeNote));
    }
    in.Stop(); // blocks queued before Stop are parsed before the thread ends
    EXPECT_EQ(dialog.Reports().size(), 150u);
    EXPECT_EQ(dialog.Reports().back().remaining, 50); // 150 messages, but only 50 controllers

    ReportRecorder second;
    in.SetNotifyWindow(&second);
    in.SetExpectedCount(50);
    ASSERT_TRUE(in.Start());
    backend.Inject(BulkFor(1, CodeNote));
    in.Stop();
    ASSERT_EQ(second.Reports().size(), 1u);
    EXPECT_EQ(second.Reports()[0].remaining, 49);
    EXPECT_EQ(in.GetCounts().messages, 1u); // the counts start again with the start
}

TEST_F(MidiInTest, AnEndlessMessageIsCappedInFlatMemoryAndTheNextOneArrives) {
    ReportRecorder dialog;
    in.SetNotifyWindow(&dialog);
    in.SetExpectedCount(50);
    ASSERT_TRUE(in.Start());
    Bytes piece(64 * 1024, 0x35);
    piece.front() = 0xF0;
    backend.Inject(piece);
    piece.front() = 0x35;
    const std::size_t heapBefore = mallinfo2().uordblks;
    for (int i = 0; i < 512; ++i) { // 32 MiB of one message
        backend.Inject(piece);
    }
    const std::size_t heapAfter = mallinfo2().uordblks;
    EXPECT_LT(heapAfter, heapBefore + 256 * 1024);
    EXPECT_EQ(in.GetCounts().overlong, 1u);

    backend.Inject(BulkFor(7, CodeControlChange)); // its F0 ends the endless one
    ASSERT_TRUE(dialog.WaitForCount(1));
    in.Stop();
    EXPECT_EQ(table[7][rec::AssignCode], CodeControlChange);
    const CMidiIn::Counts counts = in.GetCounts();
    EXPECT_EQ(counts.messages, 1u);
    EXPECT_EQ(counts.cut, 0u); // counted once, as overlong
}

// A window that holds the parser up: the input goes on taking messages without waiting for it.
class BlockingTarget : public TransferListener {
public:
    void BulkSent(int) override {}
    void BulkReceived(std::uint32_t, int) override {
        std::unique_lock lock(lock_);
        ++entered_;
        cv_.notify_all();
        cv_.wait(lock, [this] { return released_; });
    }
    void WaitEntered() {
        std::unique_lock lock(lock_);
        cv_.wait(lock, [this] { return entered_ > 0; });
    }
    void Release() {
        std::lock_guard lock(lock_);
        released_ = true;
        cv_.notify_all();
    }
    int Entered() const {
        std::lock_guard lock(lock_);
        return entered_;
    }

private:
    mutable std::mutex lock_;
    std::condition_variable cv_;
    int entered_ = 0;
    bool released_ = false;
};

TEST_F(MidiInTest, AFloodBeyondTheQueueIsDroppedAndCountedWithoutWaiting) {
    BlockingTarget stalled;
    in.SetNotifyWindow(&stalled);
    in.SetExpectedCount(50);
    ASSERT_TRUE(in.Start());
    backend.Inject(BulkFor(0, CodeNote));
    stalled.WaitEntered(); // the parser holds the first message and waits
    constexpr int kFlood = 3000;
    for (int i = 0; i < kFlood; ++i) {
        backend.Inject(BulkFor((i % 49) + 1, CodeNote));
    }
    EXPECT_EQ(in.GetCounts().dropped,
              static_cast<std::uint64_t>(kFlood - CSafeMidiInQue::kCapacity));
    EXPECT_EQ(in.Queue().LockedCount(), CSafeMidiInQue::kCapacity);
    stalled.Release();
    in.Stop(); // what the queue held is parsed before the thread ends
    EXPECT_EQ(stalled.Entered(), 1 + CSafeMidiInQue::kCapacity);
}

TEST_F(MidiInTest, AFullQueueDropsTheBlockAndWakesNobody) {
    ReportRecorder dialog;
    in.SetNotifyWindow(&dialog);
    in.SetExpectedCount(50);
    ASSERT_TRUE(in.Start());
    const Bytes filler = BulkFor(0, CodeNote);
    while (in.Queue().Put(filler.data(), filler.size()) != 0) {
    }
    backend.Inject(BulkFor(9, CodeControlChange));
    EXPECT_EQ(in.Queue().LockedCount(), CSafeMidiInQue::kCapacity);
    EXPECT_EQ(in.GetCounts().dropped, 1u);
    in.Stop(); // the quit clears the queue unparsed
    EXPECT_EQ(in.Queue().LockedCount(), 0);
    EXPECT_TRUE(dialog.Reports().empty());
    EXPECT_EQ(table[9], AssignRecord{});
}

// A receive fed through the port's callback in pieces.
class FramedReceiveTest : public MidiInTest {
protected:
    // The 50 bulk messages of `records` as one stream.
    static Bytes Stream(const RecordTable& records) {
        Bytes stream;
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            const Bytes bulk = test::ControlMapMessage(id, records[static_cast<std::size_t>(id)]);
            stream.insert(stream.end(), bulk.begin(), bulk.end());
        }
        return stream;
    }

    // Starts a receive, feeds `pieces` and expects it complete with exactly `records`.
    void ExpectComplete(const std::vector<Bytes>& pieces, const RecordTable& records) {
        ReportRecorder dialog;
        in.SetNotifyWindow(&dialog);
        in.SetExpectedCount(kControllerCount);
        ASSERT_TRUE(in.Start());
        for (const Bytes& piece : pieces) {
            ASSERT_TRUE(backend.Inject(piece));
        }
        in.Stop();
        const auto reports = dialog.Reports();
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back().remaining, 0);
        EXPECT_EQ(test::HexTable(table), test::HexTable(records));
    }

    const RecordTable records = test::RandomRecords(14, CodeNote);
};

TEST_F(FramedReceiveTest, AnUnterminatedFragmentBeforeTheFirstBulkMessage) {
    Bytes fragment(70, 0x22);
    fragment.front() = 0xF0;
    ExpectComplete({fragment, Stream(records)}, records);
    EXPECT_EQ(in.GetCounts().cut, 1u);
    // The same fragment glued to the first message in one delivery.
    table = {};
    Bytes glued = fragment;
    const Bytes stream = Stream(records);
    glued.insert(glued.end(), stream.begin(), stream.end());
    ExpectComplete({glued}, records);
}

TEST_F(FramedReceiveTest, ClockBytesInsideAndBetweenPiecesOfBulkMessages) {
    // Every message carries a clock byte inside and arrives in two pieces with realtime bytes
    // between them; a short message with a clock byte inside follows each.
    std::vector<Bytes> pieces;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        Bytes bulk = test::ControlMapMessage(id, records[static_cast<std::size_t>(id)]);
        bulk.insert(bulk.begin() + 20, 0xF8);
        pieces.emplace_back(bulk.begin(), bulk.begin() + 70);
        pieces.push_back({0xF8, 0xFE, 0xF8});
        pieces.emplace_back(bulk.begin() + 70, bulk.end());
        pieces.push_back({0xB0, 0xF8, 0x07, 0x64});
    }
    ExpectComplete(pieces, records);
    EXPECT_EQ(in.GetCounts().messages, 50u);
}

TEST_F(FramedReceiveTest, ForeignMessagesBeforeTheFifty) {
    // Other makers' messages of 4 to 120 data bytes, then this device's mode message.
    const auto foreign = [](int i) {
        Bytes message(static_cast<std::size_t>(4 + (i * 37) % 117) + 2, 0x10);
        message.front() = 0xF0;
        message[1] = static_cast<std::uint8_t>(0x01 + i % 0x3F);
        message.back() = 0xF7;
        return message;
    };
    for (int count : {15, 10000}) {
        std::vector<Bytes> pieces;
        for (int i = 0; i < count; ++i) {
            pieces.push_back(foreign(i));
        }
        pieces.emplace_back(kReceiveModeMessage.begin(), kReceiveModeMessage.end());
        pieces.push_back(Stream(records));
        table = {};
        ExpectComplete(pieces, records);
        EXPECT_EQ(in.GetCounts().foreign, static_cast<std::uint64_t>(count)) << count;
        EXPECT_EQ(in.GetCounts().dropped, 0u);
    }
}

TEST_F(MidiInTest, InputBeforeStartOrAfterStopIsIgnored) {
    EXPECT_FALSE(backend.Inject(BulkFor(2, CodeNote)));
    ASSERT_TRUE(in.Open()); // open, not started
    EXPECT_FALSE(backend.Inject(BulkFor(2, CodeNote)));
    in.Close();
    EXPECT_EQ(table[2], AssignRecord{});
}

} // namespace
} // namespace kel

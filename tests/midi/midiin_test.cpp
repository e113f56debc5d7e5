#include "midi/midiin.h"

#include <gtest/gtest.h>

#include "model/bulk.h"
#include "support/midi_fakes.h"

namespace kel {
namespace {

using test::Bytes;
using test::FakeBackend;
using test::PostRecorder;
using test::RecordingReporter;

// The bulk message of a record with `code` and the controller's number as its first value.
Bytes BulkFor(ControllerId id, std::uint8_t code) {
    return test::ControlMapMessage(id, code, static_cast<std::uint8_t>(id));
}

TEST(ReceivedQueue, HoldsExactly1024BlocksAndWraps) {
    auto queue = std::make_unique<CMidiInQue>();
    const Bytes bytes = {0xF0, 0x01, 0xF7};
    for (int i = 1; i <= CMidiInQue::kCapacity; ++i) {
        ASSERT_EQ(queue->Put(bytes.data(), bytes.size()), i);
    }
    EXPECT_EQ(queue->Put(bytes.data(), bytes.size()), 0); // full
    EXPECT_EQ(queue->WriteIndex(), 0);                    // wrapped from 1023

    MidiBlock block;
    EXPECT_EQ(queue->Get(block), 1023);
    EXPECT_EQ(block.count, 3u);
    EXPECT_EQ(queue->ReadIndex(), 1);
    const Bytes other = {0xF0, 0x02, 0xF7};
    EXPECT_EQ(queue->Put(other.data(), other.size()), 1024); // the freed slot is used again
    EXPECT_EQ(queue->WriteIndex(), 1);
    for (int i = 0; i < 1023; ++i) {
        queue->Get(block);
    }
    EXPECT_EQ(queue->ReadIndex(), 0);
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
    EXPECT_EQ(in.LentBufferCount(), 0);
    const std::vector<std::pair<StringId, int>> expected = {{StringId::NoMidiDevice, 0},
                                                            {StringId::MidiInOpenError, 2},
                                                            {StringId::MidiInStartError, 0}};
    EXPECT_EQ(reporter.Reports(), expected);
    EXPECT_TRUE(in.Stop()); // the open port is closed by Stop
    EXPECT_FALSE(in.IsOpen());
    EXPECT_FALSE(in.Stop()); // closed: nothing to do
}

TEST_F(MidiInTest, DecodesReceivedBulkMessagesAndReportsTheRemainingCount) {
    PostRecorder dialog;
    in.SetNotifyWindow(&dialog);
    in.SetExpectedCount(50);
    ASSERT_TRUE(in.Start());
    ASSERT_TRUE(in.ParserExists());

    backend.Inject({0xF0, 0x43, 0x10, 0x4C, 0x00, 0xF7}); // another device's message
    backend.Inject(BulkFor(5, CodeControlChange));
    backend.Inject(BulkFor(6, CodeNoteTwin));
    ASSERT_TRUE(dialog.WaitForCount(2));
    EXPECT_TRUE(in.Stop());

    const auto posts = dialog.Posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0], (test::Post{UM_BULK_RECEIVED, 5u << 8, 49}));
    EXPECT_EQ(posts[1], (test::Post{UM_BULK_RECEIVED, 6u << 8, 48}));
    EXPECT_EQ(table[5][rec::AssignCode], CodeControlChange);
    EXPECT_EQ(table[6][rec::AssignCode], CodeNoteTwin); // folded later, by the receive
    EXPECT_FALSE(in.ParserExists());
    EXPECT_FALSE(in.IsOpen());
}

TEST_F(MidiInTest, SixtyFourMessagesPerStartThenTheBuffersComeBack) {
    PostRecorder dialog;
    in.SetNotifyWindow(&dialog);
    in.SetExpectedCount(100);
    ASSERT_TRUE(in.Start());
    EXPECT_EQ(in.LentBufferCount(), 64);
    for (int i = 0; i < 65; ++i) {
        backend.Inject(BulkFor(i % 50, CodeNote));
    }
    EXPECT_EQ(in.LentBufferCount(), 0);
    in.Stop(); // blocks queued before Stop are parsed before the thread ends
    EXPECT_EQ(dialog.Posts().size(), 64u);
    EXPECT_EQ(dialog.Posts().back().lParam, 50); // 64 messages, but only 50 controllers

    // The next start lends all 64 again, and the new parser counts from the expected count.
    PostRecorder second;
    in.SetNotifyWindow(&second);
    in.SetExpectedCount(50);
    ASSERT_TRUE(in.Start());
    EXPECT_EQ(in.LentBufferCount(), 64);
    backend.Inject(BulkFor(1, CodeNote));
    in.Stop();
    ASSERT_EQ(second.Posts().size(), 1u);
    EXPECT_EQ(second.Posts()[0].lParam, 49);
}

TEST_F(MidiInTest, ALongMessageFillsSeveralBuffersAndIsDropped) {
    PostRecorder dialog;
    in.SetNotifyWindow(&dialog);
    ASSERT_TRUE(in.Start());
    Bytes huge(1100, 0x01);
    huge.front() = 0xF0;
    huge.back() = 0xF7;
    backend.Inject(huge);
    EXPECT_EQ(in.LentBufferCount(), 61); // 512 + 512 + 76 bytes
    in.Stop();
    EXPECT_TRUE(dialog.Posts().empty());
}

TEST_F(MidiInTest, AFullQueueDropsTheBlockAndWakesNobody) {
    PostRecorder dialog;
    in.SetNotifyWindow(&dialog);
    in.SetExpectedCount(50);
    ASSERT_TRUE(in.Start());
    const Bytes filler = BulkFor(0, CodeNote);
    while (in.Queue().Put(filler.data(), filler.size()) != 0) {
    }
    backend.Inject(BulkFor(9, CodeControlChange));
    EXPECT_EQ(in.Queue().LockedCount(), CMidiInQue::kCapacity);
    in.Stop(); // the quit clears the queue unparsed
    EXPECT_EQ(in.Queue().LockedCount(), 0);
    EXPECT_TRUE(dialog.Posts().empty());
    EXPECT_EQ(table[9], AssignRecord{});
}

TEST_F(MidiInTest, OnlyFilledAndDoneBuffersAreQueued) {
    PostRecorder dialog;
    in.SetNotifyWindow(&dialog);
    ASSERT_TRUE(in.Start());
    const Bytes bulk = BulkFor(3, CodeNote);
    MidiHeaderBuffer header;
    header.Fill(bulk.data(), bulk.size()); // no done flag
    in.OnLongData(MIM_LONGDATA, &header);
    header.flags = MidiHeaderBuffer::Done;
    header.bytesRecorded = 0;
    in.OnLongData(MIM_LONGDATA, &header);
    header.bytesRecorded = static_cast<std::uint32_t>(bulk.size());
    in.OnLongData(MIM_LONGDATA + 1, &header); // not a long-data report
    EXPECT_EQ(in.Queue().LockedCount(), 0);
    in.OnLongData(MIM_LONGDATA, &header);
    in.Stop();
    EXPECT_EQ(dialog.Posts().size(), 1u);
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

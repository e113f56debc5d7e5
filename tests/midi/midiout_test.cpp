// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midiout.h"

#include <gtest/gtest.h>

#include "model/bulk.h"
#include "support/midi_fakes.h"

namespace kel {
namespace {

using test::Bytes;
using test::FakeBackend;
using test::RecordingReporter;
using test::Report;
using test::ReportRecorder;
using test::SentReport;
using namespace std::chrono_literals;

class MidiOutTest : public ::testing::Test {
protected:
    MidiOutTest() {
        backend.outputs = {{"KEL Port"}};
        out.SetDeviceName("KEL Port");
    }

    static Bytes Message(std::uint8_t tag, std::size_t length) {
        Bytes bytes(length, tag);
        bytes.front() = 0xF0;
        bytes.back() = 0xF7;
        return bytes;
    }

    FakeBackend backend;
    RecordingReporter reporter;
    CMidiOut out{backend, reporter};
};

TEST_F(MidiOutTest, OpenReportsAMissingNameAndARefusedPort) {
    out.SetDeviceName("Elsewhere");
    EXPECT_FALSE(out.Open());
    EXPECT_FALSE(out.IsOpen());
    out.SetDeviceName("KEL Port");
    backend.outputOpenError = 4;
    EXPECT_FALSE(out.Open());
    EXPECT_FALSE(out.IsOpen());
    const std::vector<std::pair<StringId, int>> expected = {{StringId::NoMidiDevice, 0},
                                                            {StringId::MidiOutOpenError, 4}};
    EXPECT_EQ(reporter.Reports(), expected);
    EXPECT_EQ(FormatMessage(StringId::MidiOutOpenError, 4),
              "Failed to open MIDI output device. (4)");
}

TEST_F(MidiOutTest, PutNeedsAnOpenPortAndSendHeadSendsOnlyTheHead) {
    const Bytes mode(kTransmitModeMessage.begin(), kTransmitModeMessage.end());
    EXPECT_FALSE(out.Put(mode.data(), mode.size()));
    EXPECT_EQ(out.QueuedCount(), 0u);

    ASSERT_TRUE(out.Open());
    out.SendHead(); // empty queue: nothing happens
    EXPECT_TRUE(backend.Sent().empty());

    const Bytes bulk = Message(0x01, kBulkMessageSize);
    ASSERT_TRUE(out.Put(mode.data(), mode.size()));
    ASSERT_TRUE(out.Put(bulk.data(), bulk.size()));
    out.SendHead();
    ASSERT_EQ(backend.Sent().size(), 1u);
    EXPECT_EQ(backend.Sent()[0], mode); // exactly the 14 recorded bytes
    EXPECT_EQ(out.QueuedCount(), 0u);   // the rest was dropped
    EXPECT_FALSE(out.Put(bulk.data(), 513));
}

TEST_F(MidiOutTest, ReopeningClosesAndEmptiesTheQueue) {
    ASSERT_TRUE(out.Open());
    const Bytes bulk = Message(0x02, kBulkMessageSize);
    out.Put(bulk.data(), bulk.size());
    ASSERT_TRUE(out.Open());
    EXPECT_EQ(out.QueuedCount(), 0u);
    EXPECT_EQ(backend.OutputOpens(), 2);
    out.Close();
    out.Close(); // closing a closed port does nothing
    EXPECT_FALSE(out.IsOpen());
    EXPECT_FALSE(backend.OutputOpen());
}

TEST_F(MidiOutTest, CompletionsCountDownAndReportToTheTargetOnly) {
    ReportRecorder progress;
    ASSERT_TRUE(out.Open());
    backend.deferCompletion = true;
    const Bytes mode(kTransmitModeMessage.begin(), kTransmitModeMessage.end());
    // The mode message finishes while the count still holds its old value: it goes negative.
    out.Put(mode.data(), mode.size());
    out.SendHead();
    backend.CompleteAll();
    EXPECT_EQ(out.PendingCount(), -1);

    out.SetProgressTarget(&progress, 2);
    for (int i = 0; i < 3; ++i) {
        out.Put(mode.data(), mode.size());
        out.SendNext();
    }
    backend.CompleteAll();
    const std::vector<Report> expected = {SentReport(1), SentReport(0), SentReport(-1)};
    EXPECT_EQ(progress.Reports(), expected);

    out.SetProgressTarget(nullptr, 5);
    out.Put(mode.data(), mode.size());
    out.SendNext();
    backend.CompleteAll();
    EXPECT_EQ(out.PendingCount(), 4);
    EXPECT_EQ(progress.Reports().size(), 3u);
}

TEST_F(MidiOutTest, ARefusedMessageIsNeverReported) {
    ReportRecorder progress;
    ASSERT_TRUE(out.Open());
    out.SetProgressTarget(&progress, 1);
    backend.sendError = 7;
    const Bytes bulk = Message(0x03, kBulkMessageSize);
    out.Put(bulk.data(), bulk.size());
    out.SendNext();
    EXPECT_EQ(out.PendingCount(), 1);
    EXPECT_TRUE(progress.Reports().empty());
}

TEST_F(MidiOutTest, StartSenderNeedsAnOpenPort) {
    EXPECT_FALSE(out.StartSender());
    EXPECT_EQ(reporter.Ids(), std::vector<StringId>{StringId::MidiOutStartError});
    EXPECT_FALSE(out.SenderThreadExists());
}

TEST_F(MidiOutTest, SenderSendsEveryMessageInOrderAndEndsOnClose) {
    ReportRecorder progress;
    out.SetSendInterval(2ms);
    ASSERT_TRUE(out.Open());
    std::vector<Bytes> queued;
    for (std::uint8_t i = 0; i < 50; ++i) {
        queued.push_back(Message(i, kBulkMessageSize));
        ASSERT_TRUE(out.Put(queued.back().data(), queued.back().size()));
    }
    out.SetProgressTarget(&progress, 50);
    ASSERT_TRUE(out.StartSender());
    EXPECT_TRUE(out.StartSender()); // already running: no second thread
    ASSERT_TRUE(progress.WaitForCount(50));

    EXPECT_EQ(backend.Sent(), queued);
    const auto reports = progress.Reports();
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(reports[static_cast<std::size_t>(i)], SentReport(49 - i));
    }
    EXPECT_EQ(out.PendingCount(), 0);
    EXPECT_TRUE(out.SenderThreadExists()); // it keeps polling until stopped

    out.Close();
    EXPECT_FALSE(out.SenderThreadExists());
    EXPECT_FALSE(out.SenderRunning());
    EXPECT_FALSE(backend.OutputOpen());
    EXPECT_TRUE(reporter.Reports().empty());
}

TEST_F(MidiOutTest, CloseDuringSendingDropsTheRest) {
    out.SetSendInterval(20ms);
    ASSERT_TRUE(out.Open());
    for (std::uint8_t i = 0; i < 50; ++i) {
        const Bytes bulk = Message(i, kBulkMessageSize);
        out.Put(bulk.data(), bulk.size());
    }
    ASSERT_TRUE(out.StartSender());
    out.Close();
    const auto sent = backend.Sent().size();
    EXPECT_LT(sent, 50u);
    EXPECT_EQ(out.QueuedCount(), 0u);
    EXPECT_FALSE(out.SenderThreadExists());

    // The port can be used again afterwards.
    ASSERT_TRUE(out.Open());
    const Bytes bulk = Message(0x7F, kBulkMessageSize);
    out.Put(bulk.data(), bulk.size());
    out.SetSendInterval(1ms);
    ASSERT_TRUE(out.StartSender());
    for (int i = 0; i < 1000 && backend.Sent().size() == sent; ++i) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(backend.Sent().back(), bulk);
    EXPECT_TRUE(out.StopSender());
}

} // namespace
} // namespace kel

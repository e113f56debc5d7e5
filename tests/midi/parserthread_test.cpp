// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/parserthread.h"

#include <gtest/gtest.h>

#include "support/midi_fakes.h"

namespace kel {
namespace {

using test::Bytes;
using test::ControlMapMessage;
using test::ReceivedReport;
using test::Report;
using test::ReportRecorder;

class ParserTest : public ::testing::Test {
protected:
    void Queue(const Bytes& bytes) { queue->Put(bytes.data(), bytes.size()); }

    std::unique_ptr<CSafeMidiInQue> queue = std::make_unique<CSafeMidiInQue>();
    RecordTable table{};
    ReportRecorder notify;
};

TEST_F(ParserTest, DropsEverythingButValidBulkMessages) {
    CParserThread parser(*queue, table);
    parser.SetRemainingCount(50);
    parser.SetNotifyWindow(&notify);

    Bytes badChecksum = ControlMapMessage(4, CodeNote, 60);
    badChecksum[139] = static_cast<std::uint8_t>((badChecksum[139] + 1) & 0x7F);
    Bytes otherModel = ControlMapMessage(4, CodeNote, 60);
    otherModel[5] = 0x1B;
    Bytes controller50 = ControlMapMessage(4, CodeNote, 60);
    controller50[9] = 50;
    controller50[139] = static_cast<std::uint8_t>((controller50[139] - 46) & 0x7F);
    const Bytes whole = ControlMapMessage(4, CodeNote, 60);
    const Bytes mode(kReceiveModeMessage.begin(), kReceiveModeMessage.end());
    const Bytes cases[] = {
        {},                                                     // nothing
        {0xF0, 0x41, 0x10, 0x00, 0x00, 0x1A},                   // shorter than the prefix
        {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}, // another maker's message
        otherModel,                                             // another model's prefix
        badChecksum,
        controller50,
        mode,                                      // the right prefix, but not a record
        Bytes(whole.begin(), whole.begin() + 100), // cut short
    };
    for (const auto& bytes : cases) {
        Queue(bytes);
        parser.ParseOne();
    }
    parser.ParseOne(); // empty queue
    EXPECT_TRUE(notify.Reports().empty());
    EXPECT_EQ(parser.RemainingCount(), 50);
    for (const auto& record : table) {
        EXPECT_EQ(record, AssignRecord{});
    }
}

TEST_F(ParserTest, AControllerCountsOnceHoweverOftenItArrives) {
    CParserThread parser(*queue, table);
    parser.SetRemainingCount(2);
    parser.SetNotifyWindow(&notify);
    Queue(ControlMapMessage(49, CodeControlChange, 7));
    Queue(ControlMapMessage(49, CodeControlChange, 8));
    Queue(ControlMapMessage(0, CodeRpnTwin, 1));
    Queue(ControlMapMessage(0, CodeRpnTwin, 2));
    for (int i = 0; i < 4; ++i) {
        parser.ParseOne();
    }
    const std::vector<Report> expected = {ReceivedReport(0x3100, 1), ReceivedReport(0x3100, 1),
                                          ReceivedReport(0x0000, 0), ReceivedReport(0x0000, 0)};
    EXPECT_EQ(notify.Reports(), expected);
    EXPECT_EQ(table[49][rec::Values], 8); // the later message wins
    EXPECT_EQ(table[0][rec::AssignCode], CodeRpnTwin);
    EXPECT_EQ(table[0][rec::Values], 2);

    // A new count starts a new receive: controller 49 counts again.
    parser.SetRemainingCount(1);
    Queue(ControlMapMessage(49, CodeControlChange, 9));
    parser.ParseOne();
    EXPECT_EQ(parser.RemainingCount(), 0);
}

TEST_F(ParserTest, WithoutANotifyTargetTheMapIsStillUpdated) {
    CParserThread parser(*queue, table);
    parser.SetRemainingCount(50);
    Queue(ControlMapMessage(10, CodeNote, 64));
    parser.ParseOne();
    EXPECT_EQ(table[10][rec::Values], 64);
    EXPECT_EQ(parser.RemainingCount(), 49);

    // A target registered afterwards learns the count at once, so the report is not lost.
    parser.SetNotifyWindow(&notify);
    EXPECT_EQ(notify.Reports(), (std::vector<Report>{ReceivedReport(10u << 8, 49)}));
}

TEST_F(ParserTest, ThreadHandlesEveryBlockWokenForBeforeStopAndClearsTheRest) {
    CParserThread parser(*queue, table);
    parser.SetRemainingCount(50);
    parser.SetNotifyWindow(&notify);
    ASSERT_TRUE(parser.Resume());
    Queue(ControlMapMessage(1, CodeNote, 11));
    parser.Wake();
    ASSERT_TRUE(notify.WaitForCount(1));
    Queue(ControlMapMessage(2, CodeNote, 22));
    Queue(ControlMapMessage(3, CodeNote, 33));
    parser.Wake();
    parser.Stop();
    EXPECT_FALSE(parser.Running());

    EXPECT_EQ(notify.Reports().size(), 2u);
    EXPECT_EQ(table[2][rec::Values], 22);
    EXPECT_EQ(table[3], AssignRecord{}); // queued but never asked for: cleared unparsed
    EXPECT_EQ(queue->LockedCount(), 0);
}

} // namespace
} // namespace kel

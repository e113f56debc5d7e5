// SPDX-License-Identifier: GPL-3.0-or-later
// The receive's listener is called with no lock of the engine held, and still hears nothing
// once it has been replaced.
#include "midi/parserthread.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <thread>

#include "support/midi_fakes.h"

namespace kel {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::ControlMapMessage;
using test::ReportRecorder;

// True when `ask` returns on another thread within a minute: a lock the caller holds would
// keep it waiting.
template <typename Ask> bool AnswersFromAnotherThread(Ask ask) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> answered = done->get_future();
    std::thread([done, ask] {
        ask();
        done->set_value();
    }).detach();
    return answered.wait_for(60s) == std::future_status::ready;
}

// A listener that, inside its call, asks the engine for the receive's state (as a dialog's
// other thread may at any time) and then waits until the test lets it go.
class AskingListener : public TransferListener {
public:
    explicit AskingListener(CParserThread& parser) : parser_(parser) {}
    void BulkSent(int) override {}
    void BulkReceived(std::uint32_t, int) override {
        answered = AnswersFromAnotherThread([this] { (void)parser_.Status(); });
        entered.set_value();
        release.get_future().wait();
        left = true;
    }

    std::atomic<bool> answered{false};
    std::atomic<bool> left{false};
    std::promise<void> entered;
    std::promise<void> release;

private:
    CParserThread& parser_;
};

TEST(TransferListener, IsCalledWithoutTheEngineLockAndAReplacedOneHearsNothingMore) {
    auto queue = std::make_unique<CSafeMidiInQue>();
    RecordTable table{};
    CParserThread parser(*queue, table);
    parser.SetRemainingCount(50);
    AskingListener first(parser);
    parser.SetNotifyWindow(&first);
    ASSERT_TRUE(parser.Resume());
    const Bytes message = ControlMapMessage(3, CodeNote, 60);
    queue->Put(message.data(), message.size());
    parser.Wake();
    // Longer than the listener waits for its answer, so that a missing answer is what fails.
    ASSERT_EQ(first.entered.get_future().wait_for(120s), std::future_status::ready);
    EXPECT_TRUE(first.answered);

    // The first listener is still inside its call: replacing it returns only once it has left.
    ReportRecorder second;
    std::atomic<bool> leftBeforeReplaced{false};
    std::thread replace([&] {
        parser.SetNotifyWindow(&second);
        leftBeforeReplaced = first.left.load();
    });
    first.release.set_value();
    replace.join();
    EXPECT_TRUE(leftBeforeReplaced);
    // The new listener is told at once what had arrived.
    ASSERT_TRUE(second.WaitForCount(1));
    EXPECT_EQ(second.Reports().front(), test::ReceivedReport(3u << 8, 49));
    parser.Stop();
}

} // namespace
} // namespace kel

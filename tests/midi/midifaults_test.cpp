// SPDX-License-Identifier: GPL-3.0-or-later
// Transmit and receive over a line that misbehaves: foreign traffic on the input, messages cut
// into pieces, a device unplugged in the middle of a transfer or between the port list and the
// opening of the port, and a user who cancels at every step. Each case ends as documented, with
// every port closed and every thread ended; the sanitizer builds look for races and leaks.
#include "midi/transfer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <thread>

#include "midi/virtualbackend.h"
#include "support/midi_fakes.h"

namespace kel {
namespace {

using test::Bytes;
using test::Hex;
using test::HexTable;
using test::RecordingReporter;
using namespace std::chrono_literals;

// Messages of other devices and broken ones of this device, as they may share the line.
std::vector<Bytes> ForeignMessages() {
    Bytes badChecksum = test::ControlMapMessage(5, CodeNote, 0);
    badChecksum[139] ^= 0x01;
    Bytes sampleDump(600, 0x11); // longer than any message the input keeps
    sampleDump.front() = 0xF0;
    sampleDump.back() = 0xF7;
    return {
        {0xF0, 0x7E, 0x7F, 0x06, 0x02, 0x41, 0x1A, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF7},
        {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7},
        Bytes(kReceiveModeMessage.begin(), kReceiveModeMessage.end()),
        badChecksum,
        sampleDump,
    };
}

// The virtual device behind a line whose faults the test sets, also while a transfer runs.
class FaultyLine : public MidiBackend, private MidiInputHandler {
public:
    explicit FaultyLine(MidiBackend& device) : device_(device) {}

    std::atomic<bool> unplugged{false};
    std::atomic<int> unplugAfterSent{-1};         // the device goes after this many messages to it
    std::atomic<int> unplugAfterReceived{-1};     // ... or after this many messages from it
    std::atomic<bool> inputVanishesOnOpen{false}; // listed, but gone when the input is opened
    std::atomic<bool> vanishesOnOpen{false};      // the same for either port
    std::atomic<int> foreignBeforeEach{0};        // foreign messages before each of the device's
    std::atomic<int> foreignBudget{-1};           // how many foreign messages in all (-1: no end)
    std::atomic<int> foreignKinds{4};             // how many of ForeignMessages() take turns
    std::atomic<int> splitController{-1};         // this control's message comes in two pieces
    static constexpr int kSplitAll = 100;         // ... every message does
    std::atomic<bool> clocks{false};              // clock bytes inside and around every message
    std::atomic<bool> noise{false};    // short messages and realtime bytes before each message
    std::atomic<bool> fragment{false}; // an unterminated message before the device's next one

    int InputPortCount() override { return unplugged ? 0 : device_.InputPortCount(); }
    bool InputPortName(int port, std::string& name) override {
        return !unplugged && device_.InputPortName(port, name);
    }
    int OutputPortCount() override { return unplugged ? 0 : device_.OutputPortCount(); }
    bool OutputPortName(int port, std::string& name) override {
        return !unplugged && device_.OutputPortName(port, name);
    }

    int OpenInput(int port, MidiInputHandler& handler,
                  std::unique_ptr<MidiInputPort>& opened) override {
        if (inputVanishesOnOpen || vanishesOnOpen) {
            unplugged = true;
        }
        if (unplugged) {
            return MidiErrBadPort;
        }
        editor_ = &handler;
        return device_.OpenInput(port, *this, opened);
    }
    int OpenOutput(int port, MidiOutputHandler& handler,
                   std::unique_ptr<MidiOutputPort>& opened) override {
        if (vanishesOnOpen) {
            unplugged = true;
        }
        if (unplugged) {
            return MidiErrBadPort;
        }
        std::unique_ptr<MidiOutputPort> inner;
        const int error = device_.OpenOutput(port, handler, inner);
        if (error == 0) {
            opened = std::make_unique<Output>(*this, std::move(inner));
        }
        return error;
    }

    int ForeignDelivered() const { return foreignDelivered_; }

private:
    class Output : public MidiOutputPort {
    public:
        Output(FaultyLine& line, std::unique_ptr<MidiOutputPort> inner)
            : line_(line), inner_(std::move(inner)) {}
        int SendLong(std::unique_ptr<MidiHeaderBuffer> header) override {
            const int sent = ++line_.sent_;
            if (line_.unplugAfterSent >= 0 && sent > line_.unplugAfterSent) {
                line_.unplugged = true;
            }
            if (line_.unplugged) {
                return MidiErrNotOpen;
            }
            return inner_->SendLong(std::move(header));
        }
        void Close() override { inner_->Close(); }

    private:
        FaultyLine& line_;
        std::unique_ptr<MidiOutputPort> inner_;
    };

    // The device's messages on their way to the editor's input port.
    void OnLongInput(const std::uint8_t* data, std::size_t count) override {
        const int received = ++received_;
        if (unplugAfterReceived >= 0 && received > unplugAfterReceived) {
            unplugged = true;
        }
        if (unplugged) {
            return;
        }
        for (int i = 0; i < foreignBeforeEach && foreignBudget != 0; ++i) {
            const Bytes& foreign = foreign_[static_cast<std::size_t>(foreignDelivered_++) %
                                            static_cast<std::size_t>(foreignKinds)];
            editor_.load()->OnLongInput(foreign.data(), foreign.size());
            if (foreignBudget > 0) {
                --foreignBudget;
            }
        }
        if (noise) {
            static const Bytes kShort = {0x90, 0x3C, 0x40, 0xFE, 0x3C, 0x00, 0xF8, 0xC1, 0x05};
            editor_.load()->OnLongInput(kShort.data(), kShort.size());
        }
        if (fragment.exchange(false)) {
            Bytes cut(70, 0x33);
            cut.front() = 0xF0;
            editor_.load()->OnLongInput(cut.data(), cut.size());
        }
        Bytes message(data, data + count);
        if (clocks && count > 20) {
            message.insert(message.begin() + 20, 0xF8);
        }
        const int split = splitController;
        if (count == kBulkMessageSize && (split == kSplitAll || split == data[9])) {
            static const std::uint8_t kClock = 0xF8;
            editor_.load()->OnLongInput(message.data(), 70);
            if (clocks) {
                editor_.load()->OnLongInput(&kClock, 1);
            }
            editor_.load()->OnLongInput(message.data() + 70, message.size() - 70);
            return;
        }
        editor_.load()->OnLongInput(message.data(), message.size());
    }

    MidiBackend& device_;
    std::atomic<MidiInputHandler*> editor_{nullptr};
    const std::vector<Bytes> foreign_ = ForeignMessages();
    std::atomic<int> sent_{0};
    std::atomic<int> received_{0};
    std::atomic<int> foreignDelivered_{0};
};

// A modal dialog of a transfer as the user handles it: it closes when the transfer says so,
// or the user cancels, at once, after some reports, or when tired of waiting.
class UserDialog : public TransferDialog {
public:
    enum class ClosesOn { FirstReport, LastReport };
    static constexpr int kNeverCancel = -1;

    UserDialog(ClosesOn closesOn, int cancelAfter, std::chrono::milliseconds patience,
               std::atomic<int>& gaveUp)
        : closesOn_(closesOn), cancelAfter_(cancelAfter), patience_(patience), gaveUp_(gaveUp) {}

    void BulkSent(int remaining) override { Report(remaining); }
    void BulkReceived(std::uint32_t, int remaining) override { Report(remaining); }

    DialogResult RunModal() override {
        if (cancelAfter_ == 0) {
            return DialogResult::Cancel;
        }
        std::unique_lock lock(lock_);
        const auto cancelNow = [this] { return cancelAfter_ > 0 && reports_ >= cancelAfter_; };
        const bool ended = cv_.wait_for(lock, patience_, [&] {
            return cancelNow() || (closesOn_ == ClosesOn::FirstReport ? reports_ > 0 : last_);
        });
        if (!ended) {
            ++gaveUp_;
            return DialogResult::Cancel;
        }
        return cancelNow() ? DialogResult::Cancel : DialogResult::Ok;
    }

private:
    void Report(int remaining) {
        {
            std::lock_guard lock(lock_);
            ++reports_;
            last_ = last_ || remaining == 0;
        }
        cv_.notify_all();
    }

    ClosesOn closesOn_;
    int cancelAfter_;
    std::chrono::milliseconds patience_;
    std::atomic<int>& gaveUp_;
    std::mutex lock_;
    std::condition_variable cv_;
    int reports_ = 0;
    bool last_ = false;
};

// The scripted user, whose dialogs wait for the device as a person would and may be cancelled.
class UserAtTheEditor : public test::ScriptedUi {
public:
    using ScriptedUi::ScriptedUi;

    std::unique_ptr<TransferDialog> CreateReceiveDialog() override {
        return std::make_unique<UserDialog>(UserDialog::ClosesOn::FirstReport, cancelWaitAfter,
                                            waitPatience, gaveUp);
    }
    std::unique_ptr<TransferDialog> CreateProgressDialog() override {
        return std::make_unique<UserDialog>(UserDialog::ClosesOn::LastReport, cancelProgressAfter,
                                            progressPatience, gaveUp);
    }

    int cancelWaitAfter = UserDialog::kNeverCancel;
    int cancelProgressAfter = UserDialog::kNeverCancel;
    // How long the user waits for the device before cancelling a dialog.
    std::chrono::milliseconds waitPatience = 5s;
    std::chrono::milliseconds progressPatience = 5s;
    std::atomic<int> gaveUp{0};
};

// Records of plain kinds (no twin codes), so that what arrives compares directly.
RecordTable Memory(unsigned seed) {
    return test::RandomRecords(seed, CodeNote);
}

class MidiFaultTest : public ::testing::Test {
protected:
    MidiFaultTest() {
        test::QuickPacing(device, out, 20ms);
        device.Device().SetMemory(Memory(1));
        out.SetDeviceName(CVirtualKelBackend::kPortName);
        in.SetDeviceName(CVirtualKelBackend::kPortName);
        // The user presses [ENTER] on the device before going on (unless it is gone by then).
        ui.onInstructions = [this] {
            test::WaitForDeviceState(device, CKelDevice::State::Receiving);
        };
    }

    TransferOutcome Transmit() {
        reporter = std::make_unique<RecordingReporter>();
        return CTransfer(document, in, out, line, *reporter, ui).Transmit();
    }
    TransferOutcome Receive() {
        reporter = std::make_unique<RecordingReporter>();
        return CTransfer(document, in, out, line, *reporter, ui).Receive();
    }

    // No port is open and no thread of the transfer runs any more.
    void ExpectAllEnded(bool outputLeftOpen = false) {
        EXPECT_FALSE(in.IsOpen());
        EXPECT_FALSE(in.ParserExists());
        EXPECT_EQ(out.IsOpen(), outputLeftOpen);
        EXPECT_FALSE(out.SenderThreadExists());
    }

    // Records 0..count-1 of the device's memory arrived; the others are NO ASSIGN.
    void ExpectReceivedUpTo(int count) {
        const RecordTable memory = Memory(1);
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            const auto i = static_cast<std::size_t>(id);
            EXPECT_EQ(Hex(document.Map().records[i]), Hex(id < count ? memory[i] : AssignRecord{}))
                << "controller " << id;
        }
    }

    std::vector<StringId> Reported() const { return reporter->Ids(); }

    CVirtualKelBackend device;
    FaultyLine line{device};
    std::unique_ptr<RecordingReporter> reporter = std::make_unique<RecordingReporter>();
    CParameter document;
    // The ports report to the reporter of the transfer running at the time.
    struct ForwardingReporter : Reporter {
        std::unique_ptr<RecordingReporter>& to;
        explicit ForwardingReporter(std::unique_ptr<RecordingReporter>& target) : to(target) {}
        void warn(StringId id, int detail) override { to->warn(id, detail); }
    } forward{reporter};
    CMidiIn in{line, forward, document.Map().records};
    CMidiOut out{line, forward};
    UserAtTheEditor ui{document};
};

// --- foreign traffic and pieces --------------------------------------------------------------

TEST_F(MidiFaultTest, ForeignTrafficAndShortMessagesLeaveAReceiveIntact) {
    line.foreignBeforeEach = 1;
    line.foreignBudget = 15;
    line.noise = true;
    const TransferOutcome outcome = Receive();

    EXPECT_EQ(outcome, TransferOutcome::Completed);
    EXPECT_EQ(line.ForeignDelivered(), 15);
    ExpectReceivedUpTo(kControllerCount);
    EXPECT_TRUE(Reported().empty());
    EXPECT_EQ(ui.gaveUp, 0);
    ExpectAllEnded();
}

TEST_F(MidiFaultTest, AFloodOfForeignMessagesDoesNotKeepAReceiveFromItsEnd) {
    // Five foreign messages (one of them longer than the input keeps) before every bulk
    // message, for this receive and the next.
    line.foreignBeforeEach = 5;
    line.foreignKinds = 5;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(device.WaitUntilIdle(5s));
        document.Map().records = {};
        EXPECT_EQ(Receive(), TransferOutcome::Completed);
        EXPECT_EQ(ui.gaveUp, 0);
        EXPECT_TRUE(Reported().empty());
        ExpectReceivedUpTo(kControllerCount);
        ExpectAllEnded();
    }
    EXPECT_EQ(line.ForeignDelivered(), 2 * 5 * kControllerCount);
}

TEST_F(MidiFaultTest, BulkMessagesInPiecesWithClockBytesAndAFragmentBeforeThemArrive) {
    line.splitController = FaultyLine::kSplitAll;
    EXPECT_EQ(Receive(), TransferOutcome::Completed);
    ExpectReceivedUpTo(kControllerCount);
    ExpectAllEnded();

    // Clock bytes inside every message and between its pieces, and a stray fragment before
    // the first one.
    ASSERT_TRUE(device.WaitUntilIdle(5s));
    document.Map().records = {};
    line.clocks = true;
    line.fragment = true;
    line.noise = true;
    EXPECT_EQ(Receive(), TransferOutcome::Completed);
    ExpectReceivedUpTo(kControllerCount);
    EXPECT_TRUE(Reported().empty());
    EXPECT_EQ(ui.gaveUp, 0);
    ExpectAllEnded();
}

// --- a device that goes ----------------------------------------------------------------------

TEST_F(MidiFaultTest, ADeviceUnpluggedDuringAReceive) {
    ui.progressPatience = 500ms;
    line.unplugAfterReceived = 20;
    EXPECT_EQ(Receive(), TransferOutcome::Cancelled);
    ExpectReceivedUpTo(20);
    EXPECT_TRUE(document.IsModified());
    EXPECT_TRUE(Reported().empty());
    ExpectAllEnded();

    // Gone from the port list: the next receive stops at once.
    EXPECT_EQ(Receive(), TransferOutcome::NoDevice);
    EXPECT_EQ(Reported(), std::vector<StringId>{StringId::NoMidiDevice});

    // Plugged in again, it works.
    ASSERT_TRUE(device.WaitUntilIdle(5s));
    line.unplugAfterReceived = -1;
    line.unplugged = false;
    EXPECT_EQ(Receive(), TransferOutcome::Completed);
    ExpectReceivedUpTo(kControllerCount);
    ExpectAllEnded();
}

TEST_F(MidiFaultTest, ADeviceUnpluggedDuringATransmit) {
    const RecordTable map = Memory(2);
    document.Map().records = map;
    ui.progressPatience = 500ms;
    // The mode message and ten records reach the device; the rest is refused by the port.
    line.unplugAfterSent = 11;
    EXPECT_EQ(Transmit(), TransferOutcome::Cancelled);
    EXPECT_EQ(ui.gaveUp, 1);
    EXPECT_EQ(Reported(), std::vector<StringId>{StringId::TransmitAborted});
    ExpectAllEnded();
    ASSERT_TRUE(device.WaitUntilIdle(5s));
    EXPECT_EQ(device.MessagesFromEditor(), 11);
    const RecordTable stored = device.Device().Memory();
    EXPECT_EQ(Hex(stored[9]), Hex(map[9]));
    EXPECT_EQ(Hex(stored[10]), Hex(Memory(1)[10]));
    EXPECT_EQ(HexTable(document.Map().records), HexTable(map));
    EXPECT_FALSE(document.IsModified());

    EXPECT_EQ(Transmit(), TransferOutcome::NoDevice);
    EXPECT_EQ(Reported(), std::vector<StringId>{StringId::NoMidiDevice});
}

TEST_F(MidiFaultTest, PortsThatVanishBetweenTheListAndTheOpening) {
    document.Map().records = Memory(3);
    const struct {
        const char* name;
        bool transmit;
        std::function<void()> arrange;
        TransferOutcome outcome;
        std::vector<std::pair<StringId, int>> reports;
        int messagesToDevice;
        bool outputLeftOpen;
    } cases[] = {
        {"transmit, gone while confirming",
         true,
         [&] { ui.onConfirm = [&] { line.unplugged = true; }; },
         TransferOutcome::OpenFailed,
         {{StringId::NoMidiDevice, 0}},
         0,
         false},
        {"transmit, gone while the user reads the instructions",
         true,
         [&] { ui.onInstructions = [&] { line.unplugged = true; }; },
         TransferOutcome::OpenFailed,
         {{StringId::NoMidiDevice, 0}},
         1,
         true},
        {"transmit, listed but gone when opened",
         true,
         [&] { line.vanishesOnOpen = true; },
         TransferOutcome::OpenFailed,
         {{StringId::MidiOutOpenError, MidiErrBadPort}},
         0,
         false},
        {"receive, gone while confirming",
         false,
         [&] { ui.onConfirm = [&] { line.unplugged = true; }; },
         TransferOutcome::StartFailed, // the input, opened first, is not there
         {{StringId::NoMidiDevice, 0}},
         0,
         false},
        {"receive, input listed but gone when opened",
         false,
         [&] { line.inputVanishesOnOpen = true; },
         TransferOutcome::StartFailed,
         {{StringId::MidiInOpenError, MidiErrBadPort}},
         0, // nothing is asked of a device nobody listens to
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(device.WaitUntilIdle(5s));
        const int before = device.MessagesFromEditor();
        line.unplugged = false;
        line.vanishesOnOpen = false;
        line.inputVanishesOnOpen = false;
        ui.onConfirm = nullptr;
        ui.onInstructions = nullptr;
        c.arrange();
        EXPECT_EQ(c.transmit ? Transmit() : Receive(), c.outcome);
        EXPECT_EQ(reporter->Reports(), c.reports);
        ASSERT_TRUE(device.WaitUntilIdle(5s));
        EXPECT_EQ(device.MessagesFromEditor() - before, c.messagesToDevice);
        ExpectAllEnded(c.outputLeftOpen);
        if (c.transmit) {
            EXPECT_EQ(HexTable(document.Map().records), HexTable(Memory(3)));
        } else {
            EXPECT_EQ(HexTable(document.Map().records), HexTable(RecordTable{}));
            document.Map().records = Memory(3);
        }
        out.Close();
    }
}

// --- the user cancels ------------------------------------------------------------------------

TEST_F(MidiFaultTest, TransmitCancelledAtEveryStep) {
    const RecordTable map = Memory(4);
    const struct {
        const char* name;
        std::function<void()> arrange;
        TransferOutcome outcome;
        int maxMessagesToDevice;
    } steps[] = {
        {"confirmation", [&] { ui.confirm = false; }, TransferOutcome::Declined, 0},
        {"instructions", [&] { ui.continueInstructions = false; },
         TransferOutcome::InstructionsCancelled, 1},
        {"progress at once", [&] { ui.cancelProgressAfter = 0; }, TransferOutcome::Cancelled, 51},
        {"progress after 1", [&] { ui.cancelProgressAfter = 1; }, TransferOutcome::Cancelled, 51},
        {"progress after 25", [&] { ui.cancelProgressAfter = 25; }, TransferOutcome::Cancelled, 51},
        {"progress after 49", [&] { ui.cancelProgressAfter = 49; }, TransferOutcome::Cancelled, 51},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_TRUE(device.WaitUntilIdle(5s));
        const int before = device.MessagesFromEditor();
        document.Map().records = map;
        document.SetModified(false);
        ui.confirm = true;
        ui.continueInstructions = true;
        ui.cancelProgressAfter = UserDialog::kNeverCancel;
        step.arrange();
        EXPECT_EQ(Transmit(), step.outcome);
        EXPECT_EQ(Reported(), step.outcome == TransferOutcome::Cancelled
                                  ? std::vector<StringId>{StringId::TransmitAborted}
                                  : std::vector<StringId>{});
        ASSERT_TRUE(device.WaitUntilIdle(5s));
        EXPECT_LE(device.MessagesFromEditor() - before, step.maxMessagesToDevice);
        ExpectAllEnded(step.outcome == TransferOutcome::InstructionsCancelled);
        EXPECT_EQ(HexTable(document.Map().records), HexTable(map));
        EXPECT_FALSE(document.IsModified());
        out.Close();
    }
    EXPECT_EQ(ui.gaveUp, 0);
}

TEST_F(MidiFaultTest, ReceiveCancelledAtEveryStep) {
    const struct {
        const char* name;
        std::function<void()> arrange;
        TransferOutcome outcome;
        bool modified;
    } steps[] = {
        {"confirmation", [&] { ui.confirm = false; }, TransferOutcome::Declined, true},
        {"waiting for the device", [&] { ui.cancelWaitAfter = 0; }, TransferOutcome::WaitCancelled,
         false},
        {"progress at once", [&] { ui.cancelProgressAfter = 0; }, TransferOutcome::Cancelled, true},
        {"progress after 1", [&] { ui.cancelProgressAfter = 1; }, TransferOutcome::Cancelled, true},
        {"progress after 25", [&] { ui.cancelProgressAfter = 25; }, TransferOutcome::Cancelled,
         true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_TRUE(device.WaitUntilIdle(5s));
        document.Map().records = Memory(5);
        document.SetModified(true);
        ui.confirm = true;
        ui.cancelWaitAfter = UserDialog::kNeverCancel;
        ui.cancelProgressAfter = UserDialog::kNeverCancel;
        step.arrange();
        EXPECT_EQ(Receive(), step.outcome);
        EXPECT_TRUE(Reported().empty());
        EXPECT_EQ(document.IsModified(), step.modified);
        ExpectAllEnded();
        // The device may still be sending: nothing reaches the map after the receive ended.
        const RecordTable after = document.Map().records;
        ASSERT_TRUE(device.WaitUntilIdle(5s));
        EXPECT_EQ(HexTable(document.Map().records), HexTable(after));
    }
    EXPECT_EQ(ui.gaveUp, 0);

    // After all that, a receive runs to its end.
    ui.cancelProgressAfter = UserDialog::kNeverCancel;
    EXPECT_EQ(Receive(), TransferOutcome::Completed);
    ExpectReceivedUpTo(kControllerCount);
    ExpectAllEnded();
}

} // namespace
} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/transfer.h"

#include <gtest/gtest.h>

#include "midi/virtualbackend.h"
#include "support/midi_fakes.h"

namespace kel {
namespace {

using test::FakeBackend;
using test::Hex;
using test::HexTable;
using test::RecordingReporter;
using test::ScriptedDialog;
using test::ScriptedUi;
using namespace std::chrono_literals;

// Records of every kind, with some twin codes, as a device might hold them.
RecordTable SampleMemory(unsigned seed) {
    RecordTable table = test::RandomRecords(seed);
    table[3][rec::AssignCode] = CodeControlChangeTwin;
    table[4][rec::AssignCode] = CodeSystemExclusiveTwin;
    table[4][rec::SysExMessage] = 0xF0;
    return table;
}

class TransferTest : public ::testing::Test {
protected:
    TransferTest() {
        test::QuickPacing(device, out, 20ms);
        out.SetDeviceName(CVirtualKelBackend::kPortName);
        in.SetDeviceName(CVirtualKelBackend::kPortName);
    }

    TransferOutcome Transmit() {
        return CTransfer(document, in, out, device, reporter, ui).Transmit();
    }
    TransferOutcome Receive() {
        return CTransfer(document, in, out, device, reporter, ui).Receive();
    }

    CVirtualKelBackend device;
    RecordingReporter reporter;
    CParameter document;
    CMidiIn in{device, reporter, document.Map().records};
    CMidiOut out{device, reporter};
    ScriptedUi ui{document};
};

TEST_F(TransferTest, TransmitThenReceiveGivesBackTheSameRecords) {
    const RecordTable sent = SampleMemory(7);
    document.Map().records = sent;
    // The user presses [ENTER] on the device before "Continue".
    ui.onInstructions = [&] {
        EXPECT_TRUE(test::WaitForDeviceState(device, CKelDevice::State::Receiving));
    };
    ASSERT_EQ(Transmit(), TransferOutcome::Completed);
    EXPECT_EQ(ui.questions, std::vector<StringId>{StringId::ConfirmTransmit});
    EXPECT_EQ(ui.commits, 1);
    EXPECT_FALSE(out.IsOpen());
    ASSERT_TRUE(device.WaitUntilIdle(5s));
    EXPECT_EQ(HexTable(device.Device().Memory()), HexTable(sent));
    EXPECT_EQ(device.MessagesFromEditor(), 51); // the mode message and 50 records
    EXPECT_FALSE(document.IsModified());        // a transmit changes nothing

    document.SelectController(12);
    document.SetTitle("old title");
    document.Map().records = SampleMemory(99);
    ASSERT_EQ(Receive(), TransferOutcome::Completed);
    EXPECT_EQ(ui.newMaps, 1);
    EXPECT_EQ(ui.refreshes, 1);
    EXPECT_EQ(ui.timeouts, 0);
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignRecord expected = sent[static_cast<std::size_t>(id)];
        expected[rec::AssignCode] = BaseCode(expected[rec::AssignCode]);
        EXPECT_EQ(Hex(document.RecordOf(id)), Hex(expected)) << "controller " << id;
    }
    EXPECT_EQ(document.RecordOf(3)[rec::AssignCode], CodeControlChange); // twins folded
    EXPECT_EQ(document.GetTitle(), "");
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(document.SelectedController(), 12);
    EXPECT_EQ(document.EditBuffer().record, document.RecordOf(12));
    EXPECT_FALSE(in.IsOpen());
    EXPECT_TRUE(reporter.Reports().empty());
}

TEST_F(TransferTest, TheBuiltInDevicePressesItsOwnEnterWhenTheUserGoesOn) {
    // Nobody presses [ENTER] on the device: going on at once after the instructions (as the
    // editor's Continue and kelmap's Enter do) must still land every record.
    device.SetAutoEnter(false);
    const RecordTable sent = SampleMemory(3);
    document.Map().records = sent;
    bool ready = false;
    ui.onInstructions = [&] { ready = device.PressEnterForTransmit(); };
    ASSERT_EQ(Transmit(), TransferOutcome::Completed);
    EXPECT_TRUE(ready);
    ASSERT_TRUE(device.WaitUntilIdle(5s));
    EXPECT_EQ(HexTable(device.Device().Memory()), HexTable(sent));

    // Without a mode message the device is not waiting for [ENTER]: nothing is pressed.
    EXPECT_FALSE(device.PressEnterForTransmit(50ms));
    EXPECT_EQ(device.Device().GetState(), CKelDevice::State::Idle);
}

TEST_F(TransferTest, UnknownPortNamesStopBothProceduresBeforeAnythingHappens) {
    ui.inputName = "";
    ui.outputName = "Unplugged";
    document.Map().records = SampleMemory(3);
    EXPECT_EQ(Transmit(), TransferOutcome::NoDevice);
    EXPECT_EQ(Receive(), TransferOutcome::NoDevice);
    EXPECT_EQ(reporter.Ids(),
              (std::vector<StringId>{StringId::NoMidiDevice, StringId::NoMidiDevice}));
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(ui.commits, 0);
    EXPECT_EQ(ui.newMaps, 0);
    EXPECT_EQ(HexTable(document.Map().records), HexTable(SampleMemory(3)));
    ASSERT_TRUE(device.WaitUntilIdle(5s));
    EXPECT_EQ(device.MessagesFromEditor(), 0);
}

TEST_F(TransferTest, DecliningTheConfirmationSendsNothing) {
    ui.confirm = false;
    document.Map().records = SampleMemory(5);
    document.SetModified(true);
    EXPECT_EQ(Transmit(), TransferOutcome::Declined);
    EXPECT_EQ(Receive(), TransferOutcome::Declined);
    EXPECT_EQ(ui.questions,
              (std::vector<StringId>{StringId::ConfirmTransmit, StringId::ConfirmReceive}));
    EXPECT_EQ(ui.newMaps, 0);
    EXPECT_EQ(HexTable(document.Map().records), HexTable(SampleMemory(5)));
    EXPECT_TRUE(document.IsModified());
    ASSERT_TRUE(device.WaitUntilIdle(5s));
    EXPECT_EQ(device.MessagesFromEditor(), 0);
    EXPECT_TRUE(reporter.Reports().empty());
}

TEST_F(TransferTest, CancelledInstructionsLeaveOnlyTheModeMessageSentAndThePortOpen) {
    device.SetAutoEnter(false);
    ui.continueInstructions = false;
    EXPECT_EQ(Transmit(), TransferOutcome::InstructionsCancelled);
    EXPECT_EQ(ui.instructions, 1);
    ASSERT_TRUE(device.WaitUntilIdle(5s));
    EXPECT_EQ(device.MessagesFromEditor(), 1);
    EXPECT_EQ(device.Device().GetState(), CKelDevice::State::ReceiveStandby);
    EXPECT_TRUE(out.IsOpen());
    EXPECT_TRUE(reporter.Reports().empty());
}

TEST_F(TransferTest, CancelledProgressDuringTransmitReportsTheAbort) {
    ui.progressMode = ScriptedDialog::Mode::CancelAtOnce;
    out.SetSendInterval(40ms);
    EXPECT_EQ(Transmit(), TransferOutcome::Cancelled);
    EXPECT_EQ(reporter.Ids(), std::vector<StringId>{StringId::TransmitAborted});
    EXPECT_FALSE(out.IsOpen());
    EXPECT_FALSE(out.SenderThreadExists());
    ASSERT_TRUE(device.WaitUntilIdle(5s));
    EXPECT_LT(device.MessagesFromEditor(), 51);
}

TEST_F(TransferTest, ReceiveCancelledWhileWaitingLeavesAnEmptyUnmodifiedMap) {
    device.SetAutoEnter(false); // the user never starts the device's transmission
    document.Map().records = SampleMemory(11);
    document.SetModified(true);
    ui.receiveMode = ScriptedDialog::Mode::CancelAtOnce;
    EXPECT_EQ(Receive(), TransferOutcome::WaitCancelled);
    EXPECT_EQ(HexTable(document.Map().records), HexTable(RecordTable{}));
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(ui.refreshes, 1);
    EXPECT_FALSE(in.IsOpen());
    ASSERT_TRUE(device.WaitUntilIdle(5s));
    EXPECT_EQ(device.Device().GetState(), CKelDevice::State::TransmitStandby);
}

TEST_F(TransferTest, ReceiveCancelledInProgressKeepsWhatArrivedUnfolded) {
    device.Device().SetMemory(SampleMemory(21));
    device.SetMessageGap(5ms);
    ui.progressMode = ScriptedDialog::Mode::CancelAtOnce;
    document.SelectController(2);
    EXPECT_EQ(Receive(), TransferOutcome::Cancelled);
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(Hex(document.Map().records[0]), Hex(SampleMemory(21)[0])); // the first one came
    // Nothing is reported and the selection is not reloaded.
    EXPECT_TRUE(reporter.Reports().empty());
    EXPECT_EQ(document.EditBuffer().record, AssignRecord{});
}

TEST_F(TransferTest, ADroppedMessageKeepsTheProgressOpenUntilCancelled) {
    device.Device().SetMemory(SampleMemory(8));
    CKelDevice::Faults faults;
    faults.dropController = 30;
    device.Device().SetFaults(faults);
    ui.timeout = 1500ms;
    EXPECT_EQ(Receive(), TransferOutcome::Cancelled);
    EXPECT_EQ(ui.timeouts, 1); // only the progress dialog waited in vain
    EXPECT_EQ(Hex(document.Map().records[30]), Hex(AssignRecord{}));
    EXPECT_EQ(Hex(document.Map().records[31]), Hex(SampleMemory(8)[31]));
}

TEST_F(TransferTest, ADuplicatedMessageDoesNotCompleteTheReceiveEarly) {
    RecordTable memory = SampleMemory(9);
    for (auto& record : memory) {
        record[rec::AssignCode] = CodeNote; // no twins, so the map compares directly
    }
    device.Device().SetMemory(memory);
    CKelDevice::Faults faults;
    faults.duplicateController = 10;
    device.Device().SetFaults(faults);
    device.SetMessageGap(20ms);
    EXPECT_EQ(Receive(), TransferOutcome::Completed);
    // 51 messages came; the receive ended only once all 50 controllers had arrived.
    EXPECT_EQ(HexTable(document.Map().records), HexTable(memory));
}

TEST_F(TransferTest, ADuplicateDoesNotStandInForAMissingController) {
    RecordTable memory = SampleMemory(10);
    for (auto& record : memory) {
        record[rec::AssignCode] = CodeNote;
    }
    device.Device().SetMemory(memory);
    CKelDevice::Faults faults;
    faults.duplicateController = 10;
    faults.dropController = 20;
    device.Device().SetFaults(faults);
    ui.timeout = 1500ms;
    // 50 messages arrive but only 49 controllers: the receive never reports completion.
    EXPECT_EQ(Receive(), TransferOutcome::Cancelled);
    EXPECT_EQ(ui.timeouts, 1);
    EXPECT_EQ(Hex(document.Map().records[20]), Hex(AssignRecord{}));
}

// A device that answers the request at once, with no pause between its messages: not one of
// them may be lost, or the receive would wait for ever.
TEST_F(TransferTest, ADeviceAnsweringAtOnceIsReceivedWhole) {
    const RecordTable memory = SampleMemory(17);
    device.Device().SetMemory(memory);
    device.SetEnterDelay(0ms);
    device.SetMessageGap(0ms);
    ui.timeout = 3s;
    for (int run = 0; run < 5; ++run) {
        ASSERT_EQ(Receive(), TransferOutcome::Completed) << "run " << run;
        EXPECT_EQ(HexTable(document.Map().records), HexTable(test::Folded(memory)));
        ASSERT_TRUE(device.WaitUntilIdle(5s));
    }
    EXPECT_EQ(ui.timeouts, 0);
}

// The window may paint the map at any time while a receive runs; the records arrive in the
// transfer's own table, so what it reads is the new empty map until the input has stopped, and
// then the whole of what arrived. Under ThreadSanitizer this also shows no race between the
// parser thread and the reader.
TEST_F(TransferTest, TheMapReadWhileReceivingIsNeverHalfWritten) {
    const RecordTable memory = SampleMemory(23);
    device.Device().SetMemory(memory);
    device.SetMessageGap(1ms);
    int reads = 0;
    int changedReads = 0;
    ui.whileDialogOpen = [&] {
        ++reads;
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            if (document.RecordOf(id) != AssignRecord{}) {
                ++changedReads;
                break;
            }
        }
    };
    ASSERT_EQ(Receive(), TransferOutcome::Completed);
    EXPECT_GT(reads, 10);
    EXPECT_EQ(changedReads, 0);
    EXPECT_EQ(HexTable(document.Map().records), HexTable(test::Folded(memory)));
}

// S4's message comes with a wrong checksum and R7's never comes: the receive waits, and once the
// line has been quiet it can say for what; cancelled, it names both, S4 with its damaged message.
TEST_F(TransferTest, ACancelledReceiveNamesTheControlsThatNeverArrived) {
    const ControllerId s4 = FindController("S4");
    const ControllerId r7 = FindController("R7");
    device.Device().SetMemory(SampleMemory(31));
    CKelDevice::Faults faults;
    faults.badChecksumController = s4;
    faults.dropController = r7;
    device.Device().SetFaults(faults);
    ui.timeout = 2500ms;
    std::string waiting;
    ui.whileDialogOpen = [&] {
        const ReceiveStatus status = in.GetReceiveStatus();
        if (status.Quiet(TransferClockNow())) {
            waiting = EnglishText(status.Waiting());
        }
    };
    EXPECT_EQ(Receive(), TransferOutcome::Cancelled);
    EXPECT_EQ(waiting, "Waiting for 2 controls: R7, S4 (1 damaged message)");
    ASSERT_EQ(ui.incomplete.size(), 1u);
    const ReceiveStatus& status = ui.incomplete[0];
    EXPECT_EQ(status.Missing(), (std::vector<ControllerId>{r7, s4}));
    EXPECT_EQ(EnglishText(status.NotReceived()), "Not received: R7, S4 (1 damaged message)");
    // They keep NO ASSIGN; the rest came, and the map is modified.
    EXPECT_EQ(Hex(document.RecordOf(s4)), Hex(AssignRecord{}));
    EXPECT_EQ(Hex(document.RecordOf(r7)), Hex(AssignRecord{}));
    EXPECT_EQ(Hex(document.RecordOf(0)), Hex(SampleMemory(31)[0]));
    EXPECT_TRUE(document.IsModified());

    // One control missing is named alone; a control with several damaged messages says so.
    ReceiveStatus one;
    one.arrived.set();
    one.arrived.reset(static_cast<std::size_t>(kAft));
    EXPECT_EQ(EnglishText(one.Waiting()), "Waiting for AFT");
    one.damaged[static_cast<std::size_t>(kAft)] = 3;
    EXPECT_EQ(EnglishText(one.NotReceived()), "Not received: AFT (3 damaged messages)");
    EXPECT_FALSE(one.Quiet(one.lastMessage + 1s));
    EXPECT_TRUE(one.Quiet(one.lastMessage + ReceiveStatus::kQuietTime));

    // A receive that completes, or is cancelled before anything came, names nothing.
    device.Device().SetFaults({});
    EXPECT_EQ(Receive(), TransferOutcome::Completed);
    ui.receiveMode = ScriptedDialog::Mode::CancelAtOnce;
    EXPECT_EQ(Receive(), TransferOutcome::WaitCancelled);
    EXPECT_EQ(ui.incomplete.size(), 1u);
}

// S4's message is damaged on the way and the receive stalls at 49 of 50. Asked again, the
// device sends its memory once more: S4 arrives, the controls that come twice are not counted
// twice, and the receive completes with the device's map, byte for byte.
TEST_F(TransferTest, AskingAgainFillsTheControlsStillMissing) {
    const ControllerId s4 = FindController("S4");
    const RecordTable memory = SampleMemory(37);
    device.Device().SetMemory(memory);
    CKelDevice::Faults faults;
    faults.badChecksumController = s4;
    device.Device().SetFaults(faults);
    int asks = 0;
    ui.whileDialogOpen = [&] {
        const ReceiveStatus status = in.GetReceiveStatus();
        if (asks == 0 && status.arrived.count() == kControllerCount - 1 &&
            status.damaged[static_cast<std::size_t>(s4)] == 1) {
            device.Device().SetFaults({}); // the line is clean again
            ASSERT_TRUE(ui.askAgain);
            EXPECT_TRUE(ui.askAgain());
            ++asks;
        }
    };
    EXPECT_EQ(Receive(), TransferOutcome::Completed);
    EXPECT_EQ(asks, 1);
    EXPECT_EQ(ui.timeouts, 0);
    EXPECT_TRUE(ui.incomplete.empty());
    EXPECT_EQ(HexTable(document.Map().records), HexTable(test::Folded(memory)));
}

TEST_F(TransferTest, OpenFailuresEndTheProceduresWithThePortsMessages) {
    FakeBackend fake;
    fake.inputs = {{"In"}};
    fake.outputs = {{"Out"}};
    fake.outputOpenError = 4;
    ui.inputName = "In";
    ui.outputName = "Out";
    CMidiOut fakeOut(fake, reporter);
    CMidiIn fakeIn(fake, reporter, document.Map().records);
    fakeOut.SetDeviceName("Out");
    fakeIn.SetDeviceName("In");
    CTransfer transfer(document, fakeIn, fakeOut, fake, reporter, ui);

    document.Map().records = SampleMemory(1);
    EXPECT_EQ(transfer.Transmit(), TransferOutcome::OpenFailed);
    EXPECT_EQ(transfer.Receive(), TransferOutcome::OpenFailed);
    EXPECT_EQ(HexTable(document.Map().records),
              HexTable(RecordTable{})); // the receive had reset the map
    EXPECT_EQ(ui.newMaps, 1);

    fake.outputOpenError = 0;
    fake.inputOpenError = 6;
    EXPECT_EQ(transfer.Receive(), TransferOutcome::StartFailed);
    fake.inputOpenError = 0;
    fake.inputStartError = 1;
    EXPECT_EQ(transfer.Receive(), TransferOutcome::StartFailed);
    const std::vector<std::pair<StringId, int>> expected = {{StringId::MidiOutOpenError, 4},
                                                            {StringId::MidiOutOpenError, 4},
                                                            {StringId::MidiInOpenError, 6},
                                                            {StringId::MidiInStartError, 0}};
    EXPECT_EQ(reporter.Reports(), expected);
    // The input listens before anything is asked of the device: with no input, no request.
    EXPECT_TRUE(fake.Sent().empty());
}

TEST_F(TransferTest, TheInstructionsComeAfterTheModeMessageAndTheRecordsAfterThem) {
    FakeBackend fake;
    fake.outputs = {{"Out"}};
    ui.outputName = "Out";
    CMidiOut fakeOut(fake, reporter);
    fakeOut.SetDeviceName("Out");
    fakeOut.SetSendInterval(1ms);
    std::size_t sentBeforeInstructions = 0;
    ui.onInstructions = [&] { sentBeforeInstructions = fake.Sent().size(); };
    CTransfer transfer(document, in, fakeOut, fake, reporter, ui);
    document.RecordOf(0) = {0x07, 0, 0, 0, 0, 0x07, 0x00, 0x7F};

    ASSERT_EQ(transfer.Transmit(), TransferOutcome::Completed);
    EXPECT_EQ(sentBeforeInstructions, 1u);
    const auto sent = fake.Sent();
    ASSERT_EQ(sent.size(), 51u);
    EXPECT_EQ(sent[0], test::Bytes(kTransmitModeMessage.begin(), kTransmitModeMessage.end()));
    for (int id = 0; id < kControllerCount; ++id) {
        const auto& message = sent[static_cast<std::size_t>(id) + 1];
        ASSERT_EQ(message.size(), kBulkMessageSize);
        EXPECT_EQ(message[9], id);
    }
    EXPECT_EQ(sent[1][139], 0x5C);
    EXPECT_EQ(fake.OutputOpens(), 2);
}

TEST(ProgressState, FollowsTheRemainingCountAndTheProgressCommands) {
    CProgressState progress;
    EXPECT_EQ(progress.Total(), 50);
    EXPECT_FALSE(progress.OnTransferReport(49));
    EXPECT_EQ(progress.Position(), 1);
    EXPECT_FALSE(progress.OnTransferReport(-2)); // more than expected arrived
    EXPECT_EQ(progress.Position(), 52);
    EXPECT_TRUE(progress.OnTransferReport(0));
    EXPECT_EQ(progress.Position(), 50);
    EXPECT_TRUE(progress.Finished());

    CProgressState steps(10);
    EXPECT_FALSE(steps.OnProgressCommand(ProgressStep, 8));
    EXPECT_EQ(steps.Position(), 8);
    EXPECT_FALSE(steps.OnProgressCommand(ProgressStep, 5));
    EXPECT_EQ(steps.Position(), 10);                       // by n: clamped, no finish
    EXPECT_TRUE(steps.OnProgressCommand(ProgressStep, 0)); // by one at the end: finish
    EXPECT_FALSE(steps.OnProgressCommand(ProgressReset, 0));
    EXPECT_EQ(steps.Position(), 0);
    steps.SetOffset(9);
    EXPECT_FALSE(steps.OnProgressCommand(ProgressStep, 0)); // 0 + 9 < 10
    EXPECT_EQ(steps.Position(), 1);
    EXPECT_TRUE(steps.OnProgressCommand(ProgressStep, 0)); // 1 + 9 >= 10
    EXPECT_TRUE(steps.OnProgressCommand(ProgressFinish, 0));
}

} // namespace
} // namespace kel

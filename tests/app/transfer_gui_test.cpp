// SPDX-License-Identifier: GPL-3.0-or-later
// Transmit and Receive through the editor's commands, its real receive and progress dialogs
// and the built-in virtual device.
#include "support/midigui_fixture.h"

#include <QLabel>
#include <QStandardPaths>
#include <QStatusBar>

#include "app/settings.h"
#include "files/mapfile.h"
#include "gui/common/uitext.h"
#include "model/appname.h"
#include "session/history.h"

namespace kel {
namespace {

using namespace std::chrono_literals;
using test::HexTable;

QString Message(StringId id, int detail = 0) {
    return UiMessage(id, detail);
}

class TransferGuiTest : public MidiGuiTest {
protected:
    void LoadVariedMap(unsigned seed) {
        CParameter& doc = app_->Document();
        doc.Map().records = VariedRecords(seed);
        doc.SelectController(5);
        doc.SetModified(false);
    }
    TransferOutcome Run(int command) {
        window_->RunCommand(command);
        return Midi().LastOutcome();
    }
};

TEST_F(TransferGuiTest, TransmitThenReceiveBringsBackTheMapWithTwinCodesFolded) {
    LoadVariedMap(11);
    const RecordTable sent = app_->Document().Map().records;
    TitleField()->setText(QStringLiteral("ROUND TRIP"));

    ASSERT_EQ(Run(cmd::Transmit), TransferOutcome::Completed);
    EXPECT_EQ(midiUi_.confirmTexts, QStringList{UiText(StringId::ConfirmTransmit)});
    EXPECT_EQ(midiUi_.shown,
              (QStringList{QStringLiteral("Confirm"), QStringLiteral("Transmit Control Map"),
                           QStringLiteral("Transmitting...")}));
    EXPECT_TRUE(midiUi_.warnings.isEmpty()) << midiUi_.warnings.join(u'\n').toStdString();
    // The TITLE field was committed before the transfer; the records are unchanged.
    EXPECT_EQ(app_->Document().GetTitle(), "ROUND TRIP");
    EXPECT_EQ(HexTable(app_->Document().Map().records), HexTable(sent));
    ASSERT_TRUE(Device().WaitUntilIdle(5s));
    EXPECT_EQ(HexTable(Device().Device().Memory()), HexTable(sent));
    EXPECT_FALSE(Midi().Output().IsOpen());

    // Receive into a different map: everything comes from the device.
    app_->Document().Map().records = VariedRecords(99);
    app_->Document().SetModified(false);
    midiUi_.shown.clear();
    ASSERT_EQ(Run(cmd::Receive), TransferOutcome::Completed);
    EXPECT_EQ(midiUi_.shown,
              (QStringList{QStringLiteral("Confirm"), QStringLiteral("Receive Control Map"),
                           QStringLiteral("Transmitting...")}));
    EXPECT_EQ(midiUi_.confirmTexts.last(), UiText(StringId::ConfirmReceive));
    EXPECT_TRUE(midiUi_.warnings.isEmpty()) << midiUi_.warnings.join(u'\n').toStdString();
    CParameter& doc = app_->Document();
    EXPECT_EQ(HexTable(doc.Map().records), HexTable(test::Folded(sent)));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), ""); // the map was new before it was received
    EXPECT_EQ(TitleField()->text(), QString());
    // The selection is back and its received record is loaded for editing.
    EXPECT_EQ(doc.SelectedController(), 5);
    EXPECT_EQ(test::Hex(doc.EditBuffer().record), test::Hex(test::Folded(sent)[5]));
    EXPECT_FALSE(Midi().Input().IsOpen());
    EXPECT_TRUE(Action(cmd::Save)->isEnabled());
}

// Each completed Transmit keeps what the device got, each completed Receive what it had, in
// the history folder, up to the "History Size" setting; a declined or cancelled one adds nothing.
TEST_F(TransferGuiTest, CompletedTransfersAreKeptInTheHistoryUpToItsSize) {
    const std::string folder = CAppSettings::ToFsPath(TempPath(QStringLiteral("history")));
    qputenv(kHistoryFolderVariable, QByteArray::fromStdString(folder));
    CAppSettings::StoreHistorySize(Store(), 3);
    const auto entries = [&] { return ListHistory(folder); };
    const auto recordsOf = [](const HistoryEntry& entry) {
        CParameter map;
        EXPECT_TRUE(ReadMapFile(entry.path, ControlMapKind, map).Ok()) << entry.path;
        return HexTable(map.Map().records);
    };

    LoadVariedMap(21);
    const RecordTable sent = app_->Document().Map().records;
    TitleField()->setText(QStringLiteral("KEPT"));
    ASSERT_EQ(Run(cmd::Transmit), TransferOutcome::Completed);
    ASSERT_EQ(entries().size(), 1u);
    EXPECT_EQ(entries()[0].direction, HistoryDirection::Transmitted);
    EXPECT_EQ(entries()[0].port, CVirtualKelBackend::kPortName);
    EXPECT_EQ(entries()[0].title, "KEPT");
    EXPECT_EQ(recordsOf(entries()[0]), HexTable(sent));
    ASSERT_TRUE(Device().WaitUntilIdle(5s));

    app_->Document().SetModified(false);
    ASSERT_EQ(Run(cmd::Receive), TransferOutcome::Completed);
    ASSERT_EQ(entries().size(), 2u);
    EXPECT_EQ(entries()[0].direction, HistoryDirection::Received);
    EXPECT_EQ(recordsOf(entries()[0]), HexTable(test::Folded(sent)));
    EXPECT_FALSE(app_->Files().CurrentPath().starts_with(folder)); // the map stays untitled

    // Declined, and cancelled while waiting for the device: nothing is added.
    app_->Document().SetModified(false);
    midiUi_.confirmAnswers = {QDialog::Rejected};
    EXPECT_EQ(Run(cmd::Transmit), TransferOutcome::Declined);
    Device().SetAutoEnter(false);
    midiUi_.onTransferDialog = [](QDialog& dialog) { CancelAfter(dialog, 100); };
    EXPECT_EQ(Run(cmd::Receive), TransferOutcome::WaitCancelled);
    EXPECT_EQ(entries().size(), 2u);

    // Two more transmits: three entries stay, the first transmit is gone.
    Device().SetAutoEnter(true);
    midiUi_.onTransferDialog = [](QDialog&) {};
    LoadVariedMap(22);
    ASSERT_EQ(Run(cmd::Transmit), TransferOutcome::Completed);
    ASSERT_TRUE(Device().WaitUntilIdle(5s));
    ASSERT_EQ(Run(cmd::Transmit), TransferOutcome::Completed);
    const std::vector<HistoryEntry> kept = entries();
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].direction, HistoryDirection::Transmitted);
    EXPECT_EQ(kept[1].direction, HistoryDirection::Transmitted);
    EXPECT_EQ(kept[2].direction, HistoryDirection::Received);
    EXPECT_EQ(recordsOf(kept[0]), HexTable(VariedRecords(22)));
    qunsetenv(kHistoryFolderVariable);
}

// The core names the editor's data folder as Qt does for the editor's organisation and name.
TEST(HistoryFolderTest, IsTheEditorsAppDataLocation) {
    const QString organisation = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    qunsetenv(kHistoryFolderVariable);
    QStandardPaths::setTestModeEnabled(false); // the path the editor really uses
    const QString expected =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/history";
    QStandardPaths::setTestModeEnabled(true);
    EXPECT_EQ(QString::fromStdString(HistoryFolder()), expected);
    // Without XDG_DATA_HOME both fall back to the home's .local/share.
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_HOME");
    QStandardPaths::setTestModeEnabled(false);
    const QString fallback =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/history";
    QStandardPaths::setTestModeEnabled(true);
    EXPECT_EQ(QString::fromStdString(HistoryFolder()), fallback);
    qputenv("XDG_DATA_HOME", data);
    QCoreApplication::setOrganizationName(organisation);
    QCoreApplication::setApplicationName(application);
}

TEST_F(TransferGuiTest, CancelledTransmitStepsSendOnlyWhatWasReached) {
    LoadVariedMap(3);
    // Declined: nothing reaches the device.
    midiUi_.confirmAnswers = {QDialog::Rejected};
    EXPECT_EQ(Run(cmd::Transmit), TransferOutcome::Declined);
    ASSERT_TRUE(Device().WaitUntilIdle(5s));
    EXPECT_EQ(Device().MessagesFromEditor(), 0);

    // Cancelled instructions: only the mode message went out.
    midiUi_.instructionsAnswer = QDialog::Rejected;
    EXPECT_EQ(Run(cmd::Transmit), TransferOutcome::InstructionsCancelled);
    ASSERT_TRUE(Device().WaitUntilIdle(5s));
    EXPECT_EQ(Device().MessagesFromEditor(), 1);
    EXPECT_EQ(Device().Device().GetState(), CKelDevice::State::Receiving); // [ENTER] came
    EXPECT_TRUE(midiUi_.warnings.isEmpty());

    // Cancelled in the progress dialog: the abort message, the rest is not sent.
    midiUi_.instructionsAnswer = QDialog::Accepted;
    Midi().Output().SetSendInterval(40ms);
    midiUi_.onTransferDialog = [](QDialog& dialog) { CancelAfter(dialog, 300); };
    EXPECT_EQ(Run(cmd::Transmit), TransferOutcome::Cancelled);
    EXPECT_EQ(midiUi_.warnings, QStringList{Message(StringId::TransmitAborted)});
    EXPECT_EQ(midiUi_.warnings.first(),
              QStringLiteral("Transmitting was aborted.\nPress the [CANCEL] button of KEL and "
                             "perform\nthe bulk reception procedure over again."));
    ASSERT_TRUE(Device().WaitUntilIdle(5s));
    const int sent = Device().MessagesFromEditor() - 2; // after two mode messages
    EXPECT_GT(sent, 0);
    EXPECT_LT(sent, 50);
    EXPECT_FALSE(Midi().Output().IsOpen());
    EXPECT_FALSE(app_->Document().IsModified()); // a transmit never changes the map
}

TEST_F(TransferGuiTest, CancelledReceiveLeavesTheDocumentAsDocumented) {
    LoadVariedMap(5);
    const RecordTable before = app_->Document().Map().records;

    // Declined: the map is untouched.
    midiUi_.confirmAnswers = {QDialog::Rejected};
    EXPECT_EQ(Run(cmd::Receive), TransferOutcome::Declined);
    EXPECT_EQ(HexTable(app_->Document().Map().records), HexTable(before));

    // Cancelled while waiting for the device: an empty map, not modified.
    Device().SetAutoEnter(false);
    midiUi_.onTransferDialog = [](QDialog& dialog) { CancelAfter(dialog, 100); };
    EXPECT_EQ(Run(cmd::Receive), TransferOutcome::WaitCancelled);
    EXPECT_EQ(HexTable(app_->Document().Map().records), HexTable(RecordTable{}));
    EXPECT_FALSE(app_->Document().IsModified());
    EXPECT_FALSE(Midi().Input().IsOpen());

    // Cancelled in the progress dialog: what arrived so far stays, unfolded; modified is set.
    Device().Device().SetMemory(VariedRecords(8));
    Device().SetAutoEnter(true);
    Device().SetMessageGap(20ms);
    midiUi_.onTransferDialog = [](QDialog& dialog) {
        if (KelIdOf(&dialog) == dlg::Progress) {
            CancelAfter(dialog, 250);
        }
    };
    EXPECT_EQ(Run(cmd::Receive), TransferOutcome::Cancelled);
    const CParameter& doc = app_->Document();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.RecordOf(3), VariedRecords(8)[3]);    // received, twin code kept
    EXPECT_EQ(doc.RecordOf(49), AssignRecord{});        // never arrived
    EXPECT_EQ(doc.EditBuffer().record, AssignRecord{}); // the received record is not loaded
    // The user is told which controls never came, the last of them AFT.
    ASSERT_EQ(midiUi_.warnings.size(), 1);
    EXPECT_TRUE(midiUi_.warnings[0].startsWith("Not received: "))
        << midiUi_.warnings[0].toStdString();
    EXPECT_TRUE(
        midiUi_.warnings[0].endsWith(", AFT\nThese controls keep NO ASSIGN in the control map."))
        << midiUi_.warnings[0].toStdString();
}

// S4's message arrives damaged and the receive stalls. Once the line is quiet the progress dialog
// offers "Ask Again" beside the line naming S4; a click asks the device again, S4 arrives and
// the receive completes on its own with the device's whole map.
TEST_F(TransferGuiTest, AskAgainCompletesAReceiveThatStalledOnADamagedMessage) {
    const RecordTable memory = VariedRecords(17);
    Device().Device().SetMemory(memory);
    CKelDevice::Faults faults;
    faults.badChecksumController = FindController("S4");
    Device().Device().SetFaults(faults);
    QString waiting;
    int asks = 0;
    midiUi_.onTransferDialog = [&](QDialog& dialog) {
        auto* progress = qobject_cast<CProgressDlg*>(&dialog);
        if (progress == nullptr) {
            return;
        }
        EXPECT_TRUE(progress->AskAgainButton()->isHidden()); // nothing to ask for yet
        auto* poll = new QTimer(progress);
        QObject::connect(poll, &QTimer::timeout, progress, [&, progress] {
            CAskAgainButton* button = progress->AskAgainButton();
            if (waiting.isEmpty() && !button->isHidden() && button->isEnabled()) {
                waiting = progress->WaitingLabel()->text();
                Device().Device().SetFaults({});
                button->click();
                asks = button->Asks();
                EXPECT_FALSE(button->isEnabled()); // it rests before it may ask again
            }
        });
        poll->start(50);
    };
    ASSERT_EQ(Run(cmd::Receive), TransferOutcome::Completed);
    EXPECT_EQ(waiting, "Waiting for S4 (1 damaged message)");
    EXPECT_EQ(asks, 1);
    EXPECT_TRUE(midiUi_.warnings.isEmpty()) << midiUi_.warnings.join(u'\n').toStdString();
    EXPECT_EQ(HexTable(app_->Document().Map().records), HexTable(test::Folded(memory)));
}

TEST_F(TransferGuiTest, WithoutAListedPortBothCommandsStopBeforeAsking) {
    Store().setValue(QStringLiteral("MIDI Device/API"), QStringLiteral("ALSA"));
    ASSERT_TRUE(StartScripted()); // ALSA lists nothing here
    LoadVariedMap(2);
    const RecordTable before = app_->Document().Map().records;
    const QString noDevice =
        QStringLiteral("MIDI device has not been selected.\nIn order to communicate with the "
                       "KEL, you must choose the MIDI device to be used.");

    EXPECT_EQ(Run(cmd::Transmit), TransferOutcome::NoDevice);
    EXPECT_EQ(Run(cmd::Receive), TransferOutcome::NoDevice);
    // The message offers the MIDI Devices dialog; No leaves it closed.
    const QString offer =
        noDevice + QStringLiteral("\n\nOpen MIDI Devices to choose the port now?");
    EXPECT_EQ(midiUi_.questions, (QStringList{offer, offer}));
    QCoreApplication::processEvents();
    EXPECT_TRUE(midiUi_.shown.isEmpty());
    EXPECT_EQ(HexTable(app_->Document().Map().records), HexTable(before));
    EXPECT_FALSE(app_->Document().IsModified());
}

// ALSA lists the ports of `outputs` and `inputs` besides its through port; nothing is stored.
class PortChoiceTest : public TransferGuiTest {
protected:
    void PrepareStore(QSettings& store) override {
        store.setValue(QStringLiteral("MIDI Device/API"), QStringLiteral("ALSA"));
        if (!storedOutput.isEmpty()) {
            store.setValue(QStringLiteral("MIDI Device/Output"), storedOutput);
        }
    }
    void PrepareMidi(CKelMidi& midi) override {
        auto alsa = std::make_unique<test::FakeBackend>();
        alsa->inputs = {{"Midi Through Port-0"}};
        alsa->outputs = {{"Midi Through Port-0"}};
        for (const char* name : outputs) {
            alsa->outputs.push_back({name});
        }
        for (const char* name : inputs) {
            alsa->inputs.push_back({name});
        }
        alsa_ = alsa.get();
        midi.Systems().Install(MidiSystem::Alsa, std::move(alsa));
        midi.Systems().Install(MidiSystem::Jack, std::make_unique<test::FakeBackend>());
    }
    // Starts the editor again on these ports.
    void Restart(std::vector<const char*> outs, std::vector<const char*> ins = {}) {
        outputs = std::move(outs);
        inputs = std::move(ins);
        midiUi_.questions.clear();
        midiUi_.shown.clear();
        ASSERT_TRUE(StartScripted());
    }
    QString Stored(const char* key) {
        return Store().value(QStringLiteral("MIDI Device/%1").arg(QLatin1String(key))).toString();
    }

    std::vector<const char*> outputs;
    std::vector<const char*> inputs;
    QString storedOutput;
    test::FakeBackend* alsa_ = nullptr;
};

TEST_F(PortChoiceTest, TheOnlyDevicePortIsChosenAndRemembered) {
    Restart({"KEL Device"}, {"KEL Device In"});
    midiUi_.confirmAnswers = {QDialog::Rejected, QDialog::Rejected};
    EXPECT_EQ(Run(cmd::Transmit), TransferOutcome::Declined); // it got as far as the question
    EXPECT_TRUE(midiUi_.questions.isEmpty()) << midiUi_.questions.join(u'\n').toStdString();
    EXPECT_EQ(Stored("Output"), QStringLiteral("KEL Device"));
    EXPECT_EQ(Midi().Output().GetDeviceName(), "KEL Device");
    EXPECT_EQ(
        window_->statusBar()->currentMessage(),
        QStringLiteral("The MIDI output \"KEL Device\" is chosen: it is the only one listed."));
    // Receive takes the only input too (and the output already chosen).
    EXPECT_EQ(Run(cmd::Receive), TransferOutcome::Declined);
    EXPECT_EQ(Stored("Input"), QStringLiteral("KEL Device In"));
    EXPECT_TRUE(midiUi_.questions.isEmpty());

    // Remembered like a choice: a second device does not take its place.
    storedOutput = QStringLiteral("KEL Device");
    Restart({"Synth", "KEL Device"});
    EXPECT_EQ(Midi().StoredName(false), "KEL Device");
    midiUi_.confirmAnswers = {QDialog::Rejected};
    EXPECT_EQ(Run(cmd::Transmit), TransferOutcome::Declined);
    EXPECT_EQ(Stored("Output"), QStringLiteral("KEL Device"));
}

TEST_F(PortChoiceTest, TwoPortsAreNotChosenAndTheMessageOpensMidiDevices) {
    Restart({"KEL Device", "Synth"});
    midiUi_.answers = {Answer::Yes};
    bool offeredTheOnlyNothing = false;
    midiUi_.onDevices = [&](CMidiDeviceDlg& dialog) {
        offeredTheOnlyNothing = dialog.OutputList()->currentIndex() == -1 &&
                                !dialog.OnlyPortNote()->isVisibleTo(&dialog);
        dialog.OutputList()->setCurrentIndex(2);
        return int(QDialog::Accepted);
    };
    EXPECT_EQ(Run(cmd::Transmit), TransferOutcome::NoDevice);
    ASSERT_EQ(midiUi_.questions.size(), 1);
    EXPECT_TRUE(midiUi_.questions[0].startsWith(UiMessage(StringId::NoMidiDevice, 0)));
    EXPECT_FALSE(Store().contains(QStringLiteral("MIDI Device/Output")));
    // Yes: the dialog opens once the command has ended, and its choice is stored.
    ASSERT_TRUE(QTest::qWaitFor([this] { return !midiUi_.shown.isEmpty(); }, 60000));
    EXPECT_EQ(midiUi_.shown, QStringList{QStringLiteral("MIDI Devices")});
    EXPECT_TRUE(offeredTheOnlyNothing);
    EXPECT_EQ(Stored("Output"), QStringLiteral("Synth"));
}

TEST_F(PortChoiceTest, AChosenPortThatIsGoneIsNamed) {
    storedOutput = QStringLiteral("KEL Device");
    Restart({"Synth", "Drum Machine"});
    EXPECT_EQ(Run(cmd::Transmit), TransferOutcome::NoDevice);
    ASSERT_EQ(midiUi_.questions.size(), 1);
    EXPECT_TRUE(midiUi_.questions[0].startsWith(
        QStringLiteral("The MIDI output \"KEL Device\" is not there.\n\n")))
        << midiUi_.questions[0].toStdString();
    EXPECT_EQ(Stored("Output"), QStringLiteral("KEL Device"));
    QCoreApplication::processEvents();

    // With one device's port left, that one stands in for the port that is gone.
    Restart({"KEL Device 2"});
    midiUi_.confirmAnswers = {QDialog::Rejected};
    EXPECT_EQ(Run(cmd::Transmit), TransferOutcome::Declined);
    EXPECT_EQ(Stored("Output"), QStringLiteral("KEL Device 2"));
}

TEST_F(PortChoiceTest, TheDevicesDialogStartsOnTheOnlyPortAndSaysSo) {
    Restart({"KEL Device"}, {"In 1", "In 2"});
    QString note;
    midiUi_.onDevices = [&](CMidiDeviceDlg& dialog) {
        EXPECT_EQ(dialog.OutputList()->currentText(), QStringLiteral("KEL Device"));
        EXPECT_EQ(dialog.InputList()->currentIndex(), -1);
        note = dialog.OnlyPortNote()->isVisibleTo(&dialog) ? dialog.OnlyPortNote()->text() : "";
        return int(QDialog::Accepted);
    };
    window_->RunCommand(cmd::MidiDevices);
    EXPECT_EQ(note, QStringLiteral(
                        "The MIDI output \"KEL Device\" is chosen: it is the only one listed."));
    EXPECT_EQ(Stored("Output"), QStringLiteral("KEL Device"));
}

// A port that is listed but cannot be opened.
class BusyPortTest : public TransferGuiTest {
protected:
    void PrepareStore(QSettings& store) override {
        store.setValue(QStringLiteral("MIDI Device/API"), QStringLiteral("JACK"));
        store.setValue(QStringLiteral("MIDI Device/Input"), QStringLiteral("kel:in"));
        store.setValue(QStringLiteral("MIDI Device/Output"), QStringLiteral("kel:out"));
    }
    void PrepareMidi(CKelMidi& midi) override {
        auto jack = std::make_unique<test::FakeBackend>();
        jack->inputs = {{"kel:in"}};
        jack->outputs = {{"kel:out"}};
        jack->inputOpenError = 4;
        jack->outputOpenError = 4;
        midi.Systems().Install(MidiSystem::Jack, std::move(jack));
    }
};

TEST_F(BusyPortTest, OpenFailuresShowTheSystemsCode) {
    LoadVariedMap(4);
    EXPECT_EQ(Run(cmd::Transmit), TransferOutcome::OpenFailed);
    EXPECT_EQ(midiUi_.warnings,
              QStringList{QStringLiteral("Failed to open MIDI output device. (4)")});
    EXPECT_EQ(app_->Document().SelectedController(), 5);

    // Receive opens the input first, to listen before it asks: the map has already been reset.
    midiUi_.warnings.clear();
    EXPECT_EQ(Run(cmd::Receive), TransferOutcome::StartFailed);
    EXPECT_EQ(midiUi_.warnings,
              QStringList{QStringLiteral("Failed to open MIDI input device. (4)")});
    EXPECT_EQ(HexTable(app_->Document().Map().records), HexTable(RecordTable{}));

    // With the input working, the output's open failure is the one message.
    static_cast<test::FakeBackend&>(Midi().Systems().BackendOf(MidiSystem::Jack)).inputOpenError =
        0;
    midiUi_.warnings.clear();
    EXPECT_EQ(Run(cmd::Receive), TransferOutcome::OpenFailed);
    EXPECT_EQ(midiUi_.warnings,
              QStringList{QStringLiteral("Failed to open MIDI output device. (4)")});
    EXPECT_FALSE(midiUi_.shown.contains(QStringLiteral("Receive Control Map")));
}

} // namespace
} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI Devices dialog and the choice of MIDI system, the progress dialog's finish and the
// hand-over of reports from the receive dialog to the progress dialog.
#include "support/midigui_fixture.h"

#include <QAccessible>
#include <QAccessibleValueInterface>

#include <QElapsedTimer>
#include <QLabel>

#include <thread>

#include "gui/common/uitext.h"
#include "midi/rtmidi/rtmidibackend.h"
#include "support/access.h"

namespace kel {
namespace {

using namespace std::chrono_literals;

class DeviceDialogTest : public MidiGuiTest {
protected:
    void PrepareMidi(CKelMidi& midi) override {
        midi.Systems().Install(
            MidiSystem::Alsa,
            test::BackendWithPorts({"Midi Through Port-0", "KEL USB MIDI 1", "KEL USB MIDI 1"},
                                   {"Midi Through Port-0", "kel usb midi 1", "KEL USB MIDI 1"}));
        midi.Systems().Install(MidiSystem::Jack, test::BackendWithPorts({}, {}));
    }
    QString Stored(const char* value) {
        return Store().value(QStringLiteral("MIDI Device/") + QLatin1String(value)).toString();
    }
};

TEST_F(DeviceDialogTest, ListsThePortsOfTheChosenSystemAndStoresTheChoice) {
    // A stored port name selects its system at first use.
    Store().setValue(QStringLiteral("MIDI Device/Output"), QStringLiteral("KEL USB MIDI 1"));
    ASSERT_TRUE(StartScripted()); // read at start-up
    midiUi_.onDevices = [](CMidiDeviceDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("MIDI Devices"));
        EXPECT_EQ(dialog.SelectedSystem(), MidiSystem::Alsa);
        // Lists in port order, duplicates and case variants included; nothing selected for
        // the input (no name), the first equal name for the output.
        EXPECT_EQ(ItemTexts(dialog.InputList()),
                  (QStringList{"Midi Through Port-0", "KEL USB MIDI 1", "KEL USB MIDI 1"}));
        EXPECT_EQ(dialog.SelectedInput(), -1);
        EXPECT_EQ(dialog.SelectedOutput(), 2);
        EXPECT_TRUE(dialog.NoPortsNote()->isHidden());
        // Another system lists its own ports; an empty one says so.
        dialog.SystemList()->setCurrentIndex(
            dialog.SystemList()->findData(static_cast<int>(MidiSystem::Jack)));
        EXPECT_EQ(dialog.InputList()->count(), 0);
        EXPECT_FALSE(dialog.NoPortsNote()->isHidden());
        dialog.SystemList()->setCurrentIndex(
            dialog.SystemList()->findData(static_cast<int>(MidiSystem::Virtual)));
        EXPECT_EQ(ItemTexts(dialog.OutputList()), QStringList{"Virtual KEL Device"});
        // Its only port is chosen for lack of another, and the dialog says so.
        EXPECT_EQ(dialog.SelectedOutput(), 0);
        EXPECT_FALSE(dialog.OnlyPortNote()->isHidden());
        // Back on ALSA the original selection returns; the user picks the input.
        dialog.SystemList()->setCurrentIndex(
            dialog.SystemList()->findData(static_cast<int>(MidiSystem::Alsa)));
        EXPECT_EQ(dialog.SelectedOutput(), 2);
        dialog.InputList()->setCurrentIndex(2);
        return int(QDialog::Accepted);
    };
    window_->RunCommand(cmd::MidiDevices);
    EXPECT_EQ(midiUi_.shown, QStringList{QStringLiteral("MIDI Devices")});
    EXPECT_EQ(Stored("Input"), QStringLiteral("KEL USB MIDI 1"));
    EXPECT_EQ(Stored("Output"), QStringLiteral("KEL USB MIDI 1"));
    EXPECT_EQ(Stored("API"), QStringLiteral("ALSA"));
    EXPECT_EQ(Midi().Input().GetDeviceName(), "KEL USB MIDI 1");
    // Lookups find the first of equal names.
    EXPECT_EQ(Midi().Input().GetDeviceIndex(), 1);
    EXPECT_EQ(Midi().Output().GetDeviceIndex(), 2);

    // The choice survives a restart.
    ASSERT_TRUE(StartScripted());
    EXPECT_EQ(Midi().System(), MidiSystem::Alsa);
    EXPECT_EQ(Midi().Input().GetDeviceName(), "KEL USB MIDI 1");
}

TEST_F(DeviceDialogTest, CancelChangesNothingAndAnEmptySelectionKeepsTheStoredName) {
    Store().setValue(QStringLiteral("MIDI Device/API"), QStringLiteral("Virtual"));
    Store().setValue(QStringLiteral("MIDI Device/Input"), QStringLiteral("Virtual KEL Device"));
    Store().setValue(QStringLiteral("MIDI Device/Output"), QStringLiteral("Virtual KEL Device"));
    ASSERT_TRUE(StartScripted());

    midiUi_.onDevices = [](CMidiDeviceDlg& dialog) {
        dialog.SystemList()->setCurrentIndex(0); // ALSA
        dialog.InputList()->setCurrentIndex(1);
        return int(QDialog::Rejected);
    };
    window_->RunCommand(cmd::MidiDevices);
    EXPECT_EQ(Stored("API"), QStringLiteral("Virtual"));
    EXPECT_EQ(Midi().Systems().Selected(), MidiSystem::Virtual);
    EXPECT_EQ(Midi().Input().GetDeviceName(), "Virtual KEL Device");

    // OK with the output list cleared: the port object forgets it, the setting keeps it.
    midiUi_.onDevices = [](CMidiDeviceDlg& dialog) {
        EXPECT_EQ(dialog.SelectedInput(), 0);
        dialog.OutputList()->setCurrentIndex(-1);
        return int(QDialog::Accepted);
    };
    window_->RunCommand(cmd::MidiDevices);
    EXPECT_EQ(Midi().Output().GetDeviceName(), "");
    EXPECT_EQ(Stored("Output"), QStringLiteral("Virtual KEL Device"));
    // Transmit finds the stored name listed, but the port has no name: 32810 from the port.
    window_->RunCommand(cmd::Transmit);
    EXPECT_EQ(Midi().LastOutcome(), TransferOutcome::OpenFailed);
    ASSERT_EQ(midiUi_.questions.size(), 1);
    EXPECT_TRUE(midiUi_.questions.first().startsWith(QStringLiteral("MIDI device has not been")));
}

TEST(MidiSystemsTest, ASystemThatIsNotThereListsNothingAndDoesNotWait) {
    // The real ALSA and JACK back ends: on a machine without them they list no ports.
    CMidiSystems systems(MidiSystemFactory());
    QElapsedTimer clock;
    clock.start();
    for (MidiSystem system : {MidiSystem::Alsa, MidiSystem::Jack}) {
        const bool reachable =
            MidiSystemReachable(system == MidiSystem::Jack ? MidiApi::Jack : MidiApi::Alsa);
        MidiBackend& backend = systems.BackendOf(system);
        if (!reachable) {
            EXPECT_EQ(backend.InputPortCount(), 0);
            EXPECT_EQ(backend.OutputPortCount(), 0);
        }
    }
    EXPECT_LT(clock.elapsed(), 5000);
}

class UnknownSystemTest : public MidiGuiTest {
protected:
    void PrepareStore(QSettings& store) override {
        store.setValue(QStringLiteral("MIDI Device/API"), QStringLiteral("CoreMIDI"));
    }
};

TEST_F(UnknownSystemTest, AnUnknownStoredSystemFallsBackToTheDefault) {
    EXPECT_EQ(Midi().System(), MidiSystem::Virtual);
    // A new user's transfers go to the built-in device without choosing anything.
    EXPECT_EQ(Midi().StoredName(false), "Virtual KEL Device");
    EXPECT_EQ(Midi().Output().GetDeviceName(), "Virtual KEL Device");
}

class ProgressDialogTest : public ::testing::Test {
protected:
    FakeUi ui_;
};

// Makes the reports of a transfer from another thread, as the engine does.
void ReportCountdown(TransferListener& target, bool sent, int from, int to) {
    for (int remaining = from; remaining >= to; --remaining) {
        if (sent) {
            target.BulkSent(remaining);
        } else {
            target.BulkReceived(static_cast<std::uint32_t>(49 - remaining) << 8, remaining);
        }
        std::this_thread::sleep_for(1ms);
    }
}

TEST_F(ProgressDialogTest, FullBarClosesWithOkAboutOneSecondLater) {
    CProgressDlg dialog(ui_);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Transmitting..."));
    EXPECT_EQ(dialog.Bar()->maximum(), 50);
    QElapsedTimer sinceFull;
    int positionAtFull = -1;
    std::thread engine([&] { ReportCountdown(dialog, true, 49, 0); });
    // Watch for the full bar, then try to cancel: too late, the transfer is complete.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (dialog.Finishing() && positionAtFull < 0) {
            sinceFull.start();
            positionAtFull = dialog.Bar()->value();
            dialog.CancelButton()->click();
            dialog.reject();
        }
    });
    watch.start(5);
    const int result = dialog.exec();
    const qint64 waited = sinceFull.elapsed();
    engine.join();
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(positionAtFull, 50);
    EXPECT_GE(waited, 900);
    EXPECT_LT(waited, 2000);
}

TEST_F(ProgressDialogTest, CancelBeforeTheEndAndProgressCommands) {
    CProgressDlg dialog(ui_);
    dialog.OnTransferReport(40);
    EXPECT_EQ(dialog.Bar()->value(), 10);
    dialog.OnProgressCommand(ProgressStep, 5);
    EXPECT_EQ(dialog.Bar()->value(), 15);
    dialog.OnProgressCommand(ProgressReset, 0);
    EXPECT_EQ(dialog.Bar()->value(), 0);
    QTimer::singleShot(20, dialog.CancelButton(), &QPushButton::click);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

TEST_F(ProgressDialogTest, ScreenReadersReadTheProgressAsValueAndText) {
    CProgressDlg dialog(ui_);
    dialog.show();
    dialog.OnTransferReport(40);
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(dialog.Bar());
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->text(QAccessible::Name).isEmpty());
    ASSERT_NE(bar->valueInterface(), nullptr);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 10);
    EXPECT_EQ(bar->valueInterface()->maximumValue().toInt(), 50);
    EXPECT_EQ(bar->text(QAccessible::Description), QStringLiteral("20% (10 of 50)"));
    EXPECT_EQ(UnnamedFields(&dialog), QStringList{});
}

TEST_F(ProgressDialogTest, ReportsReachingTheClosedReceiveDialogMoveTheProgressDialog) {
    // The device sends faster than the receive dialog closes and the progress dialog opens:
    // the reports in between, the last one included, still complete the receive.
    CKelRcvDlg waiting(ui_);
    EXPECT_FALSE(waiting.ContinueButton()->isEnabled());
    std::thread first([&] { ReportCountdown(waiting, false, 49, 49); });
    first.join();
    QTimer::singleShot(2000, &waiting, &QDialog::reject); // a safety net only
    ASSERT_EQ(waiting.exec(), QDialog::Accepted);
    std::thread rest([&] { ReportCountdown(waiting, false, 48, 0); });
    rest.join();
    CProgressDlg progress(ui_);
    waiting.HandOnTo(&progress);
    QTimer::singleShot(5000, &progress, &QDialog::reject); // a safety net only
    EXPECT_EQ(progress.exec(), QDialog::Accepted);
    EXPECT_EQ(progress.Bar()->value(), 50);
}

} // namespace
} // namespace kel

namespace kel {
namespace {

TEST(MidiDialogTexts, JapaneseUsersSeeTheDialogsInJapanese) {
    ASSERT_TRUE(InstallUiTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
    FakeUi ui;
    CTransmitInstructionsDlg instructions;
    CKelRcvDlg waiting(ui);
    CProgressDlg progress(ui);
    CMidiSystems systems(MidiSystemFactory());
    CMidiDeviceDlg devices(systems, MidiSystem::Virtual, 0, 0);
    const QStringList titles{instructions.windowTitle(), waiting.windowTitle(),
                             progress.windowTitle(), devices.windowTitle()};
    const QString note = devices.NoPortsNote()->text();
    RemoveUiTranslations();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("コントロールマップの送信"),
                                   QStringLiteral("コントロールマップの受信"),
                                   QStringLiteral("送信中..."), QStringLiteral("MIDI デバイス")}));
    EXPECT_EQ(note, QStringLiteral("この MIDI システムにはポートがありません。"));
}

} // namespace
} // namespace kel

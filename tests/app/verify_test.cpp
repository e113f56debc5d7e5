// SPDX-License-Identifier: GPL-3.0-or-later
// Verify through the editor's commands and the built-in virtual device: the device's memory is
// received into a table of its own and compared with the map, which stays untouched; Transmit
// offers it when it has completed.
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include "app/mapcommands.h"
#include "app/reportwindow.h"
#include "app/undo.h"
#include "gui/mididlg/transferdlgs.h"
#include "support/midigui_fixture.h"

namespace kel {
namespace {

using namespace std::chrono_literals;

class VerifyTest : public MidiGuiTest {
protected:
    CMapCommands* Commands() { return window_->findChild<CMapCommands*>(); }

    // A map without check errors, so Transmit asks nothing before it starts.
    void LoadCleanMap() {
        CParameter& doc = app_->Document();
        doc.Map().records = RecordTable{};
        for (ControllerId id = 0; id < 9; ++id) {
            AssignRecord& r = doc.RecordOf(id);
            r[rec::AssignCode] = CodeControlChange;
            r[5] = static_cast<std::uint8_t>(20 + id);
            r[7] = 127;
        }
        doc.RecordOf(9)[rec::AssignCode] = CodeControlChangeTwin; // folded on both sides
        doc.RecordOf(9)[5] = 40;
        doc.RecordOf(9)[7] = 127;
        TitleField()->setText("VERIFY");
        app_->CommitTitleField();
        doc.SetModified(false);
    }

    // Transmits the map (the offer to verify declined: no answer queued), then has the device
    // misbehave as `faults` say.
    void TransmitThenMisbehave(const CKelDevice::Faults& faults) {
        LoadCleanMap();
        window_->RunCommand(cmd::Transmit);
        ASSERT_EQ(Midi().LastOutcome(), TransferOutcome::Completed);
        ASSERT_TRUE(Device().WaitUntilIdle(5s));
        Device().Device().SetFaults(faults);
    }

    struct Snapshot {
        ControlMap map;
        bool canUndo;
        std::string path;
    };
    Snapshot Take() {
        return {app_->Document().Map(), app_->History().CanUndo(), app_->Files().CurrentPath()};
    }
    void ExpectUntouched(const Snapshot& s) {
        const ControlMap& map = app_->Document().Map();
        EXPECT_EQ(test::HexTable(map.records), test::HexTable(s.map.records));
        EXPECT_EQ(map.title, s.map.title);
        EXPECT_EQ(map.comments, s.map.comments);
        EXPECT_EQ(map.modified, s.map.modified);
        EXPECT_EQ(app_->History().CanUndo(), s.canUndo);
        EXPECT_EQ(app_->Files().CurrentPath(), s.path);
    }
};

TEST_F(VerifyTest, TransmitOffersVerifyAndTheMemoryMatches) {
    LoadCleanMap();
    const Snapshot before = Take();
    midiUi_.answers.push_back(Answer::Yes); // "Verify the KEL's memory now?"
    window_->RunCommand(cmd::Transmit);
    ASSERT_EQ(Midi().LastOutcome(), TransferOutcome::Completed);
    ASSERT_EQ(midiUi_.questions.size(), 1);
    EXPECT_TRUE(midiUi_.questions[0].contains("Verify the KEL's memory now?"));
    EXPECT_TRUE(midiUi_.warnings.isEmpty()) << midiUi_.warnings.join(u'\n').toStdString();
    // The receive ran with its own dialogs and without the confirmation of Receive.
    EXPECT_EQ(midiUi_.shown, (QStringList{"Confirm", "Transmit Control Map", "Transmitting...",
                                          "Receive Control Map", "Transmitting..."}));

    CReportWindow* report = Commands()->VerifyWindow();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->Summary()->text(), "The KEL's memory matches the control map.");
    EXPECT_EQ(report->List()->count(), 0);
    ExpectUntouched(before);
    EXPECT_FALSE(Midi().Input().IsOpen());
}

TEST_F(VerifyTest, DifferencesAreListedAndTheMapStays) {
    LoadCleanMap();
    window_->RunCommand(cmd::Transmit); // the offer is declined (no answer queued)
    ASSERT_EQ(Midi().LastOutcome(), TransferOutcome::Completed);
    ASSERT_TRUE(Device().WaitUntilIdle(5s));
    EXPECT_EQ(Commands()->VerifyWindow(), nullptr);

    CParameter& doc = app_->Document();
    doc.RecordOf(2)[7] = 100; // R3: maximum 127 in the device, 100 in the map
    doc.RecordOf(30)[rec::AssignCode] = CodeTempo;
    doc.SetMapComment(30, "Tap"); // comments are not part of a verify
    const Snapshot before = Take();
    window_->RunCommand(cmd::Verify);
    CReportWindow* report = Commands()->VerifyWindow();
    ASSERT_NE(report, nullptr);
    ASSERT_EQ(report->List()->count(), 2);
    EXPECT_EQ(report->List()->item(0)->text(),
              QString::fromUtf8("R3: CC 22:1 (maximum 100 \u2192 127)"));
    EXPECT_EQ(report->ControlOfLine(1), 30);
    EXPECT_TRUE(report->Summary()->text().contains("Controls that differ: 2."));
    ExpectUntouched(before);
}

TEST_F(VerifyTest, ADeviceThatSendsADifferentRecordIsCaught) {
    // The device sends R5 back on another channel than it stored.
    CKelDevice::Faults faults;
    faults.alterController = 4;
    TransmitThenMisbehave(faults);
    const Snapshot before = Take();
    window_->RunCommand(cmd::Verify);
    CReportWindow* report = Commands()->VerifyWindow();
    ASSERT_NE(report, nullptr);
    ASSERT_EQ(report->List()->count(), 1);
    EXPECT_TRUE(report->List()->item(0)->text().startsWith("R5: CC 24:1"))
        << report->List()->item(0)->text().toStdString();
    EXPECT_EQ(report->ControlOfLine(0), 4);
    ExpectUntouched(before);
}

TEST_F(VerifyTest, CancelledVerifyShowsNothingBeforeTheFirstRecordAndLeavesTheMap) {
    LoadCleanMap();
    const Snapshot before = Take();
    // Cancelled while waiting for the device.
    Device().SetAutoEnter(false);
    midiUi_.onTransferDialog = [](QDialog& dialog) { CancelAfter(dialog, 100); };
    window_->RunCommand(cmd::Verify);
    EXPECT_EQ(Commands()->VerifyWindow(), nullptr);
    ExpectUntouched(before);
    EXPECT_FALSE(Midi().Input().IsOpen());
}

// S4's message arrives damaged: the progress dialog says it waits for S4 once the line is quiet;
// cancelled, Verify shows what it compared and names S4. The map stays as it is.
TEST_F(VerifyTest, ACancelledVerifyShowsWhatItComparedAndWhatNeverCame) {
    CKelDevice::Faults faults;
    faults.badChecksumController = FindController("S4");
    TransmitThenMisbehave(faults);
    const Snapshot before = Take();

    QString waiting;
    midiUi_.onTransferDialog = [&waiting](QDialog& dialog) {
        auto* progress = qobject_cast<CProgressDlg*>(&dialog);
        if (progress == nullptr) {
            return;
        }
        auto* poll = new QTimer(progress);
        QObject::connect(poll, &QTimer::timeout, progress, [&waiting, progress] {
            if (!progress->WaitingLabel()->isHidden() && waiting.isEmpty()) {
                waiting = progress->WaitingLabel()->text();
                progress->CancelButton()->click();
            }
        });
        poll->start(50);
    };
    window_->RunCommand(cmd::Verify);
    EXPECT_EQ(waiting, "Waiting for S4 (1 damaged message)");
    CReportWindow* report = Commands()->VerifyWindow();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->Summary()->text(),
              "Cancelled: 49 of 50 controls were compared. Not received: S4 (1 damaged message). "
              "They match the control map.");
    EXPECT_EQ(report->List()->count(), 0);
    ExpectUntouched(before);
}

} // namespace
} // namespace kel

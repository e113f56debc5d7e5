// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and Redo of the control map inside the running editor: every committed edit is one
// step, the steps restore the exact map, the modified flag follows the saved step, file
// commands start the history afresh, and a text field keeps Ctrl+Z for itself.
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "app/undo.h"
#include "files/syxfile.h"
#include "gui/assign/msgdlg.h"
#include "gui/common/editornotify.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

constexpr ControllerId R1 = 0;
constexpr ControllerId S3 = 11;
constexpr ControllerId A3 = 20;

// Records, title and comments: what a step restores.
struct MapContents {
    RecordTable records;
    std::string title;
    std::array<std::string, kControllerCount> comments;
    bool operator==(const MapContents&) const = default;
};

class UndoTest : public EditorTest {
protected:
    MapContents Contents() const {
        const ControlMap& map = app_->Document().Map();
        return {map.records, map.title, map.comments};
    }
    void PickType(int type) {
        Pick(Control<QComboBox>(AssignWindow(), CKelMsgDlg::IdTypeList), type);
    }
    void SetComment(const char* text) {
        FindByKelId<CMapTextEdit>(AssignWindow(), CKelMsgDlg::IdComment)->setText(text);
    }
    void Press(int button) {
        FindByKelId<QPushButton>(AssignWindow(), button)->click();
        QCoreApplication::processEvents();
    }
    // Runs a command with the focus away from any text field, as from the panel.
    void Run(int command) {
        Panel()->setFocus();
        window_->RunCommand(command);
    }
    QString UndoText() { return Action(cmd::Undo)->text(); }
    QString RedoText() { return Action(cmd::Redo)->text(); }

    // A saved map opened again: CC 74 on R1, the title "SAVED", a comment on S3.
    void OpenStartingMap() {
        CParameter& doc = app_->Document();
        doc.RecordOf(S3)[rec::AssignCode] = CodeNote;
        doc.RecordOf(S3)[5] = 60;
        doc.SetMapComment(S3, "Kick");
        const QString path = WriteMapFile("start.mid");
        ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(path), ControlMapKind), 1);
        ASSERT_FALSE(doc.IsModified());
        ASSERT_FALSE(app_->History().CanUndo());
    }

    // Five steps: edit R1 and S3 in the dialog, the title, Paste onto A3, NO ASSIGN on R1.
    void MakeFiveSteps() {
        ClickControl(R1);
        PickType(MsgTempo);
        SetComment("Tempo");
        Press(CKelMsgDlg::IdOk);
        EXPECT_EQ(UndoText(), "&Undo Change R1");

        ClickControl(S3);
        PickType(MsgSystemRealtime);
        Press(CKelMsgDlg::IdOk);
        EXPECT_EQ(UndoText(), "&Undo Change S3");

        TitleField()->setText("LIVE");
        app_->CommitTitleField();
        EXPECT_EQ(UndoText(), "&Undo Change Title");

        ClickControl(S3);
        Run(cmd::Copy);
        ClickControl(A3);
        Press(CKelMsgDlg::IdCancel);
        Run(cmd::Paste);
        EXPECT_EQ(UndoText(), "&Undo Paste A3");

        ClickControl(R1);
        Press(CKelMsgDlg::IdCancel);
        Run(cmd::NoAssign);
        EXPECT_EQ(UndoText(), "&Undo NO ASSIGN R1");
    }
};

TEST_F(UndoTest, UndoingEveryStepRestoresTheOpenedMapAndRedoingThemTheEditedOne) {
    OpenStartingMap();
    const MapContents opened = Contents();
    MakeFiveSteps();
    const MapContents edited = Contents();
    CParameter& doc = app_->Document();
    EXPECT_EQ(doc.RecordOf(A3), doc.RecordOf(S3));
    EXPECT_EQ(doc.RecordOf(R1), AssignRecord{});
    EXPECT_EQ(doc.GetTitle(), "LIVE");
    EXPECT_TRUE(doc.IsModified());

    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(Action(cmd::Undo)->isEnabled()) << i;
        Run(cmd::Undo);
        EXPECT_EQ(doc.IsModified(), i < 4) << i;
    }
    EXPECT_EQ(Contents(), opened);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(Action(cmd::Undo)->isEnabled());
    EXPECT_EQ(UndoText(), "&Undo");
    EXPECT_EQ(RedoText(), "&Redo Change R1");
    EXPECT_EQ(TitleField()->text(), "SAVED"); // the views show the restored map
    EXPECT_EQ(doc.EditBuffer().record, doc.RecordOf(doc.SelectedController()));

    for (int i = 0; i < 5; ++i) {
        Run(cmd::Redo);
        EXPECT_TRUE(doc.IsModified()) << i;
    }
    EXPECT_EQ(Contents(), edited);
    EXPECT_FALSE(Action(cmd::Redo)->isEnabled());
    EXPECT_EQ(TitleField()->text(), "LIVE");

    // A new edit after some undos drops the steps that could have been redone.
    Run(cmd::Undo);
    Run(cmd::Undo);
    TitleField()->setText("OTHER");
    app_->CommitTitleField();
    EXPECT_FALSE(app_->History().CanRedo());
    Run(cmd::Undo);
    EXPECT_EQ(doc.GetTitle(), "LIVE");
}

// Several controls written at once are one step: one Undo brings every one of them back byte
// for byte, with the panel and the open dialog following.
TEST_F(UndoTest, ControlsWrittenTogetherAreUndoneTogether) {
    OpenStartingMap();
    const MapContents opened = Contents();
    ClickControl(S3);
    CParameter& doc = app_->Document();
    AssignEntry cc;
    cc.SetChannelKind(KindControlChange);
    cc.SetValueAt(0, 74);
    const std::array<ControlEdit, 3> edits = {ControlEdit{R1, cc.record, "Cutoff"},
                                              ControlEdit{S3, cc.record, ""},
                                              ControlEdit{A3, AssignRecord{}, "Pad"}};
    doc.CommitControls(edits);
    EXPECT_EQ(UndoText(), "&Undo Change Controls");
    EXPECT_EQ(doc.EditBuffer().record, cc.record); // S3 is selected: its buffer follows
    EXPECT_EQ(doc.GetMapComment(A3), "Pad");
    const MapContents edited = Contents();

    Run(cmd::Undo);
    EXPECT_EQ(Contents(), opened);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.EditBuffer().record, doc.RecordOf(S3));
    Run(cmd::Redo);
    EXPECT_EQ(Contents(), edited);
    EXPECT_FALSE(Action(cmd::Redo)->isEnabled());
}

TEST_F(UndoTest, TheSavedStepIsTheCleanOne) {
    OpenStartingMap();
    CParameter& doc = app_->Document();
    TitleField()->setText("ONE");
    app_->CommitTitleField();
    ASSERT_EQ(app_->Files().SaveMapFile(CAppSettings::ToFsPath(TempPath("one.mid"))), 1);
    TitleField()->setText("TWO");
    app_->CommitTitleField();
    EXPECT_TRUE(doc.IsModified());

    Run(cmd::Undo); // back to what was saved
    EXPECT_FALSE(doc.IsModified());
    Run(cmd::Undo); // before the save
    EXPECT_TRUE(doc.IsModified());
    Run(cmd::Redo);
    EXPECT_FALSE(doc.IsModified());
    Run(cmd::Redo);
    EXPECT_TRUE(doc.IsModified());

    // Saving right after an undo makes that step the clean one.
    Run(cmd::Undo);
    Run(cmd::Undo);
    ASSERT_EQ(app_->Files().SaveMapFile(CAppSettings::ToFsPath(TempPath("one.mid"))), 1);
    Run(cmd::Redo);
    EXPECT_TRUE(doc.IsModified());
    Run(cmd::Undo);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(UndoTest, NewOpenAndImportStartAfreshAndAnImportedMapStaysModified) {
    CParameter& doc = app_->Document();
    TitleField()->setText("A");
    app_->CommitTitleField();
    ASSERT_TRUE(app_->History().CanUndo());
    doc.SetModified(false);
    Run(cmd::New);
    EXPECT_FALSE(app_->History().CanUndo());

    // An imported .syx map has never been saved: undoing the edits made on it leaves it
    // modified.
    RecordTable records{};
    records[3][rec::AssignCode] = CodeTempo;
    const QString syx = TempPath("map.syx");
    ASSERT_TRUE(SaveSyxFile(records, CAppSettings::ToFsPath(syx)).Ok());
    ui_.openPaths.push_back(syx);
    Run(cmd::ImportSysEx);
    ASSERT_EQ(doc.RecordOf(3)[rec::AssignCode], CodeTempo);
    EXPECT_FALSE(app_->History().CanUndo());
    EXPECT_TRUE(doc.IsModified());
    TitleField()->setText("B");
    app_->CommitTitleField();
    Run(cmd::Undo);
    EXPECT_EQ(doc.GetTitle(), "");
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(UndoTest, PendingFieldsOfTheOpenDialogAreCommittedAndUndoneFirst) {
    CParameter& doc = app_->Document();
    ClickControl(R1);
    PickType(MsgTempo); // pending in the dialog, not in the map
    ASSERT_EQ(doc.RecordOf(R1)[rec::AssignCode], CodeNoAssign);
    Run(cmd::Undo);
    EXPECT_EQ(doc.RecordOf(R1)[rec::AssignCode], CodeNoAssign);
    EXPECT_EQ(doc.EditBuffer().record[rec::AssignCode], CodeNoAssign);
    EXPECT_EQ(FindByKelId<QComboBox>(AssignWindow(), CKelMsgDlg::IdTypeList)->currentIndex(),
              MsgNoAssign);
    Run(cmd::Redo);
    EXPECT_EQ(doc.RecordOf(R1)[rec::AssignCode], CodeTempo);
    EXPECT_EQ(FindByKelId<QComboBox>(AssignWindow(), CKelMsgDlg::IdTypeList)->currentIndex(),
              MsgTempo);
}

TEST_F(UndoTest, ATextFieldKeepsCtrlZAndTheMenuItemsGiveWay) {
    TitleField()->setText("MAP");
    app_->CommitTitleField();
    Panel()->setFocus();
    EXPECT_TRUE(Action(cmd::Undo)->isVisible());
    EXPECT_TRUE(Action(cmd::Undo)->isEnabled());

    TitleField()->setFocus();
    EXPECT_FALSE(Action(cmd::Undo)->isVisible());
    EXPECT_FALSE(Action(cmd::Undo)->isEnabled());
    EXPECT_FALSE(Action(cmd::Redo)->isVisible());
    QTest::keyClicks(TitleField(), "X");
    QTest::keyClick(TitleField(), Qt::Key_Z, Qt::ControlModifier); // the field's own undo
    EXPECT_EQ(TitleField()->text(), "MAP");
    EXPECT_EQ(app_->Document().GetTitle(), "MAP");

    // The window's keys undo the map once the focus is elsewhere.
    Panel()->setFocus();
    QTest::keyClick(window_, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(app_->Document().GetTitle(), "");
    QTest::keyClick(window_, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(app_->Document().GetTitle(), "MAP");
    QTest::keyClick(window_, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(window_, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(app_->Document().GetTitle(), "MAP");
}

} // namespace
} // namespace kel

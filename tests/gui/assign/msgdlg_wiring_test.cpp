// SPDX-License-Identifier: GPL-3.0-or-later
// The assign dialog inside the running editor: opened from the panel, its keys carried out by
// the main window, applied before another control and before Copy, committed after Paste while
// it is closed, hidden with the minimised main window and destroyed when the window closes.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "gui/assign/freemsgpage.h"
#include "gui/assign/msgdlg.h"
#include "gui/common/editornotify.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

class DialogInEditorTest : public EditorTest {
protected:
    QComboBox* TypeList() { return Control<QComboBox>(AssignWindow(), CKelMsgDlg::IdTypeList); }
    void PickType(int type) { Pick(TypeList(), type); }
    void ClickOk() {
        QTest::mouseClick(Control<QPushButton>(AssignWindow(), CKelMsgDlg::IdOk), Qt::LeftButton);
        QCoreApplication::processEvents();
    }
};

TEST_F(DialogInEditorTest, PanelClickOpensTheDialogAndOkCommitsAndActivatesTheMainWindow) {
    EXPECT_EQ(AssignWindow(), nullptr);
    ClickControl(18);
    ASSERT_NE(AssignWindow(), nullptr);
    EXPECT_TRUE(AssignWindow()->isVisible());
    EXPECT_EQ(app_->Document().SelectedController(), 18);

    PickType(MsgTempo);
    EXPECT_EQ(app_->Document().RecordOf(18)[rec::AssignCode], CodeNoAssign);
    ClickOk();
    EXPECT_FALSE(AssignWindow()->isVisible());
    EXPECT_EQ(app_->Document().RecordOf(18)[rec::AssignCode], CodeTempo);
    EXPECT_TRUE(app_->Document().IsModified());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_));
}

TEST_F(DialogInEditorTest, RefusedTextStopsPanelClicksAndCopy) {
    ClickControl(9);
    PickType(MsgSystemExclusive);
    FindByKelId<CCharEdit>(AssignWindow(), CKelFreeMsgPage::IdMessageText)->setText("F0 41");

    ClickControl(10);
    EXPECT_EQ(app_->Document().SelectedController(), 9);
    ASSERT_EQ(ui_.warnings.size(), 1);
    EXPECT_EQ(ui_.warnings[0],
              "There is a mistake in the message you input.\n"
              "Byte 1: the System Ex. message starting here has no F7 at its end.");

    window_->RunCommand(cmd::Copy);
    EXPECT_FALSE(app_->Document().ClipboardValid());
    EXPECT_EQ(ui_.warnings.size(), 2);

    FindByKelId<CCharEdit>(AssignWindow(), CKelFreeMsgPage::IdMessageText)->setText("F0 41 F7");
    window_->RunCommand(cmd::Copy);
    EXPECT_TRUE(app_->Document().ClipboardValid());
    EXPECT_EQ(app_->Document().RecordOf(9)[rec::AssignCode], CodeSystemExclusive);
}

TEST_F(DialogInEditorTest, KeysOfTheDialogAreCarriedOutByTheMainWindow) {
    app_->Document().RecordOf(5)[rec::AssignCode] = CodeTempo;
    ClickControl(5);
    ASSERT_TRUE(ShowActive(AssignWindow()));
    TypeList()->setFocus();

    QTest::keyClick(TypeList(), Qt::Key_Delete); // NO ASSIGN, shown at once
    EXPECT_EQ(TypeList()->currentIndex(), MsgNoAssign);
    EXPECT_EQ(app_->Document().EditBuffer().record, AssignRecord{});
    EXPECT_TRUE(AssignWindow()->isVisible());

    QTest::keyClick(TypeList(), Qt::Key_F, Qt::ControlModifier); // applies, then R6 -> R7
    EXPECT_EQ(app_->Document().SelectedController(), 6);
    EXPECT_EQ(app_->Document().RecordOf(5), AssignRecord{});
    QTest::keyClick(TypeList(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(app_->Document().SelectedController(), 5);
}

TEST_F(DialogInEditorTest, PasteWhileTheDialogIsClosedReachesTheMap) {
    app_->Document().RecordOf(0)[rec::AssignCode] = CodeControlChange;
    app_->Document().RecordOf(0)[rec::Values] = 74;
    ClickControl(0);
    window_->RunCommand(cmd::Copy);
    ClickControl(20);
    FindByKelId<QPushButton>(AssignWindow(), CKelMsgDlg::IdCancel)->click();
    ASSERT_FALSE(AssignWindow()->isVisible());

    window_->RunCommand(cmd::Paste);
    EXPECT_EQ(app_->Document().RecordOf(20), app_->Document().RecordOf(0));
    EXPECT_TRUE(app_->Document().IsModified());
}

TEST_F(DialogInEditorTest, MinimiseHidesTheDialogAndCloseDestroysIt) {
    ClickControl(3);
    window_->setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(AssignWindow()->isVisible());
    window_->setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(AssignWindow()->isVisible());

    EXPECT_TRUE(window_->close());
    EXPECT_EQ(app_->AssignDialog().Window(), nullptr);
}

} // namespace
} // namespace kel

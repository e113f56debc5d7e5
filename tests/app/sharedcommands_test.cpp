// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's commands from every window: the assign dialog and the monitor take the main
// window's actions, so a key does the same wherever the user is, and Alt with a menu's letter
// opens that menu of the main window instead of changing a list. The views follow the document:
// a change made without any window's help shows at once.

#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include "app/kelmidi.h"
#include "app/monitorwindow.h"
#include "gui/common/ids.h"
#include "support/midigui_fixture.h"

namespace kel {
namespace {

class SharedCommandsTest : public MidiGuiTest {
protected:
    // The menu of the main window that is open, or null.
    QMenu* OpenMenu() const {
        QAction* active = window_->menuBar()->activeAction();
        return active != nullptr && active->menu() != nullptr && active->menu()->isVisible()
                   ? active->menu()
                   : nullptr;
    }

    void CloseMenus() {
        while (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    }
};

TEST_F(SharedCommandsTest, AltAndAMenuLetterInTheAssignDialogOpensThatMenuAndChangesNothing) {
    const ControllerId c1 = StoreStart("C1");
    const AssignRecord before = app_->Document().RecordOf(c1);
    ClickControl(c1);
    CKelMsgDlg* dialog = AssignWindow();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(ShowActive(dialog));
    auto* types = FindByKelId<QComboBox>(dialog, CKelMsgDlg::IdTypeList);
    ASSERT_NE(types, nullptr);
    types->setFocus();
    const int shownType = types->currentIndex();

    const struct {
        Qt::Key key;
        const char* menu;
    } letters[] = {{Qt::Key_C, "&Communication"}, {Qt::Key_F, "&File"}, {Qt::Key_E, "&Edit"}};
    for (const auto& letter : letters) {
        SCOPED_TRACE(letter.menu);
        ASSERT_TRUE(ShowActive(dialog));
        types->setFocus();
        QTest::keyClick(types, letter.key, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(OpenMenu() != nullptr, 60000);
        EXPECT_EQ(OpenMenu()->title(), letter.menu);
        CloseMenus();
        EXPECT_EQ(types->currentIndex(), shownType);
    }

    // Nothing reached the map, not even when the dialog is applied.
    ASSERT_EQ(dialog->ApplyAssignDialog(), 0);
    EXPECT_EQ(app_->Document().RecordOf(c1), before);
}

TEST_F(SharedCommandsTest, FileAndEditKeysDoTheSameFromTheMainWindowTheDialogAndTheMonitor) {
    const ControllerId c1 = StoreStart("C1");
    ClickControl(c1);
    CKelMsgDlg* dialog = AssignWindow();
    ASSERT_NE(dialog, nullptr);
    window_->RunCommand(cmd::Monitor);
    CMonitorWindow* monitor = Midi().MonitorWindow();
    ASSERT_NE(monitor, nullptr);

    const struct {
        const char* name;
        QWidget* window;
        QWidget* focus;
    } windows[] = {
        {"main window", window_, Panel()},
        {"assign dialog", dialog, FindByKelId<QComboBox>(dialog, CKelMsgDlg::IdTypeList)},
        {"monitor", monitor, monitor->View()},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.name);
        ASSERT_NE(w.focus, nullptr);
        // Save As asks for a control map file name.
        midiUi_.saveSuffix.clear();
        ASSERT_TRUE(ShowActive(w.window));
        w.focus->setFocus();
        QTest::keyClick(w.focus, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(midiUi_.saveSuffix, "mid");

        // Copy, NO ASSIGN and Paste work on the selected control, whatever window has the keys.
        app_->Document().RecordOf(c1) = AssignRecord{};
        StoreStart("C1");
        app_->Document().SelectController(c1);
        dialog->RefreshFromDocument();
        ASSERT_TRUE(ShowActive(w.window));
        w.focus->setFocus();
        QTest::keyClick(w.focus, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(w.focus, Qt::Key_Delete);
        dialog->ApplyAssignDialog();
        EXPECT_EQ(app_->Document().RecordOf(c1)[rec::AssignCode], 0);
        QTest::keyClick(w.focus, Qt::Key_V, Qt::ControlModifier);
        dialog->ApplyAssignDialog();
        EXPECT_EQ(app_->Document().RecordOf(c1)[rec::Values], 0xFA);
    }
}

TEST_F(SharedCommandsTest, ViewsFollowAChangeOfTheDocumentWithoutBeingRefreshed) {
    CParameter& doc = app_->Document();
    const ControllerId c1 = StoreStart("C1");
    doc.SelectController(c1);
    Panel()->setFocus(); // not a text field, which keeps Undo to itself
    ASSERT_FALSE(Action(cmd::Undo)->isEnabled());

    // A title and an assignment committed by the document alone.
    doc.CommitTitle("LIVE SET");
    EXPECT_EQ(TitleField()->text(), "LIVE SET");
    EXPECT_TRUE(Action(cmd::Undo)->isEnabled());
    doc.ClearAssign();
    EXPECT_EQ(doc.RecordOf(c1)[rec::AssignCode], 0); // the hidden dialog committed it

    // Undone from the stack's own action: the TITLE field shows the map again.
    Action(cmd::Undo)->trigger();
    Action(cmd::Undo)->trigger();
    EXPECT_EQ(doc.RecordOf(c1)[rec::Values], 0xFA);
    EXPECT_EQ(TitleField()->text(), "");

    // Learn from Input waits for a selected control only.
    doc.SelectController(kNoController);
    EXPECT_FALSE(Action(cmd::LearnFromInput)->isEnabled());
    doc.SelectController(c1);
    EXPECT_TRUE(Action(cmd::LearnFromInput)->isEnabled());
}

} // namespace
} // namespace kel

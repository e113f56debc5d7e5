// SPDX-License-Identifier: GPL-3.0-or-later
// Keys a musician can trust around the assign dialog: opened from the panel, no key, Alt letter
// or passing wheel changes an assignment; the field with the focus shows it; closing the dialog
// gives the keyboard back to the panel on the control just edited. F1 opens the help from every
// window, and Show Messages is kept for the next start.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QWheelEvent>

#include <functional>
#include <string>

#include "app/htmlviewer.h"
#include "gui/assign/sysrealpage.h"
#include "gui/common/ids.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

class AssignKeysTest : public EditorTest {
protected:
    // Control `name` sends Control Change 71 on channel 2.
    ControllerId StoreControlChange(const char* name) {
        const ControllerId id = FindController(name);
        AssignEntry entry;
        entry.SetMessageType(MsgChannel);
        entry.SetChannelKind(KindControlChange);
        entry.SetValue1(71);
        entry.SetChannel(1);
        app_->Document().RecordOf(id) = entry.record;
        return id;
    }

    // Double-clicks control `id` on the panel, as the user opens it; the dialog, once active.
    CKelMsgDlg* OpenFromPanel(ControllerId id) {
        QTest::mouseDClick(Panel(), Qt::LeftButton, Qt::NoModifier,
                           CKelPanel::ControlRectOf(id).center());
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        CKelMsgDlg* dialog = AssignWindow();
        if (dialog == nullptr || !QTest::qWaitForWindowActive(dialog)) {
            return nullptr;
        }
        return dialog;
    }

    // One notch of the wheel over `widget`, away from the user.
    static void WheelOver(QWidget* widget) {
        const QPointF centre = QRectF(widget->rect()).center();
        QWheelEvent wheel(centre, widget->mapToGlobal(centre), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &wheel);
    }

    static void CloseMenus() {
        while (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    }

    // Presses `key` where the keyboard is in `window`, closing any menu it opens.
    static void Press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        ASSERT_TRUE(ShowActive(window));
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, key, modifiers);
        QTest::qWait(20);
        CloseMenus();
    }
};

TEST_F(AssignKeysTest, NoKeyAltLetterOrPassingWheelChangesTheControlJustOpened) {
    const auto visibleLists = [](CKelMsgDlg* dialog) {
        QList<QComboBox*> shown;
        for (QComboBox* list : dialog->findChildren<QComboBox*>()) {
            if (list->isVisible()) {
                shown << list;
            }
        }
        return shown;
    };
    const struct {
        const char* what;
        std::function<void(CKelMsgDlg*)> act;
    } gestures[] = {
        {"Down and Up right after opening",
         [](CKelMsgDlg* dialog) {
             Press(dialog, Qt::Key_Down);
             Press(dialog, Qt::Key_Up);
         }},
        {"Alt+C right after opening",
         [](CKelMsgDlg* dialog) { Press(dialog, Qt::Key_C, Qt::AltModifier); }},
        {"Alt+F right after opening",
         [](CKelMsgDlg* dialog) { Press(dialog, Qt::Key_F, Qt::AltModifier); }},
        {"Alt with letters on each list, focused as by Tab",
         [&visibleLists](CKelMsgDlg* dialog) {
             for (QComboBox* list : visibleLists(dialog)) {
                 list->setFocus(Qt::TabFocusReason);
                 for (const Qt::Key letter :
                      {Qt::Key_C, Qt::Key_F, Qt::Key_N, Qt::Key_S, Qt::Key_P, Qt::Key_1}) {
                     Press(dialog, letter, Qt::AltModifier);
                 }
             }
         }},
        {"a wheel notch over each list without the focus",
         [&visibleLists](CKelMsgDlg* dialog) {
             for (QComboBox* list : visibleLists(dialog)) {
                 WheelOver(list);
             }
         }},
    };
    // C1 sends System Realtime Start, R1 Control Change 71 on channel 2.
    const ControllerId controls[] = {StoreStart("C1"), StoreControlChange("R1")};
    for (const auto& gesture : gestures) {
        for (const ControllerId id : controls) {
            SCOPED_TRACE(std::string(gesture.what) + " on " + std::string(ControllerName(id)));
            const AssignRecord before = app_->Document().RecordOf(id);
            CKelMsgDlg* dialog = OpenFromPanel(id);
            ASSERT_NE(dialog, nullptr);
            gesture.act(dialog);
            ASSERT_EQ(dialog->ApplyAssignDialog(), 0);
            EXPECT_EQ(app_->Document().RecordOf(id), before);
            dialog->reject();
        }
    }

    // The wheel still turns the list the user works in.
    CKelMsgDlg* dialog = OpenFromPanel(controls[0]);
    ASSERT_NE(dialog, nullptr);
    auto* status = FindByKelId<QComboBox>(dialog, CKelSysRealPage::IdStatusList);
    ASSERT_NE(status, nullptr);
    const int shown = status->currentIndex();
    status->setFocus(Qt::MouseFocusReason);
    WheelOver(status);
    EXPECT_NE(status->currentIndex(), shown);
    dialog->reject();
}

TEST_F(AssignKeysTest, TheFieldWithTheFocusShowsItHoweverTheFocusCame) {
    StoreControlChange("R1");
    CKelMsgDlg* dialog = OpenFromPanel(FindController("R1"));
    ASSERT_NE(dialog, nullptr);
    auto* types = FindByKelId<QComboBox>(dialog, CKelMsgDlg::IdTypeList);
    ASSERT_NE(types, nullptr);
    EXPECT_FALSE(types->hasFocus());
    // The list and what lies around it, as the dialog shows them.
    const auto look = [dialog, types] {
        const QRect around(types->mapTo(dialog, QPoint(0, 0)), types->size());
        return dialog->grab(around.adjusted(-4, -4, 4, 4)).toImage();
    };
    const QImage plain = look();
    for (const Qt::FocusReason reason : {Qt::MouseFocusReason, Qt::OtherFocusReason}) {
        SCOPED_TRACE(reason);
        types->setFocus(reason);
        ASSERT_TRUE(types->hasFocus());
        EXPECT_NE(look(), plain);
        dialog->setFocus();
        EXPECT_EQ(look(), plain);
    }
}

TEST_F(AssignKeysTest, ClosingTheDialogGivesTheKeyboardBackToThePanelOnTheControlJustEdited) {
    const ControllerId r1 = StoreControlChange("R1");
    const ControllerId c1 = StoreStart("C1");
    const struct {
        ControllerId id;
        Qt::Key key; // Enter is OK, Escape is Cancel
    } closings[] = {{r1, Qt::Key_Return}, {c1, Qt::Key_Escape}};
    for (const auto& closing : closings) {
        SCOPED_TRACE(ControllerName(closing.id));
        TitleField()->setFocus(); // somewhere else first
        CKelMsgDlg* dialog = OpenFromPanel(closing.id);
        ASSERT_NE(dialog, nullptr);
        QTest::keyClick(QApplication::focusWidget(), closing.key);
        EXPECT_FALSE(dialog->isVisible());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(Panel()));
        EXPECT_EQ(app_->Document().SelectedController(), closing.id);
        // The panel's next arrow starts from there.
        QTest::keyClick(Panel(), Qt::Key_Right);
        EXPECT_EQ(app_->Document().SelectedController(),
                  CKelPanel::KeyTarget(closing.id, Qt::Key_Right));
    }
}

TEST_F(AssignKeysTest, F1OpensTheHelpFromTheMainWindowAndTheAssignDialog) {
    app_->SetHelpFilePath(QDir(QStringLiteral(KEL_BUILD_DIR)).filePath("help/index_e.htm"));
    Panel()->setFocus();
    QTest::keyClick(Panel(), Qt::Key_F1);
    CHtmlViewer* help = app_->HelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    help->close();

    CKelMsgDlg* dialog = OpenFromPanel(StoreStart("C1"));
    ASSERT_NE(dialog, nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(ui_.warnings.isEmpty());
}

TEST_F(AssignKeysTest, ShowMessagesIsKeptForTheNextStart) {
    ASSERT_FALSE(Panel()->ShowLabels());
    Action(cmd::ShowMessages)->trigger();
    ASSERT_TRUE(Panel()->ShowLabels());

    ASSERT_TRUE(Start());
    EXPECT_TRUE(Panel()->ShowLabels());
    EXPECT_TRUE(Action(cmd::ShowMessages)->isChecked());
    Action(cmd::ShowMessages)->trigger();

    ASSERT_TRUE(Start());
    EXPECT_FALSE(Panel()->ShowLabels());
    EXPECT_FALSE(Action(cmd::ShowMessages)->isChecked());
}

} // namespace
} // namespace kel

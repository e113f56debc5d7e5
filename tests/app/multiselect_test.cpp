// SPDX-License-Identifier: GPL-3.0-or-later
// Several controls selected on the real panel by mouse and keyboard, and the commands that act on
// all of them: NO ASSIGN, Copy and Paste as one undo step each, Select Group and Edit Selected.
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

#include "app/undo.h"
#include "gui/assign/editselecteddlg.h"
#include "gui/assign/msgdlg.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

std::vector<ControllerId> Ids(std::initializer_list<const char*> names) {
    std::vector<ControllerId> ids;
    for (const char* name : names) {
        ids.push_back(FindController(name));
    }
    return ids;
}

class MultiSelectTest : public EditorTest {
protected:
    // A click on the middle of control `name` with `modifiers`, as the mouse gives it.
    void Click(const char* name, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect r = CKelPanel::ControlRectOf(FindController(name));
        QTest::mouseClick(Panel(), Qt::LeftButton, modifiers, r.center());
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Panel(), static_cast<Qt::Key>(key), modifiers);
        QCoreApplication::processEvents();
    }
    // The controls a screen reader is told are selected.
    std::vector<ControllerId> AccessiblySelected() {
        QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(Panel());
        std::vector<ControllerId> ids;
        for (int i = 0; i < panel->childCount(); ++i) {
            if (panel->child(i)->state().selected) {
                ids.push_back(i);
            }
        }
        return ids;
    }
    // Every control sends a Control Change of its own on channel 1 with a comment.
    void FillMap() {
        CParameter& doc = app_->Document();
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            AssignRecord& r = doc.RecordOf(id);
            r.fill(0);
            r[rec::AssignCode] = CodeControlChange;
            r[rec::Values] = static_cast<std::uint8_t>(id);
            r[rec::Values + 2] = 127;
            doc.SetMapComment(id, std::string("note ") + std::string(ControllerName(id)));
        }
        doc.SetModified(false);
        doc.MapWasReplaced();
    }
    void CloseAssignDialog() {
        if (AssignWindow() != nullptr && AssignWindow()->isVisible()) {
            FindByKelId<QPushButton>(AssignWindow(), CKelMsgDlg::IdCancel)->click();
        }
        Panel()->setFocus();
        QCoreApplication::processEvents();
    }
};

// Every gesture through the real panel: Ctrl+click toggles, Shift+click adds the run in reading
// order, a band dragged over the background selects what it touches (with Ctrl, adds), Ctrl+A
// selects all, Select Group the group, Shift+arrows extend, Ctrl+Space toggles, Escape keeps the
// selected control alone. Screen readers see the same selection; one selected control still
// opens the assign dialog, and the dialog follows the selected control.
TEST_F(MultiSelectTest, PanelGesturesSelectSeveralControlsAndScreenReadersSeeThem) {
    const CParameter& doc = app_->Document();
    Click("R1");
    ASSERT_NE(AssignWindow(), nullptr);
    EXPECT_TRUE(AssignWindow()->isVisible());
    CloseAssignDialog();

    Click("R3", Qt::ControlModifier);
    EXPECT_EQ(doc.SelectedControls(), Ids({"R1", "R3"}));
    EXPECT_EQ(doc.SelectedController(), FindController("R3"));
    EXPECT_FALSE(AssignWindow()->isVisible()); // selecting does not open the dialog
    Click("R6", Qt::ShiftModifier);
    EXPECT_EQ(doc.SelectedControls(), Ids({"R1", "R3", "R4", "R5", "R6"}));
    Click("R4", Qt::ControlModifier);
    EXPECT_EQ(doc.SelectedControls(), Ids({"R1", "R3", "R5", "R6"}));
    EXPECT_EQ(AccessiblySelected(), doc.SelectedControls());
    QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(Panel());
    EXPECT_TRUE(panel->state().multiSelectable);

    // The band around the nine sliders, started on the background above S1.
    QRect sliders = CKelPanel::ControlRectOf(FindController("S1"));
    sliders = sliders.united(CKelPanel::ControlRectOf(FindController("S9")));
    const QPoint from = sliders.topLeft() - QPoint(2, 2);
    const QPoint to = sliders.bottomRight() + QPoint(2, 2);
    ASSERT_LT(CKelPanel::HitTest(from.x(), from.y()), 0);
    QTest::mousePress(Panel(), Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(Panel(), (from + to) / 2);
    QTest::mouseRelease(Panel(), Qt::LeftButton, Qt::NoModifier, to);
    const std::vector<ControllerId> nine = ControlGroupOf(FindController("S1"));
    EXPECT_EQ(doc.SelectedControls(), nine);
    // With Ctrl, a band over R1 and R2 adds them.
    const QRect knobs = CKelPanel::ControlRectOf(0).united(CKelPanel::ControlRectOf(1));
    QTest::mousePress(Panel(), Qt::LeftButton, Qt::ControlModifier, knobs.topLeft() - QPoint(3, 3));
    QTest::mouseRelease(Panel(), Qt::LeftButton, Qt::ControlModifier,
                        knobs.bottomRight() - QPoint(0, 6));
    EXPECT_EQ(doc.SelectedCount(), 11u);
    const auto* count = window_->statusBar()->findChild<QLabel*>("selectionCount");
    ASSERT_NE(count, nullptr);
    EXPECT_TRUE(count->isVisible());
    EXPECT_EQ(count->text(), "11 controls selected");
    EXPECT_TRUE(doc.IsSelected(0) && doc.IsSelected(1) && doc.IsSelected(FindController("S9")));

    Key(Qt::Key_Escape);
    EXPECT_EQ(doc.SelectedCount(), 1u);
    EXPECT_FALSE(count->isVisible());
    Click("A1");
    CloseAssignDialog();
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(doc.SelectedControls(), Ids({"A1", "A2", "A3"}));
    EXPECT_EQ(doc.SelectedController(), FindController("A3"));
    Key(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(doc.SelectedControls(), Ids({"A1", "A2"}));
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(doc.SelectedCount(), 50u);
    EXPECT_EQ(AccessiblySelected().size(), 50u);
    Key(Qt::Key_Escape);
    Key(Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(doc.SelectedControls(), ControlGroupOf(FindController("A1")));

    // The dialog open on P1 follows the selected control of a Ctrl+click.
    Click("P1");
    ASSERT_TRUE(AssignWindow()->isVisible());
    Click("BEND", Qt::ControlModifier);
    EXPECT_EQ(doc.SelectedControls(), Ids({"P1", "BEND"}));
    EXPECT_TRUE(AssignWindow()->isVisible());
    EXPECT_EQ(FindByKelId<QLabel>(AssignWindow(), CKelMsgDlg::IdControllerName)->text(), "BEND");
}

// NO ASSIGN, Paste and Edit Selected on several controls are one undo step each, named for the
// count, and Undo brings back the map byte for byte; a paste whose count fits neither rule
// changes nothing and says why.
TEST_F(MultiSelectTest, CommandsOnASelectionAreOneUndoStepEach) {
    FillMap();
    CParameter& doc = app_->Document();
    const ControlMap start = doc.Map();
    const auto same = [&doc](const ControlMap& map) {
        return doc.Map().records == map.records && doc.Map().comments == map.comments;
    };

    Click("R1");
    CloseAssignDialog();
    Click("R3", Qt::ShiftModifier);
    window_->RunCommand(cmd::NoAssign);
    for (const ControllerId id : Ids({"R1", "R2", "R3"})) {
        EXPECT_EQ(doc.RecordOf(id)[rec::AssignCode], CodeNoAssign) << id;
        EXPECT_EQ(doc.GetMapComment(id), "") << id;
    }
    EXPECT_EQ(doc.RecordOf(FindController("R4")), start.records[3]);
    EXPECT_EQ(Action(cmd::Undo)->text(), "&Undo Clear 3 controls");
    window_->RunCommand(cmd::Undo);
    EXPECT_TRUE(same(start));

    // R1-R3 copied, pasted onto S1-S3 in reading order, comments and all.
    window_->RunCommand(cmd::Copy);
    Click("S1", Qt::ControlModifier);
    Click("S3", Qt::ShiftModifier);
    Click("R1", Qt::ControlModifier);
    Click("R2", Qt::ControlModifier);
    Click("R3", Qt::ControlModifier);
    ASSERT_EQ(doc.SelectedControls(), Ids({"S1", "S2", "S3"}));
    window_->RunCommand(cmd::Paste);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(doc.RecordOf(FindController("S1") + i), start.records[i]) << i;
        EXPECT_EQ(doc.GetMapComment(FindController("S1") + i), start.comments[i]) << i;
    }
    EXPECT_EQ(Action(cmd::Undo)->text(), "&Undo Paste 3 controls");
    window_->RunCommand(cmd::Undo);
    EXPECT_TRUE(same(start));

    // Three copied onto two selected: refused, with the reason in the status bar.
    Click("S3", Qt::ControlModifier);
    window_->RunCommand(cmd::Paste);
    EXPECT_TRUE(same(start));
    EXPECT_EQ(window_->statusBar()->currentMessage(),
              "3 controls were copied: select one control or as many as were copied to paste "
              "them.");

    // One copied control onto every selected one.
    Key(Qt::Key_Escape);
    window_->RunCommand(cmd::Copy);
    Click("A1", Qt::ControlModifier);
    Click("A4", Qt::ShiftModifier);
    ASSERT_EQ(doc.SelectedCount(), 5u); // S1 and A1-A4
    window_->RunCommand(cmd::Paste);
    for (const ControllerId id : doc.SelectedControls()) {
        EXPECT_EQ(doc.RecordOf(id), start.records[FindController("S1")]) << id;
    }
    window_->RunCommand(cmd::Undo);
    EXPECT_TRUE(same(start));
    EXPECT_EQ(doc.SelectedCount(), 5u); // Undo leaves the selection as it was
}

// All nine sliders to channel 2 in three actions: a click on S1, Select Group (Ctrl+G), and Edit
// Selected (Ctrl+E), which starts with the selection, with the channel ticked and set to 2.
TEST_F(MultiSelectTest, NineSlidersToChannelTwoInThreeActions) {
    FillMap();
    CParameter& doc = app_->Document();
    const ControlMap start = doc.Map();
    Click("S1"); // 1
    Panel()->setFocus();
    Key(Qt::Key_G, Qt::ControlModifier); // 2
    QString listed;
    ui_.onModal = [&](QDialog& dialog) {
        auto* edit = qobject_cast<CEditSelectedDlg*>(&dialog);
        ASSERT_NE(edit, nullptr);
        listed = edit->ControlsField()->text();
        edit->ChannelBox()->setChecked(true);
        edit->ChannelField()->setValue(2);
        edit->ApplyButton()->click();
    };
    Key(Qt::Key_E, Qt::ControlModifier); // 3
    EXPECT_EQ(listed, "S1-S9");
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const bool slider = id >= kFirstSlider && id < kFirstButtonA;
        EXPECT_EQ(doc.RecordOf(id)[rec::Channel], slider ? 1 : 0) << id;
    }
    EXPECT_EQ(Action(cmd::Undo)->text(), "&Undo Edit 9 controls");
    window_->RunCommand(cmd::Undo);
    EXPECT_TRUE(doc.Map().records == start.records);
}

} // namespace
} // namespace kel

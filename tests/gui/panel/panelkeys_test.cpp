// SPDX-License-Identifier: GPL-3.0-or-later
// The panel from the keyboard and for screen readers: the arrow keys' nearest-control rule on
// the device's own rectangles, the keys the panel sends to its owner, the focus frame, the
// accessible children and the tooltips that say the same.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

#include <gtest/gtest.h>

#include <queue>
#include <set>

#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "gui/panel/kelpanel.h"
#include "gui/panel/panelaccess.h"
#include "model/controllers.h"
#include "support/panel_fixture.h"
#include "support/qt_print.h"

namespace kel {
namespace {

ControllerId Id(const char* name) {
    return FindController(name);
}

ControllerId Move(const char* from, int key) {
    return CKelPanel::Neighbour(Id(from), key);
}

TEST(PanelArrowKeys, MoveToTheNearestControlThatWayOnThePicture) {
    // Along the rows and columns of the picture.
    EXPECT_EQ(Move("S3", Qt::Key_Left), Id("S2"));
    EXPECT_EQ(Move("S3", Qt::Key_Right), Id("S4"));
    EXPECT_EQ(Move("R1", Qt::Key_Down), Id("A1"));
    EXPECT_EQ(Move("A1", Qt::Key_Down), Id("B1"));
    EXPECT_EQ(Move("B1", Qt::Key_Up), Id("A1"));
    EXPECT_EQ(Move("B1", Qt::Key_Down), Id("L1"));
    EXPECT_EQ(Move("R4", Qt::Key_Right), Id("R5")); // across the gap between the groups
    // Between the groups: the knobs lead to H1, the H buttons to the sliders, the sliders back
    // to the C buttons.
    EXPECT_EQ(Move("R9", Qt::Key_Right), Id("H1"));
    EXPECT_EQ(Move("H2", Qt::Key_Right), Id("S1"));
    EXPECT_EQ(Move("S1", Qt::Key_Left), Id("C3")); // the nearer of C3 and H2
    EXPECT_EQ(Move("H1", Qt::Key_Down), Id("C1"));
    EXPECT_EQ(Move("MOD", Qt::Key_Down), Id("BEND"));
    EXPECT_EQ(Move("BEND", Qt::Key_Up), Id("MOD"));
    // Nothing lies beyond the picture's edges.
    EXPECT_EQ(Move("R1", Qt::Key_Left), kNoController);
    EXPECT_EQ(Move("R1", Qt::Key_Up), kNoController);
    EXPECT_EQ(Move("S9", Qt::Key_Right), kNoController);
    EXPECT_EQ(Move("L1", Qt::Key_Down), kNoController);
}

TEST(PanelArrowKeys, EveryControlCanBeReachedFromEveryOther) {
    // A control that no arrow leads to would be out of reach of keyboard users but for
    // Home/End and the next/previous commands.
    for (ControllerId start = 0; start < kControllerCount; ++start) {
        std::set<ControllerId> seen{start};
        std::queue<ControllerId> todo;
        todo.push(start);
        while (!todo.empty()) {
            const ControllerId id = todo.front();
            todo.pop();
            for (int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
                const ControllerId next = CKelPanel::Neighbour(id, key);
                if (next != kNoController && seen.insert(next).second) {
                    todo.push(next);
                }
            }
        }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(kControllerCount))
            << "from " << ControllerName(start);
    }
}

TEST(PanelArrowKeys, ANeighbourLiesThatWayAndNeverIsTheControlItself) {
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const QRect a = CKelPanel::ControlRectOf(id);
        for (int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
            const ControllerId next = CKelPanel::Neighbour(id, key);
            if (next == kNoController) {
                continue;
            }
            SCOPED_TRACE(std::string(ControllerName(id)) + " -> " +
                         std::string(ControllerName(next)));
            const QPoint d = CKelPanel::ControlRectOf(next).center() - a.center();
            EXPECT_NE(next, id);
            switch (key) {
            case Qt::Key_Left:
                EXPECT_LT(d.x(), 0);
                break;
            case Qt::Key_Right:
                EXPECT_GT(d.x(), 0);
                break;
            case Qt::Key_Up:
                EXPECT_LT(d.y(), 0);
                break;
            default:
                EXPECT_GT(d.y(), 0);
                break;
            }
        }
    }
}

// The notifications the panel sent or posted to its owner, after the posted ones arrived.
std::vector<std::pair<int, int>> Notes(PanelOwner& owner) {
    QCoreApplication::sendPostedEvents();
    return std::exchange(owner.notes, {});
}

TEST_F(PanelTest, KeysAskTheOwnerToSelectOrOpenAControl) {
    using Note = std::pair<int, int>;
    panel_->setFocus();
    // Nothing selected: an arrow starts at the first control; End goes to the last.
    QTest::keyClick(panel_, Qt::Key_Down);
    EXPECT_EQ(Notes(owner_), (std::vector<Note>{{NotifySelectControl, 0}}));
    QTest::keyClick(panel_, Qt::Key_End);
    EXPECT_EQ(Notes(owner_), (std::vector<Note>{{NotifySelectControl, kAft}}));
    // Enter with nothing selected opens nothing.
    QTest::keyClick(panel_, Qt::Key_Return);
    EXPECT_TRUE(Notes(owner_).empty());

    document_.SelectController(Id("S2"));
    QTest::keyClick(panel_, Qt::Key_Right);
    EXPECT_EQ(Notes(owner_), (std::vector<Note>{{NotifySelectControl, Id("S3")}}));
    QTest::keyClick(panel_, Qt::Key_Home);
    EXPECT_EQ(Notes(owner_), (std::vector<Note>{{NotifySelectControl, 0}}));
    // Enter and Space open the selected control as a click does.
    QTest::keyClick(panel_, Qt::Key_Return);
    QTest::keyClick(panel_, Qt::Key_Space);
    EXPECT_EQ(Notes(owner_),
              (std::vector<Note>{{NotifyOpenAssign, Id("S2")}, {NotifyOpenAssign, Id("S2")}}));
    // No control beyond the edge, or a modifier held: the selection stays.
    document_.SelectController(Id("S9"));
    QTest::keyClick(panel_, Qt::Key_Right);
    QTest::keyClick(panel_, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_TRUE(Notes(owner_).empty());
}

TEST_F(PanelTest, FocusFrameShowsOnlyWhileThePanelHasTheFocus) {
    document_.SelectController(Id("P1"));
    const QRect control = CKelPanel::ControlRectOf(Id("P1"));
    // The frame runs 4 pixels outside the control, beyond the red selection frame.
    const int y = control.center().y();
    const int x = control.left() - 4;
    const QImage before = Picture();
    panel_->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(panel_->hasFocus());
    const QImage focused = Picture();
    std::set<QRgb> frame;
    for (int dy = -6; dy <= 6; ++dy) {
        frame.insert(focused.pixel(x, y + dy) & 0xFFFFFF);
    }
    EXPECT_EQ(frame, (std::set<QRgb>{0x000000, 0xFFFFFF})); // black and white dashes
    EXPECT_NE(before.pixel(x, y), focused.pixel(x, y));
    // The red selection frame is still there, inside it.
    EXPECT_EQ(focused.pixel(control.left(), y) & 0xFFFFFF, 0xFF0000u);
    panel_->clearFocus();
    EXPECT_EQ(Picture(), before);
}

TEST_F(PanelTest, ScreenReadersSeeTheFiftyControlsWithTheirAssignments) {
    QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(panel_);
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(panel->childCount(), kControllerCount);
    std::set<QString> names;
    for (int i = 0; i < kControllerCount; ++i) {
        QAccessibleInterface* child = panel->child(i);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(panel->indexOfChild(child), i);
        EXPECT_EQ(child->parent(), panel);
        names.insert(child->text(QAccessible::Name));
        // Where a screen reader points is the control.
        const QPoint centre = child->rect().center();
        EXPECT_EQ(panel->childAt(centre.x(), centre.y()), child);
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kControllerCount));

    QAccessibleInterface* s3 = panel->child(Id("S3"));
    EXPECT_EQ(s3->text(QAccessible::Name), "S3 slider");
    EXPECT_EQ(s3->role(), QAccessible::Slider);
    EXPECT_EQ(panel->child(Id("R1"))->role(), QAccessible::Dial);
    EXPECT_EQ(panel->child(kBend)->text(QAccessible::Name), "BEND wheel");
    EXPECT_EQ(s3->text(QAccessible::Description), "NO ASSIGN");

    // A changed assignment is what the description says.
    AssignEntry& edit = document_.EditBuffer();
    document_.SelectController(Id("S3"));
    edit.SetMessageType(MsgChannel);
    edit.SetChannelKind(KindControlChange);
    edit.SetValue1(74);
    edit.SetChannel(2);
    edit.SetPort(1);
    edit.SetComment("Cutoff");
    document_.CommitEdit();
    EXPECT_EQ(s3->text(QAccessible::Description),
              "Control Change 74 (Brightness), channel 3, Port 2. Cutoff");
    EXPECT_TRUE(s3->state().selected);
    EXPECT_FALSE(panel->child(0)->state().selected);

    // The default action opens the assign dialog as a click does.
    QAccessibleActionInterface* actions = s3->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_FALSE(actions->actionNames().isEmpty());
    EXPECT_EQ(actions->actionNames().front(), QAccessibleActionInterface::pressAction());
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(Notes(owner_), (std::vector<std::pair<int, int>>{{NotifyOpenAssign, Id("S3")}}));
}

// The mouse resting on a control shows its name and assignment: the words screen readers get,
// as text, whatever the comment holds.
TEST_F(PanelTest, TheMouseRestingOnAControlShowsWhatScreenReadersAreTold) {
    const auto tipAt = [this](QPoint point) {
        QHelpEvent help(QEvent::ToolTip, point, panel_->mapToGlobal(point));
        QCoreApplication::sendEvent(panel_, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    const auto shownText = [](const QString& tip) {
        QTextDocument page;
        page.setHtml(tip);
        return page.toPlainText();
    };
    AssignEntry& edit = document_.EditBuffer();
    document_.SelectController(Id("S3"));
    edit.SetMessageType(MsgChannel);
    edit.SetChannelKind(KindControlChange);
    edit.SetValue1(74);
    edit.SetPort(1);
    // A comment beyond ASCII (held as UTF-8) reads as typed; a bidirectional control in it shows
    // as an escape instead of turning the rest around.
    edit.SetComment("Cut<b>off</b> &amp; \xE3\x83\x95\xE3\x82\xA3\xE3\x83\xAB \xE2\x80\xAEgnp");
    document_.CommitEdit();

    QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(panel_);
    ASSERT_NE(panel, nullptr);
    for (const char* name : {"S3", "R1", "BEND"}) {
        SCOPED_TRACE(name);
        QAccessibleInterface* control = panel->child(Id(name));
        const QString tip = tipAt(CKelPanel::ControlRectOf(Id(name)).center());
        EXPECT_EQ(tip, Qt::convertFromPlainText(control->text(QAccessible::Name) + "\n" +
                                                    control->text(QAccessible::Description),
                                                Qt::WhiteSpaceNormal));
    }
    const QString s3 = shownText(tipAt(CKelPanel::ControlRectOf(Id("S3")).center()));
    EXPECT_TRUE(s3.startsWith("S3 slider")) << s3.toStdString();
    EXPECT_TRUE(s3.endsWith(
        QString::fromUtf8("Control Change 74 (Brightness), channel 1, Port 2. Cut<b>off</b> "
                          "&amp; \xE3\x83\x95\xE3\x82\xA3\xE3\x83\xAB "
                          "\\u202egnp")))
        << s3.toStdString();

    // Between the controls the panel explains nothing.
    tipAt(QPoint(55, 38));
    QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 60000);
}

} // namespace
} // namespace kel

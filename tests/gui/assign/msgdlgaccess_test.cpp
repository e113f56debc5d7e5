// SPDX-License-Identifier: GPL-3.0-or-later
// The assign dialog for screen readers and the keyboard: every field named on every page, the
// tab order in reading order, the focus on the first field when it opens, Escape closing it.
#include <QTest>

#include <gtest/gtest.h>

#include "gui/assign/chmsgpage.h"
#include "gui/assign/msgdlg.h"
#include "gui/common/accedit.h"
#include "model/parameter.h"
#include "model/reporter.h"
#include "support/access.h"
#include "support/qt_print.h"
#include "support/widgets.h"

namespace kel {
namespace {

class SilentReporter : public Reporter {
public:
    void warn(StringId, int) override {}
};

class AssignDialogAccessTest : public ::testing::Test {
protected:
    void Open(ControllerId id, int type, int kind = -1) {
        AssignEntry e;
        e.SetMessageType(type);
        if (kind >= 0) {
            e.SetChannelKind(kind);
        }
        doc_.RecordOf(id) = e.record;
        dlg_.reject(); // an empty message text shown before would refuse to leave
        ASSERT_TRUE(dlg_.OpenAssignDialog(id));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg_));
    }

    CParameter doc_;
    SilentReporter reporter_;
    CKelMsgDlg dlg_{doc_, reporter_};
};

TEST_F(AssignDialogAccessTest, EveryPageIsNamedInReadingOrderAndTabStartsAtItsFirstField) {
    const struct {
        ControllerId id;
        int type;
        int kind;
    } cases[] = {{FindController("A1"), MsgChannel, KindNote},
                 {FindController("R1"), MsgChannel, KindBankProgramChange},
                 {FindController("S1"), MsgChannel, KindProgramChangeRange},
                 {FindController("A2"), MsgSystemRealtime, -1},
                 {FindController("B1"), MsgSystemExclusive, -1},
                 {FindController("C1"), MsgFreeMessage, -1},
                 {FindController("H1"), MsgTempo, -1},
                 {FindController("L1"), MsgNoAssign, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(ControllerName(c.id)) + " type " + std::to_string(c.type));
        Open(c.id, c.type, c.kind);
        EXPECT_EQ(UnnamedFields(&dlg_), QStringList{});
        EXPECT_EQ(AgainstReadingOrder(&dlg_), QStringList{});
        ASSERT_FALSE(TabOrder(&dlg_).isEmpty());
        // The dialog opens with the keyboard on itself; the first Tab reaches the first field.
        EXPECT_EQ(dlg_.focusWidget(), &dlg_);
        QTest::keyClick(&dlg_, Qt::Key_Tab);
        EXPECT_EQ(dlg_.focusWidget(), TabOrder(&dlg_).front());
    }
}

TEST_F(AssignDialogAccessTest, EscapeCancelsFromAnyFieldAndEnterInAPageDoesNot) {
    Open(FindController("R1"), MsgChannel, KindControlChange);
    QWidget* field = dlg_.ChannelPage()->Field(0);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(dlg_.isVisible());
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(dlg_.isVisible());
}

} // namespace
} // namespace kel

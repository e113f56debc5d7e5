// SPDX-License-Identifier: GPL-3.0-or-later
// Options > Middle C: the octave the editor names note 60 in, through the real menu actions,
// the open assign dialog, the panel's accessible description, the monitor and the next start.
#include <QAccessible>
#include <QLabel>
#include <QTableView>

#include "app/monitorwindow.h"
#include "gui/assign/chmsgpage.h"
#include "gui/common/ids.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

class MiddleCTest : public EditorTest {
protected:
    // R1 plays note 60 and its assign dialog is open.
    void OpenNote60() {
        AssignEntry entry;
        entry.SetMessageType(MsgChannel);
        entry.SetChannelKind(KindNote);
        entry.SetValueAt(0, 60);
        app_->Document().RecordOf(0) = entry.record;
        app_->Document().MapWasReplaced();
        ClickControl(0);
        ASSERT_NE(AssignWindow(), nullptr);
    }
    // The name the channel page shows beside the note number.
    QString PageNoteName() const {
        auto* name =
            FindByKelId<QLabel>(AssignWindow()->ChannelPage(), CKelChMsgPage::IdFieldName[0]);
        return name != nullptr && name->isVisible() ? name->text() : QString();
    }
    // What a screen reader hears of R1 on the panel.
    QString PanelDescription() const {
        QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(Panel());
        return panel != nullptr ? panel->child(0)->text(QAccessible::Description) : QString();
    }
};

TEST_F(MiddleCTest, C4NamesNote60EverywhereAtOnceAndIsKeptForTheNextStart) {
    OpenNote60();
    EXPECT_TRUE(Action(cmd::MiddleC3)->isChecked());
    EXPECT_FALSE(Action(cmd::MiddleC4)->isChecked());
    EXPECT_EQ(PageNoteName(), "C3");
    EXPECT_TRUE(PanelDescription().startsWith("Note 60 (C3), channel 1"))
        << PanelDescription().toStdString();
    {
        // The monitor goes with this scope, before the editor is started again.
        CMonitorWindow monitor(app_->Parts(), window_);
        monitor.AddLines({{1.0, QStringLiteral("KEL"), {0x90, 60, 100}, {0}}});
        const auto heard = [&monitor] {
            return monitor.View()
                ->model()
                ->index(0, CMonitorLines::MessageColumn)
                .data()
                .toString();
        };
        EXPECT_EQ(heard(), "Note On 60 vel 100, ch 1 (C3)");

        Action(cmd::MiddleC4)->trigger();
        EXPECT_TRUE(Action(cmd::MiddleC4)->isChecked());
        EXPECT_FALSE(Action(cmd::MiddleC3)->isChecked());
        EXPECT_EQ(PageNoteName(), "C4"); // the open dialog, without touching it
        EXPECT_TRUE(PanelDescription().startsWith("Note 60 (C4), channel 1"))
            << PanelDescription().toStdString();
        EXPECT_EQ(heard(), "Note On 60 vel 100, ch 1 (C4)"); // a line heard before, too
        EXPECT_TRUE(monitor.ShownText().contains("(C4)"));
    }

    ASSERT_TRUE(Start());
    EXPECT_TRUE(Action(cmd::MiddleC4)->isChecked());
    OpenNote60();
    EXPECT_EQ(PageNoteName(), "C4");
    EXPECT_TRUE(PanelDescription().startsWith("Note 60 (C4)")) << PanelDescription().toStdString();

    Action(cmd::MiddleC3)->trigger();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(Action(cmd::MiddleC3)->isChecked());
    OpenNote60();
    EXPECT_EQ(PageNoteName(), "C3");
}

} // namespace
} // namespace kel

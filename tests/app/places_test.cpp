// SPDX-License-Identifier: GPL-3.0-or-later
// What the editor remembers of where the user works: the place of the assign dialog and the
// folder of the file dialogs, within a run and across runs.
#include <QDir>
#include <QGuiApplication>
#include <QScreen>

#include "support/editor_fixture.h"

namespace kel {
namespace {

TEST_F(EditorTest, TheAssignDialogReopensWhereTheUserLeftItAfterARestart) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    ClickControl(0);
    ASSERT_NE(AssignWindow(), nullptr);
    const QPoint beside = AssignWindow()->pos();
    const QPoint moved = area.topLeft() + QPoint(37, 23);
    ASSERT_NE(beside, moved);
    AssignWindow()->move(moved);
    AssignWindow()->reject();

    ASSERT_TRUE(Start()); // a new editor over the same settings
    ClickControl(3);
    ASSERT_NE(AssignWindow(), nullptr);
    EXPECT_EQ(AssignWindow()->pos(), moved);

    // A place the user dragged partly off the screen comes back whole onto it.
    AssignWindow()->move(area.right() - 20, area.top() + 10);
    window_->close(); // the dialog goes with the main window
    ASSERT_TRUE(Start());
    ClickControl(3);
    ASSERT_NE(AssignWindow(), nullptr);
    EXPECT_TRUE(area.contains(AssignWindow()->frameGeometry()))
        << AssignWindow()->frameGeometry().x() << "," << AssignWindow()->frameGeometry().y() << " "
        << AssignWindow()->frameGeometry().width() << "x"
        << AssignWindow()->frameGeometry().height() << " in " << area.width() << "x"
        << area.height();
    EXPECT_EQ(AssignWindow()->pos().y(), area.top() + 10);
}

TEST_F(EditorTest, TheMainWindowStartsAtTheLeftThenWhereTheUserLeftIt) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window_->frameGeometry().topLeft(), area.topLeft());
    const QPoint moved = area.topLeft() + QPoint(41, 27);
    window_->move(moved);
    window_->close();
    ASSERT_TRUE(Start());
    EXPECT_EQ(window_->pos(), moved);
}

class LostScreenTest : public EditorTest {
protected:
    // A place on a screen that is no longer there.
    void PrepareStore(QSettings& store) override {
        store.setValue("Settings/Assign Dialog Position", QPoint(-30000, -30000));
    }
};

TEST_F(LostScreenTest, APlaceOnNoScreenOpensTheDialogBesideTheWindow) {
    ClickControl(0);
    ASSERT_NE(AssignWindow(), nullptr);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(area.contains(AssignWindow()->frameGeometry()));
    EXPECT_FALSE(AssignWindow()->frameGeometry().intersects(window_->frameGeometry()));
}

TEST_F(EditorTest, FileDialogsStartInTheMapsFolderElseTheLastFolderUsed) {
    // Nothing picked yet, no map: the working folder.
    window_->RunCommand(cmd::Open);
    EXPECT_EQ(ui_.openStart, "");

    QDir(dir_.path()).mkpath("maps");
    QDir(dir_.path()).mkpath("lists");
    const QString maps = TempPath("maps");
    const QString map = WriteMapFile("maps/Live Set.mid");
    ui_.openPaths = {map};
    window_->RunCommand(cmd::Open);
    ASSERT_EQ(CAppSettings::FromFsPath(app_->Files().CurrentPath()), map);

    // With a map open: its folder; Save As proposes its file, Export its name as a list.
    window_->RunCommand(cmd::Open);
    EXPECT_EQ(ui_.openStart, maps);
    window_->RunCommand(cmd::SaveAs);
    EXPECT_EQ(ui_.saveStart, maps + "/Live Set.mid");
    ui_.savePaths = {TempPath("lists/Live Set.htm")};
    window_->RunCommand(cmd::ExportList);
    EXPECT_EQ(ui_.saveStart, maps + "/Live Set.htm");
    ASSERT_TRUE(QFile::exists(TempPath("lists/Live Set.htm")));

    // Untitled again: the folder last picked from, also after a restart.
    window_->RunCommand(cmd::New);
    window_->RunCommand(cmd::Open);
    EXPECT_EQ(ui_.openStart, TempPath("lists"));
    ASSERT_TRUE(Start());
    window_->RunCommand(cmd::ExportList);
    EXPECT_EQ(ui_.saveStart, TempPath("lists"));
}

} // namespace
} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// Options › Library in the running editor: the dock beside the panel, its list following the
// folder while files come, change and go, the search, and opening a map or a history entry.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

#include "app/librarywindow.h"
#include "app/monitorwindow.h"
#include "app/takecontrolsdlg.h"
#include "files/mapfile.h"
#include "gui/common/ids.h"
#include "gui/common/viewoptions.h"
#include "model/appname.h"
#include "session/history.h"
#include "session/mapfiles.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

// A map whose control S1 sends CC `number` on channel 2.
void WriteMap(const QString& path, const std::string& title, int number) {
    CParameter document;
    document.Map().title = title;
    AssignEntry entry;
    entry.SetChannelKind(KindControlChange);
    entry.SetChannel(1);
    entry.SetValue1(number);
    document.Map().records[static_cast<std::size_t>(FindController("S1"))] = entry.record;
    fs::create_directories(fs::path(CAppSettings::ToFsPath(path)).parent_path());
    ASSERT_TRUE(SaveMapDocument(CAppSettings::ToFsPath(path), document).Ok());
}

class LibraryDockTest : public EditorTest {
protected:
    CLibraryWindow* Library() const { return window_->Library(); }

    // Waits for the refresh the folder's change or a command started.
    bool WaitRefreshed() {
        QSignalSpy refreshed(Library(), &CLibraryWindow::Refreshed);
        return refreshed.wait(60000);
    }

    // The titles listed, in the view's order, each with its matching controls.
    QStringList Listed() const {
        QStringList listed;
        const QAbstractItemModel* model = Library()->View()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            QString line = model->index(row, CLibraryModel::TitleColumn).data().toString();
            const QString controls =
                model->index(row, CLibraryModel::ControlsColumn).data().toString();
            if (!controls.isEmpty()) {
                line += QLatin1Char(':') + controls;
            }
            listed.append(line);
        }
        return listed;
    }

    int RowOf(const QString& title) const {
        for (int row = 0; row < Library()->Model().rowCount(); ++row) {
            if (Library()->Model().Entry(row).title == title.toStdString()) {
                return row;
            }
        }
        return -1;
    }
};

TEST_F(LibraryDockTest, TheListFollowsTheFolderAndOpensTheChosenMap) {
    const QString maps = TempPath(QStringLiteral("maps"));
    WriteMap(maps + QStringLiteral("/alpha.mid"), "Alpha", 74);
    { std::ofstream(CAppSettings::ToFsPath(maps + QStringLiteral("/broken.mid"))) << "no map"; }
    window_->RunCommand(cmd::Library);
    ASSERT_TRUE(Library()->isVisible());
    EXPECT_TRUE(Action(cmd::Library)->isChecked());
    // Beside the panel, never over it.
    const QRect panel(Panel()->mapToGlobal(QPoint(0, 0)), Panel()->size());
    const QRect dock(Library()->mapToGlobal(QPoint(0, 0)), Library()->size());
    EXPECT_FALSE(panel.intersects(dock));

    Library()->SetFolder(maps);
    ASSERT_TRUE(WaitRefreshed());
    EXPECT_EQ(CAppSettings::LibraryFolder(app_->Store()), maps);
    Library()->View()->sortByColumn(CLibraryModel::FileColumn, Qt::AscendingOrder);
    EXPECT_EQ(Listed(), QStringList({"Alpha", "(cannot be read)"}));
    // The file that is no map is greyed and says why.
    const QModelIndex broken = Library()->View()->model()->index(1, CLibraryModel::TitleColumn);
    EXPECT_TRUE(broken.data(Qt::ForegroundRole).isValid());
    EXPECT_TRUE(broken.data(Qt::ToolTipRole).toString().contains(QStringLiteral("broken.mid")));

    // Files that come, change and go while the library is open.
    WriteMap(maps + QStringLiteral("/sub/bravo.mid"), "Bravo", 74);
    ASSERT_TRUE(WaitRefreshed());
    WriteMap(maps + QStringLiteral("/sub/charlie.mid"), "Charlie", 75);
    ASSERT_TRUE(WaitRefreshed());
    WriteMap(maps + QStringLiteral("/alpha.mid"), "Alpha 2", 74);
    ASSERT_TRUE(WaitRefreshed());
    ASSERT_TRUE(QFile::remove(maps + QStringLiteral("/broken.mid")));
    ASSERT_TRUE(WaitRefreshed());
    Library()->View()->sortByColumn(CLibraryModel::TitleColumn, Qt::AscendingOrder);
    EXPECT_EQ(Listed(), QStringList({"Alpha 2", "Bravo", "Charlie"}));

    // The search answers as the user types.
    Library()->SearchField()->setText(QStringLiteral("S1 CC 74"));
    EXPECT_EQ(Listed(), QStringList({"Alpha 2:S1", "Bravo:S1"}));
    Library()->SearchField()->setText(QStringLiteral("brightness ch 2 char"));
    EXPECT_EQ(Listed(), QStringList({}));
    Library()->SearchField()->setText(QStringLiteral("Charlie"));
    EXPECT_EQ(Listed(), QStringList({"Charlie"}));

    // Double-click (or Enter) opens the map as any open does.
    Library()->OpenRow(RowOf(QStringLiteral("Charlie")));
    EXPECT_EQ(app_->Document().Map().title, "Charlie");
    EXPECT_EQ(app_->Files().CurrentPath(),
              CAppSettings::ToFsPath(
                  QFileInfo(maps + QStringLiteral("/sub/charlie.mid")).canonicalFilePath()));

    // Take Controls… compares the open map with the chosen one: S1 of Alpha 2 (CC 74) comes
    // into Charlie (CC 75) as one undo step.
    Library()->SearchField()->clear();
    Library()->View()->selectRow(Library()->View()->model()->index(0, 0).row());
    Library()->View()->setCurrentIndex(Library()->View()->model()->index(0, 0));
    ASSERT_EQ(Library()->View()->currentIndex().data().toString(), "Alpha 2");
    ASSERT_TRUE(Library()->TakeButton()->isEnabled());
    QStringList offered;
    ui_.onModal = [&](QDialog& dialog) {
        auto* take = qobject_cast<CTakeControlsDlg*>(&dialog);
        ASSERT_NE(take, nullptr);
        for (int i = 0; i < take->List()->topLevelItemCount(); ++i) {
            offered << take->List()->topLevelItem(i)->text(0);
        }
        take->GroupBox(FindController("S1"))->click();
        take->TakeButton()->click();
    };
    Library()->TakeButton()->click();
    EXPECT_EQ(offered, QStringList({"S1"}));
    const ControllerId s1 = FindController("S1");
    const auto numberOfS1 = [this, s1] {
        AssignEntry entry;
        entry.record = app_->Document().RecordOf(s1);
        return entry.GetValue1();
    };
    EXPECT_EQ(numberOfS1(), 74);
    Panel()->setFocus(); // the search field would keep Undo for itself
    EXPECT_EQ(Action(cmd::Undo)->text(), "&Undo Take S1 from alpha.mid");
    window_->RunCommand(cmd::Undo);
    EXPECT_EQ(numberOfS1(), 75);

    // The history is read where the editor writes it, also when KEL_HISTORY_DIR points
    // elsewhere; an entry opens as an untitled copy.
    const QString history = TempPath(QStringLiteral("history"));
    qputenv(kHistoryFolderVariable, QFile::encodeName(history));
    WriteMap(history + QStringLiteral("/20260101-120000-received.mid"), "On the device", 10);
    Library()->ShowSection(CLibraryWindow::Section::History);
    ASSERT_TRUE(WaitRefreshed());
    EXPECT_EQ(Library()->ShownFolder(), history);
    Library()->SearchField()->clear();
    ASSERT_EQ(Listed(), QStringList({"On the device"}));
    Library()->OpenRow(0);
    EXPECT_EQ(app_->Document().Map().title, "On the device");
    EXPECT_EQ(app_->Files().CurrentPath(), "");
    qunsetenv(kHistoryFolderVariable);

    // Hidden and shown again with the editor.
    window_->RunCommand(cmd::Library);
    EXPECT_FALSE(Library()->isVisible());
    EXPECT_FALSE(CAppSettings::LibraryShown(app_->Store()));
    window_->RunCommand(cmd::Library);
    EXPECT_TRUE(CAppSettings::LibraryShown(app_->Store()));
}

// The library and the monitor each keep the main window's state; showing one where it was left
// neither shows nor hides the other.
TEST_F(LibraryDockTest, TheLibraryAndTheMonitorKeepTheirPlacesApart) {
    {
        CMonitorWindow monitor(app_->Parts(), window_);
        monitor.ShowInPlace(); // kept with the library hidden
        monitor.hide();
    }
    window_->RunCommand(cmd::Library);
    ASSERT_TRUE(Start());
    QTest::qWait(50);
    ASSERT_TRUE(Library()->isVisible());
    CMonitorWindow monitor(app_->Parts(), window_);
    monitor.ShowInPlace();
    EXPECT_TRUE(monitor.isVisible());
    EXPECT_TRUE(Library()->isVisible());
}

TEST(LibraryIndexPlace, IsTheEditorsOwnCacheFolder) {
    const QString organisation = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    // The test programs keep Qt's folders apart; the editor uses the real ones.
    const bool testMode = QStandardPaths::isTestModeEnabled();
    QStandardPaths::setTestModeEnabled(false);
    EXPECT_EQ(QString::fromStdString(DefaultLibraryCacheFolder()),
              QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
    QStandardPaths::setTestModeEnabled(testMode);
    QCoreApplication::setOrganizationName(organisation);
    QCoreApplication::setApplicationName(application);
}

TEST_F(LibraryDockTest, TheSearchNamesNotesAsOptionsMiddleCDoes) {
    const QString maps = TempPath(QStringLiteral("maps"));
    CParameter document;
    document.Map().title = "Keys";
    AssignEntry entry;
    entry.SetChannelKind(KindNote);
    entry.SetValue1(60);
    document.Map().records[static_cast<std::size_t>(FindController("R1"))] = entry.record;
    fs::create_directories(CAppSettings::ToFsPath(maps));
    ASSERT_TRUE(
        SaveMapDocument(CAppSettings::ToFsPath(maps + QStringLiteral("/keys.mid")), document).Ok());
    window_->RunCommand(cmd::Library);
    Library()->SetFolder(maps);
    ASSERT_TRUE(WaitRefreshed());

    Library()->SearchField()->setText(QStringLiteral("C4"));
    EXPECT_EQ(Listed(), QStringList({}));
    // Options › Middle C: the list follows at once, and the names typed then.
    app_->ViewOptions().SetMiddleC(MiddleC::C4);
    EXPECT_EQ(Listed(), QStringList({"Keys:R1"}));
    Library()->SearchField()->setText(QStringLiteral("C3"));
    EXPECT_EQ(Listed(), QStringList({}));
}

} // namespace
} // namespace kel

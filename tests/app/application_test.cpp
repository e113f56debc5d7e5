// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: start-up with its settings and command line, the recent-file list,
// Help, About, the file commands wired to the window, and the single-instance rule.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBrowser>

#include "app/singleinstance.h"
#include "gui/common/uitext.h"
#include "support/access.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

QPushButton* FindButton(QWidget* window, const QString& text) {
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

TEST_F(EditorTest, StartsUntitledAndEmpty) {
    EXPECT_EQ(window_->windowTitle(), "Untitled - VOSTEL KEL Editor");
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(TitleField()->hasFocus());
    EXPECT_FALSE(app_->Document().IsModified());
}

class StoredSettingsTest : public EditorTest {
protected:
    void SetUp() override {}
    void PrepareStore(QSettings& store) override {
        store.setValue("MIDI Device/Input", QString(40, QLatin1Char('i')));
        store.setValue("MIDI Device/Output", "KEL Port 1");
        store.setValue("Recent File List/File1", missing_);
        store.setValue("Recent File List/File2", good_);
    }
    QString missing_;
    QString good_;
};

TEST_F(StoredSettingsTest, PortNamesAreCutAndAFailedRecentEntryLeavesTheList) {
    // Write a map file with a first editor, then start again with it in the list.
    ASSERT_TRUE(Start({"kel-editor"}));
    good_ = WriteMapFile("good.mid");
    missing_ = TempPath("gone.mid");
    ASSERT_TRUE(Start({"kel-editor"}));

    EXPECT_EQ(app_->Settings().PreferredInput(), QString(31, QLatin1Char('i')));
    EXPECT_EQ(app_->Settings().PreferredOutput(), "KEL Port 1");
    ASSERT_EQ(app_->Files().RecentFiles().Size(), 2u);

    window_->RunCommand(cmd::RecentFileFirst); // the missing file
    ASSERT_EQ(ui_.warnings.size(), 1);
    EXPECT_TRUE(ui_.warnings[0].startsWith("An error occurred while loading the file."));
    ASSERT_EQ(app_->Files().RecentFiles().Size(), 1u);
    EXPECT_EQ(CAppSettings::FromFsPath(app_->Files().RecentFiles().At(0)), good_);

    window_->RunCommand(cmd::RecentFileFirst); // now the good one
    EXPECT_EQ(CAppSettings::FromFsPath(app_->Files().CurrentPath()), good_);
    EXPECT_EQ(app_->Document().RecordOf(0)[rec::AssignCode], CodeControlChange);

    app_->ExitInstance();
    QSettings store(TempPath("settings.ini"), QSettings::IniFormat);
    EXPECT_EQ(store.value("Recent File List/File1").toString(), good_);
    EXPECT_FALSE(store.contains("Recent File List/File2"));
}

// A recent-file entry of the File menu: its number, then the path, whole or, where it is too
// long for the menu (a long temporary folder), with its middle elided.
void ExpectRecentEntry(const QString& entry, int number, const QString& path) {
    const QString prefix = QStringLiteral("&%1 ").arg(number);
    ASSERT_TRUE(entry.startsWith(prefix)) << entry.toStdString();
    const QString shown = entry.mid(prefix.size());
    const QString native = QDir::toNativeSeparators(path);
    const qsizetype cut = shown.indexOf(QChar(0x2026));
    if (cut < 0) {
        EXPECT_EQ(shown, native);
        return;
    }
    EXPECT_TRUE(shown.size() < native.size() && native.startsWith(shown.left(cut)) &&
                native.endsWith(shown.mid(cut + 1)))
        << shown.toStdString() << " does not show " << native.toStdString();
}

TEST_F(EditorTest, RecentFilesAreListedInTheFileMenu) {
    const QString a = WriteMapFile("a.mid");
    const QString b = WriteMapFile("b.mid");
    QMenu* file = window_->menuBar()->actions().first()->menu();
    emit file->aboutToShow();
    QStringList entries;
    for (QAction* action : file->actions()) {
        const int id = KelIdOf(action);
        if (id >= cmd::RecentFileFirst && id <= cmd::RecentFileLast) {
            entries << action->text();
            EXPECT_EQ(action->statusTip(), "Open this document");
        }
    }
    ASSERT_EQ(entries.size(), 2);
    ExpectRecentEntry(entries[0], 1, b);
    ExpectRecentEntry(entries[1], 2, a);
}

TEST_F(EditorTest, TheFirstCommandLineArgumentIsOpened) {
    const QString path = WriteMapFile("start.mid");
    ASSERT_TRUE(Start({"kel-editor", path, "ignored.mid"}));
    EXPECT_EQ(window_->windowTitle(), path + " - VOSTEL KEL Editor");
    EXPECT_EQ(TitleField()->text(), "SAVED");
    EXPECT_EQ(app_->Files().RecentFiles().Size(), 1u);

    ASSERT_TRUE(Start({"kel-editor", TempPath("none.mid")}));
    EXPECT_EQ(ui_.warnings.size(), 1);
    EXPECT_EQ(window_->windowTitle(), "Untitled - VOSTEL KEL Editor");

    EXPECT_EQ(CKelEditorApp::FirstArgument({"kel-editor", QString(300, 'x')}).size(), 260);
    EXPECT_EQ(CKelEditorApp::FirstArgument({"kel-editor"}), "");
}

TEST(HelpPath, FollowsTheLanguage) {
    EXPECT_EQ(
        CKelEditorApp::ComputeHelpPath("/opt/kel", QLocale(QLocale::Japanese, QLocale::Japan)),
        "/opt/kel/help/index_j.htm");
    EXPECT_EQ(CKelEditorApp::ComputeHelpPath("/opt/kel", QLocale(QLocale::English)),
              "/opt/kel/help/index_e.htm");
    EXPECT_EQ(CKelEditorApp::ComputeHelpPath("/opt/kel", QLocale(QLocale::German)),
              "/opt/kel/help/index_e.htm");
}

TEST_F(EditorTest, HelpOpensThePageOrSaysItCannotBeFound) {
    app_->SetHelpFilePath(TempPath("help/index_e.htm"));
    window_->RunCommand(cmd::Help);
    EXPECT_EQ(ui_.warnings, QStringList({"Can't find Help file."}));
    EXPECT_EQ(app_->HelpWindow(), nullptr);

    // The installed pages, in the editor's own window: no browser is asked for.
    ui_.openUrlResult = false;
    app_->SetHelpFilePath(QDir(QStringLiteral(KEL_BUILD_DIR)).filePath("help/index_e.htm"));
    window_->RunCommand(cmd::Help);
    EXPECT_EQ(ui_.warnings.size(), 1);
    EXPECT_TRUE(ui_.openedUrls.isEmpty());
    CHtmlViewer* help = app_->HelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), "KEL Editor Help");
    EXPECT_TRUE(help->Browser()->toPlainText().contains("Keyboard shortcuts"));

    // The contents list leads into the page; a link leads to the other language's page, and
    // Back and Forward go between the two.
    ASSERT_GT(help->Sections()->count(), 10);
    EXPECT_EQ(help->Sections()->item(0)->text(), "The main window");
    emit help->Browser()->anchorClicked(QUrl("index_j.htm"));
    EXPECT_TRUE(help->Source().toLocalFile().endsWith("help/index_j.htm"));
    EXPECT_TRUE(help->Browser()->toPlainText().contains(QStringLiteral("キーボード")));
    EXPECT_TRUE(help->BackButton()->isEnabled());
    QTest::mouseClick(help->BackButton(), Qt::LeftButton);
    EXPECT_TRUE(help->Source().toLocalFile().endsWith("help/index_e.htm"));
    EXPECT_TRUE(help->ForwardButton()->isEnabled());

    // Search as you type: each letter narrows the match, Enter finds the next one, and text
    // the page does not hold is marked in the field.
    help->FindField()->setFocus();
    QTest::keyClicks(help->FindField(), "transmi");
    EXPECT_EQ(help->Browser()->textCursor().selectedText().toLower(), "transmi");
    const int first = help->Browser()->textCursor().selectionStart();
    QTest::keyClick(help->FindField(), Qt::Key_Return);
    EXPECT_GT(help->Browser()->textCursor().selectionStart(), first);
    help->FindField()->setText("qqzzqq");
    EXPECT_FALSE(help->FindText(false));
}

// The contents list of the help shows every entry whole, marks the section in view as the
// page scrolls, and a section picked from it is a step that Back returns from.
TEST_F(EditorTest, HelpContentsFollowThePageAndEnterTheHistory) {
    app_->SetHelpFilePath(QDir(QStringLiteral(KEL_BUILD_DIR)).filePath("help/index_e.htm"));
    window_->RunCommand(cmd::Help);
    CHtmlViewer* help = app_->HelpWindow();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    QListWidget* sections = help->Sections();
    ASSERT_GT(sections->count(), 10);
    const int room = sections->viewport()->width();
    for (int row = 0; row < sections->count(); ++row) {
        const QRect item = sections->visualItemRect(sections->item(row));
        EXPECT_LE(sections->fontMetrics().horizontalAdvance(sections->item(row)->text()) + 8, room)
            << sections->item(row)->text().toStdString();
        EXPECT_LE(item.height(), 2 * sections->fontMetrics().height());
    }

    QTextBrowser* page = help->Browser();
    EXPECT_EQ(page->verticalScrollBar()->value(), 0);
    const auto rowOf = [sections](const QString& text) {
        const QList<QListWidgetItem*> found = sections->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? -1 : sections->row(found.first());
    };
    const int check = rowOf("Checking a map");
    ASSERT_GE(check, 0);
    QTest::mouseClick(sections->viewport(), Qt::LeftButton, {},
                      sections->visualItemRect(sections->item(check)).center());
    EXPECT_EQ(help->Source().fragment(), "check");
    EXPECT_GT(page->verticalScrollBar()->value(), 0);
    EXPECT_EQ(sections->currentRow(), check);
    ASSERT_TRUE(help->BackButton()->isEnabled());
    QTest::mouseClick(help->BackButton(), Qt::LeftButton);
    EXPECT_EQ(page->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(help->ForwardButton()->isEnabled());

    // Scrolled by hand to a section: the list marks it.
    page->scrollToAnchor("verify");
    EXPECT_EQ(sections->currentRow(), rowOf("Verifying the KEL's memory"));
    page->verticalScrollBar()->setValue(0);
    EXPECT_EQ(sections->currentRow(), -1); // the page's introduction is in no section
}

TEST(HelpPages, AreInstalledBesideTheEditor) {
    for (const char* page : {"help/index_e.htm", "help/index_j.htm"}) {
        QFile file(QDir(QStringLiteral(KEL_BUILD_DIR)).filePath(QString::fromLatin1(page)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page;
        const QByteArray html = file.readAll();
        EXPECT_TRUE(html.contains("<html") || html.contains("<HTML")) << page;
        EXPECT_GT(html.size(), 4000) << page;
    }
}

TEST_F(EditorTest, HelpWindowIsNamedForScreenReadersAndEscapeClosesIt) {
    app_->SetHelpFilePath(QDir(QStringLiteral(KEL_BUILD_DIR)).filePath("help/index_e.htm"));
    window_->RunCommand(cmd::Help);
    CHtmlViewer* help = app_->HelpWindow();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(ShowActive(help));
    EXPECT_EQ(UnnamedFields(help), QStringList{});
    EXPECT_TRUE(help->Browser()->toPlainText().contains("Keyboard and screen readers"));
    QTest::keyClick(help->Browser(), Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
}

TEST_F(EditorTest, AboutShowsTheVersionOrTheInstalledComment) {
    window_->RunCommand(cmd::About);
    EXPECT_EQ(ui_.modalTitle, "About VOSTEL KEL Editor");
    EXPECT_TRUE(ui_.modalText.startsWith("KEL Editor Version 2.10\n"))
        << ui_.modalText.toStdString();

    // A machine-wide "AboutComment" replaces the whole text.
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, dir_.path());
    {
        QSettings machine(QSettings::NativeFormat, QSettings::SystemScope, "VOSTEL", "KEL Editor");
        machine.setValue("AboutComment", "Licensed to the studio");
    }
    window_->RunCommand(cmd::About);
    EXPECT_EQ(ui_.modalText, "Licensed to the studio");
    // The licence is named whatever the comment says.
    EXPECT_TRUE(ui_.modalLabels.join('\n').contains("GPL-3.0-or-later"))
        << ui_.modalLabels.join('|').toStdString();
    EXPECT_EQ(app_->AboutText(), "Licensed to the studio");
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, TempPath("none"));
}

TEST_F(EditorTest, SaveAsWritesTheFileAndCancelChangesNothing) {
    app_->Document().RecordOf(2)[rec::AssignCode] = CodeTempo;
    app_->Document().SetModified(true);
    window_->RunCommand(cmd::SaveAs); // cancelled
    EXPECT_EQ(ui_.saveFilters, QStringList({"MIDI Files (*.mid *.midi)", "All Files (*)"}));
    EXPECT_EQ(ui_.saveSuffix, "mid");
    EXPECT_TRUE(app_->Document().IsModified());
    EXPECT_EQ(window_->windowTitle(), "Untitled - VOSTEL KEL Editor");

    const QString path = TempPath("saved.mid");
    ui_.savePaths = {path};
    window_->RunCommand(cmd::Save); // untitled: asks for a name
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(app_->Document().IsModified());
    EXPECT_EQ(window_->windowTitle(), path + " - VOSTEL KEL Editor");

    // New, then Open brings the saved map back.
    window_->RunCommand(cmd::New);
    EXPECT_EQ(app_->Document().RecordOf(2)[rec::AssignCode], CodeNoAssign);
    ui_.openPaths = {path};
    window_->RunCommand(cmd::Open);
    EXPECT_EQ(ui_.openFilters, QStringList({"MIDI Files (*.mid *.midi)", "All Files (*)"}));
    EXPECT_EQ(app_->Document().RecordOf(2)[rec::AssignCode], CodeTempo);
    EXPECT_TRUE(ui_.warnings.isEmpty());
}

TEST_F(EditorTest, NewCommitsATypedTitleAndAsksBeforeDiscardingIt) {
    TitleField()->setFocus();
    QTest::keyClicks(TitleField(), QStringLiteral("Typed"));
    ui_.answers = {Answer::Cancel};
    window_->RunCommand(cmd::New);
    EXPECT_EQ(ui_.questions.size(), 1);
    EXPECT_EQ(app_->Document().GetTitle(), "Typed");

    ui_.answers = {Answer::No};
    window_->RunCommand(cmd::New);
    EXPECT_EQ(app_->Document().GetTitle(), "");
    EXPECT_EQ(TitleField()->text(), "");
}

TEST_F(EditorTest, ImportingAControlMapAsMemorySetFails) {
    const QString path = WriteMapFile("map.mid");
    ui_.openPaths = {path};
    window_->RunCommand(cmd::ImportMemorySet);
    EXPECT_EQ(ui_.warnings, QStringList({"This file is not a KEL memory set file."}));
    EXPECT_EQ(window_->windowTitle(), "Untitled - VOSTEL KEL Editor");
}

TEST_F(EditorTest, ExportWritesTheListWithTheTypedTitle) {
    TitleField()->setText(QStringLiteral("Stage"));
    window_->RunCommand(cmd::ExportList); // cancelled: nothing happens
    EXPECT_EQ(ui_.saveFilters, QStringList({"HTML Files (*.htm *.html)", "All Files (*)"}));
    EXPECT_EQ(ui_.saveSuffix, "htm");
    EXPECT_EQ(app_->Document().GetTitle(), "");

    const QString path = TempPath("list.htm");
    ui_.savePaths = {path};
    window_->RunCommand(cmd::ExportList);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Stage PARAMETER LIST"));
    EXPECT_EQ(app_->Document().GetTitle(), "Stage");
}

TEST_F(EditorTest, ExitRemovesTheListsOfItsViews) {
    for (int i = 0; i < 10; ++i) {
        window_->RunCommand(cmd::ViewList);
    }
    ASSERT_EQ(ui_.openedUrls.size(), 10);
    for (const QUrl& url : ui_.openedUrls) {
        EXPECT_TRUE(QFile::exists(url.toLocalFile()));
    }
    app_->ExitInstance();
    for (const QUrl& url : ui_.openedUrls) {
        EXPECT_FALSE(QFile::exists(url.toLocalFile())) << url.toLocalFile().toStdString();
    }
}

TEST_F(EditorTest, ViewHandsTheListToTheBrowserOrShowsItInTheEditor) {
    window_->RunCommand(cmd::ViewList);
    ASSERT_EQ(ui_.openedUrls.size(), 1);
    EXPECT_TRUE(ui_.openedUrls[0].isLocalFile());
    EXPECT_TRUE(QFile::exists(ui_.openedUrls[0].toLocalFile()));
    EXPECT_TRUE(ui_.openedUrls[0].toLocalFile().contains("_keltmp"));
    EXPECT_EQ(window_->ListViewer(), nullptr);

    // No browser: the list in the editor's viewer, saved from there as it was shown. A
    // bidirectional override of a comment shows as its escape instead of reversing the text.
    ui_.openUrlResult = false;
    TitleField()->setText(QStringLiteral("Shown"));
    app_->Document().SetMapComment(0, "gnp\xe2\x80\xae.exe");
    window_->RunCommand(cmd::ViewList);
    EXPECT_TRUE(ui_.warnings.isEmpty());
    CHtmlViewer* viewer = window_->ListViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    const QString shown = viewer->Browser()->toPlainText();
    EXPECT_TRUE(shown.contains("Shown PARAMETER LIST"));
    EXPECT_TRUE(shown.contains(QStringLiteral("gnp\\u202e.exe"))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QChar(0x202E)));
    // One page with no links: no Back, Forward or Contents.
    const QStringList buttons = [viewer] {
        QStringList texts;
        for (const QPushButton* button : viewer->findChildren<QPushButton*>()) {
            texts << button->text();
        }
        return texts;
    }();
    EXPECT_EQ(buttons, QStringList({"Close", "Open in &Browser", "&Save As..."}));

    TitleField()->setText(QStringLiteral("Changed later"));
    app_->CommitTitleField();
    const QString saved = TempPath("saved list.htm");
    ui_.savePaths = {saved};
    QTest::mouseClick(FindButton(viewer, "&Save As..."), Qt::LeftButton);
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Shown PARAMETER LIST"));

    // Open in Browser tries again and says so when it fails.
    QTest::mouseClick(FindButton(viewer, "Open in &Browser"), Qt::LeftButton);
    ASSERT_EQ(ui_.warnings.size(), 1);
    EXPECT_TRUE(ui_.warnings[0].startsWith("Failed to start up HTML browser. ("));
    EXPECT_EQ(ui_.openedUrls.last(), viewer->Source());
}

TEST(NameFilters, TableFiltersBecomeQtFilters) {
    EXPECT_EQ(QtNameFilters("MIDI Files (*.mid;*.midi)|*.mid; *.midi|All Files (*.*)|*.*||"),
              QStringList({"MIDI Files (*.mid *.midi)", "All Files (*)"}));
    EXPECT_EQ(QtNameFilters("Text|*.txt||"), QStringList({"Text (*.txt)"}));
    EXPECT_TRUE(QtNameFilters("").isEmpty());
}

TEST(SingleInstance, ASecondStartFindsTheFirstAndAsksItToRaise) {
    QTemporaryDir dir;
    const QString name = QStringLiteral("kel-test-%1").arg(QCoreApplication::applicationPid());
    CSingleInstance first(name, dir.path());
    ASSERT_TRUE(first.Acquire());
    EXPECT_TRUE(first.ServerName().contains(name));
    QSignalSpy raised(&first, &CSingleInstance::raiseRequested);

    CSingleInstance second(name, dir.path());
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(second.RaiseRunning());
    EXPECT_TRUE(raised.wait(60000));
}

TEST(SingleInstance, ALeftoverLockIsTakenOver) {
    QTemporaryDir dir;
    const QString name = QStringLiteral("kel-stale-%1").arg(QCoreApplication::applicationPid());
    {
        CSingleInstance crashed(name, dir.path());
        ASSERT_TRUE(crashed.Acquire());
    } // released as if the process had ended
    CSingleInstance next(name, dir.path());
    EXPECT_TRUE(next.Acquire());
}

} // namespace
} // namespace kel

namespace kel {
namespace {

TEST_F(JapaneseEditorTest, MenusTitleAndMessagesAreInJapanese) {
    EXPECT_EQ(window_->windowTitle(), QString::fromUtf8("無題 - VOSTEL KEL Editor"));
    EXPECT_EQ(window_->menuBar()->actions().first()->text(), QString::fromUtf8("ファイル(&F)"));
    Panel()->setFocus();
    EXPECT_EQ(Action(cmd::NoAssign)->text(), QString::fromUtf8("アサイン解除"));
    TitleField()->setFocus();
    EXPECT_EQ(Action(cmd::NoAssign)->text(), QString::fromUtf8("削除"));
    EXPECT_EQ(Action(cmd::Save)->statusTip(),
              QString::fromUtf8("アクティブなドキュメントを保存します"));

    app_->SetHelpFilePath(TempPath("none.htm"));
    window_->RunCommand(cmd::Help);
    EXPECT_EQ(ui_.warnings, QStringList({QString::fromUtf8("ヘルプ・ファイルが見つかりません。")}));
}

TEST(Translations, OtherLanguagesKeepTheEnglishTexts) {
    EXPECT_FALSE(InstallUiTranslations(QLocale(QLocale::German)));
    EXPECT_EQ(UiText(StringId::Untitled), "Untitled");
}

} // namespace
} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: its menus and keys, the enable rules around the TITLE field, the fixed size
// around the panel, the panel's requests, closing, minimising and dropped files.
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QWindowStateChangeEvent>

#include "gui/common/editornotify.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

QMenu* MenuNamed(CMainFrame* window, const QString& title) {
    for (QAction* action : window->menuBar()->actions()) {
        if (action->text() == title) {
            return action->menu();
        }
    }
    return nullptr;
}

QStringList ItemsOf(QMenu* menu) {
    QStringList items;
    for (QAction* action : menu->actions()) {
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return items;
}

TEST_F(EditorTest, MenuBarHasThePopupsInOrder) {
    Panel()->setFocus(); // the TITLE field changes the text of NO ASSIGN
    QStringList titles;
    for (QAction* action : window_->menuBar()->actions()) {
        titles << action->text();
    }
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&Communication", "&Options", "&Help"}));
    EXPECT_EQ(ItemsOf(MenuNamed(window_, "&File")), QStringList({"&New",
                                                                 "&Open...",
                                                                 "-",
                                                                 "&Save",
                                                                 "Save &As...",
                                                                 "-",
                                                                 "&Import Memory Set...",
                                                                 "Import S&ysEx...",
                                                                 "Expor&t SysEx...",
                                                                 "-",
                                                                 "&Export Assign List...",
                                                                 "&View Assign List",
                                                                 "-",
                                                                 "&Print...",
                                                                 "Print P&review...",
                                                                 "-",
                                                                 "Compare &With...",
                                                                 "Ta&ke Controls From...",
                                                                 "-",
                                                                 "Recent File",
                                                                 "-",
                                                                 "E&xit"}));
    EXPECT_EQ(
        ItemsOf(MenuNamed(window_, "&Edit")),
        QStringList({"&Undo", "&Redo", "-", "&Copy", "&Paste", "NO ASSIGN", "-", "Select &All",
                     "Select &Group", "Edit &Selected...", "-", "&Learn from Input"}));
    EXPECT_EQ(ItemsOf(MenuNamed(window_, "&Communication")),
              QStringList({"&Transmit...", "&Receive...", "-", "Check &Map...", "&Verify...", "-",
                           "M&onitor"}));
    EXPECT_EQ(
        ItemsOf(MenuNamed(window_, "&Options")),
        QStringList({"&MIDI Devices...", "&Show Messages", "&Library", "Middle C (&Note 60)"}));
    QMenu* middleC = MenuNamed(window_, "&Options")->actions().last()->menu();
    ASSERT_NE(middleC, nullptr);
    EXPECT_EQ(ItemsOf(middleC), QStringList({"C&3", "C&4"}));
    EXPECT_EQ(ItemsOf(MenuNamed(window_, "&Help")), QStringList({"KEL Editor &Help", "&About..."}));
}

TEST_F(EditorTest, EveryCommandHasItsKeysAndStatusPrompt) {
    using QKS = QKeySequence;
    struct Row {
        int id;
        QList<QKS> keys;
        const char* prompt;
    } rows[] = {
        {cmd::New, {QKS("Ctrl+N"), QKS("Ctrl+Backspace")}, "Create a new document"},
        {cmd::Open, {QKS("Ctrl+O")}, "Open an existing document"},
        {cmd::Save, {QKS("Ctrl+S")}, "Save the active document"},
        {cmd::SaveAs, {QKS("Ctrl+Shift+S")}, "Save the active document with a new name"},
        {cmd::ImportMemorySet, {}, "Import memory set"},
        {cmd::ExportList, {}, "Save the list of assigned messages as an HTML file"},
        {cmd::ViewList, {}, "Display the list of assigned messages using HTML browser"},
        {cmd::Print,
         {QKS("Ctrl+P")},
         "Print the panel at its own size with the labels, and the assign list"},
        {cmd::Exit, {}, "Quit the application"},
        {cmd::Copy,
         {QKS("Ctrl+C"), QKS("Ctrl+Ins")},
         "Copy the message assigned to the selected controller"},
        {cmd::Paste,
         {QKS("Ctrl+V"), QKS("Shift+Ins")},
         "Assign the copied message to the selected controller"},
        {cmd::NoAssign, {QKS("Del")}, "Set the message type to \"NO ASSIGN\""},
        {cmd::Transmit, {}, "Write the control map to the KEL's current memory"},
        {cmd::Receive, {}, "Retrieve the current memory from the KEL"},
        {cmd::MidiDevices, {}, "Select the MIDI devices to open"},
        {cmd::ShowMessages, {}, "Display the assigned message"},
        {cmd::Help, {QKS("F1")}, "Display the online help."},
        {cmd::About, {}, "Display program information, version number and copyright"},
        {cmd::NextController, {QKS("Ctrl+F")}, ""},
        {cmd::PreviousController, {QKS("Ctrl+B")}, ""},
        {cmd::LearnFromInput,
         {QKS("Ctrl+L")},
         "Assign the selected control the next message the KEL sends"},
        {cmd::Monitor,
         {QKS("Ctrl+M")},
         "Show the messages the KEL sends and the controls that send them"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        QAction* action = Action(row.id);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(KelIdOf(action), row.id);
        EXPECT_EQ(action->shortcuts(), row.keys);
        EXPECT_EQ(action->statusTip(), QString::fromUtf8(row.prompt));
    }
}

TEST_F(EditorTest, StatusBarShowsThePromptOfTheHighlightedItem) {
    Action(cmd::Save)->showStatusText(window_);
    EXPECT_EQ(window_->statusBar()->currentMessage(), "Save the active document");
}

TEST_F(EditorTest, EditCommandsFollowTheTitleFocusAndTheSelection) {
    Panel()->setFocus();
    ASSERT_FALSE(window_->TitleHasFocus());
    EXPECT_FALSE(Action(cmd::Copy)->isEnabled());
    EXPECT_FALSE(Action(cmd::Paste)->isEnabled());
    EXPECT_FALSE(Action(cmd::NoAssign)->isEnabled());
    EXPECT_EQ(Action(cmd::NoAssign)->text(), "NO ASSIGN");

    TitleField()->setFocus();
    ASSERT_TRUE(window_->TitleHasFocus());
    EXPECT_TRUE(Action(cmd::Copy)->isEnabled());
    EXPECT_TRUE(Action(cmd::Paste)->isEnabled());
    EXPECT_TRUE(Action(cmd::NoAssign)->isEnabled());
    EXPECT_EQ(Action(cmd::NoAssign)->text(), "DELETE");

    app_->Document().SelectController(5);
    Panel()->setFocus();
    EXPECT_TRUE(Action(cmd::Copy)->isEnabled());
    EXPECT_TRUE(Action(cmd::NoAssign)->isEnabled());
    EXPECT_EQ(Action(cmd::NoAssign)->text(), "NO ASSIGN");
}

TEST_F(EditorTest, WithTheTitleFocusedCopyPasteDeleteWorkOnTheTitleText) {
    CParameter& doc = app_->Document();
    doc.RecordOf(3)[rec::AssignCode] = CodeNote;
    doc.SelectController(3);
    TitleField()->setFocus();
    TitleField()->setText(QStringLiteral("Hello World"));
    TitleField()->setSelection(6, 5);

    window_->RunCommand(cmd::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "World");
    window_->RunCommand(cmd::NoAssign);
    EXPECT_EQ(TitleField()->text(), "Hello ");
    window_->RunCommand(cmd::Paste);
    EXPECT_EQ(TitleField()->text(), "Hello World");

    // The same keys typed in the field.
    TitleField()->setSelection(0, 6);
    QTest::keyClick(TitleField(), Qt::Key_Delete);
    EXPECT_EQ(TitleField()->text(), "World");
    QTest::keyClick(TitleField(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(TitleField()->text(), "WorldWorld");

    EXPECT_FALSE(doc.ClipboardValid());
    EXPECT_EQ(doc.EditBuffer().record[rec::AssignCode], CodeNote);
    EXPECT_EQ(doc.RecordOf(3)[rec::AssignCode], CodeNote);
}

TEST_F(EditorTest, EditMenuKeepsTheTitleFocusWhileTheMenuBarHasTheKeyboard) {
    // File opened from the keyboard and left with Escape: the menu bar holds the keyboard
    // until the user goes back to the window; the TITLE field is still the field edited.
    TitleField()->setFocus();
    window_->menuBar()->setFocus(Qt::MenuBarFocusReason);
    QCoreApplication::processEvents();
    ASSERT_NE(QApplication::focusWidget(), TitleField());
    EXPECT_TRUE(window_->TitleHasFocus());
    EXPECT_TRUE(Action(cmd::Copy)->isEnabled());
    EXPECT_TRUE(Action(cmd::Paste)->isEnabled());
    EXPECT_EQ(Action(cmd::NoAssign)->text(), "DELETE");

    // Once the panel has the focus, the menu bar no longer speaks for the field.
    Panel()->setFocus();
    window_->menuBar()->setFocus(Qt::MenuBarFocusReason);
    EXPECT_FALSE(window_->TitleHasFocus());
    EXPECT_EQ(Action(cmd::NoAssign)->text(), "NO ASSIGN");
}

TEST_F(EditorTest, CtrlBackspaceInTheTitleDeletesAWordAndNewStaysOnCtrlN) {
    app_->Document().CommitTitle("Keep");
    app_->Document().SetModified(false);
    TitleField()->setFocus();
    TitleField()->setText(QStringLiteral("Live Set"));
    TitleField()->end(false);
    QTest::keyClick(TitleField(), Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(TitleField()->text(), "Live ");
    EXPECT_EQ(app_->Document().GetTitle(), "Keep"); // New did not run

    TitleField()->setText(QStringLiteral("Keep"));
    QTest::keyClick(TitleField(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(app_->Document().GetTitle(), "");
    EXPECT_EQ(TitleField()->text(), "");
}

TEST_F(EditorTest, CopyPasteAndNoAssignWorkOnTheSelectedControl) {
    CParameter& doc = app_->Document();
    doc.RecordOf(0)[rec::AssignCode] = CodeControlChange;
    doc.RecordOf(0)[rec::Values] = 74;
    doc.SelectController(0);
    Panel()->setFocus();

    QTest::keyClick(Panel(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(doc.ClipboardValid());
    doc.SelectController(20);
    QTest::keyClick(Panel(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(doc.RecordOf(20), doc.RecordOf(0));
    EXPECT_TRUE(doc.IsModified());

    QTest::keyClick(Panel(), Qt::Key_Delete);
    EXPECT_EQ(doc.RecordOf(20), AssignRecord{});
    EXPECT_EQ(doc.RecordOf(0)[rec::AssignCode], CodeControlChange);
}

TEST_F(EditorTest, CtrlFAndCtrlBWrapAroundTheControls) {
    CParameter& doc = app_->Document();
    ASSERT_EQ(doc.SelectedController(), kNoController);
    QTest::keyClick(window_, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(doc.SelectedController(), 0); // R1 with nothing selected
    QTest::keyClick(window_, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(doc.SelectedController(), 49); // AFT
    QTest::keyClick(window_, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(doc.SelectedController(), 0);
    QTest::keyClick(window_, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(doc.SelectedController(), 1);
}

TEST_F(EditorTest, WindowIsFixedAndFitsThePanelBetweenTheBars) {
    EXPECT_EQ(window_->minimumSize(), window_->maximumSize());
    EXPECT_FALSE(window_->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window_->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window_->statusBar()->isSizeGripEnabled());
    // The window carries the editor's icon in every size it was given.
    EXPECT_EQ(window_->windowIcon().availableSizes().size(), 5);
    EXPECT_EQ(window_->windowIcon().pixmap(48, 48).size(), QSize(48, 48));

    CChildView* view = window_->View();
    EXPECT_EQ(view->contentsRect().size(), QSize(720, 219));
    EXPECT_EQ(Panel()->geometry(), view->contentsRect());

    const QRect bar = window_->DialogBar()->geometry();
    const QRect viewRect = view->geometry();
    EXPECT_EQ(bar.bottom() + 1, viewRect.top());
    EXPECT_EQ(window_->centralWidget()->height(), bar.height() + viewRect.height());
    EXPECT_EQ(window_->centralWidget()->width(), viewRect.width());
    EXPECT_EQ(window_->centralWidget()->geometry().bottom() + 1,
              window_->statusBar()->geometry().top());
    EXPECT_EQ(window_->width(), viewRect.width());
    EXPECT_LE(bar.height(), 40);
    // The TITLE field fits inside the bar.
    const QRect field = TitleField()->geometry();
    EXPECT_GE(field.left(), 0);
    EXPECT_LE(field.right(), bar.width());
}

TEST_F(EditorTest, TitleFieldIsCommittedWhenItLosesTheFocus) {
    CParameter& doc = app_->Document();
    EXPECT_EQ(KelIdOf(TitleField()), 1007);
    TitleField()->setFocus();
    QTest::keyClicks(TitleField(), QStringLiteral("Live Set"));
    EXPECT_EQ(doc.GetTitle(), "");
    Panel()->setFocus();
    EXPECT_EQ(doc.GetTitle(), "Live Set");
    EXPECT_TRUE(doc.IsModified());

    // The same text again changes nothing.
    doc.SetModified(false);
    TitleField()->setFocus();
    Panel()->setFocus();
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(EditorTest, PanelIsUsableByKeyboardAlone) {
    CParameter& doc = app_->Document();
    ASSERT_TRUE(TitleField()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(Panel()->hasFocus()); // Tab reaches the panel from the TITLE field

    // The arrows select without opening the assign dialog, one control per key.
    QTest::keyClick(Panel(), Qt::Key_Right); // R1: the first with nothing selected
    QTest::keyClick(Panel(), Qt::Key_Right);
    QTest::keyClick(Panel(), Qt::Key_Down);
    EXPECT_EQ(doc.SelectedController(), FindController("A2"));
    EXPECT_TRUE(AssignWindow() == nullptr || !AssignWindow()->isVisible());
    EXPECT_TRUE(Action(cmd::Copy)->isEnabled());

    // Enter opens the dialog on it; with the dialog open the arrows move it along while the
    // keyboard stays on the panel.
    QTest::keyClick(Panel(), Qt::Key_Return);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    ASSERT_NE(AssignWindow(), nullptr);
    EXPECT_TRUE(AssignWindow()->isVisible());
    ShowActive(window_);
    Panel()->setFocus();
    QTest::keyClick(Panel(), Qt::Key_Up);
    EXPECT_EQ(doc.SelectedController(), FindController("R2"));
    EXPECT_TRUE(AssignWindow()->isVisible());
    EXPECT_TRUE(Panel()->hasFocus());
    QTest::keyClick(Panel(), Qt::Key_End);
    EXPECT_EQ(doc.SelectedController(), kAft);
}

TEST_F(EditorTest, ClickingAControlOpensItAfterThePostedRequest) {
    CParameter& doc = app_->Document();
    QTest::mouseClick(Panel(), Qt::LeftButton, Qt::NoModifier,
                      CKelPanel::ControlRectOf(45).center());
    EXPECT_EQ(doc.SelectedController(), kNoController); // posted, not yet handled
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(doc.SelectedController(), 45);
    EXPECT_TRUE(Action(cmd::Copy)->isEnabled());
}

TEST_F(EditorTest, ShowMessagesTogglesTheLabelsAndItsCheckMark) {
    EXPECT_FALSE(Panel()->ShowLabels());
    window_->RunCommand(cmd::ShowMessages);
    EXPECT_TRUE(Panel()->ShowLabels());
    EXPECT_TRUE(Action(cmd::ShowMessages)->isChecked());
    window_->RunCommand(cmd::ShowMessages);
    EXPECT_FALSE(Panel()->ShowLabels());
    EXPECT_FALSE(Action(cmd::ShowMessages)->isChecked());
}

TEST_F(EditorTest, ClosingAModifiedMapAsksAndCancelKeepsTheWindow) {
    app_->Document().SetModified(true);
    ui_.answers = {Answer::Cancel};
    EXPECT_FALSE(window_->close());
    EXPECT_TRUE(window_->isVisible());
    ASSERT_EQ(ui_.questions.size(), 1);
    EXPECT_EQ(ui_.questions[0], "The contents of the parameter have changed.\nSave the changes?");

    ui_.answers = {Answer::No};
    EXPECT_TRUE(window_->close());
    EXPECT_FALSE(window_->isVisible());
}

TEST_F(EditorTest, ATitleTypedJustBeforeClosingStillAsks) {
    TitleField()->setFocus();
    QTest::keyClicks(TitleField(), QStringLiteral("Unsaved"));
    ui_.answers = {Answer::Cancel};
    EXPECT_FALSE(window_->close());
    EXPECT_EQ(ui_.questions.size(), 1);
}

TEST_F(EditorTest, ClosingAnUnmodifiedMapDoesNotAsk) {
    EXPECT_TRUE(window_->close());
    EXPECT_TRUE(ui_.questions.isEmpty());
}

// A stand-in for the assign dialog with a real window.
class WindowedAssign : public IAssignDialog {
public:
    explicit WindowedAssign(CParameter& doc) : doc_(doc) {}
    bool OpenAssignDialog(ControllerId id) override {
        window.show();
        doc_.SelectController(id);
        return !refuse;
    }
    int ApplyAssignDialog() override {
        ++applied;
        return refuse ? -1 : 0;
    }
    void RefreshFromDocument() override {}
    QWidget* Window() override { return &window; }
    void DestroyWindow() override {
        window.hide();
        destroyed = true;
    }

    QWidget window;
    bool refuse = false;
    bool destroyed = false;
    int applied = 0;

private:
    CParameter& doc_;
};

TEST_F(EditorTest, MinimisingHidesTheAssignDialogAndRestoringBringsItBack) {
    WindowedAssign dialog(app_->Document());
    app_->SetAssignDialog(&dialog);
    dialog.window.show();
    window_->setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(dialog.window.isVisible());
    window_->setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(dialog.window.isVisible());

    // A dialog closed before minimising stays closed.
    dialog.window.hide();
    window_->setWindowState(Qt::WindowMinimized);
    window_->setWindowState(Qt::WindowNoState);
    EXPECT_FALSE(dialog.window.isVisible());
    app_->SetAssignDialog(nullptr);
}

TEST_F(EditorTest, RefusedDialogFieldsKeepTheControlAndCloseDestroysTheDialog) {
    WindowedAssign dialog(app_->Document());
    app_->SetAssignDialog(&dialog);
    app_->Document().SelectController(4);
    dialog.refuse = true;
    ClickControl(7);
    EXPECT_EQ(app_->Document().SelectedController(), 4);
    EXPECT_GE(dialog.applied, 1);

    dialog.refuse = false;
    ClickControl(7);
    EXPECT_EQ(app_->Document().SelectedController(), 7);

    EXPECT_TRUE(window_->close());
    EXPECT_TRUE(dialog.destroyed);
    app_->SetAssignDialog(nullptr);
}

void Drop(CMainFrame* window, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
}

TEST_F(EditorTest, DroppingFilesOpensOnlyTheFirst) {
    const QString good = WriteMapFile(QStringLiteral("good.mid"));
    const QString missing = TempPath(QStringLiteral("missing.mid"));

    Drop(window_, {QUrl::fromLocalFile(good), QUrl::fromLocalFile(missing)});
    EXPECT_TRUE(ui_.warnings.isEmpty());
    EXPECT_EQ(CAppSettings::FromFsPath(app_->Files().CurrentPath()), good);
    EXPECT_EQ(window_->windowTitle(), good + " - VOSTEL KEL Editor");
    EXPECT_EQ(TitleField()->text(), "SAVED");

    Drop(window_, {QUrl::fromLocalFile(missing), QUrl::fromLocalFile(good)});
    ASSERT_EQ(ui_.warnings.size(), 1);
    EXPECT_TRUE(ui_.warnings[0].startsWith("An error occurred while loading the file. ("));
    EXPECT_EQ(app_->Files().CurrentPath(), "");
    EXPECT_EQ(window_->windowTitle(), "Untitled - VOSTEL KEL Editor");
}

TEST_F(EditorTest, DroppingOnAModifiedMapAsksFirstAndCancelKeepsIt) {
    const QString good = WriteMapFile(QStringLiteral("good.mid"));
    TitleField()->setText(QStringLiteral("mine")); // committed by the drop: modified
    ui_.answers = {Answer::Cancel};
    Drop(window_, {QUrl::fromLocalFile(good)});
    EXPECT_EQ(ui_.questions.size(), 1);
    EXPECT_EQ(app_->Document().GetTitle(), "mine");
    EXPECT_EQ(app_->Files().CurrentPath(), "");
}

} // namespace
} // namespace kel

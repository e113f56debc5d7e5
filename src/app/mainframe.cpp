// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainframe.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include "app/htmlviewer.h"
#include "app/keleditorapp.h"
#include "app/kelmidi.h"
#include "app/learn.h"
#include "app/librarywindow.h"
#include "app/mapcommands.h"
#include "app/monitorwindow.h"
#include "app/printmap.h"
#include "app/settings.h"
#include "app/undo.h"
#include "files/listfile.h"
#include "gui/common/accedit.h"
#include "gui/common/documentsignals.h"
#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "gui/common/maptextedit.h"
#include "gui/common/placement.h"
#include "gui/common/translation.h"
#include "gui/common/uitext.h"
#include "gui/common/viewoptions.h"
#include "gui/panel/kelpanel.h"
#include "gui/panel/panelimage.h"
#include "model/assignlist.h"

namespace kel {

namespace {

// The shell's "open" on the HTML list, through the UI services; where no browser starts, the
// list is shown in the editor's own viewer instead.
class CDesktopOpener : public DocumentOpener {
public:
    CDesktopOpener(CUiServices& ui, CMainFrame& window) : ui_(ui), window_(window) {}
    int OpenDocument(const std::filesystem::path& file) override {
        const QString path = QFile::decodeName(QByteArray::fromStdString(file.string()));
        if (!ui_.OpenUrl(QUrl::fromLocalFile(path))) {
            window_.ShowListViewer(path);
        }
        return 0;
    }

private:
    CUiServices& ui_;
    CMainFrame& window_;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// CKelDlgBar

CKelDlgBar::CKelDlgBar(CDocumentSignals& document, QWidget* parent)
    : QFrame(parent), document_(document.Document()), titleField_(new CMapTextEdit(this)) {
    setFrameShape(QFrame::NoFrame);
    auto* label = new QLabel(KelEditor::tr("TITLE:"), this);
    SetKelId(titleField_, ctl::TitleField);
    titleField_->SetRoom([this](const std::string& title) {
        return RoomForText(document_.Map(), kNoController, title);
    });
    titleField_->installEventFilter(this);
    label->setBuddy(titleField_);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(8, 5, 8, 5);
    row->setSpacing(6);
    row->addWidget(label);
    row->addWidget(titleField_, 1);

    // A bottom border separates the bar from the view.
    auto* border = new QFrame(this);
    border->setFrameShape(QFrame::HLine);
    border->setFrameShadow(QFrame::Sunken);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(row);
    column->addWidget(border);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(&document, &CDocumentSignals::titleChanged, this, &CKelDlgBar::RefreshTitleField);
    connect(&document, &CDocumentSignals::mapReplaced, this, &CKelDlgBar::RefreshTitleField);
    RefreshTitleField();
}

void CKelDlgBar::CommitTitleField() {
    document_.CommitTitle(titleField_->StoredText());
}

void CKelDlgBar::RefreshTitleField() {
    // Setting the same text again would move the caret and drop the field's own undo.
    if (titleField_->StoredText() != document_.GetTitle()) {
        titleField_->SetStoredText(document_.GetTitle());
    }
}

bool CKelDlgBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == titleField_ && event->type() == QEvent::FocusOut) {
        CommitTitleField();
    }
    return QFrame::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// CChildView

CChildView::CChildView(CDocumentSignals& document, QWidget* parent)
    : QFrame(parent), panel_(new CKelPanel(document.Document())) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    // The panel sits in the top-left corner of the view's client area, inside the sunken edge.
    panel_->SetPosition(frameWidth(), frameWidth());
    created_ = panel_->CreatePanel(this);
    if (created_) {
        setFixedSize(panel_->PanelWidth() + 2 * frameWidth(),
                     panel_->PanelHeight() + 2 * frameWidth());
        // The labels and the selection frame show the map as it is now.
        connect(&document, &CDocumentSignals::changed, panel_, qOverload<>(&QWidget::update));
    } else {
        delete panel_;
        panel_ = nullptr;
    }
}

bool CChildView::event(QEvent* event) {
    if (event->type() == CEditorNotifyEvent::kType) {
        const auto* notify = static_cast<CEditorNotifyEvent*>(event);
        if (notify->Code() == NotifySelectControl) {
            // The panel's next key starts from the control this one selects.
            CEditorNotifyEvent select(notify->Code(), notify->Value());
            QCoreApplication::sendEvent(window(), &select);
        } else {
            PostEditorNotify(window(), notify->Code(), notify->Value());
        }
        return true;
    }
    return QFrame::event(event);
}

// ---------------------------------------------------------------------------------------------
// CMainFrame

CMainFrame::CMainFrame(const EditorParts& parts, CKelMidi& midi)
    : parts_(parts), document_(parts.document), midi_(midi) {
    CBmpList::AddUser();
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(CKelEditorApp::AppIcon());
    setAcceptDrops(true);

    auto* central = new QWidget(this);
    dlgBar_ = new CKelDlgBar(parts_.documentSignals, central);
    view_ = new CChildView(parts_.documentSignals, central);
    if (!view_->Created()) {
        return;
    }
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(dlgBar_);
    column->addWidget(view_);
    setCentralWidget(central);

    statusBar()->setSizeGripEnabled(false);
    connect(Panel(), &CKelPanel::SelectRequested, this, &CMainFrame::OnSelectControls);
    // While several controls are selected the status bar says how many, for as long as they
    // are: the commands of the Edit menu act on all of them.
    selectionCount_ = new QLabel(statusBar());
    selectionCount_->setObjectName(QStringLiteral("selectionCount"));
    statusBar()->addPermanentWidget(selectionCount_);
    selectionCount_->hide();
    connect(&parts_.documentSignals, &CDocumentSignals::selectedControlsChanged, this, [this] {
        const int count = static_cast<int>(document_.SelectedCount());
        selectionCount_->setText(KelEditor::tr("%n controls selected", nullptr, count));
        selectionCount_->setVisible(count > 1);
    });
    Panel()->SetShowLabels(CAppSettings::ShowMessages(parts_.store));
    Panel()->SetViewOptions(&parts_.view);
    // A full TITLE field says why in the status bar as well as beside the field.
    connect(dlgBar_->TitleField(), &CMapTextEdit::TextRefused, this,
            [this](const QString& why) { statusBar()->showMessage(why, 10000); });
    // So does a title longer than the file's limit: kept while unchanged, cut once changed.
    connect(dlgBar_->TitleField(), &CMapTextEdit::NoteChanged, this, [this](const QString& note) {
        if (!note.isEmpty()) {
            statusBar()->showMessage(note, 10000);
        }
    });
    mapCommands_ = new CMapCommands(parts_, midi_, *this);
    library_ = new CLibraryWindow(parts_, this);
    commands_ = new CCommandActions(*this);
    CreateActions();
    CreateMenus();

    // The commands' states follow what they depend on: the focus (Copy, Paste and NO ASSIGN
    // work on the TITLE field while it has it; Undo gives way to a field's own), the document,
    // the undo history and the MIDI side.
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
    connect(&parts_.documentSignals, &CDocumentSignals::changed, commands_,
            &CCommandActions::UpdateStates);
    QUndoStack& stack = parts_.history.Stack();
    connect(&stack, &QUndoStack::canUndoChanged, commands_, &CCommandActions::UpdateStates);
    connect(&stack, &QUndoStack::canRedoChanged, commands_, &CCommandActions::UpdateStates);
    connect(&midi_, &CKelMidi::StateChanged, commands_, &CCommandActions::UpdateStates);

    connect(library_, &QDockWidget::visibilityChanged, commands_, &CCommandActions::UpdateStates);
    connect(library_, &CLibraryWindow::TakeRequested, mapCommands_.data(),
            [this](const QString& path) { mapCommands_->TakeControlsFrom(path); });
    // The library is back when it was shown as the editor closed.
    if (CAppSettings::LibraryShown(parts_.store)) {
        QTimer::singleShot(0, library_, [this] { library_->ShowInPlace(); });
    }

    dlgBar_->TitleField()->setFocus();
    UpdateNoAssignText();
    commands_->UpdateStates();
    created_ = true;
}

CMainFrame::~CMainFrame() {
    // The child widgets go after this body, and the focus moves as they do: the window's own
    // parts are gone by then, so it no longer follows the focus. The commands' rules read this
    // window: they go first, so that a title committed as the field loses the focus on the way
    // out does not run them.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    delete commands_;
    commands_ = nullptr;
    CBmpList::ReleaseUser();
}

CKelPanel* CMainFrame::Panel() const {
    return view_ != nullptr ? view_->Panel() : nullptr;
}

void CMainFrame::CreateActions() {
    using QKS = QKeySequence;
    CMapFiles& files = parts_.files;
    Questioner& questioner = parts_.reporter;
    const auto selected = [this] { return IsValidController(document_.SelectedController()); };
    const auto editable = [this, selected] { return TitleHasFocus() || selected(); };

    const CommandRow rows[] = {
        {cmd::New,
         QT_TRANSLATE_NOOP("KelEditor", "&New"),
         {QKS(Qt::CTRL | Qt::Key_N), QKS(Qt::CTRL | Qt::Key_Backspace)},
         nullptr,
         [this, &files, &questioner] {
             if (files.CommandNew(questioner) != 0) {
                 ActivateMain();
             }
         }},
        {cmd::Open,
         QT_TRANSLATE_NOOP("KelEditor", "&Open..."),
         {QKS(Qt::CTRL | Qt::Key_O)},
         nullptr,
         [this, &files, &questioner] {
             files.CommandOpen(questioner);
             ActivateMain();
         }},
        {cmd::Save,
         QT_TRANSLATE_NOOP("KelEditor", "&Save"),
         {QKS(Qt::CTRL | Qt::Key_S)},
         nullptr,
         [&files] { files.SaveCurrentMap(); }},
        {cmd::SaveAs,
         QT_TRANSLATE_NOOP("KelEditor", "Save &As..."),
         {QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
         nullptr,
         [&files] { files.SaveMapFileAs(); }},
        {cmd::ImportMemorySet,
         QT_TRANSLATE_NOOP("KelEditor", "&Import Memory Set..."),
         {},
         nullptr,
         [this, &files, &questioner] {
             files.CommandImportMemorySet(questioner);
             ActivateMain();
         }},
        {cmd::ImportSysEx,
         QT_TRANSLATE_NOOP("KelEditor", "Import S&ysEx..."),
         {},
         QT_TRANSLATE_NOOP("KelEditor", "Open a system-exclusive (.syx) file as a new control map"),
         [this] { mapCommands_->ImportSysEx(); }},
        {cmd::ExportSysEx,
         QT_TRANSLATE_NOOP("KelEditor", "Expor&t SysEx..."),
         {},
         QT_TRANSLATE_NOOP("KelEditor", "Save the control map as a system-exclusive (.syx) file"),
         [this] { mapCommands_->ExportSysEx(); }},
        {cmd::ExportList,
         QT_TRANSLATE_NOOP("KelEditor", "&Export Assign List..."),
         {},
         nullptr,
         [this] { ExportList(); }},
        {cmd::ViewList,
         QT_TRANSLATE_NOOP("KelEditor", "&View Assign List"),
         {},
         nullptr,
         [this] { ViewList(); }},
        {cmd::Print,
         QT_TRANSLATE_NOOP("KelEditor", "&Print..."),
         {QKS(Qt::CTRL | Qt::Key_P)},
         QT_TRANSLATE_NOOP("KelEditor",
                           "Print the panel at its own size with the labels, and the assign list"),
         [this] {
             parts_.shell.ApplyPendingEdits();
             PrintWithDialog(this, parts_.ui, document_);
         }},
        {cmd::PrintPreview,
         QT_TRANSLATE_NOOP("KelEditor", "Print P&review..."),
         {},
         QT_TRANSLATE_NOOP("KelEditor", "Show the pages the control map prints on"),
         [this] {
             parts_.shell.ApplyPendingEdits();
             ShowPrintPreview(this, parts_.ui, document_);
         }},
        {cmd::CompareWith,
         QT_TRANSLATE_NOOP("KelEditor", "Compare &With..."),
         {},
         QT_TRANSLATE_NOOP("KelEditor", "Compare the control map with a control map file"),
         [this] { mapCommands_->CompareWith(); }},
        {cmd::TakeControlsFrom,
         QT_TRANSLATE_NOOP("KelEditor", "Ta&ke Controls From..."),
         {},
         QT_TRANSLATE_NOOP("KelEditor",
                           "Compare the control map with another and take some of its controls"),
         [this] { mapCommands_->TakeControlsFrom(); }},
        {cmd::Exit, QT_TRANSLATE_NOOP("KelEditor", "E&xit"), {}, nullptr, [this] { close(); }},
        {cmd::Copy,
         QT_TRANSLATE_NOOP("KelEditor", "&Copy"),
         {QKS(Qt::CTRL | Qt::Key_C), QKS(Qt::CTRL | Qt::Key_Insert)},
         nullptr,
         [this] { OnEditCommand(cmd::Copy); },
         editable},
        {cmd::Paste,
         QT_TRANSLATE_NOOP("KelEditor", "&Paste"),
         {QKS(Qt::CTRL | Qt::Key_V), QKS(Qt::SHIFT | Qt::Key_Insert)},
         nullptr,
         [this] { OnEditCommand(cmd::Paste); },
         editable},
        {cmd::NoAssign,
         QT_TRANSLATE_NOOP("KelEditor", "NO ASSIGN"),
         {QKS(Qt::Key_Delete)},
         nullptr,
         [this] { OnEditCommand(cmd::NoAssign); },
         editable},
        {cmd::LearnFromInput,
         QT_TRANSLATE_NOOP("KelEditor", "&Learn from Input"),
         {QKS(Qt::CTRL | Qt::Key_L)},
         QT_TRANSLATE_NOOP("KelEditor", "Assign the selected control the next message the KEL "
                                        "sends"),
         [this] { midi_.OnLearn(); },
         [this, selected] { return selected() && !midi_.Learn().Active(); }},
        {cmd::Transmit,
         QT_TRANSLATE_NOOP("KelEditor", "&Transmit..."),
         {},
         nullptr,
         [this] { Transmit(); }},
        {cmd::Receive,
         QT_TRANSLATE_NOOP("KelEditor", "&Receive..."),
         {},
         nullptr,
         [this] { midi_.OnReceive(); }},
        {cmd::SelectAll,
         QT_TRANSLATE_NOOP("KelEditor", "Select &All"),
         {QKS(Qt::CTRL | Qt::Key_A)},
         QT_TRANSLATE_NOOP("KelEditor", "Select all 50 controls"),
         [this] {
             if (TitleHasFocus()) {
                 dlgBar_->TitleField()->selectAll(); // the menu item on the TITLE field
                 return;
             }
             const std::vector<ControllerId> all = ControlsBetween(0, kControllerCount - 1);
             const ControllerId current = document_.SelectedController();
             OnSelectControls(QList<int>(all.begin(), all.end()),
                              IsValidController(current) ? current : 0);
         }},
        {cmd::SelectGroup,
         QT_TRANSLATE_NOOP("KelEditor", "Select &Group"),
         {QKS(Qt::CTRL | Qt::Key_G)},
         QT_TRANSLATE_NOOP("KelEditor", "Select the groups of the selected controls: the knobs, "
                                        "the sliders, a row of buttons, the pedals or the wheels"),
         [this] {
             QList<int> ids;
             for (const ControllerId id : document_.SelectedControls()) {
                 for (const ControllerId member : ControlGroupOf(id)) {
                     if (!ids.contains(member)) {
                         ids.append(member);
                     }
                 }
             }
             std::sort(ids.begin(), ids.end());
             OnSelectControls(ids, document_.SelectedController());
         },
         selected},
        {cmd::EditSelected,
         QT_TRANSLATE_NOOP("KelEditor", "Edit &Selected..."),
         {QKS(Qt::CTRL | Qt::Key_E)},
         QT_TRANSLATE_NOOP("KelEditor",
                           "Set fields on several controls at once, numbering them in sequence"),
         [this] { mapCommands_->EditSelected(); }},
        {cmd::CheckMap,
         QT_TRANSLATE_NOOP("KelEditor", "Check &Map..."),
         {},
         QT_TRANSLATE_NOOP("KelEditor", "List the problems of the control map before it is sent"),
         [this] { mapCommands_->CheckMap(); }},
        {cmd::Verify,
         QT_TRANSLATE_NOOP("KelEditor", "&Verify..."),
         {},
         QT_TRANSLATE_NOOP("KelEditor", "Compare the KEL's current memory with the control map"),
         [this] { mapCommands_->Verify(); }},
        {cmd::Monitor,
         QT_TRANSLATE_NOOP("KelEditor", "M&onitor"),
         {QKS(Qt::CTRL | Qt::Key_M)},
         QT_TRANSLATE_NOOP("KelEditor", "Show the messages the KEL sends and the controls that "
                                        "send them"),
         [this] { midi_.OnMonitor(); },
         {},
         // Checked while it listens: with its input lost, the command listens again.
         [this] { return midi_.MonitorOn() && !midi_.MonitorInputLost(); }},
        {cmd::MidiDevices,
         QT_TRANSLATE_NOOP("KelEditor", "&MIDI Devices..."),
         {},
         nullptr,
         [this] { midi_.OnMidiDevices(); }},
        {cmd::ShowMessages,
         QT_TRANSLATE_NOOP("KelEditor", "&Show Messages"),
         {},
         nullptr,
         [this] {
             Panel()->ToggleLabels();
             CAppSettings::StoreShowMessages(parts_.store, Panel()->ShowLabels());
         },
         {},
         [this] { return Panel()->ShowLabels(); }},
        {cmd::Library,
         QT_TRANSLATE_NOOP("KelEditor", "&Library"),
         {},
         QT_TRANSLATE_NOOP("KelEditor", "Show the control maps of a folder and search them"),
         [this] {
             const bool show = !library_->isVisible();
             if (show) {
                 library_->ShowInPlace();
             } else {
                 library_->close();
             }
             CAppSettings::StoreLibraryShown(parts_.store, show);
         },
         {},
         [this] { return library_ != nullptr && library_->isVisible(); }},
        {cmd::MiddleC3,
         QT_TRANSLATE_NOOP("KelEditor", "C&3"),
         {},
         QT_TRANSLATE_NOOP("KelEditor", "Name note 60 C3, as many keyboards do"),
         [this] { SetMiddleC(MiddleC::C3); },
         {},
         [this] { return parts_.view.MiddleCOctave() == MiddleC::C3; }},
        {cmd::MiddleC4,
         QT_TRANSLATE_NOOP("KelEditor", "C&4"),
         {},
         QT_TRANSLATE_NOOP("KelEditor", "Name note 60 C4, as scientific pitch notation does"),
         [this] { SetMiddleC(MiddleC::C4); },
         {},
         [this] { return parts_.view.MiddleCOctave() == MiddleC::C4; }},
        {cmd::Help,
         QT_TRANSLATE_NOOP("KelEditor", "KEL Editor &Help"),
         {QKS(Qt::Key_F1)},
         nullptr,
         [this] { parts_.shell.OnHelp(); }},
        {cmd::About,
         QT_TRANSLATE_NOOP("KelEditor", "&About..."),
         {},
         nullptr,
         [this] { parts_.shell.OnAbout(); }},
        // Keys without a menu item: the assign dialog steps through the controls.
        {cmd::NextController,
         QT_TRANSLATE_NOOP("KelEditor", "Next Controller"),
         {QKS(Qt::CTRL | Qt::Key_F)},
         "",
         [this] { StepController(document_.NextController()); }},
        {cmd::PreviousController,
         QT_TRANSLATE_NOOP("KelEditor", "Previous Controller"),
         {QKS(Qt::CTRL | Qt::Key_B)},
         "",
         [this] { StepController(document_.PreviousController()); }},
    };
    for (const CommandRow& row : rows) {
        commands_->Add(row);
    }

    // Undo and Redo are the undo stack's own actions: their texts name the step and their
    // enabled state follows the stack. Pending edits are committed first, so that Undo takes
    // back what the user sees; a change pending in the edit buffer enables Undo too.
    CUndoHistory& history = parts_.history;
    QUndoStack& stack = history.Stack();
    const struct {
        int id;
        QAction* action;
        const char* text;  // without a step
        const char* named; // with the step's name as %1
        QKeySequence::StandardKey standard;
        QList<QKeySequence> keys;
        const char* tip;
        void (CUndoHistory::*step)();
        bool (QUndoStack::*possible)() const;
        void (QUndoStack::*textChanged)(const QString&);
    } steps[] = {
        {cmd::Undo,
         stack.createUndoAction(this),
         QT_TRANSLATE_NOOP("KelEditor", "&Undo"),
         QT_TRANSLATE_NOOP("KelEditor", "&Undo %1"),
         QKeySequence::Undo,
         {QKS(Qt::CTRL | Qt::Key_Z)},
         QT_TRANSLATE_NOOP("KelEditor", "Take back the last change of the control map"),
         &CUndoHistory::Undo,
         &QUndoStack::canUndo,
         &QUndoStack::undoTextChanged},
        {cmd::Redo,
         stack.createRedoAction(this),
         QT_TRANSLATE_NOOP("KelEditor", "&Redo"),
         QT_TRANSLATE_NOOP("KelEditor", "&Redo %1"),
         QKeySequence::Redo,
         {QKS(Qt::CTRL | Qt::Key_Y), QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
         QT_TRANSLATE_NOOP("KelEditor", "Make the change taken back again"),
         &CUndoHistory::Redo,
         &QUndoStack::canRedo,
         &QUndoStack::redoTextChanged},
    };
    for (const auto& s : steps) {
        QAction* action = s.action;
        // The stack's own slots would skip committing the pending edits, and its texts would
        // not follow the translation's word order.
        disconnect(action, &QAction::triggered, &stack, nullptr);
        disconnect(&stack, s.textChanged, action, nullptr);
        const auto name = [action, text = s.text, named = s.named](const QString& step) {
            action->setText(step.isEmpty() ? KelEditor::tr(text) : KelEditor::tr(named).arg(step));
        };
        name(s.id == cmd::Undo ? stack.undoText() : stack.redoText());
        connect(&stack, s.textChanged, action, name);
        connect(action, &QAction::triggered, this, [this, &history, step = s.step] {
            if (parts_.shell.ApplyPendingEdits()) {
                (history.*step)();
            }
        });
        action->setShortcuts(s.keys);
        action->setStatusTip(KelEditor::tr(s.tip));
        const bool undo = s.id == cmd::Undo;
        // A text field has an undo of its own while it has the focus: the items give way.
        commands_->Adopt(
            s.id, action,
            [this, &stack, undo, possible = s.possible] {
                return !CMapCommands::TextFieldHasFocus() &&
                       ((stack.*possible)() || (undo && document_.EditBuffer().changed));
            },
            [] { return !CMapCommands::TextFieldHasFocus(); });
    }
}

void CMainFrame::SetMiddleC(MiddleC middleC) {
    parts_.view.SetMiddleC(middleC);
    CAppSettings::StoreMiddleC(parts_.store, middleC);
}

void CMainFrame::CreateMenus() {
    QMenuBar* bar = menuBar();
    const auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
        for (const int id : ids) {
            if (id == 0) {
                menu->addSeparator();
            } else {
                menu->addAction(Action(id));
            }
        }
    };
    fileMenu_ = bar->addMenu(KelEditor::tr("&File"));
    add(fileMenu_, {cmd::New, cmd::Open, 0, cmd::Save, cmd::SaveAs, 0, cmd::ImportMemorySet,
                    cmd::ImportSysEx, cmd::ExportSysEx, 0, cmd::ExportList, cmd::ViewList, 0,
                    cmd::Print, cmd::PrintPreview, 0, cmd::CompareWith, cmd::TakeControlsFrom, 0});
    recentSeparator_ = fileMenu_->addSeparator();
    add(fileMenu_, {cmd::Exit});
    connect(fileMenu_, &QMenu::aboutToShow, this, &CMainFrame::RebuildRecentFiles);
    RebuildRecentFiles();

    add(bar->addMenu(KelEditor::tr("&Edit")),
        {cmd::Undo, cmd::Redo, 0, cmd::Copy, cmd::Paste, cmd::NoAssign, 0, cmd::SelectAll,
         cmd::SelectGroup, cmd::EditSelected, 0, cmd::LearnFromInput});
    add(bar->addMenu(KelEditor::tr("&Communication")),
        {cmd::Transmit, cmd::Receive, 0, cmd::CheckMap, cmd::Verify, 0, cmd::Monitor});
    QMenu* options = bar->addMenu(KelEditor::tr("&Options"));
    add(options, {cmd::MidiDevices, cmd::ShowMessages, cmd::Library});
    // The two octaves are one choice: the menu shows them as radio items.
    QMenu* middleC = options->addMenu(KelEditor::tr("Middle C (&Note 60)"));
    auto* octaves = new QActionGroup(middleC);
    for (const int id : {cmd::MiddleC3, cmd::MiddleC4}) {
        octaves->addAction(Action(id));
    }
    add(middleC, {cmd::MiddleC3, cmd::MiddleC4});
    add(bar->addMenu(KelEditor::tr("&Help")), {cmd::Help, cmd::About});
}

void CMainFrame::RebuildRecentFiles() {
    for (QAction* action : recentActions_) {
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();

    const RecentFileList& recent = parts_.files.RecentFiles();
    if (recent.Size() == 0) {
        auto* placeholder = new QAction(KelEditor::tr("Recent File"), this);
        SetKelId(placeholder, cmd::RecentFileFirst);
        placeholder->setEnabled(false);
        fileMenu_->insertAction(recentSeparator_, placeholder);
        recentActions_ << placeholder;
        return;
    }
    const QFontMetrics metrics(fileMenu_->font());
    for (std::size_t i = 0; i < recent.Size(); ++i) {
        const int id = cmd::RecentFileFirst + static_cast<int>(i);
        const QString path = QDir::toNativeSeparators(CAppSettings::FromFsPath(recent.At(i)));
        const QString shown = metrics.elidedText(path, Qt::ElideMiddle, 420);
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), this);
        SetKelId(action, id);
        action->setStatusTip(UiPrompt(StringId::CmdRecentFile));
        const int index = static_cast<int>(i);
        connect(action, &QAction::triggered, this,
                [this, index] { parts_.shell.OnRecentFile(index); });
        fileMenu_->insertAction(recentSeparator_, action);
        recentActions_ << action;
    }
}

QAction* CMainFrame::Action(int commandId) const {
    if (commandId >= cmd::RecentFileFirst && commandId <= cmd::RecentFileLast) {
        for (QAction* action : recentActions_) {
            if (KelIdOf(action) == commandId) {
                return action;
            }
        }
        return nullptr;
    }
    return commands_ != nullptr ? commands_->Action(commandId) : nullptr;
}

void CMainFrame::RunCommand(int commandId) {
    if (commandId >= cmd::RecentFileFirst && commandId <= cmd::RecentFileLast) {
        RebuildRecentFiles();
        if (QAction* action = Action(commandId); action != nullptr && action->isEnabled()) {
            action->trigger();
        }
        return;
    }
    commands_->Run(commandId);
}

namespace {

bool IsMenuWidget(const QWidget* widget) {
    return qobject_cast<const QMenuBar*>(widget) != nullptr ||
           qobject_cast<const QMenu*>(widget) != nullptr;
}

} // namespace

void CMainFrame::OnFocusChanged(QWidget* now) {
    // The menu bar takes the keyboard while a menu is used from the keyboard and gives it back
    // afterwards: the widget before it is still the one the Edit commands work on.
    if (now != nullptr && !IsMenuWidget(now)) {
        lastFocus_ = now;
    }
    UpdateNoAssignText();
    commands_->UpdateStates();
}

void CMainFrame::UpdateNoAssignText() {
    // The command deletes text in the TITLE field; its item says so while the field has the
    // keyboard.
    if (QAction* noAssign = Action(cmd::NoAssign); noAssign != nullptr) {
        noAssign->setText(TitleHasFocus() ? KelEditor::tr("DELETE")
                                          : KelEditor::tr("NO ASSIGN", "Edit menu"));
    }
}

bool CMainFrame::TitleHasFocus() const {
    if (dlgBar_ == nullptr) {
        return false;
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && IsMenuWidget(focus)) {
        focus = lastFocus_.data();
    }
    return focus == dlgBar_->TitleField();
}

void CMainFrame::ExportList() {
    const QString base = parts_.shell.MapBaseName();
    const QString target = parts_.shell.ChooseSaveFile(
        this, QtNameFilters(UiText(StringId::HtmlFileFilter)), QStringLiteral("htm"),
        base.isEmpty() ? QString() : base + ".htm");
    if (target.isEmpty()) {
        return;
    }
    parts_.shell.ApplyPendingEdits();
    const std::string file = CAppSettings::ToFsPath(target);
    if (const Status saved = ExportAssignList(document_.Map(), file); !saved) {
        ReportFileFailure(parts_.reporter, saved.Error(), StringId::SaveError, file);
    }
}

void CMainFrame::ViewList() {
    parts_.shell.ApplyPendingEdits();
    CDesktopOpener opener(parts_.ui, *this);
    ViewAssignList(document_.Map(), &opener, parts_.reporter);
}

void CMainFrame::Transmit() {
    if (mapCommands_->CheckBeforeTransmit()) {
        midi_.OnTransmit();
        mapCommands_->AfterTransmit();
    }
}

void CMainFrame::StepController(ControllerId id) {
    parts_.assign.OpenAssignDialog(id);
}

void CMainFrame::OnEditCommand(int id) {
    if (TitleHasFocus()) {
        CMapTextEdit* field = dlgBar_->TitleField();
        if (id == cmd::Copy) {
            field->copy();
        } else if (id == cmd::Paste) {
            field->paste();
        } else {
            field->ClearSelectionOrNext();
        }
        ActivateMain();
        return;
    }
    if (!IsValidController(document_.SelectedController())) {
        return;
    }
    IAssignDialog& dialog = parts_.assign;
    const int count = static_cast<int>(document_.SelectedCount());
    if (id == cmd::Copy) {
        if (dialog.ApplyAssignDialog() == 0) {
            document_.CopyControls();
            if (count > 1) {
                statusBar()->showMessage(KelEditor::tr("%n controls copied", nullptr, count), 5000);
            }
        }
    } else if (count > 1) {
        // Several controls change in the map at once: one undo step for all of them.
        if (dialog.ApplyAssignDialog() != 0) {
            return;
        }
        const CUndoHistory::StepName step(
            parts_.history, id == cmd::Paste ? KelEditor::tr("Paste %n controls", nullptr, count)
                                             : KelEditor::tr("Clear %n controls", nullptr, count));
        if (id == cmd::NoAssign) {
            document_.ClearControls();
        } else if (!document_.PasteControls()) {
            const int copied = static_cast<int>(document_.ClipboardCount());
            statusBar()->showMessage(
                KelEditor::tr("%n controls were copied: select one control or as many as were "
                              "copied to paste them.",
                              nullptr, copied),
                10000);
        }
    } else {
        // With the assign dialog hidden the edit goes into the map at once: one undo step.
        const QString name = QString::fromLatin1(ControllerName(document_.SelectedController()));
        const CUndoHistory::StepName step(
            parts_.history,
            (id == cmd::Paste ? KelEditor::tr("Paste %1") : KelEditor::tr("NO ASSIGN %1"))
                .arg(name));
        if (id == cmd::NoAssign) {
            document_.ClearAssign();
        } else if (document_.ClipboardCount() > 0 && !document_.PasteControls()) {
            statusBar()->showMessage(
                KelEditor::tr("%n controls were copied: select as many to paste them.", nullptr,
                              static_cast<int>(document_.ClipboardCount())),
                10000);
        }
    }
    QWidget* window = dialog.Window();
    if (window == nullptr || !window->isVisible()) {
        ActivateMain();
    }
}

void CMainFrame::OnOpenAssign(int controllerId) {
    IAssignDialog& dialog = parts_.assign;
    if (dialog.ApplyAssignDialog() != 0) {
        return;
    }
    dialog.OpenAssignDialog(controllerId);
}

void CMainFrame::OnSelectControl(int controllerId) {
    if (!IsValidController(controllerId)) {
        return;
    }
    IAssignDialog& dialog = parts_.assign;
    QWidget* window = dialog.Window();
    if (window != nullptr && window->isVisible()) {
        // The open dialog follows the selection, as with Next and Previous Controller, while
        // the keyboard stays on the panel.
        if (dialog.OpenAssignDialog(controllerId)) {
            ActivateMain();
            Panel()->setFocus(Qt::OtherFocusReason);
        }
    } else if (dialog.ApplyAssignDialog() == 0) {
        document_.SelectController(controllerId);
    }
}

void CMainFrame::OnSelectControls(const QList<int>& ids, int current) {
    if (!IsValidController(current)) {
        return;
    }
    const std::vector<ControllerId> chosen(ids.begin(), ids.end());
    IAssignDialog& dialog = parts_.assign;
    QWidget* window = dialog.Window();
    if (window != nullptr && window->isVisible()) {
        // The open dialog follows the selected control; the keyboard stays on the panel.
        if (!dialog.OpenAssignDialog(current)) {
            return;
        }
        document_.SelectControls(chosen, current);
        ActivateMain();
        Panel()->setFocus(Qt::OtherFocusReason);
    } else if (dialog.ApplyAssignDialog() == 0) {
        document_.SelectControls(chosen, current);
    }
}

CLibraryWindow* CMainFrame::Library() const {
    return library_;
}

void CMainFrame::SizeToPanel() {
    // The client area holds the dialog bar and the view; the view holds the panel exactly.
    centralWidget()->setFixedSize(view_->width(), dlgBar_->sizeHint().height() + view_->height());
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    setFixedSize(sizeHint());
}

void CMainFrame::PlaceAtStart() {
    std::optional<QPoint> kept = CAppSettings::MainWindowPosition(parts_.store);
    const QScreen* shown = kept ? QGuiApplication::screenAt(*kept) : nullptr;
    if (shown == nullptr) {
        kept.reset(); // never kept, or on a screen that is gone
        shown = screen();
    }
    if (shown == nullptr) {
        return;
    }
    move(PlaceMainAtStart(shown->availableGeometry(), frameGeometry().size(), kept).topLeft());
}

QRect CMainFrame::AssignDialogPlace(const QSize& frame, ControllerId id) const {
    PanelPlaces places;
    const QScreen* shown = screen();
    places.home = frameGeometry();
    places.area = shown != nullptr ? shown->availableGeometry() : places.home;
    const CKelPanel* panel = Panel();
    const auto onScreen = [panel](const QRect& r) {
        return QRect(panel->mapToGlobal(r.topLeft()), r.size());
    };
    for (ControllerId control = 0; control < kControllerCount; ++control) {
        places.controls.push_back(onScreen(CKelPanel::ControlRectOf(control)));
    }
    places.keyboard = onScreen(CKelPanel::KeyboardRect());
    places.selected = onScreen(CKelPanel::ControlRectOf(id));
    return PlaceBesidePanel(places, frame);
}

void CMainFrame::PlaceWindowBesidePanel(QWidget& window) const {
    window.adjustSize();
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    window.move(AssignDialogPlace(window.size().grownBy(frame), kNoController).topLeft());
}

void CMainFrame::ActivateMain() {
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

void CMainFrame::ShowListViewer(const QString& file) {
    if (listViewer_ == nullptr) {
        listViewer_ = new CHtmlViewer(this, false);
        listViewer_->setWindowIcon(windowIcon());
        CHtmlViewer* viewer = listViewer_;
        viewer->AddButton(KelEditor::tr("Open in &Browser"), [this, viewer] {
            const QUrl page = viewer->Source();
            if (!parts_.ui.OpenUrl(page)) {
                parts_.reporter.warn(StringId::BrowserError, -1);
            }
        });
        viewer->AddButton(KelEditor::tr("&Save As..."), [this, viewer] {
            const QString base = parts_.shell.MapBaseName();
            const QString target = parts_.shell.ChooseSaveFile(
                viewer, QtNameFilters(UiText(StringId::HtmlFileFilter)), QStringLiteral("htm"),
                base.isEmpty() ? QString() : base + ".htm");
            if (!target.isEmpty()) {
                const std::string file = CAppSettings::ToFsPath(target);
                if (const Status saved = ExportAssignList(viewedMap_, file); !saved) {
                    ReportFileFailure(parts_.reporter, saved.Error(), StringId::SaveError, file);
                }
            }
        });
    }
    // The list is saved as it is shown, whatever the map becomes meanwhile.
    viewedMap_ = document_.Map();
    listViewer_->ShowFile(file);
    listViewer_->ShowOver(this);
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == CEditorNotifyEvent::kType) {
        const auto* notify = static_cast<CEditorNotifyEvent*>(event);
        if (notify->Code() == NotifyOpenAssign) {
            OnOpenAssign(notify->Value());
        } else if (notify->Code() == NotifySelectControl) {
            OnSelectControl(notify->Value());
        } else if (notify->Code() == NotifyActivateMain) {
            // The assign dialog closed: the keyboard goes back to the panel, on the control
            // just edited (the selected one), which the panel frames while it has the focus.
            ActivateMain();
            Panel()->setFocus(Qt::OtherFocusReason);
        }
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A title typed or an assignment changed just before closing still counts as a change
    // worth the save question; a message text the assign dialog refuses keeps the editor open.
    if (!parts_.shell.ApplyPendingEdits() ||
        parts_.files.ConfirmDiscard(parts_.reporter) == Answer::Cancel) {
        event->ignore();
        return;
    }
    if (IAssignDialog& dialog = parts_.assign; dialog.Window() != nullptr) {
        dialog.DestroyWindow();
    }
    if (CMonitorWindow* monitor = findChild<CMonitorWindow*>(); monitor != nullptr) {
        monitor->KeepPlace();
    }
    if (library_ != nullptr) {
        library_->KeepPlace();
    }
    CAppSettings::StoreMainWindowPosition(parts_.store, pos());
    event->accept();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) {
        return;
    }
    QWidget* dialog = parts_.assign.Window();
    if (dialog == nullptr) {
        return;
    }
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (isMinimized()) {
        dialogWasVisible_ = dialog->isVisible();
        dialog->hide();
    } else if ((change->oldState() & Qt::WindowMinimized) != 0 && dialogWasVisible_) {
        dialog->show();
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
    event->ignore();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(CAppSettings::ToFsPath(url.toLocalFile()));
        }
    }
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    parts_.files.CommandOpenDropped(paths, parts_.reporter);
}

} // namespace kel

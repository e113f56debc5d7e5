// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainframe.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include "app/htmlviewer.h"
#include "app/keleditorapp.h"
#include "app/kelmidi.h"
#include "app/learn.h"
#include "app/mapcommands.h"
#include "app/undo.h"
#include "files/listfile.h"
#include "gui/common/accedit.h"
#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "gui/common/uitext.h"
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

CKelDlgBar::CKelDlgBar(CParameter& document, QWidget* parent)
    : QFrame(parent), document_(document), titleField_(new CCharEdit(this)) {
    setFrameShape(QFrame::NoFrame);
    auto* label = new QLabel(KelEditor::tr("TITLE:"), this);
    SetKelId(titleField_, ctl::TitleField);
    titleField_->setMaxLength(kTitleLimit);
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
}

void CKelDlgBar::CommitTitleField() {
    document_.CommitTitle(titleField_->text().toLatin1().toStdString());
}

void CKelDlgBar::RefreshTitleField() {
    titleField_->setText(QString::fromLatin1(document_.GetTitle()));
}

bool CKelDlgBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == titleField_ && event->type() == QEvent::FocusOut) {
        CommitTitleField();
    }
    return QFrame::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// CChildView

CChildView::CChildView(CParameter& document, QWidget* parent)
    : QFrame(parent), panel_(new CKelPanel(document)) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    // The panel sits in the top-left corner of the view's client area, inside the sunken edge.
    panel_->SetPosition(frameWidth(), frameWidth());
    created_ = panel_->CreatePanel(this);
    if (created_) {
        setFixedSize(panel_->PanelWidth() + 2 * frameWidth(),
                     panel_->PanelHeight() + 2 * frameWidth());
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

CMainFrame::CMainFrame(CKelEditorApp& app) : app_(app), document_(app.Document()) {
    CBmpList::AddUser();
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(CKelEditorApp::AppIcon());
    setAcceptDrops(true);

    auto* central = new QWidget(this);
    dlgBar_ = new CKelDlgBar(document_, central);
    view_ = new CChildView(document_, central);
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
    mapCommands_ = new CMapCommands(app_, *this);
    CreateMenus();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { OnFocusChanged(now); });

    dlgBar_->RefreshTitleField();
    dlgBar_->TitleField()->setFocus();
    UpdateCommandUI();
    created_ = true;
}

CMainFrame::~CMainFrame() {
    // The child widgets go after this body, and the focus moves as they do: the window's own
    // parts are gone by then, so it no longer follows the focus.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    CBmpList::ReleaseUser();
}

CKelPanel* CMainFrame::Panel() const {
    return view_ != nullptr ? view_->Panel() : nullptr;
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& text,
                                const QList<QKeySequence>& keys) {
    auto* action = new QAction(text, this);
    SetKelId(action, id);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    if (const QString prompt = UiPrompt(static_cast<StringId>(id));
        menu != nullptr && !prompt.isEmpty()) {
        action->setStatusTip(prompt);
    }
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    if (menu != nullptr) {
        menu->addAction(action);
    } else {
        addAction(action); // accelerator only
    }
    actions_[id] = action;
    return action;
}

void CMainFrame::CreateMenus() {
    using QKS = QKeySequence;
    QMenuBar* bar = menuBar();

    fileMenu_ = bar->addMenu(KelEditor::tr("&File"));
    AddCommand(fileMenu_, cmd::New, KelEditor::tr("&New\tCtrl+N"),
               {QKS(Qt::CTRL | Qt::Key_N), QKS(Qt::CTRL | Qt::Key_Backspace)});
    AddCommand(fileMenu_, cmd::Open, KelEditor::tr("&Open...\tCtrl+O"),
               {QKS(Qt::CTRL | Qt::Key_O)});
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, cmd::Save, KelEditor::tr("&Save\tCtrl+S"), {QKS(Qt::CTRL | Qt::Key_S)});
    AddCommand(fileMenu_, cmd::SaveAs, KelEditor::tr("Save &As...\tCtrl+Shift+S"),
               {QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, cmd::ImportMemorySet, KelEditor::tr("&Import Memory Set..."), {});
    AddCommand(fileMenu_, cmd::ImportSysEx, KelEditor::tr("Import S&ysEx..."), {});
    AddCommand(fileMenu_, cmd::ExportSysEx, KelEditor::tr("Expor&t SysEx..."), {});
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, cmd::ExportList, KelEditor::tr("&Export Assign List..."), {});
    AddCommand(fileMenu_, cmd::ViewList, KelEditor::tr("&View Assign List"), {});
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, cmd::CompareWith, KelEditor::tr("Compare &With..."), {});
    fileMenu_->addSeparator();
    recentSeparator_ = fileMenu_->addSeparator();
    AddCommand(fileMenu_, cmd::Exit, KelEditor::tr("E&xit"), {});
    connect(fileMenu_, &QMenu::aboutToShow, this, [this] {
        RebuildRecentFiles();
        UpdateCommandUI();
    });
    RebuildRecentFiles();

    QMenu* edit = bar->addMenu(KelEditor::tr("&Edit"));
    AddCommand(edit, cmd::Undo, KelEditor::tr("&Undo\tCtrl+Z"), {QKS(Qt::CTRL | Qt::Key_Z)});
    AddCommand(edit, cmd::Redo, KelEditor::tr("&Redo\tCtrl+Y"),
               {QKS(Qt::CTRL | Qt::Key_Y), QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addSeparator();
    AddCommand(edit, cmd::Copy, KelEditor::tr("&Copy\tCtrl+C"),
               {QKS(Qt::CTRL | Qt::Key_C), QKS(Qt::CTRL | Qt::Key_Insert)});
    AddCommand(edit, cmd::Paste, KelEditor::tr("&Paste\tCtrl+V"),
               {QKS(Qt::CTRL | Qt::Key_V), QKS(Qt::SHIFT | Qt::Key_Insert)});
    AddCommand(edit, cmd::NoAssign, KelEditor::tr("NO ASSIGN\tDel"), {QKS(Qt::Key_Delete)});
    edit->addSeparator();
    AddCommand(edit, cmd::LearnFromInput, KelEditor::tr("&Learn from Input\tCtrl+L"),
               {QKS(Qt::CTRL | Qt::Key_L)})
        ->setStatusTip(KelEditor::tr("Assign the selected control the next message the KEL "
                                     "sends"));
    connect(edit, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);

    QMenu* comm = bar->addMenu(KelEditor::tr("&Communication"));
    AddCommand(comm, cmd::Transmit, KelEditor::tr("&Transmit..."), {});
    AddCommand(comm, cmd::Receive, KelEditor::tr("&Receive..."), {});
    comm->addSeparator();
    AddCommand(comm, cmd::CheckMap, KelEditor::tr("Check &Map..."), {});
    AddCommand(comm, cmd::Verify, KelEditor::tr("&Verify..."), {});
    comm->addSeparator();
    QAction* monitor = AddCommand(comm, cmd::Monitor, KelEditor::tr("M&onitor\tCtrl+M"),
                                  {QKS(Qt::CTRL | Qt::Key_M)});
    monitor->setCheckable(true);
    monitor->setStatusTip(KelEditor::tr("Show the messages the KEL sends and the controls that "
                                        "send them"));
    connect(comm, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);

    QMenu* options = bar->addMenu(KelEditor::tr("&Options"));
    AddCommand(options, cmd::MidiDevices, KelEditor::tr("&MIDI Devices..."), {});
    AddCommand(options, cmd::ShowMessages, KelEditor::tr("&Show Messages"), {})->setCheckable(true);
    connect(options, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);

    QMenu* help = bar->addMenu(KelEditor::tr("&Help"));
    AddCommand(help, cmd::Help, KelEditor::tr("KEL Editor &Help"), {});
    AddCommand(help, cmd::About, KelEditor::tr("&About..."), {});

    AddCommand(nullptr, cmd::NextController, QStringLiteral("Next Controller"),
               {QKS(Qt::CTRL | Qt::Key_F)});
    AddCommand(nullptr, cmd::PreviousController, QStringLiteral("Previous Controller"),
               {QKS(Qt::CTRL | Qt::Key_B)});
    mapCommands_->SetPrompts();
}

void CMainFrame::RebuildRecentFiles() {
    for (QAction* action : recentActions_) {
        fileMenu_->removeAction(action);
        actions_.erase(KelIdOf(action));
        action->deleteLater();
    }
    recentActions_.clear();

    const RecentFileList& recent = app_.Files().RecentFiles();
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
        connect(action, &QAction::triggered, this, [this, index] { app_.OnRecentFile(index); });
        fileMenu_->insertAction(recentSeparator_, action);
        recentActions_ << action;
        actions_[id] = action;
    }
}

QAction* CMainFrame::Action(int commandId) const {
    const auto it = actions_.find(commandId);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::RunCommand(int commandId) {
    UpdateCommandUI();
    if (commandId >= cmd::RecentFileFirst && commandId <= cmd::RecentFileLast) {
        RebuildRecentFiles();
    }
    if (QAction* action = Action(commandId); action != nullptr && action->isEnabled()) {
        action->trigger();
    }
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
    UpdateCommandUI();
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

void CMainFrame::UpdateCommandUI() {
    if (actions_.empty()) {
        return;
    }
    const bool titleFocus = TitleHasFocus();
    const bool selected = IsValidController(document_.SelectedController());
    Action(cmd::Copy)->setEnabled(titleFocus || selected);
    Action(cmd::Paste)->setEnabled(titleFocus || selected);
    QAction* noAssign = Action(cmd::NoAssign);
    noAssign->setText(titleFocus ? KelEditor::tr("DELETE\tDel") : KelEditor::tr("NO ASSIGN\tDel"));
    noAssign->setEnabled(titleFocus || selected);
    Action(cmd::ShowMessages)->setChecked(Panel() != nullptr && Panel()->ShowLabels());
    CKelMidi& midi = app_.MidiPorts();
    Action(cmd::Monitor)->setChecked(midi.MonitorOn());
    Action(cmd::LearnFromInput)->setEnabled(selected && !midi.Learn().Active());
    if (mapCommands_ != nullptr) {
        mapCommands_->UpdateCommandUI();
    }
}

void CMainFrame::OnCommand(int id) {
    CMapFiles& files = app_.Files();
    Questioner& questioner = app_.GetQuestioner();
    switch (id) {
    case cmd::New:
        if (files.CommandNew(questioner) != 0) {
            ActivateMain();
        }
        break;
    case cmd::Open:
        files.CommandOpen(questioner);
        ActivateMain();
        break;
    case cmd::Save:
        files.SaveCurrentMap();
        break;
    case cmd::SaveAs:
        files.SaveMapFileAs();
        break;
    case cmd::ImportMemorySet:
        files.CommandImportMemorySet(questioner);
        ActivateMain();
        break;
    case cmd::ExportList: {
        const QString base = app_.MapBaseName();
        const QString target =
            app_.ChooseSaveFile(this, QtNameFilters(UiText(StringId::HtmlFileFilter)),
                                QStringLiteral("htm"), base.isEmpty() ? QString() : base + ".htm");
        if (target.isEmpty()) {
            break;
        }
        app_.CommitTitleField();
        app_.ApplyAssignDialog();
        ExportAssignList(document_.Map(), std::filesystem::path(CAppSettings::ToFsPath(target)),
                         app_.GetReporter());
        break;
    }
    case cmd::ViewList: {
        app_.CommitTitleField();
        app_.ApplyAssignDialog();
        CDesktopOpener opener(app_.Ui(), *this);
        ViewAssignList(document_.Map(), &opener, app_.GetReporter());
        break;
    }
    case cmd::Exit:
        close();
        break;
    case cmd::Copy:
    case cmd::Paste:
    case cmd::NoAssign:
        OnEditCommand(id);
        break;
    case cmd::Transmit:
        if (mapCommands_->CheckBeforeTransmit()) {
            app_.MidiPorts().OnTransmit();
            mapCommands_->AfterTransmit();
        }
        break;
    case cmd::Receive:
        app_.MidiPorts().OnReceive();
        break;
    case cmd::MidiDevices:
        app_.MidiPorts().OnMidiDevices();
        break;
    case cmd::Monitor:
        app_.MidiPorts().OnMonitor();
        break;
    case cmd::LearnFromInput:
        app_.MidiPorts().OnLearn();
        break;
    case cmd::ShowMessages:
        if (Panel() != nullptr) {
            Panel()->ToggleLabels();
        }
        break;
    case cmd::Help:
        app_.OnHelp();
        break;
    case cmd::About:
        app_.OnAbout();
        break;
    case cmd::NextController:
        app_.AssignDialog().OpenAssignDialog(document_.NextController());
        Panel()->update();
        break;
    case cmd::PreviousController:
        app_.AssignDialog().OpenAssignDialog(document_.PreviousController());
        Panel()->update();
        break;
    default:
        if (CMapCommands::Serves(id)) {
            mapCommands_->Run(id);
        }
        break;
    }
    UpdateCommandUI();
}

void CMainFrame::OnEditCommand(int id) {
    if (TitleHasFocus()) {
        CCharEdit* field = dlgBar_->TitleField();
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
    IAssignDialog& dialog = app_.AssignDialog();
    if (id == cmd::Copy) {
        if (dialog.ApplyAssignDialog() == 0) {
            document_.CopyAssign();
        }
    } else {
        // With the assign dialog hidden the edit goes into the map at once: one undo step.
        const QString name = QString::fromLatin1(ControllerName(document_.SelectedController()));
        const CUndoHistory::StepName step(
            app_.History(),
            (id == cmd::Paste ? KelEditor::tr("Paste %1") : KelEditor::tr("NO ASSIGN %1"))
                .arg(name));
        if (id == cmd::Paste) {
            document_.PasteAssign();
        } else {
            document_.ClearAssign();
        }
    }
    Panel()->update();
    QWidget* window = dialog.Window();
    if (window == nullptr || !window->isVisible()) {
        ActivateMain();
    }
}

void CMainFrame::OnOpenAssign(int controllerId) {
    IAssignDialog& dialog = app_.AssignDialog();
    if (dialog.ApplyAssignDialog() != 0) {
        return;
    }
    dialog.OpenAssignDialog(controllerId);
    Panel()->update();
    UpdateCommandUI();
}

void CMainFrame::OnSelectControl(int controllerId) {
    if (!IsValidController(controllerId)) {
        return;
    }
    IAssignDialog& dialog = app_.AssignDialog();
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
    Panel()->update();
    UpdateCommandUI();
}

void CMainFrame::SizeToPanel() {
    // The client area holds the dialog bar and the view; the view holds the panel exactly.
    centralWidget()->setFixedSize(view_->width(), dlgBar_->sizeHint().height() + view_->height());
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    setFixedSize(sizeHint());
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
            if (!app_.Ui().OpenUrl(page)) {
                app_.GetReporter().warn(StringId::BrowserError, -1);
            }
        });
        viewer->AddButton(KelEditor::tr("&Save As..."), [this, viewer] {
            const QString base = app_.MapBaseName();
            const QString target = app_.ChooseSaveFile(
                viewer, QtNameFilters(UiText(StringId::HtmlFileFilter)), QStringLiteral("htm"),
                base.isEmpty() ? QString() : base + ".htm");
            if (!target.isEmpty()) {
                ExportAssignList(viewedMap_, std::filesystem::path(CAppSettings::ToFsPath(target)),
                                 app_.GetReporter());
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
            ActivateMain();
            setFocus();
        }
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A title typed or an assignment changed just before closing still counts as a change
    // worth the save question; a message text the assign dialog refuses keeps the editor open.
    if (!app_.ApplyPendingEdits() ||
        app_.Files().ConfirmDiscard(app_.GetQuestioner()) == Answer::Cancel) {
        event->ignore();
        return;
    }
    if (IAssignDialog& dialog = app_.AssignDialog(); dialog.Window() != nullptr) {
        dialog.DestroyWindow();
    }
    event->accept();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) {
        return;
    }
    QWidget* dialog = app_.AssignDialog().Window();
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
    app_.Files().CommandOpenDropped(paths, app_.GetQuestioner());
    UpdateCommandUI();
}

} // namespace kel

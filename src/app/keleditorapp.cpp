// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/keleditorapp.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>
#include <QWindow>

#include "app/htmlviewer.h"
#include "app/kelmidi.h"
#include "app/mainframe.h"
#include "app/undo.h"
#include "files/listfile.h"
#include "gui/assign/msgdlg.h"
#include "gui/common/accedit.h"
#include "gui/common/ids.h"
#include "gui/common/maptextedit.h"
#include "gui/common/translation.h"
#include "gui/common/uitext.h"
#include "gui/panel/kelpanel.h"

namespace kel {

namespace {

constexpr int kPathLimit = 260;           // characters taken from the command line
constexpr qint64 kPlacementWaitMs = 1000; // for the window manager to place the main window
constexpr char kLegalCopyright[] = "Copyright (C) 2026 the KEL Editor developers";

} // namespace

CKelEditorApp::CKelEditorApp(CUiServices& ui, std::unique_ptr<QSettings> store)
    : ui_(ui), store_(std::move(store)), reporter_(ui, [this] { return MessageParent(); }),
      documentSignals_(document_), msgDlg_(std::make_unique<CKelMsgDlg>(document_, reporter_)),
      direct_(document_), files_(document_, reporter_, *this) {
    document_.NewDocument();
    history_ = std::make_unique<CUndoHistory>(document_);
    SetAssignDialog(msgDlg_.get());
    msgDlg_->SetViewOptions(&viewOptions_);
    // The assign dialog shows the selected control's edit buffer as it is now; a hidden one
    // commits a changed buffer instead (Paste and NO ASSIGN from the main window).
    for (const auto signal :
         {&CDocumentSignals::mapReplaced, &CDocumentSignals::editBufferChanged}) {
        connect(&documentSignals_, signal, this, [this] { AssignDialog().RefreshFromDocument(); });
    }
    connect(&documentSignals_, &CDocumentSignals::controlsChanged, this,
            [this](const QList<int>& ids) {
                if (ids.contains(document_.SelectedController())) {
                    AssignDialog().RefreshFromDocument();
                }
            });
    parts_ = std::make_unique<EditorParts>(EditorParts{document_, documentSignals_, files_,
                                                       *history_, currentAssign_, ui_, reporter_,
                                                       *store_, *this, viewOptions_});
    // The MIDI input and output ports and the Transmit, Receive and MIDI Devices commands,
    // constructed last and destroyed first.
    midiPorts_ = std::make_unique<CKelMidi>(*parts_, settings_);
}

CKelEditorApp::~CKelEditorApp() {
    delete mainWindow_.data();
}

QWidget* CKelEditorApp::MessageParent() const {
    if (QWidget* active = QApplication::activeWindow(); active != nullptr) {
        return active;
    }
    return mainWindow_.data();
}

QString CKelEditorApp::ComputeHelpPath(const QString& programDirectory, const QLocale& locale) {
    const QString page = locale.language() == QLocale::Japanese ? QStringLiteral("index_j.htm")
                                                                : QStringLiteral("index_e.htm");
    return QDir(programDirectory).filePath(QStringLiteral("help/") + page);
}

QString CKelEditorApp::FindHelpPath(const QStringList& directories, const QLocale& locale) {
    for (const QString& directory : directories) {
        if (const QString path = ComputeHelpPath(directory, locale); QFileInfo(path).isFile()) {
            return path;
        }
    }
    return directories.isEmpty() ? QString() : ComputeHelpPath(directories.first(), locale);
}

QStringList CKelEditorApp::HelpDirectories() {
    QStringList directories{QCoreApplication::applicationDirPath()};
#ifdef KEL_INSTALLED_DATA_DIR
    directories.append(QStringLiteral(KEL_INSTALLED_DATA_DIR));
#endif
    return directories;
}

QString CKelEditorApp::FirstArgument(const QStringList& arguments) {
    if (arguments.size() < 2) {
        return {};
    }
    return arguments.at(1).left(kPathLimit);
}

bool CKelEditorApp::Startup(const QStringList& arguments) {
    // List files that editors killed or crashed left in the temporary folder.
    RemoveViewFilesOfEndedEditors();
    settings_.Load(*store_);
    viewOptions_.SetMiddleC(CAppSettings::MiddleCSetting(*store_));
    midiPorts_->LoadSettings();
    files_.RecentFiles().Load(settings_.StoredRecentFiles());
    helpPath_ = FindHelpPath(HelpDirectories(), QLocale());

    auto* window = new CMainFrame(*parts_, *midiPorts_);
    if (!window->Created()) {
        delete window;
        return false;
    }
    mainWindow_ = window;
    ui_.SetMainWindow(window);
    midiPorts_->SetMainWindow(window);
    // The assign dialog takes the main window's commands and keys, and activates it when it
    // closes.
    window->Commands().Share(*msgDlg_);
    msgDlg_->SetNotifyTarget(window);
    msgDlg_->SetHomeWindow(window);
    msgDlg_->SetPlacement([window](const QSize& frame, ControllerId id) {
        return window->AssignDialogPlace(frame, id);
    });
    if (const std::optional<QPoint> place = CAppSettings::AssignDialogPosition(*store_)) {
        msgDlg_->SetSavedPosition(*place);
    }
    connect(msgDlg_.get(), &CKelMsgDlg::PositionKept, this, [this](const QPoint& topLeft) {
        CAppSettings::StoreAssignDialogPosition(*store_, topLeft);
    });
    window->SizeToPanel();
    window->PlaceAtStart();
    files_.UpdateTitle();
    window->show();
    window->DialogBar()->TitleField()->setFocus();

    // The window manager places a new window where it likes (for a second at most): once it is
    // on the screen it goes to the left, where the assign dialog has room beside it, and a
    // message about a file is centred on it there.
    QElapsedTimer waited;
    waited.start();
    while (window->windowHandle() != nullptr && !window->windowHandle()->isExposed() &&
           waited.elapsed() < kPlacementWaitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    window->PlaceAtStart();
    if (const QString path = FirstArgument(arguments); !path.isEmpty()) {
        files_.LoadMapFile(CAppSettings::ToFsPath(path), ControlMapKind);
    }
    return true;
}

void CKelEditorApp::ExitInstance() {
    if (IAssignDialog& dialog = AssignDialog(); dialog.Window() != nullptr) {
        dialog.DestroyWindow();
    }
    CAppSettings::SaveRecentFiles(*store_, files_.RecentFiles().Entries());
    // The lists this editor's Views wrote: the browser has read them by now.
    RemoveOwnViewFiles();
}

QString CKelEditorApp::VersionText() {
    return QStringLiteral("%1 Version %2\n%3")
        .arg(QStringLiteral(KEL_PRODUCT_NAME), QStringLiteral(KEL_PRODUCT_VERSION),
             QString::fromLatin1(kLegalCopyright));
}

QIcon CKelEditorApp::AppIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        icon.addFile(
            QStringLiteral(":/kel/icons/%1x%1/apps/io.github.keleditor.KelEditor.png").arg(size),
            QSize(size, size));
    }
    return icon;
}

QString CKelEditorApp::AboutText() const {
    const QString comment = CAppSettings::ReadAboutComment();
    return comment.isEmpty() ? VersionText() : comment;
}

void CKelEditorApp::OnHelp() {
    const QFileInfo page(helpPath_);
    if (!page.isFile()) {
        reporter_.warn(StringId::HelpNotFound);
        return;
    }
    // The editor's own window, so that help opens also where no browser is installed.
    if (helpWindow_ == nullptr) {
        helpWindow_ = new CHtmlViewer(mainWindow_.data(), true);
        helpWindow_->setWindowIcon(AppIcon());
    }
    helpWindow_->ShowFile(page.absoluteFilePath());
    helpWindow_->ShowOver(mainWindow_.data());
}

void CKelEditorApp::OnAbout() {
    QDialog box(mainWindow_.data());
    box.setWindowTitle(KelEditor::tr("About VOSTEL KEL Editor"));
    box.setWindowFlags(box.windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* icon = new QLabel(&box);
    icon->setPixmap(AppIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(AboutText(), &box);
    SetKelId(text, ctl::AboutText);
    text->setTextFormat(Qt::PlainText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The licence stays whatever the installed comment says.
    auto* licence = new QLabel(KelEditor::tr("KEL Editor is free software: you may share and "
                                             "change it under the GNU General Public License, "
                                             "version 3 or later (GPL-3.0-or-later). It comes "
                                             "with no warranty."),
                               &box);
    licence->setObjectName(QStringLiteral("licence"));
    licence->setWordWrap(true);
    licence->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(row);
    layout->addWidget(licence);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ui_.RunModal(box);
}

void CKelEditorApp::OnRecentFile(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= files_.RecentFiles().Size()) {
        return;
    }
    files_.CommandOpenRecent(static_cast<std::size_t>(index), reporter_);
    if (mainWindow_ != nullptr) {
        mainWindow_->ActivateMain();
    }
}

void CKelEditorApp::UpdateTitle(const std::string&) {
    // The title is composed here rather than taken as given, so that "Untitled" and the
    // application title follow the user's language.
    if (mainWindow_ != nullptr) {
        mainWindow_->setWindowTitle(MainTitle(files_.CurrentPath()));
    }
}

QString CKelEditorApp::MainTitle(const std::string& currentPath) {
    const QString name =
        currentPath.empty() ? UiText(StringId::Untitled) : CAppSettings::FromFsPath(currentPath);
    return name + QStringLiteral(" - ") + AppTitle();
}

void CKelEditorApp::CommitTitleField() {
    if (mainWindow_ != nullptr) {
        mainWindow_->DialogBar()->CommitTitleField();
    }
}

void CKelEditorApp::ApplyAssignDialog() {
    AssignDialog().ApplyAssignDialog();
}

bool CKelEditorApp::ApplyPendingEdits() {
    CommitTitleField();
    return AssignDialog().ApplyAssignDialog() == 0;
}

std::optional<std::string> CKelEditorApp::ChooseSavePath() {
    const QString current = CAppSettings::FromFsPath(files_.CurrentPath());
    const QString path =
        ChooseSaveFile(mainWindow_.data(), QtNameFilters(UiText(StringId::FileFilter)),
                       QStringLiteral("mid"), QFileInfo(current).fileName());
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return CAppSettings::ToFsPath(path);
}

std::optional<std::string> CKelEditorApp::ChooseOpenPath() {
    const QString path =
        ChooseOpenFile(mainWindow_.data(), QtNameFilters(UiText(StringId::FileFilter)));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return CAppSettings::ToFsPath(path);
}

QString CKelEditorApp::MapBaseName() const {
    const std::string& current = files_.CurrentPath();
    return current.empty() ? QString()
                           : QFileInfo(CAppSettings::FromFsPath(current)).completeBaseName();
}

QString CKelEditorApp::DialogStart(const QString& proposedName) const {
    QString folder;
    if (const std::string& current = files_.CurrentPath(); !current.empty()) {
        folder = QFileInfo(CAppSettings::FromFsPath(current)).absolutePath();
    }
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = CAppSettings::LastFolder(*store_);
    }
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        folder.clear(); // removed since: the working folder
    }
    if (proposedName.isEmpty()) {
        return folder;
    }
    return folder.isEmpty() ? proposedName : QDir(folder).filePath(proposedName);
}

QString CKelEditorApp::Picked(const QString& path) {
    if (!path.isEmpty()) {
        CAppSettings::StoreLastFolder(*store_, QFileInfo(path).absolutePath());
    }
    return path;
}

QString CKelEditorApp::ChooseOpenFile(QWidget* parent, const QStringList& filters) {
    return Picked(ui_.GetOpenFileName(parent, filters, DialogStart({})));
}

QString CKelEditorApp::ChooseSaveFile(QWidget* parent, const QStringList& filters,
                                      const QString& suffix, const QString& proposedName) {
    return Picked(ui_.GetSaveFileName(parent, filters, suffix, DialogStart(proposedName)));
}

ChangedFileAnswer CKelEditorApp::AskReplaceChangedFile(const std::string& path) {
    QMessageBox box(QMessageBox::Warning, AppTitle(),
                    KelEditor::tr("%1\n\nThis file has been changed on disk since it was opened "
                                  "or last saved. Replace it, or save the map under another name?")
                        .arg(CAppSettings::FromFsPath(path)),
                    QMessageBox::NoButton, MessageParent());
    QPushButton* replace = box.addButton(KelEditor::tr("&Replace"), QMessageBox::DestructiveRole);
    QPushButton* saveAs = box.addButton(KelEditor::tr("Save &As..."), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    ui_.RunModal(box);
    if (box.clickedButton() == replace) {
        return ChangedFileAnswer::Replace;
    }
    if (box.clickedButton() == saveAs) {
        return ChangedFileAnswer::SaveAs;
    }
    return ChangedFileAnswer::Cancel;
}

} // namespace kel

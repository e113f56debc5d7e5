// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: owns the document, the assign dialog hook, the current file and the
// main window for the life of the process; starts up in a fixed order; serves Help, About and
// the recent-file commands; writes the recent-file list at exit.
#pragma once

#include <QIcon>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

#include "app/editorparts.h"
#include "app/htmlviewer.h"
#include "app/settings.h"
#include "files/listfile.h"
#include "files/mapfile.h"
#include "gui/common/assignhook.h"
#include "gui/common/documentsignals.h"
#include "gui/common/uiservices.h"
#include "gui/common/viewoptions.h"
#include "model/assignlist.h"
#include "model/parameter.h"
#include "session/mapfiles.h"

class QSettings;

namespace kel {

class CKelMidi;
class CKelMsgDlg;
class CMainFrame;
class CUndoHistory;

class CKelEditorApp : public QObject, private MapFileHost, public EditorShell {
    Q_OBJECT
public:
    // `store` is the per-user settings store (CAppSettings::OpenUserStore in the editor).
    CKelEditorApp(CUiServices& ui, std::unique_ptr<QSettings> store);
    ~CKelEditorApp() override;

    // Start-up after the single-instance check: settings, help path, main window, the file
    // named by the first command-line argument. False when the main window cannot be created.
    bool Startup(const QStringList& arguments);
    // Writes the recent-file list; the main window is gone or about to go.
    void ExitInstance();

    CParameter& Document() { return document_; }
    CDocumentSignals& DocumentSignals() { return documentSignals_; }
    // What the windows and commands are given to work with.
    const EditorParts& Parts() const { return *parts_; }
    CMapFiles& Files() { return files_; }
    CAppSettings& Settings() { return settings_; }
    // How the windows show names (the octave of middle C), as the user set it.
    CViewOptions& ViewOptions() { return viewOptions_; }
    QSettings& Store() { return *store_; }
    CUiServices& Ui() { return ui_; }
    Reporter& GetReporter() { return reporter_; }
    Questioner& GetQuestioner() { return reporter_; }
    CMainFrame* MainWindow() const { return mainWindow_; }

    // The assign dialog (a stand-in until one is registered; `dialog` may be null to go back).
    IAssignDialog& AssignDialog() { return assign_ != nullptr ? *assign_ : direct_; }
    void SetAssignDialog(IAssignDialog* dialog) { assign_ = dialog; }

    // The MIDI side: the chosen MIDI system and the input and output ports.
    CKelMidi& MidiPorts() { return *midiPorts_; }
    // The undo history of the control map.
    CUndoHistory& History() { return *history_; }

    // The help page beside the executable, by the user's language.
    static QString ComputeHelpPath(const QString& programDirectory, const QLocale& locale);
    // The help page of the first of `directories` that has it (the program's own directory
    // first, then the installed data directory); the first directory's page when none has it,
    // so that Help reports the page as missing.
    static QString FindHelpPath(const QStringList& directories, const QLocale& locale);
    // Where the help pages are looked for: beside the executable, then the data directory the
    // program was installed with.
    static QStringList HelpDirectories();
    const QString& HelpFilePath() const { return helpPath_; }
    void SetHelpFilePath(const QString& path) { helpPath_ = path; }

    // The text of the About box: "AboutComment" of the machine-wide store when set, otherwise
    // the product name, version and copyright.
    QString AboutText() const;
    static QString VersionText();
    // The editor's icon in its ready sizes (16 to 64 pixels), for the window and the About box.
    static QIcon AppIcon();

    // Commands served by the application. Help shows the help page in the editor's help
    // window, or says the page cannot be found.
    void OnHelp() override;
    // The help window while it exists.
    CHtmlViewer* HelpWindow() const { return helpWindow_.data(); }
    void OnAbout() override;
    void OnRecentFile(int index) override;

    // The main window's title for the current path: the path or "Untitled", " - ", the
    // application title.
    static QString MainTitle(const std::string& currentPath);

    // The first command-line argument as the file to open (at most 260 characters).
    static QString FirstArgument(const QStringList& arguments);

    // The file dialogs of the editor. They start in the folder of the open map, else in the
    // folder last picked from (kept in the settings); `proposedName`, when given, is offered as
    // the file's name there. The folder of a picked file is kept as the last one. Empty on
    // Cancel.
    QString ChooseOpenFile(QWidget* parent, const QStringList& filters) override;
    QString ChooseSaveFile(QWidget* parent, const QStringList& filters, const QString& suffix,
                           const QString& proposedName = {}) override;
    // The open map's file name without its suffix; empty for an untitled map.
    QString MapBaseName() const override;

    // MapFileHost, used by the main window as well.
    void UpdateTitle(const std::string& title) override;
    void CommitTitleField() override;
    void ApplyAssignDialog() override;
    bool ApplyPendingEdits() override;
    std::optional<std::string> ChooseSavePath() override;
    std::optional<std::string> ChooseOpenPath() override;
    ChangedFileAnswer AskReplaceChangedFile(const std::string& path) override;

private:
    // The assign dialog registered at the time (`registered`, else `direct`), for the parts
    // that keep a reference to it.
    class CCurrentAssign : public IAssignDialog {
    public:
        CCurrentAssign(IAssignDialog*& registered, IAssignDialog& direct)
            : registered_(registered), direct_(direct) {}
        bool OpenAssignDialog(ControllerId id) override { return Now().OpenAssignDialog(id); }
        int ApplyAssignDialog() override { return Now().ApplyAssignDialog(); }
        void RefreshFromDocument() override { Now().RefreshFromDocument(); }
        QWidget* Window() override { return Now().Window(); }
        void DestroyWindow() override { Now().DestroyWindow(); }

    private:
        IAssignDialog& Now() const { return registered_ != nullptr ? *registered_ : direct_; }
        IAssignDialog*& registered_;
        IAssignDialog& direct_;
    };

    QWidget* MessageParent() const;
    QString DialogStart(const QString& proposedName) const;
    QString Picked(const QString& path);

    CUiServices& ui_;
    std::unique_ptr<QSettings> store_;
    CGuiReporter reporter_;
    CParameter document_;
    CDocumentSignals documentSignals_;
    std::unique_ptr<CUndoHistory> history_; // listens to the document; goes before it
    std::unique_ptr<CKelMsgDlg> msgDlg_;    // the assign dialog, registered at construction
    CDirectAssign direct_;
    IAssignDialog* assign_ = nullptr;
    CCurrentAssign currentAssign_{assign_, direct_};
    CMapFiles files_;
    CAppSettings settings_;
    CViewOptions viewOptions_;
    std::unique_ptr<EditorParts> parts_;
    std::unique_ptr<CKelMidi> midiPorts_; // after the current path, as the ports need
    QString helpPath_;
    QPointer<CMainFrame> mainWindow_;
    QPointer<CHtmlViewer> helpWindow_; // a window of its own, owned by the main window
};

} // namespace kel

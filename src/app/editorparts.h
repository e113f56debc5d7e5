// SPDX-License-Identifier: GPL-3.0-or-later
// What the editor's windows and commands are given to work with: the document and its
// signals, the file commands, the undo history, the assign dialog, the UI services and
// reporter, the view options, and the shell — the few things only the application as a
// whole can do (the file dialogs that remember their folder, Help, About, recent files). The
// application object makes one set of these; a class keeps the parts it uses and never
// reaches for the application.
#pragma once

#include <QString>
#include <QStringList>

class QSettings;
class QWidget;

namespace kel {

class CDocumentSignals;
class CGuiReporter;
class CMapFiles;
class CParameter;
class CUiServices;
class CUndoHistory;
class CViewOptions;
class IAssignDialog;

class EditorShell {
public:
    virtual ~EditorShell() = default;
    // The file dialogs: they start in the folder of the open map, else in the folder last
    // picked from; `proposedName`, when given, is offered as the file's name. Empty on Cancel.
    virtual QString ChooseOpenFile(QWidget* parent, const QStringList& filters) = 0;
    virtual QString ChooseSaveFile(QWidget* parent, const QStringList& filters,
                                   const QString& suffix, const QString& proposedName = {}) = 0;
    // The open map's file name without its suffix; empty for an untitled map.
    virtual QString MapBaseName() const = 0;
    // The TITLE field and the assign dialog's pending fields into the map; false when the
    // dialog refused its fields (it has said why).
    virtual bool ApplyPendingEdits() = 0;
    virtual void OnHelp() = 0;
    virtual void OnAbout() = 0;
    virtual void OnRecentFile(int index) = 0;
};

struct EditorParts {
    CParameter& document;
    CDocumentSignals& documentSignals;
    CMapFiles& files;
    CUndoHistory& history;
    IAssignDialog& assign; // the registered assign dialog, whichever it is at the time
    CUiServices& ui;
    CGuiReporter& reporter; // also the questioner of the save questions
    QSettings& store;
    EditorShell& shell;
    CViewOptions& view; // how the windows name what they show (Options > Middle C)
};

} // namespace kel

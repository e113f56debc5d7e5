// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's main window: menu bar, the dialog bar with the map's TITLE field, the client
// view holding the controller panel, and a status bar. Sized once to fit the panel; it cannot
// be resized or maximised.
#pragma once

#include <QFrame>
#include <QMainWindow>
#include <QPointer>

#include <map>

#include "app/actions.h"
#include "app/editorparts.h"
#include "app/htmlviewer.h"
#include "model/assign.h"
#include "model/midinames.h"

class QAction;
class QLabel;
class QMenu;

namespace kel {

class CMapTextEdit;
class CDocumentSignals;
class CKelMidi;
class CKelPanel;
class CLibraryWindow;
class CMapCommands;
class CParameter;

// The bar under the menu: "TITLE:" and the TITLE field (control 1007: any characters, as many
// as 128 bytes of the map file hold).
class CKelDlgBar : public QFrame {
    Q_OBJECT
public:
    // The field shows the map's title whenever it changes.
    CKelDlgBar(CDocumentSignals& document, QWidget* parent = nullptr);

    CMapTextEdit* TitleField() const { return titleField_; }
    // Stores the field's text as the map's title when it differs byte for byte.
    void CommitTitleField();
    // Shows the map's title in the field.
    void RefreshTitleField();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CParameter& document_;
    CMapTextEdit* titleField_;
};

// The client view: the panel in its top-left corner inside a sunken edge. It passes the
// panel's notifications on to the main window; the panel is repainted whenever the map or the
// selection changes.
class CChildView : public QFrame {
    Q_OBJECT
public:
    CChildView(CDocumentSignals& document, QWidget* parent = nullptr);

    CKelPanel* Panel() const { return panel_; }
    bool Created() const { return created_; }

protected:
    bool event(QEvent* event) override;

private:
    CKelPanel* panel_;
    bool created_ = false;
};

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(const EditorParts& parts, CKelMidi& midi);
    ~CMainFrame() override;

    // False when a part of the window could not be created.
    bool Created() const { return created_; }

    CKelDlgBar* DialogBar() const { return dlgBar_; }
    CChildView* View() const { return view_; }
    CKelPanel* Panel() const;
    // The Library dock (Options › Library).
    CLibraryWindow* Library() const;

    // The editor's commands, one action each, shared with the assign dialog and the monitor.
    CCommandActions& Commands() const { return *commands_; }
    // The action of a command id (menu items and accelerators), or null.
    QAction* Action(int commandId) const;
    // Runs a command as the menu or an accelerator would (nothing when it is disabled).
    void RunCommand(int commandId);
    // True while the keyboard focus is in the TITLE field, also while the menu bar holds the
    // keyboard after the field had it (a menu opened from the keyboard and left with Escape).
    bool TitleHasFocus() const;

    // Fits the window around the panel, the dialog bar, the menu and the status bar (and the
    // monitor while it is docked under the panel).
    void SizeToPanel();
    // Puts the window where the user left it, at the first start at the left of its screen so
    // that the assign dialog has room beside it.
    void PlaceAtStart();
    // Where the assign dialog's frame of size `frame` goes, opened on control `id`: where it
    // covers no control of the panel (see PlaceBesidePanel).
    QRect AssignDialogPlace(const QSize& frame, ControllerId id) const;
    // Moves `window` (not shown yet) where it covers none of the panel's controls, its frame
    // taken to be as the main window's.
    void PlaceWindowBesidePanel(QWidget& window) const;
    // Brings the window to the top and gives it the focus.
    void ActivateMain();
    // Shows the assignment list in `file` in the editor's own viewer (where no browser
    // starts), with buttons to hand it to the desktop or to save it.
    void ShowListViewer(const QString& file);
    CHtmlViewer* ListViewer() const { return listViewer_.data(); }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void RebuildRecentFiles();
    void OnEditCommand(int id);
    void ExportList();
    void ViewList();
    void Transmit();
    // Options > Middle C: names notes in `middleC`'s octave everywhere, and remembers it.
    void SetMiddleC(MiddleC middleC);
    void StepController(ControllerId id); // Next and Previous Controller
    void OnOpenAssign(int controllerId);
    void OnSelectControl(int controllerId); // the panel's arrow keys, Home and End
    // The panel's selection of several controls (Ctrl+click, Shift+click, the band,
    // Shift+arrows), Select All and Select Group.
    void OnSelectControls(const QList<int>& ids, int current);
    void OnFocusChanged(QWidget* now);
    void UpdateNoAssignText();

    EditorParts parts_;
    CParameter& document_;
    CKelMidi& midi_;
    CCommandActions* commands_ = nullptr;
    CChildView* view_ = nullptr;
    CKelDlgBar* dlgBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QList<QAction*> recentActions_;
    QPointer<CHtmlViewer> listViewer_;
    ControlMap viewedMap_;               // the map the list viewer shows
    QLabel* selectionCount_ = nullptr;   // "11 controls selected" while several are
    QPointer<QWidget> lastFocus_;        // the last focus in the window outside the menus
    QPointer<CMapCommands> mapCommands_; // Undo, Redo, Check Map, Compare With, SysEx files
    QPointer<CLibraryWindow> library_;   // Options › Library
    bool dialogWasVisible_ = false;
    bool created_ = false;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands around the control map that go beyond editing one control:
// Edit > Undo and Redo, File > Compare With, Export SysEx and Import SysEx, Communication >
// Check Map and Verify, and the check that runs before a transmit. The main window builds their
// menu items and hands the commands here.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <string>

#include "app/reportwindow.h"
#include "model/mapcompare.h"

class QWidget;

namespace kel {

class CKelEditorApp;
class CMainFrame;

class CMapCommands : public QObject {
    Q_OBJECT
public:
    CMapCommands(CKelEditorApp& app, CMainFrame& window);
    ~CMapCommands() override;

    // True for the commands served here.
    static bool Serves(int commandId);
    // Sets the status-bar prompts of the commands' actions (once the menus exist).
    void SetPrompts();
    // Carries out one of the commands.
    void Run(int commandId);
    // The enable, visibility and text rules of the commands: Undo and Redo name their step and
    // give way to a text field's own undo while one has the focus.
    void UpdateCommandUI();

    // Before Transmit: commits the pending edits and runs the check; false when the check
    // found errors and the user did not choose to transmit anyway.
    bool CheckBeforeTransmit();
    // After Transmit: when it completed, offers to verify the device's memory at once.
    void AfterTransmit();

    // The report windows, while they exist.
    CReportWindow* CheckWindow() const { return checkWindow_; }
    CReportWindow* CompareWindow() const { return compareWindow_; }
    CReportWindow* VerifyWindow() const { return verifyWindow_; }

    // True while the keyboard focus is in a text field (of any of the editor's windows).
    static bool TextFieldHasFocus();

private:
    // Commits the TITLE field and the assign dialog's pending fields; false when the dialog
    // refused them.
    bool CommitPendingEdits();
    void Undo();
    void Redo();
    void CheckMap();
    void CompareWith();
    void CompareAgain();
    void ExportSysEx();
    void ImportSysEx();
    void Verify();

    CReportWindow* ReportWindow(QPointer<CReportWindow>& slot, const QString& title,
                                const QString& againText);
    void ShowReport(CReportWindow* window);
    void OpenControl(int controllerId);

    CKelEditorApp& app_;
    CMainFrame& window_;
    QPointer<CReportWindow> checkWindow_;
    QPointer<CReportWindow> compareWindow_;
    QPointer<CReportWindow> verifyWindow_;
    std::string comparePath_; // the file of the last Compare With
};

} // namespace kel

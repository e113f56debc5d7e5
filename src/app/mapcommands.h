// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands around the control map that go beyond editing one control:
// File > Compare With, Export SysEx and Import SysEx, Communication > Check Map and Verify, and
// the check that runs before a transmit, with their report windows. The main window's actions
// call them.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <string>

#include "app/editorparts.h"
#include "app/reportwindow.h"
#include "model/mapcompare.h"

class QWidget;

namespace kel {

class CKelMidi;
class CMainFrame;

class CMapCommands : public QObject {
    Q_OBJECT
public:
    CMapCommands(const EditorParts& parts, CKelMidi& midi, CMainFrame& window);
    ~CMapCommands() override;

    void CheckMap();
    void CompareWith();
    void ExportSysEx();
    void ImportSysEx();
    void Verify();
    // Edit Selected: sets fields on several controls at once (the selected controls to start
    // with; the dialog takes a typed list) and writes them as one undo step.
    void EditSelected();
    // File > Take Controls From: asks for a map file, then as below.
    void TakeControlsFrom();
    // Shows the controls of the map file `path` that differ from the open map, side by side,
    // and writes those the user ticks into the open map as one undo step ("Take 8 controls
    // from live.mid"). For any map file: one the user picked, a library map, a history entry.
    void TakeControlsFrom(const QString& path);

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
    void CompareAgain();

    CReportWindow* ReportWindow(QPointer<CReportWindow>& slot, const QString& title,
                                const QString& againText);
    void ShowReport(CReportWindow* window);
    void OpenControl(int controllerId);

    EditorParts parts_;
    CKelMidi& midi_;
    CMainFrame& window_;
    QPointer<CReportWindow> checkWindow_;
    QPointer<CReportWindow> compareWindow_;
    QPointer<CReportWindow> verifyWindow_;
    std::string comparePath_; // the file of the last Compare With
};

} // namespace kel

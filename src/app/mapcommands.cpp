// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mapcommands.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextEdit>

#include "app/keleditorapp.h"
#include "app/kelmidi.h"
#include "app/mainframe.h"
#include "app/maptexts.h"
#include "app/reportwindow.h"
#include "app/settings.h"
#include "app/undo.h"
#include "app/verify.h"
#include "files/mapfile.h"
#include "files/syxfile.h"
#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "gui/common/uitext.h"
#include "gui/panel/kelpanel.h"
#include "model/mapcheck.h"

namespace kel {

namespace {

QStringList SyxFilters() {
    return {KelEditor::tr("SysEx Files (*.syx)"), KelEditor::tr("All Files (*)")};
}

// How long a note in the status bar stays.
constexpr int kStatusNoteMs = 8000;

} // namespace

CMapCommands::CMapCommands(CKelEditorApp& app, CMainFrame& window)
    : QObject(&window), app_(app), window_(window) {}

CMapCommands::~CMapCommands() = default;

bool CMapCommands::Serves(int id) {
    switch (id) {
    case cmd::Undo:
    case cmd::Redo:
    case cmd::CompareWith:
    case cmd::ExportSysEx:
    case cmd::ImportSysEx:
    case cmd::CheckMap:
    case cmd::Verify:
        return true;
    default:
        return false;
    }
}

void CMapCommands::SetPrompts() {
    const struct {
        int id;
        const char* prompt;
    } prompts[] = {
        {cmd::Undo, QT_TRANSLATE_NOOP("KelEditor", "Take back the last change of the control map")},
        {cmd::Redo, QT_TRANSLATE_NOOP("KelEditor", "Make the change taken back again")},
        {cmd::CompareWith,
         QT_TRANSLATE_NOOP("KelEditor", "Compare the control map with a control map file")},
        {cmd::ExportSysEx,
         QT_TRANSLATE_NOOP("KelEditor", "Save the control map as a system-exclusive (.syx) file")},
        {cmd::ImportSysEx,
         QT_TRANSLATE_NOOP("KelEditor",
                           "Open a system-exclusive (.syx) file as a new control map")},
        {cmd::CheckMap,
         QT_TRANSLATE_NOOP("KelEditor", "List the problems of the control map before it is sent")},
        {cmd::Verify,
         QT_TRANSLATE_NOOP("KelEditor", "Compare the KEL's current memory with the control map")},
    };
    for (const auto& p : prompts) {
        if (QAction* action = window_.Action(p.id); action != nullptr) {
            action->setStatusTip(KelEditor::tr(p.prompt));
        }
    }
}

bool CMapCommands::TextFieldHasFocus() {
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit*>(focus) != nullptr ||
           qobject_cast<QAbstractSpinBox*>(focus) != nullptr ||
           qobject_cast<QTextEdit*>(focus) != nullptr ||
           qobject_cast<QPlainTextEdit*>(focus) != nullptr;
}

void CMapCommands::UpdateCommandUI() {
    CUndoHistory& history = app_.History();
    const bool textFocus = TextFieldHasFocus();
    if (QAction* undo = window_.Action(cmd::Undo); undo != nullptr) {
        const QString name = history.UndoName();
        undo->setText(name.isEmpty() ? KelEditor::tr("&Undo\tCtrl+Z")
                                     : FillUiText(KelEditor::tr("&Undo %1\tCtrl+Z"), {name}));
        undo->setVisible(!textFocus);
        // A change pending in the edit buffer is committed by Undo and taken back at once.
        undo->setEnabled(!textFocus && (history.CanUndo() || app_.Document().EditBuffer().changed));
    }
    if (QAction* redo = window_.Action(cmd::Redo); redo != nullptr) {
        const QString name = history.RedoName();
        redo->setText(name.isEmpty() ? KelEditor::tr("&Redo\tCtrl+Y")
                                     : FillUiText(KelEditor::tr("&Redo %1\tCtrl+Y"), {name}));
        redo->setVisible(!textFocus);
        redo->setEnabled(!textFocus && history.CanRedo());
    }
}

void CMapCommands::Run(int id) {
    switch (id) {
    case cmd::Undo:
        Undo();
        break;
    case cmd::Redo:
        Redo();
        break;
    case cmd::CompareWith:
        CompareWith();
        break;
    case cmd::ExportSysEx:
        ExportSysEx();
        break;
    case cmd::ImportSysEx:
        ImportSysEx();
        break;
    case cmd::CheckMap:
        CheckMap();
        break;
    case cmd::Verify:
        Verify();
        break;
    default:
        break;
    }
}

bool CMapCommands::CommitPendingEdits() {
    app_.CommitTitleField();
    return app_.AssignDialog().ApplyAssignDialog() == 0;
}

// --- Undo and Redo ---------------------------------------------------------------------------

void CMapCommands::Undo() {
    // Pending edits become a step of their own first, so Undo takes back what the user sees.
    if (!CommitPendingEdits()) {
        return;
    }
    app_.History().Undo();
}

void CMapCommands::Redo() {
    if (!CommitPendingEdits()) {
        return;
    }
    // A pending edit committed just now is a new step: there is nothing to redo any more.
    app_.History().Redo();
}

// --- Check Map -------------------------------------------------------------------------------

CReportWindow* CMapCommands::ReportWindow(QPointer<CReportWindow>& slot, const QString& title,
                                          const QString& againText) {
    if (slot == nullptr) {
        slot = new CReportWindow(title, againText, &window_);
        slot->setAttribute(Qt::WA_DeleteOnClose);
        connect(slot, &CReportWindow::ControlActivated, this, &CMapCommands::OpenControl);
    }
    return slot;
}

void CMapCommands::ShowReport(CReportWindow* report) {
    report->show();
    report->raise();
    report->activateWindow();
}

void CMapCommands::OpenControl(int controllerId) {
    // The same way as a click on the panel: the main window applies the dialog first.
    PostEditorNotify(&window_, NotifyOpenAssign, controllerId);
}

void CMapCommands::CheckMap() {
    if (!CommitPendingEdits()) {
        return;
    }
    const bool created = checkWindow_ == nullptr;
    CReportWindow* report =
        ReportWindow(checkWindow_, KelEditor::tr("Check Map"), KelEditor::tr("Check &Again"));
    if (created) {
        connect(report, &CReportWindow::AgainRequested, this, &CMapCommands::CheckMap);
    }
    const std::vector<CheckFinding> findings = CheckControlMap(app_.Document().Map());
    report->SetReport(CheckSummary(findings), CheckReportLines(findings));
    ShowReport(report);
}

bool CMapCommands::CheckBeforeTransmit() {
    // A refused message text does not stop a transmit (the map is sent as committed), so it
    // does not stop its check either.
    CommitPendingEdits();
    return ConfirmMapBeforeTransmit(&window_, app_.Document(), app_.Ui());
}

// --- Compare With ----------------------------------------------------------------------------

void CMapCommands::CompareWith() {
    if (!CommitPendingEdits()) {
        return;
    }
    const QString path = app_.ChooseOpenFile(&window_, QtNameFilters(UiText(StringId::FileFilter)));
    if (path.isEmpty()) {
        return;
    }
    comparePath_ = CAppSettings::ToFsPath(path);
    CompareAgain();
}

void CMapCommands::CompareAgain() {
    if (comparePath_.empty() || !CommitPendingEdits()) {
        return;
    }
    // The other file is read into a document of its own; the open map is not touched.
    CParameter other;
    if (ReadMapFile(comparePath_, ControlMapKind, other, &app_.GetReporter()) != 0) {
        return; // reported by the reader
    }
    other.FoldTwinCodes(); // as Open does, so twin codes do not count as differences

    const bool created = compareWindow_ == nullptr;
    CReportWindow* report = ReportWindow(compareWindow_, KelEditor::tr("Compare With"),
                                         KelEditor::tr("Compare &Again"));
    if (created) {
        connect(report, &CReportWindow::AgainRequested, this, &CMapCommands::CompareAgain);
    }
    const MapComparison comparison = CompareMaps(app_.Document().Map(), other.Map());
    const QString file = CAppSettings::FromFsPath(comparePath_);
    const QString name = QFileInfo(file).fileName();
    QString summary;
    if (comparison.Equal()) {
        summary = FillUiText(KelEditor::tr("%1\nThe open control map and \"%2\" are compared."),
                             {CompareUiText(CompareTextId::MapsEqual), name});
    } else {
        summary = FillUiText(
            KelEditor::tr(
                "From the open control map to \"%1\". Controls that differ: %2. Double-click a "
                "line to edit its control."),
            {name, QString::number(comparison.controls.size())});
    }
    report->setWindowTitle(FillUiText(KelEditor::tr("Compare With %1"), {name}));
    report->Summary()->setToolTip(file);
    report->SetReport(summary, CompareReportLines(comparison));
    ShowReport(report);
}

// --- SysEx files -----------------------------------------------------------------------------

void CMapCommands::ExportSysEx() {
    if (!CommitPendingEdits()) {
        return;
    }
    const QString base = app_.MapBaseName();
    const QString path = app_.ChooseSaveFile(&window_, SyxFilters(), QStringLiteral("syx"),
                                             base.isEmpty() ? QString() : base + ".syx");
    if (path.isEmpty()) {
        return;
    }
    const SyxResult result =
        SaveSyxFile(app_.Document().Map().records, CAppSettings::ToFsPath(path));
    if (!result.Ok()) {
        app_.Ui().Warn(&window_, SyxMessageText(result, path));
        return;
    }
    window_.statusBar()->showMessage(
        FillUiText(KelEditor::tr("The control map was saved as %1."), {QFileInfo(path).fileName()}),
        kStatusNoteMs);
}

void CMapCommands::ImportSysEx() {
    // As Open: the pending edits count, and a modified map may be saved first.
    if (!CommitPendingEdits()) {
        return;
    }
    if (app_.Files().ConfirmDiscard(app_.GetQuestioner()) == Answer::Cancel) {
        return;
    }
    const QString path = app_.ChooseOpenFile(&window_, SyxFilters());
    if (path.isEmpty()) {
        return;
    }
    const SyxImport imported = LoadSyxFile(CAppSettings::ToFsPath(path));
    if (!imported.Ok()) {
        // The map stays as it was.
        app_.Ui().Warn(&window_, SyxMessageText(imported));
        window_.ActivateMain();
        return;
    }
    ApplySyxRecords(app_.Document(), imported.records);
    // The map read is a new, untitled map: Save asks for a control map file name.
    app_.Files().SetCurrentPath({});
    app_.RefreshViews();
    if (imported.foreignMessages > 0) {
        window_.statusBar()->showMessage(
            FillUiText(KelEditor::tr("%1 other messages in the file were skipped."),
                       {QString::number(imported.foreignMessages)}),
            kStatusNoteMs);
    }
    window_.ActivateMain();
}

// --- Verify ----------------------------------------------------------------------------------

void CMapCommands::AfterTransmit() {
    if (app_.MidiPorts().LastOutcome() != TransferOutcome::Completed) {
        return;
    }
    if (app_.Ui().AskYesNo(&window_, KelEditor::tr("The control map was transmitted.\n"
                                                   "Verify the KEL's memory now?"))) {
        Verify();
    }
}

void CMapCommands::Verify() {
    if (!CommitPendingEdits()) {
        return;
    }
    CVerifyReceive receive(app_);
    const std::optional<RecordTable> received = receive.Run();
    if (!received) {
        return; // cancelled, or the failure has been reported
    }
    // Twin codes are folded on both sides, as a receive folds them.
    RecordTable map = app_.Document().Map().records;
    for (AssignRecord& record : map) {
        record[rec::AssignCode] = BaseCode(record[rec::AssignCode]);
    }
    const MapComparison comparison = CompareRecords(map, *received);

    const bool created = verifyWindow_ == nullptr;
    CReportWindow* report =
        ReportWindow(verifyWindow_, KelEditor::tr("Verify"), KelEditor::tr("Verify &Again"));
    if (created) {
        connect(report, &CReportWindow::AgainRequested, this, &CMapCommands::Verify);
    }
    const QString summary =
        comparison.Equal()
            ? CompareUiText(CompareTextId::MemoryMatches)
            : FillUiText(KelEditor::tr(
                             "From the control map to the KEL's memory. Controls that differ: %1. "
                             "Double-click a line to edit its control."),
                         {QString::number(comparison.controls.size())});
    report->SetReport(summary, CompareReportLines(comparison));
    ShowReport(report);
}

} // namespace kel

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

#include "app/kelmidi.h"
#include "app/mainframe.h"
#include "app/maptexts.h"
#include "app/reportwindow.h"
#include "app/settings.h"
#include "app/takecontrolsdlg.h"
#include "app/undo.h"
#include "files/mapfile.h"
#include "files/syxfile.h"
#include "gui/assign/editselecteddlg.h"
#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "gui/common/uiservices.h"
#include "gui/common/uitext.h"
#include "gui/panel/kelpanel.h"
#include "model/mapcheck.h"
#include "model/mapmerge.h"
#include "session/mapfiles.h"

namespace kel {

namespace {

QStringList SyxFilters() {
    return {KelEditor::tr("SysEx Files (*.syx)"), KelEditor::tr("All Files (*)")};
}

// How long a note in the status bar stays.
constexpr int kStatusNoteMs = 8000;

} // namespace

CMapCommands::CMapCommands(const EditorParts& parts, CKelMidi& midi, CMainFrame& window)
    : QObject(&window), parts_(parts), midi_(midi), window_(window) {}

CMapCommands::~CMapCommands() = default;

bool CMapCommands::TextFieldHasFocus() {
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit*>(focus) != nullptr ||
           qobject_cast<QAbstractSpinBox*>(focus) != nullptr ||
           qobject_cast<QTextEdit*>(focus) != nullptr ||
           qobject_cast<QPlainTextEdit*>(focus) != nullptr;
}

bool CMapCommands::CommitPendingEdits() {
    return parts_.shell.ApplyPendingEdits();
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
    if (!report->isVisible()) {
        window_.PlaceWindowBesidePanel(*report); // the panel stays in sight while the user works
    }
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
    const std::vector<CheckFinding> findings = CheckControlMap(parts_.document.Map());
    report->SetReport(CheckSummary(findings), CheckReportLines(findings));
    ShowReport(report);
}

bool CMapCommands::CheckBeforeTransmit() {
    // A refused message text does not stop a transmit (the map is sent as committed), so it
    // does not stop its check either.
    CommitPendingEdits();
    return ConfirmMapBeforeTransmit(&window_, parts_.document, parts_.ui);
}

// --- Edit Selected ---------------------------------------------------------------------------

void CMapCommands::EditSelected() {
    if (!CommitPendingEdits()) {
        return;
    }
    CParameter& document = parts_.document;
    const std::vector<ControllerId> controls = document.SelectedControls();
    CEditSelectedDlg dialog(document, controls, &window_);
    window_.PlaceWindowBesidePanel(dialog); // the panel stays in sight while the user edits
    if (parts_.ui.RunModal(dialog) != QDialog::Accepted) {
        return;
    }
    const std::vector<ControlEdit> edits = dialog.Edits();
    if (edits.empty()) {
        return;
    }
    const QString name =
        edits.size() == 1
            ? KelEditor::tr("Edit %1").arg(QString::fromLatin1(ControllerName(edits[0].id)))
            : KelEditor::tr("Edit %1 controls").arg(edits.size());
    const CUndoHistory::StepName step(parts_.history, name);
    document.CommitControls(edits);
}

// --- Take Controls From ----------------------------------------------------------------------

void CMapCommands::TakeControlsFrom() {
    if (!CommitPendingEdits()) {
        return;
    }
    const QString path =
        parts_.shell.ChooseOpenFile(&window_, QtNameFilters(UiText(StringId::FileFilter)));
    if (!path.isEmpty()) {
        TakeControlsFrom(path);
    }
}

void CMapCommands::TakeControlsFrom(const QString& path) {
    if (!CommitPendingEdits()) {
        return;
    }
    CParameter other;
    const std::string file = CAppSettings::ToFsPath(path);
    if (const Status read = ReadMapFile(file, ControlMapKind, other); !read) {
        ReportFileFailure(parts_.reporter, read.Error(), StringId::LoadError, file);
        return;
    }
    other.FoldTwinCodes(); // as Open does, so twin codes do not count as differences
    CParameter& document = parts_.document;
    const QString name = QFileInfo(path).fileName();
    const MapComparison comparison =
        CompareMaps(document.Map(), other.Map(), CompareOptions{.comments = true, .title = false});
    if (comparison.controls.empty()) {
        window_.statusBar()->showMessage(
            FillUiText(KelEditor::tr("Every control of %1 is as in this map."), {name}),
            kStatusNoteMs);
        return;
    }
    CTakeControlsDlg dialog(comparison.controls, name, &window_);
    window_.PlaceWindowBesidePanel(dialog); // the panel stays in sight while the user chooses
    if (parts_.ui.RunModal(dialog) != QDialog::Accepted) {
        return;
    }
    const std::vector<ControllerId> ticked = dialog.Ticked();
    if (ticked.empty()) {
        return;
    }
    // One control is named ("Take S1 from live.mid"), several counted.
    const QString stepName =
        ticked.size() == 1 ? FillUiText(KelEditor::tr("Take %1 from %2"),
                                        {QString::fromLatin1(ControllerName(ticked.front())), name})
                           : FillUiText(KelEditor::tr("Take %n controls from %1", nullptr,
                                                      static_cast<int>(ticked.size())),
                                        {name});
    const CUndoHistory::StepName step(parts_.history, stepName);
    // A text the merged map could not hold whole (the title once a comment taken needs UTF-8)
    // is never cut: the controls are not taken, and the user is told which text and why.
    if (const Status taken = TakeControls(document, other.Map(), ticked); !taken) {
        parts_.ui.Warn(&window_, UiText(taken.Why()));
    }
}

// --- Compare With ----------------------------------------------------------------------------

void CMapCommands::CompareWith() {
    if (!CommitPendingEdits()) {
        return;
    }
    const QString path =
        parts_.shell.ChooseOpenFile(&window_, QtNameFilters(UiText(StringId::FileFilter)));
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
    if (const Status read = ReadMapFile(comparePath_, ControlMapKind, other); !read) {
        ReportFileFailure(parts_.reporter, read.Error(), StringId::LoadError, comparePath_);
        return;
    }
    other.FoldTwinCodes(); // as Open does, so twin codes do not count as differences

    const bool created = compareWindow_ == nullptr;
    CReportWindow* report = ReportWindow(compareWindow_, KelEditor::tr("Compare With"),
                                         KelEditor::tr("Compare &Again"));
    if (created) {
        connect(report, &CReportWindow::AgainRequested, this, &CMapCommands::CompareAgain);
    }
    const MapComparison comparison = CompareMaps(parts_.document.Map(), other.Map());
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
    const QString base = parts_.shell.MapBaseName();
    const QString path = parts_.shell.ChooseSaveFile(&window_, SyxFilters(), QStringLiteral("syx"),
                                                     base.isEmpty() ? QString() : base + ".syx");
    if (path.isEmpty()) {
        return;
    }
    const Status saved = SaveSyxFile(parts_.document.Map().records, CAppSettings::ToFsPath(path));
    if (!saved) {
        parts_.ui.Warn(&window_, SyxSaveFailureText(saved.Error(), path));
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
    if (parts_.files.ConfirmDiscard(parts_.reporter) == Answer::Cancel) {
        return;
    }
    const QString path = parts_.shell.ChooseOpenFile(&window_, SyxFilters());
    if (path.isEmpty()) {
        return;
    }
    const Result<SyxImport> imported = LoadSyxFile(CAppSettings::ToFsPath(path));
    if (!imported) {
        // The map stays as it was.
        parts_.ui.Warn(&window_, SyxMessageText(imported.Error()));
        window_.ActivateMain();
        return;
    }
    // The map read is a new, untitled map: Save asks for a control map file name.
    parts_.files.SetCurrentPath({});
    ApplySyxRecords(parts_.document, imported->records);
    if (imported->foreignMessages > 0) {
        window_.statusBar()->showMessage(
            FillUiText(KelEditor::tr("%1 other messages in the file were skipped."),
                       {QString::number(imported->foreignMessages)}),
            kStatusNoteMs);
    }
    window_.ActivateMain();
}

// --- Verify ----------------------------------------------------------------------------------

void CMapCommands::AfterTransmit() {
    if (midi_.LastOutcome() != TransferOutcome::Completed) {
        return;
    }
    if (parts_.ui.AskYesNo(&window_, KelEditor::tr("The control map was transmitted.\n"
                                                   "Verify the KEL's memory now?"))) {
        Verify();
    }
}

void CMapCommands::Verify() {
    if (!CommitPendingEdits()) {
        return;
    }
    const std::optional<VerifyReceived> received = midi_.ReceiveForVerify();
    if (!received) {
        return; // cancelled, or the failure has been reported
    }
    // Twin codes are folded on both sides, as a receive folds them.
    RecordTable map = parts_.document.Map().records;
    for (AssignRecord& record : map) {
        record[rec::AssignCode] = BaseCode(record[rec::AssignCode]);
    }
    // A cancelled receive compares what came; the controls that never did are left out.
    RecordTable got = received->records;
    std::vector<ControllerId> missing;
    if (received->incomplete) {
        missing = received->incomplete->Missing();
        for (const ControllerId id : missing) {
            got[static_cast<std::size_t>(id)] = map[static_cast<std::size_t>(id)];
        }
    }
    const MapComparison comparison = CompareRecords(map, got);

    const bool created = verifyWindow_ == nullptr;
    CReportWindow* report =
        ReportWindow(verifyWindow_, KelEditor::tr("Verify"), KelEditor::tr("Verify &Again"));
    if (created) {
        connect(report, &CReportWindow::AgainRequested, this, &CMapCommands::Verify);
    }
    QString summary =
        comparison.Equal()
            ? CompareUiText(CompareTextId::MemoryMatches)
            : FillUiText(KelEditor::tr(
                             "From the control map to the KEL's memory. Controls that differ: %1. "
                             "Double-click a line to edit its control."),
                         {QString::number(comparison.controls.size())});
    if (received->incomplete) {
        summary = FillUiText(KelEditor::tr("Cancelled: %1 of %2 controls were compared. %3."),
                             {QString::number(kControllerCount - static_cast<int>(missing.size())),
                              QString::number(kControllerCount),
                              UiText(received->incomplete->NotReceived())}) +
                  QLatin1Char(' ') +
                  (comparison.Equal() ? KelEditor::tr("They match the control map.") : summary);
    }
    report->SetReport(summary, CompareReportLines(comparison));
    ShowReport(report);
}

} // namespace kel

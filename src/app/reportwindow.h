// SPDX-License-Identifier: GPL-3.0-or-later
// The windows that list what the editor found about a control map: the result of Check Map,
// the comparison of Compare With and Verify, and the question before a transmit of a map with
// errors.
//
// A report window is modeless: the user keeps it open beside the panel, double-clicks a line to
// open the assign dialog on its control, edits, and lets the window run its check or
// comparison again. It takes the size of what it shows (up to a screenful of lines).
#pragma once

#include <QDialog>
#include <QString>

#include <vector>

#include "model/controllers.h"
#include "model/mapcheck.h"
#include "model/mapcompare.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace kel {

class CParameter;
class CUiServices;

enum class ReportIcon { None, Error, Warning, Difference };

struct ReportLine {
    QString text;
    ControllerId control = kNoController; // the control double-clicking the line opens
    ReportIcon icon = ReportIcon::None;
};

// The lines of a check, one per finding.
std::vector<ReportLine> CheckReportLines(const std::vector<CheckFinding>& findings);
// The summary above them ("The control map has no problems." when there are none).
QString CheckSummary(const std::vector<CheckFinding>& findings);
// The lines of a comparison: the title line, then one per control.
std::vector<ReportLine> CompareReportLines(const MapComparison& comparison);

class CReportWindow : public QDialog {
    Q_OBJECT
public:
    // The lines a report shows at once; a longer one scrolls.
    static constexpr int kShownLines = 16;

    // `againText` labels the button that runs the check or comparison again; empty hides it.
    CReportWindow(const QString& title, const QString& againText, QWidget* parent = nullptr);

    // Shows `summary` and `lines` (the list is hidden when there are none).
    void SetReport(const QString& summary, const std::vector<ReportLine>& lines);

    QLabel* Summary() const { return summary_; }
    QListWidget* List() const { return list_; }
    QPushButton* AgainButton() const { return again_; }
    QPushButton* CloseButton() const { return close_; }
    // The control of line `row`, or kNoController.
    ControllerId ControlOfLine(int row) const;

signals:
    // A line naming a control was double-clicked (or Enter pressed on it).
    void ControlActivated(int controllerId);
    // The "again" button was pressed.
    void AgainRequested();

private:
    static constexpr int kListWidth = 560;
    void ActivateRow(int row);
    void FitList();

    QLabel* summary_;
    QListWidget* list_;
    QPushButton* again_;
    QPushButton* close_;
};

// Before a transmit: checks the map and, when the check finds errors, asks in a modal window
// listing the findings whether to transmit anyway. True to go on (no errors, or the user chose
// "Transmit Anyway").
bool ConfirmMapBeforeTransmit(QWidget* parent, const CParameter& document, CUiServices& ui);

// Object names of the parts tests look for.
inline constexpr const char* kReportSummaryName = "reportSummary";
inline constexpr const char* kReportListName = "reportList";
inline constexpr const char* kReportQuestionName = "reportQuestion";

} // namespace kel

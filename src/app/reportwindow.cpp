// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/reportwindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "app/maptexts.h"
#include "gui/common/translation.h"
#include "gui/common/uiservices.h"
#include "gui/common/uitext.h"
#include "model/parameter.h"

namespace kel {

namespace {

constexpr int kControlRole = Qt::UserRole + 1;

QIcon IconOf(ReportIcon icon) {
    QStyle* style = QApplication::style();
    switch (icon) {
    case ReportIcon::Error:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case ReportIcon::Warning:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case ReportIcon::Difference:
        return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case ReportIcon::None:
        break;
    }
    return {};
}

QListWidget* NewList(QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(kReportListName));
    list->setWordWrap(true);
    list->setUniformItemSizes(false);
    list->setResizeMode(QListView::Adjust);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setIconSize(QSize(16, 16));
    list->setMinimumSize(560, 220);
    return list;
}

void FillList(QListWidget* list, const std::vector<ReportLine>& lines) {
    list->clear();
    for (const ReportLine& line : lines) {
        auto* item = new QListWidgetItem(IconOf(line.icon), line.text, list);
        item->setData(kControlRole, line.control);
        item->setToolTip(line.text);
    }
    if (list->count() > 0) {
        list->setCurrentRow(0);
    }
}

} // namespace

std::vector<ReportLine> CheckReportLines(const std::vector<CheckFinding>& findings) {
    std::vector<ReportLine> lines;
    for (const CheckFinding& f : findings) {
        ReportLine line;
        line.text = CheckFindingText(f);
        line.control = f.controls.empty() ? kNoController : f.controls.front();
        line.icon = f.severity == CheckSeverity::Error ? ReportIcon::Error : ReportIcon::Warning;
        lines.push_back(std::move(line));
    }
    return lines;
}

QString CheckSummary(const std::vector<CheckFinding>& findings) {
    if (findings.empty()) {
        return KelEditor::tr("The control map has no problems.");
    }
    const auto errors = std::count_if(findings.begin(), findings.end(), [](const CheckFinding& f) {
        return f.severity == CheckSeverity::Error;
    });
    const auto warnings = static_cast<qsizetype>(findings.size()) - errors;
    return FillUiText(
        KelEditor::tr("Errors: %1. Warnings: %2. Double-click a line to edit its control."),
        {QString::number(errors), QString::number(warnings)});
}

std::vector<ReportLine> CompareReportLines(const MapComparison& comparison) {
    std::vector<ReportLine> lines;
    if (comparison.titleDiffers) {
        lines.push_back({TitleChangeLine(comparison), kNoController, ReportIcon::Difference});
    }
    for (const ControlDifference& d : comparison.controls) {
        lines.push_back({ComparisonLine(d), d.id, ReportIcon::Difference});
    }
    return lines;
}

CReportWindow::CReportWindow(const QString& title, const QString& againText, QWidget* parent)
    : QDialog(parent), summary_(new QLabel(this)), list_(NewList(this)),
      again_(new QPushButton(againText, this)),
      close_(new QPushButton(KelEditor::tr("Close"), this)) {
    setWindowTitle(title);
    setWindowFlags((windowFlags() | Qt::Window) & ~Qt::WindowContextHelpButtonHint);
    setModal(false);
    summary_->setObjectName(QString::fromLatin1(kReportSummaryName));
    summary_->setWordWrap(true);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    list_->setAccessibleName(title); // the report's lines, named as the window is
    again_->setVisible(!againText.isEmpty());
    again_->setAutoDefault(false);
    close_->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(again_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    // The window fits what it shows: no room to resize into, nothing cut off at its bottom.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ActivateRow(list_->row(item)); });
    connect(again_, &QPushButton::clicked, this, &CReportWindow::AgainRequested);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
}

void CReportWindow::SetReport(const QString& summary, const std::vector<ReportLine>& lines) {
    summary_->setText(summary);
    FillList(list_, lines);
    list_->setVisible(!lines.empty());
    FitList();
    adjustSize();
}

void CReportWindow::FitList() {
    // As wide as the longest line (a line wraps only beyond two thirds of the screen), as high
    // as its lines up to kShownLines of them; a longer report scrolls.
    const QScreen* shown = screen();
    const QRect area = shown != nullptr ? shown->availableGeometry() : QRect(0, 0, 1024, 768);
    const int frame = 2 * list_->frameWidth();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int margins =
        list_->iconSize().width() + 4 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    int widest = 0;
    for (int row = 0; row < list_->count(); ++row) {
        widest = std::max(widest, list_->fontMetrics().horizontalAdvance(list_->item(row)->text()));
    }
    const int width = std::clamp(widest + margins + frame + scrollBar, kListWidth,
                                 std::max(kListWidth, area.width() * 2 / 3));
    list_->setFixedWidth(width);
    list_->doItemsLayout();
    int height = 0;
    for (int row = 0; row < std::min(list_->count(), kShownLines); ++row) {
        height += list_->sizeHintForRow(row);
    }
    list_->setFixedHeight(std::min(height + frame + 2, area.height() / 2));
}

ControllerId CReportWindow::ControlOfLine(int row) const {
    const QListWidgetItem* item = list_->item(row);
    return item != nullptr ? item->data(kControlRole).toInt() : kNoController;
}

void CReportWindow::ActivateRow(int row) {
    const ControllerId id = ControlOfLine(row);
    if (IsValidController(id)) {
        emit ControlActivated(id);
    }
}

bool ConfirmMapBeforeTransmit(QWidget* parent, const CParameter& document, CUiServices& ui) {
    const std::vector<CheckFinding> findings = CheckControlMap(document.Map());
    if (!HasCheckErrors(findings)) {
        return true;
    }
    QDialog box(parent);
    box.setWindowTitle(AppTitle());
    box.setWindowFlags(box.windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* icon = new QLabel(&box);
    icon->setPixmap(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32));
    icon->setAlignment(Qt::AlignTop);
    auto* question = new QLabel(
        KelEditor::tr("The control map has errors: the KEL would receive settings it cannot use.\n"
                      "Transmit it anyway?"),
        &box);
    question->setObjectName(QString::fromLatin1(kReportQuestionName));
    question->setWordWrap(true);
    QListWidget* list = NewList(&box);
    list->setMinimumSize(520, 160);
    FillList(list, CheckReportLines(findings));

    auto* buttons = new QDialogButtonBox(&box);
    QPushButton* send =
        buttons->addButton(KelEditor::tr("Transmit Anyway"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    send->setAutoDefault(false);
    cancel->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(8);
    row->addWidget(question, 1);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(row);
    layout->addWidget(list, 1);
    layout->addWidget(buttons);
    return ui.RunModal(box) == QDialog::Accepted;
}

} // namespace kel

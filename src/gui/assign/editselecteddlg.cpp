// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/assign/editselecteddlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "gui/common/uitext.h"
#include "model/labels.h"

namespace kel {

namespace {

QSpinBox* NumberField(QWidget* parent, int low, int high, int value) {
    auto* field = new QSpinBox(parent);
    field->setRange(low, high);
    field->setValue(value);
    return field;
}

QString LabelText(const AssignRecord& record) {
    const std::string label = AssignmentLabel(record);
    return label.empty() ? KelEditor::tr("(invalid)") : QString::fromStdString(label);
}

} // namespace

CEditSelectedDlg::CEditSelectedDlg(const CParameter& document,
                                   const std::vector<ControllerId>& controls, QWidget* parent)
    : QDialog(parent), document_(document), controls_(controls),
      controlsField_(new QLineEdit(this)), listError_(new QLabel(this)),
      kindBox_(new QCheckBox(KelEditor::tr("Message kind"), this)), kindList_(new QComboBox(this)),
      channelBox_(new QCheckBox(KelEditor::tr("MIDI channel"), this)),
      channel_(NumberField(this, 1, 16, 1)), portBox_(new QCheckBox(KelEditor::tr("Port"), this)),
      portList_(new QComboBox(this)), buttonBox_(new QCheckBox(KelEditor::tr("Button mode"), this)),
      buttonList_(new QComboBox(this)), minimumBox_(new QCheckBox(KelEditor::tr("Minimum"), this)),
      minimum_(NumberField(this, 0, 255, 0)),
      maximumBox_(new QCheckBox(KelEditor::tr("Maximum"), this)),
      maximum_(NumberField(this, 0, 255, 127)),
      numberBox_(new QCheckBox(KelEditor::tr("Number in sequence"), this)),
      start_(NumberField(this, 0, 128, 0)), step_(NumberField(this, -127, 127, 1)),
      skipReserved_(new QCheckBox(KelEditor::tr("Skip reserved controller numbers"), this)),
      table_(new QTableWidget(this)), findings_(new QLabel(this)), apply_(nullptr) {
    setWindowTitle(KelEditor::tr("Edit Selected"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);

    SetKelId(controlsField_, ctl::EditControls);
    SetKelId(table_, ctl::EditPreview);
    SetKelId(findings_, ctl::EditFindings);
    controlsField_->setText(QString::fromStdString(ControlListText(controls_)));
    controlsField_->setAccessibleName(KelEditor::tr("Controls"));
    controlsField_->setToolTip(
        KelEditor::tr("Names and ranges in the panel's order, e.g. R1-R8,S1"));
    listError_->setTextFormat(Qt::PlainText);
    listError_->setWordWrap(true);

    for (int k = 0; k < kChannelKindCount; ++k) {
        kindList_->addItem(CoreText("KelEditor", ChannelKindName(k)), k);
    }
    kindList_->setCurrentIndex(KindControlChange);
    for (int p = 0; p < 3; ++p) {
        portList_->addItem(CoreText("KelEditor", PortName(p)));
    }
    for (int m = 0; m < 3; ++m) {
        buttonList_->addItem(CoreText("KelEditor", ButtonModeName(m)));
    }
    start_->setAccessibleName(KelEditor::tr("Start"));
    step_->setAccessibleName(KelEditor::tr("Step"));
    skipReserved_->setToolTip(KelEditor::tr("0, 6, 32, 38, 96-101 and 120-127"));

    // A field takes part only while its box is ticked; a field is named by its box.
    const std::pair<QCheckBox*, QWidget*> pairs[] = {
        {kindBox_, kindList_},     {channelBox_, channel_}, {portBox_, portList_},
        {buttonBox_, buttonList_}, {minimumBox_, minimum_}, {maximumBox_, maximum_},
        {numberBox_, start_},      {numberBox_, step_},     {numberBox_, skipReserved_}};
    for (const auto& [box, field] : pairs) {
        field->setEnabled(false);
        if (field != start_ && field != step_ && field != skipReserved_) {
            field->setAccessibleName(box->text());
        }
        connect(box, &QCheckBox::toggled, field, &QWidget::setEnabled);
        // The mouse wheel changes only the field the user is in, never one passed over.
        field->setFocusPolicy(Qt::StrongFocus);
        field->installEventFilter(this);
    }

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(KelEditor::tr("Controls"), this), 0, 0);
    grid->addWidget(controlsField_, 0, 1);
    grid->addWidget(listError_, 1, 1);
    int row = 2;
    for (const auto& [box, field] : {std::pair<QCheckBox*, QWidget*>{kindBox_, kindList_},
                                     {channelBox_, channel_},
                                     {portBox_, portList_},
                                     {buttonBox_, buttonList_},
                                     {minimumBox_, minimum_},
                                     {maximumBox_, maximum_}}) {
        grid->addWidget(box, row, 0);
        grid->addWidget(field, row++, 1);
    }
    // Start and Step side by side in the field column, each after its label.
    auto* sequence = new QHBoxLayout;
    for (auto [label, field] :
         {std::pair{KelEditor::tr("Start"), start_}, std::pair{KelEditor::tr("Step"), step_}}) {
        auto* caption = new QLabel(label, this);
        caption->setBuddy(field);
        sequence->addWidget(caption);
        sequence->addWidget(field);
    }
    sequence->addStretch(1);
    grid->addWidget(numberBox_, row, 0);
    grid->addLayout(sequence, row++, 1);
    grid->addWidget(skipReserved_, row++, 1);
    grid->setColumnStretch(1, 1);

    table_->setColumnCount(3);
    table_->setHorizontalHeaderLabels(
        {KelEditor::tr("Control"), KelEditor::tr("Before"), KelEditor::tr("After")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setAccessibleName(KelEditor::tr("Preview"));
    table_->setMinimumHeight(fontMetrics().height() * 10);
    findings_->setTextFormat(Qt::PlainText);
    findings_->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    apply_ = buttons->addButton(KelEditor::tr("Apply"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(KelEditor::tr("Cancel"), QDialogButtonBox::RejectRole);
    SetKelId(apply_, ctl::EditApply);
    SetKelId(cancel, 2);
    apply_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(table_, 1);
    layout->addWidget(findings_);
    layout->addWidget(buttons);

    connect(controlsField_, &QLineEdit::textChanged, this, &CEditSelectedDlg::UpdatePreview);
    for (QCheckBox* box : {kindBox_, channelBox_, portBox_, buttonBox_, minimumBox_, maximumBox_,
                           numberBox_, skipReserved_}) {
        connect(box, &QCheckBox::toggled, this, &CEditSelectedDlg::UpdatePreview);
    }
    for (QComboBox* list : {kindList_, portList_, buttonList_}) {
        connect(list, &QComboBox::currentIndexChanged, this, &CEditSelectedDlg::UpdatePreview);
    }
    for (QSpinBox* field : {channel_, minimum_, maximum_, start_, step_}) {
        connect(field, &QSpinBox::valueChanged, this, &CEditSelectedDlg::UpdatePreview);
    }
    UpdatePreview();
    kindBox_->setFocus();
}

bool CEditSelectedDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && !widget->hasFocus()) {
            event->ignore(); // the dialog (or nothing) takes it; no value changes
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

MultiEdit CEditSelectedDlg::ReadEdit() const {
    MultiEdit edit;
    if (kindBox_->isChecked()) {
        edit.channelKind = kindList_->currentData().toInt();
    }
    if (channelBox_->isChecked()) {
        edit.channel = channel_->value() - 1;
    }
    if (portBox_->isChecked()) {
        edit.port = portList_->currentIndex();
    }
    if (buttonBox_->isChecked()) {
        edit.buttonMode = buttonList_->currentIndex();
    }
    if (minimumBox_->isChecked()) {
        edit.minimum = minimum_->value();
    }
    if (maximumBox_->isChecked()) {
        edit.maximum = maximum_->value();
    }
    if (numberBox_->isChecked()) {
        edit.numbering =
            NumberSequence{start_->value(), step_->value(), skipReserved_->isChecked()};
    }
    return edit;
}

void CEditSelectedDlg::UpdatePreview() {
    Phrase error;
    controls_ = ParseControlList(controlsField_->text().trimmed().toStdString(), error);
    listError_->setText(controls_.empty() ? UiText(error) : QString());
    listError_->setVisible(controls_.empty());
    preview_ = PreviewMultiEdit(document_.Map().records, controls_, ReadEdit());

    table_->setRowCount(static_cast<int>(preview_.rows.size()));
    int row = 0;
    for (const MultiEditRow& each : preview_.rows) {
        const bool refused = !each.refusal.Empty();
        const QString after = refused ? UiText(each.refusal) : LabelText(each.after);
        const QString cells[] = {QString::fromLatin1(ControllerName(each.id)),
                                 LabelText(each.before), after};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (refused) {
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
                QFont font = item->font();
                font.setItalic(true);
                item->setFont(font);
            }
            table_->setItem(row, column, item);
        }
        ++row;
    }
    // The control and its label before fit their texts; the label after (or the reason a
    // control refuses the edit) takes the rest of the width.
    table_->resizeColumnToContents(0);
    table_->resizeColumnToContents(1);

    QStringList lines;
    for (const CheckFinding& finding : preview_.findings) {
        lines << UiText(finding.text);
    }
    findings_->setText(lines.join('\n'));
    findings_->setVisible(!lines.isEmpty());
    apply_->setEnabled(!controls_.empty() && !preview_.Refused() && !preview_.Changed().empty());
}

std::vector<ControlEdit> CEditSelectedDlg::Edits() const {
    std::vector<ControlEdit> edits;
    if (preview_.Refused()) {
        return edits;
    }
    for (const ControllerId id : preview_.Changed()) {
        const auto index = static_cast<std::size_t>(id);
        edits.push_back({id, preview_.result[index], document_.Map().comments[index]});
    }
    return edits;
}

} // namespace kel

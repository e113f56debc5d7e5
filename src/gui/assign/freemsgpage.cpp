// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/assign/freemsgpage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <string>

#include "gui/assign/chmsgpage.h"
#include "gui/common/accedit.h"
#include "gui/common/ids.h"
#include "gui/common/spinbutton.h"
#include "gui/common/translation.h"
#include "model/assign.h"
#include "model/reporter.h"

namespace kel {

namespace {

// Message texts are single-byte; Latin-1 keeps every byte as one character, so the index of a
// wrong character in the record's text is its index in the field.
QString ToField(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromField(const QString& text) {
    return text.toLatin1().toStdString();
}

} // namespace

CKelFreeMsgPage::CKelFreeMsgPage(AssignEntry& editBuffer, Reporter& reporter, QWidget* parent)
    : QWidget(parent), edit_(editBuffer), reporter_(reporter) {
    SetKelId(this, pageid::FreePage);

    text_ = new CCharEdit(this);
    SetKelId(text_, IdMessageText);
    text_->setMaxLength(static_cast<int>(kTextLimit));
    // The field has no caption on the page: the name tells screen readers what it holds.
    text_->setAccessibleName(KelEditor::tr("Message text"));

    auto* dataTypeLabel = new QLabel(KelEditor::tr("Data Type"), this);
    dataTypeList_ = new QComboBox(this);
    SetKelId(dataTypeList_, IdDataTypeList);
    for (int stored = Data7Bit; stored <= Data4x4Bit; ++stored) {
        dataTypeList_->addItem(CoreText("KelEditor", DataTypeName(stored)));
    }
    dataTypeLabel->setBuddy(dataTypeList_);

    const int fieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 8;
    auto makeBound = [&](int labelId, const QString& label, int fieldId, int spinId,
                         CNumEdit*& field, CSpinButton*& spin) {
        auto* caption = new QLabel(label, this);
        SetKelId(caption, labelId);
        field = new CNumEdit(this);
        SetKelId(field, fieldId);
        field->setFixedWidth(fieldWidth);
        caption->setBuddy(field);
        spin = new CSpinButton(field, this);
        SetKelId(spin, spinId);
        auto* row = new QHBoxLayout;
        row->setSpacing(0);
        row->addWidget(caption);
        row->addSpacing(4);
        row->addWidget(field);
        row->addWidget(spin);
        return row;
    };
    QHBoxLayout* minRow = makeBound(IdMinLabel, KelEditor::tr("Min Value"), IdMinField, IdMinSpin,
                                    minField_, minSpin_);
    QHBoxLayout* maxRow = makeBound(IdMaxLabel, KelEditor::tr("Max Value"), IdMaxField, IdMaxSpin,
                                    maxField_, maxSpin_);

    auto* dataTypeRow = new QHBoxLayout;
    dataTypeRow->addWidget(dataTypeLabel);
    dataTypeRow->addWidget(dataTypeList_);
    dataTypeRow->addStretch(1);
    auto* boundsRow = new QHBoxLayout;
    boundsRow->addLayout(minRow);
    boundsRow->addSpacing(16);
    boundsRow->addLayout(maxRow);
    boundsRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(text_);
    layout->addLayout(dataTypeRow);
    layout->addLayout(boundsRow);
    layout->addStretch(1);

    connect(dataTypeList_, &QComboBox::activated, this, &CKelFreeMsgPage::OnDataTypeActivated);
    RangeStep(0);
    hide();
}

void CKelFreeMsgPage::ShowPage(PageMode mode) {
    mode_ = mode;
    show();
    RefreshPage();
    for (QLineEdit* field : {static_cast<QLineEdit*>(text_), static_cast<QLineEdit*>(minField_),
                             static_cast<QLineEdit*>(maxField_)}) {
        if (field->hasFocus()) {
            field->selectAll();
        }
    }
}

void CKelFreeMsgPage::RefreshPage() {
    text_->setText(ToField(FormatMessageText(edit_.record, mode_, EditStyle)));
    const int entry = edit_.GetDataTypeIndex();
    dataTypeEntry_ = entry >= 0 && entry < dataTypeList_->count() ? entry : 0;
    dataTypeList_->setCurrentIndex(dataTypeEntry_);
    RangeStep(dataTypeEntry_);
    minField_->SetNumber(edit_.GetMinValue());
    minSpin_->SetPosition(minField_->GetNumber());
    maxField_->SetNumber(edit_.GetMaxValue());
    maxSpin_->SetPosition(maxField_->GetNumber());
}

void CKelFreeMsgPage::RangeStep(int entry) {
    const int top = DataTypeValueRangeTop(entry);
    for (CNumEdit* field : {minField_, maxField_}) {
        field->SetRange(0, top);
    }
    for (CSpinButton* spin : {minSpin_, maxSpin_}) {
        spin->SetRange(0, top);
    }
    minField_->SetNumber(0);
    minSpin_->SetPosition(0);
    maxField_->SetNumber(top);
    maxSpin_->SetPosition(top);
}

void CKelFreeMsgPage::OnDataTypeActivated(int entry) {
    if (entry < 0 || entry == dataTypeEntry_) {
        return;
    }
    dataTypeEntry_ = entry;
    RangeStep(entry);
}

void CKelFreeMsgPage::DescribePage(ControlSetting& setting) const {
    if (isHidden()) {
        return;
    }
    setting.message = FromField(text_->text());
    setting.dataType = dataTypeEntry_;
    setting.dataMin = minField_->GetNumber();
    setting.dataMax = maxField_->GetNumber();
    setting.rangeOnlyWithDataField = true;
}

void CKelFreeMsgPage::ShowRefusal(const MessageRefusal& refusal) {
    const ParseMessage message = MessageForResult(refusal.result);
    reporter_.warnMessageText(message.id, message.detail, refusal.fault);
    const TextSelection selection = ErrorSelection(FromField(text_->text()), refusal.result);
    setFocus();
    text_->setFocus();
    if (selection.length == 0) {
        text_->setCursorPosition(static_cast<int>(selection.start));
    } else {
        text_->setSelection(static_cast<int>(selection.start), static_cast<int>(selection.length));
    }
}

} // namespace kel

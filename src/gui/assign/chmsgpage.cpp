// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/assign/chmsgpage.h"

#include <array>
#include <utility>

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/assign/controllerpicker.h"
#include "gui/common/accedit.h"
#include "gui/common/ids.h"
#include "gui/common/spinbutton.h"
#include "gui/common/translation.h"
#include "model/assign.h"
#include "model/controlsetting.h"
#include "model/kinds.h"
#include "model/midinames.h"

namespace kel {

namespace {

constexpr const char* kLongestLabel = "MSB Max Value";
// Every label of the page ends so, as "Type :" and "MIDI Channel :" do.
const QString kLabelEnd = QStringLiteral(" :");

void KeepSpaceWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

QFrame* HorizontalLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedWidth(24);
    return line;
}

} // namespace

CKelChMsgPage::CKelChMsgPage(AssignEntry& editBuffer, QWidget* parent)
    : QWidget(parent), edit_(editBuffer) {
    SetKelId(this, pageid::ChannelPage);

    auto* top = new QHBoxLayout;
    auto* kindLabel = new QLabel(KelEditor::tr("Type :"), this);
    kindList_ = new QComboBox(this);
    SetKelId(kindList_, IdKindList);
    for (int k = 0; k < kChannelKindCount; ++k) {
        kindList_->addItem(CoreText("KelEditor", ChannelKindName(k)));
    }
    kindLabel->setBuddy(kindList_);
    channelLabel_ = new QLabel(KelEditor::tr("MIDI Channel :"), this);
    SetKelId(channelLabel_, IdChannelLabel);
    channelList_ = new QComboBox(this);
    SetKelId(channelList_, IdChannelList);
    for (int c = 1; c <= 16; ++c) {
        channelList_->addItem(QString::number(c));
    }
    channelLabel_->setBuddy(channelList_);
    KeepSpaceWhenHidden(channelLabel_);
    KeepSpaceWhenHidden(channelList_);
    top->addWidget(kindLabel);
    top->addWidget(kindList_);
    top->addStretch(1);
    top->addWidget(channelLabel_);
    top->addWidget(channelList_);

    grid_ = new QGridLayout;
    grid_->setHorizontalSpacing(4);
    grid_->setVerticalSpacing(4);
    const int labelWidth =
        fontMetrics().horizontalAdvance(QString::fromLatin1(kLongestLabel) + kLabelEnd) + 6;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        FieldControls& f = fields_[i];
        f.label = new QLabel(this);
        SetKelId(f.label, IdFieldLabel[i]);
        f.label->setMinimumWidth(labelWidth);
        f.label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        f.number = new QWidget(this);
        f.edit = new CNumEdit(f.number);
        SetKelId(f.edit, IdField[i]);
        f.edit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 8);
        f.label->setBuddy(f.edit);
        f.spin = new CSpinButton(f.edit, f.number);
        SetKelId(f.spin, IdSpin[i]);
        auto* number = new QHBoxLayout(f.number);
        number->setContentsMargins(0, 0, 0, 0);
        number->setSpacing(0);
        number->addWidget(f.edit);
        number->addWidget(f.spin);
        f.name = new QLabel(this);
        SetKelId(f.name, IdFieldName[i]);
        f.name->setTextFormat(Qt::PlainText);
        // The name takes the room beside its field and never widens the dialog.
        f.name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        f.name->setForegroundRole(QPalette::PlaceholderText);
        connect(f.edit, &QLineEdit::textChanged, this, &CKelChMsgPage::ShowNames);
        // Until a kind is shown: two rows of two around the heading, the page's largest form.
        const int row = i < 2 ? 0 : 2;
        const int column = (i % 2 == 0) ? 0 : 3;
        grid_->addWidget(f.label, row, column);
        grid_->addWidget(f.number, row, column + 1);
        grid_->addWidget(f.name, row, column + 2);
    }
    grid_->setColumnStretch(2, 1);
    grid_->setColumnStretch(5, 1);

    // Shown beside a controller number, where the second field of a row would be; it never
    // widens the dialog.
    picker_ = new CControllerPicker(this);
    picker_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    picker_->hide();
    connect(picker_, &CControllerPicker::Chosen, this, &CKelChMsgPage::OnControllerChosen);

    dataEntry_ = new QWidget(this);
    auto* heading = new QHBoxLayout(dataEntry_);
    heading->setContentsMargins(0, 0, 0, 0);
    auto* left = HorizontalLine(dataEntry_);
    SetKelId(left, IdDataEntryLineLeft);
    auto* text = new QLabel(KelEditor::tr("Data Entry"), dataEntry_);
    SetKelId(text, IdDataEntryText);
    auto* right = HorizontalLine(dataEntry_);
    SetKelId(right, IdDataEntryLineRight);
    heading->addStretch(1);
    heading->addWidget(left);
    heading->addWidget(text);
    heading->addWidget(right);
    heading->addStretch(1);
    KeepSpaceWhenHidden(dataEntry_);
    grid_->addWidget(dataEntry_, 1, 0, 1, 6);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addLayout(grid_);
    layout->addStretch(1);

    connect(kindList_, &QComboBox::activated, this, &CKelChMsgPage::OnKindActivated);
    hide();
}

void CKelChMsgPage::SetViewOptions(const CViewOptions* options) {
    if (viewOptions_ != nullptr) {
        disconnect(viewOptions_.data(), nullptr, this, nullptr);
    }
    viewOptions_ = options;
    if (options != nullptr) {
        connect(options, &CViewOptions::changed, this, &CKelChMsgPage::ShowNames);
    }
    ShowNames();
}

void CKelChMsgPage::ShowPage() {
    show();
    RefreshPage();
}

void CKelChMsgPage::RefreshPage() {
    const int channel = edit_.GetChannel();
    channelList_->setCurrentIndex(channel >= 0 && channel <= 15 ? channel : 0);
    const int kind = edit_.GetChannelKind();
    kindList_->setCurrentIndex(kind);

    // The kind's description says which fields the page shows, with their labels and ranges.
    const AssignKind* info = KindOfChannelKind(kind);
    const bool channelShown = info != nullptr && info->channel;
    channelLabel_->setVisible(channelShown);
    channelList_->setVisible(channelShown);
    dataEntry_->setVisible(info != nullptr && info->range == RangeForm::DataEntryMsb);

    CNumEdit* focused = nullptr;
    pickerField_ = -1;
    for (const FieldControls& f : fields_) {
        if (f.edit->hasFocus()) {
            focused = f.edit;
        }
    }
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        FieldControls& f = fields_[i];
        const ValueField* field = info != nullptr ? info->Value(static_cast<int>(i)) : nullptr;
        if (field == nullptr) {
            f.label->hide();
            f.edit->hide();
            f.number->hide();
            continue;
        }
        f.label->setText(CoreText("KelEditor", field->caption) + kLabelEnd);
        // The field sits in a box of its own with its spin button, out of its label's reach.
        f.edit->setAccessibleName(CoreText("KelEditor", field->caption));
        f.edit->SetRange(field->Low(), field->High());
        const int shown = f.edit->SetNumber(edit_.GetValueAt(static_cast<int>(i)));
        f.spin->SetRange(field->Low(), field->High());
        f.spin->SetPosition(shown);
        f.label->show();
        f.edit->show();
        f.number->show();
        if (field->name == ValueName::Controller && pickerField_ < 0) {
            pickerField_ = static_cast<int>(i);
        }
    }
    // A search left unfinished belongs to what was shown before.
    if (!picker_->hasFocus()) {
        picker_->Reset();
    }
    picker_->setVisible(pickerField_ >= 0);
    if (pickerField_ >= 0) {
        // Tab goes from the number to its search.
        setTabOrder(fields_[static_cast<std::size_t>(pickerField_)].edit, picker_);
    }
    PlaceFields(info);
    ShowNames();
    // A number field holding the focus has its text selected, ready to be typed over; when it
    // was just hidden, the first field takes over.
    if (focused != nullptr) {
        if (focused->isHidden()) {
            focused = fields_[0].edit->isHidden() ? nullptr : fields_[0].edit;
        }
        if (focused != nullptr) {
            focused->setFocus();
            focused->selectAll();
        }
    }
}

void CKelChMsgPage::PlaceFields(const AssignKind* info) {
    for (const FieldControls& f : fields_) {
        grid_->removeWidget(f.label);
        grid_->removeWidget(f.number);
        grid_->removeWidget(f.name);
    }
    grid_->removeWidget(dataEntry_);
    grid_->removeWidget(picker_);
    const int count = info != nullptr ? info->valueCount : 0;
    // Where each field goes: its row and its pair of grid columns (0 or 1).
    std::array<std::pair<int, int>, 4> places{};
    int row = 0;
    int column = 0;
    int dataEntryRow = -1;
    for (int i = 0; i < count; ++i) {
        if (i == info->rangeMin && column != 0) {
            ++row;
            column = 0;
        }
        if (i == info->rangeMin && info->range == RangeForm::DataEntryMsb) {
            dataEntryRow = row++;
        }
        places[static_cast<std::size_t>(i)] = {row, column};
        if (++column == 2) {
            ++row;
            column = 0;
        }
    }
    if (dataEntryRow >= 0) {
        grid_->addWidget(dataEntry_, dataEntryRow, 0, 1, 6);
    }
    const int rows = column == 0 ? row : row + 1;
    for (int i = 0; i < count; ++i) {
        const auto [at, pair] = places[static_cast<std::size_t>(i)];
        const FieldControls& f = fields_[static_cast<std::size_t>(i)];
        grid_->addWidget(f.label, at, pair * 3);
        grid_->addWidget(f.number, at, pair * 3 + 1);
        // A field alone in its row lends its name the rest of the row; a controller number's
        // search takes the last two columns of it.
        const bool alone =
            pair == 0 && (i + 1 == count || places[static_cast<std::size_t>(i + 1)].first != at);
        if (i == pickerField_) {
            if (alone) {
                grid_->addWidget(f.name, at, 2, 1, 2);
                grid_->addWidget(picker_, at, 4, 1, 2);
                continue;
            }
            grid_->addWidget(picker_, rows, pair * 3 + 1, 1, 2);
        }
        grid_->addWidget(f.name, at, pair * 3 + 2, 1, alone ? 4 : 1);
    }
}

void CKelChMsgPage::ShowNames() {
    const AssignKind* info = KindOfChannelKind(edit_.GetChannelKind());
    const auto number = [this](ValueName name, const AssignKind& kind) {
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            if (const ValueField* field = kind.Value(static_cast<int>(i));
                field != nullptr && field->name == name) {
                return fields_[i].edit->GetNumber();
            }
        }
        return -1;
    };
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        FieldControls& f = fields_[i];
        const ValueField* field = info != nullptr ? info->Value(static_cast<int>(i)) : nullptr;
        std::string name;
        if (field != nullptr) {
            const int shown = f.edit->GetNumber();
            switch (field->name) {
            case ValueName::Controller:
                name = ControllerNumberName(shown);
                break;
            case ValueName::Note:
                name = NoteName(shown, MiddleCOf(viewOptions_.data()));
                break;
            case ValueName::Program:
                name = GmProgramName(shown);
                break;
            case ValueName::ParameterLsb:
                // Only registered parameters have names; the pair is named beside its LSB.
                if (info->channelKind == KindRpn) {
                    name = RpnName(number(ValueName::ParameterMsb, *info), shown);
                }
                break;
            default:
                break;
            }
        }
        const QString text = QString::fromStdString(name);
        f.name->setText(text);
        f.name->setToolTip(text);
        f.name->setVisible(!text.isEmpty() && !f.number->isHidden());
        f.edit->setAccessibleDescription(text);
    }
}

void CKelChMsgPage::DescribePage(ControlSetting& setting) const {
    if (isHidden()) {
        return;
    }
    const int channel = channelList_->currentIndex();
    const int stored = edit_.GetChannel();
    if (stored >= 0 && channel >= 0 && channel != stored) {
        setting.channel = channel + 1;
    }
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const int value = fields_[i].edit->GetNumber();
        if (!fields_[i].number->isHidden() && value != edit_.GetValueAt(static_cast<int>(i))) {
            setting.values[i] = value;
        }
    }
}

void CKelChMsgPage::OnControllerChosen(int number) {
    if (pickerField_ < 0 || isHidden()) {
        return;
    }
    FieldControls& f = fields_[static_cast<std::size_t>(pickerField_)];
    f.spin->SetPosition(f.edit->SetNumber(number));
}

void CKelChMsgPage::OnKindActivated(int entry) {
    if (entry < 0 || entry == edit_.GetChannelKind()) {
        return;
    }
    edit_.SetChannelKind(entry);
    emit KindChanged();
}

} // namespace kel

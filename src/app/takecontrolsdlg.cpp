// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/takecontrolsdlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/common/translation.h"
#include "gui/common/uitext.h"
#include "model/controllers.h"

namespace kel {

namespace {

enum Column { ControlColumn, CurrentColumn, OtherColumn, DifferenceColumn };

// The group's name, by its first control: R1 the knobs, S1 the sliders, and so on.
QString GroupName(ControllerId first) {
    const std::string_view name = ControllerName(first);
    if (name == "R1") {
        return KelEditor::tr("&Knobs");
    }
    if (name == "S1") {
        return KelEditor::tr("&Sliders");
    }
    if (name == "A1") {
        return KelEditor::tr("&A row");
    }
    if (name == "B1") {
        return KelEditor::tr("&B row");
    }
    if (name.starts_with('P')) {
        return KelEditor::tr("&Pedals");
    }
    if (name.starts_with('C') || name.starts_with('H') || name.starts_with('L')) {
        return KelEditor::tr("&C/H/L");
    }
    return KelEditor::tr("B&END/MOD/AFT");
}

QString LabelText(const std::string& label) {
    return label.empty() ? KelEditor::tr("(none)") : QString::fromStdString(label);
}

} // namespace

CTakeControlsDlg::CTakeControlsDlg(const std::vector<ControlDifference>& differences,
                                   const QString& otherName, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TakeControlsDialog"));
    setWindowTitle(KelEditor::tr("Take Controls From %1").arg(otherName));
    auto* layout = new QVBoxLayout(this);

    auto* intro =
        new QLabel(KelEditor::tr("Controls that differ from %1. Tick those to take into this map.")
                       .arg(otherName),
                   this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    // One check box per group that has a differing control, in the panel's order.
    auto* groupRow = new QHBoxLayout;
    for (const ControlDifference& difference : differences) {
        const std::vector<ControllerId> members = ControlGroupOf(difference.id);
        if (members.empty() || std::any_of(groups_.begin(), groups_.end(), [&](const Group& g) {
                return g.members.front() == members.front();
            })) {
            continue;
        }
        groups_.push_back({members, nullptr});
    }
    for (Group& group : groups_) {
        group.box = new QCheckBox(GroupName(group.members.front()), this);
        group.box->setTristate(true);
        group.box->setAccessibleDescription(
            KelEditor::tr("Takes every differing control of the group"));
        groupRow->addWidget(group.box);
        connect(group.box, &QCheckBox::clicked, this, [this, &group] { GroupClicked(group); });
    }
    groupRow->addStretch(1);
    layout->addLayout(groupRow);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("TakeControlsList"));
    list_->setAccessibleName(KelEditor::tr("Controls that differ"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setHeaderLabels({KelEditor::tr("Control"), KelEditor::tr("This map"), otherName,
                            KelEditor::tr("Difference")});
    for (const ControlDifference& difference : differences) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(ControlColumn, QString::fromLatin1(ControllerName(difference.id)));
        item->setText(CurrentColumn, LabelText(difference.labelBefore));
        item->setText(OtherColumn, LabelText(difference.labelAfter));
        item->setText(DifferenceColumn, UiText(difference.text));
        item->setToolTip(DifferenceColumn, item->text(DifferenceColumn));
        item->setData(ControlColumn, Qt::UserRole, difference.id);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ControlColumn, Qt::Unchecked);
    }
    // Wide enough for every line and tall enough for a dozen rows, where the screen allows:
    // the window is sized to its hint when it is placed beside the panel.
    int width = 0;
    for (int column = ControlColumn; column <= DifferenceColumn; ++column) {
        list_->resizeColumnToContents(column);
        width += list_->columnWidth(column);
    }
    const int rows = std::min(list_->topLevelItemCount(), 12);
    list_->setMinimumSize(std::min(width + 32, 960),
                          list_->header()->sizeHint().height() +
                              rows * std::max(list_->sizeHintForRow(0), 1) + 8);
    if (list_->topLevelItemCount() > 0) {
        list_->setCurrentItem(list_->topLevelItem(0));
    }
    connect(list_, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item) { ItemChanged(item); });
    layout->addWidget(list_, 1);

    auto* buttons = new QDialogButtonBox(this);
    take_ = buttons->addButton(KelEditor::tr("&Take"), QDialogButtonBox::AcceptRole);
    buttons->addButton(KelEditor::tr("Cancel"), QDialogButtonBox::RejectRole);
    take_->setObjectName(QStringLiteral("TakeButton"));
    take_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    FollowTicks();
    list_->setFocus();
}

std::vector<ControllerId> CTakeControlsDlg::Ticked() const {
    std::vector<ControllerId> ids;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->checkState(ControlColumn) == Qt::Checked) {
            ids.push_back(
                static_cast<ControllerId>(item->data(ControlColumn, Qt::UserRole).toInt()));
        }
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

QCheckBox* CTakeControlsDlg::GroupBox(ControllerId id) const {
    for (const Group& group : groups_) {
        if (std::find(group.members.begin(), group.members.end(), id) != group.members.end()) {
            return group.box;
        }
    }
    return nullptr;
}

void CTakeControlsDlg::ItemChanged(QTreeWidgetItem* item) {
    (void)item;
    if (!updating_) {
        FollowTicks();
    }
}

void CTakeControlsDlg::GroupClicked(Group& group) {
    // A click ticks the whole group unless all of it is ticked, which it clears.
    bool all = true;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        const auto id = static_cast<ControllerId>(item->data(ControlColumn, Qt::UserRole).toInt());
        if (std::find(group.members.begin(), group.members.end(), id) != group.members.end() &&
            item->checkState(ControlColumn) != Qt::Checked) {
            all = false;
        }
    }
    updating_ = true;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        const auto id = static_cast<ControllerId>(item->data(ControlColumn, Qt::UserRole).toInt());
        if (std::find(group.members.begin(), group.members.end(), id) != group.members.end()) {
            item->setCheckState(ControlColumn, all ? Qt::Unchecked : Qt::Checked);
        }
    }
    updating_ = false;
    FollowTicks();
}

void CTakeControlsDlg::FollowTicks() {
    const std::vector<ControllerId> ticked = Ticked();
    for (Group& group : groups_) {
        int differing = 0;
        int taken = 0;
        for (int i = 0; i < list_->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list_->topLevelItem(i);
            const auto id =
                static_cast<ControllerId>(item->data(ControlColumn, Qt::UserRole).toInt());
            if (std::find(group.members.begin(), group.members.end(), id) != group.members.end()) {
                ++differing;
                taken += item->checkState(ControlColumn) == Qt::Checked ? 1 : 0;
            }
        }
        group.box->setCheckState(taken == 0           ? Qt::Unchecked
                                 : taken == differing ? Qt::Checked
                                                      : Qt::PartiallyChecked);
    }
    take_->setEnabled(!ticked.empty());
    // One control is named ("Take S1"), several counted.
    take_->setText(
        ticked.empty() ? KelEditor::tr("&Take")
        : ticked.size() == 1
            ? KelEditor::tr("&Take %1").arg(QString::fromLatin1(ControllerName(ticked.front())))
            : KelEditor::tr("&Take %n controls", nullptr, static_cast<int>(ticked.size())));
}

} // namespace kel

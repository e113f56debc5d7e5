// SPDX-License-Identifier: GPL-3.0-or-later
// File > Take Controls From: the controls that differ between the open map and another map,
// side by side (the control, its label here, its label there, the comparison's line), each
// with a check box, and a check box per group of the panel that ticks the group's differing
// controls at once. "Take" ends the dialog; the caller writes the ticked controls.
#pragma once

#include <QDialog>
#include <QString>

#include <vector>

#include "model/assign.h"
#include "model/mapcompare.h"

class QCheckBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kel {

class CTakeControlsDlg : public QDialog {
    Q_OBJECT
public:
    // `differences` are those of a comparison from the open map to the map of `otherName`
    // (its file name); none is ticked at first.
    CTakeControlsDlg(const std::vector<ControlDifference>& differences, const QString& otherName,
                     QWidget* parent);

    // The ticked controls, in the panel's order.
    std::vector<ControllerId> Ticked() const;

    QTreeWidget* List() const { return list_; }
    // The group check box of the group `id` belongs to; null when the group has no difference.
    QCheckBox* GroupBox(ControllerId id) const;
    QPushButton* TakeButton() const { return take_; }

private:
    struct Group {
        std::vector<ControllerId> members; // ControlGroupOf
        QCheckBox* box = nullptr;
    };

    void ItemChanged(QTreeWidgetItem* item);
    void GroupClicked(Group& group);
    void FollowTicks(); // the group boxes and the Take button follow the ticked controls

    QTreeWidget* list_ = nullptr;
    QPushButton* take_ = nullptr;
    std::vector<Group> groups_;
    bool updating_ = false;
};

} // namespace kel

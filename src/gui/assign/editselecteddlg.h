// SPDX-License-Identifier: GPL-3.0-or-later
// Edit Selected: one dialog that sets fields on many controls at once (message kind, MIDI
// channel, port, button mode, minimum and maximum, a number in sequence), with a preview of
// every control's label before and after and what the map check finds, before anything changes.
// The controls are a list the user can also type ("R1-R8,S1"). The dialog changes nothing
// itself: the caller writes Edits() into the document as one step.
#pragma once

#include <vector>

#include <QDialog>

#include "model/multiedit.h"
#include "model/parameter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace kel {

namespace ctl {
inline constexpr int EditControls = 1201;
inline constexpr int EditPreview = 1202;
inline constexpr int EditFindings = 1203;
inline constexpr int EditApply = 1;
} // namespace ctl

class CEditSelectedDlg : public QDialog {
    Q_OBJECT
public:
    CEditSelectedDlg(const CParameter& document, const std::vector<ControllerId>& controls,
                     QWidget* parent = nullptr);

    // The controls listed now (empty while the list is not valid).
    const std::vector<ControllerId>& Controls() const { return controls_; }
    // The records and comments to write: the controls the edit changes.
    std::vector<ControlEdit> Edits() const;
    const MultiEditPreview& Preview() const { return preview_; }

    // The fields, for the tests and the accessible names.
    QLineEdit* ControlsField() const { return controlsField_; }
    QCheckBox* KindBox() const { return kindBox_; }
    QComboBox* KindList() const { return kindList_; }
    QCheckBox* ChannelBox() const { return channelBox_; }
    QSpinBox* ChannelField() const { return channel_; }
    QCheckBox* PortBox() const { return portBox_; }
    QComboBox* PortList() const { return portList_; }
    QCheckBox* ButtonBox() const { return buttonBox_; }
    QComboBox* ButtonList() const { return buttonList_; }
    QCheckBox* MinimumBox() const { return minimumBox_; }
    QSpinBox* MinimumField() const { return minimum_; }
    QCheckBox* MaximumBox() const { return maximumBox_; }
    QSpinBox* MaximumField() const { return maximum_; }
    QCheckBox* NumberBox() const { return numberBox_; }
    QSpinBox* StartField() const { return start_; }
    QSpinBox* StepField() const { return step_; }
    QCheckBox* SkipReservedBox() const { return skipReserved_; }
    QTableWidget* PreviewTable() const { return table_; }
    QLabel* FindingsLabel() const { return findings_; }
    QPushButton* ApplyButton() const { return apply_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads the fields, works the edit out on a copy and shows it.
    void UpdatePreview();
    MultiEdit ReadEdit() const;

    const CParameter& document_;
    std::vector<ControllerId> controls_;
    MultiEditPreview preview_;
    QLineEdit* controlsField_;
    QLabel* listError_;
    QCheckBox* kindBox_;
    QComboBox* kindList_;
    QCheckBox* channelBox_;
    QSpinBox* channel_;
    QCheckBox* portBox_;
    QComboBox* portList_;
    QCheckBox* buttonBox_;
    QComboBox* buttonList_;
    QCheckBox* minimumBox_;
    QSpinBox* minimum_;
    QCheckBox* maximumBox_;
    QSpinBox* maximum_;
    QCheckBox* numberBox_;
    QSpinBox* start_;
    QSpinBox* step_;
    QCheckBox* skipReserved_;
    QTableWidget* table_;
    QLabel* findings_;
    QPushButton* apply_;
};

} // namespace kel

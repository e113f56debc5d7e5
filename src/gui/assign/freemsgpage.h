// SPDX-License-Identifier: GPL-3.0-or-later
// The page of the assign dialog for System Ex. and Free Message assignments: the message as
// one line of text, the data type of its "DT" field and the field's minimum and maximum.
#pragma once

#include <QWidget>

#include "model/controlsetting.h"
#include "model/msgtext.h"

class QComboBox;
class QLabel;

namespace kel {

struct AssignEntry;
class Reporter;
class CCharEdit;
class CNumEdit;
class CSpinButton;

class CKelFreeMsgPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int IdMessageText = 1023;
    static constexpr int IdDataTypeList = 1024;
    static constexpr int IdMinField = 1008;
    static constexpr int IdMinSpin = 1009;
    static constexpr int IdMaxField = 1010;
    static constexpr int IdMaxSpin = 1011;
    static constexpr int IdMinLabel = 1016;
    static constexpr int IdMaxLabel = 1017;

    // Refusals of the message text are reported through `reporter`.
    CKelFreeMsgPage(AssignEntry& editBuffer, Reporter& reporter, QWidget* parent = nullptr);

    // Shows the page for "System Ex." (SysExMode) or "Free Message" (FreeMode) and fills it.
    void ShowPage(PageMode mode);
    // Adds the text, its data type and the bounds to `setting`; nothing while the page is
    // hidden. The bounds count only for a text with a data field.
    void DescribePage(ControlSetting& setting) const;
    // Shows why the text was refused and selects the wrong part of it.
    void ShowRefusal(const MessageRefusal& refusal);
    // Fills the controls from the record.
    void RefreshPage();

    PageMode Mode() const { return mode_; }
    int DataTypeEntry() const { return dataTypeEntry_; }

private:
    void OnDataTypeActivated(int entry);
    // Both bounds get the entry's range; the minimum shows 0 and the maximum the range top.
    void RangeStep(int entry);

    AssignEntry& edit_;
    Reporter& reporter_;
    PageMode mode_ = SysExMode;
    int dataTypeEntry_ = 0;
    CCharEdit* text_ = nullptr;
    QComboBox* dataTypeList_ = nullptr;
    CNumEdit* minField_ = nullptr;
    CSpinButton* minSpin_ = nullptr;
    CNumEdit* maxField_ = nullptr;
    CSpinButton* maxSpin_ = nullptr;
};

} // namespace kel

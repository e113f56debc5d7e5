// SPDX-License-Identifier: GPL-3.0-or-later
// The channel message page of the assign dialog: the kind of channel message, its MIDI channel
// and up to four numbers whose label, range and record byte depend on the kind.
#pragma once

#include <QPointer>
#include <QWidget>

#include <array>

#include "gui/common/viewoptions.h"

class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;

namespace kel {

struct AssignEntry;
struct AssignKind;
struct ControlSetting;
class CControllerPicker;
class CNumEdit;
class CSpinButton;

namespace pageid {
inline constexpr int ChannelPage = 132;
inline constexpr int FreePage = 133;
inline constexpr int RealtimePage = 134;
} // namespace pageid

class CKelChMsgPage : public QWidget {
    Q_OBJECT
public:
    // Control ids of the page.
    static constexpr int IdKindList = 1005;
    static constexpr int IdChannelLabel = 1038;
    static constexpr int IdChannelList = 1006;
    static constexpr std::array<int, 4> IdFieldLabel = {1016, 1017, 1018, 1019};
    static constexpr std::array<int, 4> IdField = {1008, 1010, 1012, 1014};
    static constexpr std::array<int, 4> IdSpin = {1009, 1011, 1013, 1015};
    // The names beside the numbers ("Brightness", "C3", "Acoustic Grand Piano").
    static constexpr std::array<int, 4> IdFieldName = {1220, 1221, 1222, 1223};
    static constexpr int IdDataEntryText = 1020;
    static constexpr int IdDataEntryLineLeft = 1059;
    static constexpr int IdDataEntryLineRight = 1060;

    CKelChMsgPage(AssignEntry& editBuffer, QWidget* parent = nullptr);

    // Shows the page and fills it from the record.
    void ShowPage();
    // Adds the channel and the shown numbers the user changed to `setting`; nothing while the
    // page is hidden.
    void DescribePage(ControlSetting& setting) const;
    // Fills the controls from the record.
    void RefreshPage();

    CNumEdit* Field(int index) const { return fields_[static_cast<std::size_t>(index)].edit; }
    // The search beside a controller number, shown for the kinds that have one.
    CControllerPicker* Picker() const { return picker_; }

    // The options the names beside the numbers follow (middle C); the names change with them
    // at once. Middle C is C3 without them.
    void SetViewOptions(const CViewOptions* options);

signals:
    // The user picked another kind: the record now holds it with its defaults, and the dialog
    // redoes its kind-dependent controls (which refills this page).
    void KindChanged();

private:
    struct FieldControls {
        QLabel* label = nullptr;
        CNumEdit* edit = nullptr;
        CSpinButton* spin = nullptr;
        QWidget* number = nullptr; // the field with its spin button
        QLabel* name = nullptr;    // the name of the number shown, if it has one
    };

    // The names of the numbers the fields show now, beside them and in their accessible
    // descriptions.
    void ShowNames();

    void OnKindActivated(int entry);
    // The picker's choice into the controller number field, as the spin button writes it.
    void OnControllerChosen(int number);
    // Lays out the kind's fields two to a row in their order, its Min and Max side by side on
    // a row of their own (under the "Data Entry" heading when the kind has it), no row left
    // empty.
    void PlaceFields(const AssignKind* info);

    AssignEntry& edit_;
    QComboBox* kindList_ = nullptr;
    QLabel* channelLabel_ = nullptr;
    QComboBox* channelList_ = nullptr;
    std::array<FieldControls, 4> fields_{};
    QGridLayout* grid_ = nullptr;
    QWidget* dataEntry_ = nullptr; // the heading: two lines around "Data Entry"
    CControllerPicker* picker_ = nullptr;
    int pickerField_ = -1; // the field holding the controller number; -1: the kind has none
    QPointer<const CViewOptions> viewOptions_;
};

} // namespace kel

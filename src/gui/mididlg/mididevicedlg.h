// SPDX-License-Identifier: GPL-3.0-or-later
// The "MIDI Devices" dialog (117): the MIDI system, the input port and the output port the
// editor talks to the KEL through. The lists are read afresh from the system each time they
// are shown; the caller stores what was chosen.  A direction with nothing chosen and a single
// device's port starts on that port.
#pragma once

#include <QDialog>

#include "midi/midisystems.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace kel {

namespace ctl {
inline constexpr int InputPortList = 1058;
inline constexpr int OutputPortList = 1002;
inline constexpr int MidiSystemList = 1059;
inline constexpr int NoPortsNote = 1060;
inline constexpr int OnlyPortNote = 1061;
} // namespace ctl

class CMidiDeviceDlg : public QDialog {
    Q_OBJECT
public:
    // Opens on `system` with entries `input` and `output` selected (-1: no selection).
    CMidiDeviceDlg(CMidiSystems& systems, MidiSystem system, int input, int output,
                   QWidget* parent = nullptr);

    // What is selected now (-1 for nothing).
    MidiSystem SelectedSystem() const;
    int SelectedInput() const;
    int SelectedOutput() const;

    QComboBox* SystemList() const { return systemList_; }
    QComboBox* InputList() const { return inputList_; }
    QComboBox* OutputList() const { return outputList_; }
    QLabel* NoPortsNote() const { return noPorts_; }
    // Says which port was chosen because it is the only one listed (hidden when none was).
    QLabel* OnlyPortNote() const { return onlyPort_; }

    // The name under which a system is offered.
    static QString SystemTitle(MidiSystem system);

private:
    // Fills both lists from `system` and selects the given entries; a list with no entry
    // given and one device's port selects that one and says so.
    void Fill(MidiSystem system, int input, int output);
    void OnSystemChanged();

    CMidiSystems& systems_;
    MidiSystem initialSystem_;
    int initialInput_;
    int initialOutput_;
    QComboBox* systemList_;
    QComboBox* inputList_;
    QComboBox* outputList_;
    QLabel* noPorts_;
    QLabel* onlyPort_;
};

} // namespace kel

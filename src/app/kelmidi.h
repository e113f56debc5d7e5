// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's MIDI side: the chosen MIDI system, the input and output port objects, and the
// three commands Transmit, Receive and MIDI Devices with their dialogs. Owned by the
// application object, which constructs it after the document, the assign dialog and the
// current path; it registers its commands with the application when constructed.
#pragma once

#include <QPointer>

#include <string>

#include "gui/mididlg/midisystems.h"
#include "midi/midiin.h"
#include "midi/midiout.h"
#include "midi/transfer.h"

class QWidget;

namespace kel {

class CKelEditorApp;
class CKelRcvDlg;

class CKelMidi : private TransferUi {
public:
    explicit CKelMidi(CKelEditorApp& app, CMidiSystems::Factory factory = {});
    ~CKelMidi() override;

    CKelMidi(const CKelMidi&) = delete;
    CKelMidi& operator=(const CKelMidi&) = delete;

    // Start-up: the stored port names into the two port objects.
    void LoadSettings();

    // Communication > Transmit, Communication > Receive and Options > MIDI Devices.
    void OnTransmit();
    void OnReceive();
    void OnMidiDevices();

    // The system in use: the stored choice, or on first use the default (see CMidiSystems).
    MidiSystem System();
    // The name the transfers look for: "MIDI Device" / "Input" or "Output" of the settings
    // store. A value never stored means the virtual device's port while that system is used.
    std::string StoredName(bool input);

    CMidiSystems& Systems() { return systems_; }
    CMidiIn& Input() { return input_; }
    CMidiOut& Output() { return output_; }
    // How the last Transmit or Receive ended.
    TransferOutcome LastOutcome() const { return lastOutcome_; }

private:
    // TransferUi
    std::string StoredPortName(bool input) override { return StoredName(input); }
    void CommitPendingEdits() override;
    bool Confirm(StringId question) override;
    bool ShowTransmitInstructions() override;
    std::unique_ptr<TransferDialog> CreateReceiveDialog() override;
    std::unique_ptr<TransferDialog> CreateProgressDialog() override;
    void NewMap() override;
    void RefreshViews() override;

    QWidget* Parent() const;
    CTransfer Transfer();

    CKelEditorApp& app_;
    CMidiSystems systems_;
    CMidiIn input_;
    CMidiOut output_;
    bool systemChosen_ = false;
    int messagesBefore_ = 0; // messages the built-in device had before a transmit
    QPointer<CKelRcvDlg> receiveDlg_;
    TransferOutcome lastOutcome_ = TransferOutcome::Completed;
};

} // namespace kel

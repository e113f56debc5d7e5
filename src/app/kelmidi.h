// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's MIDI side: the chosen MIDI system, the input and output port objects, and the
// commands Transmit, Receive, MIDI Devices, Monitor and Learn from Input with their windows.
// Owned by the application object, which constructs it after the document, the assign dialog
// and the current path.
//
// The monitor listens on the chosen input with a port of its own, apart from the transfers'
// input: it is closed while a transfer runs and opened again afterwards. Learning uses the same
// port, opened for as long as it waits when the monitor is off. When the input goes away the
// monitor stays on with its window and lines, says so in the window, and listens again once the
// input is listed again (or at once on Communication > Monitor); the times of its lines count
// from its start across the pause, the loss and the return.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/editorparts.h"
#include "app/verify.h"
#include "midi/midiin.h"
#include "midi/midimonitor.h"
#include "midi/midiout.h"
#include "midi/midisystems.h"
#include "midi/transfer.h"
#include "model/msgmatch.h"

class QWidget;

namespace kel {

class CAppSettings;
class CMainFrame;
class CKelRcvDlg;
class CLearnFromInput;
class CMonitorWindow;

class CKelMidi : public QObject, private TransferUi {
    Q_OBJECT
public:
    // The shortest time between two takes of what the monitor heard (milliseconds).
    static constexpr int kBatchMs = 5;
    // How often the port list is looked at while the monitor's input is lost (milliseconds).
    static constexpr int kReturnPollMs = 1000;
    CKelMidi(const EditorParts& parts, CAppSettings& settings, CMidiSystems::Factory factory = {});
    ~CKelMidi() override;

    CKelMidi(const CKelMidi&) = delete;
    CKelMidi& operator=(const CKelMidi&) = delete;

    // Start-up: the stored port names into the two port objects.
    void LoadSettings();
    // The main window, once there is one: the home of the MIDI dialogs and the monitor, whose
    // panel lights what the monitor hears.
    void SetMainWindow(CMainFrame* window);

    // Communication > Transmit, Communication > Receive and Options > MIDI Devices.
    void OnTransmit();
    void OnReceive();
    void OnMidiDevices();
    // Communication > Monitor: listening on the input and the monitor window, on or off; with
    // the input lost, an attempt to listen again at once.
    void OnMonitor();
    // The monitor is on: its window is shown, listening or waiting for its lost input.
    bool MonitorOn() const { return monitorOn_; }
    // The monitor is on but its input went away and has not come back yet.
    bool MonitorInputLost() const { return monitorOn_ && inputLost_; }
    CMonitorWindow* MonitorWindow() const;
    // Edit > Learn from Input, for the selected control.
    void OnLearn();
    CLearnFromInput& Learn() { return *learn_; }
    CMidiMonitor& Monitor() { return monitor_; }
    // Takes the messages heard so far: lines in the monitor window, light on the panel, the
    // message learning waits for. Runs when the input's thread says there is something.
    void TakeHeard();

    // Closes the listening port for the life of the object (a transfer, a verify, a change of
    // the MIDI system) and opens it again afterwards when it was open.
    class ListeningPause {
    public:
        explicit ListeningPause(CKelMidi& midi);
        ~ListeningPause();
        ListeningPause(const ListeningPause&) = delete;
        ListeningPause& operator=(const ListeningPause&) = delete;

    private:
        CKelMidi& midi_;
        bool resume_;
    };

    // The system in use: the stored choice, or on first use the default (see CMidiSystems).
    MidiSystem System();
    // The name the transfers look for: "MIDI Device" / "Input" or "Output" of the settings
    // store. A value never stored means the virtual device's port while that system is used.
    std::string StoredName(bool input);

    // None was chosen or the chosen port is gone, and `name` is the only device's port listed:
    // it becomes the chosen port, stored as the MIDI Devices dialog stores a choice, and the
    // status bar says so. Always true.
    bool TakeOnlyPort(bool input, const std::string& name) override;

    CMidiSystems& Systems() { return systems_; }
    CMidiIn& Input() { return input_; }
    CMidiOut& Output() { return output_; }
    // How the last Transmit or Receive ended.
    TransferOutcome LastOutcome() const { return lastOutcome_; }
    // Receives the device's memory for Verify, into a table of its own (the map stays as it
    // is); what came when cancelled after the first record; nothing when cancelled before or
    // failed (reported).
    std::optional<VerifyReceived> ReceiveForVerify();

signals:
    // The monitor was turned on or off, or learning started or ended.
    void StateChanged();

private:
    // Adds the map of a completed transfer to the device's history (the status bar says when
    // it cannot be written).
    void KeepInHistory(bool received);

    // TransferUi
    std::string StoredPortName(bool input) override { return StoredName(input); }
    void CommitPendingEdits() override;
    bool Confirm(StringId question) override;
    bool ShowTransmitInstructions() override;
    std::unique_ptr<TransferDialog> CreateReceiveDialog() override;
    std::unique_ptr<TransferDialog> CreateProgressDialog() override;
    void NewMap() override;
    void ReceiveEnded() override;
    void ReceiveIncomplete(const ReceiveStatus& status) override;

    QWidget* Parent() const;
    CTransfer Transfer();

    // Opens the listening port on the chosen input (reporting why it cannot); true when open.
    // While the monitor is on, its session goes on (the times keep counting).
    bool StartListening();
    // The monitor's lost input once more, when it is listed again and no transfer has the
    // input; `tellWhy` reports why not. True when it listens.
    bool ListenAgain(bool tellWhy);
    // Opens the listening port on the chosen input: 0, kNotListed, or the MidiErr code.
    static constexpr int kNotListed = -1;
    // `mayChoose`: with no usable input chosen, the only input listed is taken.
    int OpenListeningPort(bool mayChoose = false);
    // Closes it when neither the monitor nor learning needs it any more.
    void StopListeningIfUnused();
    void TurnMonitorOff();
    void OnInputLost();

    EditorParts parts_;
    CAppSettings& settings_;
    QPointer<CMainFrame> mainWindow_;
    CMidiSystems systems_;
    CMidiIn input_;
    CMidiOut output_;
    bool systemChosen_ = false;
    QPointer<CKelRcvDlg> receiveDlg_;
    TransferOutcome lastOutcome_ = TransferOutcome::Completed;

    // The input thread's wake-up becomes a queued call on this object; it outlives monitor_,
    // which stops calling before it goes.
    QObject wakeTarget_;
    // What the monitor heard is taken at most once every kBatchMs, so a dense stream costs one
    // update of the window for many messages, not one each.
    QTimer batchTimer_;
    QElapsedTimer lastTake_;
    CMidiMonitor monitor_;
    std::string listeningPort_;
    std::vector<MonitoredMessage> heard_;
    CHeardMatcher matcher_; // the controls of what is heard, with each channel's parameter
    std::unique_ptr<CLearnFromInput> learn_;
    QPointer<CMonitorWindow> monitorWindow_;
    bool monitorOn_ = false;
    bool lostReported_ = false;
    bool inputLost_ = false; // the monitor waits for its input to be listed again
    QTimer returnPoll_;
    int pauses_ = 0; // ListeningPauses alive: the input is the transfer's
};

} // namespace kel

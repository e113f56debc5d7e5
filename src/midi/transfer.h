// SPDX-License-Identifier: GPL-3.0-or-later
// Transmit and Receive: the two procedures that move the whole control map between the editor
// and the device's current memory, as a chain of modal dialogs around the output port, the input
// port and the parser thread. The dialogs and the application's side (stored port names,
// pending edits, New, view refresh) come in through TransferUi, so the procedures run the same
// in the editor and in tests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/backend.h"
#include "midi/midiin.h"
#include "midi/midiout.h"
#include "midi/transferclock.h"
#include "midi/transferlistener.h"
#include "model/parameter.h"
#include "model/reporter.h"

namespace kel {

enum class DialogResult { Ok = 1, Cancel = 2 };

// A modal dialog of a transfer (the receive dialog or the progress dialog). It hears from the
// engine while it exists, also after its modal run has ended; reports that arrive then are
// dropped.
class TransferDialog : public TransferListener {
public:
    virtual DialogResult RunModal() = 0;
    // The progress dialog of a receive is given the input before it runs, to say what it still
    // waits for once the line has gone quiet. Other dialogs take no notice.
    virtual void WatchReceive(const CMidiIn& input) { (void)input; }
    // The dialogs of a receive are given the way to ask the device again for its memory: `ask`
    // sends the request once more (true when it went out), and what arrives then fills the
    // controls still missing. A stalled receive (a message lost on a busy line) can so still
    // complete. Other dialogs take no notice.
    virtual void OfferAskAgain(std::function<bool()> ask) { (void)ask; }
};

class TransferUi {
public:
    virtual ~TransferUi() = default;
    // The stored port name, "MIDI Device" / "Input" or "Output" (empty when absent).
    virtual std::string StoredPortName(bool input) = 0;
    // None was chosen or the chosen port is gone, and `name` is the only port listed: true
    // when the user's side takes it as chosen (remembers it and says so). Without that, the
    // transfer reports that there is no port.
    virtual bool TakeOnlyPort(bool input, const std::string& name) {
        (void)input;
        (void)name;
        return false;
    }
    // Commits the TITLE field and the assign dialog's pending fields.
    virtual void CommitPendingEdits() = 0;
    // The confirmation dialog with `question`: true for "Continue".
    virtual bool Confirm(StringId question) = 0;
    // "Transmit Control Map" (the device to Bulk Receive mode): true for "Continue".
    virtual bool ShowTransmitInstructions() = 0;
    // "Receive Control Map": closes with OK on its first BulkReceived.
    virtual std::unique_ptr<TransferDialog> CreateReceiveDialog() = 0;
    // The progress dialog: closes with OK (about a second after the bar is full) when a report
    // carries a remaining count of 0.
    virtual std::unique_ptr<TransferDialog> CreateProgressDialog() = 0;
    // New without asking to save: clears the file path, resets the document, updates the
    // caption and refreshes the views.
    virtual void NewMap() = 0;
    // A receive has ended and the document has told its views: the main window comes to the
    // front.
    virtual void ReceiveEnded() = 0;
    // After ReceiveEnded, when the receive was cancelled before every control had arrived:
    // `status` names those missing (they keep NO ASSIGN) and their damaged messages.
    virtual void ReceiveIncomplete(const ReceiveStatus& status) = 0;
};

// How a procedure ended.
enum class TransferOutcome {
    Completed,
    NoDevice,              // the stored port name is not listed (32810)
    Declined,              // the confirmation was not continued
    OpenFailed,            // a port could not be opened (reported by the port)
    InstructionsCancelled, // transmit: the instructions were cancelled
    StartFailed,           // the sender or the input could not be started
    WaitCancelled,         // receive: cancelled before the first bulk message arrived
    Cancelled,             // cancelled in the progress dialog
};

class CTransfer {
public:
    static constexpr int kMessageCount = kControllerCount; // 50 bulk messages per transfer

    CTransfer(CParameter& document, CMidiIn& input, CMidiOut& output, MidiBackend& backend,
              Reporter& reporter, TransferUi& ui);

    // Writes the 50 records to the device. Changes nothing in the document.
    TransferOutcome Transmit();
    // Reads the device's 50 records into the control map.
    TransferOutcome Receive();

private:
    // Sends the receive request the input's machine gives: the device then waits for [ENTER]
    // to send its memory.
    bool SendReceiveRequest(const std::vector<std::uint8_t>& request);
    // The port of one direction: the chosen one, or the only one listed when the user's side
    // takes it. False, reported, when there is none to use.
    bool UsePort(bool input);

    CParameter& document_;
    CMidiIn& input_;
    CMidiOut& output_;
    MidiBackend& backend_;
    Reporter& reporter_;
    TransferUi& ui_;
};

// What the progress dialog can be told besides the transfer's reports: a step (by one when the
// amount is 0), back to the start, or finished.
enum ProgressCommand { ProgressStep, ProgressReset, ProgressFinish };

// The state of the progress dialog: a bar 0..total moved by the transfer's reports and by
// progress commands.
class CProgressState {
public:
    explicit CProgressState(int total = CTransfer::kMessageCount) : total_(total) {}

    int Total() const { return total_; }
    int Position() const { return position_; }
    int Offset() const { return offset_; }
    void SetOffset(int offset) { offset_ = offset; }
    bool CancelEnabled() const { return cancelEnabled_; }
    void SetCancelEnabled(bool enabled) { cancelEnabled_ = enabled; }
    bool Finished() const { return finished_; }

    // A bulk message sent or received, with the remaining count. True when the transfer is
    // complete: the bar is full and the dialog finishes.
    bool OnTransferReport(int remaining);
    // ProgressStep (by one when `amount` is 0, else by `amount`), ProgressReset or
    // ProgressFinish. True when the dialog finishes.
    bool OnProgressCommand(ProgressCommand command, int amount);

private:
    bool Finish();

    int total_;
    int position_ = 0;
    int offset_ = 0;
    bool cancelEnabled_ = true;
    bool finished_ = false;
};

} // namespace kel

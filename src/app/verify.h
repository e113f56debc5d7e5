// SPDX-License-Identifier: GPL-3.0-or-later
// Verify: receives the KEL's current memory the way Receive does (the same dialogs, the same
// input port and parser thread, the same mode message), but into a record table of its own, so
// the control map in the editor is never touched. The caller compares the records received
// with the map.
#pragma once

#include <QPointer>
#include <QWidget>

#include <optional>
#include <string>

#include "midi/midiin.h"
#include "midi/transfer.h"
#include "model/parameter.h"

namespace kel {

class CKelMidi;
class CKelRcvDlg;
class CUiServices;

// What Verify received: the device's records (twin codes folded); when it was cancelled before
// every control had arrived, only those that came, and `incomplete` names the others.
struct VerifyReceived {
    RecordTable records{};
    std::optional<ReceiveStatus> incomplete;
};

class CVerifyReceive : private TransferUi {
public:
    // The dialogs show over `home`.
    CVerifyReceive(CKelMidi& midi, CUiServices& ui, Reporter& reporter, QWidget* home);
    ~CVerifyReceive() override;

    CVerifyReceive(const CVerifyReceive&) = delete;
    CVerifyReceive& operator=(const CVerifyReceive&) = delete;

    // Receives the device's 50 records. Returns them when the receive completed, or what came
    // when it was cancelled after the first bulk message; nothing when it was cancelled before
    // or failed (failures have been reported).
    std::optional<VerifyReceived> Run();
    TransferOutcome Outcome() const { return outcome_; }

private:
    // TransferUi
    std::string StoredPortName(bool input) override;
    bool TakeOnlyPort(bool input, const std::string& name) override;
    void CommitPendingEdits() override {}
    // Nothing is overwritten: a verify asks no confirmation.
    bool Confirm(StringId) override { return true; }
    bool ShowTransmitInstructions() override { return false; }
    std::unique_ptr<TransferDialog> CreateReceiveDialog() override;
    std::unique_ptr<TransferDialog> CreateProgressDialog() override;
    // The "new map" of a receive is this object's own table.
    void NewMap() override;
    void ReceiveEnded() override;
    void ReceiveIncomplete(const ReceiveStatus& status) override { incomplete_ = status; }

    CKelMidi& midi_;
    CUiServices& ui_;
    Reporter& reporter_;
    QPointer<QWidget> home_;
    CParameter received_; // only its records are used
    CMidiIn input_;
    QPointer<CKelRcvDlg> receiveDlg_;
    std::optional<ReceiveStatus> incomplete_;
    TransferOutcome outcome_ = TransferOutcome::Declined;
};

} // namespace kel

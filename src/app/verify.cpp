// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/verify.h"

#include <QWidget>

#include "app/kelmidi.h"
#include "app/learn.h"
#include "gui/mididlg/transferdlgs.h"

namespace kel {

CVerifyReceive::CVerifyReceive(CKelMidi& midi, CUiServices& ui, Reporter& reporter, QWidget* home)
    : midi_(midi), ui_(ui), reporter_(reporter), home_(home),
      input_(midi.Systems().Ports(), reporter, received_.Map().records) {}

CVerifyReceive::~CVerifyReceive() = default;

std::optional<VerifyReceived> CVerifyReceive::Run() {
    CKelMidi& midi = midi_;
    midi.System(); // the MIDI system in use, chosen on first use as for Receive
    input_.SetDeviceName(midi.Input().GetDeviceName());
    received_.NewDocument();
    incomplete_.reset();
    midi.Learn().Cancel();
    const CKelMidi::ListeningPause pause(midi);
    CTransfer transfer(received_, input_, midi.Output(), midi.Systems().Ports(), reporter_, *this);
    outcome_ = transfer.Receive();
    receiveDlg_ = nullptr;
    if (outcome_ == TransferOutcome::Cancelled && incomplete_) {
        received_.FoldTwinCodes(); // as a completed receive has done
        return VerifyReceived{received_.Map().records, incomplete_};
    }
    if (outcome_ != TransferOutcome::Completed) {
        return std::nullopt;
    }
    return VerifyReceived{received_.Map().records, std::nullopt};
}

std::string CVerifyReceive::StoredPortName(bool input) {
    return midi_.StoredName(input);
}

bool CVerifyReceive::TakeOnlyPort(bool input, const std::string& name) {
    return midi_.TakeOnlyPort(input, name);
}

std::unique_ptr<TransferDialog> CVerifyReceive::CreateReceiveDialog() {
    auto dialog = std::make_unique<CKelRcvDlg>(ui_, home_.data());
    receiveDlg_ = dialog.get();
    return dialog;
}

std::unique_ptr<TransferDialog> CVerifyReceive::CreateProgressDialog() {
    auto dialog = std::make_unique<CProgressDlg>(ui_, home_.data());
    if (receiveDlg_ != nullptr) {
        receiveDlg_->HandOnTo(dialog.get());
    }
    return dialog;
}

void CVerifyReceive::NewMap() {
    received_.NewDocument();
}

void CVerifyReceive::ReceiveEnded() {
    if (home_ != nullptr) {
        if (home_->isMinimized()) {
            home_->showNormal();
        }
        home_->raise();
        home_->activateWindow();
    }
}

} // namespace kel

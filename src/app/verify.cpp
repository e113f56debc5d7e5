// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/verify.h"

#include "app/keleditorapp.h"
#include "app/kelmidi.h"
#include "app/learn.h"
#include "app/mainframe.h"
#include "gui/mididlg/transferdlgs.h"

namespace kel {

CVerifyReceive::CVerifyReceive(CKelEditorApp& app)
    : app_(app),
      input_(app.MidiPorts().Systems().Ports(), app.GetReporter(), received_.Map().records) {}

CVerifyReceive::~CVerifyReceive() = default;

std::optional<RecordTable> CVerifyReceive::Run() {
    CKelMidi& midi = app_.MidiPorts();
    midi.System(); // the MIDI system in use, chosen on first use as for Receive
    input_.SetDeviceName(midi.Input().GetDeviceName());
    received_.NewDocument();
    midi.Learn().Cancel();
    const CKelMidi::ListeningPause pause(midi);
    CTransfer transfer(received_, input_, midi.Output(), midi.Systems().Ports(), app_.GetReporter(),
                       *this);
    outcome_ = transfer.Receive();
    receiveDlg_ = nullptr;
    if (outcome_ != TransferOutcome::Completed) {
        return std::nullopt;
    }
    return received_.Map().records;
}

std::string CVerifyReceive::StoredPortName(bool input) {
    return app_.MidiPorts().StoredName(input);
}

std::unique_ptr<TransferDialog> CVerifyReceive::CreateReceiveDialog() {
    auto dialog = std::make_unique<CKelRcvDlg>(app_.Ui(), app_.MainWindow());
    receiveDlg_ = dialog.get();
    return dialog;
}

std::unique_ptr<TransferDialog> CVerifyReceive::CreateProgressDialog() {
    auto dialog = std::make_unique<CProgressDlg>(app_.Ui(), app_.MainWindow());
    if (receiveDlg_ != nullptr) {
        receiveDlg_->HandOnTo(dialog.get());
    }
    return dialog;
}

void CVerifyReceive::NewMap() {
    received_.NewDocument();
}

void CVerifyReceive::RefreshViews() {
    if (CMainFrame* window = app_.MainWindow(); window != nullptr) {
        window->ActivateMain();
    }
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/transfer.h"

#include "midi/devlist.h"
#include "model/bulk.h"

namespace kel {

CTransfer::CTransfer(CParameter& document, CMidiIn& input, CMidiOut& output, MidiBackend& backend,
                     Reporter& reporter, TransferUi& ui)
    : document_(document), input_(input), output_(output), backend_(backend), reporter_(reporter),
      ui_(ui) {}

bool CTransfer::UsePort(bool input) {
    const std::string chosen = CutDeviceName(ui_.StoredPortName(input));
    const PortChoice choice = input ? ChoosePort(CMidiInDev(backend_), chosen)
                                    : ChoosePort(CMidiOutDev(backend_), chosen);
    if (choice.how == PortChoice::How::Chosen) {
        return true;
    }
    if (choice.how == PortChoice::How::OnlyPort && ui_.TakeOnlyPort(input, choice.name)) {
        if (input) {
            input_.SetDeviceName(choice.name);
        } else {
            output_.SetDeviceName(choice.name);
        }
        return true;
    }
    ReportNoPort(reporter_, input, chosen);
    return false;
}

TransferOutcome CTransfer::Transmit() {
    if (!UsePort(false)) {
        return TransferOutcome::NoDevice;
    }
    ui_.CommitPendingEdits();
    if (!ui_.Confirm(StringId::ConfirmTransmit)) {
        return TransferOutcome::Declined;
    }

    // The mode message leaves at once, before the user is asked to get the device ready.
    if (!output_.Open()) {
        return TransferOutcome::OpenFailed;
    }
    const std::span<const std::uint8_t> mode = CTransmitMachine::ModeMessage();
    output_.Put(mode.data(), mode.size());
    output_.SendHead();
    if (!ui_.ShowTransmitInstructions()) {
        return TransferOutcome::InstructionsCancelled; // the port stays open until next time
    }

    if (!output_.Open()) {
        return TransferOutcome::OpenFailed;
    }
    RecordTable records{};
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        records[static_cast<std::size_t>(id)] = document_.RecordOf(id);
    }
    for (const CTransmitMachine::Message& message : CTransmitMachine::BulkMessages(records)) {
        output_.Put(message.data(), message.size());
    }

    auto progress = ui_.CreateProgressDialog();
    output_.SetProgressTarget(progress.get(), kMessageCount);
    if (!output_.StartSender()) {
        // The sender has told the user already; the failure is reported once.
        output_.SetProgressTarget(nullptr, output_.PendingCount());
        return TransferOutcome::StartFailed;
    }
    const DialogResult result = progress->RunModal();
    output_.SetProgressTarget(nullptr, output_.PendingCount());
    output_.Close();
    if (result == DialogResult::Cancel) {
        reporter_.warn(StringId::TransmitAborted);
        return TransferOutcome::Cancelled;
    }
    return TransferOutcome::Completed;
}

TransferOutcome CTransfer::Receive() {
    // The request goes out through the output: both ports are known before anything is asked.
    if (!UsePort(true) || !UsePort(false)) {
        return TransferOutcome::NoDevice;
    }
    if (!ui_.Confirm(StringId::ConfirmReceive)) {
        return TransferOutcome::Declined;
    }
    const ControllerId selected = document_.SelectedController();
    ui_.NewMap();

    // The records arrive in a table of the transfer's own, starting as the new map; the document
    // takes it only once the input has stopped, so whoever reads the map meanwhile (the panel,
    // the accessibility bus, the monitor) never meets a record half written.
    RecordTable received = document_.Map().records;

    // The dialogs live until the input has stopped, so the parser thread never reports to a
    // dialog that is gone.
    auto waiting = ui_.CreateReceiveDialog();
    input_.SetNotifyWindow(waiting.get());
    input_.SetExpectedCount(kMessageCount);
    // The input listens before the request goes out: a device may answer at once, and nothing
    // it sends after the request may be lost.
    if (!input_.Start(received)) {
        // The input has reported why (no device, open or start failure), once.
        return TransferOutcome::StartFailed;
    }
    if (!SendReceiveRequest(input_.Request())) {
        input_.Stop();
        return TransferOutcome::OpenFailed;
    }
    const auto askAgain = [this] { return SendReceiveRequest(input_.AskAgain()); };
    waiting->OfferAskAgain(askAgain);

    TransferOutcome outcome;
    std::unique_ptr<TransferDialog> progress;
    if (waiting->RunModal() == DialogResult::Ok) {
        document_.SetModified(true);
        progress = ui_.CreateProgressDialog();
        progress->WatchReceive(input_);
        progress->OfferAskAgain(askAgain);
        input_.SetNotifyWindow(progress.get());
        const DialogResult result = progress->RunModal();
        input_.Stop();
        document_.Map().records = received;
        if (result == DialogResult::Cancel) {
            outcome = TransferOutcome::Cancelled;
        } else {
            document_.FoldTwinCodes();
            document_.SelectController(selected);
            outcome = TransferOutcome::Completed;
        }
    } else {
        input_.Stop();
        document_.Map().records = received;
        outcome = TransferOutcome::WaitCancelled;
    }
    // The views show what arrived (or what is left after a cancel).
    document_.MapWasReplaced();
    ui_.ReceiveEnded();
    if (outcome == TransferOutcome::Cancelled) {
        const ReceiveStatus status = input_.GetReceiveStatus();
        if (!status.Missing().empty()) {
            ui_.ReceiveIncomplete(status);
        }
    }
    return outcome;
}

bool CTransfer::SendReceiveRequest(const std::vector<std::uint8_t>& request) {
    if (request.empty()) {
        return false; // the receive no longer listens
    }
    if (!output_.Open()) {
        return false; // the port has reported why
    }
    output_.Put(request.data(), request.size());
    output_.SendHead();
    output_.Close();
    return true;
}

bool CProgressState::Finish() {
    position_ = total_;
    finished_ = true;
    return true;
}

bool CProgressState::OnTransferReport(int remaining) {
    if (remaining == 0) {
        return Finish();
    }
    position_ = total_ - remaining;
    return false;
}

bool CProgressState::OnProgressCommand(ProgressCommand command, int amount) {
    switch (command) {
    case ProgressStep:
        if (amount == 0) {
            if (position_ + offset_ >= total_) {
                return Finish();
            }
            ++position_;
        } else if (position_ + amount < total_) {
            position_ += amount;
        } else {
            position_ = total_;
        }
        return false;
    case ProgressReset:
        position_ = 0;
        return false;
    case ProgressFinish:
        return Finish();
    default:
        return false;
    }
}

} // namespace kel

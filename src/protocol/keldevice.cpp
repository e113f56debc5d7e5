// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/keldevice.h"

#include "model/msgmatch.h"

#include <algorithm>

namespace kel {

namespace {

bool Equals(std::span<const std::uint8_t> message, std::span<const std::uint8_t> expected) {
    return std::equal(message.begin(), message.end(), expected.begin(), expected.end());
}

} // namespace

CKelDevice::CKelDevice() = default;

CKelDevice::Event CKelDevice::OnMessage(std::span<const std::uint8_t> message) {
    std::lock_guard lock(lock_);
    // A mode message is obeyed in any state: it starts the procedure over again.
    if (Equals(message, kTransmitModeMessage)) {
        state_ = State::ReceiveStandby;
        received_ = 0;
        return Event::AwaitingEnter;
    }
    if (Equals(message, kReceiveModeMessage)) {
        state_ = State::TransmitStandby;
        return Event::AwaitingEnter;
    }
    if (state_ != State::Receiving) {
        return Event::Ignored;
    }
    // Decoded into a copy first, so a message the fault settings refuse leaves the memory alone.
    RecordTable incoming = memory_;
    std::uint32_t address = 0;
    if (DecodeBulk(message, ControlMapKind, address, incoming) != 0) {
        return Event::Ignored;
    }
    const int id = static_cast<int>((address >> 8) & 0xFF);
    if (id == faults_.ignoreReceiveController) {
        return Event::Ignored;
    }
    memory_[static_cast<std::size_t>(id)] = incoming[static_cast<std::size_t>(id)];
    if (++received_ >= kControllerCount) {
        state_ = State::Idle;
        return Event::ReceiveComplete;
    }
    return Event::RecordStored;
}

CKelDevice::Event CKelDevice::PressEnter(std::vector<Message>& outgoing) {
    std::lock_guard lock(lock_);
    switch (state_) {
    case State::ReceiveStandby:
        state_ = State::Receiving;
        received_ = 0;
        return Event::ReceiveStarted;
    case State::TransmitStandby:
        outgoing = BuildTransmission(memory_, faults_);
        if (faults_.firstSendingOnly) {
            faults_ = {};
        }
        state_ = State::Idle;
        return Event::TransmitStarted;
    default:
        return Event::Ignored;
    }
}

void CKelDevice::PressCancel() {
    std::lock_guard lock(lock_);
    state_ = State::Idle;
}

CKelDevice::State CKelDevice::GetState() const {
    std::lock_guard lock(lock_);
    return state_;
}

std::string_view CKelDevice::Display() const {
    switch (GetState()) {
    case State::ReceiveStandby:
        return "RS";
    case State::TransmitStandby:
        return "TS";
    case State::Receiving:
        return "--";
    default:
        return "";
    }
}

int CKelDevice::ReceivedCount() const {
    std::lock_guard lock(lock_);
    return received_;
}

std::vector<CKelDevice::Message> CKelDevice::Play(ControllerId id, int value) const {
    std::vector<Message> messages;
    if (IsValidController(id)) {
        std::lock_guard lock(lock_);
        // The device's own channel for a message text's channel marker is channel 1.
        MessagesOfControl(memory_[static_cast<std::size_t>(id)], value, 0, messages);
    }
    return messages;
}

RecordTable CKelDevice::Memory() const {
    std::lock_guard lock(lock_);
    return memory_;
}

void CKelDevice::SetMemory(const RecordTable& memory) {
    std::lock_guard lock(lock_);
    memory_ = memory;
}

void CKelDevice::SetFaults(const Faults& faults) {
    std::lock_guard lock(lock_);
    faults_ = faults;
}

std::vector<CKelDevice::Message> CKelDevice::BuildTransmission(const RecordTable& memory,
                                                               const Faults& faults) {
    std::vector<Message> messages;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        if (id == faults.dropController) {
            continue;
        }
        AssignEntry entry;
        entry.record = memory[static_cast<std::size_t>(id)];
        entry.controllerId = id;
        std::uint8_t& code = entry.record[rec::AssignCode];
        if (faults.twinCodes && code < 0x7F &&
            BaseCode(static_cast<std::uint8_t>(code + 1)) == code) {
            code = static_cast<std::uint8_t>(code + 1);
        }
        if (id == faults.alterController) {
            entry.record[rec::Channel] =
                static_cast<std::uint8_t>((entry.record[rec::Channel] + 1) & 0x0F);
        }
        MidiBlock block;
        EncodeBulk(entry, block);
        Message message(block.data.begin(),
                        block.data.begin() + static_cast<std::ptrdiff_t>(block.count));
        if (id == faults.badChecksumController) {
            message[kBulkMessageSize - 2] =
                static_cast<std::uint8_t>((message[kBulkMessageSize - 2] + 1) & 0x7F);
        }
        if (faults.foreignEvery > 0 && id % faults.foreignEvery == 0) {
            messages.push_back(ForeignMessage());
        }
        messages.push_back(message);
        if (id == faults.duplicateController) {
            messages.push_back(message);
        }
    }
    if (faults.stopAfter >= 0 && static_cast<std::size_t>(faults.stopAfter) < messages.size()) {
        messages.resize(static_cast<std::size_t>(faults.stopAfter));
    }
    return messages;
}

const CKelDevice::Message& CKelDevice::ForeignMessage() {
    // A data set of another manufacturer (ID 0x43), with an address and a record-like body,
    // long enough that a careless parser could take it for a bulk message.
    static const Message message = [] {
        Message m = {0xF0, 0x43, 0x10, 0x00, 0x00, 0x1A, 0x12, 0x00, 0x00, 0x05, 0x00};
        m.resize(kBulkMessageSize - 1, 0x01);
        m.push_back(0xF7);
        return m;
    }();
    return message;
}

std::string_view StateName(CKelDevice::State state) {
    switch (state) {
    case CKelDevice::State::Idle:
        return "idle";
    case CKelDevice::State::ReceiveStandby:
        return "bulk receive standby (RS)";
    case CKelDevice::State::Receiving:
        return "receiving";
    case CKelDevice::State::TransmitStandby:
        return "bulk transmit standby (TS)";
    }
    return "";
}

} // namespace kel

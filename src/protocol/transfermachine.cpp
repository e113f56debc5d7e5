// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/transfermachine.h"

#include <algorithm>
#include <string>

#include "model/controllers.h"

namespace kel {

bool HasBulkPrefix(std::span<const std::uint8_t> message) {
    return message.size() >= BulkPrefix.size() &&
           std::equal(BulkPrefix.begin(), BulkPrefix.end(), message.begin());
}

std::vector<ControllerId> ReceiveStatus::Missing() const {
    std::vector<ControllerId> ids;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        if (!arrived.test(static_cast<std::size_t>(id))) {
            ids.push_back(id);
        }
    }
    return ids;
}

PhraseArg ReceiveStatus::MissingList() const {
    const std::vector<ControllerId> ids = Missing();
    PhraseArg list = "";
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::string name(ControllerName(ids[i]));
        const int count = damaged[static_cast<std::size_t>(ids[i])];
        PhraseArg item = count == 0 ? PhraseArg(name)
                         : count == 1
                             ? PhraseArg(Phrase(TextId::ReceiveDamagedOne, {name}))
                             : PhraseArg(Phrase(TextId::ReceiveDamagedMany, {name, count}));
        list = i == 0 ? std::move(item) : PhraseArg(Phrase(TextId::ListComma, {list, item}));
    }
    return list;
}

Phrase ReceiveStatus::Waiting() const {
    const std::size_t missing = Missing().size();
    if (missing == 1) {
        return Phrase(TextId::ReceiveWaitingOne, {MissingList()});
    }
    return Phrase(TextId::ReceiveWaitingMany, {static_cast<int>(missing), MissingList()});
}

Phrase ReceiveStatus::NotReceived() const {
    return Phrase(TextId::ReceiveNotReceived, {MissingList()});
}

bool ReceiveStatus::Quiet(TransferTime now) const {
    return !arrived.all() && now - lastMessage >= kQuietTime;
}

CReceiveMachine::CReceiveMachine(RecordTable& table) : table_(table) {}

std::span<const std::uint8_t> CReceiveMachine::Start(TransferTime now, int expected) {
    state_ = State::Listening;
    status_ = {};
    status_.lastMessage = now;
    remaining_ = expected;
    decoded_ = 0;
    lastAddress_ = 0;
    foreign_ = 0;
    asks_ = 0;
    askedAt_.reset();
    // A message the input had begun before the request is not part of the answer.
    framer_.Reset();
    return kReceiveModeMessage;
}

std::span<const std::uint8_t> CReceiveMachine::AskAgain(TransferTime now) {
    if (!Listening()) {
        return {};
    }
    ++asks_;
    askedAt_ = now;
    return kReceiveModeMessage;
}

void CReceiveMachine::End() {
    state_ = State::Ended;
    framer_.Reset();
}

void CReceiveMachine::OnBytes(std::span<const std::uint8_t> bytes, TransferTime now,
                              std::vector<ReceiveEvent>& events) {
    framer_.Feed(bytes, [&](std::span<const std::uint8_t> message) {
        if (const std::optional<ReceiveEvent> event = OnMessage(message, now)) {
            events.push_back(*event);
        }
    });
}

std::optional<ReceiveEvent> CReceiveMachine::OnMessage(std::span<const std::uint8_t> message,
                                                       TransferTime now) {
    if (!Listening()) {
        return std::nullopt;
    }
    if (!HasBulkPrefix(message)) {
        ++foreign_;
        return std::nullopt;
    }
    std::uint32_t address = 0;
    if (DecodeBulk(message, ControlMapKind, address, table_) != 0) {
        // A damaged message still tells which control it was for when its address is whole.
        status_.lastMessage = now;
        ReceiveEvent event{ReceiveEvent::Kind::Damaged, BulkAddressee(message), 0, remaining_};
        if (event.control != kNoController) {
            ++status_.damaged[static_cast<std::size_t>(event.control)];
        }
        return event;
    }
    status_.lastMessage = now;
    // The controller is the high byte of the address's low half (controller 49 is 0x3100); a
    // decoded message always addresses one of the map's controllers.
    const std::size_t controller = (address >> 8) & 0xFF;
    ReceiveEvent event{ReceiveEvent::Kind::Duplicate, static_cast<ControllerId>(controller),
                       address, 0};
    if (controller < status_.arrived.size() && !status_.arrived.test(controller)) {
        status_.arrived.set(controller);
        --remaining_;
        event.kind = ReceiveEvent::Kind::Stored;
    }
    ++decoded_;
    lastAddress_ = address;
    event.remaining = remaining_;
    if (remaining_ <= 0) {
        state_ = State::Complete;
    }
    return event;
}

std::span<const std::uint8_t> CTransmitMachine::ModeMessage() {
    return kTransmitModeMessage;
}

std::vector<CTransmitMachine::Message> CTransmitMachine::BulkMessages(const RecordTable& records) {
    std::vector<Message> messages;
    messages.reserve(kControllerCount);
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignEntry entry;
        entry.record = records[static_cast<std::size_t>(id)];
        entry.controllerId = id;
        MidiBlock block;
        EncodeBulk(entry, block); // every id of the loop is a controller: it cannot fail
        messages.emplace_back(block.Bytes().begin(), block.Bytes().end());
    }
    return messages;
}

void CTransmitMachine::Queue(Message message) {
    queue_.push_back(std::move(message));
}

void CTransmitMachine::Start(TransferTime now) {
    started_ = true;
    due_ = now + interval_;
}

std::optional<TransferTime> CTransmitMachine::NextDue() const {
    if (!started_ || queue_.empty()) {
        return std::nullopt;
    }
    return due_;
}

std::optional<CTransmitMachine::Message> CTransmitMachine::Take(TransferTime now) {
    if (!started_ || queue_.empty() || now < due_) {
        return std::nullopt;
    }
    // The next message's pause counts from when this one actually goes, so that a late
    // sender never sends two messages closer together than the device can store them.
    due_ = now + interval_;
    return TakeNow();
}

std::optional<CTransmitMachine::Message> CTransmitMachine::TakeNow() {
    if (queue_.empty()) {
        return std::nullopt;
    }
    Message head = std::move(queue_.front());
    queue_.pop_front();
    return head;
}

void CTransmitMachine::Cancel() {
    queue_.clear();
    started_ = false;
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/parserthread.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "model/controllers.h"

namespace kel {

CParserThread::CParserThread(CSafeMidiInQue& queue, RecordTable& table)
    : queue_(queue), table_(table) {}

CParserThread::~CParserThread() {
    Stop();
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

bool ReceiveStatus::Quiet(Clock::time_point now) const {
    return !arrived.all() && now - lastMessage >= kQuietTime;
}

void CParserThread::SetRemainingCount(int count) {
    std::lock_guard lock(lock_);
    remaining_ = count;
    status_ = {};
    status_.lastMessage = ReceiveStatus::Clock::now();
}

ReceiveStatus CParserThread::Status() const {
    std::lock_guard lock(lock_);
    return status_;
}

int CParserThread::RemainingCount() const {
    std::lock_guard lock(lock_);
    return remaining_;
}

void CParserThread::SetNotifyWindow(TransferListener* listener) {
    std::lock_guard lock(lock_);
    notify_ = listener;
    if (notify_ != nullptr && decoded_ > 0) {
        notify_->BulkReceived(lastAddress_, remaining_);
    }
}

bool CParserThread::Resume() {
    if (thread_.joinable()) {
        return true;
    }
    try {
        thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CParserThread::Wake() {
    wakes_.fetch_add(1, std::memory_order_release);
    signal_.fetch_add(1, std::memory_order_release);
    signal_.notify_one();
}

void CParserThread::Stop() {
    if (thread_.joinable()) {
        thread_.request_stop();
        signal_.fetch_add(1, std::memory_order_release);
        signal_.notify_one();
        thread_.join();
    }
}

void CParserThread::Run(std::stop_token stop) {
    for (;;) {
        // The signal is read before the count and the stop are looked at: a wake-up or a stop
        // that comes after the look changes it, and the wait returns at once.
        const std::uint32_t seen = signal_.load(std::memory_order_acquire);
        if (wakes_.load(std::memory_order_acquire) > 0) {
            wakes_.fetch_sub(1, std::memory_order_acq_rel);
            ParseOne();
            continue;
        }
        // Blocks woken for before the stop are still handled: a stop ends the thread only
        // when none is left.
        if (stop.stop_requested()) {
            break;
        }
        signal_.wait(seen, std::memory_order_acquire);
    }
    queue_.Clear();
}

void CParserThread::ParseOne() {
    MidiBlock block;
    queue_.Get(block);
    if (block.count < BulkPrefix.size() ||
        !std::equal(BulkPrefix.begin(), BulkPrefix.end(), block.data.begin())) {
        return;
    }
    std::uint32_t address = 0;
    if (DecodeBulk(block, ControlMapKind, address, table_) != 0) {
        // A damaged message still tells which control it was for when its address is whole.
        const ControllerId addressee = BulkAddressee(block.Bytes());
        std::lock_guard lock(lock_);
        status_.lastMessage = ReceiveStatus::Clock::now();
        if (addressee != kNoController) {
            ++status_.damaged[static_cast<std::size_t>(addressee)];
        }
        return;
    }
    std::lock_guard lock(lock_);
    status_.lastMessage = ReceiveStatus::Clock::now();
    // The controller is the high byte of the address's low half (controller 49 is 0x3100); a
    // decoded message always addresses one of the map's controllers.
    const std::size_t controller = (address >> 8) & 0xFF;
    if (controller < status_.arrived.size() && !status_.arrived.test(controller)) {
        status_.arrived.set(controller);
        --remaining_;
    }
    ++decoded_;
    lastAddress_ = address;
    if (notify_ != nullptr) {
        notify_->BulkReceived(address, remaining_);
    }
}

} // namespace kel

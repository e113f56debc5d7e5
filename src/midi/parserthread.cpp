// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/parserthread.h"

#include <algorithm>
#include <system_error>

namespace kel {

CParserThread::CParserThread(CSafeMidiInQue& queue, RecordTable& table)
    : queue_(queue), table_(table) {}

CParserThread::~CParserThread() {
    Stop();
}

void CParserThread::SetRemainingCount(int count) {
    std::lock_guard lock(lock_);
    remaining_ = count;
    arrived_.reset();
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
    {
        std::lock_guard lock(wakeLock_);
        ++wakes_;
    }
    wakeCv_.notify_one();
}

void CParserThread::Stop() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

void CParserThread::Run(std::stop_token stop) {
    for (;;) {
        {
            std::unique_lock lock(wakeLock_);
            // Blocks woken for before the stop are still handled: the wait ends on a stop only
            // when none is left.
            if (!wakeCv_.wait(lock, stop, [this] { return wakes_ > 0; })) {
                break;
            }
            --wakes_;
        }
        ParseOne();
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
        return;
    }
    std::lock_guard lock(lock_);
    // The controller is the high byte of the address's low half (controller 49 is 0x3100).
    const std::size_t controller = (address >> 8) & 0xFF;
    if (!arrived_.test(controller)) {
        arrived_.set(controller);
        --remaining_;
    }
    ++decoded_;
    lastAddress_ = address;
    if (notify_ != nullptr) {
        notify_->BulkReceived(address, remaining_);
    }
}

} // namespace kel

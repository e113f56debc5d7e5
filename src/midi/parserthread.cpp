// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/parserthread.h"

#include <system_error>

#include "midi/transferclock.h"

namespace kel {

CParserThread::CParserThread(CSafeMidiInQue& queue, RecordTable& table)
    : queue_(queue), machine_(table) {}

CParserThread::~CParserThread() {
    Stop();
}

void CParserThread::SetRemainingCount(int count) {
    std::lock_guard lock(lock_);
    const std::span<const std::uint8_t> request = machine_.Start(TransferClockNow(), count);
    request_.assign(request.begin(), request.end());
}

std::vector<std::uint8_t> CParserThread::Request() const {
    std::lock_guard lock(lock_);
    return request_;
}

std::vector<std::uint8_t> CParserThread::AskAgain() {
    std::lock_guard lock(lock_);
    const std::span<const std::uint8_t> request = machine_.AskAgain(TransferClockNow());
    return {request.begin(), request.end()};
}

ReceiveStatus CParserThread::Status() const {
    std::lock_guard lock(lock_);
    return machine_.Status();
}

int CParserThread::RemainingCount() const {
    std::lock_guard lock(lock_);
    return machine_.Remaining();
}

void CParserThread::SetNotifyWindow(TransferListener* listener) {
    listener_.Set(listener);
    bool decoded = false;
    {
        std::lock_guard lock(lock_);
        decoded = machine_.Decoded() > 0;
    }
    if (listener != nullptr && decoded) {
        Publish();
    }
}

void CParserThread::Publish() {
    {
        std::lock_guard lock(lock_);
        if (reporting_) {
            again_ = true;
            return;
        }
        reporting_ = true;
    }
    for (;;) {
        std::uint32_t address = 0;
        int remaining = 0;
        {
            std::lock_guard lock(lock_);
            address = machine_.LastAddress();
            remaining = machine_.Remaining();
            again_ = false;
        }
        listener_.Notify(
            [&](TransferListener& listener) { listener.BulkReceived(address, remaining); });
        std::lock_guard lock(lock_);
        if (!again_) {
            reporting_ = false;
            return;
        }
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
    std::optional<ReceiveEvent> event;
    {
        std::lock_guard lock(lock_);
        event = machine_.OnMessage(block.Bytes(), TransferClockNow());
    }
    // A damaged message changes what the receive waits for, but moves no progress.
    if (event && event->kind != ReceiveEvent::Kind::Damaged) {
        Publish();
    }
}

} // namespace kel

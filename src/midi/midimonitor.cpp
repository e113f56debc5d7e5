// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midimonitor.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace kel {

CMidiMonitor::CMidiMonitor(MidiBackend& backend, std::size_t capacity)
    : backend_(backend), slots_(std::max<std::size_t>(capacity, 1)),
      // Long messages are rare among what a controller sends: a long slot for every 128
      // records, and at least 4.
      longSlots_(std::max<std::size_t>(capacity / 128, 4)) {}

CMidiMonitor::~CMidiMonitor() {
    Close();
}

int CMidiMonitor::Open(int port) {
    Close();
    DropWaiting();
    dropped_ = 0;
    opened_ = std::chrono::steady_clock::now();
    session_ = true;
    return OpenPort(port);
}

int CMidiMonitor::Reopen(int port) {
    if (!session_) {
        return Open(port);
    }
    Close();
    return OpenPort(port);
}

int CMidiMonitor::OpenPort(int port) {
    // A message cut short by the loss or the pause is not joined to what comes next.
    framer_.Reset();
    lost_ = false;
    notified_ = false;
    try {
        waker_ = std::jthread(
            [this, seen = wakeSignal_.load()](std::stop_token stop) { RunWaker(stop, seen); });
    } catch (const std::system_error&) {
        return MidiErrSystem;
    }
    std::unique_ptr<MidiInputPort> opened;
    if (const int error = backend_.OpenInput(port, *this, opened); error != MidiErrNone) {
        StopWaker();
        return error;
    }
    if (const int error = opened->Start(); error != MidiErrNone) {
        opened->Close();
        StopWaker();
        return error;
    }
    port_ = std::move(opened);
    return MidiErrNone;
}

void CMidiMonitor::Close() {
    if (port_ != nullptr) {
        port_->Stop();
        port_->Close();
        port_.reset();
    }
    StopWaker(); // once the port is closed nothing signals it any more
}

void CMidiMonitor::StopWaker() {
    if (waker_.joinable()) {
        waker_.request_stop();
        wakeSignal_.fetch_add(1, std::memory_order_release);
        wakeSignal_.notify_one();
        waker_.join();
    }
}

void CMidiMonitor::RunWaker(std::stop_token stop, std::uint32_t seen) {
    for (;;) {
        wakeSignal_.wait(seen, std::memory_order_acquire);
        // A wake-up that comes while wake_ runs changes the signal again: it is told too.
        seen = wakeSignal_.load(std::memory_order_acquire);
        if (stop.stop_requested()) {
            return;
        }
        if (wake_) {
            wake_();
        }
    }
}

bool CMidiMonitor::IsOpen() const {
    return port_ != nullptr;
}

void CMidiMonitor::SetWake(std::function<void()> wake) {
    // Open starts the wake thread after this: the thread sees the new wake.
    wake_ = std::move(wake);
}

std::uint64_t CMidiMonitor::Dropped() const {
    return dropped_.load();
}

bool CMidiMonitor::Lost() const {
    return lost_.load();
}

void CMidiMonitor::OnLongInput(const std::uint8_t* data, std::size_t count) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - opened_).count();
    framer_.Feed(std::span<const std::uint8_t>(data, count),
                 [&](std::span<const std::uint8_t> message) { Push(message, seconds); });
}

void CMidiMonitor::OnPortLost() {
    lost_ = true;
    notified_ = true;
    Wake();
}

void CMidiMonitor::Push(std::span<const std::uint8_t> message, double seconds) {
    Slot* slot = slots_.BeginPush();
    const bool isLong = message.size() > Slot::kShort;
    LongSlot* longSlot = isLong ? longSlots_.BeginPush() : nullptr;
    if (slot == nullptr || (isLong && longSlot == nullptr)) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    slot->seconds = seconds;
    slot->length = static_cast<std::uint32_t>(message.size());
    // The long slot is counted in before its record, so a taker that sees the record finds it.
    if (isLong) {
        std::copy(message.begin(), message.end(), longSlot->bytes.begin());
        longSlots_.CommitPush();
    } else {
        std::copy(message.begin(), message.end(), slot->bytes.begin());
    }
    slots_.CommitPush();
    // One wake per Take: Take clears the flag before it looks at the queue, so a message
    // pushed after that look finds the flag clear and wakes again.
    if (!notified_.exchange(true)) {
        Wake();
    }
}

void CMidiMonitor::Wake() {
    wakeSignal_.fetch_add(1, std::memory_order_release);
    wakeSignal_.notify_one();
}

std::size_t CMidiMonitor::Take(std::vector<MonitoredMessage>& out, std::size_t max) {
    std::lock_guard lock(takeLock_);
    notified_.store(false);
    const std::size_t count = std::min(slots_.Count(), max);
    out.resize(count);
    for (std::size_t n = 0; n < count; ++n) {
        const Slot& slot = *slots_.Front();
        MonitoredMessage& message = out[n];
        message.seconds = slot.seconds;
        if (slot.length > Slot::kShort) {
            const LongSlot& longSlot = *longSlots_.Front();
            message.bytes.assign(longSlot.bytes.begin(), longSlot.bytes.begin() + slot.length);
            longSlots_.Pop();
        } else {
            message.bytes.assign(slot.bytes.begin(), slot.bytes.begin() + slot.length);
        }
        slots_.Pop();
    }
    if (!slots_.Empty()) {
        notified_.store(false); // more is waiting: the next push wakes again
    }
    return count;
}

void CMidiMonitor::DropWaiting() {
    std::lock_guard lock(takeLock_);
    while (const Slot* slot = slots_.Front()) {
        if (slot->length > Slot::kShort) {
            longSlots_.Pop();
        }
        slots_.Pop();
    }
}

} // namespace kel

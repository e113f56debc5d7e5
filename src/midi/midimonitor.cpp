// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midimonitor.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace kel {

CMidiMonitor::CMidiMonitor(MidiBackend& backend, std::size_t capacity)
    : backend_(backend), slots_(std::max<std::size_t>(capacity, 1)),
      // Room for every slot's short message plus a few long ones.
      bytes_(std::max<std::size_t>(capacity, 1) * 3 + 4 * kSysExLimit) {}

CMidiMonitor::~CMidiMonitor() {
    Close();
}

int CMidiMonitor::Open(int port) {
    Close();
    {
        std::lock_guard lock(takeLock_);
        tail_ = head_.load();
        byteTail_ = byteHead_.load();
    }
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
    const std::uint64_t head = head_.load(std::memory_order_relaxed);
    const std::uint64_t byteHead = byteHead_.load(std::memory_order_relaxed);
    if (head - tail_.load() >= slots_.size() ||
        byteHead + message.size() - byteTail_.load() > bytes_.size()) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    Slot& slot = slots_[head % slots_.size()];
    slot.seconds = seconds;
    slot.start = byteHead;
    slot.length = static_cast<std::uint32_t>(message.size());
    for (std::size_t i = 0; i < message.size(); ++i) {
        bytes_[(byteHead + i) % bytes_.size()] = message[i];
    }
    byteHead_.store(byteHead + message.size());
    head_.store(head + 1);
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
    const std::uint64_t head = head_.load();
    std::uint64_t tail = tail_.load();
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(head - tail, max));
    out.resize(count);
    for (std::size_t n = 0; n < count; ++n, ++tail) {
        const Slot& slot = slots_[tail % slots_.size()];
        MonitoredMessage& message = out[n];
        message.seconds = slot.seconds;
        message.bytes.resize(slot.length);
        for (std::uint32_t i = 0; i < slot.length; ++i) {
            message.bytes[i] = bytes_[(slot.start + i) % bytes_.size()];
        }
        byteTail_.store(slot.start + slot.length);
    }
    tail_.store(tail);
    if (tail != head) {
        notified_.store(false); // more is waiting: the next push wakes again
    }
    return count;
}

} // namespace kel

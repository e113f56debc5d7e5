// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midiout.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "midi/devlist.h"
#include "midi/transferclock.h"

namespace kel {

void MidiHeaderBuffer::Fill(const std::uint8_t* bytes, std::size_t count) {
    count = std::min(count, kCapacity);
    if (count > 0) {
        std::copy(bytes, bytes + count, data.begin());
    }
    bytesRecorded = static_cast<std::uint32_t>(count);
}

void MidiHeaderBuffer::Reset() {
    bytesRecorded = 0;
    flags = 0;
    data.fill(0);
}

CMidiOut::CMidiOut(MidiBackend& backend, Reporter& reporter)
    : backend_(backend), reporter_(reporter) {}

CMidiOut::~CMidiOut() {
    Close(); // a sender still running then is stopped and joined by its jthread
}

void CMidiOut::SetDeviceName(std::string_view name) {
    deviceName_ = CutDeviceName(name);
}

void CMidiOut::SetDevice(int index) {
    deviceName_ = CMidiOutDev(backend_).GetAt(index);
}

int CMidiOut::GetDeviceIndex() const {
    return CMidiOutDev(backend_).Find(deviceName_);
}

bool CMidiOut::Open() {
    const CMidiOutDev list(backend_);
    const int position = list.Find(deviceName_);
    if (position < 0) {
        ReportNoPort(reporter_, false, deviceName_);
        return false;
    }
    Close();
    std::unique_ptr<MidiOutputPort> port;
    const int error = backend_.OpenOutput(list.PortNumber(position), *this, port);
    if (error != 0 || !port) {
        reporter_.warn(StringId::MidiOutOpenError, error != 0 ? error : -1);
        return false;
    }
    port_ = std::move(port);
    return true;
}

bool CMidiOut::Put(const std::uint8_t* data, std::size_t length) {
    if (!port_ || data == nullptr || length > MidiHeaderBuffer::kCapacity) {
        return false;
    }
    std::lock_guard lock(machineLock_);
    machine_.Queue(CTransmitMachine::Message(data, data + length));
    return true;
}

void CMidiOut::SetSendInterval(std::chrono::milliseconds interval) {
    std::lock_guard lock(machineLock_);
    machine_.SetInterval(interval);
}

void CMidiOut::Send(CTransmitMachine::Message message) {
    auto buffer = std::make_unique<MidiHeaderBuffer>();
    buffer->Fill(message.data(), message.size());
    buffer->flags |= MidiHeaderBuffer::Prepared | MidiHeaderBuffer::InQueue;
    // The port owns the buffer from here on. One it did not take is never reported finished,
    // so it is not counted.
    port_->SendLong(std::move(buffer));
}

void CMidiOut::SendNext() {
    if (!port_) {
        return;
    }
    std::optional<CTransmitMachine::Message> head;
    {
        std::lock_guard lock(machineLock_);
        head = machine_.TakeNow();
    }
    if (head) {
        Send(std::move(*head));
    }
}

void CMidiOut::SendHead() {
    SendNext();
    DropQueue();
}

void CMidiOut::SetProgressTarget(TransferListener* listener, int count) {
    target_.Set(listener);
    std::lock_guard lock(machineLock_);
    machine_.Expect(count);
}

int CMidiOut::PendingCount() const {
    std::lock_guard lock(machineLock_);
    return machine_.Remaining();
}

bool CMidiOut::StartSender() {
    if (!port_) {
        reporter_.warn(StringId::MidiOutStartError);
        return false;
    }
    senderRunning_.store(true);
    if (sender_.joinable()) {
        return true;
    }
    {
        std::lock_guard lock(endedLock_);
        senderEnded_ = false;
    }
    {
        std::lock_guard lock(machineLock_);
        machine_.Start(TransferClockNow());
    }
    try {
        sender_ = std::jthread([this](std::stop_token stop) { SenderLoop(stop); });
    } catch (const std::system_error&) {
        senderRunning_.store(false);
        reporter_.warn(StringId::MidiOutStartError);
        return false;
    }
    return true;
}

// The sender only waits and sends: when each message is due is the machine's to say.
void CMidiOut::SenderLoop(std::stop_token stop) {
    for (;;) {
        std::optional<TransferTime> due;
        std::chrono::milliseconds interval{};
        {
            std::lock_guard lock(machineLock_);
            due = machine_.NextDue();
            interval = machine_.Interval();
        }
        // With nothing queued the sender looks again one interval later.
        const auto until =
            due ? std::chrono::steady_clock::time_point(
                      std::chrono::duration_cast<std::chrono::steady_clock::duration>(*due))
                : std::chrono::steady_clock::now() + interval;
        {
            std::unique_lock lock(pauseLock_);
            if (pauseCv_.wait_until(lock, stop, until, [&stop] { return stop.stop_requested(); })) {
                break;
            }
        }
        std::optional<CTransmitMachine::Message> message;
        {
            std::lock_guard lock(machineLock_);
            message = machine_.Take(TransferClockNow());
        }
        if (message) {
            Send(std::move(*message));
        }
    }
    {
        std::lock_guard lock(endedLock_);
        senderEnded_ = true;
    }
    endedCv_.notify_all();
}

bool CMidiOut::StopSender() {
    bool ended = true;
    if (port_ && sender_.joinable()) {
        senderRunning_.store(false);
        sender_.request_stop();
        {
            std::unique_lock lock(endedLock_);
            ended = endedCv_.wait_for(lock, kStopWait, [this] { return senderEnded_; });
        }
        // The thread uses this object and the port until it ends, so it is joined even after
        // the time limit: the port is not closed under a send that is still running.
        sender_.join();
    }
    std::lock_guard lock(machineLock_);
    machine_.Cancel();
    return ended;
}

void CMidiOut::Close() {
    if (senderRunning_.load()) {
        StopSender();
    }
    DropQueue();
    if (port_) {
        port_->Close();
        port_.reset();
    }
}

void CMidiOut::DropQueue() {
    std::lock_guard lock(machineLock_);
    machine_.DropQueue();
}

std::size_t CMidiOut::QueuedCount() const {
    std::lock_guard lock(machineLock_);
    return machine_.Queued();
}

// Any thread of the port, also inside SendLong. The buffer stays the port's.
void CMidiOut::OnLongMsgDone(MidiHeaderBuffer* header) {
    (void)header;
    int remaining = 0;
    {
        std::lock_guard lock(machineLock_);
        remaining = machine_.Sent();
    }
    target_.Notify([remaining](TransferListener& listener) { listener.BulkSent(remaining); });
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midiout.h"

#include <algorithm>
#include <system_error>

#include "midi/devlist.h"

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
    auto buffer = std::make_unique<MidiHeaderBuffer>();
    buffer->Fill(data, length);
    buffer->flags |= MidiHeaderBuffer::Prepared;
    std::lock_guard lock(queueLock_);
    queue_.push_back(std::move(buffer));
    return true;
}

void CMidiOut::SendNext() {
    if (!port_) {
        return;
    }
    std::unique_ptr<MidiHeaderBuffer> head;
    {
        std::lock_guard lock(queueLock_);
        if (queue_.empty()) {
            return;
        }
        head = std::move(queue_.front());
        queue_.pop_front();
    }
    MidiHeaderBuffer* sent = head.release();
    sent->flags |= MidiHeaderBuffer::InQueue;
    if (port_->SendLong(sent) != 0) {
        // The port did not take it, so it will never be reported finished; it is not counted.
        delete sent;
    }
}

void CMidiOut::SendHead() {
    SendNext();
    DropQueue();
}

void CMidiOut::SetProgressTarget(TransferListener* listener, int count) {
    {
        std::lock_guard lock(targetLock_);
        target_ = listener;
    }
    pending_.store(count);
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
    try {
        sender_ = std::jthread([this](std::stop_token stop) { SenderLoop(stop); });
    } catch (const std::system_error&) {
        senderRunning_.store(false);
        reporter_.warn(StringId::MidiOutStartError);
        return false;
    }
    return true;
}

void CMidiOut::SenderLoop(std::stop_token stop) {
    for (;;) {
        {
            std::unique_lock lock(pauseLock_);
            if (pauseCv_.wait_for(lock, stop, interval_,
                                  [&stop] { return stop.stop_requested(); })) {
                break;
            }
        }
        SendNext();
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
    DropQueue();
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
    std::lock_guard lock(queueLock_);
    queue_.clear();
}

std::size_t CMidiOut::QueuedCount() const {
    std::lock_guard lock(queueLock_);
    return queue_.size();
}

void CMidiOut::OnLongMsgDone(MidiHeaderBuffer* header) {
    const int remaining = pending_.fetch_sub(1) - 1;
    {
        std::lock_guard lock(targetLock_);
        if (target_ != nullptr) {
            target_->BulkSent(remaining);
        }
    }
    delete header;
}

} // namespace kel

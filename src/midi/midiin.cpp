// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midiin.h"

#include <algorithm>

#include "midi/devlist.h"

namespace kel {

CMidiIn::CMidiIn(MidiBackend& backend, Reporter& reporter, RecordTable& table)
    : backend_(backend), reporter_(reporter), table_(table) {}

CMidiIn::~CMidiIn() {
    Close();
    parser_.reset(); // ends a thread a missing Stop left running
}

void CMidiIn::SetDeviceName(std::string_view name) {
    deviceName_ = CutDeviceName(name);
}

void CMidiIn::SetDevice(int index) {
    deviceName_ = CMidiInDev(backend_).GetAt(index);
}

int CMidiIn::GetDeviceIndex() const {
    return CMidiInDev(backend_).Find(deviceName_);
}

void CMidiIn::SetNotifyWindow(TransferListener* listener) {
    if (listener == nullptr) {
        return;
    }
    notify_ = listener;
    if (parser_) {
        parser_->SetNotifyWindow(notify_);
    }
}

bool CMidiIn::Open() {
    const CMidiInDev list(backend_);
    const int position = list.Find(deviceName_);
    if (position < 0) {
        reporter_.warn(StringId::NoMidiDevice);
        return false;
    }
    Close();
    std::unique_ptr<MidiInputPort> port;
    const int error = backend_.OpenInput(list.PortNumber(position), *this, port);
    if (error != 0 || !port) {
        reporter_.warn(StringId::MidiInOpenError, error != 0 ? error : -1);
        return false;
    }
    port_ = std::move(port);
    return true;
}

bool CMidiIn::Start(RecordTable& table) {
    if (!Open()) {
        return false;
    }
    {
        std::lock_guard lock(deliveryLock_);
        framer_.Reset();
        framer_.ResetCounts();
        counts_ = {};
        delivering_ = true;
    }
    if (port_->Start() == 0) {
        if (parser_) {
            return true;
        }
        auto parser = std::make_unique<CParserThread>(queue_, table);
        parser->SetRemainingCount(expected_);
        if (notify_ != nullptr) {
            parser->SetNotifyWindow(notify_);
        }
        if (parser->Resume()) {
            std::lock_guard lock(deliveryLock_);
            parser_ = std::move(parser);
            return true;
        }
        port_->Stop();
    }
    ResetPort();
    {
        std::lock_guard lock(deliveryLock_);
        delivering_ = false;
    }
    reporter_.warn(StringId::MidiInStartError);
    return false;
}

bool CMidiIn::Stop() {
    if (!port_) {
        return false;
    }
    const int result = port_->Stop();
    {
        std::lock_guard lock(deliveryLock_);
        delivering_ = false;
    }
    if (parser_) {
        parser_->Stop();
        lastStatus_ = parser_->Status();
        std::lock_guard lock(deliveryLock_);
        parser_.reset();
    }
    // The receive is over: its dialogs are about to go, so nothing keeps pointing at them.
    notify_ = nullptr;
    ResetPort();
    Close();
    return result == 0;
}

void CMidiIn::ResetPort() {
    if (port_) {
        port_->Reset();
    }
    // A message the port had only begun to deliver is dropped with it.
    std::lock_guard lock(deliveryLock_);
    framer_.Reset();
}

void CMidiIn::Close() {
    if (!port_) {
        return;
    }
    {
        std::lock_guard lock(deliveryLock_);
        delivering_ = false;
        framer_.Reset();
    }
    port_->Close();
    port_.reset();
}

ReceiveStatus CMidiIn::GetReceiveStatus() const {
    return parser_ ? parser_->Status() : lastStatus_;
}

CMidiIn::Counts CMidiIn::GetCounts() const {
    std::lock_guard lock(deliveryLock_);
    Counts counts = counts_;
    const CSysExFramer::Counts& framed = framer_.GetCounts();
    counts.messages = framed.messages;
    counts.cut = framed.cut;
    counts.overlong = framed.overlong;
    return counts;
}

void CMidiIn::OnLongInput(const std::uint8_t* data, std::size_t count) {
    std::lock_guard lock(deliveryLock_);
    if (!delivering_ || data == nullptr) {
        return;
    }
    framer_.Feed({data, count},
                 [this](std::span<const std::uint8_t> message) { Deliver(message); });
}

// Runs on the port's thread under the delivery lock: it copies into a slot the queue allocated
// up front and wakes the parser, and never waits for the parser's work.
void CMidiIn::Deliver(std::span<const std::uint8_t> message) {
    if (message.size() < BulkPrefix.size() ||
        !std::equal(BulkPrefix.begin(), BulkPrefix.end(), message.begin())) {
        ++counts_.foreign;
        return;
    }
    if (!parser_) {
        return;
    }
    if (queue_.Put(message.data(), message.size()) > 0) {
        parser_->Wake();
    } else {
        ++counts_.dropped;
    }
}

} // namespace kel

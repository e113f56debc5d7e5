// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midiin.h"

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
        ReportNoPort(reporter_, true, deviceName_);
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
    // The port has just been opened and not started, and the gate is closed (Open closed any
    // earlier use): nothing is delivered while the input is set up.
    framer_.Reset();
    framer_.ResetCounts();
    ClearCounts();
    const bool newParser = parser_ == nullptr;
    if (newParser) {
        auto parser = std::make_unique<CParserThread>(queue_, table);
        parser->SetRemainingCount(expected_);
        if (notify_ != nullptr) {
            parser->SetNotifyWindow(notify_);
        }
        if (!parser->Resume()) {
            ResetPort();
            reporter_.warn(StringId::MidiInStartError);
            return false;
        }
        parser_ = std::move(parser);
    }
    // The parser thread runs before the first message can come.
    gate_.Open();
    if (port_->Start() == 0) {
        return true;
    }
    gate_.Close();
    if (newParser) {
        parser_.reset(); // nothing came for it
    }
    ResetPort();
    reporter_.warn(StringId::MidiInStartError);
    return false;
}

bool CMidiIn::Stop() {
    if (!port_) {
        return false;
    }
    const int result = port_->Stop();
    gate_.Close(); // from here on no delivery reaches the framer or the parser thread
    if (parser_) {
        parser_->Stop();
        lastStatus_ = parser_->Status();
        parser_.reset();
    }
    // The receive is over: its dialogs are about to go, so nothing keeps pointing at them.
    notify_ = nullptr;
    ResetPort();
    Close();
    return result == 0;
}

// Called with the gate closed.
void CMidiIn::ResetPort() {
    if (port_) {
        port_->Reset();
    }
    // A message the port had only begun to deliver is dropped with it.
    framer_.Reset();
}

void CMidiIn::Close() {
    if (!port_) {
        return;
    }
    gate_.Close();
    framer_.Reset();
    port_->Close();
    port_.reset();
}

void CMidiIn::ClearCounts() {
    for (auto* count : {&messages_, &foreign_, &dropped_, &cut_, &overlong_}) {
        count->store(0, std::memory_order_relaxed);
    }
}

std::vector<std::uint8_t> CMidiIn::Request() const {
    return parser_ ? parser_->Request() : std::vector<std::uint8_t>();
}

std::vector<std::uint8_t> CMidiIn::AskAgain() {
    return parser_ ? parser_->AskAgain() : std::vector<std::uint8_t>();
}

ReceiveStatus CMidiIn::GetReceiveStatus() const {
    return parser_ ? parser_->Status() : lastStatus_;
}

CMidiIn::Counts CMidiIn::GetCounts() const {
    Counts counts;
    counts.messages = messages_.load(std::memory_order_relaxed);
    counts.foreign = foreign_.load(std::memory_order_relaxed);
    counts.dropped = dropped_.load(std::memory_order_relaxed);
    counts.cut = cut_.load(std::memory_order_relaxed);
    counts.overlong = overlong_.load(std::memory_order_relaxed);
    return counts;
}

// The port's thread. It takes no lock and allocates nothing: past the gate it frames the bytes,
// copies each bulk message into a slot the queue allocated up front, wakes the parser thread
// and publishes the counts.
void CMidiIn::OnLongInput(const std::uint8_t* data, std::size_t count) {
    if (data == nullptr) {
        return;
    }
    const DeliveryGate::Pass pass(gate_);
    if (!pass) {
        return; // not started, or stopping
    }
    framer_.Feed({data, count},
                 [this](std::span<const std::uint8_t> message) { Deliver(message); });
    const CSysExFramer::Counts& framed = framer_.GetCounts();
    messages_.store(framed.messages, std::memory_order_relaxed);
    cut_.store(framed.cut, std::memory_order_relaxed);
    overlong_.store(framed.overlong, std::memory_order_relaxed);
}

void CMidiIn::Deliver(std::span<const std::uint8_t> message) {
    // Other makers' messages are left out here already, so that a flood of them never fills the
    // queue the device's messages wait in.
    if (!HasBulkPrefix(message)) {
        foreign_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    if (queue_.Put(message.data(), message.size()) > 0) {
        parser_->Wake();
    } else {
        dropped_.fetch_add(1, std::memory_order_relaxed);
    }
}

} // namespace kel

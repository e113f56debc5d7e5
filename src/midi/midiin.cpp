#include "midi/midiin.h"

#include <algorithm>

#include "midi/devlist.h"

namespace kel {

CMidiInBufferPool::CMidiInBufferPool()
    : buffers_(std::make_unique<std::array<MidiHeaderBuffer, kCount>>()) {}

bool CMidiInBufferPool::PrepareAll() {
    for (auto& buffer : *buffers_) {
        buffer.flags |= MidiHeaderBuffer::Prepared;
    }
    return true;
}

bool CMidiInBufferPool::AddAll() {
    for (auto& buffer : *buffers_) {
        buffer.flags = (buffer.flags & ~MidiHeaderBuffer::Done) | MidiHeaderBuffer::InQueue;
    }
    next_ = 0;
    return true;
}

void CMidiInBufferPool::UnprepareAll() {
    for (auto& buffer : *buffers_) {
        buffer.Reset();
    }
    next_ = kCount;
}

MidiHeaderBuffer* CMidiInBufferPool::TakeLent() {
    while (next_ < kCount) {
        MidiHeaderBuffer& buffer = (*buffers_)[static_cast<std::size_t>(next_++)];
        if (buffer.flags & MidiHeaderBuffer::InQueue) {
            buffer.flags &= ~MidiHeaderBuffer::InQueue;
            return &buffer;
        }
    }
    return nullptr;
}

int CMidiInBufferPool::LentCount() const {
    return static_cast<int>(std::count_if(buffers_->begin(), buffers_->end(), [](const auto& b) {
        return (b.flags & MidiHeaderBuffer::InQueue) != 0;
    }));
}

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

void CMidiIn::SetNotifyWindow(PostTarget* target) {
    if (target == nullptr) {
        return;
    }
    notify_ = target;
    notifyId_ = UM_BULK_RECEIVED;
    if (parser_) {
        parser_->SetNotifyWindow(notify_, notifyId_);
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

bool CMidiIn::Start() {
    if (!Open()) {
        return false;
    }
    bool lent;
    {
        std::lock_guard lock(deliveryLock_);
        lent = buffers_.PrepareAll() && buffers_.AddAll();
        delivering_ = lent;
    }
    if (lent) {
        if (port_->Start() == 0) {
            if (parser_) {
                return true;
            }
            auto parser = std::make_unique<CParserThread>(queue_, table_);
            parser->SetRemainingCount(expected_);
            if (notify_ != nullptr) {
                parser->SetNotifyWindow(notify_, notifyId_);
            }
            if (parser->Resume()) {
                std::lock_guard lock(deliveryLock_);
                parser_ = std::move(parser);
                return true;
            }
            port_->Stop();
        }
        ResetPort();
        std::lock_guard lock(deliveryLock_);
        delivering_ = false;
        buffers_.UnprepareAll();
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
        parser_->PostThreadMessage(UM_PARSER, ParserQuit);
        parser_->WaitForEnd();
        std::lock_guard lock(deliveryLock_);
        parser_.reset();
    }
    // The receive is over: its dialogs are about to go, so nothing keeps pointing at them.
    notify_ = nullptr;
    notifyId_ = 0;
    ResetPort();
    Close();
    return result == 0;
}

void CMidiIn::ResetPort() {
    if (port_) {
        port_->Reset();
    }
    std::lock_guard lock(deliveryLock_);
    buffers_.ReturnLent([this](MidiHeaderBuffer& buffer) { OnLongData(MIM_LONGDATA, &buffer); });
}

void CMidiIn::Close() {
    if (!port_) {
        return;
    }
    {
        std::lock_guard lock(deliveryLock_);
        delivering_ = false;
        // Buffers still lent come back first, so none stays in the port's hands.
        buffers_.ReturnLent([](MidiHeaderBuffer&) {});
        buffers_.UnprepareAll();
    }
    port_->Close();
    port_.reset();
}

int CMidiIn::LentBufferCount() const {
    std::lock_guard lock(deliveryLock_);
    return buffers_.LentCount();
}

void CMidiIn::OnLongInput(const std::uint8_t* data, std::size_t count) {
    std::lock_guard lock(deliveryLock_);
    if (!delivering_ || data == nullptr) {
        return;
    }
    // A message longer than a buffer fills as many buffers as it needs, 512 bytes each.
    std::size_t offset = 0;
    do {
        MidiHeaderBuffer* buffer = buffers_.TakeLent();
        if (buffer == nullptr) {
            return; // every buffer of this start has been used
        }
        const std::size_t piece = std::min(count - offset, MidiHeaderBuffer::kCapacity);
        buffer->Fill(data + offset, piece);
        buffer->flags |= MidiHeaderBuffer::Done;
        offset += piece;
        OnLongData(MIM_LONGDATA, buffer);
    } while (offset < count);
}

void CMidiIn::OnLongData(int message, MidiHeaderBuffer* header) {
    if (message != MIM_LONGDATA || !parser_ || header == nullptr) {
        return;
    }
    if (header->bytesRecorded > 0 && (header->flags & MidiHeaderBuffer::Done) != 0) {
        if (queue_.Put(header->data.data(), header->bytesRecorded) > 0) {
            parser_->PostThreadMessage(UM_PARSER, ParserParseOne);
        }
    }
}

} // namespace kel

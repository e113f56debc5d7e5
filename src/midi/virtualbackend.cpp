// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/virtualbackend.h"

#include <optional>
#include <span>

namespace kel {

class CVirtualKelBackend::InputPort : public MidiInputPort {
public:
    InputPort(CVirtualKelBackend& owner, MidiInputHandler& handler)
        : owner_(owner), handler_(handler) {}
    ~InputPort() override { Close(); }

    int Start() override { return SetStarted(true); }
    int Stop() override { return SetStarted(false); }
    void Reset() override {} // messages arrive whole: nothing is ever half-received
    void Close() override {
        std::lock_guard lock(owner_.inputLock_);
        if (owner_.input_ == this) {
            owner_.input_ = nullptr;
            owner_.inputStarted_ = false;
        }
    }
    MidiInputHandler& Handler() { return handler_; }

private:
    int SetStarted(bool started) {
        std::lock_guard lock(owner_.inputLock_);
        if (owner_.input_ != this) {
            return MidiErrNotOpen;
        }
        owner_.inputStarted_ = started;
        return MidiErrNone;
    }

    CVirtualKelBackend& owner_;
    MidiInputHandler& handler_;
};

class CVirtualKelBackend::OutputPort : public MidiOutputPort {
public:
    OutputPort(CVirtualKelBackend& owner, MidiOutputHandler& handler)
        : owner_(owner), handler_(handler) {}
    ~OutputPort() override { Close(); }

    int SendLong(std::unique_ptr<MidiHeaderBuffer> header) override {
        {
            std::lock_guard lock(owner_.lock_);
            if (owner_.output_ != this) {
                return MidiErrNotOpen;
            }
            ++owner_.fromEditor_;
            owner_.machine_.FromEditor(
                owner_.Now(),
                std::span<const std::uint8_t>(header->data.data(), header->bytesRecorded));
        }
        owner_.cv_.notify_all();
        header->flags = (header->flags & ~MidiHeaderBuffer::InQueue) | MidiHeaderBuffer::Done;
        handler_.OnLongMsgDone(header.get());
        return MidiErrNone;
    }
    void Close() override {
        std::lock_guard lock(owner_.lock_);
        if (owner_.output_ == this) {
            owner_.output_ = nullptr;
        }
    }

private:
    CVirtualKelBackend& owner_;
    MidiOutputHandler& handler_;
};

CVirtualKelBackend::CVirtualKelBackend() : worker_(&CVirtualKelBackend::Run, this) {}

CVirtualKelBackend::~CVirtualKelBackend() {
    {
        std::lock_guard lock(lock_);
        quit_ = true;
    }
    cv_.notify_all();
    worker_.join();
}

void CVirtualKelBackend::SetConnected(bool connected) {
    std::lock_guard lock(inputLock_);
    connected_ = connected;
    // The device goes away under an input still open: its listener learns that nothing more
    // will come, and the port stays closed.
    if (!connected && input_ != nullptr) {
        input_->Handler().OnPortLost();
        input_ = nullptr;
        inputStarted_ = false;
    }
}

bool CVirtualKelBackend::InputPortName(int port, std::string& name) {
    if (port != 0 || !connected_) {
        return false;
    }
    name = kPortName;
    return true;
}

bool CVirtualKelBackend::OutputPortName(int port, std::string& name) {
    if (port != 0 || !connected_) {
        return false;
    }
    name = kPortName;
    return true;
}

int CVirtualKelBackend::OpenInput(int port, MidiInputHandler& handler,
                                  std::unique_ptr<MidiInputPort>& opened) {
    if (port != 0) {
        return MidiErrBadPort;
    }
    std::lock_guard lock(inputLock_);
    if (!connected_) {
        return MidiErrBadPort;
    }
    if (input_ != nullptr) {
        return MidiErrAllocated;
    }
    auto created = std::make_unique<InputPort>(*this, handler);
    input_ = created.get();
    inputStarted_ = false;
    opened = std::move(created);
    return MidiErrNone;
}

int CVirtualKelBackend::OpenOutput(int port, MidiOutputHandler& handler,
                                   std::unique_ptr<MidiOutputPort>& opened) {
    if (port != 0) {
        return MidiErrBadPort;
    }
    std::lock_guard lock(lock_);
    if (output_ != nullptr) {
        return MidiErrAllocated;
    }
    auto created = std::make_unique<OutputPort>(*this, handler);
    output_ = created.get();
    opened = std::move(created);
    return MidiErrNone;
}

CDeviceMachine::Time CVirtualKelBackend::Now() const {
    return std::chrono::duration_cast<CDeviceMachine::Time>(Clock::now() - origin_);
}

void CVirtualKelBackend::SetEnterDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(lock_);
    CDeviceMachine::Timing timing = machine_.GetTiming();
    timing.enterDelay = delay;
    machine_.SetTiming(timing);
}

void CVirtualKelBackend::SetAutoEnter(bool on) {
    std::lock_guard lock(lock_);
    CDeviceMachine::Timing timing = machine_.GetTiming();
    timing.autoEnter = on;
    machine_.SetTiming(timing);
}

void CVirtualKelBackend::SetMessageGap(std::chrono::milliseconds gap) {
    std::lock_guard lock(lock_);
    CDeviceMachine::Timing timing = machine_.GetTiming();
    timing.gap = gap;
    machine_.SetTiming(timing);
}

void CVirtualKelBackend::PressEnter() {
    {
        std::lock_guard lock(lock_);
        machine_.PressEnter(Now());
    }
    cv_.notify_all();
}

bool CVirtualKelBackend::PressEnterForTransmit(std::chrono::milliseconds limit) {
    // The messages handed to the device so far have reached it: the output port hands them to
    // the machine as it sends them.
    if (Device().GetState() != CKelDevice::State::ReceiveStandby) {
        return Device().GetState() == CKelDevice::State::Receiving;
    }
    PressEnter();
    std::unique_lock lock(lock_);
    return cv_.wait_for(lock, limit,
                        [this] { return Device().GetState() == CKelDevice::State::Receiving; });
}

void CVirtualKelBackend::PlayControl(ControllerId id, int value) {
    {
        std::lock_guard lock(lock_);
        machine_.Play(Now(), id, value);
    }
    cv_.notify_all();
}

bool CVirtualKelBackend::WaitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(lock_);
    return cv_.wait_for(lock, timeout, [this] { return machine_.Idle() && !busy_; });
}

int CVirtualKelBackend::MessagesFromEditor() const {
    std::lock_guard lock(lock_);
    return fromEditor_;
}

int CVirtualKelBackend::MessagesToEditor() const {
    std::lock_guard lock(lock_);
    return toEditor_;
}

void CVirtualKelBackend::Run() {
    std::unique_lock lock(lock_);
    for (;;) {
        if (quit_) {
            return;
        }
        const std::optional<CDeviceMachine::Time> due = machine_.NextDue();
        if (!due) {
            cv_.wait(lock);
            continue;
        }
        const CDeviceMachine::Time now = Now();
        if (*due > now) {
            cv_.wait_until(lock, origin_ + *due);
            continue;
        }
        std::vector<CDeviceMachine::Output> outputs = machine_.TakeDue(now);
        busy_ = true;
        lock.unlock();
        for (const CDeviceMachine::Output& output : outputs) {
            if (output.kind == CDeviceMachine::Output::Kind::Write) {
                DeliverToEditor(output.bytes);
            }
        }
        lock.lock();
        busy_ = false;
        cv_.notify_all();
    }
}
void CVirtualKelBackend::DeliverToEditor(const std::vector<std::uint8_t>& bytes) {
    {
        std::lock_guard lock(lock_);
        ++toEditor_;
    }
    std::lock_guard lock(inputLock_);
    if (input_ != nullptr && inputStarted_) {
        input_->Handler().OnLongInput(bytes.data(), bytes.size());
    }
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/virtualbackend.h"

#include <algorithm>
#include <iterator>

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
        }
        Task task{Clock::now(), TaskKind::ToDevice,
                  std::vector<std::uint8_t>(header->data.begin(),
                                            header->data.begin() + header->bytesRecorded)};
        owner_.Schedule(std::move(task));
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

void CVirtualKelBackend::SetEnterDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(lock_);
    enterDelay_ = delay;
}

void CVirtualKelBackend::SetAutoEnter(bool on) {
    std::lock_guard lock(lock_);
    autoEnter_ = on;
}

void CVirtualKelBackend::SetMessageGap(std::chrono::milliseconds gap) {
    std::lock_guard lock(lock_);
    gap_ = gap;
}

void CVirtualKelBackend::PressEnter() {
    unsigned generation;
    {
        std::lock_guard lock(lock_);
        generation = ++enterGeneration_;
    }
    Schedule(Task{Clock::now(), TaskKind::Enter, {}, generation});
}

bool CVirtualKelBackend::PressEnterForTransmit(std::chrono::milliseconds limit) {
    const Clock::time_point until = Clock::now() + limit;
    const auto received = [this] { return device_.GetState() == CKelDevice::State::Receiving; };
    {
        // The mode message is on its way to the device: let it arrive first (it has, unless
        // the user was quicker than the device's own thread).
        std::unique_lock lock(lock_);
        cv_.wait_until(lock, until, [this] {
            return !busy_ && std::none_of(tasks_.begin(), tasks_.end(), [](const Task& t) {
                return t.kind == TaskKind::ToDevice;
            });
        });
    }
    if (device_.GetState() != CKelDevice::State::ReceiveStandby) {
        return received();
    }
    PressEnter();
    std::unique_lock lock(lock_);
    return cv_.wait_until(lock, until, received);
}

void CVirtualKelBackend::PlayControl(ControllerId id, int value) {
    std::vector<CKelDevice::Message> messages = device_.Play(id, value);
    std::lock_guard lock(lock_);
    // Due now, after every task already due: find from the back, the queue is in due order.
    const Clock::time_point now = Clock::now();
    auto at = tasks_.end();
    while (at != tasks_.begin() && std::prev(at)->due > now) {
        --at;
    }
    for (auto& message : messages) {
        at = std::next(tasks_.insert(at, Task{now, TaskKind::ToEditor, std::move(message), 0}));
    }
    cv_.notify_all();
}

bool CVirtualKelBackend::WaitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(lock_);
    return cv_.wait_for(lock, timeout, [this] { return tasks_.empty() && !busy_; });
}

int CVirtualKelBackend::MessagesFromEditor() const {
    std::lock_guard lock(lock_);
    return fromEditor_;
}

int CVirtualKelBackend::MessagesToEditor() const {
    std::lock_guard lock(lock_);
    return toEditor_;
}

void CVirtualKelBackend::Schedule(Task task) {
    {
        std::lock_guard lock(lock_);
        // After every task due no later, so equal times keep the order they were scheduled in.
        auto at = std::find_if(tasks_.begin(), tasks_.end(),
                               [&](const Task& t) { return t.due > task.due; });
        tasks_.insert(at, std::move(task));
    }
    cv_.notify_all();
}

void CVirtualKelBackend::Run() {
    std::unique_lock lock(lock_);
    for (;;) {
        if (quit_) {
            return;
        }
        if (tasks_.empty()) {
            cv_.wait(lock);
            continue;
        }
        if (tasks_.front().due > Clock::now()) {
            cv_.wait_until(lock, tasks_.front().due);
            continue;
        }
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        busy_ = true;
        lock.unlock();
        Handle(task);
        lock.lock();
        busy_ = false;
        cv_.notify_all();
    }
}

void CVirtualKelBackend::Handle(Task& task) {
    switch (task.kind) {
    case TaskKind::ToDevice: {
        {
            std::lock_guard lock(lock_);
            ++fromEditor_;
        }
        if (device_.OnMessage(task.bytes) == CKelDevice::Event::AwaitingEnter) {
            std::lock_guard lock(lock_);
            const unsigned generation = ++enterGeneration_;
            if (autoEnter_) {
                const Task enter{Clock::now() + enterDelay_, TaskKind::Enter, {}, generation};
                auto at = std::find_if(tasks_.begin(), tasks_.end(),
                                       [&](const Task& t) { return t.due > enter.due; });
                tasks_.insert(at, enter);
            }
        }
        break;
    }
    case TaskKind::Enter: {
        {
            // A newer mode message or key press replaces an [ENTER] still waiting.
            std::lock_guard lock(lock_);
            if (task.generation != enterGeneration_) {
                break;
            }
        }
        std::vector<CKelDevice::Message> outgoing;
        if (device_.PressEnter(outgoing) == CKelDevice::Event::TransmitStarted) {
            std::lock_guard lock(lock_);
            auto due = Clock::now();
            for (auto& message : outgoing) {
                due += gap_;
                tasks_.push_back(Task{due, TaskKind::ToEditor, std::move(message), 0});
            }
            std::stable_sort(tasks_.begin(), tasks_.end(),
                             [](const Task& a, const Task& b) { return a.due < b.due; });
        }
        break;
    }
    case TaskKind::ToEditor:
        DeliverToEditor(task.bytes);
        break;
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

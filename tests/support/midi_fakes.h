// SPDX-License-Identifier: GPL-3.0-or-later
// Test doubles for the MIDI tests: a scripted back end, a thread-safe report recorder, a
// reporter that records, and scripted transfer dialogs. The records and bulk messages they
// carry are built by support/records.h.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "midi/backend.h"
#include "midi/midiout.h"
#include "midi/transfer.h"
#include "midi/transferlistener.h"
#include "midi/virtualbackend.h"
#include "model/reporter.h"
#include "support/records.h"

namespace kel::test {

class RecordingReporter : public Reporter {
public:
    void warn(StringId id, int detail) override {
        std::lock_guard lock(lock_);
        reports_.emplace_back(id, detail);
    }
    std::vector<std::pair<StringId, int>> Reports() const {
        std::lock_guard lock(lock_);
        return reports_;
    }
    std::vector<StringId> Ids() const {
        std::vector<StringId> ids;
        for (const auto& r : Reports()) {
            ids.push_back(r.first);
        }
        return ids;
    }

private:
    mutable std::mutex lock_;
    std::vector<std::pair<StringId, int>> reports_;
};

// One report the engine made to its listener: a message sent, or one received (with its
// address).
struct Report {
    enum Kind { Sent, Received };
    Kind kind;
    std::uint32_t address;
    int remaining;
    bool operator==(const Report&) const = default;
};

inline Report SentReport(int remaining) {
    return {Report::Sent, 0, remaining};
}
inline Report ReceivedReport(std::uint32_t address, int remaining) {
    return {Report::Received, address, remaining};
}

class ReportRecorder : public TransferListener {
public:
    void BulkSent(int remaining) override { Add(SentReport(remaining)); }
    void BulkReceived(std::uint32_t address, int remaining) override {
        Add(ReceivedReport(address, remaining));
    }
    std::vector<Report> Reports() const {
        std::lock_guard lock(lock_);
        return reports_;
    }
    bool WaitForCount(std::size_t count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
        std::unique_lock lock(lock_);
        return cv_.wait_for(lock, timeout, [&] { return reports_.size() >= count; });
    }

private:
    void Add(Report report) {
        {
            std::lock_guard lock(lock_);
            reports_.push_back(report);
        }
        cv_.notify_all();
    }

    mutable std::mutex lock_;
    std::condition_variable cv_;
    std::vector<Report> reports_;
};

// A back end whose ports, failures and traffic the test controls.
class FakeBackend : public MidiBackend {
public:
    struct PortSpec {
        std::string name;
        bool readable = true;
    };

    std::vector<PortSpec> inputs;
    std::vector<PortSpec> outputs;
    int inputOpenError = 0;
    int outputOpenError = 0;
    int inputStartError = 0;
    int sendError = 0;
    bool deferCompletion = false; // completions wait for CompleteAll

    int InputPortCount() override { return static_cast<int>(inputs.size()); }
    bool InputPortName(int port, std::string& name) override { return Name(inputs, port, name); }
    int OutputPortCount() override { return static_cast<int>(outputs.size()); }
    bool OutputPortName(int port, std::string& name) override { return Name(outputs, port, name); }

    int OpenInput(int port, MidiInputHandler& handler,
                  std::unique_ptr<MidiInputPort>& opened) override {
        if (inputOpenError != 0) {
            return inputOpenError;
        }
        std::lock_guard lock(lock_);
        openedInputPort_ = port;
        ++inputOpens_;
        inputHandler_ = &handler;
        opened = std::make_unique<In>(*this);
        return 0;
    }
    int OpenOutput(int port, MidiOutputHandler& handler,
                   std::unique_ptr<MidiOutputPort>& opened) override {
        if (outputOpenError != 0) {
            return outputOpenError;
        }
        std::lock_guard lock(lock_);
        openedOutputPort_ = port;
        ++outputOpens_;
        outputHandler_ = &handler;
        outputOpen_ = true;
        opened = std::make_unique<Out>(*this);
        return 0;
    }

    // Hands `bytes` to the open, started input port; false when nobody takes them.
    bool Inject(const Bytes& bytes) {
        std::lock_guard lock(inputLock_);
        if (inputHandler_ == nullptr || !inputStarted_) {
            return false;
        }
        inputHandler_->OnLongInput(bytes.data(), bytes.size());
        return true;
    }
    // Reports every deferred output message finished.
    void CompleteAll() {
        std::vector<std::unique_ptr<MidiHeaderBuffer>> done;
        {
            std::lock_guard lock(lock_);
            done.swap(inFlight_);
        }
        for (auto& header : done) {
            outputHandler_->OnLongMsgDone(header.get());
        }
    }

    std::vector<Bytes> Sent() const {
        std::lock_guard lock(lock_);
        return sent_;
    }
    int OpenedInputPort() const { return openedInputPort_; }
    int OpenedOutputPort() const { return openedOutputPort_; }
    int OutputOpens() const { return outputOpens_; }
    int InputOpens() const { return inputOpens_; }
    bool OutputOpen() const { return outputOpen_; }
    bool InputOpen() const { return inputHandler_ != nullptr; }
    bool InputStarted() const { return inputStarted_; }
    std::size_t InFlight() const {
        std::lock_guard lock(lock_);
        return inFlight_.size();
    }

private:
    static bool Name(const std::vector<PortSpec>& ports, int port, std::string& name) {
        if (port < 0 || port >= static_cast<int>(ports.size()) ||
            !ports[static_cast<std::size_t>(port)].readable) {
            return false;
        }
        name = ports[static_cast<std::size_t>(port)].name;
        return true;
    }

    class Out : public MidiOutputPort {
    public:
        explicit Out(FakeBackend& owner) : owner_(owner) {}
        ~Out() override { Close(); }
        int SendLong(std::unique_ptr<MidiHeaderBuffer> header) override {
            if (owner_.sendError != 0) {
                return owner_.sendError;
            }
            {
                std::lock_guard lock(owner_.lock_);
                owner_.sent_.emplace_back(header->data.begin(),
                                          header->data.begin() + header->bytesRecorded);
                if (owner_.deferCompletion) {
                    owner_.inFlight_.push_back(std::move(header));
                    return 0;
                }
            }
            owner_.outputHandler_->OnLongMsgDone(header.get());
            return 0;
        }
        void Close() override {
            if (!closed_) {
                closed_ = true;
                owner_.CompleteAll();
                owner_.outputOpen_ = false;
            }
        }

    private:
        FakeBackend& owner_;
        bool closed_ = false;
    };

    class In : public MidiInputPort {
    public:
        explicit In(FakeBackend& owner) : owner_(owner) {}
        ~In() override { Close(); }
        int Start() override {
            if (owner_.inputStartError != 0) {
                return owner_.inputStartError;
            }
            std::lock_guard lock(owner_.inputLock_);
            owner_.inputStarted_ = true;
            return 0;
        }
        int Stop() override {
            std::lock_guard lock(owner_.inputLock_);
            owner_.inputStarted_ = false;
            return 0;
        }
        void Reset() override {}
        void Close() override {
            std::lock_guard lock(owner_.inputLock_);
            owner_.inputStarted_ = false;
            owner_.inputHandler_ = nullptr;
        }

    private:
        FakeBackend& owner_;
    };

    mutable std::mutex lock_;
    std::mutex inputLock_;
    std::vector<Bytes> sent_;
    std::vector<std::unique_ptr<MidiHeaderBuffer>> inFlight_;
    MidiOutputHandler* outputHandler_ = nullptr;
    MidiInputHandler* inputHandler_ = nullptr;
    bool inputStarted_ = false;
    bool outputOpen_ = false;
    int openedInputPort_ = -1;
    int openedOutputPort_ = -1;
    int outputOpens_ = 0;
    int inputOpens_ = 0;
};

// A back end listing the ports named, all readable.
inline std::unique_ptr<FakeBackend> BackendWithPorts(std::vector<std::string> inputs,
                                                     std::vector<std::string> outputs) {
    auto backend = std::make_unique<FakeBackend>();
    for (auto& name : inputs) {
        backend->inputs.push_back({name});
    }
    for (auto& name : outputs) {
        backend->outputs.push_back({name});
    }
    return backend;
}

using namespace std::chrono_literals;

// Quick pacing for tests about the procedures rather than the timing: the virtual device enters
// its receive state `enterDelay` after the request and sends its messages 1 ms apart, and the
// editor's output sends one every 2 ms.
inline void QuickPacing(CVirtualKelBackend& device, CMidiOut& out,
                        std::chrono::milliseconds enterDelay) {
    device.SetEnterDelay(enterDelay);
    device.SetMessageGap(1ms);
    out.SetSendInterval(2ms);
}

// Waits up to two seconds for the virtual device to be in `state`; whether it is.
inline bool WaitForDeviceState(CVirtualKelBackend& device, CKelDevice::State state) {
    for (int i = 0; i < 1000 && device.Device().GetState() != state; ++i) {
        std::this_thread::sleep_for(2ms);
    }
    return device.Device().GetState() == state;
}

// A modal dialog run by the test: it ends as a real one would on the reports it gets, or is
// cancelled by the "user".
class ScriptedDialog : public TransferDialog {
public:
    enum class Mode { CloseOnFirstReport, CloseOnZero, CancelAtOnce, CancelAfterFirstReport };

    // `whileOpen`, when set, runs again and again on the dialog's thread while it waits, as a
    // window's painting would.
    ScriptedDialog(Mode mode, std::chrono::milliseconds timeout, int& timeouts,
                   std::function<void()> whileOpen = {})
        : mode_(mode), timeout_(timeout), timeouts_(timeouts), whileOpen_(std::move(whileOpen)) {}

    void BulkSent(int remaining) override { Report(remaining); }
    void BulkReceived(std::uint32_t, int remaining) override { Report(remaining); }
    // The way to ask the device again goes to `slot` (the test's "Ask Again" button).
    void HandAskAgainTo(std::function<bool()>* slot) { askSlot_ = slot; }
    void OfferAskAgain(std::function<bool()> ask) override {
        if (askSlot_ != nullptr) {
            *askSlot_ = std::move(ask);
        }
    }

    DialogResult RunModal() override {
        if (mode_ == Mode::CancelAtOnce) {
            return DialogResult::Cancel;
        }
        const auto done = [this] { return mode_ == Mode::CloseOnZero ? zero_ : reports_ > 0; };
        const auto until = std::chrono::steady_clock::now() + timeout_;
        std::unique_lock lock(lock_);
        bool ended = false;
        while (!ended && std::chrono::steady_clock::now() < until) {
            if (whileOpen_) {
                lock.unlock();
                whileOpen_();
                lock.lock();
            }
            ended = cv_.wait_for(lock, whileOpen_ ? std::chrono::milliseconds(1) : timeout_, done);
        }
        if (!ended) {
            ++timeouts_;
            return DialogResult::Cancel;
        }
        return mode_ == Mode::CancelAfterFirstReport ? DialogResult::Cancel : DialogResult::Ok;
    }

private:
    void Report(int remaining) {
        {
            std::lock_guard lock(lock_);
            ++reports_;
            zero_ = zero_ || remaining == 0;
        }
        cv_.notify_all();
    }

    Mode mode_;
    std::chrono::milliseconds timeout_;
    int& timeouts_;
    std::function<void()> whileOpen_;
    std::function<bool()>* askSlot_ = nullptr;
    std::mutex lock_;
    std::condition_variable cv_;
    int reports_ = 0;
    bool zero_ = false;
};

class ScriptedUi : public TransferUi {
public:
    explicit ScriptedUi(CParameter& document) : document_(document) {}

    std::string StoredPortName(bool input) override { return input ? inputName : outputName; }
    void CommitPendingEdits() override { ++commits; }
    bool Confirm(StringId question) override {
        questions.push_back(question);
        if (onConfirm) {
            onConfirm();
        }
        return confirm;
    }
    bool ShowTransmitInstructions() override {
        ++instructions;
        if (onInstructions) {
            onInstructions();
        }
        return continueInstructions;
    }
    std::unique_ptr<TransferDialog> CreateReceiveDialog() override {
        auto dialog =
            std::make_unique<ScriptedDialog>(receiveMode, timeout, timeouts, whileDialogOpen);
        dialog->HandAskAgainTo(&askAgain);
        return dialog;
    }
    std::unique_ptr<TransferDialog> CreateProgressDialog() override {
        auto dialog =
            std::make_unique<ScriptedDialog>(progressMode, timeout, timeouts, whileDialogOpen);
        dialog->HandAskAgainTo(&askAgain);
        return dialog;
    }
    void NewMap() override {
        ++newMaps;
        document_.NewDocument();
    }
    void ReceiveEnded() override { ++refreshes; }
    void ReceiveIncomplete(const ReceiveStatus& status) override { incomplete.push_back(status); }

    std::string inputName = CVirtualKelBackend::kPortName;
    std::string outputName = CVirtualKelBackend::kPortName;
    bool confirm = true;
    bool continueInstructions = true;
    std::function<void()> onConfirm;
    std::function<void()> onInstructions;
    std::function<void()> whileDialogOpen; // see ScriptedDialog
    std::function<bool()> askAgain;        // offered by the receive's latest dialog
    ScriptedDialog::Mode receiveMode = ScriptedDialog::Mode::CloseOnFirstReport;
    ScriptedDialog::Mode progressMode = ScriptedDialog::Mode::CloseOnZero;
    std::chrono::milliseconds timeout = 60s; // a limit a busy machine never reaches

    std::vector<StringId> questions;
    int commits = 0;
    int instructions = 0;
    int newMaps = 0;
    int refreshes = 0;
    int timeouts = 0;
    std::vector<ReceiveStatus> incomplete;

private:
    CParameter& document_;
};

} // namespace kel::test

// SPDX-License-Identifier: GPL-3.0-or-later
// A KEL device built into the editor, behind one input and one output port named
// "Virtual KEL Device", so transmit and receive can be tried without hardware. The device's
// [ENTER] is pressed for the user a short, configurable time after a mode message arrives.
// Messages travel through one worker thread: the editor's output is handed to the device there,
// and the device's bulk messages reach the editor's input from there, a few milliseconds apart.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "midi/backend.h"
#include "protocol/keldevice.h"

namespace kel {

class CVirtualKelBackend : public MidiBackend {
public:
    static constexpr const char* kPortName = "Virtual KEL Device";

    CVirtualKelBackend();
    ~CVirtualKelBackend() override;

    CVirtualKelBackend(const CVirtualKelBackend&) = delete;
    CVirtualKelBackend& operator=(const CVirtualKelBackend&) = delete;

    // One port each way while the device is plugged in, none while it is not.
    int InputPortCount() override { return connected_ ? 1 : 0; }
    bool InputPortName(int port, std::string& name) override;
    int OutputPortCount() override { return connected_ ? 1 : 0; }
    bool OutputPortName(int port, std::string& name) override;
    int OpenInput(int port, MidiInputHandler& handler,
                  std::unique_ptr<MidiInputPort>& opened) override;
    int OpenOutput(int port, MidiOutputHandler& handler,
                   std::unique_ptr<MidiOutputPort>& opened) override;

    CKelDevice& Device() { return device_; }

    // How long after a mode message the simulated user presses [ENTER] (default 1500 ms);
    // with automatic [ENTER] off, PressEnter does it.
    void SetEnterDelay(std::chrono::milliseconds delay);
    void SetAutoEnter(bool on);
    // The gap between two bulk messages the device sends (default 5 ms).
    void SetMessageGap(std::chrono::milliseconds gap);
    void PressEnter();
    // The user has been asked to put the device into Bulk Receive mode and press [ENTER]: the
    // built-in device has no button, so this presses it, however quickly the user goes on.
    // Waits (at most `limit`) until the messages handed to the device so far have reached it,
    // presses [ENTER] when it stands by for it, and waits until it receives. True when it does;
    // false at once when no mode message has put it into standby.
    bool PressEnterForTransmit(std::chrono::milliseconds limit = kEnterWait);
    static constexpr std::chrono::milliseconds kEnterWait{500};
    // The user moves control `id` to `value`: the messages its assignment in the device's
    // memory sends go to the editor's input, right after what is already on its way.
    void PlayControl(ControllerId id, int value);
    // Unplugs (false) and plugs the device back in. An open input is lost when it is
    // unplugged; while it is, its ports are not listed and no input opens.
    void SetConnected(bool connected);

    // Waits until every message and key press handed to the worker has been handled (a key
    // press still waiting for its delay counts). False when `timeout` passed first.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);
    // Messages the device has received from the editor and sent to it.
    int MessagesFromEditor() const;
    int MessagesToEditor() const;

private:
    class InputPort;
    class OutputPort;
    using Clock = std::chrono::steady_clock;

    enum class TaskKind { ToDevice, Enter, ToEditor };
    struct Task {
        Clock::time_point due;
        TaskKind kind;
        std::vector<std::uint8_t> bytes;
        unsigned generation = 0;
    };

    void Schedule(Task task);
    void Run();
    void Handle(Task& task);
    void DeliverToEditor(const std::vector<std::uint8_t>& bytes);

    CKelDevice device_;

    mutable std::mutex lock_;
    std::condition_variable cv_;
    std::deque<Task> tasks_; // kept in order of due time
    bool busy_ = false;
    bool quit_ = false;
    std::chrono::milliseconds enterDelay_{1500};
    std::chrono::milliseconds gap_{5};
    bool autoEnter_ = true;
    unsigned enterGeneration_ = 0;
    int fromEditor_ = 0;
    int toEditor_ = 0;

    // The open ports. The input handler is called under inputLock_, so closing the input waits
    // for a delivery in progress.
    std::mutex inputLock_;
    InputPort* input_ = nullptr;
    bool inputStarted_ = false;
    std::atomic<bool> connected_{true}; // written under inputLock_, read by the port lists
    OutputPort* output_ = nullptr;

    std::thread worker_;
};

} // namespace kel

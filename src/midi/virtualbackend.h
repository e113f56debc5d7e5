// SPDX-License-Identifier: GPL-3.0-or-later
// A KEL device built into the editor, behind one input and one output port named
// "Virtual KEL Device", so transmit and receive can be tried without hardware. The device is
// the core's device machine (protocol/devicemachine): this back end only gives it the time, the
// editor's messages and the key presses, and delivers what it writes to the editor's input from
// one worker thread. Every call into the machine is made under the back end's lock.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "midi/backend.h"
#include "protocol/devicemachine.h"
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

    // The device's memory, mode and faults; safe to use from any thread.
    CKelDevice& Device() { return machine_.Device(); }

    // How long after a mode message the simulated user presses [ENTER] (default 1000 ms);
    // with automatic [ENTER] off, PressEnter does it.
    void SetEnterDelay(std::chrono::milliseconds delay);
    void SetAutoEnter(bool on);
    // The gap between two bulk messages the device sends (default 10 ms).
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

    // Waits until the device has nothing more to do: every message it writes delivered, no
    // [ENTER] waiting for its delay. False when `timeout` passed first.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);
    // Messages the device has received from the editor and sent to it.
    int MessagesFromEditor() const;
    int MessagesToEditor() const;

private:
    class InputPort;
    class OutputPort;
    using Clock = std::chrono::steady_clock;

    // The machine's time: since the back end was made.
    CDeviceMachine::Time Now() const;
    void Run();
    void DeliverToEditor(const std::vector<std::uint8_t>& bytes);

    const Clock::time_point origin_ = Clock::now();

    mutable std::mutex lock_;
    std::condition_variable cv_;
    CDeviceMachine machine_;
    bool busy_ = false; // the worker is delivering what it took from the machine
    bool quit_ = false;
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

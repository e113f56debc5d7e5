// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's one MIDI output port: opens the output of the chosen name and drives a transmit's
// machine (CTransmitMachine): its queue of system-exclusive messages is sent either one at once
// (SendHead) or paced by a sender thread at the times the machine gives, one message 40 ms after
// the one before (StartSender). Every message the port reports finished counts the machine's
// pending count down and is reported to the registered listener (BulkSent), with no lock held.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "midi/backend.h"
#include "midi/listenerslot.h"
#include "midi/transferlistener.h"
#include "model/reporter.h"
#include "protocol/transfermachine.h"

namespace kel {

class CMidiOut : private MidiOutputHandler {
public:
    static constexpr std::chrono::milliseconds kSendInterval = CTransmitMachine::kInterval;
    static constexpr std::chrono::milliseconds kStopWait{5000};

    CMidiOut(MidiBackend& backend, Reporter& reporter);
    ~CMidiOut() override;

    CMidiOut(const CMidiOut&) = delete;
    CMidiOut& operator=(const CMidiOut&) = delete;

    // The output port's name (at most 31 bytes; empty = none chosen). At start-up the
    // application copies the stored name in with SetDeviceName.
    void SetDeviceName(std::string_view name);
    const std::string& GetDeviceName() const { return deviceName_; }
    // Takes the name at `index` of a fresh output list; an index outside it empties the name.
    void SetDevice(int index);
    // The position of the device name in a fresh output list, or -1.
    int GetDeviceIndex() const;

    // Opens the port of the device name (closing any earlier use first). Reports 32810 when
    // the name is not listed and 32812 with the system's code when the port cannot be opened.
    bool Open();
    bool IsOpen() const { return port_ != nullptr; }
    // Queues one message of at most 512 bytes; false (nothing queued) while closed.
    bool Put(const std::uint8_t* data, std::size_t length);
    // Sends the head of the queue at once and drops the rest.
    void SendHead();
    // Who is told of each finished message, and how many to count down. A null listener stops
    // the reports; once it returns, the old listener hears nothing more.
    void SetProgressTarget(TransferListener* listener, int count);
    // Starts the sender thread. Reports 32814 when the port is closed or the thread cannot be
    // created.
    bool StartSender();
    // Stops the sender thread (waiting up to 5000 ms for it) and drops what is still queued.
    // False when the thread did not end in time.
    bool StopSender();
    // Stops the sender, drops the queue and closes the port.
    void Close();
    // Sends the head of the queue, if any.
    void SendNext();

    int PendingCount() const;
    std::size_t QueuedCount() const;
    bool SenderRunning() const { return senderRunning_.load(); }
    bool SenderThreadExists() const { return sender_.joinable(); }
    // The machine's pause between two messages; 40 ms unless changed (tests that do not
    // measure pacing shorten it).
    void SetSendInterval(std::chrono::milliseconds interval);

private:
    void OnLongMsgDone(MidiHeaderBuffer* header) override;
    void SenderLoop(std::stop_token stop);
    void DropQueue();
    void Send(CTransmitMachine::Message message);

    MidiBackend& backend_;
    Reporter& reporter_;
    std::unique_ptr<MidiOutputPort> port_;
    mutable std::mutex machineLock_; // guards the machine; never held while a port or listener
                                     // is called
    CTransmitMachine machine_;
    std::atomic<bool> senderRunning_{false};
    // The sender's pause between two messages; a stop request ends it at once.
    std::mutex pauseLock_;
    std::condition_variable_any pauseCv_;
    // Set by the sender thread as its last action, so StopSender can wait with a time limit.
    std::mutex endedLock_;
    std::condition_variable endedCv_;
    bool senderEnded_ = false;
    std::string deviceName_;
    CListenerSlot<TransferListener> target_;
    std::jthread sender_; // last: it ends before the members it uses go
};

} // namespace kel

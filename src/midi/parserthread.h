// SPDX-License-Identifier: GPL-3.0-or-later
// The worker that drives a receive's machine (CReceiveMachine) during a receive. The input
// handler queues each completed block and wakes the thread (Wake); the thread takes one block per
// wake-up and hands it to the machine, which decodes a bulk message of this device into the
// record table; the thread then tells its listener (BulkReceived) the number of controllers still
// expected. A controller whose record arrives again is rewritten but counted once, so a count of
// 0 means every controller of the map has arrived. The listener is called with no lock held.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <stop_token>
#include <thread>
#include <vector>

#include "midi/listenerslot.h"
#include "midi/midiinque.h"
#include "midi/transferlistener.h"
#include "model/bulk.h"
#include "protocol/transfermachine.h"

namespace kel {

class CParserThread {
public:
    // The thread is created suspended: set it up, then Resume.
    CParserThread(CSafeMidiInQue& queue, RecordTable& table);
    // Stops a thread still running (as Stop does) before the object goes.
    ~CParserThread();

    CParserThread(const CParserThread&) = delete;
    CParserThread& operator=(const CParserThread&) = delete;

    // Starts the receive anew: the number of distinct controllers expected; which ones arrived
    // is forgotten and the quiet time counts from now.
    void SetRemainingCount(int count);
    // The request that opens the receive (the host sends it once the input listens).
    std::vector<std::uint8_t> Request() const;
    // The request once more, for a receive gone quiet (empty when it no longer listens).
    std::vector<std::uint8_t> AskAgain();
    int RemainingCount() const;
    ReceiveStatus Status() const;
    // Who is told of each decoded bulk message; null stops the reports. Once it returns, the
    // old listener hears nothing more. When bulk messages have already been decoded, the new
    // listener is told the current remaining count at once (by this thread, or by the parser
    // thread when it is reporting just then), so that a report made while no window was there
    // to take it is not lost.
    void SetNotifyWindow(TransferListener* listener);

    // Starts the thread. False when the thread cannot be created.
    bool Resume();
    // Asks the thread to handle one more queued block. Any number of wake-ups takes no memory
    // (they are counted), so the input's thread never allocates; it takes no lock and never
    // waits for the parse.
    void Wake();
    // Lets the thread handle every block woken for so far, then end; drops what is left in the
    // queue and waits, without a time limit, until the thread has ended.
    void Stop();
    bool Running() const { return thread_.joinable(); }

    // Handles the oldest queued block (the work of one wake-up).
    void ParseOne();

private:
    void Run(std::stop_token stop);
    // Tells the listener the latest decoded message and remaining count, without a lock held.
    // Two threads never report at once: one that finds a report under way leaves its report to
    // that thread, which reports again with what is latest then, so the listener hears the
    // counts in order.
    void Publish();

    CSafeMidiInQue& queue_;

    mutable std::mutex lock_; // guards the machine and the reporting turn
    CReceiveMachine machine_;
    std::vector<std::uint8_t> request_;
    bool reporting_ = false; // a thread is telling the listener
    bool again_ = false;     // something newer came while it was
    CListenerSlot<TransferListener> listener_;

    // The wake-ups reach the thread without a lock, so that the input's MIDI thread never
    // waits: a count of blocks woken for and not yet handled, and a signal word that every
    // wake-up and the stop change and the thread sleeps on while it is unchanged.
    std::atomic<std::uint64_t> wakes_{0};
    std::atomic<std::uint32_t> signal_{0};
    std::jthread thread_; // last: it ends before the members it uses go
};

} // namespace kel

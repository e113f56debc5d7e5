// SPDX-License-Identifier: GPL-3.0-or-later
// The worker that turns received system-exclusive blocks into control map records during a
// receive. The input handler queues each completed block and wakes the thread (Wake); the thread
// takes one block per wake-up, decodes a bulk message of this device into the record table and
// tells its listener (BulkReceived) the number of controllers still expected. A controller whose
// record arrives again is rewritten but counted once, so a count of 0 means every controller
// of the map has arrived.
#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "midi/midiinque.h"
#include "midi/transferlistener.h"
#include "model/bulk.h"
#include "model/phrase.h"

namespace kel {

// The first 7 bytes of every bulk message the device sends.
inline constexpr std::array<std::uint8_t, 7> BulkPrefix = {0xF0, 0x41, 0x10, 0x00,
                                                           0x00, 0x1A, 0x12};

// What a receive has got so far: which controls arrived, how many damaged messages came for
// each control (when the address could still be read), and when the last bulk message came.
struct ReceiveStatus {
    using Clock = std::chrono::steady_clock;
    // A receive has no time limit, but once no bulk message has come for this long it says
    // what it still waits for.
    static constexpr std::chrono::milliseconds kQuietTime{1500};

    std::bitset<kControllerCount> arrived;
    std::array<int, kControllerCount> damaged{};
    Clock::time_point lastMessage{}; // the last bulk message, whole or damaged, or the start

    // The controls that have not arrived, in the map's order.
    std::vector<ControllerId> Missing() const;
    // "S4 (1 damaged message), R7, AFT": the missing controls; "" when none is.
    PhraseArg MissingList() const;
    // "Waiting for S4", "Waiting for 3 controls: S4, R7, AFT".
    Phrase Waiting() const;
    // "Not received: S4 (1 damaged message)".
    Phrase NotReceived() const;
    // Some control is missing and no bulk message has come for kQuietTime before `now`.
    bool Quiet(Clock::time_point now) const;
};

class CParserThread {
public:
    // The thread is created suspended: set it up, then Resume.
    CParserThread(CSafeMidiInQue& queue, RecordTable& table);
    // Stops a thread still running (as Stop does) before the object goes.
    ~CParserThread();

    CParserThread(const CParserThread&) = delete;
    CParserThread& operator=(const CParserThread&) = delete;

    // Sets the number of distinct controllers still expected and forgets which ones arrived.
    void SetRemainingCount(int count);
    int RemainingCount() const;
    ReceiveStatus Status() const;
    // Who is told of each decoded bulk message; null stops the reports. Once it returns, the
    // old listener hears nothing more. When bulk messages have already been decoded, the new
    // listener is told the current remaining count at once, so that a report made while no
    // window was there to take it is not lost.
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

    CSafeMidiInQue& queue_;
    RecordTable& table_;

    mutable std::mutex lock_; // guards the listener and the counts
    TransferListener* notify_ = nullptr;
    int remaining_ = 0;
    int decoded_ = 0;
    ReceiveStatus status_;
    std::uint32_t lastAddress_ = 0;

    // The wake-ups reach the thread without a lock, so that the input's MIDI thread never
    // waits: a count of blocks woken for and not yet handled, and a signal word that every
    // wake-up and the stop change and the thread sleeps on while it is unchanged.
    std::atomic<std::uint64_t> wakes_{0};
    std::atomic<std::uint32_t> signal_{0};
    std::jthread thread_; // last: it ends before the members it uses go
};

} // namespace kel

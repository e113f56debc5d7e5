// SPDX-License-Identifier: GPL-3.0-or-later
// The worker that turns received system-exclusive blocks into control map records during a
// receive. The input handler queues each completed block and wakes the thread (Wake); the thread
// takes one block per wake-up, decodes a bulk message of this device into the record table and
// posts UM_BULK_RECEIVED with the number of controllers still expected. A controller whose
// record arrives again is rewritten but counted once, so a count of 0 means every controller
// of the map has arrived.
#pragma once

#include <array>
#include <bitset>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "midi/midiinque.h"
#include "midi/posttarget.h"
#include "model/bulk.h"

namespace kel {

// The first 7 bytes of every bulk message the device sends.
inline constexpr std::array<std::uint8_t, 7> BulkPrefix = {0xF0, 0x41, 0x10, 0x00,
                                                           0x00, 0x1A, 0x12};

class CParserThread {
public:
    // The thread is created suspended: set it up, then Resume.
    CParserThread(CSafeMidiInQue& queue, RecordTable& table);
    // Ends a thread still running (as by a quit message) before the object goes.
    ~CParserThread();

    CParserThread(const CParserThread&) = delete;
    CParserThread& operator=(const CParserThread&) = delete;

    // Sets the number of distinct controllers still expected and forgets which ones arrived.
    void SetRemainingCount(int count);
    int RemainingCount() const;
    // Where UM_BULK_RECEIVED goes; a null target stops the reports. Once it returns, the old
    // target receives no more posts. When bulk messages have already been decoded, the new
    // target is told the current remaining count at once, so that a report made while no
    // window was there to take it is not lost.
    void SetNotifyWindow(PostTarget* target, int messageId);

    // Starts the thread's message loop. False when the thread cannot be created.
    bool Resume();
    // Queues a thread message; handled in the order posted. Only UM_PARSER with wParam 1
    // (parse one block) or 2 (quit) does anything.
    void PostThreadMessage(int message, int wParam);
    // Asks the thread to handle one more queued block, as UM_PARSER 1 does, without queueing a
    // message: any number of wake-ups takes no memory, so the input's thread never allocates.
    // Blocks woken for are handled before any message posted after them.
    void Wake();
    // Waits, without a time limit, until the thread has ended.
    void WaitForEnd();
    bool Running() const { return thread_.joinable(); }

    // Handles the oldest queued block (the work of one UM_PARSER 1).
    void ParseOne();

private:
    void Run();

    CSafeMidiInQue& queue_;
    RecordTable& table_;

    mutable std::mutex lock_; // guards the notify target, the message id and the count
    PostTarget* notify_ = nullptr;
    int messageId_ = 0;
    int remaining_ = 0;
    int decoded_ = 0;
    std::bitset<256> arrived_; // by the controller byte of the address
    std::uint32_t lastAddress_ = 0;

    std::mutex messagesLock_;
    std::condition_variable messagesCv_;
    std::deque<std::pair<int, int>> messages_;
    std::uint64_t wakes_ = 0; // blocks woken for and not yet handled
    std::thread thread_;
};

} // namespace kel

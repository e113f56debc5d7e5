// SPDX-License-Identifier: GPL-3.0-or-later
// The private messages the MIDI engine posts to the user interface, and the interface through
// which it posts them. Posting never waits for the receiver: the editor implements PostTarget
// with queued calls into its user-interface thread, the tests with a thread-safe recorder.
#pragma once

#include <cstdint>

namespace kel {

inline constexpr int UM_PARSER = 2524;        // thread message to the parser thread
inline constexpr int UM_BULK_RECEIVED = 2624; // parser thread -> receive or progress dialog
inline constexpr int UM_BULK_SENT = 2625;     // output completion -> progress dialog
inline constexpr int UM_PROGRESS = 2024;      // progress dialog commands

// wParam of UM_PARSER.
inline constexpr int ParserParseOne = 1;
inline constexpr int ParserQuit = 2;

// wParam of UM_BULK_SENT: the code of a finished long output message.
inline constexpr int MOM_DONE = 969;

// wParam of UM_PROGRESS.
inline constexpr int ProgressStep = 2025;
inline constexpr int ProgressReset = 2026;
inline constexpr int ProgressFinish = 2027;

class PostTarget {
public:
    virtual ~PostTarget() = default;
    // Queues `message` for the receiver and returns at once. May be called from any thread.
    virtual void post(int message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

} // namespace kel

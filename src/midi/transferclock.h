// SPDX-License-Identifier: GPL-3.0-or-later
// The time the MIDI engine and its hosts give the transfer machines: the steady clock in
// milliseconds.
#pragma once

#include <chrono>

#include "protocol/transfermachine.h"

namespace kel {

inline TransferTime TransferClockNow() {
    return std::chrono::duration_cast<TransferTime>(
        std::chrono::steady_clock::now().time_since_epoch());
}

} // namespace kel

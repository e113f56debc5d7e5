// SPDX-License-Identifier: GPL-3.0-or-later
// What the MIDI engine tells whoever follows a transfer: a bulk message has left the output, or
// one has arrived and been decoded. The calls come from the engine's threads (the output's
// completion, the parser thread) and must return at once without waiting for the receiver: the
// editor turns each into a queued call on its user-interface thread, kelmap into a wake-up of
// the terminal's wait, the tests into a thread-safe record.
#pragma once

#include <cstdint>

namespace kel {

class TransferListener {
public:
    virtual ~TransferListener() = default;
    // One bulk message has been sent; `remaining` of those counted are still to go (below 0
    // when more messages finished than were counted).
    virtual void BulkSent(int remaining) = 0;
    // The bulk message at `address` (the controller in bits 8-15) has been decoded into the
    // record table; `remaining` controllers are still expected (0: every one has arrived).
    virtual void BulkReceived(std::uint32_t address, int remaining) = 0;
};

} // namespace kel

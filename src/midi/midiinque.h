// SPDX-License-Identifier: GPL-3.0-or-later
// The received queue: 1024 message buffers, all allocated with the queue, filled by the input
// handler on the port's thread and emptied by the parser thread, shared without a lock (the
// engine's one ring, CSpscRing).
#pragma once

#include <cstddef>
#include <cstdint>

#include "midi/spscring.h"
#include "model/bulk.h"

namespace kel {

class CSafeMidiInQue {
public:
    static constexpr int kCapacity = 1024;

    CSafeMidiInQue() : ring_(kCapacity) {}

    CSafeMidiInQue(const CSafeMidiInQue&) = delete;
    CSafeMidiInQue& operator=(const CSafeMidiInQue&) = delete;

    // Filling side: appends `length` bytes as one block. Returns the new count (>= 1), or 0
    // with nothing stored when the queue is full, `data` is null or `length` exceeds 512.
    int Put(const std::uint8_t* data, std::size_t length);
    // Emptying side: moves the oldest block into `block` and empties its slot. Returns the count
    // left, or 0 with `block` untouched when the queue is empty.
    int Get(MidiBlock& block);
    // Emptying side: empties every block the queue holds.
    void Clear();
    // The blocks queued at this moment.
    int Count() const { return static_cast<int>(ring_.Count()); }
    int LockedCount() const { return Count(); }

private:
    CSpscRing<MidiBlock> ring_;
};

} // namespace kel

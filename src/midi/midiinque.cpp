// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midiinque.h"

#include <algorithm>

namespace kel {

int CSafeMidiInQue::Put(const std::uint8_t* data, std::size_t length) {
    if (data == nullptr || length > MidiBlock::kCapacity) {
        return 0;
    }
    MidiBlock* slot = ring_.BeginPush();
    if (slot == nullptr) {
        return 0;
    }
    std::copy(data, data + length, slot->data.begin());
    slot->count = length;
    ring_.CommitPush();
    return Count();
}

int CSafeMidiInQue::Get(MidiBlock& block) {
    MidiBlock* slot = ring_.Front();
    if (slot == nullptr) {
        return 0;
    }
    block = *slot;
    slot->Clear();
    ring_.Pop();
    return Count();
}

void CSafeMidiInQue::Clear() {
    while (MidiBlock* slot = ring_.Front()) {
        slot->Clear();
        ring_.Pop();
    }
}

} // namespace kel

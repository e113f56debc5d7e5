// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midiinque.h"

#include <algorithm>

namespace kel {

CMidiInQue::CMidiInQue() : blocks_(std::make_unique<MidiBlock[]>(kCapacity)) {}

int CMidiInQue::Put(const std::uint8_t* data, std::size_t length) {
    if (count_ == kCapacity || data == nullptr || length > MidiBlock::kCapacity) {
        return 0;
    }
    MidiBlock& slot = blocks_[static_cast<std::size_t>(write_)];
    std::copy(data, data + length, slot.data.begin());
    slot.count = length;
    write_ = (write_ + 1) % kCapacity;
    return ++count_;
}

int CMidiInQue::Get(MidiBlock& block) {
    if (count_ == 0) {
        return 0;
    }
    MidiBlock& slot = blocks_[static_cast<std::size_t>(read_)];
    block = slot;
    slot.Clear();
    read_ = (read_ + 1) % kCapacity;
    return --count_;
}

void CMidiInQue::Clear() {
    for (int i = 0; i < kCapacity; ++i) {
        blocks_[static_cast<std::size_t>(i)].Clear();
    }
    count_ = 0;
    write_ = 0;
    read_ = 0;
}

int CSafeMidiInQue::Put(const std::uint8_t* data, std::size_t length) {
    std::lock_guard lock(lock_);
    return CMidiInQue::Put(data, length);
}

int CSafeMidiInQue::Get(MidiBlock& block) {
    std::lock_guard lock(lock_);
    return CMidiInQue::Get(block);
}

void CSafeMidiInQue::Clear() {
    std::lock_guard lock(lock_);
    CMidiInQue::Clear();
}

int CSafeMidiInQue::LockedCount() const {
    std::lock_guard lock(lock_);
    return Count();
}

} // namespace kel

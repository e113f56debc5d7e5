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

CSafeMidiInQue::CSafeMidiInQue() : blocks_(std::make_unique<MidiBlock[]>(kCapacity)) {}

int CSafeMidiInQue::Put(const std::uint8_t* data, std::size_t length) {
    const std::uint64_t written = written_.load(std::memory_order_relaxed);
    const std::uint64_t read = read_.load(std::memory_order_acquire);
    if (written - read == kCapacity || data == nullptr || length > MidiBlock::kCapacity) {
        return 0;
    }
    MidiBlock& slot = blocks_[written % kCapacity];
    std::copy(data, data + length, slot.data.begin());
    slot.count = length;
    written_.store(written + 1, std::memory_order_release);
    return static_cast<int>(written + 1 - read);
}

int CSafeMidiInQue::Get(MidiBlock& block) {
    const std::uint64_t read = read_.load(std::memory_order_relaxed);
    const std::uint64_t written = written_.load(std::memory_order_acquire);
    if (written == read) {
        return 0;
    }
    MidiBlock& slot = blocks_[read % kCapacity];
    block = slot;
    slot.Clear();
    read_.store(read + 1, std::memory_order_release);
    return static_cast<int>(written - read - 1);
}

void CSafeMidiInQue::Clear() {
    std::uint64_t read = read_.load(std::memory_order_relaxed);
    const std::uint64_t written = written_.load(std::memory_order_acquire);
    for (; read != written; ++read) {
        blocks_[read % kCapacity].Clear();
    }
    read_.store(read, std::memory_order_release);
}

int CSafeMidiInQue::Count() const {
    const std::uint64_t read = read_.load(std::memory_order_acquire);
    return static_cast<int>(written_.load(std::memory_order_acquire) - read);
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The received queue: a ring of 1024 message buffers, all allocated with the queue, filled by
// the input handler and emptied by the parser thread. CSafeMidiInQue runs every operation
// under its own lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "model/bulk.h"

namespace kel {

class CMidiInQue {
public:
    static constexpr int kCapacity = 1024;

    CMidiInQue();
    virtual ~CMidiInQue() = default;

    CMidiInQue(const CMidiInQue&) = delete;
    CMidiInQue& operator=(const CMidiInQue&) = delete;

    // Appends `length` bytes as one block. Returns the new count (>= 1), or 0 with nothing
    // stored when the queue is full, `data` is null or `length` exceeds 512.
    virtual int Put(const std::uint8_t* data, std::size_t length);
    // Moves the oldest block into `block` and empties its slot. Returns the new count, or 0
    // with `block` untouched when the queue is empty.
    virtual int Get(MidiBlock& block);
    // Empties every block and the queue.
    virtual void Clear();

    int Count() const { return count_; }
    int WriteIndex() const { return write_; }
    int ReadIndex() const { return read_; }

private:
    std::unique_ptr<MidiBlock[]> blocks_;
    int count_ = 0;
    int write_ = 0;
    int read_ = 0;
};

class CSafeMidiInQue : public CMidiInQue {
public:
    int Put(const std::uint8_t* data, std::size_t length) override;
    int Get(MidiBlock& block) override;
    void Clear() override;
    int LockedCount() const;

private:
    mutable std::mutex lock_;
};

} // namespace kel

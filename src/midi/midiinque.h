// SPDX-License-Identifier: GPL-3.0-or-later
// The received queue: a ring of 1024 message buffers, all allocated with the queue, filled by
// the input handler and emptied by the parser thread. CMidiInQue is the plain ring for one
// thread; CSafeMidiInQue is the one the input uses, shared by the two threads without a lock.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

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

// The same ring for one filling thread (the input's MIDI thread) and one emptying thread (the
// parser thread), without a lock: neither ever waits for the other. The filling thread writes a
// slot and only then counts it in; the emptying thread copies a slot out and only then gives it
// back, so a slot is never written and read at once. Put, and Get or Clear, may each be called
// from one thread at a time.
class CSafeMidiInQue {
public:
    static constexpr int kCapacity = CMidiInQue::kCapacity;

    CSafeMidiInQue();

    CSafeMidiInQue(const CSafeMidiInQue&) = delete;
    CSafeMidiInQue& operator=(const CSafeMidiInQue&) = delete;

    // As CMidiInQue: the new count, or 0 with nothing stored.
    int Put(const std::uint8_t* data, std::size_t length);
    // As CMidiInQue: the count left, or 0 with `block` untouched when the queue is empty.
    int Get(MidiBlock& block);
    // Empties every block the queue holds; called on the emptying side.
    void Clear();
    // The blocks queued at this moment.
    int Count() const;
    int LockedCount() const { return Count(); }

private:
    std::unique_ptr<MidiBlock[]> blocks_;
    std::atomic<std::uint64_t> written_{0}; // blocks put so far, advanced by the filling thread
    std::atomic<std::uint64_t> read_{0};    // blocks taken so far, advanced by the emptying one
};

} // namespace kel

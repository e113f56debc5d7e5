// SPDX-License-Identifier: GPL-3.0-or-later
// The one queue between two of the MIDI engine's threads: a ring of a fixed number of slots,
// all allocated with it, for one filling thread and one emptying thread, without a lock.
// Neither side ever waits for the other or allocates: a full ring refuses the item (the filler
// drops and counts it), an empty one has nothing to give.
//
// The filler writes a slot in place (BeginPush) and only then counts it in (CommitPush); the
// emptier reads the oldest slot in place (Front) and only then gives it back (Pop), so a slot is
// never written and read at once. Each side's count is an atomic that only its own thread
// advances, with release, and the other side reads with acquire: what was written into a slot
// before it was counted in is seen by whoever sees the count. Push and Pop may each be called
// from one thread at a time (several fillers or emptiers take turns under a lock of their own).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kel {

template <typename T> class CSpscRing {
public:
    // `capacity` slots (at least 1), each a T made once here.
    explicit CSpscRing(std::size_t capacity)
        : capacity_(capacity == 0 ? 1 : capacity), slots_(std::make_unique<T[]>(capacity_)) {}

    CSpscRing(const CSpscRing&) = delete;
    CSpscRing& operator=(const CSpscRing&) = delete;

    std::size_t Capacity() const { return capacity_; }

    // Filling side: the free slot to write the next item into, or null when the ring is full.
    // The slot still holds whatever was there before.
    T* BeginPush() {
        const std::uint64_t written = written_.load(std::memory_order_relaxed);
        if (written - read_.load(std::memory_order_acquire) >= capacity_) {
            return nullptr;
        }
        return &slots_[written % capacity_];
    }
    // Counts the slot BeginPush gave in: the emptying side may now take it.
    void CommitPush() {
        written_.store(written_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }
    // Copies `item` in; false (nothing stored) when the ring is full.
    bool Push(const T& item) {
        T* slot = BeginPush();
        if (slot == nullptr) {
            return false;
        }
        *slot = item;
        CommitPush();
        return true;
    }

    // Emptying side: the oldest item, or null when the ring is empty. It stays in place until
    // Pop.
    T* Front() {
        const std::uint64_t read = read_.load(std::memory_order_relaxed);
        if (written_.load(std::memory_order_acquire) == read) {
            return nullptr;
        }
        return &slots_[read % capacity_];
    }
    // Gives the oldest slot back to the filling side.
    void Pop() {
        read_.store(read_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }
    // Moves the oldest item into `item`; false (`item` untouched) when the ring is empty.
    bool Pop(T& item) {
        T* front = Front();
        if (front == nullptr) {
            return false;
        }
        item = *front;
        Pop();
        return true;
    }

    // The items in the ring at this moment, as either side sees it.
    std::size_t Count() const {
        const std::uint64_t read = read_.load(std::memory_order_acquire);
        return static_cast<std::size_t>(written_.load(std::memory_order_acquire) - read);
    }
    bool Empty() const { return Count() == 0; }

private:
    const std::size_t capacity_;
    std::unique_ptr<T[]> slots_;
    std::atomic<std::uint64_t> written_{0}; // items counted in so far, by the filling side
    std::atomic<std::uint64_t> read_{0};    // items given back so far, by the emptying side
};

} // namespace kel

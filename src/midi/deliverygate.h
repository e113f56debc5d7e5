// SPDX-License-Identifier: GPL-3.0-or-later
// The door between a MIDI system's thread, which hands over the input as it comes, and the
// thread that starts and stops the input. The MIDI thread never waits at it: it goes in when the
// door is open and turns back when it is shut. Only the thread that shuts it waits, until no
// delivery is inside any more; from then on it may change whatever the deliveries use.
// (A real-time thread such as JACK's must not wait for a lock that another thread holds: a
// late cycle loses its events.)
#pragma once

#include <atomic>
#include <thread>

namespace kel {

class DeliveryGate {
public:
    // One delivery's way through the door: true while the delivery is inside.
    class Pass {
    public:
        explicit Pass(DeliveryGate& gate) noexcept : gate_(gate), inside_(gate.Enter()) {}
        ~Pass() {
            if (inside_) {
                gate_.Leave();
            }
        }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        explicit operator bool() const noexcept { return inside_; }

    private:
        DeliveryGate& gate_;
        const bool inside_;
    };

    // Lets deliveries in from now on.
    void Open() noexcept { open_.store(true, std::memory_order_seq_cst); }
    // Lets no new delivery in and returns once the last one inside has left; what the
    // deliveries did is then seen by the caller.
    void Close() noexcept {
        open_.store(false, std::memory_order_seq_cst);
        while (inside_.load(std::memory_order_seq_cst) != 0) {
            std::this_thread::yield();
        }
    }
    bool IsOpen() const noexcept { return open_.load(std::memory_order_acquire); }

private:
    // The delivery counts itself in before it looks at the door, and Close shuts the door
    // before it looks at the count: one of the two always sees the other.
    bool Enter() noexcept {
        inside_.fetch_add(1, std::memory_order_seq_cst);
        if (open_.load(std::memory_order_seq_cst)) {
            return true;
        }
        Leave();
        return false;
    }
    void Leave() noexcept { inside_.fetch_sub(1, std::memory_order_release); }

    std::atomic<bool> open_{false};
    std::atomic<int> inside_{0};
};

} // namespace kel

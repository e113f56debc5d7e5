// SPDX-License-Identifier: GPL-3.0-or-later
// The listener of a transfer as the engine's threads reach it: a call is made with no lock
// held, so a listener that takes a lock of its own (Qt's event queue, a terminal's condition)
// can never wait on the engine, and still, once Set returns, no call reaches the listener it
// replaced.
//
// How that is kept: a call takes the listener and counts itself in, under the slot's lock, in
// the current generation; it then calls without the lock and counts itself out. Set puts the
// new listener in, starts a new generation and waits until every call of the old one has
// counted itself out. Calls that begin after the swap reach the new listener and are not
// waited for. Set is called from one thread at a time (the thread that runs the transfer) and
// never from inside a call, so at most two generations have calls under way.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kel {

template <typename Listener> class CListenerSlot {
public:
    // Replaces the listener (null: none); returns once no call reaches the old one any more.
    void Set(Listener* listener) {
        std::unique_lock lock(lock_);
        current_ = listener;
        const std::size_t old = generation_ % 2;
        ++generation_;
        ended_.wait(lock, [&] { return calls_[old] == 0; });
    }

    // Calls `call(listener)` on the current listener, if any, with no lock held.
    template <typename Call> void Notify(Call&& call) {
        Listener* listener = nullptr;
        std::size_t generation = 0;
        {
            std::lock_guard lock(lock_);
            listener = current_;
            if (listener == nullptr) {
                return;
            }
            generation = generation_ % 2;
            ++calls_[generation];
        }
        call(*listener);
        {
            std::lock_guard lock(lock_);
            --calls_[generation];
        }
        ended_.notify_all();
    }

private:
    std::mutex lock_;
    std::condition_variable ended_;
    Listener* current_ = nullptr;
    std::uint64_t generation_ = 0;
    std::array<int, 2> calls_{};
};

} // namespace kel

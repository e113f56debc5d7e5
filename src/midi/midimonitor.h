// SPDX-License-Identifier: GPL-3.0-or-later
// An input port kept open for listening to a device for as long as the user wants: every
// message it sends, time-stamped, for the monitor window and `kelmap monitor`.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "midi/backend.h"
#include "midi/spscring.h"
#include "model/midiframer.h"

namespace kel {

struct MonitoredMessage {
    double seconds = 0;              // since the listening session began (the first Open)
    std::vector<std::uint8_t> bytes; // one whole message (short, realtime or system exclusive)
};

// An input port kept open for listening, independent of the transfers' CMidiIn: every
// message (short ones with running status resolved, realtime, whole system exclusive, framed
// by the same rules as the transfer input) goes into a bounded queue; a full queue drops and
// counts; the MIDI thread takes no lock and never blocks.
//
// The queue is two of the engine's rings (CSpscRing), filled by the port's thread and allocated
// at construction, so memory stays flat however long the port is open: one record per message
// in arrival order, holding a short message itself, and a smaller ring of whole-size buffers
// for the system-exclusive messages longer than a record holds. Take may be called from any
// thread (one at a time).
class CMidiMonitor : public MidiInputHandler {
public:
    // The longest system-exclusive message kept; longer ones are dropped as overlong.
    static constexpr std::size_t kSysExLimit = 512;

    explicit CMidiMonitor(MidiBackend& backend, std::size_t capacity = 8192);
    ~CMidiMonitor() override;

    CMidiMonitor(const CMidiMonitor&) = delete;
    CMidiMonitor& operator=(const CMidiMonitor&) = delete;

    // Begins a listening session on `port`: the times count from now, nothing heard before is
    // kept and the dropped count starts at 0. Returns 0 or the MidiErr code.
    int Open(int port);
    // Opens `port` again within the session begun by the last Open, after a lost port or a
    // pause: what was heard and not yet taken stays, the times go on counting from the
    // session's start and the dropped count goes on, so the lines of one session never jump
    // back. Without a session it is Open.
    int Reopen(int port);
    void Close();
    bool IsOpen() const;
    // Called when the queue goes from empty to not empty, and when the port is lost (wake-ups
    // that come close together may be told once), on a thread of the monitor's own, so that
    // whatever it does (the editor posts an event, kelmap wakes a condition) never holds up
    // the MIDI thread. Set while the port is closed.
    void SetWake(std::function<void()> wake);
    // The messages that arrived since the last call, oldest first, at most `max`: `out` is
    // replaced by them. Returns their number.
    std::size_t Take(std::vector<MonitoredMessage>& out, std::size_t max = SIZE_MAX);
    std::uint64_t Dropped() const;
    // True once the port went away (its source was removed or the MIDI system stopped).
    bool Lost() const;

    // MidiInputHandler
    void OnLongInput(const std::uint8_t* data, std::size_t count) override;
    void OnPortLost() override;

private:
    // A message as it waits: its bytes here when they fit, else in the next long slot.
    struct Slot {
        static constexpr std::size_t kShort = 8;
        double seconds = 0;
        std::uint32_t length = 0;
        std::array<std::uint8_t, kShort> bytes{};
    };
    struct LongSlot {
        std::array<std::uint8_t, kSysExLimit> bytes{};
    };
    // Empties both rings (on the taking side).
    void DropWaiting();

    int OpenPort(int port);
    void Push(std::span<const std::uint8_t> message, double seconds);
    // Signals the wake thread; takes no lock.
    void Wake();
    void RunWaker(std::stop_token stop, std::uint32_t seen);
    void StopWaker();

    MidiBackend& backend_;
    std::unique_ptr<MidiInputPort> port_;
    std::chrono::steady_clock::time_point opened_{}; // the session's start
    bool session_ = false;
    CMidiFramer framer_{kSysExLimit};

    CSpscRing<Slot> slots_;
    CSpscRing<LongSlot> longSlots_;
    std::atomic<bool> notified_{false}; // a wake went out that no Take has answered yet
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<bool> lost_{false};
    std::mutex takeLock_; // one Take at a time; never taken on the MIDI thread
    std::function<void()> wake_;
    // Changed by every wake-up from the MIDI thread; the wake thread sleeps on it while it is
    // unchanged and then calls wake_. It runs while the port is open.
    std::atomic<std::uint32_t> wakeSignal_{0};
    std::jthread waker_; // last: it ends before the members it uses go
};

} // namespace kel

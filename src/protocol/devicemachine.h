// SPDX-License-Identifier: GPL-3.0-or-later
// The KEL device over time: its memory and modes (CKelDevice), the simulated user who presses
// [ENTER] a while after a mode message, the pace at which it sends its memory, the way its
// messages are written to the line (whole or in pieces) and the foreign traffic it can be told
// to mix in. It has no thread, no clock and no I/O: the host tells it the time with every call
// and sends what it hands back. The built-in virtual device, kel-device-sim and tests in a
// browser are such hosts; they add only their ports and their way of keeping time.
//
// A host's loop: hand every message from the editor to FromEditor, user actions to PressEnter,
// Play, ...; wait until NextDue (or the next message); take what is due with TakeDue and send
// its writes in order. Calls are not synchronized: one host thread, or the host's lock.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "model/controllers.h"
#include "protocol/keldevice.h"

namespace kel {

class CDeviceMachine {
public:
    // The host's time, from an origin of its choosing. It never goes back.
    using Time = std::chrono::microseconds;
    using Message = CKelDevice::Message;

    // The user presses [ENTER] one second after a mode message, and the device sends a bulk
    // message every 10 ms: the first comes before a receive's quiet time (1.5 s) has passed,
    // so the editor never reports a device that is about to answer as silent, and a whole
    // memory takes half a second.
    static constexpr std::chrono::milliseconds kDefaultEnterDelay{1000};
    static constexpr std::chrono::milliseconds kDefaultGap{10};
    // A sweep moves a control through its 128 values one millisecond apart.
    static constexpr std::chrono::milliseconds kSweepStep{1};
    // Foreign traffic is written at about 100 KB a second: a pause this long after each KB.
    static constexpr std::chrono::milliseconds kFloodPause{10};
    static constexpr std::size_t kFloodBurst = 1024;

    struct Timing {
        // How long after a mode message the simulated user presses [ENTER]; with autoEnter
        // off nobody does, and PressEnter is the only way.
        std::chrono::milliseconds enterDelay = kDefaultEnterDelay;
        bool autoEnter = true;
        // The pause before each bulk message the device sends (0: all at once).
        std::chrono::milliseconds gap = kDefaultGap;
    };

    // What foreign traffic among the bulk messages is made of.
    enum FloodKind : unsigned {
        FloodSysex = 1u << 0,    // another maker's system exclusive, 4..120 data bytes, then a
                                 // realtime byte
        FloodLong = 1u << 1,     // another maker's system exclusive, 121..4000 data bytes
        FloodShort = 1u << 2,    // a channel message
        FloodRealtime = 1u << 3, // realtime bytes on their own
        FloodRtInside = 1u << 4, // a system exclusive with realtime bytes written inside it
        FloodSplit = 1u << 5,    // a system exclusive written in pieces
        FloodFragment = 1u << 6, // the start of a system exclusive that never gets its F7
        FloodEndless = 1u << 7,  // once, first: F0 and 8..32 KB of data that never end
        FloodBulkRt = 1u << 8,   // a bulk message written in pieces with realtime bytes between
        FloodAll = (1u << 9) - 1,
    };

    // How the device's messages meet the line.
    struct Line {
        std::size_t chunk = 0;   // bytes per write; 0: every message in one write
        int flood = 0;           // items of foreign traffic among the bulk messages of a sending
        unsigned floodKinds = 0; // FloodKind bits; 0: every kind
        std::uint32_t seed = 1;  // of the flood's random choices
        std::size_t endlessSize = 0; // data bytes of the endless item; 0: 8..32 KB at random
    };

    // What the host is to do or may report, at `at`, in order.
    struct Output {
        enum class Kind {
            Write,        // send `bytes` to the editor, in one write
            Display,      // a mode message changed the display to `text`
            Receiving,    // [ENTER] started a reception
            Received,     // a reception stored `count` bulk messages: the memory is complete
            Transmitting, // [ENTER] started sending `count` messages
            Sent,         // the last of `count` messages of a sending went out
            Ignored,      // a system exclusive of `count` bytes meant nothing to the device
            Played,       // `control` was moved once
            Swept,        // `control` went through all its values
            Streamed,     // `control` was moved over and over; `count` messages went out
        };
        Kind kind = Kind::Write;
        Time at{};
        Message bytes;
        std::string text;
        std::size_t count = 0;
        ControllerId control = kNoController;
    };

    CDeviceMachine();

    // The memory, the mode and the faults of the device itself.
    CKelDevice& Device() { return device_; }
    const CKelDevice& Device() const { return device_; }

    void SetTiming(const Timing& timing) { timing_ = timing; }
    const Timing& GetTiming() const { return timing_; }
    void SetLine(const Line& line);
    const Line& GetLine() const { return line_; }

    // One complete message from the editor. Anything but a system exclusive (clock, active
    // sensing, ...) passes unnoticed. A mode message stops a sending under way and starts the
    // wait for [ENTER] over.
    void FromEditor(Time now, std::span<const std::uint8_t> message);
    // The user presses [ENTER] or [CANCEL]; either replaces the simulated user's press still
    // waiting. [CANCEL] also stops a sending under way.
    void PressEnter(Time now);
    void PressCancel(Time now);
    // The user moves control `id` to `value` (0..127); sweeps it through 0..127; or moves it
    // `rate` times a second for `seconds`, its value going round 0..127. What its assignment
    // sends goes to the editor. One movement at a time: a later one starts when the one before
    // has ended.
    void Play(Time now, ControllerId id, int value);
    void Sweep(Time now, ControllerId id);
    void Stream(Time now, ControllerId id, int rate, int seconds);

    // When the next output is due; none while the device waits for nothing.
    std::optional<Time> NextDue() const;
    // Everything due up to `upTo`, in order.
    std::vector<Output> TakeDue(Time upTo);
    // Nothing is due, now or later: no output waits, no [ENTER] and no sending is pending.
    bool Idle() const;

private:
    // When a pending step is due; `order` keeps steps due at the same time in the order they
    // were planned.
    struct Due {
        Time at{};
        std::uint64_t order = 0;
    };
    struct Write {
        Message bytes;
        bool paced = false;       // foreign traffic: counts towards the pause after each KB
        bool endsMessage = false; // the last write of a bulk message
    };
    struct Sending {
        std::vector<Message> messages;
        std::size_t next = 0; // the message whose writes come next
        std::deque<Write> writes;
        std::vector<std::vector<FloodKind>> floodBefore; // per message, foreign items before it
        std::vector<bool> realtimeInside;                // per message, written in pieces
        std::size_t burst = 0;
        std::size_t endlessLeft = 0; // bytes of the endless item still to write
        std::size_t endlessAt = 0;   // and written
        Due due;
    };
    struct Movement {
        enum class Kind { Play, Sweep, Stream };
        Kind kind = Kind::Play;
        ControllerId control = kNoController;
        int value = 0;          // Play
        int rate = 0;           // Stream: moves a second
        std::int64_t count = 0; // moves in all
        std::int64_t done = 0;
        std::size_t sent = 0;
        Time start{};
        Due due;
    };

    Due Plan(Time at) { return Due{at, order_++}; }
    void Advance(Time upTo);
    void Emit(Output output);
    void Emit(Output::Kind kind, Time at, std::size_t count = 0,
              ControllerId control = kNoController);
    void EnterNow(Time now);
    void StartSending(Time now, std::vector<Message> messages);
    void SendStep();
    void MovementStep();
    void QueueMovement(Time now, Movement movement);
    std::size_t WriteAll(Time at, const std::vector<Message>& messages);
    void QueueWrites(const Message& message, bool paced, std::vector<Write>& into) const;

    // Foreign traffic.
    std::size_t Uniform(std::size_t low, std::size_t high);
    std::uint8_t Realtime();
    std::uint8_t ForeignMaker();
    Message EndlessPiece(Sending& sending);
    Message Sysex(std::size_t data, bool terminated = true);
    std::vector<Message> Pieces(const Message& message, std::size_t most);
    std::vector<Message> WithRealtimeInside(const Message& message);
    std::vector<Message> MakeFlood(FloodKind kind);

    CKelDevice device_;
    Timing timing_;
    Line line_;
    std::mt19937 rng_;
    std::uint64_t order_ = 0;

    std::optional<Due> enter_;
    std::optional<Sending> sending_;
    std::deque<Movement> movements_;
    std::deque<Output> ready_;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's side of a transfer as two state machines, one per direction, without threads,
// clocks or I/O. The host (the editor's MIDI threads, kelmap, the browser) gives each call the
// time of its own steady clock in milliseconds, sends the bytes the machine hands out, feeds it
// the bytes that arrive, and shows the events it returns:
//   - Transmit: the mode message goes out at once; then the queued bulk messages, each due
//     40 ms after the one before it (the first 40 ms after the start); each message the output
//     reports finished counts the progress down; a cancel drops what is still queued.
//   - Receive: the request goes out; the bulk messages that come back (in pieces of any size,
//     among any other traffic) are decoded into the receive's record table and matched to their
//     controls; a control that comes again is rewritten but counted once; a damaged message is
//     counted against the control it addresses when its address can still be read; once the
//     line has been quiet for 1.5 s with controls missing, the receive names them and may ask
//     again (the request once more, what comes then fills the controls still missing); it is
//     complete when every control has arrived.
#pragma once

#include <array>
#include <bitset>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "model/bulk.h"
#include "model/phrase.h"
#include "model/sysexframer.h"

namespace kel {

// A moment on the host's steady clock, in milliseconds since any fixed start.
using TransferTime = std::chrono::milliseconds;

// The first 7 bytes of every bulk message the device sends.
inline constexpr std::array<std::uint8_t, 7> BulkPrefix = {0xF0, 0x41, 0x10, 0x00,
                                                           0x00, 0x1A, 0x12};

// True when `message` begins as a bulk message of the device does.
bool HasBulkPrefix(std::span<const std::uint8_t> message);

// What a receive has got so far: which controls arrived, how many damaged messages came for
// each control (when the address could still be read), and when the last bulk message came.
struct ReceiveStatus {
    // A receive has no time limit, but once no bulk message has come for this long it says
    // what it still waits for.
    static constexpr std::chrono::milliseconds kQuietTime{1500};

    std::bitset<kControllerCount> arrived;
    std::array<int, kControllerCount> damaged{};
    TransferTime lastMessage{}; // the last bulk message, whole or damaged, or the start

    // The controls that have not arrived, in the map's order.
    std::vector<ControllerId> Missing() const;
    // "S4 (1 damaged message), R7, AFT": the missing controls; "" when none is.
    PhraseArg MissingList() const;
    // "Waiting for S4", "Waiting for 3 controls: S4, R7, AFT".
    Phrase Waiting() const;
    // "Not received: S4 (1 damaged message)".
    Phrase NotReceived() const;
    // Some control is missing and no bulk message has come for kQuietTime before `now`.
    bool Quiet(TransferTime now) const;
};

// What one message from the device did to a receive.
struct ReceiveEvent {
    enum class Kind {
        Stored,    // a control arrived for the first time
        Duplicate, // a control that had arrived came again (its record is rewritten)
        Damaged,   // a bulk message failed its checks; `control` when its address was whole
    };
    Kind kind = Kind::Stored;
    ControllerId control = kNoController;
    std::uint32_t address = 0; // the decoded address (the controller in bits 8-15)
    int remaining = 0;         // controls still expected after this message
};

class CReceiveMachine {
public:
    enum class State {
        Idle,      // not started
        Listening, // the request is out: bulk messages are taken
        Complete,  // every expected control has arrived (what comes again is still taken)
        Ended,     // cancelled or stopped: nothing more is taken
    };

    // The longest message the receive frames; longer ones cannot be bulk messages.
    static constexpr std::size_t kMessageLimit = MidiBlock::kCapacity;

    // The bulk messages are decoded into `table`, which must outlive the machine.
    explicit CReceiveMachine(RecordTable& table);

    // Begins a receive of `expected` controls at `now` (the quiet time counts from here) and
    // returns the request for the host to send. The host listens before it sends it: a device
    // may answer at once.
    std::span<const std::uint8_t> Start(TransferTime now, int expected = kControllerCount);
    // The request once more, for a receive that has gone quiet; what arrives then fills the
    // controls still missing. Empty when the receive is not listening.
    std::span<const std::uint8_t> AskAgain(TransferTime now);
    // Bytes from the input as they come (any piece of the stream): frames them and handles
    // every whole message, appending what each did to `events`.
    void OnBytes(std::span<const std::uint8_t> bytes, TransferTime now,
                 std::vector<ReceiveEvent>& events);
    // One whole system-exclusive message (F0 ... F7). Messages of other makers and short
    // messages are skipped; nothing is taken before Start or after the end.
    std::optional<ReceiveEvent> OnMessage(std::span<const std::uint8_t> message, TransferTime now);
    // Cancel (or the input stopped): nothing more is taken.
    void End();

    State GetState() const { return state_; }
    bool Listening() const { return state_ == State::Listening || state_ == State::Complete; }
    bool Complete() const { return state_ == State::Complete; }
    int Remaining() const { return remaining_; }
    // Bulk messages decoded so far, repeated ones included.
    int Decoded() const { return decoded_; }
    // The address of the last decoded bulk message.
    std::uint32_t LastAddress() const { return lastAddress_; }
    // Whole messages that were not bulk messages of the device.
    std::uint64_t Foreign() const { return foreign_; }
    // How many times the request went out again, and when it last did.
    int Asks() const { return asks_; }
    std::optional<TransferTime> AskedAt() const { return askedAt_; }
    const ReceiveStatus& Status() const { return status_; }
    bool Quiet(TransferTime now) const { return Listening() && status_.Quiet(now); }

private:
    RecordTable& table_;
    State state_ = State::Idle;
    ReceiveStatus status_;
    int remaining_ = 0;
    int decoded_ = 0;
    std::uint32_t lastAddress_ = 0;
    std::uint64_t foreign_ = 0;
    int asks_ = 0;
    std::optional<TransferTime> askedAt_;
    CSysExFramer framer_{kMessageLimit};
};

class CTransmitMachine {
public:
    using Message = std::vector<std::uint8_t>;

    // The pause before each bulk message: the device stores one message before the next comes.
    static constexpr std::chrono::milliseconds kInterval{40};

    // The message that puts the device into Bulk Receive mode; it goes out at once, before the
    // user is asked to ready the device.
    static std::span<const std::uint8_t> ModeMessage();
    // The 50 bulk messages of `records`, in controller order.
    static std::vector<Message> BulkMessages(const RecordTable& records);

    // The pause between two messages (kInterval unless changed: a test that does not measure
    // the pacing shortens it).
    void SetInterval(std::chrono::milliseconds interval) { interval_ = interval; }
    std::chrono::milliseconds Interval() const { return interval_; }
    // Adds a message behind those queued.
    void Queue(Message message);
    // Pacing begins at `now`: the head falls due one interval later.
    void Start(TransferTime now);
    // How many finished messages the progress counts down (the 50 bulk messages of a map).
    void Expect(int count) { remaining_ = count; }
    // When the head falls due; none while nothing is queued, before Start or after Cancel.
    std::optional<TransferTime> NextDue() const;
    // The head once it is due at `now`; the next falls due one interval after `now`.
    std::optional<Message> Take(TransferTime now);
    // The head at once, unpaced (the mode message, the request).
    std::optional<Message> TakeNow();
    // The output reported one message finished: the count still to go (below 0 when more
    // messages finished than were counted).
    int Sent() { return --remaining_; }
    // Drops what is queued and stops the pacing.
    void Cancel();
    // Drops what is queued (after a message sent at once, the rest is not wanted).
    void DropQueue() { queue_.clear(); }

    bool Started() const { return started_; }
    int Remaining() const { return remaining_; }
    std::size_t Queued() const { return queue_.size(); }
    // Every counted message has been reported finished.
    bool Complete() const { return started_ && remaining_ <= 0 && queue_.empty(); }

private:
    std::deque<Message> queue_;
    bool started_ = false;
    TransferTime due_{};
    std::chrono::milliseconds interval_ = kInterval;
    int remaining_ = 0;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The KEL device as the editor meets it over MIDI: a memory of 50 assign records that answers
// the two mode messages. After the transmit mode message ("RS" on its display) and the user's
// [ENTER] it stores every valid bulk message it receives; after the receive mode message ("TS")
// and [ENTER] it sends its 50 records as bulk messages. The device machine
// (protocol/devicemachine) puts it in time: the simulated user's [ENTER], the pace of its
// sending, the line. Its own lock lets any thread read and change the memory and the faults
// while a host drives it.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <string_view>
#include <vector>

#include "model/bulk.h"

namespace kel {

class CKelDevice {
public:
    enum class State {
        Idle,
        ReceiveStandby,  // "RS": waits for [ENTER] to take a bulk reception
        Receiving,       // stores the bulk messages that arrive
        TransmitStandby, // "TS": waits for [ENTER] to send its memory
    };

    // What a message or a key press led to, so the host can react (press [ENTER] for the
    // user, save the memory, ...).
    enum class Event {
        None,
        AwaitingEnter,   // a mode message put the device into a standby state
        RecordStored,    // a bulk message was stored
        ReceiveComplete, // the 50th bulk message of a reception was stored
        TransmitStarted, // [ENTER] in "TS": the returned messages are to be sent
        ReceiveStarted,  // [ENTER] in "RS"
        Ignored,
    };

    // Deliberate misbehaviour, to try the editor against a faulty device or line.
    struct Faults {
        int dropController = -1;          // not sent at all
        int badChecksumController = -1;   // sent with a wrong checksum
        int alterController = -1;         // sent with a record that differs from the memory
        int duplicateController = -1;     // sent twice
        int ignoreReceiveController = -1; // not stored when received
        bool twinCodes = false;           // records with a base code go out with its twin
        int foreignEvery = 0; // another maker's system exclusive before every Nth bulk (0: none)
        int stopAfter = -1;   // only the first N messages go out (-1: all)
        // The faults hit the first sending of the memory only, as a line disturbed once: asked
        // again, the device sends its memory whole.
        bool firstSendingOnly = false;
    };

    using Message = std::vector<std::uint8_t>;

    // The system-exclusive message sent between bulk messages by the foreign-message fault:
    // another manufacturer's message, as other gear on the same line might send.
    static const Message& ForeignMessage();

    CKelDevice();

    // Handles one complete message from the editor.
    Event OnMessage(std::span<const std::uint8_t> message);
    // The user presses [ENTER]. In "TS" the device's 50 bulk messages are returned in
    // `outgoing`, in controller order, for the host to send.
    Event PressEnter(std::vector<Message>& outgoing);
    // The user presses [CANCEL]: back to idle.
    void PressCancel();

    State GetState() const;
    // What the display shows: "RS", "TS", "--" while receiving, "" when idle.
    std::string_view Display() const;
    // Valid bulk messages stored since the reception began.
    int ReceivedCount() const;

    // The messages the control `id` sends from the memory when the user moves it to `value`
    // (0..127): its data, channel and checksum bytes filled in. None for an id outside 0..49
    // and for controls without a message.
    std::vector<Message> Play(ControllerId id, int value) const;

    RecordTable Memory() const;
    void SetMemory(const RecordTable& memory);
    void SetFaults(const Faults& faults);

    // The 50 bulk messages of `memory`, as the device sends them, with `faults` applied.
    static std::vector<Message> BuildTransmission(const RecordTable& memory, const Faults& faults);

private:
    mutable std::mutex lock_;
    State state_ = State::Idle;
    RecordTable memory_{};
    Faults faults_;
    int received_ = 0;
};

std::string_view StateName(CKelDevice::State state);

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// Incoming MIDI messages seen from the control map: a message in words, the controls whose
// assignment sends it, and an assignment learnt from a message. Also what a control sends when
// it is played with a value, computed the way the device fills in the data, channel and
// checksum bytes of its message templates.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/assign.h"
#include "model/controllers.h"
#include "model/phrase.h"

namespace kel {

// The message in words: "CC 74 = 63, ch 2", "Note On 60 vel 100, ch 1", "Note Off 60, ch 1",
// "Program 5, ch 1", "Pitch Bend 8192, ch 1", "Poly Pressure 60 = 10, ch 1",
// "Channel Pressure 10, ch 1", "Start"/"Stop"/"Continue"/"Clock"/..., "SysEx 12 bytes".
// Channels are shown 1-16 and numbers as the assign dialog shows them (programs 1-128).
// DescribeMidiMessage is the English text of MidiMessagePhrase.
Phrase MidiMessagePhrase(std::span<const std::uint8_t> message);
std::string DescribeMidiMessage(std::span<const std::uint8_t> message);

// The controls of `map` whose assignment sends `message` when played, in control order:
// kind, channel, number (and the port when `port` >= 0: 0-based output port of the device),
// for System Ex./Free messages the stored template with its data, checksum and channel
// positions as wildcards (a message matching the template with a valid checksum matches).
// Without the messages before it a data entry, increment or decrement names every RPN and NRPN
// control of its channel; CHeardMatcher names the one whose parameter is selected.
std::vector<ControllerId> ControlsSending(const ControlMap& map,
                                          std::span<const std::uint8_t> message, int port = -1);

// What the monitor names for one message it heard.
struct HeardMatch {
    std::vector<ControllerId> controls; // in control order
    // The message is a data entry, increment or decrement on a channel where no RPN or NRPN
    // has been selected since listening began: it belongs to no parameter known.
    bool parameterNotSelected = false;
};

// The controls that sent each message of a stream heard in order. Data entry (CC 6/38) and
// data increment/decrement (CC 96/97) carry no parameter number: they belong to the parameter
// last selected on their channel (CC 99/98 select an NRPN, CC 101/100 an RPN), so of the RPN
// and NRPN controls only the one of that parameter is named for them. Every other message is
// named as ControlsSending names it. One matcher per input, fed every message it hears.
class CHeardMatcher {
public:
    HeardMatch Hear(const ControlMap& map, std::span<const std::uint8_t> message, int port = -1);
    // Forgets every channel's selected parameter, as when listening starts again.
    void Reset();

private:
    struct Selection {
        int kind = -1; // KindRpn, KindNrpn, or -1 before any selection
        int msb = -1;  // -1 until its number arrives
        int lsb = -1;
    };
    std::array<Selection, 16> selected_{};
};

// True when the assignment `record` sends `message` (one control of ControlsSending).
bool RecordSends(const AssignRecord& record, std::span<const std::uint8_t> message, int port = -1);

// A channel message (note on/off, CC, program change, pitch bend, channel or poly pressure)
// turned into an assignment of that kind, channel and number with the kind's default range,
// written into `record` (other settings of `record` - port, button mode, comment - left as
// they are). Pitch bend has no channel kind of its own: it becomes a Free Message sending the
// bend's MSB as its data byte on the message's channel. false, and `record` untouched, for
// anything else.
bool LearnAssignment(std::span<const std::uint8_t> message, AssignRecord& record);

// The checksum byte the device writes over `bytes` (the bytes from the checksum start up to
// the checksum byte) for checksum kind 1 or 2: kind 1 makes the low 7 bits of the bytes plus
// the checksum add up to 0, as in the device's own bulk messages; kind 2 is the low 7 bits of
// their sum.
std::uint8_t TemplateChecksum(int kind, std::span<const std::uint8_t> bytes);

// The messages the assignment `record` sends when its control is played with `value` (0..127),
// each one whole message, appended to `out`; `channel` (0..15) fills a System Ex./Free
// channel marker. Returns the number of messages appended: 0 for NO ASSIGN, Tempo (it sets the
// device's own tempo) and invalid records. Program Change - Dec/- Inc have no program of their
// own: they send `value` as the program on channel 1.
std::size_t MessagesOfControl(const AssignRecord& record, int value, int channel,
                              std::vector<std::vector<std::uint8_t>>& out);

} // namespace kel

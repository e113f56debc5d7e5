// SPDX-License-Identifier: GPL-3.0-or-later
// The names musicians know the numbers of MIDI messages by: controller numbers, registered
// parameter numbers, notes and General MIDI programs. Shown beside the numbers; the panel's
// labels and the HTML list keep the numbers alone.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/assign.h"

namespace kel {

// The MIDI 1.0 name of controller number 0..127 ("Modulation", "Brightness", "Sustain"); empty
// for the numbers the table leaves undefined and for numbers outside 0..127.
std::string_view ControllerNumberName(int number);

// The controller numbers whose name contains `text` (case-insensitive for ASCII), whose number
// is `text`, or whose number and a part of its name are `text` as a list shows them ("74 Bri"),
// in number order: "bri" finds 74, "vol" finds 7 and 39.
std::vector<int> FindControllerNumbers(std::string_view text);

// The controller numbers a sequence of controls should not be given: Bank Select and Data
// Entry with their LSBs (0, 6, 32, 38), the data increment/decrement and parameter number
// controllers (96-101) and the channel mode messages (120-127). Sending one of them from a
// knob changes what other messages mean.
bool IsReservedControllerNumber(int number);

// Numbers a row of controls: START, START+STEP, ... in the row's order.
struct NumberSequence {
    int start = 0;
    int step = 1;
    bool skipReserved = false; // pass over IsReservedControllerNumber
};

// The numbers of `count` controls in a row. A reserved number is passed over by further steps
// (with a step of 0 it stays); the numbers are counted without wrapping, so a row that runs out
// of 0..127 ends in numbers outside it (at most a million away) for the caller to refuse.
std::vector<int> SequenceNumbers(const NumberSequence& sequence, std::size_t count);

// The name of registered parameter MSB/LSB ("Pitch Bend Sensitivity" for 0/0); empty when the
// pair has none.
std::string_view RpnName(int msb, int lsb);

// Which octave note 60 (middle C) is numbered in.
enum class MiddleC { C3, C4 };

// "C3", "F#-2", "G8" for notes 0..127 (with middle C in octave 3 by default); empty outside.
std::string NoteName(int note, MiddleC middleC = MiddleC::C3);

// The General MIDI name of program 1..128 as shown ("Acoustic Grand Piano" for 1); empty
// outside.
std::string_view GmProgramName(int shownProgram);

// The name of the number a channel message carries: the controller of a control change, the
// note of a note on/off or poly pressure, the General MIDI program of a program change; empty
// for other messages and numbers without a name.
std::string MessageNumberName(std::span<const std::uint8_t> message, MiddleC middleC = MiddleC::C3);

// The names of the numbers a record's label shows, in the order of its values, joined by ", ":
// "Brightness" for CC 74, "C3" for note 60, "Pitch Bend Sensitivity" for RPN 0/0, the program's
// name for a program change or bank and program. Empty when none of its numbers has a name.
std::string RecordNumberNames(const AssignRecord& record, MiddleC middleC = MiddleC::C3);

} // namespace kel

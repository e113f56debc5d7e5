// SPDX-License-Identifier: GPL-3.0-or-later
// The 50 physical controls of a KEL device: their ids, names and what each can do.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/phrase.h"

namespace kel {

using ControllerId = int; // 0..49; -1 means none

inline constexpr int kControllerCount = 50;
inline constexpr ControllerId kNoController = -1;

// First ids of each group of controls.
inline constexpr ControllerId kFirstKnob = 0;     // R1..R9
inline constexpr ControllerId kFirstSlider = 9;   // S1..S9
inline constexpr ControllerId kFirstButtonA = 18; // A1..A9
inline constexpr ControllerId kFirstButtonB = 27; // B1..B9
inline constexpr ControllerId kFirstButtonC = 36; // C1..C3
inline constexpr ControllerId kFirstButtonH = 39; // H1..H2
inline constexpr ControllerId kFirstButtonL = 41; // L1..L4
inline constexpr ControllerId kPedal1 = 45;
inline constexpr ControllerId kPedal2 = 46;
inline constexpr ControllerId kBend = 47;
inline constexpr ControllerId kMod = 48;
inline constexpr ControllerId kAft = 49;

constexpr bool IsValidController(ControllerId id) {
    return id >= 0 && id < kControllerCount;
}

// "R1", "S9", "BEND", ...; empty for an id outside 0..49.
std::string_view ControllerName(ControllerId id);

// The id whose name is `name` (exact, upper case), or -1.
ControllerId FindController(std::string_view name);

// The controls of a list of names and ranges in the panel's naming order, separated by commas:
// "R1-R8", "S1,S3,S5", "A1-A9,B1-B9", "R1-AFT". A name given twice, an unknown name or a range
// running backwards is refused: the result is empty and `error` tells which (a Phrase).
std::vector<ControllerId> ParseControlList(std::string_view text, Phrase& error);

// The shortest list text of `ids` in that form: "R1-R8,S1".
std::string ControlListText(std::span<const ControllerId> ids);

// The controls from `a` to `b` in the panel's reading order, both included, whichever comes
// first; empty when either is not a control.
std::vector<ControllerId> ControlsBetween(ControllerId a, ControllerId b);

// The group control `id` belongs to on the panel: the knobs R, the sliders S, the A row, the B
// row, the C, H and L buttons, the pedals, and BEND, MOD and AFT; empty for an invalid id.
std::vector<ControllerId> ControlGroupOf(ControllerId id);

// The three capability sets that depend on the control alone.
bool HasButtonMode(ControllerId id);  // 18..38 and 41..45
bool HasAftMode(ControllerId id);     // 18..35
bool HasCenterClick(ControllerId id); // 0..17

} // namespace kel

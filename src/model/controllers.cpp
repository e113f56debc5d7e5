// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/controllers.h"

#include <array>

namespace kel {
namespace {

constexpr std::array<std::string_view, kControllerCount> kNames = {
    "R1", "R2", "R3",   "R4",  "R5", "R6", "R7", "R8", "R9", //
    "S1", "S2", "S3",   "S4",  "S5", "S6", "S7", "S8", "S9", //
    "A1", "A2", "A3",   "A4",  "A5", "A6", "A7", "A8", "A9", //
    "B1", "B2", "B3",   "B4",  "B5", "B6", "B7", "B8", "B9", //
    "C1", "C2", "C3",   "H1",  "H2", "L1", "L2", "L3", "L4", //
    "P1", "P2", "BEND", "MOD", "AFT"};

} // namespace

std::string_view ControllerName(ControllerId id) {
    return IsValidController(id) ? kNames[static_cast<std::size_t>(id)] : std::string_view{};
}

ControllerId FindController(std::string_view name) {
    for (int id = 0; id < kControllerCount; ++id) {
        if (kNames[static_cast<std::size_t>(id)] == name) {
            return id;
        }
    }
    return kNoController;
}

bool HasButtonMode(ControllerId id) {
    return (id >= kFirstButtonA && id < kFirstButtonH) || (id >= kFirstButtonL && id <= kPedal1);
}

bool HasAftMode(ControllerId id) {
    return id >= kFirstButtonA && id < kFirstButtonC;
}

bool HasCenterClick(ControllerId id) {
    return id >= kFirstKnob && id < kFirstButtonA;
}

} // namespace kel

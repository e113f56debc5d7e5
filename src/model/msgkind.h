// SPDX-License-Identifier: GPL-3.0-or-later
// What kind of MIDI message a message is, and on which channel, as the monitor sorts the
// messages it hears.
#pragma once

#include <cstdint>
#include <vector>

namespace kel {

// The kinds the monitor can be narrowed to.
enum class MonitorKind {
    All,
    Note,
    ControlChange,
    ProgramChange,
    PitchBend,
    Pressure,
    SystemEx,
    System
};

// The kind of a message, and its channel (0-15; -1 for a message without one).
MonitorKind MonitorKindOf(const std::vector<std::uint8_t>& bytes);
int MonitorChannelOf(const std::vector<std::uint8_t>& bytes);

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/msgkind.h"

namespace kel {

MonitorKind MonitorKindOf(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) {
        return MonitorKind::System;
    }
    switch (bytes[0] & 0xF0) {
    case 0x80:
    case 0x90:
        return MonitorKind::Note;
    case 0xA0:
    case 0xD0:
        return MonitorKind::Pressure;
    case 0xB0:
        return MonitorKind::ControlChange;
    case 0xC0:
        return MonitorKind::ProgramChange;
    case 0xE0:
        return MonitorKind::PitchBend;
    default:
        return bytes[0] == 0xF0 ? MonitorKind::SystemEx : MonitorKind::System;
    }
}

int MonitorChannelOf(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || bytes[0] < 0x80 || bytes[0] >= 0xF0) {
        return -1;
    }
    return bytes[0] & 0x0F;
}

} // namespace kel

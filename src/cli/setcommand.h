// SPDX-License-Identifier: GPL-3.0-or-later
// The "set" command of kelmap: one control changed the way the assign dialog changes it.
#pragma once

#include <string>
#include <vector>

#include "model/parameter.h"

namespace kel::cli {

struct SetRequest {
    std::string control;             // "R1", "BEND", ...
    std::string kind;                // "note", "cc", "sysex", ...
    std::vector<std::string> values; // as the user sees them
    std::string channel, port, button, aft, centerClick, comment, dataType, min, max;
    bool hasComment = false;
};

// Selects the control, chooses the kind with its defaults, applies the given fields through the
// setters and commits. Returns an empty text on success, otherwise what was refused (the
// document's map is then unchanged).
std::string ApplySet(CParameter& document, const SetRequest& request);

} // namespace kel::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// The "set" command of kelmap: one control changed the way the assign dialog changes it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/controllers.h"
#include "model/midinames.h"
#include "model/parameter.h"

namespace kel::cli {

struct SetRequest {
    std::string control;             // "R1", "BEND", or a list of names and ranges: "R1-R8,S1"
    std::string kind;                // "note", "cc", "sysex", ...
    std::vector<std::string> values; // as the user sees them
    std::string channel, port, button, aft, centerClick, comment, dataType, min, max;
    bool hasComment = false;
    std::optional<NumberSequence> fill; // --fill, --skip-reserved
};

// Without a KIND: sets --channel, --port, --button, --min, --max and the --fill numbers on every
// listed control that has the field, keeping each control's kind and other values. Returns an
// empty text on success, otherwise what was refused (the map then unchanged); `warnings` gets
// what the map check finds about the changed controls afterwards (two controls sending alike).
std::string ApplyFieldEdit(CParameter& document, const SetRequest& request,
                           std::vector<std::string>& warnings);

// "START" or "START:STEP" of --fill; nullopt when it is not that.
std::optional<NumberSequence> ParseFill(std::string_view text);

// For each listed control: selects it, chooses the kind with its defaults, applies the given
// fields (and its number of the fill) through the setters and commits. Returns an empty text on
// success, otherwise what was refused, naming the control when several are listed (the
// document's map is then unchanged, whichever control refused).
std::string ApplySet(CParameter& document, const SetRequest& request);

// Makes "set" and "merge" runs on one map take turns, so that parallel changes all land instead
// of the last save undoing the others: an exclusive advisory lock (flock), held from construction
// to destruction, on a file in the user's runtime folder ($XDG_RUNTIME_DIR, else a folder of this
// user's own under /tmp that only this user may use) whose name is a hash of the map's real
// folder and name. Links to one map share its lock. Nothing is placed beside the map.
//
// Only a map that can be written is locked: a regular file this process may write (through
// links). For anything else (no such file, a folder, a FIFO, a socket, a device) nothing is
// held and the load or save that follows reports the failure. When no lock file can be made
// (no usable runtime folder), nothing is held either and a single run works as ever.
// Lock files stay: removing one would let a process that has just opened it lock a file that
// is gone while another locks a new one.
class MapLock {
public:
    explicit MapLock(const std::filesystem::path& map);
    ~MapLock();
    MapLock(const MapLock&) = delete;
    MapLock& operator=(const MapLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace kel::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// The lists of MIDI port names the user chooses from, one per direction, in the order the
// system numbers the ports. Ports are always identified by their names; a list is built afresh
// whenever it is needed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "midi/backend.h"

namespace kel {

// Longest port name kept: names are stored in 32-byte fields (31 characters and a terminator).
inline constexpr std::size_t kDeviceNameLimit = 31;

// `name` cut to at most 31 bytes, never in the middle of a UTF-8 character.
std::string CutDeviceName(std::string_view name);

class CMidiDevList {
public:
    int GetCount() const { return static_cast<int>(entries_.size()); }
    bool IsEmpty() const { return entries_.empty(); }
    // The name at `position`; empty outside the list.
    std::string GetAt(int position) const;
    // The position of the first name equal to `name` (exact, case-sensitive), or -1.
    int Find(std::string_view name) const;
    // The system's number of the port at `position`, or -1 outside the list. It differs from
    // the position when a port before it could not be described and was left out.
    int PortNumber(int position) const;

protected:
    CMidiDevList() = default;
    // Appends the ports of one direction: the name of each port 0..count-1, cut to 31 bytes;
    // a port whose name cannot be read is skipped.
    template <typename Count, typename Name> void Build(Count count, Name name);

private:
    struct Entry {
        std::string name;
        int port;
    };
    std::vector<Entry> entries_;
};

// The input ports of `backend`.
class CMidiInDev : public CMidiDevList {
public:
    explicit CMidiInDev(MidiBackend& backend);
};

// The output ports of `backend`.
class CMidiOutDev : public CMidiDevList {
public:
    explicit CMidiOutDev(MidiBackend& backend);
};

} // namespace kel

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
#include "model/phrase.h"

namespace kel {
class Reporter;
}

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

// The port every ALSA sequencer offers, whether or not a device is connected.
bool IsThroughPort(std::string_view name);

// Which port of a list to use for the name the user chose (empty: none chosen yet). A chosen
// port that is listed is used. Otherwise, when the list holds exactly one device's port (the
// ALSA through port, a loop back into the computer, does not count), that one is used: a user
// with one device never has to choose it, and a device that came back under another name is
// found again. Otherwise there is none to use.
struct PortChoice {
    enum class How {
        Chosen,    // the chosen port is listed
        OnlyPort,  // none chosen, or the chosen one is gone: the only port listed
        NotChosen, // none chosen, and not exactly one port listed
        Gone,      // the chosen port is not listed, and not exactly one port listed
    };
    How how = How::NotChosen;
    // The port to use (Chosen, OnlyPort), or the chosen port that is gone (Gone).
    std::string name;
    bool Usable() const { return how == How::Chosen || how == How::OnlyPort; }
};
PortChoice ChoosePort(const CMidiDevList& list, std::string_view chosen);

// "The MIDI input "X" is chosen: it is the only one listed." (or output).
Phrase OnlyPortPhrase(bool input, std::string_view name);
// Tells `reporter` that there is no port to use for `chosen` (the name sought, empty when none
// was chosen): which port is not there, or that none has been selected.
void ReportNoPort(Reporter& reporter, bool input, std::string_view chosen);

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The system's MIDI ports through RtMidi: ALSA inputs and outputs, and what the back end shares
// with them (RtMidi's error reports, the quieting of the libraries below it).
#pragma once

#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <memory>
#include <string>

#include "midi/backend.h"
#include "midi/rtmidi/rtmidibackend.h"

namespace kel {

// Collects RtMidi's reports instead of letting it print them or throw.
struct ErrorSink {
    bool failed = false;
    RtMidiError::Type type = RtMidiError::UNSPECIFIED;

    static void Report(RtMidiError::Type type, const std::string&, void* user) {
        auto* sink = static_cast<ErrorSink*>(user);
        if (sink == nullptr || type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING) {
            return; // RtMidi goes on after a warning
        }
        sink->failed = true;
        sink->type = type;
    }
    void Clear() { failed = false; }
    // The code shown in "(%d)": RtMidi's error type, never 0.
    int Code() const { return std::max(1, static_cast<int>(type)); }
};

// The code of an RtMidi exception, as shown in "(%d)": never 0.
int CodeOf(const RtMidiError& error);

RtMidi::Api RtApi(MidiApi api);

// The libraries below RtMidi print their own complaints; the editor reports failures itself.
// Silences them, once for the program.
void QuietLibraries();

// Opens the system's port `systemIndex`, which must still be named `systemName` (ports come and
// go between list and open), as the client `clientName`. 0 with `opened` set, or an error code.
int OpenRtInput(MidiApi api, const std::string& clientName, unsigned systemIndex,
                const std::string& systemName, MidiInputHandler& handler,
                std::unique_ptr<MidiInputPort>& opened);
int OpenRtOutput(MidiApi api, const std::string& clientName, unsigned systemIndex,
                 const std::string& systemName, MidiOutputHandler& handler,
                 std::unique_ptr<MidiOutputPort>& opened);

} // namespace kel

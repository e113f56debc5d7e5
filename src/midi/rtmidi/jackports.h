// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's own JACK ports, one JACK client each: an output whose process callback reads a
// lock-free queue, and an input whose process callback hands each event on as it comes. They
// exist only when the program is built with JACK.
#pragma once

#include <memory>
#include <string>

#include "midi/backend.h"

namespace kel {

// Opens a client `clientName` with the port "In" and connects the output port `source` (a full
// JACK port name) to it. 0 with `opened` set, or an error code; nothing stays open on failure.
int OpenJackInput(const std::string& clientName, const std::string& source,
                  MidiInputHandler& handler, std::unique_ptr<MidiInputPort>& opened);
// Opens a client `clientName` with the port "Out" and connects it to the input port `target`.
int OpenJackOutput(const std::string& clientName, const std::string& target,
                   MidiOutputHandler& handler, std::unique_ptr<MidiOutputPort>& opened);
// Whether a JACK server is running; never starts one.
bool JackServerRunning();

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's own JACK ports, one JACK client each: an output whose process callback reads a
// lock-free queue, and an input whose process callback hands each event on as it comes. They
// exist only when the program is built with JACK. All the program's JACK clients are opened and
// closed in one place: once a client has heard its server stop, JACK's library frees every client
// of the process at the next open, so the clients of a stopped server are closed before any other
// client is opened, and their owners find them closed.
#pragma once

#include <memory>
#include <string>
#include <vector>

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
// Keeps JACK's error and information messages off the terminal.
void QuietJack();

// The JACK ports the editor's ports can be connected to, listed through a JACK client kept open
// for listing. A JACK server may stop and start again while the program runs: the client hears
// its server go (JACK's shutdown notice) and the next listing, or any other client opened before
// it, closes it; the listing then opens a new one on the server running then. Used by one
// thread at a time.
class CJackPortList {
public:
    // `clientName`: the name the listing client shows in JACK.
    explicit CJackPortList(std::string clientName);
    ~CJackPortList();
    CJackPortList(const CJackPortList&) = delete;
    CJackPortList& operator=(const CJackPortList&) = delete;

    // The full names of the MIDI ports that can send to an input of ours (`sources`), or that
    // an output of ours can send to. False, with no names, when no JACK server is running.
    bool List(bool sources, std::vector<std::string>& names);

private:
    struct Listener;
    void Drop();

    std::string clientName_;
    std::unique_ptr<Listener> listener_;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// MIDI ports of the system through RtMidi: the ALSA sequencer or a JACK server. A MIDI system
// that is not there (no sequencer device, no JACK server running) simply has no ports; nothing
// is printed and start-up never waits for it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "midi/backend.h"
#include "midi/midisystems.h"

class RtMidiIn;
class RtMidiOut;

namespace kel {

class CJackPortList;

enum class MidiApi { Alsa, Jack };

class CRtMidiBackend : public MidiBackend {
public:
    // `clientName` is how the editor's ports show in the MIDI system.
    explicit CRtMidiBackend(MidiApi api, std::string clientName = "KEL Editor");
    ~CRtMidiBackend() override;

    CRtMidiBackend(const CRtMidiBackend&) = delete;
    CRtMidiBackend& operator=(const CRtMidiBackend&) = delete;

    MidiApi Api() const { return api_; }
    // Whether the MIDI system answered the last enumeration.
    bool Available() const { return available_; }

    int InputPortCount() override;
    bool InputPortName(int port, std::string& name) override;
    int OutputPortCount() override;
    bool OutputPortName(int port, std::string& name) override;
    int OpenInput(int port, MidiInputHandler& handler,
                  std::unique_ptr<MidiInputPort>& opened) override;
    int OpenOutput(int port, MidiOutputHandler& handler,
                   std::unique_ptr<MidiOutputPort>& opened) override;

    // The name a port of the system is listed under: ALSA's client and port numbers, which
    // change from one session to the next, are left out so a stored name keeps matching.
    static std::string ListedName(MidiApi api, const std::string& systemName);

private:
    struct Port {
        unsigned systemIndex;
        std::string systemName;
        std::string name;
    };

    bool EnsureEnumerators();
    std::vector<Port> Enumerate(bool input);
    std::vector<Port> EnumerateJack(bool input);
    // Whether `systemName` is a port of the editor's own clients, which are not offered.
    bool OwnPort(const std::string& systemName) const;

    MidiApi api_;
    std::string clientName_;
    bool available_ = false;
    // ALSA's ports are listed through RtMidi; JACK's through a client of our own, which is
    // replaced when its server has gone.
    std::unique_ptr<RtMidiIn> inputEnumerator_;
    std::unique_ptr<RtMidiOut> outputEnumerator_;
    std::unique_ptr<CJackPortList> jackPorts_;
    std::vector<Port> inputs_;
    std::vector<Port> outputs_;
};

// Whether the MIDI system of `api` can be reached at all, without printing anything.
bool MidiSystemReachable(MidiApi api);
// The same for a system CMidiSystems offers (the built-in device always is).
bool MidiSystemReachable(MidiSystem system);

// Creates the ALSA and JACK back ends for CMidiSystems, whose ports show in the MIDI system as
// those of the client `clientName`.
CMidiSystems::Factory MidiSystemFactory(std::string clientName = "KEL Editor");

} // namespace kel

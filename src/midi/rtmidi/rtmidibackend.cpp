// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/rtmidi/rtmidibackend.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

#ifdef KEL_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

#include "midi/rtmidi/jackports.h"
#include "midi/rtmidi/rtports.h"

namespace kel {

bool MidiSystemReachable(MidiApi api) {
    QuietLibraries();
    if (api == MidiApi::Alsa) {
#ifdef KEL_HAVE_ALSA
        snd_seq_t* seq = nullptr;
        if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0) {
            return false;
        }
        snd_seq_close(seq);
        return true;
#else
        return access("/dev/snd/seq", R_OK | W_OK) == 0;
#endif
    }
#ifdef KEL_HAVE_JACK
    // Never starts a server: a missing one only means there are no JACK ports.
    return JackServerRunning();
#else
    return false;
#endif
}

bool MidiSystemReachable(MidiSystem system) {
    return system == MidiSystem::Virtual ||
           MidiSystemReachable(system == MidiSystem::Jack ? MidiApi::Jack : MidiApi::Alsa);
}

CMidiSystems::Factory MidiSystemFactory(std::string clientName) {
    return [clientName = std::move(clientName)](MidiSystem system) {
        return std::make_unique<CRtMidiBackend>(
            system == MidiSystem::Jack ? MidiApi::Jack : MidiApi::Alsa, clientName);
    };
}

CRtMidiBackend::CRtMidiBackend(MidiApi api, std::string clientName)
    : api_(api), clientName_(std::move(clientName)) {}

CRtMidiBackend::~CRtMidiBackend() = default;

std::string CRtMidiBackend::ListedName(MidiApi api, const std::string& systemName) {
    if (api != MidiApi::Alsa) {
        return systemName;
    }
    // "client:port name 20:0" -> "client:port name"
    const auto blank = systemName.rfind(' ');
    if (blank == std::string::npos) {
        return systemName;
    }
    const std::string tail = systemName.substr(blank + 1);
    const auto colon = tail.find(':');
    const auto digits = [](const std::string& s) {
        return !s.empty() && std::all_of(s.begin(), s.end(),
                                         [](unsigned char c) { return std::isdigit(c) != 0; });
    };
    if (colon == std::string::npos || !digits(tail.substr(0, colon)) ||
        !digits(tail.substr(colon + 1))) {
        return systemName;
    }
    return systemName.substr(0, blank);
}

bool CRtMidiBackend::EnsureEnumerators() {
    if (inputEnumerator_ && outputEnumerator_) {
        return true;
    }
    if (!MidiSystemReachable(api_)) {
        return false;
    }
    try {
        auto in = std::make_unique<RtMidiIn>(RtApi(api_), clientName_);
        auto out = std::make_unique<RtMidiOut>(RtApi(api_), clientName_);
        in->setErrorCallback(&ErrorSink::Report, nullptr);
        out->setErrorCallback(&ErrorSink::Report, nullptr);
        inputEnumerator_ = std::move(in);
        outputEnumerator_ = std::move(out);
    } catch (const RtMidiError&) {
        return false;
    }
    return true;
}

bool CRtMidiBackend::OwnPort(const std::string& systemName) const {
    return systemName.rfind(clientName_ + ":", 0) == 0 ||
           systemName.rfind(clientName_ + "-", 0) == 0;
}

std::vector<CRtMidiBackend::Port> CRtMidiBackend::EnumerateJack(bool input) {
    std::vector<Port> ports;
    QuietLibraries();
    if (!jackPorts_) {
        jackPorts_ = std::make_unique<CJackPortList>(clientName_);
    }
    std::vector<std::string> names;
    available_ = jackPorts_->List(input, names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        // The editor's own ports are not offered.
        ports.push_back(
            Port{static_cast<unsigned>(i), names[i], OwnPort(names[i]) ? std::string() : names[i]});
    }
    return ports;
}

std::vector<CRtMidiBackend::Port> CRtMidiBackend::Enumerate(bool input) {
    if (api_ == MidiApi::Jack) {
        return EnumerateJack(input);
    }
    std::vector<Port> ports;
    available_ = EnsureEnumerators();
    if (!available_) {
        return ports;
    }
    RtMidi& device =
        input ? static_cast<RtMidi&>(*inputEnumerator_) : static_cast<RtMidi&>(*outputEnumerator_);
    // The enumerators report through a sink of their own while they list.
    ErrorSink sink;
    device.setErrorCallback(&ErrorSink::Report, &sink);
    try {
        const unsigned count = device.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            sink.Clear();
            const std::string name = device.getPortName(i);
            // A port that cannot be described is left out of the list. The editor's own ports
            // are not offered either.
            if (sink.failed || name.empty() || OwnPort(name)) {
                ports.push_back(Port{i, name, {}});
                continue;
            }
            ports.push_back(Port{i, name, ListedName(api_, name)});
        }
    } catch (const RtMidiError&) {
        ports.clear();
    }
    device.setErrorCallback(&ErrorSink::Report, nullptr);
    return ports;
}

int CRtMidiBackend::InputPortCount() {
    inputs_ = Enumerate(true);
    return static_cast<int>(inputs_.size());
}

bool CRtMidiBackend::InputPortName(int port, std::string& name) {
    if (port < 0 || port >= static_cast<int>(inputs_.size()) ||
        inputs_[static_cast<std::size_t>(port)].name.empty()) {
        return false;
    }
    name = inputs_[static_cast<std::size_t>(port)].name;
    return true;
}

int CRtMidiBackend::OutputPortCount() {
    outputs_ = Enumerate(false);
    return static_cast<int>(outputs_.size());
}

bool CRtMidiBackend::OutputPortName(int port, std::string& name) {
    if (port < 0 || port >= static_cast<int>(outputs_.size()) ||
        outputs_[static_cast<std::size_t>(port)].name.empty()) {
        return false;
    }
    name = outputs_[static_cast<std::size_t>(port)].name;
    return true;
}

int CRtMidiBackend::OpenInput(int port, MidiInputHandler& handler,
                              std::unique_ptr<MidiInputPort>& opened) {
    if (port < 0 || port >= static_cast<int>(inputs_.size())) {
        return MidiErrBadPort;
    }
    const Port& wanted = inputs_[static_cast<std::size_t>(port)];
    QuietLibraries();
#ifdef KEL_HAVE_JACK
    if (api_ == MidiApi::Jack) {
        // RtMidi's JACK input collects a system-exclusive message until its end without a limit:
        // JACK inputs are our own, and hand over what comes as it comes.
        return OpenJackInput(clientName_, wanted.systemName, handler, opened);
    }
#endif
    return OpenRtInput(api_, clientName_, wanted.systemIndex, wanted.systemName, handler, opened);
}

int CRtMidiBackend::OpenOutput(int port, MidiOutputHandler& handler,
                               std::unique_ptr<MidiOutputPort>& opened) {
    if (port < 0 || port >= static_cast<int>(outputs_.size())) {
        return MidiErrBadPort;
    }
    const Port& wanted = outputs_[static_cast<std::size_t>(port)];
    QuietLibraries();
#ifdef KEL_HAVE_JACK
    if (api_ == MidiApi::Jack) {
        // RtMidi's JACK output frees what its process callback reads before it closes its
        // client, so a close can crash under a running cycle: JACK outputs are our own.
        return OpenJackOutput(clientName_, wanted.systemName, handler, opened);
    }
#endif
    return OpenRtOutput(api_, clientName_, wanted.systemIndex, wanted.systemName, handler, opened);
}

} // namespace kel
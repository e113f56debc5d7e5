// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI systems the editor and kelmap can talk through: the ALSA sequencer, a JACK server and
// the built-in virtual KEL device. The user picks one (the editor stores it as "MIDI Device" /
// "API", kelmap takes --api); without a choice both use the same default (DefaultSystem). The
// port objects always use the chosen system through a forwarding back end, so choosing another
// system does not rebuild them. ALSA and JACK are reached only when first asked for: a system
// that is not there lists no ports and costs nothing at start-up.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "midi/backend.h"
#include "midi/virtualbackend.h"

namespace kel {

enum class MidiSystem { Alsa, Jack, Virtual };

inline constexpr std::array<MidiSystem, 3> kMidiSystems{MidiSystem::Alsa, MidiSystem::Jack,
                                                        MidiSystem::Virtual};

// The stored spelling of a system: "ALSA", "JACK" or "Virtual".
std::string_view MidiSystemKey(MidiSystem system);
// The system of a stored value or of kelmap's --api (letter case ignored); nothing for an
// unknown value.
std::optional<MidiSystem> ParseMidiSystemKey(std::string_view key);

class CMidiSystems {
public:
    using Factory = std::function<std::unique_ptr<MidiBackend>(MidiSystem)>;

    // `factory` creates the ALSA and JACK back ends when they are first needed
    // (MidiSystemFactory of midi/rtmidi for the system's own ports).
    explicit CMidiSystems(Factory factory);
    ~CMidiSystems();

    CMidiSystems(const CMidiSystems&) = delete;
    CMidiSystems& operator=(const CMidiSystems&) = delete;

    // The back end the port objects use: whatever system is selected at the time.
    MidiBackend& Ports() { return forward_; }
    // The back end of one system, created on first use.
    MidiBackend& BackendOf(MidiSystem system);
    CVirtualKelBackend& Virtual() { return virtual_; }
    // Puts `backend` in place of a system's own (tests use stand-ins for ALSA and JACK).
    void Install(MidiSystem system, std::unique_ptr<MidiBackend> backend);

    MidiSystem Selected() const { return selected_; }
    // Switches the port objects to `system`. Ports must be closed while they switch.
    void Select(MidiSystem system);

    // Whether `system` lists a KEL's two directions: at least one input and one output port
    // besides the ALSA through port that every sequencer has.
    bool HasDevicePorts(MidiSystem system);
    // Whether `name` is among the input (or output) ports of `system`.
    bool Lists(MidiSystem system, bool input, const std::string& name);
    // The system to use when the user has not chosen one, in the editor and in kelmap alike:
    // the first of ALSA, JACK and the built-in device that lists one of the port names (the
    // stored ones, or those named on kelmap's command line), else the first of ALSA and JACK
    // with device ports, else the built-in virtual device.
    MidiSystem DefaultSystem(const std::string& storedInput, const std::string& storedOutput);

private:
    class Forwarding : public MidiBackend {
    public:
        MidiBackend* target = nullptr;
        int InputPortCount() override { return target->InputPortCount(); }
        bool InputPortName(int port, std::string& name) override {
            return target->InputPortName(port, name);
        }
        int OutputPortCount() override { return target->OutputPortCount(); }
        bool OutputPortName(int port, std::string& name) override {
            return target->OutputPortName(port, name);
        }
        int OpenInput(int port, MidiInputHandler& handler,
                      std::unique_ptr<MidiInputPort>& opened) override {
            return target->OpenInput(port, handler, opened);
        }
        int OpenOutput(int port, MidiOutputHandler& handler,
                       std::unique_ptr<MidiOutputPort>& opened) override {
            return target->OpenOutput(port, handler, opened);
        }
    };

    static std::size_t Slot(MidiSystem system) { return static_cast<std::size_t>(system); }

    Factory factory_;
    CVirtualKelBackend virtual_;
    std::array<std::unique_ptr<MidiBackend>, 2> system_; // ALSA, JACK
    Forwarding forward_;
    MidiSystem selected_ = MidiSystem::Virtual;
};

} // namespace kel

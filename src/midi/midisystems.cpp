// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midisystems.h"

#include <algorithm>
#include <cctype>

#include "midi/devlist.h"

namespace kel {

namespace {

bool ListsDevicePort(const CMidiDevList& list) {
    for (int i = 0; i < list.GetCount(); ++i) {
        if (!IsThroughPort(list.GetAt(i))) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string_view MidiSystemKey(MidiSystem system) {
    switch (system) {
    case MidiSystem::Alsa:
        return "ALSA";
    case MidiSystem::Jack:
        return "JACK";
    case MidiSystem::Virtual:
        break;
    }
    return "Virtual";
}

std::optional<MidiSystem> ParseMidiSystemKey(std::string_view key) {
    std::string lower(key);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (MidiSystem system : kMidiSystems) {
        std::string name(MidiSystemKey(system));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (name == lower) {
            return system;
        }
    }
    return std::nullopt;
}

CMidiSystems::CMidiSystems(Factory factory) : factory_(std::move(factory)) {
    forward_.target = &virtual_;
}

CMidiSystems::~CMidiSystems() = default;

MidiBackend& CMidiSystems::BackendOf(MidiSystem system) {
    if (system == MidiSystem::Virtual) {
        return virtual_;
    }
    std::unique_ptr<MidiBackend>& slot = system_[Slot(system)];
    if (!slot) {
        slot = factory_(system);
    }
    return *slot;
}

void CMidiSystems::Install(MidiSystem system, std::unique_ptr<MidiBackend> backend) {
    if (system == MidiSystem::Virtual || !backend) {
        return;
    }
    system_[Slot(system)] = std::move(backend);
    if (selected_ == system) {
        forward_.target = system_[Slot(system)].get();
    }
}

void CMidiSystems::Select(MidiSystem system) {
    forward_.target = &BackendOf(system);
    selected_ = system;
}

bool CMidiSystems::HasDevicePorts(MidiSystem system) {
    MidiBackend& backend = BackendOf(system);
    return ListsDevicePort(CMidiInDev(backend)) && ListsDevicePort(CMidiOutDev(backend));
}

bool CMidiSystems::Lists(MidiSystem system, bool input, const std::string& name) {
    if (name.empty()) {
        return false;
    }
    MidiBackend& backend = BackendOf(system);
    const std::string wanted = CutDeviceName(name);
    return input ? CMidiInDev(backend).Find(wanted) >= 0 : CMidiOutDev(backend).Find(wanted) >= 0;
}

MidiSystem CMidiSystems::DefaultSystem(const std::string& storedInput,
                                       const std::string& storedOutput) {
    for (MidiSystem system : kMidiSystems) {
        if (Lists(system, false, storedOutput) || Lists(system, true, storedInput)) {
            return system;
        }
    }
    for (MidiSystem system : {MidiSystem::Alsa, MidiSystem::Jack}) {
        if (HasDevicePorts(system)) {
            return system;
        }
    }
    return MidiSystem::Virtual;
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/devlist.h"

#include "model/reporter.h"

namespace kel {

std::string CutDeviceName(std::string_view name) {
    if (name.size() <= kDeviceNameLimit) {
        return std::string(name);
    }
    std::size_t end = kDeviceNameLimit;
    // Step back over continuation bytes so that a character is kept whole or not at all.
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) {
        --end;
    }
    return std::string(name.substr(0, end));
}

std::string CMidiDevList::GetAt(int position) const {
    if (position < 0 || position >= GetCount()) {
        return {};
    }
    return entries_[static_cast<std::size_t>(position)].name;
}

int CMidiDevList::Find(std::string_view name) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CMidiDevList::PortNumber(int position) const {
    if (position < 0 || position >= GetCount()) {
        return -1;
    }
    return entries_[static_cast<std::size_t>(position)].port;
}

template <typename Count, typename Name> void CMidiDevList::Build(Count count, Name name) {
    const int ports = count();
    for (int port = 0; port < ports; ++port) {
        std::string text;
        if (name(port, text)) {
            entries_.push_back(Entry{CutDeviceName(text), port});
        }
    }
}

CMidiInDev::CMidiInDev(MidiBackend& backend) {
    Build([&] { return backend.InputPortCount(); },
          [&](int port, std::string& text) { return backend.InputPortName(port, text); });
}

CMidiOutDev::CMidiOutDev(MidiBackend& backend) {
    Build([&] { return backend.OutputPortCount(); },
          [&](int port, std::string& text) { return backend.OutputPortName(port, text); });
}

bool IsThroughPort(std::string_view name) {
    return name.starts_with("Midi Through");
}

PortChoice ChoosePort(const CMidiDevList& list, std::string_view chosen) {
    const std::string name = CutDeviceName(chosen);
    if (!name.empty() && list.Find(name) >= 0) {
        return {PortChoice::How::Chosen, name};
    }
    std::vector<std::string> devices;
    for (int i = 0; i < list.GetCount(); ++i) {
        if (std::string each = list.GetAt(i); !IsThroughPort(each)) {
            devices.push_back(std::move(each));
        }
    }
    if (devices.size() == 1) {
        return {PortChoice::How::OnlyPort, devices.front()};
    }
    if (name.empty()) {
        return {PortChoice::How::NotChosen, {}};
    }
    return {PortChoice::How::Gone, name};
}

Phrase OnlyPortPhrase(bool input, std::string_view name) {
    return Phrase(input ? TextId::MidiInputOnly : TextId::MidiOutputOnly, {std::string(name)});
}

void ReportNoPort(Reporter& reporter, bool input, std::string_view chosen) {
    if (chosen.empty()) {
        reporter.warnNoPort(nullptr);
        return;
    }
    const Phrase gone(input ? TextId::MidiInputGone : TextId::MidiOutputGone,
                      {std::string(chosen)});
    reporter.warnNoPort(&gone);
}

} // namespace kel

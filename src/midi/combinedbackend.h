// SPDX-License-Identifier: GPL-3.0-or-later
// Several back ends offered as one: the ports of each, one after the other, in the order the
// back ends were added. The editor lists the built-in virtual device together with the ALSA
// and JACK ports this way, so the user picks any of them by name.
#pragma once

#include <memory>
#include <vector>

#include "midi/backend.h"

namespace kel {

class CCombinedBackend : public MidiBackend {
public:
    // Adds a back end owned by the combination.
    void Add(std::unique_ptr<MidiBackend> backend);
    // Adds a back end that lives elsewhere, for at least as long as the combination is used.
    void AddShared(MidiBackend& backend);
    bool Empty() const { return parts_.empty(); }

    int InputPortCount() override;
    bool InputPortName(int port, std::string& name) override;
    int OutputPortCount() override;
    bool OutputPortName(int port, std::string& name) override;
    int OpenInput(int port, MidiInputHandler& handler,
                  std::unique_ptr<MidiInputPort>& opened) override;
    int OpenOutput(int port, MidiOutputHandler& handler,
                   std::unique_ptr<MidiOutputPort>& opened) override;

private:
    // The back end and its own number for a combined port number, as of the last count.
    bool Locate(const std::vector<int>& counts, int port, MidiBackend*& backend, int& local);

    std::vector<std::unique_ptr<MidiBackend>> owned_;
    std::vector<MidiBackend*> parts_;
    std::vector<int> inputCounts_;
    std::vector<int> outputCounts_;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/combinedbackend.h"

namespace kel {

void CCombinedBackend::Add(std::unique_ptr<MidiBackend> backend) {
    if (backend) {
        parts_.push_back(backend.get());
        owned_.push_back(std::move(backend));
    }
}

void CCombinedBackend::AddShared(MidiBackend& backend) {
    parts_.push_back(&backend);
}

bool CCombinedBackend::Locate(const std::vector<int>& counts, int port, MidiBackend*& backend,
                              int& local) {
    if (port < 0) {
        return false;
    }
    for (std::size_t i = 0; i < counts.size() && i < parts_.size(); ++i) {
        if (port < counts[i]) {
            backend = parts_[i];
            local = port;
            return true;
        }
        port -= counts[i];
    }
    return false;
}

int CCombinedBackend::InputPortCount() {
    inputCounts_.clear();
    int total = 0;
    for (auto* part : parts_) {
        inputCounts_.push_back(part->InputPortCount());
        total += inputCounts_.back();
    }
    return total;
}

int CCombinedBackend::OutputPortCount() {
    outputCounts_.clear();
    int total = 0;
    for (auto* part : parts_) {
        outputCounts_.push_back(part->OutputPortCount());
        total += outputCounts_.back();
    }
    return total;
}

bool CCombinedBackend::InputPortName(int port, std::string& name) {
    MidiBackend* backend = nullptr;
    int local = 0;
    return Locate(inputCounts_, port, backend, local) && backend->InputPortName(local, name);
}

bool CCombinedBackend::OutputPortName(int port, std::string& name) {
    MidiBackend* backend = nullptr;
    int local = 0;
    return Locate(outputCounts_, port, backend, local) && backend->OutputPortName(local, name);
}

int CCombinedBackend::OpenInput(int port, MidiInputHandler& handler,
                                std::unique_ptr<MidiInputPort>& opened) {
    MidiBackend* backend = nullptr;
    int local = 0;
    if (!Locate(inputCounts_, port, backend, local)) {
        return MidiErrBadPort;
    }
    return backend->OpenInput(local, handler, opened);
}

int CCombinedBackend::OpenOutput(int port, MidiOutputHandler& handler,
                                 std::unique_ptr<MidiOutputPort>& opened) {
    MidiBackend* backend = nullptr;
    int local = 0;
    if (!Locate(outputCounts_, port, backend, local)) {
        return MidiErrBadPort;
    }
    return backend->OpenOutput(local, handler, opened);
}

} // namespace kel

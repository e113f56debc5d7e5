// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/labels.h"

#include <cstdio>

#include "model/kinds.h"
#include "model/parameter.h"

namespace kel {
namespace {

template <typename... Args> std::string Format(const char* format, Args... args) {
    char text[64];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

} // namespace

std::string AssignmentLabel(const AssignRecord& r) {
    const AssignKind* kind = KindOf(r);
    if (kind == nullptr) {
        return {};
    }
    const int channel = r[rec::Channel] + 1;
    // Value `i` of the kind as the user sees it.
    auto value = [&](int i) { return kind->values[static_cast<std::size_t>(i)].Shown(r); };
    switch (kind->code) {
    case CodeNote:
        return Format("NT %d:%d", value(0), channel);
    case CodeChannelPressure:
        return Format("CAf :%d", channel);
    case CodePolyPressure:
        return Format("PAf %d:%d", value(0), channel);
    case CodeControlChange:
        return Format("CC %d:%d", value(0), channel);
    case CodeEncoderSimulate:
        return Format("Enc %d:%d", value(0), channel);
    case CodeProgramChangeRange:
        return Format("PC :%d", channel);
    case CodeProgramChange:
        return Format("PC %d:%d", value(0), channel);
    case CodeBankProgramChange:
        return Format("Bnk %d/%d, PC %d:%d", value(0), value(1), value(2), channel);
    case CodeProgramChangeStep:
        return r[rec::StepDirection] != 0 ? "PC Dec." : "PC Inc.";
    case CodeRpn:
        return Format("RP %d/%d:%d", value(0), value(1), channel);
    case CodeNrpn:
        return Format("NP %d/%d:%d", value(0), value(1), channel);
    case CodeSystemRealtime:
        return Format("%02X", r[rec::RealtimeStatus]);
    case CodeSystemExclusive:
        return "SysEx.";
    case CodeFreeMessage:
        return "FREE";
    case CodeTempo:
        return "TEMPO";
    default: // NO ASSIGN
        return "N/A";
    }
}

std::string AssignmentLabel(const CParameter& document, ControllerId id) {
    if (!IsValidController(id)) {
        return {};
    }
    return AssignmentLabel(document.RecordOf(id));
}

int GetPanelPort(const AssignRecord& record) {
    return record[rec::AssignCode] == CodeNoAssign ? -1 : record[rec::Port];
}

int GetPanelPort(const AssignEntry& entry) {
    return GetPanelPort(entry.record);
}

} // namespace kel

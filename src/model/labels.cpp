#include "model/labels.h"

#include <cstdio>

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
    const int channel = r[rec::Channel] + 1;
    const int b5 = r[5];
    const int b6 = r[6];
    const int b7 = r[7];
    switch (BaseCode(r[rec::AssignCode])) {
    case CodeNoAssign:
        return "N/A";
    case CodeNote:
        return Format("NT %d:%d", b5, channel);
    case CodeChannelPressure:
        return Format("CAf :%d", channel);
    case CodePolyPressure:
        return Format("PAf %d:%d", b5, channel);
    case CodeControlChange:
        return Format("CC %d:%d", b5, channel);
    case CodeEncoderSimulate:
        return Format("Enc %d:%d", b5, channel);
    case CodeProgramChangeRange:
        return Format("PC :%d", channel);
    case CodeProgramChange:
        return Format("PC %d:%d", b5 + 1, channel);
    case CodeBankProgramChange:
        return Format("Bnk %d/%d, PC %d:%d", b6, b5, b7 + 1, channel);
    case CodeProgramChangeStep:
        return b5 != 0 ? "PC Dec." : "PC Inc.";
    case CodeRpn:
        return Format("RP %d/%d:%d", b7, b6, channel);
    case CodeNrpn:
        return Format("NP %d/%d:%d", b7, b6, channel);
    case CodeSystemRealtime:
        return Format("%02X", b5);
    case CodeSystemExclusive:
        return "SysEx.";
    case CodeFreeMessage:
        return "FREE";
    case CodeTempo:
        return "TEMPO";
    default:
        return {};
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

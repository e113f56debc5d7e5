// SPDX-License-Identifier: GPL-3.0-or-later
// The short assignment labels the panel prints beside each control, and the port by which it
// colours the label box.
#pragma once

#include <string>

#include "model/assign.h"
#include "model/controllers.h"

namespace kel {

class CParameter;

// The label of a record: "N/A", "NT 64:1", "CC 74:16", "Bnk 1/2, PC 4:1", "SysEx.", ...; an
// empty text for an invalid assign code. Twin codes label like their base codes.
std::string AssignmentLabel(const AssignRecord& record);

// The label of the map's record for `id` (not the pending edit buffer); empty for an id
// outside 0..49.
std::string AssignmentLabel(const CParameter& document, ControllerId id);

// The stored port (byte 3) of any assigned record, whatever its kind; -1 for NO ASSIGN.
int GetPanelPort(const AssignRecord& record);
int GetPanelPort(const AssignEntry& entry);

} // namespace kel

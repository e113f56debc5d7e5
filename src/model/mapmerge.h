// SPDX-License-Identifier: GPL-3.0-or-later
// Taking controls from one control map into another: the records and comments of the listed
// controls come from the other map, everything else (the title, the other controls, the
// copyright text, the file's encoding) stays the base map's.
#pragma once

#include <span>
#include <vector>

#include "model/assign.h"
#include "model/parameter.h"

namespace kel {

// The edits that give the listed controls of `other` (records and comments, the comments as
// the document holds them, UTF-8), in the order listed; an invalid id is passed over. For
// CParameter::CommitControls, which fits each comment into the map's encoding and limit.
std::vector<ControlEdit> TakenControls(const ControlMap& other, std::span<const ControllerId> ids);

// `base` with the listed controls taken from `other`, as CommitControls would leave it: each
// comment fitted to the file's 128 bytes in the encoding the merged map is written in. A
// comment still held as the same bytes in the same encoding keeps those bytes. Not modified
// when nothing changes.
ControlMap MergeControls(const ControlMap& base, const ControlMap& other,
                         std::span<const ControllerId> ids);

} // namespace kel

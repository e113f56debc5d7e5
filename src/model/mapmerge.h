// SPDX-License-Identifier: GPL-3.0-or-later
// Taking controls from one control map into another: the records and comments of the listed
// controls come from the other map, everything else (the title, the other controls, the
// copyright text, the file's encoding) stays the base map's. No text is cut on the way: a
// merge that would leave a text without its place in the file is refused, naming that text.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "model/assign.h"
#include "model/parameter.h"
#include "model/result.h"

namespace kel {

// The edits that give the listed controls of `other` (records and comments, the comments as
// the document holds them, UTF-8, with the bytes of `other`'s file), in the order listed; an
// invalid id is passed over. For CParameter::CommitControls once MergeRefusal found nothing.
std::vector<ControlEdit> TakenControls(const ControlMap& other, std::span<const ControllerId> ids);

// `base` with the listed controls taken from `other`. A comment keeps the bytes of `other`'s
// file while they are a text of the merged map's encoding; every text is kept whole, so a text
// that has no room in the file any more is left for MergeRefusal to find. Not modified when
// nothing changes.
ControlMap MergeControls(const ControlMap& base, const ControlMap& other,
                         std::span<const ControllerId> ids);

// Why `base` cannot take the listed controls of `other`: a text of the merged map (the base's
// title or comments, or a comment taken) that the file could not hold whole, for instance the
// base's CP932 title once a comment taken needs UTF-8. Nothing when the merge may be made.
std::optional<TextWithoutRoom> MergeRefusal(const ControlMap& base, const ControlMap& other,
                                            std::span<const ControllerId> ids);

// The one way the listed controls of `other` reach a document (Take Controls From, kelmap
// merge): their records and comments as one CommitControls, one undo step. Refused, with the
// text of MergeRefusal and the document unchanged, when the merged map could not hold a text
// whole. A record is taken as the other map holds it, whatever its kind.
Status TakeControls(CParameter& document, const ControlMap& other,
                    std::span<const ControllerId> ids);

} // namespace kel

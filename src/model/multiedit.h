// SPDX-License-Identifier: GPL-3.0-or-later
// One edit for many controls: the fields to set on every control that has them, and a number
// in sequence (CC 20, 21, 22, ...), worked out on a copy first so that the user sees each
// control's label before and after and what the map check finds, before anything changes.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "model/assign.h"
#include "model/mapcheck.h"
#include "model/midinames.h"
#include "model/phrase.h"

namespace kel {

// What to set; a field left empty stays as each control has it. A control without a field
// (a program change has no port, a knob no button mode) keeps going without it.
struct MultiEdit {
    // A ChannelMessageKind: the controls become that kind with its defaults, keeping the
    // channel and the port they had when both kinds have them. Controls already of that kind
    // keep their values.
    std::optional<int> channelKind;
    std::optional<int> channel;    // 0..15
    std::optional<int> port;       // 0..2
    std::optional<int> buttonMode; // 0..2 (Increase only where the kind offers it)
    // The range as shown: the minimum/maximum values of a channel kind (programs 1..128), or
    // the data range of a message text with a data field.
    std::optional<int> minimum;
    std::optional<int> maximum;
    // The controller, note or program number, in the order of the controls.
    std::optional<NumberSequence> numbering;
};

struct MultiEditRow {
    ControllerId id = kNoController;
    AssignRecord before{};
    AssignRecord after{};
    // Why this control cannot take the edit (a number of the sequence outside the range): empty
    // when it can. A refused row keeps its `before`.
    Phrase refusal;
};

struct MultiEditPreview {
    std::vector<MultiEditRow> rows; // in the order of the controls given
    RecordTable result;             // the whole map's records after the edit
    // What the map check finds in the result about the edited controls (two controls sending
    // the same message, a range inverted).
    std::vector<CheckFinding> findings;

    bool Refused() const;
    // The controls whose record the edit changes.
    std::vector<ControllerId> Changed() const;
};

// The edit of `ids` (each at most once) on `records`, nothing changed.
MultiEditPreview PreviewMultiEdit(const RecordTable& records, std::span<const ControllerId> ids,
                                  const MultiEdit& edit);

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The map comparison: what differs, control by control, between two control maps, or between
// the records of the control map and those received from the device (a verify).
//
// A control differs when its 39 record bytes or (when compared) its comment differ. Each
// difference is described with the assignment labels the panel shows:
//   "S3: CC 74:1 → NRPN 1/2:1"                      the labels differ
//   "S3: CC 74:1 (port Port 1 → Port 2, maximum 127 → 100)"  same label, other fields differ
//   "S3: CC 74:1 (comment "Cutoff" → "Filter")"      only the comment differs
// With the same kind on both sides, the details name every field that differs and the label
// does not show: assign code (twin codes), port, channel, button mode, center click, AFT mode,
// the kind's values (velocity, minimum, maximum, ...), for System Ex. and Free Message the
// message text, data type and data range, then the comment; bytes that belong to none of these
// (the encoder flag, unused mode bits, bytes under a placeholder) show as "other bytes". With
// different kinds only the comment is added.
//
// The lines are phrases (model/phrase.h) whose arguments are the labels, the field names and the
// values, so the editor shows them in the user's language.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/assign.h"
#include "model/bulk.h"
#include "model/phrase.h"

namespace kel {

// The comparison's texts are ids of the core's text table.
using CompareTextId = TextId;

// Which part of a control differs.
enum class CompareField {
    AssignCode,
    Port,
    Channel,
    ButtonMode,
    CenterClick,
    AftMode,
    Velocity,
    Minimum,
    Maximum,
    Message,
    DataType,
    DataRange,
    Comment,
    Other,
};

struct FieldChange {
    CompareField field;
    PhraseArg before = ""; // as shown to the user ("Port 1", "127", "\"Cutoff\"", ...)
    PhraseArg after = "";  // empty for Other
};

struct ControlDifference {
    ControllerId id = kNoController;
    bool recordDiffers = false;
    bool commentDiffers = false;
    std::string labelBefore; // the assignment labels of both sides
    std::string labelAfter;
    std::vector<FieldChange> changes; // the details, in the order described above
    Phrase text;                      // the line
    std::string description;          // the line in English
};

struct MapComparison {
    bool titleDiffers = false;
    std::string titleBefore;
    std::string titleAfter;
    Phrase titleText;                        // "Title: "Live" → "Studio"" when the titles differ
    std::string titleDescription;            // the same in English
    std::vector<ControlDifference> controls; // in ControllerId order

    bool Equal() const { return !titleDiffers && controls.empty(); }
    // The title line (when the titles differ) and one line per control.
    std::vector<std::string> Lines() const;
};

struct CompareOptions {
    bool comments = true; // compare the 50 comments
    bool title = true;    // compare the titles
};

// The differences from `before` to `after`.
MapComparison CompareMaps(const ControlMap& before, const ControlMap& after,
                          CompareOptions options = {});

// Records only: the verify of a map (`before`) against what the device sent (`after`).
MapComparison CompareRecords(const RecordTable& before, const RecordTable& after);

// The description of one control whose records or comments differ.
ControlDifference CompareControl(ControllerId id, const AssignRecord& before,
                                 const AssignRecord& after, const std::string& commentBefore,
                                 const std::string& commentAfter);

} // namespace kel

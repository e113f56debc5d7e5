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
// Every text lives in one table (CompareText) with "%1", "%2", ... placeholders, so the editor
// can translate it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/assign.h"
#include "model/bulk.h"

namespace kel {

enum class CompareTextId : int {
    LabelChange,      // "%1: %2 → %3"
    SameLabel,        // "%1: %2"
    WithDetails,      // "%1 (%2)"
    DetailSeparator,  // "%1, %2"
    Change,           // "%1 %2 → %3"
    TitleChange,      // "Title: \"%1\" → \"%2\""
    Quoted,           // "\"%1\""
    InvalidLabel,     // "invalid code %1"
    MemoryMatches,    // "The KEL's memory matches the control map."
    MapsEqual,        // "The control maps are equal."
    FieldCode,        // "assign code"
    FieldPort,        // "port"
    FieldChannel,     // "channel"
    FieldButtonMode,  // "button mode"
    FieldCenterClick, // "center click"
    FieldAftMode,     // "AFT mode"
    FieldVelocity,    // "velocity"
    FieldMinimum,     // "minimum"
    FieldMaximum,     // "maximum"
    FieldMessage,     // "message"
    FieldDataType,    // "data type"
    FieldDataRange,   // "data range"
    FieldComment,     // "comment"
    FieldOther,       // "other bytes"
    On,               // "on"
    Off,              // "off"
    None,             // "none"
    Count
};

// The English text of `id`.
std::string_view CompareText(CompareTextId id);

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
    std::string before; // as shown to the user ("Port 1", "127", "\"Cutoff\"", ...)
    std::string after;  // empty for Other
};

struct ControlDifference {
    ControllerId id = kNoController;
    bool recordDiffers = false;
    bool commentDiffers = false;
    std::string labelBefore; // the assignment labels of both sides
    std::string labelAfter;
    std::vector<FieldChange> changes; // the details, in the order described above
    std::string description;          // the finished English line
};

struct MapComparison {
    bool titleDiffers = false;
    std::string titleBefore;
    std::string titleAfter;
    std::string titleDescription;            // "Title: "Live" → "Studio"" when the titles differ
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

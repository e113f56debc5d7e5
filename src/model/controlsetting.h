// SPDX-License-Identifier: GPL-3.0-or-later
// Giving one control a kind of assignment and the fields of its message: the one way the
// assign dialog's OK, `kelmap set` and the edits of many controls write a control. A setting
// names only what changes; everything it leaves out stays as the control has it (or, when it
// chooses a kind, as that kind starts). A field the kind or the control does not have, a value
// outside its range, a message text that is not valid and a comment the map file could not
// hold are refused with the text that says why, and nothing is written then.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "model/assign.h"
#include "model/kinds.h"
#include "model/msgtext.h"
#include "model/result.h"

namespace kel {

struct ControlSetting {
    // The kind the control becomes, with that kind's defaults (even when it has it already);
    // null: the control keeps its kind and its values.
    const AssignKind* kind = nullptr;
    // The values of a channel kind as the user sees them (programs 1..128), by the index of
    // the kind's value fields.
    std::array<std::optional<int>, 4> values{};
    // The number a row of controls is numbered by (the kind's NumberIndex()), given by the
    // numbering rather than typed: written after the values.
    std::optional<int> number;
    std::optional<int> realtime; // System Realtime: the index in kRealtimeStatus
    // System Ex. or Free Message: the message text and the data type a "DT" in it gets (0..4
    // for DT0..DT4; DT0 when not given). A kind chosen without a text keeps its default
    // message (System Ex.: F0 F7; a Free Message cannot be empty, so it is refused).
    std::optional<std::string> message;
    std::optional<int> dataType;
    // The data range of a message text with a data field, 0 up to the top of its data type. A
    // text given without them gets the whole range of its data type.
    std::optional<int> dataMin;
    std::optional<int> dataMax;
    // What the assign page does: its range fields are always there, and count only for a
    // message with a data field. Otherwise a range given for a message without one is refused.
    bool rangeOnlyWithDataField = false;
    std::optional<int> channel;    // 1..16
    std::optional<int> port;       // 0..2: Port 1, Port 2, Port 1 + 2
    std::optional<int> buttonMode; // 0..2: Unlatch, Latch, Increase where the kind offers it
    std::optional<int> aftMode;    // 0..2: OFF, Channel Pressure, Polyphonic Key Pressure
    std::optional<bool> centerClick;
    std::optional<std::string> comment; // UTF-8
};

// Which part of a setting a refusal is about: the `cause` of the failure SetControl gives.
enum class SettingPart : int {
    None = 0,
    Kind,
    Values,
    Number,
    Realtime,
    Message,
    DataType,
    DataRange,
    Channel,
    Port,
    ButtonMode,
    AftMode,
    CenterClick,
    Comment,
};

// Where a refused message text went wrong, for a caller that shows the place in the text.
struct MessageRefusal {
    ParseResult result = ParseAccepted;
    MessageTextFault fault;
};

// Writes `setting` into `entry`, the record (and comment) of control `id` in `map` (the comment
// is weighed against the map's other texts). On a refusal `entry` is as it was; `refusal`, when
// given, then tells where a refused message text went wrong. Only what changes raises the
// entry's `changed` flag (an accepted message text always does).
Status SetControl(AssignEntry& entry, const ControlMap& map, ControllerId id,
                  const ControlSetting& setting, MessageRefusal* refusal = nullptr);

// The part of a setting a failure of SetControl is about.
inline SettingPart PartOf(const Failure& failure) {
    return static_cast<SettingPart>(failure.cause);
}

} // namespace kel

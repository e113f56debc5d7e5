// SPDX-License-Identifier: GPL-3.0-or-later
// The kinds of assignment: one description for each message an assign record can hold (each
// base assign code, with Program Change - Dec and - Inc apart). A description says which of the
// common fields the kind has (channel, port, button mode, center click, AFT mode), which value
// fields it has, where each lives in the record, its range and how it is shown and named, and
// which pair of fields is the kind's minimum/maximum range.
//
// The record accessors, the map check, the comparison, the assignment list, the labels, the
// channel page and kelmap all read this one table: a new kind is one more row.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "model/assign.h"

namespace kel {

// What a value field holds. Each reader names it in its own words (the check "note number",
// the comparison "velocity", kelmap "NOTE").
enum class ValueName : std::uint8_t {
    Note,
    Velocity,
    Controller,
    Program,
    BankMsb,
    BankLsb,
    ParameterMsb,
    ParameterLsb,
    Minimum,
    Maximum,
};

// One value of a channel kind: a 7-bit byte of the record, edited through GetValueN/SetValueN.
struct ValueField {
    std::uint8_t byte = 0; // position in the record
    ValueName name = ValueName::Note;
    bool program = false;     // a program number: stored 0..127, shown 1..128
    bool labelled = false;    // the panel's label shows it; it tells the kind's messages apart
    std::uint8_t initial = 0; // the stored value right after the kind is chosen
    std::string_view word;    // kelmap's name of the value: "NOTE", "MIN", ...
    std::string_view caption; // the channel page's label: "Note Number", ...

    // The range the user sees and types.
    constexpr int Low() const { return program ? 1 : 0; }
    constexpr int High() const { return program ? 128 : 127; }
    // The value as shown (stored + 1 for a program number).
    int Shown(const AssignRecord& r) const { return r[byte] + Low(); }
};

// Where a kind keeps its minimum/maximum pair.
enum class RangeForm : std::uint8_t {
    None,
    Values,       // two of its values, each a whole 7-bit value
    DataEntryMsb, // two of its values, each the MSB of a 14-bit data-entry value
    DataField,    // the data range of a message text (bytes rec::MinValue, rec::MaxValue,
                  // stored 0..255): present only while the message has a data field, its top
                  // set by the data type
};

// A byte a kind sets when it is chosen that no field edits (e.g. the encoder flag).
struct FixedByte {
    std::uint8_t byte = 0; // 0: none
    std::uint8_t value = 0;
};

struct AssignKind {
    std::string_view word;        // kelmap's name of the kind: "note", "cc", ...
    std::uint8_t code = 0;        // its base assign code
    bool twin = false;            // code + 1 means the same
    int type = MsgInvalid;        // MessageType
    int channelKind = KindNone;   // ChannelMessageKind, KindNone for the other types
    bool channel = false;         // byte rec::Channel
    bool port = false;            // byte rec::Port
    std::uint8_t buttonModes = 0; // bits 0-1 of rec::ModeBits: 0 none, 2 Unlatch and Latch,
                                  // 3 also Increase
    bool centerClick = false;     // bit 2 of rec::ModeBits
    bool aftMode = false;         // byte rec::AftMode, 0..2
    std::uint8_t valueCount = 0;  // values[0..valueCount) are GetValue1.. in order
    std::array<ValueField, 4> values{};
    RangeForm range = RangeForm::None;
    std::uint8_t rangeMin = 0; // with Values or DataEntryMsb: the indexes in `values` of the
    std::uint8_t rangeMax = 0; // minimum and the maximum
    std::array<FixedByte, 2> fixed{};

    std::span<const ValueField> Values() const { return {values.data(), valueCount}; }
    // Value `index` (0 for GetValue1), or null when the kind has no such value.
    const ValueField* Value(int index) const {
        return index >= 0 && index < valueCount ? &values[static_cast<std::size_t>(index)]
                                                : nullptr;
    }
    // The index of the number a row of controls is numbered by (the first controller, note or
    // program number among the values), or -1 when the kind has none.
    constexpr int NumberIndex() const {
        for (int i = 0; i < valueCount; ++i) {
            const ValueName name = values[static_cast<std::size_t>(i)].name;
            if (name == ValueName::Controller || name == ValueName::Note ||
                name == ValueName::Program) {
                return i;
            }
        }
        return -1;
    }
    bool HasButtonMode() const { return buttonModes != 0; }
    bool HasMessageText() const { return type == MsgSystemExclusive || type == MsgFreeMessage; }
};

// Every kind: NO ASSIGN, the channel kinds in ChannelMessageKind order, then System Realtime,
// System Ex., Free Message and Tempo.
std::span<const AssignKind> AssignKinds();

// The kind of a record (twin codes read as their base; code 14 is Dec with byte 5 = 1, otherwise
// Inc), or null for an invalid code.
const AssignKind* KindOf(const AssignRecord& record);
// The kind of a ChannelMessageKind, or null outside 0..11.
const AssignKind* KindOfChannelKind(int kind);
// The kind named `word` by kelmap, or null.
const AssignKind* FindKind(std::string_view word);

// The bytes of a record's minimum/maximum pair, and what the shown numbers add to them.
struct RangeBytes {
    std::size_t min = 0;
    std::size_t max = 0;
    int offset = 0; // 1 for program numbers shown 1..128
};

// The range pair `kind` has in `record`; false when it has none (a message text without a
// data field has none).
bool RangeOf(const AssignKind& kind, const AssignRecord& record, RangeBytes& range);

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/kinds.h"

#include <initializer_list>

namespace kel {
namespace {

using N = ValueName;

// A value the panel's label does not show, and one it shows.
constexpr ValueField Value(std::uint8_t byte, ValueName name, std::string_view word,
                           std::string_view caption, std::uint8_t initial = 0) {
    return {byte, name, false, false, initial, word, caption};
}
constexpr ValueField Labelled(ValueField field) {
    field.labelled = true;
    return field;
}
// A program number, stored 0..127 and shown 1..128.
constexpr ValueField Program(ValueField field) {
    field.program = true;
    return field;
}
// The ends of a range: from 0 to 127 when the kind is chosen.
constexpr ValueField Min(std::uint8_t byte, std::string_view caption = "Min Value") {
    return Value(byte, N::Minimum, "MIN", caption);
}
constexpr ValueField Max(std::uint8_t byte, std::string_view caption = "Max Value") {
    return Value(byte, N::Maximum, "MAX", caption, 127);
}

// What a kind has besides its values.
enum Has : unsigned {
    kTwin = 1,
    kChannel = 2,
    kPort = 4,
    kLatch = 8,     // button modes Unlatch and Latch
    kIncrease = 16, // button modes Unlatch, Latch and Increase
    kClick = 32,
    kAft = 64,
};

constexpr AssignKind Message(std::string_view word, std::uint8_t code, int type, unsigned has,
                             RangeForm range = RangeForm::None) {
    AssignKind kind;
    kind.word = word;
    kind.code = code;
    kind.type = type;
    kind.twin = (has & kTwin) != 0;
    kind.channel = (has & kChannel) != 0;
    kind.port = (has & kPort) != 0;
    kind.buttonModes = (has & kIncrease) != 0 ? 3 : (has & kLatch) != 0 ? 2 : 0;
    kind.centerClick = (has & kClick) != 0;
    kind.aftMode = (has & kAft) != 0;
    kind.range = range;
    return kind;
}

// A channel kind with its values in GetValue1.. order; its range pair, if `range` names one, is
// its Minimum and Maximum value.
constexpr AssignKind Channel(std::string_view word, std::uint8_t code, int channelKind,
                             unsigned has, std::initializer_list<ValueField> values,
                             RangeForm range = RangeForm::None) {
    AssignKind kind = Message(word, code, MsgChannel, has, range);
    kind.channelKind = channelKind;
    for (const ValueField& value : values) {
        if (value.name == N::Minimum) {
            kind.rangeMin = kind.valueCount;
        } else if (value.name == N::Maximum) {
            kind.rangeMax = kind.valueCount;
        }
        kind.values[kind.valueCount++] = value;
    }
    return kind;
}

constexpr AssignKind WithFixed(AssignKind kind, FixedByte first, FixedByte second = {}) {
    kind.fixed = {first, second};
    return kind;
}

// RPN and NRPN: byte 5 holds 1, the parameter number MSB/LSB, and the range of the data-entry
// MSB.
constexpr AssignKind Parameter(std::string_view word, std::uint8_t code, int channelKind,
                               std::string_view msb, std::string_view lsb) {
    return WithFixed(Channel(word, code, channelKind, kTwin | kChannel | kPort | kIncrease | kClick,
                             {Labelled(Value(7, N::ParameterMsb, "MSB", msb)),
                              Labelled(Value(6, N::ParameterLsb, "LSB", lsb)),
                              Min(8, "MSB Min Value"), Max(9, "MSB Max Value")},
                             RangeForm::DataEntryMsb),
                     {5, 1});
}

constexpr unsigned kPressureOrCc = kTwin | kChannel | kPort | kIncrease; // the pressures and CC

constexpr std::array<AssignKind, 17> kKinds = {
    Message("none", CodeNoAssign, MsgNoAssign, 0),
    Channel("note", CodeNote, KindNote, kTwin | kChannel | kPort | kLatch | kAft,
            {Labelled(Value(5, N::Note, "NOTE", "Note Number", 64)),
             Value(6, N::Velocity, "VELOCITY", "Velocity", 100)}),
    Channel("channel-pressure", CodeChannelPressure, KindChannelPressure, kPressureOrCc,
            {Min(5), Max(6)}, RangeForm::Values),
    Channel("poly-pressure", CodePolyPressure, KindPolyPressure, kPressureOrCc,
            {Labelled(Value(5, N::Note, "NOTE", "Note Number", 64)), Min(6), Max(7)},
            RangeForm::Values),
    Channel("cc", CodeControlChange, KindControlChange, kPressureOrCc | kClick,
            {Labelled(Value(5, N::Controller, "NUMBER", "Control Number")), Min(6), Max(7)},
            RangeForm::Values),
    Channel("pc", CodeProgramChange, KindProgramChange, kChannel,
            {Labelled(Program(Value(5, N::Program, "PROGRAM", "PC Number")))}),
    Channel("pc-range", CodeProgramChangeRange, KindProgramChangeRange, kChannel,
            {Program(Min(5, "Min Number")), Program(Max(6, "Max Number"))}, RangeForm::Values),
    Channel("bank-pc", CodeBankProgramChange, KindBankProgramChange, kChannel | kPort,
            {Labelled(Value(6, N::BankMsb, "MSB", "Bank MSB")),
             Labelled(Value(5, N::BankLsb, "LSB", "Bank LSB")),
             Labelled(Program(Value(7, N::Program, "PROGRAM", "PC Number")))}),
    WithFixed(Channel("pc-dec", CodeProgramChangeStep, KindProgramChangeDec, 0, {}),
              {rec::StepDirection, 1}),
    Channel("pc-inc", CodeProgramChangeStep, KindProgramChangeInc, 0, {}),
    Parameter("rpn", CodeRpn, KindRpn, "RPN MSB", "RPN LSB"),
    Parameter("nrpn", CodeNrpn, KindNrpn, "NRPN MSB", "NRPN LSB"),
    // The encoder raises the encoder flag; its bytes 6 and 7 hold 0 and 127 and are not edited.
    WithFixed(Channel("encoder", CodeEncoderSimulate, KindEncoderSimulate, kChannel | kPort,
                      {Labelled(Value(5, N::Controller, "NUMBER", "Control Number"))}),
              {rec::EncoderFlag, 1}, {7, 127}),
    Message("realtime", CodeSystemRealtime, MsgSystemRealtime, kPort),
    Message("sysex", CodeSystemExclusive, MsgSystemExclusive, kTwin | kPort | kIncrease | kClick,
            RangeForm::DataField),
    Message("free", CodeFreeMessage, MsgFreeMessage, kTwin | kPort | kIncrease,
            RangeForm::DataField),
    Message("tempo", CodeTempo, MsgTempo, kIncrease),
};

// The channel kinds follow NO ASSIGN in ChannelMessageKind order.
constexpr bool ChannelKindsInOrder() {
    for (int k = 0; k < kChannelKindCount; ++k) {
        if (kKinds[static_cast<std::size_t>(k + 1)].channelKind != k) {
            return false;
        }
    }
    return true;
}
static_assert(ChannelKindsInOrder());

// The index in kKinds of each byte-0 value, -1 for an invalid code. Code 14 leads to
// Program Change - Dec; KindOf tells it from - Inc.
constexpr std::array<std::int8_t, 256> kIndexByCode = [] {
    std::array<std::int8_t, 256> index{};
    index.fill(-1);
    for (std::size_t i = kKinds.size(); i-- > 0;) {
        index[kKinds[i].code] = static_cast<std::int8_t>(i);
        if (kKinds[i].twin) {
            index[kKinds[i].code + 1u] = static_cast<std::int8_t>(i);
        }
    }
    return index;
}();

} // namespace

std::uint8_t BaseCode(std::uint8_t code) {
    const int index = kIndexByCode[code];
    return index >= 0 ? kKinds[static_cast<std::size_t>(index)].code : code;
}

std::span<const AssignKind> AssignKinds() {
    return kKinds;
}

const AssignKind* KindOf(const AssignRecord& record) {
    const int index = kIndexByCode[record[rec::AssignCode]];
    if (index < 0) {
        return nullptr;
    }
    const AssignKind& kind = kKinds[static_cast<std::size_t>(index)];
    if (kind.code == CodeProgramChangeStep && record[rec::StepDirection] != 1) {
        return KindOfChannelKind(KindProgramChangeInc);
    }
    return &kind;
}

const AssignKind* KindOfChannelKind(int kind) {
    return kind >= 0 && kind < kChannelKindCount ? &kKinds[static_cast<std::size_t>(kind + 1)]
                                                 : nullptr;
}

const AssignKind* FindKind(std::string_view word) {
    for (const AssignKind& kind : kKinds) {
        if (kind.word == word) {
            return &kind;
        }
    }
    return nullptr;
}

bool RangeOf(const AssignKind& kind, const AssignRecord& record, RangeBytes& range) {
    switch (kind.range) {
    case RangeForm::Values:
    case RangeForm::DataEntryMsb: {
        const ValueField& min = kind.values[kind.rangeMin];
        const ValueField& max = kind.values[kind.rangeMax];
        range = {min.byte, max.byte, min.Low()};
        return true;
    }
    case RangeForm::DataField:
        range = {rec::MinValue, rec::MaxValue, 0};
        return record[rec::DataType] != DataNone;
    case RangeForm::None:
        break;
    }
    return false;
}

} // namespace kel

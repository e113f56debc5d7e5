// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/controlsetting.h"

#include "model/controllers.h"
#include "model/filetext.h"

namespace kel {
namespace {

Failure Refuse(SettingPart part, TextId id, std::vector<PhraseArg> args = {}) {
    return Failure(Phrase(id, std::move(args)), static_cast<int>(part));
}

Failure HasNo(SettingPart part, std::string_view who, TextId field) {
    return Refuse(part, TextId::SetHasNo, {std::string(who), Phrase(field)});
}

Failure OutOfRange(SettingPart part, PhraseArg name, int value, int low, int high) {
    return Refuse(part, TextId::SetValueOutOfRange, {std::move(name), value, low, high});
}

// The text of a refused message text, as the assign page and kelmap name it: the character
// that is wrong, counted from 1 in the text as given, or the text as a whole.
Phrase MessagePhrase(const std::string& text, ParseResult result) {
    if (result == ParseTooLong) {
        return Phrase(TextId::SetMessageTooLong, {kMaxMessageBytes});
    }
    if (result < 0) {
        return Phrase(TextId::SetMessageMistake);
    }
    const TextSelection at = ErrorSelection(text, result);
    const int character = static_cast<int>(at.start) + 1;
    if (at.length == 0) {
        return Phrase(TextId::SetMessageMistakeAtEnd, {character});
    }
    return Phrase(TextId::SetMessageMistakeAt, {character, text.substr(at.start, 1)});
}

Status SetValues(AssignEntry& e, const AssignKind& kind, const ControlSetting& s) {
    for (int i = 0; i < static_cast<int>(s.values.size()); ++i) {
        const std::optional<int>& value = s.values[static_cast<std::size_t>(i)];
        if (!value) {
            continue;
        }
        const ValueField* field = kind.Value(i);
        if (field == nullptr) {
            return Refuse(SettingPart::Values, TextId::SetHasNo,
                          {std::string(kind.word), Phrase(TextId::SetFieldValue, {i + 1})});
        }
        if (*value < field->Low() || *value > field->High()) {
            return OutOfRange(SettingPart::Values, std::string(field->word), *value, field->Low(),
                              field->High());
        }
        e.SetValueAt(i, *value);
    }
    if (s.realtime) {
        if (kind.type != MsgSystemRealtime) {
            return HasNo(SettingPart::Realtime, kind.word, TextId::SetFieldStatus);
        }
        const int last = static_cast<int>(kRealtimeStatus.size()) - 1;
        if (*s.realtime < 0 || *s.realtime > last) {
            return OutOfRange(SettingPart::Realtime, Phrase(TextId::SetFieldStatus), *s.realtime, 0,
                              last);
        }
        e.SetRealtimeIndex(*s.realtime);
    }
    return {};
}

// The message text, its data type and its data range.
Status SetMessage(AssignEntry& e, const AssignKind& kind, const ControlSetting& s,
                  MessageRefusal* refusal) {
    if (!kind.HasMessageText()) {
        if (s.message) {
            return HasNo(SettingPart::Message, kind.word, TextId::SetFieldMessage);
        }
        if (s.dataType) {
            return HasNo(SettingPart::DataType, kind.word, TextId::SetFieldDataType);
        }
        if (s.dataMin || s.dataMax) {
            return HasNo(SettingPart::DataRange, kind.word, TextId::SetFieldDataRange);
        }
        return {};
    }
    const int dataEntry = s.dataType.value_or(0);
    if (dataEntry < 0 || dataEntry > Data4x4Bit - 1) {
        return OutOfRange(SettingPart::DataType, Phrase(TextId::SetFieldDataType), dataEntry, 0,
                          Data4x4Bit - 1);
    }
    const PageMode mode = kind.type == MsgSystemExclusive ? SysExMode : FreeMode;
    // A kind just chosen keeps its default System Ex. message when no text is given; a Free
    // Message cannot be empty, so its missing text is refused like an empty field.
    const bool parse = s.message || (s.kind != nullptr && mode == FreeMode);
    int top = DataTypeValueRangeTop(parse ? dataEntry : e.GetDataTypeIndex());
    if (parse) {
        const std::string text = s.message.value_or(std::string());
        // Parsed into a copy: a refused text leaves the record as it was.
        AssignEntry parsed = e;
        MessageTextFault fault;
        const ParseResult result = ParseMessageText(parsed, mode, text, dataEntry + 1, &fault);
        if (result != ParseAccepted) {
            if (refusal != nullptr) {
                *refusal = {result, fault};
            }
            return Failure(MessagePhrase(text, result), static_cast<int>(SettingPart::Message));
        }
        e = parsed;
    }
    const bool hasDataField = e.record[rec::DataType] != DataNone;
    if (!hasDataField) {
        if ((s.dataMin || s.dataMax) && !s.rangeOnlyWithDataField) {
            return Refuse(SettingPart::DataRange, TextId::SetNoDataField);
        }
        return {};
    }
    // A new text's range starts as the whole range of its data type (0-15 for DT1, 0-255 for
    // DT4, 0-127 otherwise) unless the setting narrows it.
    const std::optional<int> low = parse ? std::optional<int>(s.dataMin.value_or(0)) : s.dataMin;
    const std::optional<int> high = parse ? std::optional<int>(s.dataMax.value_or(top)) : s.dataMax;
    for (const auto& [value, name, isMin] : {std::tuple{low, TextId::SetFieldMinimum, true},
                                             std::tuple{high, TextId::SetFieldMaximum, false}}) {
        if (!value) {
            continue;
        }
        if (*value < 0 || *value > top) {
            return OutOfRange(SettingPart::DataRange, Phrase(name), *value, 0, top);
        }
        if (*value != (isMin ? e.GetMinValue() : e.GetMaxValue())) {
            isMin ? e.SetMinValue(*value) : e.SetMaxValue(*value);
        }
    }
    return {};
}

// The channel, port, button mode, AFT mode and center click.
Status SetCommonFields(AssignEntry& e, ControllerId id, const AssignKind& kind,
                       const ControlSetting& s) {
    const std::string control(ControllerName(id));
    if (s.channel) {
        if (!kind.channel) {
            return HasNo(SettingPart::Channel, kind.word, TextId::SetFieldChannel);
        }
        if (*s.channel < 1 || *s.channel > 16) {
            return OutOfRange(SettingPart::Channel, Phrase(TextId::SetFieldChannel), *s.channel, 1,
                              16);
        }
        e.SetChannel(*s.channel - 1);
    }
    if (s.port) {
        if (!kind.port) {
            return HasNo(SettingPart::Port, kind.word, TextId::SetFieldPort);
        }
        if (*s.port < 0 || *s.port > 2) {
            return OutOfRange(SettingPart::Port, Phrase(TextId::SetFieldPort), *s.port, 0, 2);
        }
        e.SetPort(*s.port);
    }
    if (s.buttonMode) {
        if (!HasButtonMode(id)) {
            return HasNo(SettingPart::ButtonMode, control, TextId::SetFieldButtonMode);
        }
        if (!kind.HasButtonMode()) {
            return HasNo(SettingPart::ButtonMode, kind.word, TextId::SetFieldButtonMode);
        }
        if (*s.buttonMode < 0 || *s.buttonMode > 2) {
            return OutOfRange(SettingPart::ButtonMode, Phrase(TextId::SetFieldButtonMode),
                              *s.buttonMode, 0, 2);
        }
        if (*s.buttonMode >= kind.buttonModes) {
            return Refuse(
                SettingPart::ButtonMode, TextId::SetButtonModeNotOffered,
                {std::string(kind.word), TableWord{"KelEditor", ButtonModeName(*s.buttonMode)}});
        }
        e.SetButtonMode(*s.buttonMode);
    }
    if (s.aftMode) {
        if (!HasAftMode(id)) {
            return HasNo(SettingPart::AftMode, control, TextId::SetFieldAftMode);
        }
        if (!kind.aftMode) {
            return HasNo(SettingPart::AftMode, kind.word, TextId::SetFieldAftMode);
        }
        if (*s.aftMode < 0 || *s.aftMode > 2) {
            return OutOfRange(SettingPart::AftMode, Phrase(TextId::SetFieldAftMode), *s.aftMode, 0,
                              2);
        }
        e.SetAftMode(*s.aftMode);
    }
    if (s.centerClick) {
        if (!HasCenterClick(id)) {
            return HasNo(SettingPart::CenterClick, control, TextId::SetFieldCenterClick);
        }
        if (!kind.centerClick) {
            return HasNo(SettingPart::CenterClick, kind.word, TextId::SetFieldCenterClick);
        }
        e.SetCenterClick(*s.centerClick ? 1 : 0);
    }
    return {};
}

// A changed comment has to be text the map file can hold beside its other texts; the comment
// the control has already stays as it is.
Status SetComment(AssignEntry& e, const ControlMap& map, ControllerId id, const ControlSetting& s) {
    if (!s.comment || *s.comment == e.comment) {
        return {};
    }
    if (!IsUtf8(*s.comment)) {
        return Refuse(SettingPart::Comment, TextId::SetCommentNotUtf8);
    }
    const TextRoom room = RoomForText(map, id, *s.comment);
    if (room.cut) {
        return Refuse(SettingPart::Comment, TextId::SetCommentTooLong);
    }
    if (room.other) {
        return Failure(TextWithoutRoomPhrase(*room.other), static_cast<int>(SettingPart::Comment));
    }
    e.SetComment(*s.comment);
    return {};
}

Status SetNumber(AssignEntry& e, const AssignKind& kind, const ControlSetting& s) {
    if (!s.number) {
        return {};
    }
    const int index = kind.NumberIndex();
    if (index < 0) {
        return HasNo(SettingPart::Number, kind.word, TextId::FieldController);
    }
    const ValueField& field = *kind.Value(index);
    if (*s.number < field.Low() || *s.number > field.High()) {
        return Refuse(SettingPart::Number, TextId::SetNumberOutOfRange,
                      {std::string(field.word), *s.number, field.Low(), field.High()});
    }
    e.SetValueAt(index, *s.number);
    return {};
}

} // namespace

Status SetControl(AssignEntry& entry, const ControlMap& map, ControllerId id,
                  const ControlSetting& setting, MessageRefusal* refusal) {
    AssignEntry e = entry;
    if (setting.kind != nullptr) {
        if (setting.kind->type == MsgChannel) {
            e.SetChannelKind(setting.kind->channelKind);
        } else {
            e.SetMessageType(setting.kind->type);
        }
    }
    const AssignKind* kind = KindOf(e.record);
    if (kind == nullptr) {
        // A record of an unknown kind takes nothing but a comment until a kind is chosen.
        const bool onlyComment = setting.values == decltype(setting.values){} && !setting.number &&
                                 !setting.realtime && !setting.message && !setting.dataType &&
                                 !setting.dataMin && !setting.dataMax && !setting.channel &&
                                 !setting.port && !setting.buttonMode && !setting.aftMode &&
                                 !setting.centerClick;
        if (!onlyComment) {
            return Refuse(SettingPart::Kind, TextId::InvalidCode,
                          {std::string(ControllerName(id)), int{e.record[rec::AssignCode]}});
        }
    } else {
        if (Status step = SetValues(e, *kind, setting); !step) {
            return step;
        }
        if (Status step = SetMessage(e, *kind, setting, refusal); !step) {
            return step;
        }
        if (Status step = SetCommonFields(e, id, *kind, setting); !step) {
            return step;
        }
    }
    if (Status step = SetComment(e, map, id, setting); !step) {
        return step;
    }
    if (kind != nullptr) {
        if (Status step = SetNumber(e, *kind, setting); !step) {
            return step;
        }
    }
    entry = std::move(e);
    return {};
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/multiedit.h"

#include <algorithm>

#include "model/controlsetting.h"
#include "model/kinds.h"
#include "model/msgtext.h"

namespace kel {
namespace {

using T = TextId;

Phrase Outside(ControllerId id, TextId field, int value, int low, int high) {
    return Phrase(T::EditOutsideRange,
                  {std::string(ControllerName(id)), Phrase(field), value, low, high});
}

// The minimum or the maximum (as shown) into `setting` where the kind has a range in `e`;
// returns the refusal when `shown` is outside what the range can hold.
Phrase DescribeRangeEnd(const AssignEntry& e, ControllerId id, const AssignKind& kind, bool minimum,
                        int shown, ControlSetting& setting) {
    RangeBytes range;
    if (!RangeOf(kind, e.record, range)) {
        return {};
    }
    const TextId word = minimum ? T::FieldMinimum : T::FieldMaximum;
    if (kind.range == RangeForm::DataField) {
        const int top = DataTypeValueRangeTop(e.record[rec::DataType] - 1);
        if (shown < 0 || shown > top) {
            return Outside(id, word, shown, 0, top);
        }
        (minimum ? setting.dataMin : setting.dataMax) = shown;
        return {};
    }
    const int index = minimum ? kind.rangeMin : kind.rangeMax;
    const ValueField& field = *kind.Value(index);
    if (shown < field.Low() || shown > field.High()) {
        return Outside(id, word, shown, field.Low(), field.High());
    }
    setting.values[static_cast<std::size_t>(index)] = shown;
    return {};
}

// The edit of one control, given to it as settings of the fields it has; returns the refusal,
// `e` then as it was.
Phrase EditOne(AssignEntry& e, const ControlMap& texts, ControllerId id, const MultiEdit& edit,
               std::optional<int> number) {
    if (edit.channelKind && e.GetChannelKind() != *edit.channelKind) {
        // The new kind keeps the channel and the port where both kinds have them.
        const AssignKind* before = KindOf(e.record);
        ControlSetting kindChange;
        kindChange.kind = KindOfChannelKind(*edit.channelKind);
        if (kindChange.kind == nullptr) {
            return {};
        }
        if (before != nullptr && before->channel && kindChange.kind->channel) {
            kindChange.channel = e.GetChannel() + 1;
        }
        if (before != nullptr && before->port && kindChange.kind->port) {
            kindChange.port = e.GetPort();
        }
        if (const Status set = SetControl(e, texts, id, kindChange); !set) {
            return set.Why();
        }
    }
    const AssignKind* kind = KindOf(e.record);
    if (kind == nullptr) {
        return {}; // an invalid code: nothing of it is known, so nothing is set
    }
    ControlSetting setting;
    if (edit.channel && kind->channel) {
        setting.channel = *edit.channel + 1;
    }
    if (edit.port && kind->port) {
        setting.port = *edit.port;
    }
    if (edit.buttonMode && HasButtonMode(id) && *edit.buttonMode < kind->buttonModes) {
        setting.buttonMode = *edit.buttonMode;
    }
    if (number) {
        if (const int index = kind->NumberIndex(); index >= 0) {
            const ValueField& field = *kind->Value(index);
            if (*number < field.Low() || *number > field.High()) {
                return Outside(id, ValueFieldText(field.name), *number, field.Low(), field.High());
            }
            setting.number = number;
        }
    }
    for (const bool minimum : {true, false}) {
        const std::optional<int>& shown = minimum ? edit.minimum : edit.maximum;
        if (shown) {
            if (Phrase refusal = DescribeRangeEnd(e, id, *kind, minimum, *shown, setting);
                !refusal.Empty()) {
                return refusal;
            }
        }
    }
    if (const Status set = SetControl(e, texts, id, setting); !set) {
        return set.Why();
    }
    return {};
}

} // namespace

bool MultiEditPreview::Refused() const {
    return std::any_of(rows.begin(), rows.end(),
                       [](const MultiEditRow& row) { return !row.refusal.Empty(); });
}

std::vector<ControllerId> MultiEditPreview::Changed() const {
    std::vector<ControllerId> ids;
    for (const MultiEditRow& row : rows) {
        if (row.after != row.before) {
            ids.push_back(row.id);
        }
    }
    return ids;
}

MultiEditPreview PreviewMultiEdit(const RecordTable& records, std::span<const ControllerId> ids,
                                  const MultiEdit& edit) {
    MultiEditPreview preview;
    preview.result = records;
    // The sequence numbers only the controls whose kind (after the edit) has a number, so that
    // a row of knobs with a pedal set to Tempo in it still counts 20, 21, 22 on the knobs.
    std::vector<int> numbers;
    if (edit.numbering) {
        numbers = SequenceNumbers(*edit.numbering, ids.size());
    }
    std::size_t nextNumber = 0;
    const ControlMap noTexts; // the edit sets no comment, so no text is weighed
    for (const ControllerId id : ids) {
        if (!IsValidController(id)) {
            continue;
        }
        MultiEditRow row;
        row.id = id;
        row.before = records[static_cast<std::size_t>(id)];
        AssignEntry e;
        e.record = row.before;
        e.controllerId = id;
        std::optional<int> number;
        if (edit.numbering) {
            AssignEntry kindOnly = e;
            if (edit.channelKind) {
                kindOnly.SetChannelKind(*edit.channelKind);
            }
            const AssignKind* kind = KindOf(kindOnly.record);
            if (kind != nullptr && kind->NumberIndex() >= 0) {
                number = numbers[nextNumber++];
            }
        }
        row.refusal = EditOne(e, noTexts, id, edit, number);
        row.after = row.refusal.Empty() ? e.record : row.before;
        preview.result[static_cast<std::size_t>(id)] = row.after;
        preview.rows.push_back(std::move(row));
    }
    for (CheckFinding& finding : CheckControlMap(preview.result)) {
        const bool concerned = std::any_of(
            finding.controls.begin(), finding.controls.end(), [&ids](ControllerId control) {
                return std::find(ids.begin(), ids.end(), control) != ids.end();
            });
        if (concerned) {
            preview.findings.push_back(std::move(finding));
        }
    }
    return preview;
}

} // namespace kel

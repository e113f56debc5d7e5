// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/multiedit.h"

#include <algorithm>

#include "model/kinds.h"
#include "model/msgtext.h"

namespace kel {
namespace {

using T = TextId;

Phrase Outside(ControllerId id, TextId field, int value, int low, int high) {
    return Phrase(T::EditOutsideRange,
                  {std::string(ControllerName(id)), Phrase(field), value, low, high});
}

// Sets the minimum or the maximum (as shown) where the record's kind has a range; returns the
// refusal when `shown` is outside what the range can hold.
Phrase SetRangeEnd(AssignEntry& e, ControllerId id, const AssignKind& kind, bool minimum,
                   int shown) {
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
        minimum ? e.SetMinValue(shown) : e.SetMaxValue(shown);
        return {};
    }
    const int index = minimum ? kind.rangeMin : kind.rangeMax;
    const ValueField& field = *kind.Value(index);
    if (shown < field.Low() || shown > field.High()) {
        return Outside(id, word, shown, field.Low(), field.High());
    }
    e.SetValueAt(index, shown);
    return {};
}

// The edit of one control; returns the refusal, `e` then half edited.
Phrase EditOne(AssignEntry& e, ControllerId id, const MultiEdit& edit, std::optional<int> number) {
    if (edit.channelKind && e.GetChannelKind() != *edit.channelKind) {
        const AssignKind* before = KindOf(e.record);
        const int channel = before != nullptr && before->channel ? e.GetChannel() : -1;
        const int port = before != nullptr && before->port ? e.GetPort() : -1;
        e.SetChannelKind(*edit.channelKind);
        if (channel >= 0) {
            e.SetChannel(channel);
        }
        if (port >= 0) {
            e.SetPort(port);
        }
    }
    const AssignKind* kind = KindOf(e.record);
    if (kind == nullptr) {
        return {}; // an invalid code: nothing of it is known, so nothing is set
    }
    if (edit.channel && kind->channel) {
        e.SetChannel(*edit.channel);
    }
    if (edit.port && kind->port) {
        e.SetPort(*edit.port);
    }
    if (edit.buttonMode && HasButtonMode(id) && *edit.buttonMode < kind->buttonModes) {
        e.SetButtonMode(*edit.buttonMode);
    }
    if (number) {
        if (const int index = kind->NumberIndex(); index >= 0) {
            const ValueField& field = *kind->Value(index);
            if (*number < field.Low() || *number > field.High()) {
                return Outside(id, ValueFieldText(field.name), *number, field.Low(), field.High());
            }
            e.SetValueAt(index, *number);
        }
    }
    for (const bool minimum : {true, false}) {
        const std::optional<int>& shown = minimum ? edit.minimum : edit.maximum;
        if (shown) {
            if (Phrase refusal = SetRangeEnd(e, id, *kind, minimum, *shown); !refusal.Empty()) {
                return refusal;
            }
        }
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
        row.refusal = EditOne(e, id, edit, number);
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

// SPDX-License-Identifier: GPL-3.0-or-later
// One edit for many controls, worked out before anything changes: every control that has a
// field takes it, the others keep going, a row is numbered in sequence, a number the control
// cannot take refuses that control and shows why, and the map check sees the result.
#include <gtest/gtest.h>

#include "model/kinds.h"
#include "model/multiedit.h"
#include "model/phrase.h"

namespace kel {
namespace {

AssignRecord Record(const char* word, std::initializer_list<int> values, int channel = 0) {
    AssignEntry e;
    const AssignKind& kind = *FindKind(word);
    kind.type == MsgChannel ? e.SetChannelKind(kind.channelKind) : e.SetMessageType(kind.type);
    int i = 0;
    for (const int v : values) {
        e.SetValueAt(i++, v);
    }
    e.SetChannel(channel);
    return e.record;
}

std::vector<ControllerId> Range(ControllerId first, ControllerId last) {
    std::vector<ControllerId> ids;
    for (ControllerId id = first; id <= last; ++id) {
        ids.push_back(id);
    }
    return ids;
}

// Eight knobs that send all sorts of things become CC 20-27 on channel 2 in one edit; the
// tempo knob among them has no channel and no number and is passed over by the numbering.
TEST(MultiEdit, KnobsOfAnyKindBecomeARowOfControllersOnOneChannel) {
    RecordTable records{};
    records[0] = Record("note", {60, 100});
    records[1] = Record("cc", {7, 0, 127}, 5);
    records[2] = Record("tempo", {});
    records[3] = Record("pc", {10});
    MultiEdit edit;
    edit.channel = 1;
    edit.numbering = NumberSequence{20, 1, false};
    edit.channelKind = KindControlChange;
    const RecordTable untouched = records;

    MultiEditPreview preview = PreviewMultiEdit(records, Range(0, 7), edit);
    EXPECT_EQ(records, untouched);
    ASSERT_EQ(preview.rows.size(), 8u);
    EXPECT_FALSE(preview.Refused());
    for (int i = 0; i < 8; ++i) {
        AssignEntry after;
        after.record = preview.rows[static_cast<std::size_t>(i)].after;
        EXPECT_EQ(after.GetChannelKind(), KindControlChange) << i;
        EXPECT_EQ(after.GetChannel(), 1) << i;
        EXPECT_EQ(after.GetValueAt(0), 20 + i) << i;
        EXPECT_EQ(preview.result[static_cast<std::size_t>(i)], after.record);
    }
    // R2 was a CC already: it keeps its range, only channel and number change.
    AssignEntry r2;
    r2.record = preview.rows[1].after;
    EXPECT_EQ(r2.GetValueAt(2), 127);
    EXPECT_EQ(preview.Changed().size(), 8u);
    EXPECT_TRUE(preview.findings.empty());

    // Without a kind, the tempo knob keeps its tempo and the numbering skips it.
    edit.channelKind.reset();
    preview = PreviewMultiEdit(records, Range(0, 3), edit);
    EXPECT_EQ(preview.rows[2].after, records[2]);
    AssignEntry pc;
    pc.record = preview.rows[3].after;
    EXPECT_EQ(pc.GetValueAt(0), 22); // the third numbered control
}

// A number beyond the range refuses that control alone, names it and leaves it as it was;
// the map check reports what the edit would make two controls send alike.
TEST(MultiEdit, ARefusedControlIsNamedAndTheCheckSeesTheResult) {
    RecordTable records{};
    for (ControllerId id = 0; id < 3; ++id) {
        records[static_cast<std::size_t>(id)] = Record("cc", {1, 0, 127});
    }
    records[20] = Record("cc", {127, 0, 127}); // A3, outside the row
    MultiEdit edit;
    edit.numbering = NumberSequence{126, 1, false};
    MultiEditPreview preview = PreviewMultiEdit(records, Range(0, 2), edit);
    ASSERT_TRUE(preview.Refused());
    EXPECT_TRUE(preview.rows[0].refusal.Empty());
    EXPECT_TRUE(preview.rows[1].refusal.Empty());
    EXPECT_EQ(EnglishText(preview.rows[2].refusal),
              "R3: the controller number would be 128, outside 0-127.");
    EXPECT_EQ(preview.rows[2].after, records[2]);
    ASSERT_EQ(preview.findings.size(), 1u);
    EXPECT_EQ(preview.findings[0].message, "R2 and A3 both send CC 127 on channel 1, Port 1.");

    // A minimum a program range cannot hold is refused on it; the CC beside it takes it.
    records[3] = Record("pc-range", {1, 128});
    edit = {};
    edit.minimum = 0;
    preview = PreviewMultiEdit(records, Range(2, 3), edit);
    EXPECT_TRUE(preview.rows[0].refusal.Empty());
    EXPECT_EQ(EnglishText(preview.rows[1].refusal), "R4: the minimum would be 0, outside 1-128.");
}

} // namespace
} // namespace kel

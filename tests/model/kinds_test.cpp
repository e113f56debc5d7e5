// SPDX-License-Identifier: GPL-3.0-or-later
// The description of each kind of assignment, checked for what its readers rely on: every code
// finds its kind, each value has a byte of its own and keeps to its range, the range pair is the
// kind's minimum and maximum, and the check, the comparison, the labels and the list agree on
// which values tell two messages of a kind apart.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "model/assignlist.h"
#include "model/kinds.h"
#include "model/labels.h"
#include "model/mapcheck.h"
#include "model/mapcompare.h"

namespace kel {
namespace {

AssignEntry Chosen(const AssignKind& kind) {
    AssignEntry e;
    if (kind.type == MsgChannel) {
        e.SetChannelKind(kind.channelKind);
    } else {
        e.SetMessageType(kind.type);
    }
    return e;
}

TEST(AssignKinds, EveryCodeAndWordLeadsToItsKind) {
    std::set<int> known;
    std::set<std::string_view> words;
    for (const AssignKind& kind : AssignKinds()) {
        SCOPED_TRACE(std::string(kind.word));
        EXPECT_TRUE(words.insert(kind.word).second) << "word used twice";
        EXPECT_EQ(FindKind(kind.word), &kind);
        const AssignEntry chosen = Chosen(kind);
        EXPECT_EQ(KindOf(chosen.record), &kind);
        EXPECT_EQ(chosen.GetMessageType(), kind.type);
        EXPECT_EQ(chosen.GetChannelKind(), kind.channelKind);
        if (kind.type == MsgChannel) {
            EXPECT_EQ(KindOfChannelKind(kind.channelKind), &kind);
        }
        known.insert(kind.code);
        if (kind.twin) {
            AssignRecord twin = chosen.record;
            twin[rec::AssignCode] = static_cast<std::uint8_t>(kind.code + 1);
            EXPECT_EQ(KindOf(twin), &kind);
            EXPECT_EQ(BaseCode(twin[rec::AssignCode]), kind.code);
            known.insert(kind.code + 1);
        }
    }
    for (int code = 0; code < 256; ++code) {
        AssignRecord r{};
        r[rec::AssignCode] = static_cast<std::uint8_t>(code);
        EXPECT_EQ(KindOf(r) != nullptr, known.count(code) == 1) << "code " << code;
    }
    EXPECT_EQ(FindKind("bogus"), nullptr);
    EXPECT_EQ(KindOfChannelKind(kChannelKindCount), nullptr);
    // The shared code of the stepping program changes: Dec only with byte 5 = 1.
    AssignRecord step{};
    step[rec::AssignCode] = CodeProgramChangeStep;
    for (int b5 : {0, 1, 2}) {
        step[rec::StepDirection] = static_cast<std::uint8_t>(b5);
        EXPECT_EQ(KindOf(step)->channelKind, b5 == 1 ? KindProgramChangeDec : KindProgramChangeInc);
    }
}

// Each value has a byte no other field of the kind uses, starts at its initial value, takes
// exactly its range, and a byte above 7 bits is one error of the check naming its shown number.
TEST(AssignKinds, EachValueOwnsItsByteAndKeepsToItsRange) {
    for (const AssignKind& kind : AssignKinds()) {
        SCOPED_TRACE(std::string(kind.word));
        std::set<int> bytes;
        for (const FixedByte& fixed : kind.fixed) {
            if (fixed.byte != 0) {
                bytes.insert(fixed.byte);
            }
        }
        if (kind.aftMode) {
            bytes.insert(rec::AftMode);
        }
        const AssignEntry chosen = Chosen(kind);
        for (int i = 0; i < kind.valueCount; ++i) {
            const ValueField& v = *kind.Value(i);
            SCOPED_TRACE(std::string(v.word));
            EXPECT_GE(v.byte, rec::Values);
            EXPECT_TRUE(bytes.insert(v.byte).second) << "byte " << int(v.byte) << " used twice";
            EXPECT_EQ(chosen.GetValueAt(i), v.initial + v.Low());

            AssignEntry e = chosen;
            EXPECT_EQ(e.SetValueAt(i, v.Low() - 1), 0);
            EXPECT_EQ(e.SetValueAt(i, v.High() + 1), 0);
            EXPECT_EQ(e.record, chosen.record);
            e.SetValueAt(i, v.High());
            e.SetValueAt(i, v.Low());
            e.SetValueAt(i, v.High());
            EXPECT_EQ(e.GetValueAt(i), v.High());
            for (std::size_t b = 0; b < kRecordSize; ++b) {
                EXPECT_EQ(e.record[b], b == v.byte ? 127 : chosen.record[b]) << "byte " << b;
            }

            RecordTable table{};
            table[0] = chosen.record;
            table[0][v.byte] = 128;
            int errors = 0;
            for (const CheckFinding& f : CheckControlMap(table)) {
                if (f.severity == CheckSeverity::Error) {
                    ++errors;
                    EXPECT_EQ(f.text.id, TextId::ValueOutOfRange);
                    EXPECT_EQ(EnglishText(f.text.args.at(2)), std::to_string(128 + v.Low()));
                    EXPECT_EQ(EnglishText(f.text.args.at(3)), std::to_string(v.High()));
                }
            }
            EXPECT_EQ(errors, 1);
        }
        AssignEntry e = chosen;
        EXPECT_EQ(e.GetValueAt(kind.valueCount), 0);
        EXPECT_EQ(e.SetValueAt(kind.valueCount, 1), 0);
        EXPECT_EQ(e.record, chosen.record);
    }
}

// The range pair is the kind's minimum and maximum: inverted, the check warns with the numbers
// the user sees, and a changed minimum is named by the comparison.
TEST(AssignKinds, TheRangePairIsTheMinimumAndMaximum) {
    int kindsWithRange = 0;
    for (const AssignKind& kind : AssignKinds()) {
        if (kind.range != RangeForm::Values && kind.range != RangeForm::DataEntryMsb) {
            continue;
        }
        SCOPED_TRACE(std::string(kind.word));
        ++kindsWithRange;
        const ValueField& min = kind.values[kind.rangeMin];
        const ValueField& max = kind.values[kind.rangeMax];
        ASSERT_LT(kind.rangeMin, kind.valueCount);
        ASSERT_LT(kind.rangeMax, kind.valueCount);
        EXPECT_EQ(min.name, ValueName::Minimum);
        EXPECT_EQ(max.name, ValueName::Maximum);
        EXPECT_EQ(min.program, max.program);

        AssignEntry e = Chosen(kind);
        const AssignRecord before = e.record;
        e.SetValueAt(kind.rangeMin, min.High());
        e.SetValueAt(kind.rangeMax, max.Low() + 1);
        RecordTable table{};
        table[0] = e.record;
        const std::vector<CheckFinding> findings = CheckControlMap(table);
        ASSERT_EQ(findings.size(), 1u);
        EXPECT_EQ(findings[0].text.id, TextId::RangeInverted);
        EXPECT_EQ(EnglishText(findings[0].text.args.at(1)), std::to_string(min.High()));
        EXPECT_EQ(EnglishText(findings[0].text.args.at(2)), std::to_string(max.Low() + 1));

        const ControlDifference d = CompareControl(0, before, e.record, "", "");
        ASSERT_EQ(d.changes.size(), 2u);
        EXPECT_EQ(d.changes[0].field, CompareField::Minimum);
        EXPECT_EQ(EnglishText(d.changes[0].after), std::to_string(min.High()));
        EXPECT_EQ(d.changes[1].field, CompareField::Maximum);
    }
    EXPECT_EQ(kindsWithRange, 6);
}

// A value the label shows tells two messages apart: changing it changes the label and the list
// row and ends a duplicate. Any other value leaves label and duplicate alone, and the
// comparison names it instead.
TEST(AssignKinds, LabelledValuesTellMessagesApart) {
    for (const AssignKind& kind : AssignKinds()) {
        if (kind.type != MsgChannel) {
            continue;
        }
        SCOPED_TRACE(std::string(kind.word));
        const AssignEntry chosen = Chosen(kind);
        for (int i = 0; i < kind.valueCount; ++i) {
            const ValueField& v = *kind.Value(i);
            SCOPED_TRACE(std::string(v.word));
            AssignEntry other = chosen;
            other.SetValueAt(i, chosen.GetValueAt(i) == v.Low() ? v.Low() + 1 : v.Low());

            RecordTable table{};
            table[0] = chosen.record;
            table[1] = other.record;
            bool duplicate = false;
            for (const CheckFinding& f : CheckControlMap(table)) {
                duplicate = duplicate || f.text.id == TextId::SameMessageTwo;
            }
            const ControlDifference d = CompareControl(0, chosen.record, other.record, "", "");
            EXPECT_EQ(duplicate, !v.labelled);
            EXPECT_EQ(AssignmentLabel(chosen.record) != AssignmentLabel(other.record), v.labelled);
            EXPECT_NE(AssignListRow(0, chosen.record, ""), AssignListRow(0, other.record, ""));
            if (!v.labelled) {
                ASSERT_EQ(d.changes.size(), 1u);
                EXPECT_NE(d.changes[0].field, CompareField::Other);
            }
        }
    }
}

} // namespace
} // namespace kel

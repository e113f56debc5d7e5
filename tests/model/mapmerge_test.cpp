// SPDX-License-Identifier: GPL-3.0-or-later
// Taking controls from another map is one change of the document or none: taken, the records
// and comments arrive as one step; refused (a text would lose its place in the file), the
// document, its modified flag and its undo history see nothing.
#include <gtest/gtest.h>

#include <vector>

#include "model/controllers.h"
#include "model/mapmerge.h"

namespace kel {
namespace {

TEST(TakeControls, TakesAllListedControlsAsOneChangeOrRefusesWithoutAChange) {
    std::string kanji;
    for (int i = 0; i < 64; ++i) {
        kanji += "日";
    }
    CParameter document;
    document.Map().textEncoding = TextEncoding::Cp932;
    document.Map().title = kanji; // 128 bytes in Shift-JIS, 192 in UTF-8
    int changes = 0;
    document.SetChangeHandler([&](MapChange, ControllerId, const ControlMap&) { ++changes; });

    ControlMap other;
    const ControllerId r1 = FindController("R1");
    const ControllerId r2 = FindController("R2");
    other.records[static_cast<std::size_t>(r1)][rec::AssignCode] = CodeControlChange;
    other.records[static_cast<std::size_t>(r2)][rec::AssignCode] = CodeTempo;
    other.comments[static_cast<std::size_t>(r1)] = "é€"; // only UTF-8 holds the euro sign
    other.comments[static_cast<std::size_t>(r2)] = "ピアノ";

    const ControlMap before = document.Map();
    const std::vector<ControllerId> both{r1, r2};
    const Status refused = TakeControls(document, other, both);
    ASSERT_FALSE(refused.Ok());
    EXPECT_EQ(refused.Why().id, TextId::TextWouldBeCut);
    EXPECT_EQ(EnglishText(refused.Why()).rfind("The title would take 192 bytes in UTF-8", 0), 0u)
        << EnglishText(refused.Why());
    EXPECT_EQ(document.Map().records, before.records);
    EXPECT_EQ(document.Map().comments, before.comments);
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(changes, 0);

    const std::vector<ControllerId> second{r2};
    ASSERT_TRUE(TakeControls(document, other, second).Ok());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(document.Map().records[static_cast<std::size_t>(r2)][rec::AssignCode], CodeTempo);
    EXPECT_EQ(document.Map().comments[static_cast<std::size_t>(r2)], "ピアノ");
    EXPECT_EQ(document.Map().records[static_cast<std::size_t>(r1)], before.records[0]);
    EXPECT_EQ(document.Map().title, kanji);
}

} // namespace
} // namespace kel

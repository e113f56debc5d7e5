// SPDX-License-Identifier: GPL-3.0-or-later
// The document's change handler: which edits it hears of, with the map as it was before.
#include <gtest/gtest.h>

#include <vector>

#include "model/parameter.h"

namespace kel {
namespace {

struct Heard {
    MapChange change;
    ControllerId id;
    ControlMap before;
};

class ChangeHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc_.SetChangeHandler([this](MapChange change, ControllerId id, const ControlMap& before) {
            heard_.push_back({change, id, before});
        });
    }

    CParameter doc_;
    std::vector<Heard> heard_;
};

TEST_F(ChangeHandlerTest, CommitOfAChangedRecordOrCommentIsHeardWithTheMapBefore) {
    doc_.SelectController(3);
    doc_.EditBuffer().record[rec::AssignCode] = CodeControlChange;
    doc_.EditBuffer().record[5] = 74;
    doc_.CommitEdit();
    ASSERT_EQ(heard_.size(), 1u);
    EXPECT_EQ(heard_[0].change, MapChange::Assign);
    EXPECT_EQ(heard_[0].id, 3);
    EXPECT_EQ(heard_[0].before.records[3], AssignRecord{});
    EXPECT_FALSE(heard_[0].before.modified);
    EXPECT_EQ(doc_.RecordOf(3)[5], 74);

    doc_.EditBuffer().comment = "Cutoff";
    doc_.CommitEdit();
    ASSERT_EQ(heard_.size(), 2u);
    EXPECT_EQ(heard_[1].before.comments[3], "");
    EXPECT_EQ(heard_[1].before.records[3][5], 74);
    EXPECT_TRUE(heard_[1].before.modified);
}

TEST_F(ChangeHandlerTest, CommitsThatChangeNothingAreNotHeard) {
    doc_.SelectController(0);
    doc_.EditBuffer().changed = true; // raised, but the bytes equal the map's
    doc_.CommitEdit();
    // A comment above the limit is cut to what is stored already: no change the second time.
    doc_.EditBuffer().comment = std::string(200, 'x');
    doc_.CommitEdit();
    ASSERT_EQ(heard_.size(), 1u);
    doc_.EditBuffer().comment = std::string(200, 'x');
    doc_.CommitEdit();
    EXPECT_EQ(heard_.size(), 1u);
}

TEST_F(ChangeHandlerTest, TitleCommitsAreHeardButTheReadersSetTitleIsNot) {
    doc_.CommitTitle("Live");
    doc_.CommitTitle("Live");
    doc_.SetTitle("Studio"); // how a file reader sets the title
    ASSERT_EQ(heard_.size(), 1u);
    EXPECT_EQ(heard_[0].change, MapChange::Title);
    EXPECT_EQ(heard_[0].id, kNoController);
    EXPECT_EQ(heard_[0].before.title, "");
    EXPECT_EQ(doc_.GetTitle(), "Studio");
    EXPECT_TRUE(doc_.IsModified());
}

TEST_F(ChangeHandlerTest, NewDocumentIsHeardAsAReplacedMap) {
    doc_.CommitTitle("Live");
    doc_.NewDocument();
    ASSERT_EQ(heard_.size(), 2u);
    EXPECT_EQ(heard_[1].change, MapChange::Replaced);
    EXPECT_EQ(heard_[1].before.title, "Live");
    EXPECT_EQ(doc_.GetTitle(), "");
}

TEST(ParameterWithoutHandler, CommitsWork) {
    CParameter doc;
    doc.SelectController(1);
    doc.EditBuffer().record[rec::AssignCode] = CodeNote;
    doc.CommitEdit();
    doc.CommitTitle("T");
    EXPECT_EQ(doc.RecordOf(1)[rec::AssignCode], CodeNote);
    EXPECT_EQ(doc.GetTitle(), "T");
}

} // namespace
} // namespace kel

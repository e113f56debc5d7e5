// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/parameter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kel {
namespace {

using ::testing::Return;

class MockQuestioner : public Questioner {
public:
    MOCK_METHOD(Answer, askYesNoCancel, (StringId id), (override));
};

TEST(Document, NewDocumentIsEmptyAndClean) {
    CParameter doc;
    for (int id = 0; id < kControllerCount; ++id) {
        EXPECT_EQ(doc.RecordOf(id), AssignRecord{});
        EXPECT_EQ(doc.GetMapComment(id), "");
    }
    EXPECT_EQ(doc.GetTitle(), "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.SelectedController(), -1);
    EXPECT_FALSE(doc.ClipboardValid());
    EXPECT_EQ(doc.EditBuffer().controllerId, -1);
}

TEST(Document, TitleAndCommentsAreCutAndMarkModified) {
    CParameter doc;
    doc.SetTitle(std::string(200, 't'));
    EXPECT_EQ(doc.GetTitle(), std::string(128, 't'));
    EXPECT_TRUE(doc.IsModified());

    doc.SetModified(false);
    doc.SetTitle(static_cast<const char*>(nullptr));
    EXPECT_EQ(doc.GetTitle(), "");
    EXPECT_FALSE(doc.IsModified()); // a null text only empties

    doc.SetMapComment(3, std::string(130, 'x'));
    EXPECT_EQ(doc.GetMapCommentLength(3), 128u);
    EXPECT_TRUE(doc.IsModified());
    doc.SetModified(false);
    doc.SetMapComment(50, "ignored");
    doc.SetMapComment(-1, "ignored");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetMapComment(50), "");
}

TEST(Document, CommitComparesBytesNotSetterCalls) {
    CParameter doc;
    doc.SelectController(5);
    AssignEntry& edit = doc.EditBuffer();
    EXPECT_EQ(edit.controllerId, 5);

    // Selecting elsewhere with an untouched buffer writes nothing.
    doc.SelectController(6);
    EXPECT_FALSE(doc.IsModified());

    // Set a value and set it back: the commit finds identical bytes.
    doc.SelectController(6);
    edit.SetMessageType(MsgChannel);
    edit.SetMessageType(MsgNoAssign);
    EXPECT_TRUE(edit.changed);
    doc.SelectController(7);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.RecordOf(6), AssignRecord{});

    // A real change reaches the map of the controller selected so far.
    edit.SetMessageType(MsgTempo);
    edit.SetComment("tempo");
    doc.SelectController(8);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.RecordOf(7)[0], CodeTempo);
    EXPECT_EQ(doc.GetMapComment(7), "tempo");
    EXPECT_EQ(doc.RecordOf(8), AssignRecord{});
    EXPECT_EQ(edit.controllerId, 8);
    EXPECT_FALSE(edit.changed);

    // A comment alone is a change too.
    doc.SetModified(false);
    edit.SetComment("note");
    doc.CommitEdit();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetMapComment(8), "note");
}

TEST(Document, SelectingNothingKeepsTheBuffer) {
    CParameter doc;
    doc.SelectController(2);
    doc.EditBuffer().SetMessageType(MsgTempo);
    doc.SelectController(-1); // commits the pending edit, keeps the buffer
    EXPECT_EQ(doc.RecordOf(2)[0], CodeTempo);
    EXPECT_EQ(doc.SelectedController(), -1);
    EXPECT_EQ(doc.EditBuffer().record[0], CodeTempo);
    doc.SelectController(60);
    EXPECT_EQ(doc.SelectedController(), 60);
    doc.CommitEdit(); // nothing happens for an id outside 0..49
}

TEST(Document, RevertReloadsFromTheMap) {
    CParameter doc;
    doc.SelectController(0);
    doc.EditBuffer().SetChannelKind(KindControlChange);
    doc.EditBuffer().SetComment("pending");
    doc.RevertEdit();
    EXPECT_EQ(doc.EditBuffer().record, AssignRecord{});
    EXPECT_EQ(doc.EditBuffer().comment, "");
    EXPECT_FALSE(doc.IsModified());
}

TEST(Document, CopyPasteClear) {
    CParameter doc;
    // The views are told each change of the edit buffer, so that they show it.
    struct : DocumentObserver {
        int edits = 0;
        void EditBufferChanged() override { ++edits; }
    } views;
    doc.AddObserver(&views);
    int& refreshes = views.edits;

    // Nothing selected: all three do nothing.
    doc.CopyAssign();
    EXPECT_FALSE(doc.ClipboardValid());
    doc.ClearAssign();
    EXPECT_EQ(refreshes, 0);

    doc.SelectController(10);
    doc.PasteAssign(); // before the first copy
    EXPECT_FALSE(doc.EditBuffer().changed);
    EXPECT_EQ(refreshes, 0);

    // Copy takes the pending, uncommitted edit.
    doc.EditBuffer().SetChannelKind(KindNrpn);
    doc.EditBuffer().SetComment("filter");
    doc.CopyAssign();
    EXPECT_TRUE(doc.ClipboardValid());
    EXPECT_EQ(doc.ClipboardRecord().controllerId, 10);
    EXPECT_EQ(doc.ClipboardRecord().record[0], CodeNrpn);

    doc.SelectController(20);
    doc.PasteAssign();
    EXPECT_EQ(refreshes, 1);
    EXPECT_TRUE(doc.EditBuffer().changed);
    EXPECT_EQ(doc.EditBuffer().comment, "filter");
    EXPECT_EQ(doc.RecordOf(20), AssignRecord{}); // only the commit writes the map
    doc.CommitEdit();
    EXPECT_EQ(doc.RecordOf(20), doc.RecordOf(10));

    doc.ClearAssign();
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(doc.EditBuffer().record, AssignRecord{});
    EXPECT_EQ(doc.EditBuffer().comment, "");
    doc.CommitEdit();
    EXPECT_EQ(doc.RecordOf(20), AssignRecord{});
    EXPECT_EQ(doc.GetMapComment(20), "");
}

TEST(Document, NextAndPreviousWrap) {
    CParameter doc;
    EXPECT_EQ(doc.NextController(), 0);
    EXPECT_EQ(doc.PreviousController(), 0);
    doc.SelectController(49);
    EXPECT_EQ(doc.NextController(), 0);
    EXPECT_EQ(doc.PreviousController(), 48);
    doc.SelectController(0);
    EXPECT_EQ(doc.PreviousController(), 49);
    EXPECT_EQ(doc.NextController(), 1);
}

TEST(Document, FoldTwinCodesTouchesOnlyTheCode) {
    CParameter doc;
    const int twins[] = {2, 4, 6, 8, 16, 18, 21, 23};
    for (int i = 0; i < 8; ++i) {
        doc.RecordOf(i)[0] = static_cast<std::uint8_t>(twins[i]);
        doc.RecordOf(i)[5] = 0x42;
    }
    doc.RecordOf(8)[0] = 11; // invalid codes are left alone
    doc.RecordOf(9)[0] = 200;
    doc.FoldTwinCodes();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(doc.RecordOf(i)[0], twins[i] - 1);
        EXPECT_EQ(doc.RecordOf(i)[5], 0x42);
    }
    EXPECT_EQ(doc.RecordOf(8)[0], 11);
    EXPECT_EQ(doc.RecordOf(9)[0], 200);
    EXPECT_FALSE(doc.IsModified());
}

TEST(Document, NewDocumentKeepsSelectionAndClipboard) {
    CParameter doc;
    doc.SelectController(4);
    doc.EditBuffer().SetMessageType(MsgTempo);
    doc.CopyAssign();
    doc.CommitEdit();
    doc.SetTitle("title");
    doc.SetCopyrightText("(c)");
    doc.NewDocument();
    EXPECT_EQ(doc.SelectedController(), 4);
    EXPECT_TRUE(doc.ClipboardValid());
    EXPECT_EQ(doc.EditBuffer().record, AssignRecord{});
    EXPECT_FALSE(doc.EditBuffer().changed);
    EXPECT_EQ(doc.RecordOf(4), AssignRecord{});
    EXPECT_EQ(doc.GetTitle(), "");
    EXPECT_EQ(doc.CopyrightText(), "");
    EXPECT_FALSE(doc.IsModified());
}

TEST(Document, ConfirmDiscard) {
    CParameter doc;
    MockQuestioner ask;
    int saves = 0;
    auto save = [&] { ++saves; };

    EXPECT_CALL(ask, askYesNoCancel).Times(0);
    EXPECT_EQ(doc.ConfirmDiscard(ask, save), Answer::None);
    ::testing::Mock::VerifyAndClearExpectations(&ask);

    doc.SetTitle("x");
    EXPECT_CALL(ask, askYesNoCancel(StringId::AskSaveChanges))
        .WillOnce(Return(Answer::Yes))
        .WillOnce(Return(Answer::No))
        .WillOnce(Return(Answer::Cancel));
    EXPECT_EQ(doc.ConfirmDiscard(ask, save), Answer::Yes);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(doc.ConfirmDiscard(ask, save), Answer::No);
    EXPECT_EQ(doc.ConfirmDiscard(ask, save), Answer::Cancel);
    EXPECT_EQ(saves, 1);
}

TEST(Strings, TextsAndFormatting) {
    EXPECT_EQ(Text(StringId::AppTitle), "VOSTEL KEL Editor");
    EXPECT_EQ(FormatMessage(StringId::LoadError, 2),
              "An error occurred while loading the file. (2)");
    EXPECT_EQ(FormatMessage(StringId::MessageTooLong, 24), "The message exceeds 24 bytes.");
    EXPECT_EQ(Prompt(StringId::CmdTransmit), "Write the control map to the KEL's current memory");
    EXPECT_EQ(Prompt(StringId::CmdRecentFile), "Open this document");
    EXPECT_EQ(Text(static_cast<StringId>(1)), "");
}

} // namespace
} // namespace kel

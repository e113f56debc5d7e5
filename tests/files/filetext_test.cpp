// SPDX-License-Identifier: GPL-3.0-or-later
// Titles and comments in the encodings map files come in: read right, written back as they
// were, changed to UTF-8 only when a text no longer has a place in the file's encoding, and
// never cut inside a character.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "files/smfctrl.h"
#include "model/mapmerge.h"
#include "support/file_test_support.h"

namespace kel {
namespace {

using test::Bytes;
using test::MapFileWithTexts;

std::string Repeated(std::string_view text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

void Read(CParameter& doc, const Bytes& file) {
    ASSERT_TRUE(CSmfCtrl(&doc).ReadBytes(file, ControlMapKind).Ok());
}

bool Contains(const Bytes& file, std::string_view bytes) {
    const Bytes wanted(bytes.begin(), bytes.end());
    return std::search(file.begin(), file.end(), wanted.begin(), wanted.end()) != file.end();
}

// "日本語のピアノ" in CP932; and 纊 in its NEC-selected form ED 40, which a conversion back
// writes as FA 5C: only the kept bytes give the file back as it was.
constexpr std::string_view kCp932Title = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x73\x83\x41\x83\x6D";
constexpr std::string_view kCp932Comment = "\xED\x40 MIDI \x82\xCC\x83\x73\x83\x41\x83\x6D";
// "Größe Café €" and the unassigned byte 81 in Windows-1252.
constexpr std::string_view kCp1252Title = "Gr\xF6\xDF\x65 Caf\xE9 \x80";
constexpr std::string_view kCp1252Comment = "Ch\x81 \xE9t\xE9";

TEST(FileTexts, EachEncodingReadsRightAndAnUnchangedSaveKeepsEveryByte) {
    const struct {
        Bytes file;
        std::string title;
        std::string comment0;
    } cases[] = {
        {MapFileWithTexts("Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC",
                          "\xE2\x80\xAE"
                          "abc",
                          ""),
         "Café 日本", "\u202Eabc"},
        {MapFileWithTexts(kCp932Title, kCp932Comment, "ASCII"), "日本語のピアノ",
         "纊 MIDI のピアノ"},
        {MapFileWithTexts(kCp1252Title, kCp1252Comment, "D\xE9tail"), "Größe Café €",
         "Ch\u0081 été"},
        // Each of these bytes is also CP932, but as Latin words with accented letters.
        {MapFileWithTexts("D\xE9tail",
                          "\xDC"
                          "bung",
                          ""),
         "Détail", "Übung"},
    };
    for (const auto& c : cases) {
        CParameter doc;
        Read(doc, c.file);
        EXPECT_EQ(doc.GetTitle(), c.title);
        EXPECT_EQ(doc.GetMapComment(0), c.comment0);
        EXPECT_EQ(CSmfCtrl(&doc).BuildImage(), c.file) << c.title;
    }
}

TEST(FileTexts, ACp932MapStaysCp932UntilATextHasNoPlaceInIt) {
    CParameter doc;
    Read(doc, MapFileWithTexts(kCp932Title, kCp932Comment, "x"));

    // Edited with ASCII and with Japanese: still CP932, the comment's own bytes kept.
    doc.CommitTitle("Live \xE6\x97\xA5\xE6\x9C\xAC"); // "Live 日本"
    Bytes file = CSmfCtrl(&doc).BuildImage();
    EXPECT_TRUE(Contains(file, "\x03\x09Live \x93\xFA\x96\x7B"));
    EXPECT_TRUE(Contains(file, kCp932Comment));

    // "é€" have no place in CP932: every text of the file goes to UTF-8, and reads back.
    doc.CommitTitle("é€日本");
    file = CSmfCtrl(&doc).BuildImage();
    EXPECT_TRUE(Contains(file, "\x03\x0B\xC3\xA9\xE2\x82\xAC\xE6\x97\xA5\xE6\x9C\xAC"));
    EXPECT_TRUE(Contains(file, "纊 MIDI のピアノ"));
    CParameter again;
    Read(again, file);
    EXPECT_EQ(again.GetTitle(), "é€日本");
    EXPECT_EQ(again.GetMapComment(0), "纊 MIDI のピアノ");
}

// A control taken from another map keeps its comment: its own bytes when both files share the
// encoding, and the whole file in UTF-8 when the comment has no place in the base's.
TEST(FileTexts, TakenCommentsKeepTheirBytesOrMoveTheFileToUtf8) {
    CParameter base;
    Read(base, MapFileWithTexts(kCp932Title, "", "x"));
    const std::vector<ControllerId> second{1};

    CParameter cp932;
    Read(cp932, MapFileWithTexts("Other", "", kCp932Comment));
    CParameter merged;
    merged.Map() = MergeControls(base.Map(), cp932.Map(), second);
    Bytes file = CSmfCtrl(&merged).BuildImage();
    EXPECT_TRUE(Contains(file, kCp932Comment)); // ED 40, not the FA 5C a conversion gives
    EXPECT_TRUE(Contains(file, kCp932Title));

    CParameter utf8;
    Read(utf8, MapFileWithTexts("Other", "", "\xC3\xA9\xE2\x82\xAC"));
    merged.Map() = MergeControls(base.Map(), utf8.Map(), second);
    EXPECT_TRUE(merged.Map().modified);
    CParameter again;
    Read(again, CSmfCtrl(&merged).BuildImage());
    EXPECT_EQ(again.GetTitle(), "日本語のピアノ");
    EXPECT_EQ(again.GetMapComment(1), "é€");
    EXPECT_EQ(again.Map().textEncoding, TextEncoding::Utf8);
}

// Taking controls never cuts a text. A CP932 title of 64 kanji fills its 128 bytes and would
// take 192 in UTF-8, so a comment that needs UTF-8 is not taken; nor is a comment that fills
// its CP932 file and would need UTF-8 in the base. A comment longer than the limit comes with
// its file's bytes when both files share the encoding, in kelmap's merge as in the editor's.
TEST(FileTexts, TakingControlsRefusesToCutATextAndKeepsLongCommentsWhole) {
    const std::string kanji = Repeated("\x93\xFA", 64);
    CParameter base;
    Read(base, MapFileWithTexts(kanji, "", "x"));
    const std::vector<ControllerId> first{0};
    const std::vector<ControllerId> second{1};

    CParameter utf8;
    Read(utf8, MapFileWithTexts("Other", "", "\xC3\xA9\xE2\x82\xAC"));
    std::optional<TextWithoutRoom> refusal = MergeRefusal(base.Map(), utf8.Map(), second);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->id, kNoController);
    EXPECT_EQ(refusal->size, 192u);
    EXPECT_EQ(refusal->encoding, TextEncoding::Utf8);

    CParameter utf8Base;
    Read(utf8Base, MapFileWithTexts("Base", "", ""));
    CParameter full;
    Read(full, MapFileWithTexts("Other", "", kanji));
    refusal = MergeRefusal(utf8Base.Map(), full.Map(), second);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->id, 1);

    const std::string longComment = Repeated(kCp932Comment, 12);
    CParameter cp932;
    Read(cp932, MapFileWithTexts("Other", longComment, ""));
    EXPECT_FALSE(MergeRefusal(base.Map(), cp932.Map(), first).has_value());
    CParameter merged;
    merged.Map() = MergeControls(base.Map(), cp932.Map(), first);
    const Bytes file = CSmfCtrl(&merged).BuildImage();
    EXPECT_EQ(file, MapFileWithTexts(kanji, longComment, "x"));
    base.CommitControls(TakenControls(cp932.Map(), first));
    EXPECT_EQ(CSmfCtrl(&base).BuildImage(), file);
}

TEST(FileTexts, TheLimitIsBytesOfTheFileCutBetweenCharacters) {
    // A new map writes UTF-8: 日 takes three bytes and is left out whole.
    CParameter doc;
    const std::string a127(127, 'a');
    EXPECT_FALSE(TextFits(doc.Map(), kNoController, a127 + "日"));
    doc.CommitTitle(a127 + "日");
    EXPECT_EQ(doc.GetTitle(), a127);

    // A CP932 map holds it in two bytes; 64 kanji fill a comment exactly.
    Read(doc, MapFileWithTexts(kCp932Title, "", ""));
    std::string kanji;
    for (int i = 0; i < 64; ++i) {
        kanji += "日";
    }
    EXPECT_TRUE(TextFits(doc.Map(), 3, kanji));
    EXPECT_FALSE(TextFits(doc.Map(), 3, kanji + "a"));
    doc.SetMapComment(3, kanji);
    EXPECT_EQ(doc.GetMapComment(3), kanji);
    // Such a comment has no room in UTF-8 (192 bytes): a text that would take the map there is
    // refused rather than cutting the other.
    EXPECT_FALSE(TextFits(doc.Map(), kNoController, "é"));

    // A file's title longer than the limit is read whole; changed, it keeps the whole
    // characters of its first 128 bytes.
    std::string long3;
    for (int i = 0; i < 100; ++i) {
        long3 += "日";
    }
    CParameter cut;
    Read(cut, MapFileWithTexts(long3, "", ""));
    EXPECT_EQ(cut.GetTitle(), long3);
    cut.CommitTitle(long3 + "!");
    EXPECT_EQ(cut.GetTitle(), long3.substr(0, 42 * 3));
}

// Texts longer than the file's 128 bytes, as files from elsewhere hold them, are written back
// byte for byte whatever else the user changes, and cut only once the user changes them.
TEST(FileTexts, OverLongTextsOfAFileStayByteForByteUntilTheUserChangesThem) {
    const struct {
        std::string title;   // file bytes, 150 to 200 of them
        std::string comment; // file bytes of control 0's comment
    } cases[] = {
        {Repeated("\x93\xFA", 100), Repeated(kCp932Comment, 12)},        // CP932
        {Repeated("Caf\xC3\xA9 ", 30), Repeated("\xE6\x97\xA5", 60)},    // UTF-8
        {Repeated("Gr\xF6\xDF\x65 ", 30), Repeated(kCp1252Comment, 20)}, // Windows-1252
    };
    for (const auto& c : cases) {
        CParameter doc;
        Read(doc, MapFileWithTexts(c.title, c.comment, "x"));
        const std::string title = doc.GetTitle();
        const std::string comment = doc.GetMapComment(0);
        EXPECT_EQ(doc.Map().titleBytes, c.title);
        // Another control's comment, an edit of several controls that leaves the comments as
        // they are, and the title committed unchanged: the file is the old one with that one
        // comment changed.
        doc.SetMapComment(1, "y");
        const std::array<ControlEdit, 2> edits = {ControlEdit{0, doc.RecordOf(0), comment},
                                                  ControlEdit{2, doc.RecordOf(2), ""}};
        doc.CommitControls(edits);
        doc.CommitTitle(title);
        EXPECT_EQ(CSmfCtrl(&doc).BuildImage(), MapFileWithTexts(c.title, c.comment, "y")) << title;

        // Changed, a text obeys the limit: cut between characters to 128 bytes.
        doc.CommitTitle(title + "!");
        CParameter again;
        Read(again, CSmfCtrl(&doc).BuildImage());
        EXPECT_LE(again.Map().titleBytes.size(), kTextLimit);
        EXPECT_EQ(title.rfind(again.GetTitle(), 0), 0u) << again.GetTitle();
        EXPECT_EQ(again.Map().commentBytes[0], c.comment);
    }
}

// A CP932 map whose title is longer than the limit cannot go to UTF-8: a comment only UTF-8
// holds is refused, naming the title. Should a change come past that check, the save still
// writes the title whole, in UTF-8.
TEST(FileTexts, ACommentThatNeedsUtf8IsRefusedRatherThanCuttingTheTitle) {
    CParameter doc;
    const std::string titleBytes = Repeated("\x93\xFA", 100);
    Read(doc, MapFileWithTexts(titleBytes, "", ""));
    const std::string title = doc.GetTitle();

    const TextRoom room = RoomForText(doc.Map(), 1, "é");
    EXPECT_FALSE(room.cut);
    ASSERT_TRUE(room.other.has_value());
    EXPECT_EQ(room.other->id, kNoController);
    EXPECT_EQ(EnglishText(TextWithoutRoomPhrase(*room.other)),
              "The title would take 300 bytes in UTF-8, the encoding the map file would then be "
              "written in: more than the 128 bytes a text has there. It is not cut, so nothing "
              "is changed.");
    EXPECT_TRUE(TextFits(doc.Map(), 1, "日本"));

    doc.SetMapComment(1, "é");
    CParameter again;
    Read(again, CSmfCtrl(&doc).BuildImage());
    EXPECT_EQ(again.GetTitle(), title);
    EXPECT_EQ(again.GetMapComment(1), "é");
}

// A title or comment is held whole up to 64 KiB; a file with a longer one is refused with its
// reason rather than opened with a text a save would shorten.
TEST(FileTexts, ATextBeyondWhatAMapFileHoldsRefusesTheFile) {
    const std::string longest(kFileTextLimit, 'a');
    CParameter doc;
    Read(doc, MapFileWithTexts("t", "", longest));
    EXPECT_EQ(doc.GetMapComment(1), longest);
    EXPECT_EQ(CSmfCtrl(&doc).BuildImage(), MapFileWithTexts("t", "", longest));

    for (const Bytes& file :
         {MapFileWithTexts("t", "", longest + "a"), MapFileWithTexts(longest + "a", "", "")}) {
        CParameter refused;
        const Status read = CSmfCtrl(&refused).ReadBytes(file, ControlMapKind);
        ASSERT_FALSE(read.Ok());
        EXPECT_EQ(MessageOf(read.Error()), StringId::TextTooLong);
    }
}

} // namespace
} // namespace kel

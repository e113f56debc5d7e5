// SPDX-License-Identifier: GPL-3.0-or-later
// Titles and comments in the encodings map files come in: read right, written back as they
// were, changed to UTF-8 only when a text no longer has a place in the file's encoding, and
// never cut inside a character.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "files/smfctrl.h"
#include "model/mapmerge.h"
#include "support/file_test_support.h"

namespace kel {
namespace {

using test::Bytes;
using test::ControlMapMessage;
using test::TrackBuilder;

// A map file with `title` and, for control 0, `comment0`, for control 1 `comment1`, as bytes.
Bytes MapFile(std::string_view title, std::string_view comment0, std::string_view comment1) {
    TrackBuilder t;
    t.Raw({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20})
        .Meta(0x03, title)
        .Comment("KEL message set 200");
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        t.Exclusive(ControlMapMessage(id, {}));
        t.Comment(id == 0 ? comment0 : id == 1 ? comment1 : "");
    }
    return t.EndOfTrack().File();
}

void Read(CParameter& doc, const Bytes& file) {
    ASSERT_EQ(CSmfCtrl(&doc).ReadBytes(file, ControlMapKind), 0);
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
        {MapFile("Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC",
                 "\xE2\x80\xAE"
                 "abc",
                 ""),
         "Café 日本", "\u202Eabc"},
        {MapFile(kCp932Title, kCp932Comment, "ASCII"), "日本語のピアノ", "纊 MIDI のピアノ"},
        {MapFile(kCp1252Title, kCp1252Comment, "D\xE9tail"), "Größe Café €", "Ch\u0081 été"},
        // Each of these bytes is also CP932, but as Latin words with accented letters.
        {MapFile("D\xE9tail",
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
    Read(doc, MapFile(kCp932Title, kCp932Comment, "x"));

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
    Read(base, MapFile(kCp932Title, "", "x"));
    const std::vector<ControllerId> second{1};

    CParameter cp932;
    Read(cp932, MapFile("Other", "", kCp932Comment));
    CParameter merged;
    merged.Map() = MergeControls(base.Map(), cp932.Map(), second);
    Bytes file = CSmfCtrl(&merged).BuildImage();
    EXPECT_TRUE(Contains(file, kCp932Comment)); // ED 40, not the FA 5C a conversion gives
    EXPECT_TRUE(Contains(file, kCp932Title));

    CParameter utf8;
    Read(utf8, MapFile("Other", "", "\xC3\xA9\xE2\x82\xAC"));
    merged.Map() = MergeControls(base.Map(), utf8.Map(), second);
    EXPECT_TRUE(merged.Map().modified);
    CParameter again;
    Read(again, CSmfCtrl(&merged).BuildImage());
    EXPECT_EQ(again.GetTitle(), "日本語のピアノ");
    EXPECT_EQ(again.GetMapComment(1), "é€");
    EXPECT_EQ(again.Map().textEncoding, TextEncoding::Utf8);
}

TEST(FileTexts, TheLimitIsBytesOfTheFileCutBetweenCharacters) {
    // A new map writes UTF-8: 日 takes three bytes and is left out whole.
    CParameter doc;
    const std::string a127(127, 'a');
    EXPECT_FALSE(TextFits(doc.Map(), kNoController, a127 + "日"));
    doc.CommitTitle(a127 + "日");
    EXPECT_EQ(doc.GetTitle(), a127);

    // A CP932 map holds it in two bytes; 64 kanji fill a comment exactly.
    Read(doc, MapFile(kCp932Title, "", ""));
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

    // A file's title longer than the limit keeps the whole characters of its first 128 bytes.
    std::string long3;
    for (int i = 0; i < 100; ++i) {
        long3 += "日";
    }
    CParameter cut;
    Read(cut, MapFile(long3, "", ""));
    EXPECT_EQ(cut.GetTitle(), long3.substr(0, 42 * 3));
}

} // namespace
} // namespace kel

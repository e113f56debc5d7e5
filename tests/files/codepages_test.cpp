// SPDX-License-Identifier: GPL-3.0-or-later
// The code pages of map files, code by code: every CP932 character reads and writes back as
// the editor always has, the codes that need care keep their meaning, a character that has no
// place in the code page moves the map to UTF-8 rather than being lost, and a terminal gets
// each text in its own character set.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "files/smfctrl.h"
#include "model/codepage.h"
#include "model/filetext.h"
#include "support/file_test_support.h"

namespace kel {
namespace {

using test::Bytes;
using test::MapFileWithTexts;

std::string Utf8Of(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::optional<std::string> Read932(std::string_view bytes) {
    return ExactFileText(bytes, TextEncoding::Cp932);
}
std::optional<std::string> Write932(std::string_view utf8) {
    return EncodeFileText(utf8, TextEncoding::Cp932);
}

// Every one- and two-byte code that reads as a character writes back as the same bytes, unless
// its character has another code too; then it writes the code Windows writes, which reads as
// the same character. Nothing is lost either way.
TEST(CodePages, EveryCp932CharacterWritesBackAsItWasRead) {
    std::vector<std::string> codes;
    for (unsigned lead = 0; lead <= 0xFF; ++lead) {
        codes.emplace_back(1, static_cast<char>(lead));
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            codes.push_back({static_cast<char>(lead), static_cast<char>(trail)});
        }
    }
    std::map<std::string, std::set<std::string>> codesOf; // by character
    int oneByte = 0;
    int twoBytes = 0;
    for (const std::string& code : codes) {
        const std::optional<std::string> text = Read932(code);
        char32_t c = 0;
        if (!text || Utf8Char(*text, c) != text->size()) {
            continue; // no character, or two of them
        }
        (code.size() == 1 ? oneByte : twoBytes) += 1;
        codesOf[*text].insert(code);
    }
    // ASCII and the 63 half-width katakana; 7724 two-byte codes, of which 398 repeat a
    // character of another code.
    EXPECT_EQ(oneByte, 128 + 63);
    EXPECT_EQ(twoBytes, 7724);
    EXPECT_EQ(codesOf.size(), 128u + 63u + 7326u);

    int rewritten = 0;
    for (const auto& [text, read] : codesOf) {
        const std::optional<std::string> written = Write932(text);
        ASSERT_TRUE(written.has_value()) << text;
        EXPECT_TRUE(read.contains(*written)) << text;
        if (read.size() == 1) {
            EXPECT_EQ(*written, *read.begin()) << text;
        } else {
            rewritten += static_cast<int>(read.size()) - 1;
            // NEC's selection of the IBM kanji (rows ED, EE) is read but never written.
            const auto lead = static_cast<unsigned char>((*written)[0]);
            EXPECT_TRUE(lead != 0xED && lead != 0xEE) << text;
        }
    }
    EXPECT_EQ(rewritten, 7724 - 7326);
}

// The codes whose meaning a converter can get wrong, each with what the editor reads and
// writes; nothing where the bytes are no CP932 text, or the text has no place in CP932.
TEST(CodePages, TrickyCodesReadAndWriteAsTheEditorAlwaysHas) {
    const struct {
        std::string bytes;
        std::optional<std::string> text;
    } reads[] = {
        {"\x5C\x7E", "\\~"},                                // ASCII, not ¥ and ‾
        {"\x81\x5F\x81\x60", "\uFF3C\uFF5E"},               // ＼ and ～ (full-width)
        {"\x81\x5C", "\u2015"},                             // ―
        {"\xA1\xB1\xDF", "\uFF61\uFF71\uFF9F"},             // ｡ｱﾟ
        {"\xED\x40\xFA\x5C", "\u7E8A\u7E8A"},               // 纊 both ways
        {"\x87\x40\x87\x90\xFA\x4A", "\u2460\u2252\u2160"}, // ①≒Ⅰ
        {"\x80", std::nullopt},
        {"\xA0", std::nullopt},
        {"\xFD", std::nullopt},
        {"\xFF", std::nullopt},
        {"\xF0\x40", std::nullopt}, // the user-defined area
        {"a\x82", std::nullopt},    // a lead byte at the end
        {"\x82\x20", std::nullopt}, // a trail byte out of range
        {"\x85\x40", std::nullopt}, // an empty row
    };
    for (const auto& r : reads) {
        EXPECT_EQ(Read932(r.bytes), r.text) << r.bytes;
    }
    const struct {
        std::string text;
        std::optional<std::string> bytes;
    } writes[] = {
        {"\u00A5\u203E", "\x5C\x7E"},                       // ¥ and ‾ as their JIS codes
        {"\u301C\u2016\u2212", "\x81\x60\x81\x61\x81\x7C"}, // 〜‖−
        {"\u2014", "\x81\x5C"},                             // —
        {"\u00A2\u00A3\u00AC", "\x81\x91\x81\x92\x81\xCA"}, // ¢£¬
        {"\u7E8A\u2170\uFFE2", "\xFA\x5C\xFA\x40\x81\xCA"}, // 纊ⅰ￢
        {"\u2252\u2160\u2235", "\x81\xE0\x87\x54\x81\xE6"}, // ≒Ⅰ∵
        {"\u0080", std::nullopt},
        {"\uF8F0", std::nullopt},
        {"é", std::nullopt},
    };
    for (const auto& w : writes) {
        EXPECT_EQ(Write932(w.text), w.bytes) << w.text;
    }

    // Windows-1252: the unassigned bytes are their C1 controls both ways; every other C1
    // control has no place.
    EXPECT_EQ(ExactFileText("\x80\x81\x8D\x9F\xA0\xFF", TextEncoding::Cp1252),
              "€\u0081\u008D\u0178\u00A0ÿ");
    EXPECT_EQ(EncodeFileText("€\u0081\u009DŸÿ", TextEncoding::Cp1252), "\x80\x81\x9D\x9F\xFF");
    EXPECT_EQ(EncodeFileText("\u0080", TextEncoding::Cp1252), std::nullopt);
    EXPECT_EQ(EncodeFileText("\u3042", TextEncoding::Cp1252), std::nullopt);
}

// A private-use character, whose CP932 code lies in the user-defined area the reader refuses,
// and a tag character, which has no CP932 or Windows-1252 code, take the map to UTF-8: the
// title reads back as it was given, and the other texts with it.
TEST(CodePages, ACharacterWithoutAReadableCodeTakesTheMapToUtf8) {
    const std::string cp932Comment = "\x83\x73\x83\x41\x83\x6D"; // ピアノ
    const std::string cp1252Comment = "Caf\xE9";
    for (const std::string& added : {Utf8Of(0xE000), Utf8Of(0xE0041)}) {
        for (const std::string& comment : {cp932Comment, cp1252Comment}) {
            CParameter doc;
            ASSERT_TRUE(
                CSmfCtrl(&doc).ReadBytes(MapFileWithTexts("Live", comment), ControlMapKind).Ok());
            ASSERT_NE(doc.Map().textEncoding, TextEncoding::Utf8);
            const std::string shown = doc.GetMapComment(0);
            doc.CommitTitle("Live " + added);
            CParameter again;
            ASSERT_TRUE(
                CSmfCtrl(&again).ReadBytes(CSmfCtrl(&doc).BuildImage(), ControlMapKind).Ok());
            EXPECT_EQ(again.GetTitle(), "Live " + added);
            EXPECT_EQ(again.GetMapComment(0), shown);
            EXPECT_EQ(again.Map().textEncoding, TextEncoding::Utf8);
        }
    }
}

TEST(CodePages, ATerminalGetsTextsInItsCharacterSet) {
    const std::string text = "Caf\u00E9 \u65E5\u672C\u2460\uFF71 \u20AC\u00A5\xFF.";
    EXPECT_EQ(InCodeSet(text, "UTF-8"), text);
    // The locale names of Shift_JIS all mean CP932, with NEC's ① and the half-width ｱ.
    for (const char* name : {"SHIFT_JIS", "sjis", "CP932", "WINDOWS-31J"}) {
        EXPECT_EQ(InCodeSet(text, name), "Caf? \x93\xFA\x96\x7B\x87\x40\xB1 ?\x5C?.") << name;
    }
    EXPECT_EQ(InCodeSet(text, "CP1252"), "Caf\xE9 ???? \x80\xA5?.");
    EXPECT_EQ(InCodeSet(text, "ISO-8859-1"), "Caf\xE9 ???? ?\xA5?.");
    EXPECT_EQ(InCodeSet(text, "ANSI_X3.4-1968"), "Caf? ???? ???.");
    // A character set without tables of its own here gets the ASCII letters.
    EXPECT_EQ(InCodeSet(text, "KOI8-R"), "Caf? ???? ???.");
}

} // namespace
} // namespace kel

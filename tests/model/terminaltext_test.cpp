// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of a file on a terminal: what is escaped in each encoding, and what is kept.
#include "model/terminaltext.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

// An 8-bit terminal's title sequence (OSC ... ST) in its 8-bit and in its UTF-8 form.
constexpr std::string_view kRetitle8 = "\x9d"
                                       "0;TITLE\x9c";
constexpr std::string_view kRetitleUtf8 = "\xc2\x9d"
                                          "0;TITLE\xc2\x9c";

TEST(TerminalText, ControlsAreEscapedInEveryEncoding) {
    for (const OutputEncoding encoding :
         {OutputEncoding::Utf8, OutputEncoding::ShiftJis, OutputEncoding::EucJp,
          OutputEncoding::DoubleByte, OutputEncoding::SingleByte}) {
        const auto shown = [&](std::string_view text) { return TerminalText(text, encoding); };
        EXPECT_EQ(shown("a\tb\nc\r\\\x1b[2J\x7f"), "a\\tb\\nc\\r\\\\\\x1b[2J\\x7f");
        EXPECT_EQ(shown(std::string(kRetitle8) + "."), "\\x9d0;TITLE\\x9c.");
        // A lead byte before a control is no character: the control is escaped.
        EXPECT_EQ(shown("\x81\x1b"), "\\x81\\x1b");
        // Nothing 80-9F that is not part of a character reaches the terminal.
        for (int byte = 0x80; byte <= 0x9f; ++byte) {
            const std::string out = shown(std::string(1, static_cast<char>(byte)));
            EXPECT_EQ(out.find_first_of("\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8a\x8b\x8c\x8d"
                                        "\x8e\x8f\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9a\x9b"
                                        "\x9c\x9d\x9e\x9f"),
                      std::string::npos)
                << byte;
        }
    }
}

TEST(TerminalText, Utf8ControlsAreEscapedAndLettersKept) {
    const auto shown = [](std::string_view text) {
        return TerminalText(text, OutputEncoding::Utf8);
    };
    EXPECT_EQ(shown(kRetitleUtf8), "\\u009d0;TITLE\\u009c");
    EXPECT_EQ(shown("gnp\xe2\x80\xae.exe"), "gnp\\u202e.exe");
    EXPECT_EQ(shown("\xe2\x80\xaa\xe2\x80\xab\xe2\x80\xac\xe2\x80\xad\xe2\x81\xa6\xe2\x81\xa7"
                    "\xe2\x81\xa8\xe2\x81\xa9\xe2\x80\x8e\xe2\x80\x8f\xd8\x9c"),
              "\\u202a\\u202b\\u202c\\u202d\\u2066\\u2067\\u2068\\u2069\\u200e\\u200f\\u061c");
    // Japanese, accented and four-byte letters stay, whatever bytes 80-9F they hold.
    const std::string letters = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xc3\xa9 \xf0\x9f\x8e\xb9";
    EXPECT_EQ(shown(letters), letters);
    // A letter whose UTF-8 form is broken is no character: its byte 80-9F is escaped.
    EXPECT_EQ(shown("\xe6\x97\x1b"), "\xe6\\x97\\x1b");
    EXPECT_EQ(shown("\xe0\x9d\x80"), "\xe0\\x9d\\x80"); // an overlong form
    EXPECT_EQ(shown("\xed\xa0\x80"), "\xed\xa0\\x80");  // a surrogate
}

TEST(TerminalText, JapaneseLegacyTextsPrintUnchanged) {
    // "日本語ソ表" in Shift_JIS (CP932): lead bytes 81-9F, trail bytes 80-9F and a trail "\".
    const std::string sjis = "\x93\xfa\x96\x7b\x8c\xea\x83\x5c\x95\x5c \xb1\xb2";
    EXPECT_EQ(TerminalText(sjis, OutputEncoding::ShiftJis), sjis);
    // 9D 9C is a character in Shift_JIS; 9D before "0" is not.
    EXPECT_EQ(TerminalText(sjis + "\x9d\x9c", OutputEncoding::ShiftJis), sjis + "\x9d\x9c");
    EXPECT_EQ(TerminalText(sjis + "\x9d"
                                  "0;T\x1b",
                           OutputEncoding::ShiftJis),
              sjis + "\\x9d0;T\\x1b");
    EXPECT_EQ(TerminalText(sjis + "\x80", OutputEncoding::ShiftJis), sjis + "\\x80");
    // "日本" and a half-width katakana in EUC-JP.
    const std::string euc = "\xc6\xfc\xcb\xdc\x8e\xb1";
    EXPECT_EQ(TerminalText(euc, OutputEncoding::EucJp), euc);
    EXPECT_EQ(TerminalText("\x8e\x9d", OutputEncoding::EucJp), "\\x8e\\x9d");
    // Windows-1252 letters A0-FF stay on a one-byte terminal, its 80-9F go escaped.
    EXPECT_EQ(TerminalText("caf\xe9 \x93q\x94", OutputEncoding::SingleByte), "caf\xe9 \\x93q\\x94");
}

TEST(TerminalText, LocaleCharacterSetsNameTheirEncoding) {
    EXPECT_EQ(OutputEncodingOf("UTF-8"), OutputEncoding::Utf8);
    EXPECT_EQ(OutputEncodingOf("utf8"), OutputEncoding::Utf8);
    EXPECT_EQ(OutputEncodingOf("ANSI_X3.4-1968"), OutputEncoding::Utf8);
    EXPECT_EQ(OutputEncodingOf("SHIFT_JIS"), OutputEncoding::ShiftJis);
    EXPECT_EQ(OutputEncodingOf("CP932"), OutputEncoding::ShiftJis);
    EXPECT_EQ(OutputEncodingOf("EUC-JP"), OutputEncoding::EucJp);
    EXPECT_EQ(OutputEncodingOf("GB18030"), OutputEncoding::DoubleByte);
    EXPECT_EQ(OutputEncodingOf("ISO-8859-1"), OutputEncoding::SingleByte);
    EXPECT_EQ(OutputEncodingOf("KOI8-R"), OutputEncoding::SingleByte);
}

} // namespace
} // namespace kel

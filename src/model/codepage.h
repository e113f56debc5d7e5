// SPDX-License-Identifier: GPL-3.0-or-later
// The two legacy code pages of map files, CP932 (Shift-JIS as Windows extends it) and
// Windows-1252, character by character from tables of our own (codepagetables.cpp, made by
// scripts/make-codepages.py), and UTF-8 text in the character set of a terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel {

// The CP932 character at the start of `bytes`: its length (1 or 2) and its code point in `c`;
// 0 when the bytes there are no character: 80, A0, FD-FF, a lead byte without a fitting trail
// byte, and the user-defined area (lead bytes F0-F9), which holds no text of a file another
// system wrote.
std::size_t Cp932Char(std::string_view bytes, char32_t& c);

// The CP932 code of `c`, one byte when below 0x100, else lead and trail byte; nothing when `c`
// has no place in CP932. A character with two codes is written with the one Windows writes
// (纊 read from ED 40 is written FA 5C), and a few characters take the code of their look-alike
// (¥ as 5C, the wave dash U+301C as 81 60). The private-use characters have no place: their
// codes are in the user-defined area, which Cp932Char does not read back.
std::optional<std::uint16_t> Cp932Code(char32_t c);

// The character of a Windows-1252 byte; the five unassigned bytes 81, 8D, 8F, 90 and 9D stand
// for the C1 control of the same number, so every byte is a character.
char32_t Cp1252Char(unsigned char byte);

// The Windows-1252 byte of `c`; nothing when `c` has no place in it.
std::optional<unsigned char> Cp1252Byte(char32_t c);

// `utf8` in the character set a locale names (nl_langinfo(CODESET)): unchanged for UTF-8, and
// converted for CP932 and its Shift_JIS names, Windows-1252, ISO-8859-1 and ASCII. Each
// character without a place there, and each byte that is no UTF-8, becomes '?'. Any other
// character set gets ASCII: its letters beyond ASCII are not known here, and nearly every
// character set a locale uses keeps ASCII, so the text stays readable where UTF-8 bytes would
// show as other letters.
std::string InCodeSet(std::string_view utf8, std::string_view codeset);

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The character encodings of a map file's title and comments. The document holds every text in
// UTF-8; a file holds them in UTF-8 (what this editor writes), in CP932 (maps written on a
// Japanese Windows system) or in Windows-1252 (the rest of the older maps). A file is read in
// the one encoding that suits all of its texts and written back in it while every text still
// has a place there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kel {

// The most bytes a title or a comment takes in the file.
inline constexpr std::size_t kTextLimit = 128;

enum class TextEncoding : std::uint8_t {
    Utf8,
    Cp932,  // Shift-JIS as Windows extends it
    Cp1252, // Windows-1252; its five unassigned bytes stand for U+0081, U+008D, U+008F,
            // U+0090 and U+009D, as Windows reads them, so every byte sequence is a text
};

// The length of the well-formed UTF-8 character at the start of `text` (shortest form, no
// surrogate, at most U+10FFFF) and its code point in `c`; 0 when there is none.
std::size_t Utf8Char(std::string_view text, char32_t& c);
bool IsUtf8(std::string_view bytes);

// A text as the reader took it from the file: its bytes, and whether the file's text went on
// beyond them (then its last character may be incomplete).
struct FileTextBytes {
    std::string bytes;
    bool cut = false;
};

// The one encoding of a file's texts.
TextEncoding DetectTextEncoding(std::span<const FileTextBytes> texts);

// `bytes` without an incomplete last character of `encoding` (a text cut by the reader).
std::string_view CompleteText(std::string_view bytes, TextEncoding encoding);

// `bytes` of a text in `encoding`, as UTF-8. Bytes that are not a character of the encoding
// (possible only for a text that does not belong to it) become U+FFFD.
std::string DecodeFileText(std::string_view bytes, TextEncoding encoding);

// The text `bytes` hold in `encoding`, as UTF-8; nothing when they are not a text of it.
std::optional<std::string> ExactFileText(std::string_view bytes, TextEncoding encoding);

// The encoding's name as the user knows it: "UTF-8", "CP932", "Windows-1252".
std::string_view TextEncodingName(TextEncoding encoding);

// `utf8` in `encoding`; nothing when a character has no place in it.
std::optional<std::string> EncodeFileText(std::string_view utf8, TextEncoding encoding);

// The longest start of `utf8` that ends between two characters and takes at most `limit`
// bytes in `encoding` (every character of it must have a place there).
std::string_view FitFileText(std::string_view utf8, TextEncoding encoding,
                             std::size_t limit = kTextLimit);

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/filetext.h"

#include "model/codepage.h"

namespace kel {
namespace {

bool InRange(unsigned char byte, unsigned low, unsigned high) {
    return byte >= low && byte <= high;
}

// Writes `c` in UTF-8 at `to` (room for 4 bytes) and returns the end of what it wrote.
char* PutUtf8(char* to, char32_t c) {
    if (c < 0x80) {
        *to++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *to++ = static_cast<char>(0xC0 | (c >> 6));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *to++ = static_cast<char>(0xE0 | (c >> 12));
        *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *to++ = static_cast<char>(0xF0 | (c >> 18));
        *to++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return to;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// The texts are converted into a string made as long as the longest result can be and then cut
// to what was written: one allocation, no check of the room per byte.

// Windows-1252 bytes as UTF-8 (each character takes at most 3 bytes there).
std::string DecodeCp1252(std::string_view bytes) {
    std::string out(bytes.size() * 3, '\0');
    char* to = out.data();
    for (const char byte : bytes) {
        to = PutUtf8(to, Cp1252Char(static_cast<unsigned char>(byte)));
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return out;
}

// The bytes of a CP932 text when they are all characters of it (Cp932Char: the user-defined
// area counts as no character, a Windows-1252 text of accented letters falls into it easily).
// A character takes at most 3 bytes in UTF-8 for each of its bytes here (half-width katakana).
std::optional<std::string> DecodeCp932(std::string_view bytes) {
    std::string out(bytes.size() * 3, '\0');
    char* to = out.data();
    for (std::size_t at = 0; at < bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) < 0x80) {
            *to++ = bytes[at++];
            continue;
        }
        char32_t c = 0;
        const std::size_t length = Cp932Char(bytes.substr(at), c);
        if (length == 0) {
            return std::nullopt;
        }
        to = PutUtf8(to, c);
        at += length;
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return out;
}

// How likely a text read as CP932 is a Latin text of Windows-1252 instead: an accented letter
// inside a Latin word (é in "Détail", ü in "Übung") makes, read as CP932, a Japanese character
// followed by a small Latin letter, which Japanese writing hardly ever has. Counts the
// non-ASCII characters of `utf8` and how many of them a letter a-z follows.
void CountLatinEvidence(std::string_view utf8, int& nonAscii, int& beforeSmallLetter) {
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8Char(utf8.substr(at), c);
        if (length == 0) {
            ++at;
            continue;
        }
        at += length;
        if (length > 1) {
            ++nonAscii;
            if (at < utf8.size() && InRange(static_cast<unsigned char>(utf8[at]), 'a', 'z')) {
                ++beforeSmallLetter;
            }
        }
    }
}

// How many bytes one character takes in `encoding`, given the length of its UTF-8 form.
std::size_t EncodedSize(char32_t c, std::size_t utf8Length, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Cp1252:
        return 1;
    case TextEncoding::Cp932:
        // ASCII and the half-width katakana take one byte, every other character two.
        return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F) ? 1 : 2;
    default:
        return utf8Length;
    }
}

} // namespace

std::size_t Utf8Char(std::string_view text, char32_t& c) {
    if (text.empty()) {
        return 0;
    }
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(0);
    if (b0 < 0x80) {
        c = b0;
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (InRange(b0, 0xC2, 0xDF)) {
        length = 2;
        c = b0 & 0x1F;
    } else if (InRange(b0, 0xE0, 0xEF)) {
        length = 3;
        c = b0 & 0x0F;
        low = b0 == 0xE0 ? 0xA0 : 0x80;
        high = b0 == 0xED ? 0x9F : 0xBF;
    } else if (InRange(b0, 0xF0, 0xF4)) {
        length = 4;
        c = b0 & 0x07;
        low = b0 == 0xF0 ? 0x90 : 0x80;
        high = b0 == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char b = byte(i);
        if (!InRange(b, i == 1 ? low : 0x80, i == 1 ? high : 0xBF)) {
            return 0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    return length;
}

bool IsUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8Char(bytes.substr(at), c);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

// One decision for the whole file, not one per text: a single short text is often valid in
// more than one encoding ("Ã©" is UTF-8 for é, and the same two bytes are CP932 katakana),
// while one system wrote all texts of a file in one encoding, and the more text there is, the
// less likely a wrong encoding still fits all of it. UTF-8 comes first because its rules are
// strict: Windows-1252 or CP932 text beyond ASCII almost never forms valid UTF-8. CP932 comes
// next, unless its reading looks like Latin words (CountLatinEvidence); Windows-1252 takes
// every byte sequence and is what is left.
TextEncoding DetectTextEncoding(std::span<const FileTextBytes> texts) {
    const auto whole = [](const FileTextBytes& text, TextEncoding encoding) {
        return text.cut ? CompleteText(text.bytes, encoding) : std::string_view(text.bytes);
    };
    bool utf8 = true;
    for (const FileTextBytes& text : texts) {
        utf8 = utf8 && IsUtf8(whole(text, TextEncoding::Utf8));
    }
    if (utf8) {
        return TextEncoding::Utf8;
    }
    int nonAscii = 0;
    int beforeSmallLetter = 0;
    for (const FileTextBytes& text : texts) {
        const std::optional<std::string> decoded = DecodeCp932(whole(text, TextEncoding::Cp932));
        if (!decoded) {
            return TextEncoding::Cp1252;
        }
        CountLatinEvidence(*decoded, nonAscii, beforeSmallLetter);
    }
    // Japanese characters mostly follow one another; when at least half of them stand before
    // a small Latin letter, the text is Latin words with accented letters.
    return beforeSmallLetter * 2 >= nonAscii ? TextEncoding::Cp1252 : TextEncoding::Cp932;
}

std::string_view CompleteText(std::string_view bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) {
        // A lead byte among the last three whose character would need more bytes than follow.
        for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
            const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
            if (byte < 0x80) {
                break;
            }
            if (byte >= 0xC0) {
                const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
                return length > back ? bytes.substr(0, bytes.size() - back) : bytes;
            }
        }
        return bytes;
    }
    if (encoding == TextEncoding::Cp932) {
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            const auto byte = static_cast<unsigned char>(bytes[at]);
            if (InRange(byte, 0x81, 0x9F) || InRange(byte, 0xE0, 0xFC)) {
                if (at + 1 == bytes.size()) {
                    return bytes.substr(0, at); // a lead byte without its trail byte
                }
                ++at;
            }
        }
    }
    return bytes;
}

std::string DecodeFileText(std::string_view bytes, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Cp1252:
        return DecodeCp1252(bytes);
    case TextEncoding::Cp932:
        if (std::optional<std::string> text = DecodeCp932(bytes)) {
            return *text;
        }
        break;
    default:
        if (IsUtf8(bytes)) {
            return std::string(bytes);
        }
        break;
    }
    // Not a text of `encoding`: each character that is one is kept, each other byte replaced.
    std::string out;
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t c = 0;
        std::size_t length = Utf8Char(bytes.substr(at), c);
        if (encoding == TextEncoding::Cp932) {
            length = static_cast<unsigned char>(bytes[at]) < 0x80 ? 1 : 0;
        }
        if (length == 0) {
            out += kReplacement;
            ++at;
        } else {
            out.append(bytes.substr(at, length));
            at += length;
        }
    }
    return out;
}

std::optional<std::string> ExactFileText(std::string_view bytes, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Cp1252:
        return DecodeCp1252(bytes);
    case TextEncoding::Cp932:
        return DecodeCp932(bytes);
    default:
        if (IsUtf8(bytes)) {
            return std::string(bytes);
        }
        return std::nullopt;
    }
}

std::string_view TextEncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Cp932:
        return "CP932";
    case TextEncoding::Cp1252:
        return "Windows-1252";
    default:
        return "UTF-8";
    }
}

std::optional<std::string> EncodeFileText(std::string_view utf8, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) {
        return IsUtf8(utf8) ? std::optional<std::string>(utf8) : std::nullopt;
    }
    // No code takes more bytes than its character's UTF-8: ASCII one, every other character at
    // least two in UTF-8 and at most two in CP932 or Windows-1252.
    std::string out(utf8.size(), '\0');
    char* to = out.data();
    for (std::size_t at = 0; at < utf8.size();) {
        if (static_cast<unsigned char>(utf8[at]) < 0x80) {
            *to++ = utf8[at++]; // ASCII is the same in every encoding
            continue;
        }
        char32_t c = 0;
        const std::size_t length = Utf8Char(utf8.substr(at), c);
        if (length == 0) {
            return std::nullopt; // not UTF-8
        }
        at += length;
        if (encoding == TextEncoding::Cp932) {
            const std::optional<std::uint16_t> code = Cp932Code(c);
            if (!code) {
                return std::nullopt;
            }
            if (*code > 0xFF) {
                *to++ = static_cast<char>(*code >> 8);
            }
            *to++ = static_cast<char>(*code & 0xFF);
        } else {
            const std::optional<unsigned char> byte = Cp1252Byte(c);
            if (!byte) {
                return std::nullopt;
            }
            *to++ = static_cast<char>(*byte);
        }
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return out;
}

std::string_view FitFileText(std::string_view utf8, TextEncoding encoding, std::size_t limit) {
    std::size_t size = 0;
    std::size_t at = 0;
    while (at < utf8.size()) {
        char32_t c = 0xFFFD;
        std::size_t length = Utf8Char(utf8.substr(at), c);
        if (length == 0) {
            length = 1; // not a character: counted as one byte of its own
            c = 0xFFFD;
        }
        size += EncodedSize(c, length, encoding);
        if (size > limit) {
            break;
        }
        at += length;
    }
    return utf8.substr(0, at);
}

} // namespace kel

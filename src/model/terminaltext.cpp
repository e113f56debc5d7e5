// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/terminaltext.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace kel {
namespace {

constexpr const char* kDigits = "0123456789abcdef";

void AppendByteEscape(std::string& out, unsigned char byte) {
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
}

void AppendCharEscape(std::string& out, char32_t c) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out += kDigits[(c >> shift) & 15];
    }
}

bool InRange(unsigned char byte, unsigned low, unsigned high) {
    return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 character at the start of `text` (shortest form, no
// surrogate, at most U+10FFFF) and its code point; 0 when there is none.
std::size_t Utf8Char(std::string_view text, char32_t& c) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(0);
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

// The length of the multi-byte character of a legacy encoding at the start of `text`; 0 when
// its first byte does not start one.
std::size_t LegacyChar(std::string_view text, OutputEncoding encoding) {
    const auto byte = [&](std::size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    };
    const unsigned char b0 = byte(0);
    switch (encoding) {
    case OutputEncoding::ShiftJis:
        if ((InRange(b0, 0x81, 0x9F) || InRange(b0, 0xE0, 0xFC)) &&
            (InRange(byte(1), 0x40, 0x7E) || InRange(byte(1), 0x80, 0xFC))) {
            return 2;
        }
        return 0;
    case OutputEncoding::EucJp:
        if (b0 == 0x8E && InRange(byte(1), 0xA1, 0xDF)) {
            return 2;
        }
        if (b0 == 0x8F && InRange(byte(1), 0xA1, 0xFE) && InRange(byte(2), 0xA1, 0xFE)) {
            return 3;
        }
        if (InRange(b0, 0xA1, 0xFE) && InRange(byte(1), 0xA1, 0xFE)) {
            return 2;
        }
        return 0;
    case OutputEncoding::DoubleByte:
        if (!InRange(b0, 0x81, 0xFE)) {
            return 0;
        }
        if (InRange(byte(1), 0x30, 0x39) && InRange(byte(2), 0x81, 0xFE) &&
            InRange(byte(3), 0x30, 0x39)) {
            return 4; // GB18030's four-byte form
        }
        if (InRange(byte(1), 0x40, 0x7E) || InRange(byte(1), 0x80, 0xFE)) {
            return 2;
        }
        return 0;
    default:
        return 0;
    }
}

std::string Upper(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c != '-' && c != '_') {
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return out;
}

} // namespace

OutputEncoding OutputEncodingOf(std::string_view codeset) {
    const std::string name = Upper(codeset);
    if (name == "UTF8" || name.empty() || name == "ANSIX3.41968" || name == "ASCII" ||
        name == "USASCII" || name == "POSIX" || name == "C") {
        return OutputEncoding::Utf8;
    }
    if (name == "SHIFTJIS" || name == "SJIS" || name == "CP932" || name == "WINDOWS31J" ||
        name == "MSKANJI") {
        return OutputEncoding::ShiftJis;
    }
    if (name.starts_with("EUCJP")) {
        return OutputEncoding::EucJp;
    }
    if (name == "GBK" || name == "GB18030" || name == "CP936" || name == "BIG5" ||
        name == "BIG5HKSCS" || name == "CP950") {
        return OutputEncoding::DoubleByte;
    }
    return OutputEncoding::SingleByte;
}

bool IsBidiControl(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E ||
           c == 0x200F || c == 0x061C;
}

std::string TerminalText(std::string_view text, OutputEncoding encoding) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        switch (byte) {
        case '\t':
            out += "\\t";
            ++at;
            continue;
        case '\n':
            out += "\\n";
            ++at;
            continue;
        case '\r':
            out += "\\r";
            ++at;
            continue;
        case '\\':
            out += "\\\\";
            ++at;
            continue;
        default:
            break;
        }
        if (byte < 0x20 || byte == 0x7F) {
            AppendByteEscape(out, byte);
            ++at;
            continue;
        }
        if (byte < 0x80) {
            out += static_cast<char>(byte);
            ++at;
            continue;
        }
        // From 80 on: a whole character of the output's encoding is kept, unless it is a
        // control; a byte 80-9F outside a character is an 8-bit control.
        const std::string_view rest = text.substr(at);
        std::size_t length = 0;
        if (encoding == OutputEncoding::Utf8) {
            char32_t c = 0;
            length = Utf8Char(rest, c);
            if (length != 0 && ((c >= 0x80 && c <= 0x9F) || IsBidiControl(c))) {
                AppendCharEscape(out, c);
                at += length;
                continue;
            }
        } else {
            length = LegacyChar(rest, encoding);
        }
        if (length != 0) {
            out.append(rest.substr(0, length));
            at += length;
        } else if (byte <= 0x9F) {
            AppendByteEscape(out, byte);
            ++at;
        } else {
            out += static_cast<char>(byte); // A0-FF: a letter of a one-byte encoding
            ++at;
        }
    }
    return out;
}

std::string WithVisibleBidiControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length =
            static_cast<unsigned char>(text[at]) >= 0xC2 ? Utf8Char(text.substr(at), c) : 0;
        if (length != 0 && IsBidiControl(c)) {
            AppendCharEscape(out, c);
            at += length;
        } else {
            out += text[at];
            ++at;
        }
    }
    return out;
}

} // namespace kel

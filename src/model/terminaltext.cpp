// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/terminaltext.h"

#include "model/filetext.h"

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

namespace {

bool IsShownEscaped(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || IsBidiControl(c);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::string WithVisibleControls(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8Char(utf8.substr(at), c);
        if (length != 0 && IsShownEscaped(c)) {
            AppendCharEscape(out, c);
            at += length;
        } else {
            const std::size_t n = length == 0 ? 1 : length;
            out.append(utf8.substr(at, n));
            at += n;
        }
    }
    return out;
}

std::string WithControlsRestored(std::string_view shown) {
    std::string out;
    out.reserve(shown.size());
    for (std::size_t at = 0; at < shown.size();) {
        if (shown.substr(at, 2) == "\\u" && at + 6 <= shown.size()) {
            char32_t c = 0;
            bool hex = true;
            for (std::size_t i = 2; i < 6; ++i) {
                const int digit = HexDigit(shown[at + i]);
                hex = hex && digit >= 0;
                c = (c << 4) | static_cast<char32_t>(digit < 0 ? 0 : digit);
            }
            if (hex && IsShownEscaped(c)) {
                if (c < 0x80) {
                    out += static_cast<char>(c);
                } else if (c < 0x800) {
                    out += static_cast<char>(0xC0 | (c >> 6));
                    out += static_cast<char>(0x80 | (c & 0x3F));
                } else {
                    out += static_cast<char>(0xE0 | (c >> 12));
                    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (c & 0x3F));
                }
                at += 6;
                continue;
            }
        }
        out += shown[at];
        ++at;
    }
    return out;
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/codepage.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

#include "model/codepagetables.h"
#include "model/filetext.h"

namespace kel {
namespace {

using codepage::kCp932Double;
using codepage::kCp932Leads;
using codepage::kCp932Trails;

bool InRange(unsigned byte, unsigned low, unsigned high) {
    return byte >= low && byte <= high;
}

bool IsCp932Lead(unsigned char byte) {
    return InRange(byte, 0x81, 0x9F) || InRange(byte, 0xE0, 0xFC);
}

// The row of a lead byte in kCp932Double, or -1 for the user-defined area.
int Cp932Row(unsigned char lead) {
    if (lead <= 0x9F) {
        return lead - 0x81;
    }
    if (lead <= 0xEF) {
        return lead - 0xE0 + 31;
    }
    return lead >= 0xFA ? lead - 0xFA + 47 : -1;
}

int Cp932Column(unsigned char trail) {
    if (InRange(trail, 0x40, 0x7E)) {
        return trail - 0x40;
    }
    return InRange(trail, 0x80, 0xFC) ? trail - 0x80 + 63 : -1;
}

// The code CP932 writes for each character that has a two-byte code, or a one-byte code
// other than its own ASCII or katakana one, sorted by character.
struct Written {
    std::uint16_t c; // every such character is in the Basic Multilingual Plane
    std::uint16_t code;
};

const std::vector<Written>& Cp932Writing() {
    static const std::vector<Written> table = [] {
        std::vector<Written> written;
        written.reserve(kCp932Leads * kCp932Trails / 2);
        // The rows are visited in order, so a character with several codes meets its lowest
        // first; NEC's selection of IBM's extensions (rows ED and EE) comes last, as Windows
        // writes those characters with their IBM codes (FA-FC).
        for (const bool necSelected : {false, true}) {
            for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
                const int row = Cp932Row(static_cast<unsigned char>(lead));
                if (!IsCp932Lead(static_cast<unsigned char>(lead)) || row < 0 ||
                    (lead == 0xED || lead == 0xEE) != necSelected) {
                    continue;
                }
                for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                    const int column = Cp932Column(static_cast<unsigned char>(trail));
                    if (column < 0) {
                        continue;
                    }
                    const std::uint16_t c =
                        kCp932Double[static_cast<std::size_t>(row) * kCp932Trails +
                                     static_cast<std::size_t>(column)];
                    if (c != 0) {
                        written.push_back({c, static_cast<std::uint16_t>((lead << 8) | trail)});
                    }
                }
            }
        }
        for (const codepage::Cp932AlsoWritten& also : codepage::kCp932AlsoWritten) {
            written.push_back({also.c, also.code});
        }
        const auto byChar = [](const Written& a, const Written& b) { return a.c < b.c; };
        std::stable_sort(written.begin(), written.end(), byChar);
        const auto same = [](const Written& a, const Written& b) { return a.c == b.c; };
        written.erase(std::unique(written.begin(), written.end(), same), written.end());
        return written;
    }();
    return table;
}

enum class CodeSet { Utf8, Cp932, Cp1252, Latin1, Ascii };

CodeSet CodeSetOf(std::string_view name) {
    std::string upper;
    for (const char c : name) {
        if (c != '-' && c != '_') {
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    if (upper == "UTF8") {
        return CodeSet::Utf8;
    }
    if (upper == "SHIFTJIS" || upper == "SJIS" || upper == "CP932" || upper == "WINDOWS31J" ||
        upper == "MSKANJI") {
        return CodeSet::Cp932;
    }
    if (upper == "CP1252" || upper == "WINDOWS1252") {
        return CodeSet::Cp1252;
    }
    if (upper == "ISO88591" || upper == "LATIN1" || upper == "ISO885911987") {
        return CodeSet::Latin1;
    }
    return CodeSet::Ascii;
}

} // namespace

std::size_t Cp932Char(std::string_view bytes, char32_t& c) {
    if (bytes.empty()) {
        return 0;
    }
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    if (InRange(lead, 0xA1, 0xDF)) {
        c = 0xFF61 + (lead - 0xA1); // half-width katakana
        return 1;
    }
    if (!IsCp932Lead(lead) || bytes.size() < 2) {
        return 0;
    }
    const int row = Cp932Row(lead);
    const int column = Cp932Column(static_cast<unsigned char>(bytes[1]));
    if (row < 0 || column < 0) {
        return 0;
    }
    const std::uint16_t found = kCp932Double[static_cast<std::size_t>(row) * kCp932Trails +
                                             static_cast<std::size_t>(column)];
    if (found == 0) {
        return 0;
    }
    c = found;
    return 2;
}

std::optional<std::uint16_t> Cp932Code(char32_t c) {
    if (c < 0x80) {
        return static_cast<std::uint16_t>(c);
    }
    if (InRange(c, 0xFF61, 0xFF9F)) {
        return static_cast<std::uint16_t>(0xA1 + (c - 0xFF61));
    }
    if (c > 0xFFFF) {
        return std::nullopt;
    }
    const std::vector<Written>& table = Cp932Writing();
    const auto found =
        std::lower_bound(table.begin(), table.end(), c,
                         [](const Written& w, char32_t wanted) { return w.c < wanted; });
    if (found == table.end() || found->c != c) {
        return std::nullopt;
    }
    return found->code;
}

char32_t Cp1252Char(unsigned char byte) {
    return InRange(byte, 0x80, 0x9F) ? codepage::kCp1252High[byte - 0x80] : byte;
}

std::optional<unsigned char> Cp1252Byte(char32_t c) {
    if (c < 0x80 || InRange(c, 0xA0, 0xFF)) {
        return static_cast<unsigned char>(c);
    }
    for (unsigned byte = 0x80; byte <= 0x9F; ++byte) {
        if (codepage::kCp1252High[byte - 0x80] == c) {
            return static_cast<unsigned char>(byte);
        }
    }
    return std::nullopt;
}

std::string InCodeSet(std::string_view utf8, std::string_view codeset) {
    const CodeSet target = CodeSetOf(codeset);
    if (target == CodeSet::Utf8) {
        return std::string(utf8);
    }
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8Char(utf8.substr(at), c);
        at += length == 0 ? 1 : length;
        std::optional<std::uint16_t> code;
        if (length != 0) {
            switch (target) {
            case CodeSet::Cp932:
                code = Cp932Code(c);
                break;
            case CodeSet::Cp1252:
                code = Cp1252Byte(c);
                break;
            case CodeSet::Latin1:
                code = c <= 0xFF ? std::optional<std::uint16_t>(c) : std::nullopt;
                break;
            default:
                code = c < 0x80 ? std::optional<std::uint16_t>(c) : std::nullopt;
                break;
            }
        }
        if (!code) {
            out += '?';
        } else {
            if (*code > 0xFF) {
                out += static_cast<char>(*code >> 8);
            }
            out += static_cast<char>(*code & 0xFF);
        }
    }
    return out;
}

} // namespace kel

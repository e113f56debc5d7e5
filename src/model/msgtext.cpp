// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/msgtext.h"

#include <algorithm>
#include <array>

#include "model/midiframer.h"

namespace kel {
namespace {

constexpr std::size_t kMax = rec::MaxMessageBytes;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) {
        ++first;
    }
    std::size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

// Value of an upper-case hexadecimal digit, -1 for any other character.
int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsDataType(int stored) {
    return stored >= Data7Bit && stored <= Data4x4Bit;
}

// Bytes the formatter steps over for a data field; at least one, so that a record from
// elsewhere with an unknown data type still moves the walk forward.
int WalkWidth(int stored) {
    return IsDataType(stored) ? DataTypeByteCount(stored) : 1;
}

std::string_view DataToken(int stored, TextStyle style) {
    if (style == EditStyle || !IsDataType(stored)) {
        return "DT ";
    }
    static constexpr std::array<std::string_view, 6> kListTokens = {
        "", "dd ", "d1 d2 ", "mm ll ", "ll mm ", "d1 d2 d3 d4 "};
    return kListTokens[static_cast<std::size_t>(stored)];
}

// "%02X " by hand: snprintf costs several times as much in the WebAssembly build as natively,
// and the list and the map check write every byte of every message text this way.
void AppendHex(std::string& out, std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const char text[3] = {kDigits[byte >> 4], kDigits[byte & 0xF], ' '};
    out.append(text, sizeof text);
}

void AppendMarker(std::string& out, int digit, int marker) {
    out += std::to_string(digit);
    out += marker == 1 ? 'x' : 'n';
    out += ' ';
}

// Reads the tokens of a message text (trimmed, upper case) from index `i` into `buffer`,
// advancing `pos`, and records the data field, channel marker and checksum fields in `r` as
// it meets them. Returns ParseAccepted when the text is used up (or ends at "F7"), otherwise the
// refusal.
// A refusal is described in `fault`, with the number of the message byte being read.
ParseResult ScanTokens(const std::string& t, std::size_t i, bool sysEx, int dataType,
                       AssignRecord& r, std::array<std::uint8_t, kMax>& buffer, std::size_t& pos,
                       MessageTextFault& fault) {
    const std::size_t n = t.size();
    const auto refuse = [&](MessageRule rule, ParseResult result) {
        fault.rule = rule;
        fault.byte = static_cast<int>(pos) + 1;
        return result;
    };
    while (i < n) {
        if (pos >= kMax) {
            // more text follows a message that is already full
            return refuse(MessageRule::TooLong, ParseTooLong);
        }
        while (i < n && IsBlank(t[i])) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        if (i + 1 < n) {
            const char a = t[i];
            const char b = t[i + 1];
            if (sysEx && a == 'F' && b == '7') {
                buffer[pos++] = 0xF7;
                if (i + 2 < n) {
                    // nothing may follow the end
                    return refuse(MessageRule::TextAfterEnd, static_cast<ParseResult>(i + 2));
                }
                return ParseAccepted;
            }
            if (a == 'D' && b == 'T') {
                if (r[rec::DataPosition] != 0) {
                    return refuse(MessageRule::SecondDataField, static_cast<ParseResult>(i));
                }
                if (!IsDataType(dataType)) {
                    return refuse(MessageRule::NoDataType, static_cast<ParseResult>(i));
                }
                r[rec::DataPosition] = static_cast<std::uint8_t>(pos);
                r[rec::DataType] = static_cast<std::uint8_t>(dataType);
                pos += static_cast<std::size_t>(DataTypeByteCount(dataType));
                i += 2;
                continue;
            }
            if (sysEx && a == 'S' && b == 'S') {
                if (r[rec::ChecksumStart] != 0) {
                    return refuse(MessageRule::SecondChecksumStart, static_cast<ParseResult>(i));
                }
                r[rec::ChecksumStart] = static_cast<std::uint8_t>(pos);
                i += 2;
                continue;
            }
            if (sysEx && a == 'S' && (b == '1' || b == '2')) {
                if (r[rec::ChecksumStart] == 0) {
                    return refuse(MessageRule::ChecksumBeforeStart, static_cast<ParseResult>(i));
                }
                if (r[rec::ChecksumKind] != 0) {
                    return refuse(MessageRule::SecondChecksum, static_cast<ParseResult>(i));
                }
                r[rec::ChecksumKind] = b == '1' ? 1 : 2;
                r[rec::ChecksumPosition] = static_cast<std::uint8_t>(pos);
                buffer[pos++] = 0x00;
                i += 2;
                continue;
            }
        }
        const int high = HexValue(t[i]);
        if (high < 0) {
            return refuse(MessageRule::NotHex, static_cast<ParseResult>(i));
        }
        const std::size_t j = i + 1;
        if (j >= n) {
            return refuse(MessageRule::HalfByte, static_cast<ParseResult>(j));
        }
        const char c = t[j];
        if (c == ' ') {
            buffer[pos++] = static_cast<std::uint8_t>(high);
        } else if (c == 'N' || c == 'X') {
            if (r[rec::ChannelMarker] != 0) {
                return refuse(MessageRule::SecondChannelMarker, static_cast<ParseResult>(j));
            }
            if (high > 7) {
                return refuse(MessageRule::MarkerDigit, static_cast<ParseResult>(j));
            }
            r[rec::ChannelMarker] = c == 'N' ? 2 : 1;
            r[rec::ChannelMarkerPosition] = static_cast<std::uint8_t>(pos);
            r[rec::ChannelMarkerDigit] = static_cast<std::uint8_t>(high);
            buffer[pos++] = static_cast<std::uint8_t>(high * 16);
        } else {
            const int low = HexValue(c);
            if (low < 0) {
                return refuse(MessageRule::NotHex, static_cast<ParseResult>(j));
            }
            buffer[pos++] = static_cast<std::uint8_t>(high * 16 + low);
        }
        i = j + 1;
    }
    return ParseAccepted;
}

// The sequence fault of the parsed bytes; one inside the data field is the field's own: its
// bytes do not fit the data bytes of the message it stands in.
MessageTextFault SequenceFaultOf(const AssignRecord& r, std::span<const std::uint8_t> bytes) {
    MessageTextFault fault = FindSequenceFault(bytes);
    if (fault.rule == MessageRule::None || r[rec::DataType] == DataNone) {
        return fault;
    }
    const int width = DataTypeByteCount(r[rec::DataType]);
    const int first = r[rec::DataPosition] + 1; // byte numbers count from 1
    if (fault.byte >= first && fault.byte < first + width) {
        fault.rule = MessageRule::DataFieldOverrun;
        fault.width = width;
    }
    return fault;
}

void WriteCommonDefaults(AssignRecord& r) {
    r[rec::DataType] = DataNone;
    r[rec::DataPosition] = 0;
    r[rec::MinValue] = 0;
    r[rec::MaxValue] = 127;
    r[rec::ChannelMarker] = 0;
    r[rec::ChannelMarkerPosition] = 0;
    r[rec::ChannelMarkerDigit] = 0;
}

} // namespace

std::string FormatSysExText(const AssignRecord& r, TextStyle style) {
    const std::uint8_t* msg = r.data() + rec::SysExMessage;
    if (msg[0] == 0xF7) {
        return "F7";
    }
    int ssPos = -1;
    int csPos = -1;
    int dtPos = -1;
    int mkPos = -1;
    if (r[rec::ChecksumKind] != 0) {
        ssPos = r[rec::ChecksumStart];
        csPos = r[rec::ChecksumPosition];
    }
    if (r[rec::DataType] != DataNone) {
        dtPos = r[rec::DataPosition];
    }
    if (r[rec::ChannelMarker] != 0) {
        mkPos = r[rec::ChannelMarkerPosition];
    }
    const bool list = style == ListStyle;
    std::string out;
    for (int p = 0;;) {
        if (p == ssPos) {
            out += list ? "CSS " : "SS ";
        }
        if (p == csPos) {
            if (r[rec::ChecksumKind] == 1) {
                out += list ? "CS1 " : "S1 ";
            } else {
                out += list ? "CS2 " : "S2 ";
            }
        } else if (p == dtPos) {
            out += DataToken(r[rec::DataType], style);
            p += WalkWidth(r[rec::DataType]) - 1;
        } else if (p == mkPos) {
            AppendMarker(out, r[rec::ChannelMarkerDigit], r[rec::ChannelMarker]);
        } else {
            AppendHex(out, msg[p]);
        }
        if (p + 1 >= static_cast<int>(kMax) || msg[p + 1] == 0xF7) {
            break;
        }
        ++p;
    }
    out += "F7";
    return out;
}

std::string FormatFreeText(const AssignRecord& r, TextStyle style) {
    const std::uint8_t* msg = r.data() + rec::FreeMessage;
    // A length beyond the message area (only in records from elsewhere) shows the whole area.
    const int length = std::min<int>(r[rec::MessageLength], static_cast<int>(kMax));
    const int dtPos = r[rec::DataType] != DataNone ? r[rec::DataPosition] : -1;
    const int mkPos = r[rec::ChannelMarker] != 0 ? r[rec::ChannelMarkerPosition] : -1;
    std::string out;
    for (int p = 0; p < length; ++p) {
        if (p == dtPos) {
            out += DataToken(r[rec::DataType], style);
            p += WalkWidth(r[rec::DataType]) - 1;
        } else if (p == mkPos) {
            AppendMarker(out, r[rec::ChannelMarkerDigit], r[rec::ChannelMarker]);
        } else {
            AppendHex(out, msg[p]);
        }
    }
    return out;
}

std::string FormatMessageText(const AssignRecord& record, PageMode mode, TextStyle style) {
    return mode == FreeMode ? FormatFreeText(record, style) : FormatSysExText(record, style);
}

ParseResult ParseSysExText(AssignEntry& entry, std::string_view text, int dataType,
                           MessageTextFault* faultOut) {
    MessageTextFault unused;
    MessageTextFault& fault = faultOut != nullptr ? *faultOut : unused;
    fault = {};
    const std::string t = Upper(Trim(text));
    AssignRecord& r = entry.record;

    WriteCommonDefaults(r);
    r[rec::ChecksumKind] = 0;
    r[rec::ChecksumStart] = 0;
    r[rec::ChecksumPosition] = 0;
    r[rec::SysExMessage] = 0xF0;
    std::fill(r.begin() + rec::SysExMessage + 1, r.end(), std::uint8_t{0xF7});

    if (t.size() < 2 || t[0] != 'F' || t[1] != '0') {
        fault = {t.empty() ? MessageRule::Empty : MessageRule::StartsWithoutF0, t.empty() ? 0 : 1};
        return ParseTextWrong;
    }
    std::array<std::uint8_t, kMax> buffer{};
    buffer[0] = 0xF0;
    std::size_t pos = 1;
    if (ParseResult result = ScanTokens(t, 2, true, dataType, r, buffer, pos, fault);
        result != ParseAccepted) {
        return result;
    }
    if (pos > kMax) {
        fault = {MessageRule::TooLong, static_cast<int>(kMax) + 1};
        return ParseTooLong; // a data field runs past the end
    }
    if (fault = SequenceFaultOf(r, std::span(buffer.data(), pos));
        fault.rule != MessageRule::None) {
        return ParseTextWrong;
    }
    if (r[rec::ChecksumStart] != 0 && r[rec::ChecksumKind] == 0) {
        fault = {MessageRule::ChecksumWithoutEnd, r[rec::ChecksumStart] + 1};
        return ParseTextWrong; // "SS" without "S1"/"S2"
    }
    std::copy_n(buffer.begin(), pos, r.begin() + rec::SysExMessage);
    entry.changed = true;
    return ParseAccepted;
}

ParseResult ParseFreeText(AssignEntry& entry, std::string_view text, int dataType,
                          MessageTextFault* faultOut) {
    MessageTextFault unused;
    MessageTextFault& fault = faultOut != nullptr ? *faultOut : unused;
    fault = {};
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty()) {
        fault.rule = MessageRule::Empty;
        return ParseTextWrong;
    }
    const std::string t = Upper(trimmed);
    AssignRecord& r = entry.record;

    WriteCommonDefaults(r);
    r[rec::MessageLength] = 0;

    if (HexValue(t[0]) < 8) {
        fault = {MessageRule::StartsWithoutStatus, 1};
        return ParseTextWrong; // a Free Message starts with a status byte
    }
    std::array<std::uint8_t, kMax> buffer{};
    std::size_t pos = 0;
    if (ParseResult result = ScanTokens(t, 0, false, dataType, r, buffer, pos, fault);
        result != ParseAccepted) {
        return result;
    }
    if (pos > kMax) {
        fault = {MessageRule::TooLong, static_cast<int>(kMax) + 1};
        return ParseTooLong;
    }
    if (fault = SequenceFaultOf(r, std::span(buffer.data(), pos));
        fault.rule != MessageRule::None) {
        return ParseTextWrong;
    }
    std::copy_n(buffer.begin(), pos, r.begin() + rec::FreeMessage);
    r[rec::MessageLength] = static_cast<std::uint8_t>(pos);
    entry.changed = true;
    return ParseAccepted;
}

ParseResult ParseMessageText(AssignEntry& entry, PageMode mode, std::string_view text, int dataType,
                             MessageTextFault* fault) {
    return mode == FreeMode ? ParseFreeText(entry, text, dataType, fault)
                            : ParseSysExText(entry, text, dataType, fault);
}

bool CheckMessageSequence(std::span<const std::uint8_t> bytes) {
    return FindSequenceFault(bytes).rule == MessageRule::None;
}

MessageTextFault FindSequenceFault(std::span<const std::uint8_t> bytes) {
    const std::size_t n = bytes.size();
    if (n == 0) {
        return {MessageRule::Empty, 0};
    }
    const auto at = [](MessageRule rule, std::size_t index, int status) {
        return MessageTextFault{rule, static_cast<int>(index) + 1, status, 0};
    };
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t status = bytes[i];
        std::size_t size = 0;
        if (status < 0x80) {
            // a data byte where a status byte is due (no running status)
            return at(MessageRule::DataInsteadOfStatus, i, 0);
        }
        if (status < 0xF0) {
            size = 1 + static_cast<std::size_t>(DataBytesAfter(status));
        } else {
            switch (status) {
            case 0xF0: {
                std::size_t k = i + 1;
                while (k < n && bytes[k] < 0x80) {
                    ++k;
                }
                if (k >= n) {
                    return at(MessageRule::SysExWithoutEnd, i, status);
                }
                if (bytes[k] != 0xF7) {
                    return at(MessageRule::StatusInsteadOfData, k, status);
                }
                i = k + 1;
                continue;
            }
            case 0xF1:
            case 0xF2:
            case 0xF3:
            case 0xF6:
                size = 1 + static_cast<std::size_t>(DataBytesAfter(status));
                break;
            case 0xF8:
            case 0xFA:
            case 0xFB:
            case 0xFC:
            case 0xFF:
                size = 1;
                break;
            default:
                return at(MessageRule::UndefinedStatus, i, status); // F4, F5, F7, F9, FD, FE
            }
        }
        for (std::size_t k = 1; k < size; ++k) {
            if (i + k >= n) {
                return at(MessageRule::MissingData, i + k, status);
            }
            if (bytes[i + k] >= 0x80) {
                return at(MessageRule::StatusInsteadOfData, i + k, status);
            }
        }
        i += size;
    }
    return {};
}

ParseMessage MessageForResult(ParseResult result) {
    if (result == ParseTooLong) {
        return {StringId::MessageTooLong, kMaxMessageBytes};
    }
    return {StringId::MessageMistake, 0};
}

TextSelection ErrorSelection(std::string_view fieldText, ParseResult result) {
    if (result < 0) {
        return {0, fieldText.size()};
    }
    std::size_t lead = 0;
    while (lead < fieldText.size() && IsBlank(fieldText[lead])) {
        ++lead;
    }
    const std::size_t start = lead + static_cast<std::size_t>(result);
    if (start >= fieldText.size()) {
        return {fieldText.size(), 0};
    }
    return {start, 1};
}

int DataTypeValueRangeTop(int entry) {
    switch (entry) {
    case Data4Bit4Bit - 1:
        return 15;
    case Data4x4Bit - 1:
        return 255;
    default:
        return 127;
    }
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/assignlist.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>

#include "model/controllers.h"
#include "model/kinds.h"
#include "model/msgtext.h"
#include "model/terminaltext.h"

namespace kel {
namespace {

// The list as it is written. Its pieces are many and short; they are copied here character by
// character into room reserved ahead, which costs far less than one call of the standard
// string's append each where that is not inlined (the WebAssembly build). With `crlf`, every
// line break is written as CR LF.
class ListText {
public:
    explicit ListText(bool crlf) : crlf_(crlf) {}

    ListText& operator+=(std::string_view text) {
        append(text.data(), text.size());
        return *this;
    }
    ListText& operator+=(char c) {
        append(&c, 1);
        return *this;
    }
    void append(const char* text, std::size_t size) {
        Reserve(2 * size); // each character may become two
        char* to = text_.data() + used_;
        for (const char* from = text; from != text + size; ++from) {
            if (crlf_ && *from == '\n') {
                *to++ = '\r';
            }
            *to++ = *from;
        }
        used_ = static_cast<std::size_t>(to - text_.data());
    }
    void append(std::size_t count, char c) {
        Reserve(count);
        std::fill_n(text_.data() + used_, count, c);
        used_ += count;
    }
    std::string Take() {
        text_.resize(used_);
        return std::move(text_);
    }

private:
    void Reserve(std::size_t more) {
        if (text_.size() - used_ < more) {
            text_.resize(std::max(2 * text_.size(), used_ + more + 4096));
        }
    }

    std::string text_;
    std::size_t used_ = 0;
    bool crlf_;
};

// Appends `format` with its conversions filled in: "%d", "%3d" (at least three places, right
// aligned) and "%02X" (at least two upper-case hexadecimal digits), as snprintf writes them.
// The list has only these; done here because snprintf costs several times as much in the
// WebAssembly build as natively.
void AppendFormatted(ListText& out, const char* format, std::initializer_list<int> values) {
    const int* value = values.begin();
    for (const char* at = format; *at != '\0'; ++at) {
        if (*at != '%') {
            const char* end = at;
            while (*end != '\0' && *end != '%') {
                ++end;
            }
            out.append(at, static_cast<std::size_t>(end - at));
            at = end - 1;
            continue;
        }
        const bool zeros = at[1] == '0';
        at += zeros ? 2 : 1;
        std::size_t width = 0;
        while (*at >= '0' && *at <= '9') {
            width = width * 10 + static_cast<std::size_t>(*at - '0');
            ++at;
        }
        char digits[16];
        const bool hex = *at == 'X';
        const std::to_chars_result written =
            hex ? std::to_chars(digits, digits + sizeof digits, static_cast<unsigned>(*value), 16)
                : std::to_chars(digits, digits + sizeof digits, *value);
        ++value;
        const auto length = static_cast<std::size_t>(written.ptr - digits);
        if (hex) {
            std::transform(digits, written.ptr, digits, [](char c) {
                return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
            });
        }
        if (length < width) {
            out.append(width - length, zeros ? '0' : ' ');
        }
        out.append(digits, length);
    }
}

template <typename... Args> void Append(ListText& out, const char* format, Args... args) {
    AppendFormatted(out, format, {static_cast<int>(args)...});
}

// Title and comments come from map files that anyone may have written: they must not bring
// markup or script into the page the browser opens, nor a bidirectional control that shows
// the letters around it in another order (it is shown as its escape, \u202e).
void AppendEscaped(ListText& out, std::string_view text) {
    for (char c : WithVisibleBidiControls(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

constexpr const char* kDash = "  <TD>-</TD>\n";

// Nothing at all for a port byte above 2: that row has one cell fewer.
void AppendPort(ListText& out, const AssignRecord& r) {
    switch (r[rec::Port]) {
    case 0:
        out += "  <TD>1</TD>\n";
        break;
    case 1:
        out += "  <TD>2</TD>\n";
        break;
    case 2:
        out += "  <TD>1+2</TD>\n";
        break;
    default:
        break;
    }
}

void AppendButton(ListText& out, ControllerId id, const AssignRecord& r) {
    if (HasButtonMode(id)) {
        Append(out, "  <TD>%d</TD>\n", (r[rec::ModeBits] & 3) + 1);
    } else {
        out += kDash;
    }
}

void AppendAft(ListText& out, ControllerId id, const AssignRecord& r) {
    if (HasAftMode(id) && r[rec::AftMode] != 0) {
        Append(out, "  <TD>%d</TD>\n", r[rec::AftMode]);
    } else {
        out += kDash;
    }
}

void AppendClick(ListText& out, const AssignRecord& r) {
    out += (r[rec::ModeBits] & 4) != 0 ? "  <TD>1</TD>\n" : kDash;
}

const char* Separator(ControllerId id) {
    return HasButtonMode(id) ? " / " : " - ";
}

// A value as the list shows it: the number the user sees, then the stored byte in hexadecimal.
void AppendValue(ListText& out, const char* format, const ValueField& v, const AssignRecord& r) {
    Append(out, format, v.Shown(r), r[v.byte]);
}

// The RANGE cell of System Ex. and Free Message rows.
void AppendDataRange(ListText& out, ControllerId id, const AssignRecord& r) {
    const int min = r[rec::MinValue];
    const int max = r[rec::MaxValue];
    const char* sep = Separator(id);
    switch (r[rec::DataType]) {
    case Data7Bit:
        Append(out, "  <TD>%3d(%02X)", min, min);
        out += sep;
        Append(out, "%3d(%02X)</TD>\n", max, max);
        break;
    case Data4Bit4Bit:
        Append(out, "  <TD>%3d(%02X/00)", min * 16, min);
        out += sep;
        Append(out, "%3d(%02X/0F)</TD>\n", max * 16 + 15, max);
        break;
    case DataMsbLsb:
        Append(out, "  <TD>%3d(%02X/00)", min * 128, min);
        out += sep;
        Append(out, "%3d(%02X/7F)</TD>\n", max * 128 + 127, max);
        break;
    case DataLsbMsb:
        Append(out, "  <TD>%3d(00/%02X)", min * 128, min);
        out += sep;
        Append(out, "%3d(7F/%02X)</TD>\n", max * 128 + 127, max);
        break;
    case Data4x4Bit: {
        // Four 4-bit bytes holding the value in offset form, 8000 hex standing for 0.
        const unsigned low = 0x8000u - static_cast<unsigned>(min);
        const unsigned high = 0x8000u + static_cast<unsigned>(max);
        Append(out, "  <TD>%3d(%02X/%02X/%02X/%02X)", -min, (low >> 12) & 0xF, (low >> 8) & 0xF,
               (low >> 4) & 0xF, low & 0xF);
        out += sep;
        Append(out, "%3d(%02X/%02X/%02X/%02X)</TD>\n", max, (high >> 12) & 0xF, (high >> 8) & 0xF,
               (high >> 4) & 0xF, high & 0xF);
        break;
    }
    default:
        out += kDash;
        break;
    }
}

// The OUTPUT MESSAGE cell.
void AppendMessageCell(ListText& out, const AssignKind& kind, const AssignRecord& r) {
    const ValueField* first = kind.Value(0);
    switch (kind.code) {
    case CodeNoAssign:
        out += "  <TD><FONT color=\"gray\">NO ASSIGN</FONT></TD>\n";
        break;
    case CodeNote:
        AppendValue(out, "  <TD>NOTE %3d(%02X)</TD>\n", *first, r);
        break;
    case CodeChannelPressure:
        out += "  <TD>CHANNEL PRESSURE</TD>\n";
        break;
    case CodePolyPressure:
        AppendValue(out, "  <TD>POLY KEY PRESSURE %3d(%02X)</TD>\n", *first, r);
        break;
    case CodeControlChange:
        AppendValue(out, "  <TD>CC %3d(%02X)</TD>\n", *first, r);
        break;
    case CodeEncoderSimulate:
        Append(out, "  <TD>B0 %02X dd</TD>\n", r[first->byte]);
        break;
    case CodeRpn:
    case CodeNrpn: {
        const int msb = r[kind.values[0].byte];
        const int lsb = r[kind.values[1].byte];
        Append(out,
               kind.code == CodeRpn ? "  <TD>RPN %3d/%3d(%02X/%02X)</TD>\n"
                                    : "  <TD>NRPN %3d/%3d(%02X/%02X)</TD>\n",
               msb, lsb, msb, lsb);
        break;
    }
    case CodeSystemRealtime:
        Append(out, "  <TD>%02X</TD>\n", r[rec::RealtimeStatus]);
        break;
    case CodeSystemExclusive:
    case CodeFreeMessage:
        out += "  <TD>";
        out += kind.code == CodeSystemExclusive ? FormatSysExText(r, ListStyle)
                                                : FormatFreeText(r, ListStyle);
        out += "</TD>\n";
        break;
    case CodeTempo:
        out += "  <TD>TEMPO</TD>\n";
        break;
    default: // the program changes
        out += "  <TD>PROGRAM CHANGE</TD>\n";
        break;
    }
}

// The RANGE cell: the kind's minimum/maximum pair, or what stands in for it.
void AppendRangeCell(ListText& out, ControllerId id, const AssignKind& kind,
                     const AssignRecord& r) {
    switch (kind.range) {
    case RangeForm::Values:
        AppendValue(out, "  <TD>%3d(%02X)", kind.values[kind.rangeMin], r);
        out += Separator(id);
        AppendValue(out, "%3d(%02X)</TD>\n", kind.values[kind.rangeMax], r);
        return;
    case RangeForm::DataEntryMsb: {
        // The range of the 14-bit data-entry value whose MSB the two bytes hold.
        const int min = r[kind.values[kind.rangeMin].byte];
        const int max = r[kind.values[kind.rangeMax].byte];
        Append(out, "  <TD>%d(%02X/00)", min * 128, min);
        out += Separator(id);
        Append(out, "%d(%02X/7F)</TD>\n", max * 128 + 127, max);
        return;
    }
    case RangeForm::DataField:
        AppendDataRange(out, id, r);
        return;
    case RangeForm::None:
        break;
    }
    switch (kind.code) {
    case CodeNote:
        AppendValue(out, "  <TD>0(00) / %3d(%02X)</TD>\n", kind.values[1], r);
        break;
    case CodeEncoderSimulate:
        out += "  <TD>DEC(41) / INC(01)</TD>\n";
        break;
    case CodeProgramChange:
        AppendValue(out, "  <TD>%3d(%02X)</TD>\n", kind.values[0], r);
        break;
    case CodeBankProgramChange: {
        const int msb = r[kind.values[0].byte];
        const int lsb = r[kind.values[1].byte];
        Append(out, "  <TD>Bank:%3d/%3d(%02X/%02X)", msb, lsb, msb, lsb);
        AppendValue(out, "  PC:%3d(%02X)</TD>\n", kind.values[2], r);
        break;
    }
    case CodeProgramChangeStep:
        out += r[rec::StepDirection] != 0 ? "  <TD>min:1(00)</TD>\n" : "  <TD>max:128(7F)</TD>\n";
        break;
    default:
        out += kDash;
        break;
    }
}

// The seven cells after PARAMETER; nothing for an invalid assign code.
void AppendDataCells(ListText& out, ControllerId id, const AssignRecord& r) {
    const AssignKind* kind = KindOf(r);
    if (kind == nullptr) {
        return;
    }
    AppendMessageCell(out, *kind, r);
    AppendRangeCell(out, id, *kind, r);
    if (kind->channel) {
        Append(out, "  <TD>%d</TD>\n", r[rec::Channel] + 1);
    } else {
        out += kDash;
    }
    // Every message but Tempo goes out on a port; the list shows the port byte of the program
    // changes too, whose page does not offer it.
    if (kind->type != MsgNoAssign && kind->type != MsgTempo) {
        AppendPort(out, r);
    } else {
        out += kDash;
    }
    // The button mode byte of an Encoder Simulate is listed as well.
    if (kind->HasButtonMode() || kind->code == CodeEncoderSimulate) {
        AppendButton(out, id, r);
    } else {
        out += kDash;
    }
    if (kind->aftMode) {
        AppendAft(out, id, r);
    } else {
        out += kDash;
    }
    if (kind->centerClick) {
        AppendClick(out, r);
    } else {
        out += kDash;
    }
}

void AppendRow(ListText& out, ControllerId id, const AssignRecord& r, std::string_view comment) {
    out += "<TR>\n  <TH>";
    out += ControllerName(id);
    out += "</TH>\n  <TD>";
    if (comment.empty()) {
        out += " - ";
    } else {
        AppendEscaped(out, comment);
    }
    out += "</TD>\n";
    AppendDataCells(out, id, r);
    out += "</TR>";
}

} // namespace

// ---------------------------------------------------------------------------------------------

std::string AssignListRow(ControllerId id, const AssignRecord& record, std::string_view comment) {
    ListText out(false);
    AppendRow(out, id, record, comment);
    return out.Take();
}

std::string AssignListHtml(const ControlMap& map) {
    // Every line break of the list is written as CR LF.
    ListText out(true);
    out += "<HTML>\n<HEAD>\n";
    // The texts are UTF-8; a list with letters beyond ASCII says so, so that no browser reads
    // them in another encoding. An all-ASCII list stays as it always was.
    if (!IsAscii(map.title) ||
        std::any_of(map.comments.begin(), map.comments.end(),
                    [](const std::string& comment) { return !IsAscii(comment); })) {
        out += "<META charset=\"utf-8\">\n";
    }
    out += "<TITLE>";
    AppendEscaped(out, map.title);
    out += " PARAMETER LIST</TITLE>\n</HEAD>\n<BODY>\n<H3>";
    AppendEscaped(out, map.title);
    out += " PARAMETER LIST</H3>\n";
    out += "<TABLE border=\"1\" cellspacing=\"0\">\n<TR>\n"
           "  <TH>-</TH>\n"
           "  <TH>PARAMETER</TH>\n"
           "  <TH>OUTPUT MESSAGE</TH>\n"
           "  <TH>RANGE</TH>\n"
           "  <TH>CH</TH>\n"
           "  <TH>PORT</TH>\n"
           "  <TH>BUTTON</TH>\n"
           "  <TH>AFT</TH>\n"
           "  <TH>C.Click</TH>\n"
           "</TR>\n";
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const auto index = static_cast<std::size_t>(id);
        AppendRow(out, id, map.records[index], map.comments[index]);
    }
    out += "</TABLE>\n</BODY>\n</HTML>\n";
    return out.Take();
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/assignlist.h"

#include <algorithm>
#include <cstdio>

#include "model/controllers.h"
#include "model/kinds.h"
#include "model/msgtext.h"
#include "model/terminaltext.h"

namespace kel {
namespace {

template <typename... Args> void Append(std::string& out, const char* format, Args... args) {
    char text[128];
    const int n = std::snprintf(text, sizeof text, format, args...);
    if (n > 0) {
        out.append(text, static_cast<std::size_t>(n) < sizeof text ? static_cast<std::size_t>(n)
                                                                   : sizeof text - 1);
    }
}

// Title and comments come from map files that anyone may have written: they must not bring
// markup or script into the page the browser opens, nor a bidirectional control that shows
// the letters around it in another order (it is shown as its escape, \u202e).
void AppendEscaped(std::string& out, std::string_view text) {
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
void AppendPort(std::string& out, const AssignRecord& r) {
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

void AppendButton(std::string& out, ControllerId id, const AssignRecord& r) {
    if (HasButtonMode(id)) {
        Append(out, "  <TD>%d</TD>\n", (r[rec::ModeBits] & 3) + 1);
    } else {
        out += kDash;
    }
}

void AppendAft(std::string& out, ControllerId id, const AssignRecord& r) {
    if (HasAftMode(id) && r[rec::AftMode] != 0) {
        Append(out, "  <TD>%d</TD>\n", r[rec::AftMode]);
    } else {
        out += kDash;
    }
}

void AppendClick(std::string& out, const AssignRecord& r) {
    out += (r[rec::ModeBits] & 4) != 0 ? "  <TD>1</TD>\n" : kDash;
}

const char* Separator(ControllerId id) {
    return HasButtonMode(id) ? " / " : " - ";
}

// A value as the list shows it: the number the user sees, then the stored byte in hexadecimal.
void AppendValue(std::string& out, const char* format, const ValueField& v, const AssignRecord& r) {
    Append(out, format, v.Shown(r), r[v.byte]);
}

// The RANGE cell of System Ex. and Free Message rows.
void AppendDataRange(std::string& out, ControllerId id, const AssignRecord& r) {
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
void AppendMessageCell(std::string& out, const AssignKind& kind, const AssignRecord& r) {
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
void AppendRangeCell(std::string& out, ControllerId id, const AssignKind& kind,
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
void AppendDataCells(std::string& out, ControllerId id, const AssignRecord& r) {
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

void AppendRow(std::string& out, ControllerId id, const AssignRecord& r, std::string_view comment) {
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

// Every line break of the list is written as CR LF.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------

std::string AssignListRow(ControllerId id, const AssignRecord& record, std::string_view comment) {
    std::string out;
    AppendRow(out, id, record, comment);
    return out;
}

std::string AssignListHtml(const ControlMap& map) {
    std::string out;
    out.reserve(48 * 1024);
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
    return WithCrLf(out);
}

} // namespace kel

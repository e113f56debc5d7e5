#include "model/assignlist.h"

#include <cstdio>

#include "model/controllers.h"
#include "model/msgtext.h"

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
// markup or script into the page the browser opens.
void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
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

constexpr const char* kDash = "  <TD>-</TD>\n";

void AppendChannel(std::string& out, const AssignRecord& r) {
    Append(out, "  <TD>%d</TD>\n", r[rec::Channel] + 1);
}

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
    if (HasAftMode(id) && r[7] != 0) {
        Append(out, "  <TD>%d</TD>\n", r[7]);
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

void AppendPair(std::string& out, ControllerId id, int a, int b) {
    Append(out, "  <TD>%3d(%02X)", a, a);
    out += Separator(id);
    Append(out, "%3d(%02X)</TD>\n", b, b);
}

// The RANGE cell of System Ex. and Free Message rows.
void AppendDataRange(std::string& out, ControllerId id, const AssignRecord& r) {
    const int min = r[rec::MinValue];
    const int max = r[rec::MaxValue];
    const char* sep = Separator(id);
    switch (r[rec::DataType]) {
    case Data7Bit:
        AppendPair(out, id, min, max);
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

void AppendRpnRange(std::string& out, ControllerId id, const AssignRecord& r) {
    Append(out, "  <TD>%d(%02X/00)", r[8] * 128, r[8]);
    out += Separator(id);
    Append(out, "%d(%02X/7F)</TD>\n", r[9] * 128 + 127, r[9]);
}

// The seven cells after PARAMETER; nothing for an invalid assign code.
void AppendDataCells(std::string& out, ControllerId id, const AssignRecord& r) {
    const int b5 = r[5];
    const int b6 = r[6];
    const int b7 = r[7];
    switch (BaseCode(r[rec::AssignCode])) {
    case CodeNoAssign:
        out += "  <TD><FONT color=\"gray\">NO ASSIGN</FONT></TD>\n";
        for (int i = 0; i < 6; ++i) {
            out += kDash;
        }
        break;
    case CodeNote:
        Append(out, "  <TD>NOTE %3d(%02X)</TD>\n", b5, b5);
        Append(out, "  <TD>0(00) / %3d(%02X)</TD>\n", b6, b6);
        AppendChannel(out, r);
        AppendPort(out, r);
        AppendButton(out, id, r);
        AppendAft(out, id, r);
        out += kDash;
        break;
    case CodeChannelPressure:
        out += "  <TD>CHANNEL PRESSURE</TD>\n";
        AppendPair(out, id, b5, b6);
        AppendChannel(out, r);
        AppendPort(out, r);
        AppendButton(out, id, r);
        out += kDash;
        out += kDash;
        break;
    case CodePolyPressure:
        Append(out, "  <TD>POLY KEY PRESSURE %3d(%02X)</TD>\n", b5, b5);
        AppendPair(out, id, b6, b7);
        AppendChannel(out, r);
        AppendPort(out, r);
        AppendButton(out, id, r);
        out += kDash;
        out += kDash;
        break;
    case CodeControlChange:
        Append(out, "  <TD>CC %3d(%02X)</TD>\n", b5, b5);
        AppendPair(out, id, b6, b7);
        AppendChannel(out, r);
        AppendPort(out, r);
        AppendButton(out, id, r);
        out += kDash;
        AppendClick(out, r);
        break;
    case CodeEncoderSimulate:
        Append(out, "  <TD>B0 %02X dd</TD>\n", b5);
        out += "  <TD>DEC(41) / INC(01)</TD>\n";
        AppendChannel(out, r);
        AppendPort(out, r);
        AppendButton(out, id, r);
        out += kDash;
        out += kDash;
        break;
    case CodeProgramChangeRange:
        out += "  <TD>PROGRAM CHANGE</TD>\n";
        Append(out, "  <TD>%3d(%02X)", b5 + 1, b5);
        out += Separator(id);
        Append(out, "%3d(%02X)</TD>\n", b6 + 1, b6);
        AppendChannel(out, r);
        AppendPort(out, r);
        out += kDash;
        out += kDash;
        out += kDash;
        break;
    case CodeProgramChange:
        out += "  <TD>PROGRAM CHANGE</TD>\n";
        Append(out, "  <TD>%3d(%02X)</TD>\n", b5 + 1, b5);
        AppendChannel(out, r);
        AppendPort(out, r);
        out += kDash;
        out += kDash;
        out += kDash;
        break;
    case CodeBankProgramChange:
        out += "  <TD>PROGRAM CHANGE</TD>\n";
        Append(out, "  <TD>Bank:%3d/%3d(%02X/%02X)", b6, b5, b6, b5);
        Append(out, "  PC:%3d(%02X)</TD>\n", b7 + 1, b7);
        AppendChannel(out, r);
        AppendPort(out, r);
        out += kDash;
        out += kDash;
        out += kDash;
        break;
    case CodeProgramChangeStep:
        out += "  <TD>PROGRAM CHANGE</TD>\n";
        out += b5 != 0 ? "  <TD>min:1(00)</TD>\n" : "  <TD>max:128(7F)</TD>\n";
        out += kDash;
        AppendPort(out, r);
        out += kDash;
        out += kDash;
        out += kDash;
        break;
    case CodeRpn:
    case CodeNrpn:
        Append(out,
               BaseCode(r[rec::AssignCode]) == CodeRpn ? "  <TD>RPN %3d/%3d(%02X/%02X)</TD>\n"
                                                       : "  <TD>NRPN %3d/%3d(%02X/%02X)</TD>\n",
               b7, b6, b7, b6);
        AppendRpnRange(out, id, r);
        AppendChannel(out, r);
        AppendPort(out, r);
        AppendButton(out, id, r);
        out += kDash;
        AppendClick(out, r);
        break;
    case CodeSystemRealtime:
        Append(out, "  <TD>%02X</TD>\n", b5);
        out += kDash;
        out += kDash;
        AppendPort(out, r);
        out += kDash;
        out += kDash;
        out += kDash;
        break;
    case CodeSystemExclusive:
        out += "  <TD>";
        out += FormatSysExText(r, ListStyle);
        out += "</TD>\n";
        AppendDataRange(out, id, r);
        out += kDash;
        AppendPort(out, r);
        AppendButton(out, id, r);
        out += kDash;
        AppendClick(out, r);
        break;
    case CodeFreeMessage:
        out += "  <TD>";
        out += FormatFreeText(r, ListStyle);
        out += "</TD>\n";
        AppendDataRange(out, id, r);
        out += kDash;
        AppendPort(out, r);
        AppendButton(out, id, r);
        out += kDash;
        out += kDash;
        break;
    case CodeTempo:
        out += "  <TD>TEMPO</TD>\n";
        out += kDash;
        out += kDash;
        out += kDash;
        AppendButton(out, id, r);
        out += kDash;
        out += kDash;
        break;
    default:
        break;
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
    out += "<HTML>\n<HEAD>\n<TITLE>";
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

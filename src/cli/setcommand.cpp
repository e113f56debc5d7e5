#include "cli/setcommand.h"

#include <array>
#include <charconv>
#include <optional>

#include "model/msgtext.h"

namespace kel::cli {
namespace {

// How a kind name of the command line maps onto the assign dialog's choices.
struct KindSpec {
    std::string_view name;
    int type;                            // MessageType
    int kind;                            // ChannelMessageKind, -1 for other types
    std::vector<std::string_view> names; // the VALUES, in command-line order
    std::vector<int> setters;            // which of SetValue1..4 takes each value
};

const std::vector<KindSpec>& Kinds() {
    static const std::vector<KindSpec> kinds = {
        {"none", MsgNoAssign, KindNone, {}, {}},
        {"note", MsgChannel, KindNote, {"NOTE", "VELOCITY"}, {1, 2}},
        {"channel-pressure", MsgChannel, KindChannelPressure, {"MIN", "MAX"}, {1, 2}},
        {"poly-pressure", MsgChannel, KindPolyPressure, {"NOTE", "MIN", "MAX"}, {1, 2, 3}},
        {"cc", MsgChannel, KindControlChange, {"NUMBER", "MIN", "MAX"}, {1, 2, 3}},
        {"pc", MsgChannel, KindProgramChange, {"PROGRAM"}, {1}},
        {"pc-range", MsgChannel, KindProgramChangeRange, {"MIN", "MAX"}, {1, 2}},
        // SetValue1..3 follow the page's field order: bank MSB, bank LSB, program.
        {"bank-pc", MsgChannel, KindBankProgramChange, {"MSB", "LSB", "PROGRAM"}, {1, 2, 3}},
        {"pc-dec", MsgChannel, KindProgramChangeDec, {}, {}},
        {"pc-inc", MsgChannel, KindProgramChangeInc, {}, {}},
        {"rpn", MsgChannel, KindRpn, {"MSB", "LSB", "MIN", "MAX"}, {1, 2, 3, 4}},
        {"nrpn", MsgChannel, KindNrpn, {"MSB", "LSB", "MIN", "MAX"}, {1, 2, 3, 4}},
        {"encoder", MsgChannel, KindEncoderSimulate, {"NUMBER"}, {1}},
        {"realtime", MsgSystemRealtime, KindNone, {"STATUS"}, {}},
        {"sysex", MsgSystemExclusive, KindNone, {"TEXT"}, {}},
        {"free", MsgFreeMessage, KindNone, {"TEXT"}, {}},
        {"tempo", MsgTempo, KindNone, {}, {}},
    };
    return kinds;
}

std::optional<int> ParseNumber(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

int GetValue(const AssignEntry& e, int which) {
    switch (which) {
    case 1:
        return e.GetValue1();
    case 2:
        return e.GetValue2();
    case 3:
        return e.GetValue3();
    default:
        return e.GetValue4();
    }
}

void SetValue(AssignEntry& e, int which, int v) {
    switch (which) {
    case 1:
        e.SetValue1(v);
        break;
    case 2:
        e.SetValue2(v);
        break;
    case 3:
        e.SetValue3(v);
        break;
    default:
        e.SetValue4(v);
        break;
    }
}

// The index of `text` in `names` (case-insensitive for ASCII), or -1.
template <std::size_t N>
int IndexOf(const std::array<std::string_view, N>& names, const std::string& text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i].size() == text.size() &&
            std::equal(text.begin(), text.end(), names[i].begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            })) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string Quote(std::string_view s) {
    return "'" + std::string(s) + "'";
}

// Applies everything after the kind was chosen; returns the refusal or "".
std::string ApplyFields(AssignEntry& e, ControllerId id, const KindSpec& spec,
                        const SetRequest& r) {
    const std::string kindName(spec.name);

    if (spec.type == MsgChannel) {
        for (std::size_t i = 0; i < r.values.size(); ++i) {
            const auto v = ParseNumber(r.values[i]);
            const int which = spec.setters[i];
            if (v) {
                SetValue(e, which, *v);
            }
            if (!v || GetValue(e, which) != *v) {
                const bool program =
                    (spec.kind == KindProgramChange || spec.kind == KindProgramChangeRange ||
                     (spec.kind == KindBankProgramChange && which == 3));
                return std::string(spec.names[i]) + " " + Quote(r.values[i]) +
                       " is out of range (" + (program ? "1-128" : "0-127") + ")";
            }
        }
    } else if (spec.type == MsgSystemRealtime && !r.values.empty()) {
        static constexpr std::array<std::string_view, 6> kStatus = {"f6", "f8", "fa",
                                                                    "fb", "fc", "ff"};
        const int index = IndexOf(kStatus, r.values[0]);
        if (index < 0) {
            return "STATUS " + Quote(r.values[0]) + " is not one of F6, F8, FA, FB, FC, FF";
        }
        e.SetRealtimeIndex(index);
    }

    int dataEntry = 0;
    if (!r.dataType.empty()) {
        if (spec.type != MsgSystemExclusive && spec.type != MsgFreeMessage) {
            return "--data-type is only for sysex and free messages";
        }
        const auto v = ParseNumber(r.dataType);
        if (!v || *v < 0 || *v > 4) {
            return "--data-type " + Quote(r.dataType) + " is out of range (0-4)";
        }
        dataEntry = *v;
    }
    if (spec.type == MsgSystemExclusive || spec.type == MsgFreeMessage) {
        const PageMode mode = spec.type == MsgSystemExclusive ? SysExMode : FreeMode;
        // A System Ex. message left out keeps its default "F0 F7"; a Free Message cannot be
        // empty, so its missing text is refused by the parser like an empty field.
        const bool keepDefault = r.values.empty() && mode == SysExMode;
        const std::string text = r.values.empty() ? std::string{} : r.values[0];
        const ParseResult result =
            keepDefault ? ParseAccepted : ParseMessageText(e, mode, text, dataEntry + 1);
        if (result != ParseAccepted) {
            const ParseMessage message = MessageForResult(result);
            std::string out = FormatMessage(message.id, message.detail);
            if (result >= 0) {
                const TextSelection sel = ErrorSelection(text, result);
                out += " (character " + std::to_string(sel.start + 1);
                out += sel.length > 0 ? ": " + Quote(text.substr(sel.start, 1)) + ")"
                                      : ": end of text)";
            }
            return out;
        }
        // As on the assign page, a data field's range starts as the whole range of its data
        // type (0-15 for DT1, 0-255 for DT4, 0-127 otherwise) unless --min/--max narrow it.
        const int top = DataTypeValueRangeTop(dataEntry);
        const bool hasDataField = e.record[rec::DataType] != DataNone;
        const std::string minText = r.min.empty() && hasDataField ? "0" : r.min;
        const std::string maxText = r.max.empty() && hasDataField ? std::to_string(top) : r.max;
        for (auto [option, text2, isMin] :
             {std::tuple{"--min", minText, true}, std::tuple{"--max", maxText, false}}) {
            if (text2.empty()) {
                continue;
            }
            if (!hasDataField) {
                return std::string(option) + " needs a data field (DT) in the message";
            }
            const auto v = ParseNumber(text2);
            if (!v || *v < 0 || *v > top) {
                return std::string(option) + " " + Quote(text2) + " is out of range (0-" +
                       std::to_string(top) + ")";
            }
            isMin ? e.SetMinValue(*v) : e.SetMaxValue(*v);
        }
    } else if (!r.min.empty() || !r.max.empty()) {
        return "--min and --max are only for sysex and free messages";
    }

    if (!r.channel.empty()) {
        const auto v = ParseNumber(r.channel);
        if (!e.HasChannel()) {
            return kindName + " has no channel";
        }
        if (!v || *v < 1 || *v > 16) {
            return "--channel " + Quote(r.channel) + " is out of range (1-16)";
        }
        e.SetChannel(*v - 1);
    }
    if (!r.port.empty()) {
        static constexpr std::array<std::string_view, 3> kPorts = {"1", "2", "1+2"};
        const int port = IndexOf(kPorts, r.port);
        if (!e.HasPort()) {
            return kindName + " has no port";
        }
        if (port < 0) {
            return "--port " + Quote(r.port) + " is not 1, 2 or 1+2";
        }
        e.SetPort(port);
    }
    if (!r.button.empty()) {
        static constexpr std::array<std::string_view, 3> kModes = {"unlatch", "latch", "increase"};
        const int mode = IndexOf(kModes, r.button);
        if (!HasButtonMode(id)) {
            return std::string(ControllerName(id)) + " has no button mode";
        }
        if (!e.HasButtonMode()) {
            return kindName + " has no button mode";
        }
        if (mode < 0 || (mode == 2 && spec.kind == KindNote)) {
            return "--button " + Quote(r.button) + " is not " +
                   (spec.kind == KindNote ? "unlatch or latch" : "unlatch, latch or increase");
        }
        e.SetButtonMode(mode);
    }
    if (!r.aft.empty()) {
        static constexpr std::array<std::string_view, 3> kAft = {"off", "cp", "pkp"};
        const int mode = IndexOf(kAft, r.aft);
        if (!HasAftMode(id)) {
            return std::string(ControllerName(id)) + " has no AFT mode";
        }
        if (!e.HasAftMode()) {
            return kindName + " has no AFT mode";
        }
        if (mode < 0) {
            return "--aft " + Quote(r.aft) + " is not off, cp or pkp";
        }
        e.SetAftMode(mode);
    }
    if (!r.centerClick.empty()) {
        static constexpr std::array<std::string_view, 2> kSwitch = {"off", "on"};
        const int on = IndexOf(kSwitch, r.centerClick);
        if (!HasCenterClick(id)) {
            return std::string(ControllerName(id)) + " has no virtual center click";
        }
        if (!e.HasCenterClick()) {
            return kindName + " has no virtual center click";
        }
        if (on < 0) {
            return "--center-click " + Quote(r.centerClick) + " is not on or off";
        }
        e.SetCenterClick(on);
    }
    if (r.hasComment) {
        if (r.comment.size() > kTextLimit) {
            return "--comment is longer than 128 characters";
        }
        for (unsigned char c : r.comment) {
            if (c >= 128 || c < 32) {
                return "--comment may hold only printable ASCII characters";
            }
        }
        e.SetComment(r.comment);
    }
    return {};
}

} // namespace

std::string ApplySet(CParameter& document, const SetRequest& r) {
    const ControllerId id = FindController(r.control);
    if (id < 0) {
        return "unknown control " + Quote(r.control) +
               " (R1-R9, S1-S9, A1-A9, B1-B9, C1-C3, "
               "H1-H2, L1-L4, P1-P2, BEND, MOD, AFT)";
    }
    const KindSpec* spec = nullptr;
    for (const KindSpec& k : Kinds()) {
        if (k.name == r.kind) {
            spec = &k;
        }
    }
    if (spec == nullptr) {
        return "unknown kind " + Quote(r.kind);
    }
    if (r.values.size() > spec->names.size()) {
        return "too many values for " + r.kind;
    }

    document.SelectController(id);
    AssignEntry& e = document.EditBuffer();
    if (spec->type == MsgChannel) {
        e.SetChannelKind(spec->kind);
    } else {
        e.SetMessageType(spec->type);
    }
    // The comment belongs to the control, not to the message: it stays unless given.
    std::string error = ApplyFields(e, id, *spec, r);
    if (!error.empty()) {
        document.RevertEdit();
        return error;
    }
    document.CommitEdit();
    return {};
}

} // namespace kel::cli

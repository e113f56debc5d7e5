// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/controllers.h"

#include <algorithm>
#include <array>

namespace kel {
namespace {

constexpr std::array<std::string_view, kControllerCount> kNames = {
    "R1", "R2", "R3",   "R4",  "R5", "R6", "R7", "R8", "R9", //
    "S1", "S2", "S3",   "S4",  "S5", "S6", "S7", "S8", "S9", //
    "A1", "A2", "A3",   "A4",  "A5", "A6", "A7", "A8", "A9", //
    "B1", "B2", "B3",   "B4",  "B5", "B6", "B7", "B8", "B9", //
    "C1", "C2", "C3",   "H1",  "H2", "L1", "L2", "L3", "L4", //
    "P1", "P2", "BEND", "MOD", "AFT"};

} // namespace

std::string_view ControllerName(ControllerId id) {
    return IsValidController(id) ? kNames[static_cast<std::size_t>(id)] : std::string_view{};
}

ControllerId FindController(std::string_view name) {
    for (int id = 0; id < kControllerCount; ++id) {
        if (kNames[static_cast<std::size_t>(id)] == name) {
            return id;
        }
    }
    return kNoController;
}

std::vector<ControllerId> ParseControlList(std::string_view text, Phrase& error) {
    std::vector<ControllerId> ids;
    std::array<bool, kControllerCount> listed{};
    auto find = [&error](std::string_view name) {
        const ControllerId id = FindController(name);
        if (id < 0) {
            error = Phrase(TextId::ControlUnknown, {std::string(name)});
        }
        return id;
    };
    std::size_t at = 0;
    while (true) {
        const std::size_t comma = text.find(',', at);
        const std::string_view item =
            text.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
        const std::size_t dash = item.find('-');
        const ControllerId first = find(item.substr(0, dash));
        const ControllerId last =
            first < 0 || dash == std::string_view::npos ? first : find(item.substr(dash + 1));
        if (first < 0 || last < 0) {
            return {};
        }
        if (last < first) {
            error = Phrase(TextId::ControlRangeBackwards,
                           {std::string(item), std::string(ControllerName(last)),
                            std::string(ControllerName(first))});
            return {};
        }
        for (ControllerId id = first; id <= last; ++id) {
            if (listed[static_cast<std::size_t>(id)]) {
                error = Phrase(TextId::ControlListedTwice, {std::string(ControllerName(id))});
                return {};
            }
            listed[static_cast<std::size_t>(id)] = true;
            ids.push_back(id);
        }
        if (comma == std::string_view::npos) {
            return ids;
        }
        at = comma + 1;
    }
}

std::string ControlListText(std::span<const ControllerId> ids) {
    std::string text;
    for (std::size_t i = 0; i < ids.size();) {
        std::size_t end = i + 1; // one past the run of consecutive ids starting at i
        while (end < ids.size() && ids[end] == ids[end - 1] + 1) {
            ++end;
        }
        text += text.empty() ? "" : ",";
        text += ControllerName(ids[i]);
        if (end - i > 1) {
            text += "-";
            text += ControllerName(ids[end - 1]);
        }
        i = end;
    }
    return text;
}

bool HasButtonMode(ControllerId id) {
    return (id >= kFirstButtonA && id < kFirstButtonH) || (id >= kFirstButtonL && id <= kPedal1);
}

bool HasAftMode(ControllerId id) {
    return id >= kFirstButtonA && id < kFirstButtonC;
}

bool HasCenterClick(ControllerId id) {
    return id >= kFirstKnob && id < kFirstButtonA;
}

std::vector<ControllerId> ControlsBetween(ControllerId a, ControllerId b) {
    if (!IsValidController(a) || !IsValidController(b)) {
        return {};
    }
    std::vector<ControllerId> ids;
    for (ControllerId id = std::min(a, b); id <= std::max(a, b); ++id) {
        ids.push_back(id);
    }
    return ids;
}

std::vector<ControllerId> ControlGroupOf(ControllerId id) {
    // Where each group starts; the last runs to the end.
    static constexpr std::array<ControllerId, 7> kGroupStarts = {
        kFirstKnob, kFirstSlider, kFirstButtonA, kFirstButtonB, kFirstButtonC, kPedal1, kBend};
    if (!IsValidController(id)) {
        return {};
    }
    const auto next = std::upper_bound(kGroupStarts.begin(), kGroupStarts.end(), id);
    const ControllerId first = *(next - 1);
    const ControllerId last = next == kGroupStarts.end() ? kControllerCount - 1 : *next - 1;
    return ControlsBetween(first, last);
}

} // namespace kel

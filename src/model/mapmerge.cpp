// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/mapmerge.h"

namespace kel {

std::vector<ControlEdit> TakenControls(const ControlMap& other, std::span<const ControllerId> ids) {
    std::vector<ControlEdit> edits;
    for (const ControllerId id : ids) {
        if (!IsValidController(id)) {
            continue;
        }
        const auto index = static_cast<std::size_t>(id);
        edits.push_back({id, other.records[index], other.comments[index]});
    }
    return edits;
}

ControlMap MergeControls(const ControlMap& base, const ControlMap& other,
                         std::span<const ControllerId> ids) {
    ControlMap merged = base;
    for (const ControlEdit& edit : TakenControls(other, ids)) {
        const auto index = static_cast<std::size_t>(edit.id);
        const bool changed =
            merged.records[index] != edit.record || merged.comments[index] != edit.comment;
        merged.records[index] = edit.record;
        merged.comments[index] = FitText(merged, edit.id, edit.comment);
        // The other file's bytes of the comment stay valid only in the same encoding; any
        // other is encoded afresh on save (FileBytesOf).
        merged.commentBytes[index] =
            other.textEncoding == merged.textEncoding ? other.commentBytes[index] : std::string();
        merged.modified = merged.modified || changed;
    }
    return merged;
}

} // namespace kel

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
        ControlEdit edit{id, other.records[index], other.comments[index]};
        if (TextAsRead(other, id)) {
            edit.commentBytes = other.commentBytes[index];
        }
        edits.push_back(std::move(edit));
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
        if (merged.comments[index] != edit.comment) {
            merged.comments[index] = edit.comment;
            // The other file's bytes stay when they are a text of this map's encoding (they are
            // written back as they were); any other is encoded afresh on save (FileBytesOf).
            merged.commentBytes[index] = edit.commentBytes;
        }
        merged.modified = merged.modified || changed;
    }
    return merged;
}

std::optional<TextWithoutRoom> MergeRefusal(const ControlMap& base, const ControlMap& other,
                                            std::span<const ControllerId> ids) {
    return FindTextWithoutRoom(MergeControls(base, other, ids));
}

Status TakeControls(CParameter& document, const ControlMap& other,
                    std::span<const ControllerId> ids) {
    if (const auto cut = MergeRefusal(document.Map(), other, ids)) {
        return Failure(TextWithoutRoomPhrase(*cut));
    }
    document.CommitControls(TakenControls(other, ids));
    return {};
}

} // namespace kel

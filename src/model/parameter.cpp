// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/parameter.h"

#include <algorithm>

namespace kel {

template <typename Call> void CParameter::Tell(Call call) {
    // A copy, so that an observer may register or leave while it is told.
    const std::vector<DocumentObserver*> observers = observers_;
    for (DocumentObserver* observer : observers) {
        call(*observer);
    }
    if (map_.modified != toldModified_) {
        toldModified_ = map_.modified;
        for (DocumentObserver* observer : observers) {
            observer->ModifiedChanged(toldModified_);
        }
    }
}

void CParameter::AddObserver(DocumentObserver* observer) {
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
        observers_.push_back(observer);
    }
}

void CParameter::RemoveObserver(DocumentObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void CParameter::MapWasReplaced() {
    Tell([](DocumentObserver& o) { o.MapReplaced(); });
}

void CParameter::SetModified(bool modified) {
    map_.modified = modified;
    Tell([](DocumentObserver&) {});
}

CParameter::CParameter() : clipboard_(1) {
    clipboard_.front().Clear();
    edit_.Clear();
    ResetMap();
}

void CParameter::SetTitle(const char* text) {
    map_.title = text != nullptr ? FitText(map_, kNoController, text) : std::string{};
    if (text != nullptr) {
        map_.modified = true;
    }
}

void CParameter::CommitTitle(std::string_view text) {
    const std::string title = FitText(map_, kNoController, text);
    if (title == map_.title) {
        return;
    }
    ControlMap before;
    if (change_) {
        before = map_;
    }
    map_.title = title;
    map_.modified = true;
    if (change_) {
        change_(MapChange::Title, kNoController, before);
    }
    Tell([](DocumentObserver& o) { o.TitleChanged(); });
}

void CParameter::SetMapComment(ControllerId id, const char* text) {
    if (!IsValidController(id)) {
        return;
    }
    map_.comments[static_cast<std::size_t>(id)] =
        text != nullptr ? FitText(map_, id, text) : std::string{};
    if (text != nullptr) {
        map_.modified = true;
    }
}

std::string CParameter::GetMapComment(ControllerId id) const {
    return IsValidController(id) ? map_.comments[static_cast<std::size_t>(id)] : std::string{};
}

void CParameter::ResetMap() {
    for (AssignRecord& r : map_.records) {
        r.fill(0);
    }
    map_.title.clear();
    for (std::string& c : map_.comments) {
        c.clear();
    }
    map_.modified = false;
    map_.textEncoding = TextEncoding::Utf8;
    map_.titleBytes.clear();
    for (std::string& bytes : map_.commentBytes) {
        bytes.clear();
    }
}

void CParameter::NewDocument() {
    ControlMap before;
    if (change_) {
        before = map_;
    }
    ResetMap();
    const ControllerId keep = edit_.controllerId;
    edit_.Clear();
    edit_.controllerId = keep;
    copyright_.clear();
    map_.modified = false;
    if (change_) {
        change_(MapChange::Replaced, kNoController, before);
    }
    Tell([](DocumentObserver& o) { o.MapReplaced(); });
}

Answer CParameter::ConfirmDiscard(Questioner& questioner, const std::function<void()>& save) {
    if (!map_.modified) {
        return Answer::None;
    }
    const Answer answer = questioner.askYesNoCancel(StringId::AskSaveChanges);
    if (answer == Answer::Yes && save) {
        save();
    }
    return answer;
}

std::vector<ControllerId> CParameter::SelectedControls() const {
    std::vector<ControllerId> ids;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        if (selectedSet_.test(static_cast<std::size_t>(id))) {
            ids.push_back(id);
        }
    }
    return ids;
}

bool CParameter::StoreSelection(std::span<const ControllerId> ids, ControllerId current) {
    std::bitset<kControllerCount> set;
    if (IsValidController(current)) {
        set.set(static_cast<std::size_t>(current));
        for (const ControllerId id : ids) {
            if (IsValidController(id)) {
                set.set(static_cast<std::size_t>(id));
            }
        }
    }
    const bool changed = set != selectedSet_;
    selectedSet_ = set;
    return changed;
}

void CParameter::SelectController(ControllerId id) {
    SelectControls({}, id);
}

void CParameter::SelectControls(std::span<const ControllerId> ids, ControllerId current) {
    if (edit_.changed) {
        CommitEdit();
    }
    const bool moved = selected_ != current;
    selected_ = current;
    if (IsValidController(current)) {
        edit_.record = map_.records[static_cast<std::size_t>(current)];
        edit_.controllerId = current;
        edit_.comment = map_.comments[static_cast<std::size_t>(current)];
        edit_.changed = false;
    }
    const bool setChanged = StoreSelection(ids, current);
    if (moved) {
        Tell([current](DocumentObserver& o) { o.SelectionChanged(current); });
    }
    if (setChanged) {
        Tell([](DocumentObserver& o) { o.SelectedControlsChanged(); });
    }
}

void CParameter::CommitEdit() {
    if (!IsValidController(selected_)) {
        return;
    }
    const auto index = static_cast<std::size_t>(selected_);
    const bool differs =
        edit_.record != map_.records[index] || edit_.comment != map_.comments[index];
    ControlMap before;
    if (change_ && differs) {
        before = map_;
    }
    if (edit_.record != map_.records[index]) {
        map_.records[index] = edit_.record;
        map_.modified = true;
    }
    if (edit_.comment != map_.comments[index]) {
        map_.comments[index] = FitText(map_, selected_, edit_.comment);
        map_.modified = true;
    }
    edit_.changed = false;
    // A comment above the length limit differs from the stored one every time; only a change
    // of what is stored counts.
    if (!differs) {
        return;
    }
    if (change_ && (map_.records[index] != before.records[index] ||
                    map_.comments[index] != before.comments[index])) {
        change_(MapChange::Assign, selected_, before);
    }
    const ControllerId changed = selected_;
    Tell([changed](DocumentObserver& o) { o.ControlsChanged(std::span(&changed, 1)); });
}

void CParameter::CommitControls(std::span<const ControlEdit> edits) {
    const ControlMap before = map_;
    std::vector<ControllerId> changed;
    for (const ControlEdit& edit : edits) {
        if (!IsValidController(edit.id)) {
            continue;
        }
        const auto index = static_cast<std::size_t>(edit.id);
        map_.records[index] = edit.record;
        if (edit.comment == map_.comments[index]) {
            continue;
        }
        const std::optional<std::string> asRead =
            edit.commentBytes.empty() ? std::nullopt
                                      : ExactFileText(edit.commentBytes, map_.textEncoding);
        if (asRead && *asRead == edit.comment) {
            map_.comments[index] = edit.comment;
            map_.commentBytes[index] = edit.commentBytes;
        } else {
            map_.comments[index] = FitText(map_, edit.id, edit.comment);
        }
    }
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const auto index = static_cast<std::size_t>(id);
        if (map_.records[index] != before.records[index] ||
            map_.comments[index] != before.comments[index]) {
            changed.push_back(id);
        }
    }
    if (changed.empty()) {
        return;
    }
    map_.modified = true;
    if (std::find(changed.begin(), changed.end(), selected_) != changed.end()) {
        edit_.record = map_.records[static_cast<std::size_t>(selected_)];
        edit_.comment = map_.comments[static_cast<std::size_t>(selected_)];
        edit_.changed = false;
    }
    if (change_) {
        change_(MapChange::Controls, kNoController, before);
    }
    Tell([&changed](DocumentObserver& o) { o.ControlsChanged(changed); });
}

void CParameter::RevertEdit() {
    edit_.changed = false;
    // The selected controls stay as they are; only the edit buffer is read again.
    SelectControls(SelectedControls(), selected_);
}

void CParameter::CopyAssign() {
    if (!IsValidController(selected_)) {
        return;
    }
    clipboard_.assign(1, edit_);
    clipboard_.front().changed = false;
    clipboardValid_ = true;
    Tell([](DocumentObserver& o) { o.ClipboardChanged(); });
}

void CParameter::PasteAssign() {
    if (!IsValidController(selected_) || !clipboardValid_) {
        return;
    }
    edit_.record = clipboard_.front().record;
    edit_.comment = clipboard_.front().comment;
    edit_.changed = true;
    Tell([](DocumentObserver& o) { o.EditBufferChanged(); });
}

void CParameter::ClearAssign() {
    if (!IsValidController(selected_)) {
        return;
    }
    edit_.record.fill(0);
    edit_.comment.clear();
    edit_.changed = true;
    Tell([](DocumentObserver& o) { o.EditBufferChanged(); });
}

void CParameter::CopyControls() {
    if (SelectedCount() <= 1) {
        CopyAssign();
        return;
    }
    clipboard_.clear();
    for (const ControllerId id : SelectedControls()) {
        AssignEntry entry;
        entry.Clear();
        entry.controllerId = id;
        // The selected control as the assign dialog shows it, the others as the map holds them.
        entry.record = id == selected_ ? edit_.record : RecordOf(id);
        entry.comment = id == selected_ ? edit_.comment : GetMapComment(id);
        clipboard_.push_back(std::move(entry));
    }
    clipboardValid_ = true;
    Tell([](DocumentObserver& o) { o.ClipboardChanged(); });
}

bool CParameter::PasteControls() {
    const std::vector<ControllerId> targets = SelectedControls();
    if (!clipboardValid_ || targets.empty()) {
        return false;
    }
    if (targets.size() == 1 && clipboard_.size() == 1) {
        PasteAssign();
        return true;
    }
    if (clipboard_.size() != 1 && clipboard_.size() != targets.size()) {
        return false;
    }
    if (edit_.changed) {
        CommitEdit();
    }
    std::vector<ControlEdit> edits;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const AssignEntry& from = clipboard_.size() == 1 ? clipboard_.front() : clipboard_[i];
        edits.push_back({targets[i], from.record, from.comment});
    }
    CommitControls(edits);
    return true;
}

void CParameter::ClearControls() {
    if (SelectedCount() <= 1) {
        ClearAssign();
        return;
    }
    if (edit_.changed) {
        CommitEdit();
    }
    std::vector<ControlEdit> edits;
    for (const ControllerId id : SelectedControls()) {
        edits.push_back({id, AssignRecord{}, std::string{}});
    }
    CommitControls(edits);
}

ControllerId CParameter::NextController() const {
    return IsValidController(selected_) ? (selected_ + 1) % kControllerCount : 0;
}

ControllerId CParameter::PreviousController() const {
    if (!IsValidController(selected_)) {
        return 0;
    }
    return selected_ == 0 ? kControllerCount - 1 : selected_ - 1;
}

void CParameter::FoldTwinCodes() {
    for (AssignRecord& r : map_.records) {
        r[rec::AssignCode] = BaseCode(r[rec::AssignCode]);
    }
}

} // namespace kel

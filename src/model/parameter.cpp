// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/parameter.h"

namespace kel {

CParameter::CParameter() {
    clipboard_.Clear();
    edit_.Clear();
    ResetMap();
}

void CParameter::SetTitle(const char* text) {
    map_.title = text != nullptr ? CutText(text) : std::string{};
    if (text != nullptr) {
        map_.modified = true;
    }
}

void CParameter::CommitTitle(std::string_view text) {
    const std::string title = CutText(std::string(text));
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
}

void CParameter::SetMapComment(ControllerId id, const char* text) {
    if (!IsValidController(id)) {
        return;
    }
    map_.comments[static_cast<std::size_t>(id)] = text != nullptr ? CutText(text) : std::string{};
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

void CParameter::SelectController(ControllerId id) {
    if (edit_.changed) {
        CommitEdit();
    }
    selected_ = id;
    if (!IsValidController(id)) {
        return;
    }
    edit_.record = map_.records[static_cast<std::size_t>(id)];
    edit_.controllerId = id;
    edit_.comment = map_.comments[static_cast<std::size_t>(id)];
    edit_.changed = false;
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
        map_.comments[index] = CutText(edit_.comment);
        map_.modified = true;
    }
    edit_.changed = false;
    // A comment above the length limit differs from the stored one every time; only a change
    // of what is stored counts.
    if (change_ && differs &&
        (map_.records[index] != before.records[index] ||
         map_.comments[index] != before.comments[index])) {
        change_(MapChange::Assign, selected_, before);
    }
}

void CParameter::RevertEdit() {
    edit_.changed = false;
    SelectController(selected_);
}

void CParameter::CopyAssign() {
    if (!IsValidController(selected_)) {
        return;
    }
    clipboard_.record = edit_.record;
    clipboard_.comment = edit_.comment;
    clipboard_.controllerId = edit_.controllerId;
    clipboardValid_ = true;
}

void CParameter::PasteAssign() {
    if (!IsValidController(selected_) || !clipboardValid_) {
        return;
    }
    edit_.record = clipboard_.record;
    edit_.comment = clipboard_.comment;
    edit_.changed = true;
    Refresh();
}

void CParameter::ClearAssign() {
    if (!IsValidController(selected_)) {
        return;
    }
    edit_.record.fill(0);
    edit_.comment.clear();
    edit_.changed = true;
    Refresh();
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

// SPDX-License-Identifier: GPL-3.0-or-later
// The document: the control map, the selected controls (one of them is the selected control,
// whose edit buffer the assign dialog shows), the clipboard of copied controls and the copyright
// text carried by control map files.
#pragma once

#include <bitset>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/assign.h"
#include "model/reporter.h"

namespace kel {

// The kinds of user edit that reach the map (see CParameter::SetChangeHandler).
enum class MapChange {
    Assign,   // CommitEdit wrote the edit buffer into a control's record or comment
    Controls, // CommitControls wrote several controls at once
    Title,    // CommitTitle stored a new title
    Replaced  // NewDocument replaced the whole map (New, Open, Receive, imports)
};

// A control's new record and comment, for CommitControls; with the comment's bytes as a file
// held it when it comes from one (then they are written back as they were while they are a
// text of the map's encoding, and the comment is not cut).
struct ControlEdit {
    ControllerId id = kNoController;
    AssignRecord record{};
    std::string comment;
    std::string commentBytes{};
};

// A view of the document: told what changed, after the change, on the thread that changed it.
// Every call has a default that does nothing, so a view takes only what it shows.
class DocumentObserver {
public:
    virtual ~DocumentObserver() = default;
    // The records or comments of `ids` changed in the map.
    virtual void ControlsChanged(std::span<const ControllerId> ids) { (void)ids; }
    // The edit buffer of the selected control changed without reaching the map yet (Paste, NO
    // ASSIGN): an open assign dialog shows it, a hidden one commits it.
    virtual void EditBufferChanged() {}
    // Another control is selected (kNoController for none).
    virtual void SelectionChanged(ControllerId id) { (void)id; }
    // The set of selected controls changed (several controls selected together, or back to one).
    virtual void SelectedControlsChanged() {}
    virtual void TitleChanged() {}
    // The whole map was replaced (New, Open, Receive, imports, an undone step): every control,
    // the title and the selected control's record may differ.
    virtual void MapReplaced() {}
    virtual void ClipboardChanged() {}
    virtual void ModifiedChanged(bool modified) { (void)modified; }
};

class CParameter {
public:
    // Told after a change of the map: what changed, the control concerned (kNoController for
    // the title and a replaced map) and the whole map as it was before the change.
    using ChangeHandler =
        std::function<void(MapChange change, ControllerId id, const ControlMap& before)>;

    CParameter();
    virtual ~CParameter() = default;

    CParameter(const CParameter&) = delete;
    CParameter& operator=(const CParameter&) = delete;

    // The map and its parts.
    ControlMap& Map() { return map_; }
    const ControlMap& Map() const { return map_; }
    AssignRecord& RecordOf(ControllerId id) {
        return map_.records.at(static_cast<std::size_t>(id));
    }
    const AssignRecord& RecordOf(ControllerId id) const {
        return map_.records.at(static_cast<std::size_t>(id));
    }
    bool IsModified() const { return map_.modified; }
    void SetModified(bool modified);

    const std::string& GetTitle() const { return map_.title; }
    void SetTitle(const char* text); // null empties; sets modified
    void SetTitle(std::string_view text) { SetTitle(std::string(text).c_str()); }
    // The user's edit of the title: stores `text` when it differs from the title, then tells
    // the change handler. The file reader uses SetTitle, which tells nobody.
    void CommitTitle(std::string_view text);
    void SetMapComment(ControllerId id, const char* text); // null empties; sets modified
    void SetMapComment(ControllerId id, std::string_view text) {
        SetMapComment(id, std::string(text).c_str());
    }
    std::string GetMapComment(ControllerId id) const;
    std::size_t GetMapCommentLength(ControllerId id) const { return GetMapComment(id).size(); }

    const std::string& CopyrightText() const { return copyright_; }
    void SetCopyrightText(std::string text) { copyright_ = std::move(text); }

    AssignEntry& EditBuffer() { return edit_; }
    const AssignEntry& EditBuffer() const { return edit_; }
    // The first copied control (the only one after a copy of one control).
    const AssignEntry& ClipboardRecord() const { return clipboard_.front(); }
    bool ClipboardValid() const { return clipboardValid_; }
    // How many controls were copied (0 before the first copy).
    std::size_t ClipboardCount() const { return clipboardValid_ ? clipboard_.size() : 0; }
    ControllerId SelectedController() const { return selected_; }
    // The selected controls in the panel's reading order: the selected control and those
    // selected with it. Empty while no control is selected.
    std::vector<ControllerId> SelectedControls() const;
    bool IsSelected(ControllerId id) const {
        return IsValidController(id) && selectedSet_.test(static_cast<std::size_t>(id));
    }
    std::size_t SelectedCount() const { return selectedSet_.count(); }

    // Document operations.
    void ResetMap();
    void NewDocument();
    // Asks whether to save a modified map. On Yes runs `save` before answering (the answer
    // stays Yes even when that save fails). Returns Answer::None when nothing was modified.
    Answer ConfirmDiscard(Questioner& questioner, const std::function<void()>& save);

    // Selects control `id` alone (kNoController: none), committing the pending edit first.
    void SelectController(ControllerId id);
    // Selects the controls `ids` (invalid ones are passed over) with `current` as the selected
    // control; `current` is selected too when `ids` leaves it out. The pending edit is
    // committed first, as by SelectController.
    void SelectControls(std::span<const ControllerId> ids, ControllerId current);
    void CommitEdit();
    // Writes several controls at once (an edit of a selection, a paste onto several controls):
    // one change for the change handler, so that it is undone in one step, and one
    // ControlsChanged for the views with the controls that differ. Invalid ids are passed over;
    // the selected control's edit buffer follows its new record.
    void CommitControls(std::span<const ControlEdit> edits);
    void RevertEdit();
    void CopyAssign();
    void PasteAssign();
    void ClearAssign();

    // The edit commands on every selected control. With one control selected they are
    // CopyAssign, PasteAssign and ClearAssign (the edit buffer, which the assign dialog shows);
    // with several, the change reaches the map at once as one CommitControls.
    // Copies the selected controls, the selected control as its edit buffer holds it.
    void CopyControls();
    // Pastes the copied controls onto the selected ones in reading order when as many are
    // selected as were copied, or one copied control onto every selected one. False, with
    // nothing changed, for any other count (or nothing selected or copied).
    bool PasteControls();
    // Sets every selected control to NO ASSIGN and empties its comment.
    void ClearControls();
    ControllerId NextController() const;
    ControllerId PreviousController() const;
    void FoldTwinCodes();

    // Called after CommitEdit and CommitTitle changed the map, and after NewDocument (the undo
    // history of the editor), before the observers. Only changes that altered a byte or a text
    // are reported.
    void SetChangeHandler(ChangeHandler handler) { change_ = std::move(handler); }

    // The views: told after every change made through the document's own operations. Code that
    // writes the map's records directly (a file read, a receive, an undone step) tells them
    // with MapWasReplaced once it is done. An observer must outlive its registration.
    void AddObserver(DocumentObserver* observer);
    void RemoveObserver(DocumentObserver* observer);
    // Tells the observers that the whole map was replaced.
    void MapWasReplaced();

private:
    template <typename Call> void Tell(Call call);

    // Selects `ids` and `current` without committing or telling anyone; true when the set
    // differs from before.
    bool StoreSelection(std::span<const ControllerId> ids, ControllerId current);

    ControlMap map_;
    std::vector<AssignEntry> clipboard_; // never empty; valid once clipboardValid_
    AssignEntry edit_;
    bool clipboardValid_ = false;
    ControllerId selected_ = kNoController;
    std::bitset<kControllerCount> selectedSet_;
    std::string copyright_;
    ChangeHandler change_;
    std::vector<DocumentObserver*> observers_;
    bool toldModified_ = false; // the modified flag the observers were last told
};

} // namespace kel

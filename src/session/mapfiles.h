// SPDX-License-Identifier: GPL-3.0-or-later
// The file commands on the one open control map: New, Open, Save, Save As, opening a dropped or
// recent file, Import Memory Set; the current path, the window title and the recent-file list
// that follow them, and the save question before a map is discarded. The windows they need
// (file dialogs, title bar, the pending edits) are supplied by the editor through
// `MapFileHost`; kelmap supplies none. The bytes and the disk are files/ business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/mapfile.h"
#include "files/safesave.h"
#include "model/bulk.h"
#include "model/parameter.h"
#include "model/reporter.h"

namespace kel {

// The most recently opened or saved control map files, most recent first.
class RecentFileList {
public:
    static constexpr std::size_t kCapacity = 4;

    // Puts `path` at the top; an entry naming the same file moves up instead of being
    // repeated, and the oldest entry drops out when the list is full. Empty paths are ignored.
    void Add(const std::string& path);
    // Removes the entry at `index` (nothing happens for an index past the end).
    void Remove(std::size_t index);
    // Removes the entry naming the same file as `path`, if any.
    void RemoveFile(const std::string& path);
    // Replaces the list with stored entries, in order; empty ones are skipped, and extra ones
    // or repeated ones are dropped.
    void Load(const std::vector<std::string>& entries);

    const std::vector<std::string>& Entries() const { return entries_; }
    std::size_t Size() const { return entries_.size(); }
    const std::string& At(std::size_t index) const { return entries_.at(index); }

private:
    std::vector<std::string> entries_;
};

// The main window title for `currentPath`: the path, or "Untitled" when it is empty, followed
// by " - " and the application title.
std::string MainWindowTitle(const std::string& currentPath);

// The answer to "the file changed on disk since it was opened or last saved".
enum class ChangedFileAnswer {
    Replace, // save over it all the same
    SaveAs,  // save the map under another name instead
    Cancel,  // save nothing
};

// What the file operations need from the editor's windows.
class MapFileHost {
public:
    virtual ~MapFileHost() = default;
    // Sets the main window's title.
    virtual void UpdateTitle(const std::string& title) = 0;
    // Stores the TITLE field's text as the map's title when it differs (when the field exists).
    virtual void CommitTitleField() = 0;
    // Writes the open assign dialog's pending fields into the edit buffer and commits it.
    virtual void ApplyAssignDialog() = 0;
    // Before a command that would discard the map: the TITLE field and the assign dialog's
    // pending fields become part of the map, so that the save question sees them. False when
    // the dialog refused its fields (it has said why) and the command stops.
    virtual bool ApplyPendingEdits() {
        CommitTitleField();
        ApplyAssignDialog();
        return true;
    }
    // The save file dialog; nothing when the user cancels.
    virtual std::optional<std::string> ChooseSavePath() = 0;
    // The open file dialog (also used by Import Memory Set); nothing when the user cancels.
    virtual std::optional<std::string> ChooseOpenPath() = 0;
    // Asks whether Save may replace `path`, which something else has changed (or replaced)
    // since the map was opened from it or last saved to it.
    virtual ChangedFileAnswer AskReplaceChangedFile(const std::string& path) = 0;
};

class CMapFiles {
public:
    CMapFiles(CParameter& document, Reporter& reporter, MapFileHost& host);

    const std::string& CurrentPath() const { return currentPath_; }
    // Stores the path and updates the window title.
    void SetCurrentPath(const std::string& path);
    void UpdateTitle();

    RecentFileList& RecentFiles() { return recent_; }
    const RecentFileList& RecentFiles() const { return recent_; }

    // An empty, untitled, unmodified map.
    void NewMapFile();
    // Reads `path` as a file of `kind` into a fresh map: 1 on success; 0 after a failure,
    // which has been reported and leaves an empty, untitled map.
    int LoadMapFile(const std::string& path, MessageSetKind kind);
    // Saves to the current path, or asks for one when the map is untitled or was imported from
    // a memory set (that file is not overwritten by a control map). 1 on success, 0 on failure
    // or cancel. When the file at the current path changed on disk since the map was opened
    // from it or last saved to it, the host is asked first: Replace saves, Save As asks for
    // another path, Cancel saves nothing.
    int SaveCurrentMap();
    // Whether the file at the current path is no longer the one the map was opened from or
    // last saved to (another size, modification time or file); false when it is gone or the
    // map has no file.
    bool CurrentFileChangedOnDisk() const;
    // Asks for a path and saves there. 1 on success, 0 on failure or cancel.
    int SaveMapFileAs();
    // Writes the map to `path` through a temporary file beside it, replacing `path` only once
    // the whole file is written. 1 on success; 0 after a reported failure, with the current
    // path, title, modified flag and any existing file at `path` unchanged.
    int SaveMapFile(const std::string& path);
    // Whether SaveMapFile(path) could write the file now (its name, folder, the room for the
    // whole file and the file size limit): 1, or 0 after reporting the failure as the save
    // would. Nothing is written; the map and its path are unchanged.
    int CheckSaveMapFile(const std::string& path);

    // True while the map came from Import Memory Set and has not been saved since: the title
    // shows that file, but Save asks for a control map file name.
    bool SaveNeedsName() const { return currentPath_.empty() || importedSet_; }

    // The commands. Each applies the pending edits (stopping when the assign dialog refuses
    // them), asks to save a modified map and stops when the user cancels (returning 0);
    // otherwise it returns what its file operation returned.
    // The editor activates the main window afterwards.
    int CommandNew(Questioner& questioner);
    int CommandOpen(Questioner& questioner);
    int CommandImportMemorySet(Questioner& questioner);
    // Opens the first of the dropped files.
    int CommandOpenDropped(const std::vector<std::string>& paths, Questioner& questioner);
    // Opens the recent file at `index`; an entry that fails to open leaves the list.
    int CommandOpenRecent(std::size_t index, Questioner& questioner);

    // The save question of a modified map; Yes saves before answering. When that save fails
    // or is cancelled (file dialog, changed-file question) the answer is Cancel, so that the
    // command stops and the map is kept.
    Answer ConfirmDiscard(Questioner& questioner);

private:
    int OpenWith(Questioner& questioner, MessageSetKind kind);
    // The pending edits applied and the save question of a modified map answered: false when
    // the command stops.
    bool ReadyToDiscard(Questioner& questioner);
    // Reports a failed save of `path` in the file messages; true when `saved` is a success.
    bool ReportSaveFailure(const Status& saved, const std::string& path);

    // What the file at the current path was when the map was opened from it or last saved.
    struct DiskStamp {
        bool known = false;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t mtimeSec = 0;
        std::int64_t mtimeNsec = 0;
        bool operator==(const DiskStamp&) const = default;
    };
    static DiskStamp StampOf(const std::string& path);

    CParameter& document_;
    Reporter& reporter_;
    MapFileHost& host_;
    std::string currentPath_;
    DiskStamp stamp_;
    bool importedSet_ = false; // the current path names a memory set file
    RecentFileList recent_;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/mapfiles.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include <sys/stat.h>

#include "model/strings.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

// The form in which the recent-file list keeps a path: absolute and without "." or "..",
// so that the same file opened two ways is one entry.
std::string NormalPath(const std::string& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(fs::path(path), ec);
    if (ec) {
        return path;
    }
    return absolute.lexically_normal().string();
}

} // namespace

void RecentFileList::Add(const std::string& path) {
    if (path.empty()) {
        return;
    }
    const std::string normal = NormalPath(path);
    std::erase(entries_, normal);
    entries_.insert(entries_.begin(), normal);
    if (entries_.size() > kCapacity) {
        entries_.resize(kCapacity);
    }
}

void RecentFileList::Remove(std::size_t index) {
    if (index < entries_.size()) {
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

void RecentFileList::RemoveFile(const std::string& path) {
    std::erase(entries_, NormalPath(path));
}

void RecentFileList::Load(const std::vector<std::string>& entries) {
    entries_.clear();
    for (const std::string& entry : entries) {
        if (entries_.size() == kCapacity) {
            break;
        }
        if (entry.empty()) {
            continue;
        }
        const std::string normal = NormalPath(entry);
        if (std::find(entries_.begin(), entries_.end(), normal) == entries_.end()) {
            entries_.push_back(normal);
        }
    }
}

// --- the file operations ---------------------------------------------------------------------

std::string MainWindowTitle(const std::string& currentPath) {
    std::string title = currentPath.empty() ? std::string(Text(StringId::Untitled)) : currentPath;
    title += " - ";
    title += Text(StringId::AppTitle);
    return title;
}

CMapFiles::CMapFiles(CParameter& document, Reporter& reporter, MapFileHost& host)
    : document_(document), reporter_(reporter), host_(host) {}

void CMapFiles::SetCurrentPath(const std::string& path) {
    if (path != currentPath_) {
        stamp_ = {}; // nothing is known about another file
    }
    currentPath_ = path;
    UpdateTitle();
}

void CMapFiles::UpdateTitle() {
    host_.UpdateTitle(MainWindowTitle(currentPath_));
}

CMapFiles::DiskStamp CMapFiles::StampOf(const std::string& path) {
    DiskStamp stamp;
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return stamp;
    }
    stamp.known = true;
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::int64_t>(info.st_size);
    stamp.mtimeSec = static_cast<std::int64_t>(info.st_mtim.tv_sec);
    stamp.mtimeNsec = static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    return stamp;
}

bool CMapFiles::CurrentFileChangedOnDisk() const {
    if (currentPath_.empty() || !stamp_.known) {
        return false;
    }
    const DiskStamp now = StampOf(currentPath_);
    return now.known && !(now == stamp_);
}

void CMapFiles::NewMapFile() {
    currentPath_.clear();
    stamp_ = {};
    importedSet_ = false;
    document_.NewDocument();
    UpdateTitle();
}

int CMapFiles::LoadMapFile(const std::string& path, MessageSetKind kind) {
    const ControllerId selected = document_.SelectedController();
    NewMapFile();
    if (const Status read = ReadMapFile(path, kind, document_); !read) {
        // Never leave a mixture of what was read so far, not even behind the message: the map
        // is cleared before the failure is told.
        NewMapFile();
        ReportFileFailure(reporter_, read.Error(), StringId::LoadError, path);
        return 0;
    }
    document_.FoldTwinCodes();
    SetCurrentPath(path);
    stamp_ = StampOf(path);
    // A memory set file keeps its name in the title but is not saved over.
    importedSet_ = kind == MemorySetKind;
    if (kind == ControlMapKind) {
        recent_.Add(path);
    }
    // The same control stays selected and its new record is loaded for editing.
    document_.SelectController(selected);
    document_.MapWasReplaced();
    return 1;
}

int CMapFiles::SaveCurrentMap() {
    if (!SaveNeedsName()) {
        // Another editor, a script or a sync tool may have written the file meanwhile: it is
        // not replaced unseen.
        if (CurrentFileChangedOnDisk()) {
            switch (host_.AskReplaceChangedFile(currentPath_)) {
            case ChangedFileAnswer::Replace:
                break;
            case ChangedFileAnswer::SaveAs:
                return SaveMapFileAs();
            case ChangedFileAnswer::Cancel:
                return 0;
            }
        }
        return SaveMapFile(currentPath_);
    }
    return SaveMapFileAs();
}

int CMapFiles::SaveMapFileAs() {
    const std::optional<std::string> path = host_.ChooseSavePath();
    if (!path) {
        return 0;
    }
    return SaveMapFile(*path);
}

int CMapFiles::SaveMapFile(const std::string& path) {
    host_.CommitTitleField();
    host_.ApplyAssignDialog();

    if (!ReportSaveFailure(SaveMapDocument(path, document_), path)) {
        return 0;
    }

    importedSet_ = false;
    SetCurrentPath(path);
    stamp_ = StampOf(path);
    recent_.Add(path);
    document_.SetModified(false);
    UpdateTitle();
    return 1;
}

int CMapFiles::CheckSaveMapFile(const std::string& path) {
    return ReportSaveFailure(CheckMapDocumentSave(path, document_), path) ? 1 : 0;
}

bool CMapFiles::ReportSaveFailure(const Status& saved, const std::string& path) {
    if (!saved) {
        ReportFileFailure(reporter_, saved.Error(), StringId::SaveError, path);
        return false;
    }
    return true;
}

// --- commands --------------------------------------------------------------------------------

Answer CMapFiles::ConfirmDiscard(Questioner& questioner) {
    bool saved = true;
    const Answer answer =
        document_.ConfirmDiscard(questioner, [&] { saved = SaveCurrentMap() == 1; });
    // A save that failed or was cancelled leaves the map as it is: going on would lose it.
    return answer == Answer::Yes && !saved ? Answer::Cancel : answer;
}

bool CMapFiles::ReadyToDiscard(Questioner& questioner) {
    return host_.ApplyPendingEdits() && ConfirmDiscard(questioner) != Answer::Cancel;
}

int CMapFiles::CommandNew(Questioner& questioner) {
    if (!ReadyToDiscard(questioner)) {
        return 0;
    }
    NewMapFile();
    return 1;
}

int CMapFiles::OpenWith(Questioner& questioner, MessageSetKind kind) {
    if (!ReadyToDiscard(questioner)) {
        return 0;
    }
    const std::optional<std::string> path = host_.ChooseOpenPath();
    if (!path) {
        return 0;
    }
    return LoadMapFile(*path, kind);
}

int CMapFiles::CommandOpen(Questioner& questioner) {
    return OpenWith(questioner, ControlMapKind);
}

int CMapFiles::CommandImportMemorySet(Questioner& questioner) {
    return OpenWith(questioner, MemorySetKind);
}

int CMapFiles::CommandOpenDropped(const std::vector<std::string>& paths, Questioner& questioner) {
    if (paths.empty()) {
        return 0;
    }
    if (!ReadyToDiscard(questioner)) {
        return 0;
    }
    return LoadMapFile(paths.front(), ControlMapKind);
}

int CMapFiles::CommandOpenRecent(std::size_t index, Questioner& questioner) {
    if (index >= recent_.Size()) {
        return 0;
    }
    if (!ReadyToDiscard(questioner)) {
        return 0;
    }
    const std::string entry = recent_.At(index); // a copy: loading reorders the list
    const int result = LoadMapFile(entry, ControlMapKind);
    if (result == 0) {
        recent_.RemoveFile(entry);
    }
    return result;
}

} // namespace kel

#include "files/mapfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/smfctrl.h"
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

// A file the user may not change: no write permission bit at all (so even the superuser is
// kept from replacing it), or no write access for this process.
bool IsWriteProtected(const std::string& path, const struct stat& info) {
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return true;
    }
    return ::access(path.c_str(), W_OK) != 0 &&
           (errno == EACCES || errno == EPERM || errno == EROFS);
}

// Creates a new file beside `target`, exclusively and under an unpredictable name, so that no
// file or link planted in the directory is ever opened. Returns the descriptor (or -1 with
// errno set) and stores the name in `tempPath`.
int CreateTempBeside(const fs::path& target, std::string& tempPath) {
    fs::path dir = target.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    // Keep the name well below the usual 255-byte limit of one path component.
    std::string base = target.filename().string().substr(0, 200);
    std::random_device random;
    for (int attempt = 0; attempt < 64; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "_tmpbulk.%08x%08x", random(), random());
        const fs::path candidate = dir / ("." + base + suffix);
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            tempPath = candidate.string();
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

// Makes a finished rename durable; failures change nothing about the saved content.
void SyncDirectory(const fs::path& target) {
    fs::path dir = target.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

// --- recent files ----------------------------------------------------------------------------

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
    currentPath_ = path;
    UpdateTitle();
}

void CMapFiles::UpdateTitle() {
    host_.UpdateTitle(MainWindowTitle(currentPath_));
}

void CMapFiles::NewMapFile() {
    currentPath_.clear();
    document_.NewDocument();
    UpdateTitle();
    host_.RefreshViews();
}

int CMapFiles::LoadMapFile(const std::string& path, MessageSetKind kind) {
    const ControllerId selected = document_.SelectedController();
    NewMapFile();
    CSmfCtrl reader(&document_, &reporter_);
    if (reader.Read(path, kind) != 0) {
        // Never leave a mixture of what was read so far.
        NewMapFile();
        return 0;
    }
    document_.FoldTwinCodes();
    SetCurrentPath(path);
    if (kind == ControlMapKind) {
        recent_.Add(path);
    }
    // The same control stays selected and its new record is loaded for editing.
    document_.SelectController(selected);
    host_.RefreshViews();
    return 1;
}

int CMapFiles::SaveCurrentMap() {
    if (!currentPath_.empty()) {
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

    if (path.empty()) {
        reporter_.warn(StringId::SaveError, CauseBadPath);
        return 0;
    }
    // Saving through a symbolic link replaces the file it points to and keeps the link.
    fs::path target(path);
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        std::error_code ec;
        fs::path resolved = fs::canonical(target, ec);
        if (!ec) {
            target = resolved;
        }
    }

    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists) {
        if (S_ISDIR(info.st_mode)) {
            reporter_.warn(StringId::SaveError, CauseAccessDenied);
            return 0;
        }
        if (IsWriteProtected(target.string(), info)) {
            reporter_.warn(StringId::CannotOverwrite);
            return 0;
        }
    }

    std::string tempPath;
    const int fd = CreateTempBeside(target, tempPath);
    if (fd < 0) {
        reporter_.warn(StringId::SaveError, FileErrorCauseOf(errno));
        return 0;
    }
    if (exists) {
        // The new file takes over the permissions of the one it replaces.
        ::fchmod(fd, info.st_mode & 07777);
    }

    CSmfCtrl writer(&document_);
    writer.Attach(fd);
    writer.SetSyncOnClose(true);
    if (writer.Write() != 0) {
        ::unlink(tempPath.c_str());
        reporter_.warn(StringId::SaveError, writer.LastCause());
        return 0;
    }
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        const int cause = FileErrorCauseOf(errno);
        ::unlink(tempPath.c_str());
        reporter_.warn(StringId::SaveError, cause);
        return 0;
    }
    SyncDirectory(target);

    SetCurrentPath(path);
    recent_.Add(path);
    document_.SetModified(false);
    UpdateTitle();
    return 1;
}

// --- commands --------------------------------------------------------------------------------

Answer CMapFiles::ConfirmDiscard(Questioner& questioner) {
    return document_.ConfirmDiscard(questioner, [this] { SaveCurrentMap(); });
}

int CMapFiles::CommandNew(Questioner& questioner) {
    host_.CommitTitleField();
    if (ConfirmDiscard(questioner) == Answer::Cancel) {
        return 0;
    }
    NewMapFile();
    return 1;
}

int CMapFiles::OpenWith(Questioner& questioner, MessageSetKind kind) {
    host_.CommitTitleField();
    if (ConfirmDiscard(questioner) == Answer::Cancel) {
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
    host_.CommitTitleField();
    if (ConfirmDiscard(questioner) == Answer::Cancel) {
        return 0;
    }
    return LoadMapFile(paths.front(), ControlMapKind);
}

int CMapFiles::CommandOpenRecent(std::size_t index, Questioner& questioner) {
    if (index >= recent_.Size()) {
        return 0;
    }
    host_.CommitTitleField();
    if (ConfirmDiscard(questioner) == Answer::Cancel) {
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

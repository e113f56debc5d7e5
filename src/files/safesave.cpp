// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/safesave.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "files/fileio.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

// A file the user may not change: no write permission bit at all (so even the superuser is
// kept from replacing it), or no write access for this process.
bool IsWriteProtected(const std::string& path, const struct stat& info) {
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return true;
    }
    return ::access(path.c_str(), W_OK) != 0 &&
           (errno == EACCES || errno == EPERM || errno == EROFS);
}

// Creates a new file beside `target` under an unpredictable name, so that no file or link
// planted in the directory is ever opened. Returns the descriptor (or -1 with errno set) and
// stores the name in `tempPath`.
int CreateTempBeside(const fs::path& target, std::string& tempPath) {
    fs::path dir = target.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    // Keep the name well below the usual 255-byte limit of one path component.
    const std::string base = target.filename().string().substr(0, 200);
    std::random_device random;
    fs::path created;
    // An interrupting signal waits until the new file is registered, so that the handler that
    // removes registered files never misses it.
    sigset_t interrupts;
    sigset_t previous;
    sigemptyset(&interrupts);
    sigaddset(&interrupts, SIGINT);
    sigaddset(&interrupts, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
    const int fd = CreateFirstFreeFile(
        [&](unsigned) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, "_tmpbulk.%08x%08x", random(), random());
            return dir / ("." + base + suffix);
        },
        64, 0666, TakenName::Fail, created);
    if (fd >= 0) {
        tempPath = created.string();
        // Removed again when the process is ended before the file is renamed or removed.
        RegisterTempFile(created);
    }
    const int err = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = err;
    return fd;
}

// Removes a temporary file of ours after a failure.
void RemoveTemp(const std::string& tempPath) {
    ::unlink(tempPath.c_str());
    ForgetTempFile(tempPath);
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

SafeSaveResult Failure(int cause) {
    return {SafeSaveStatus::Failed, cause};
}

// The file a save of `path` replaces or creates: the file a symbolic link points to, else `path`
// itself. Fails as a save does when that name is not a file that may be replaced.
struct SaveTarget {
    fs::path path;
    bool exists = false;
    struct stat info {};
};

SafeSaveResult ResolveTarget(const std::string& path, SaveTarget& target) {
    if (path.empty()) {
        return Failure(CauseBadPath);
    }
    target.path = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        std::error_code ec;
        fs::path resolved = fs::canonical(target.path, ec);
        if (!ec) {
            target.path = resolved;
        }
    }
    // The new file is renamed onto the name at the end: a name longer than its folder allows
    // would fail only then, after everything was written (the temporary name is kept short).
    fs::path dir = target.path.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    const long nameMax = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    if (nameMax > 0 && target.path.filename().native().size() > static_cast<std::size_t>(nameMax)) {
        return Failure(FileErrorCauseOf(ENAMETOOLONG));
    }
    target.exists = ::stat(target.path.c_str(), &target.info) == 0;
    if (target.exists) {
        // Only a file is replaced: never a directory, and never a pipe or device node, which
        // the rename would otherwise swap for a plain file.
        if (!S_ISREG(target.info.st_mode)) {
            return Failure(CauseAccessDenied);
        }
        if (IsWriteProtected(target.path.string(), target.info)) {
            return {SafeSaveStatus::CannotOverwrite, CauseAccessDenied};
        }
    }
    return {};
}

} // namespace

SafeSaveResult CheckSafeSave(const std::string& path, std::uintmax_t size) {
    SaveTarget target;
    if (const SafeSaveResult resolved = ResolveTarget(path, target); !resolved.Ok()) {
        return resolved;
    }
    std::string tempPath;
    const int fd = CreateTempBeside(target.path, tempPath);
    if (fd < 0) {
        return Failure(FileErrorCauseOf(errno));
    }
    // The whole new file is written while the old one is still there: its size must fit into
    // the free space of the file system that holds the temporary file, in whole blocks.
    struct statvfs space {};
    const bool spaceKnown = ::fstatvfs(fd, &space) == 0 && space.f_frsize > 0;
    ::close(fd);
    RemoveTemp(tempPath);
    if (spaceKnown) {
        const std::uintmax_t blocks = (size + space.f_frsize - 1) / space.f_frsize;
        // The superuser may also fill the blocks kept in reserve for it.
        const std::uintmax_t free = ::geteuid() == 0 ? space.f_bfree : space.f_bavail;
        if (blocks > free) {
            return Failure(FileErrorCauseOf(ENOSPC));
        }
    }
    // A file beyond the process's file size limit cannot be written at all.
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        size > limit.rlim_cur) {
        return Failure(FileErrorCauseOf(EFBIG));
    }
    return {};
}

SafeSaveResult SaveBytesSafely(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::span<const std::uint8_t> whole[] = {bytes};
    return SaveBytesSafely(path, std::span<const std::span<const std::uint8_t>>(whole));
}

SafeSaveResult SaveBytesSafely(const std::string& path,
                               std::span<const std::span<const std::uint8_t>> pieces) {
    SaveTarget resolved;
    if (const SafeSaveResult checked = ResolveTarget(path, resolved); !checked.Ok()) {
        return checked;
    }
    const fs::path& target = resolved.path;
    const bool exists = resolved.exists;
    const struct stat& info = resolved.info;

    std::string tempPath;
    const int fd = CreateTempBeside(target, tempPath);
    if (fd < 0) {
        return Failure(FileErrorCauseOf(errno));
    }
    if (exists) {
        ::fchmod(fd, info.st_mode & 07777);
    }

    if (const int err = WriteAndClose(fd, pieces, true); err != 0) {
        RemoveTemp(tempPath);
        return Failure(FileErrorCauseOf(err));
    }
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        const int renameCause = FileErrorCauseOf(errno);
        RemoveTemp(tempPath);
        return Failure(renameCause);
    }
    ForgetTempFile(tempPath);
    SyncDirectory(target);
    return {};
}

} // namespace kel

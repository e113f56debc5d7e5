// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/safesave.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "files/fileio.h"
#include "files/renamefree.h"

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

constexpr std::string_view kTempMark = "_tmpbulk.";

// The process id namespace this process sees others in (the number of /proc/self/ns/pid), or
// 0 when it cannot be read. Ids of another namespace say nothing about the processes here.
unsigned long long PidNamespace() {
    char link[64] = {};
    const ssize_t size = ::readlink("/proc/self/ns/pid", link, sizeof link - 1);
    unsigned long long number = 0;
    if (size <= 0 || std::sscanf(link, "pid:[%llu]", &number) != 1) {
        return 0;
    }
    return number;
}

// This process's part of a temporary file's name: "PID-STARTTIME-NAMESPACE". A later save can
// tell from it whether the writer still runs. Read anew each time: a forked child is a writer
// of its own.
std::string WriterTag() {
    const pid_t pid = ::getpid();
    return std::to_string(pid) + "-" + std::to_string(ProcessStartTime(pid).value_or(0)) + "-" +
           std::to_string(PidNamespace());
}

// Reads the writer out of a temporary file's name (".NAME_tmpbulk.PID-STARTTIME-NAMESPACE.RANDOM").
// False for any other name, among them those of older versions, which name no writer.
struct TempWriter {
    pid_t pid = 0;
    unsigned long long start = 0;
    unsigned long long pidNamespace = 0;
};

bool WriterOfTempName(const std::string& name, TempWriter& writer) {
    if (name.empty() || name[0] != '.') {
        return false;
    }
    const std::size_t mark = name.rfind(kTempMark);
    if (mark == std::string::npos) {
        return false;
    }
    const std::string rest = name.substr(mark + kTempMark.size());
    if (rest.empty() || rest[0] < '0' || rest[0] > '9') {
        return false;
    }
    unsigned long long pid = 0;
    int used = 0;
    char random[17] = {};
    if (std::sscanf(rest.c_str(), "%llu-%llu-%llu.%16[0-9a-f]%n", &pid, &writer.start,
                    &writer.pidNamespace, random, &used) != 4 ||
        static_cast<std::size_t>(used) != rest.size() || std::strlen(random) != 16 || pid == 0 ||
        pid > 0x7fffffff) {
        return false;
    }
    writer.pid = static_cast<pid_t>(pid);
    return true;
}

// Whether the process that wrote a temporary file is provably gone: no process with its id
// runs, or the one that does started at another time (the id was used again). A writer of
// another id namespace, or whose start time could not be read, is never taken for gone.
bool WriterIsGone(const TempWriter& writer, unsigned long long pidNamespace) {
    if (pidNamespace == 0 || writer.pidNamespace != pidNamespace) {
        return false;
    }
    return ProcessHasEnded(writer.pid, writer.start);
}

// Removes the temporary files that saves in `dir` left when their process was killed before it
// could remove them; only those whose writer is provably gone. Only files of this user are
// looked at: another user's processes may be hidden from it.
void RemoveTempFilesOfGoneWriters(const fs::path& dir) {
    DIR* listing = ::opendir(dir.c_str());
    if (listing == nullptr) {
        return;
    }
    const int dirFd = ::dirfd(listing);
    const unsigned long long pidNamespace = PidNamespace();
    while (const struct dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        TempWriter writer;
        struct stat info {};
        if (WriterOfTempName(name, writer) &&
            ::fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            WriterIsGone(writer, pidNamespace)) {
            ::unlinkat(dirFd, name.c_str(), 0);
        }
    }
    ::closedir(listing);
}

// Creates a new file beside `target` under an unpredictable name, so that no file or link
// planted in the directory is ever opened. The name also holds this process's id and start
// time, so that a later save can remove the file should this process be killed before it can.
// Returns the descriptor (or -1 with errno set) and stores the name in `tempPath`.
int CreateTempBeside(const fs::path& target, std::string& tempPath) {
    fs::path dir = target.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    // Keep the name below the usual 255-byte limit of one path component: the writer and the
    // random part take at most 78 bytes.
    const std::string base = target.filename().string().substr(0, 170);
    std::random_device random;
    const std::string writer = WriterTag();
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
            char suffix[24];
            std::snprintf(suffix, sizeof suffix, ".%08x%08x", random(), random());
            return dir / ("." + base + std::string(kTempMark) + writer + suffix);
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

Failure Failed(int cause) {
    return FileFailure(cause);
}

// The file a save of `path` replaces or creates: the file a symbolic link points to, else `path`
// itself. Fails as a save does when that name is not a file that may be replaced.
struct SaveTarget {
    fs::path path;
    bool exists = false;
    struct stat info {};
};

Status ResolveTarget(const std::string& path, SaveTarget& target) {
    if (path.empty()) {
        return Failed(CauseBadPath);
    }
    // A symbolic link is followed to the file it names, also when that file does not exist yet:
    // the save then creates it, and the link stays as it is.
    fs::path followed = path;
    for (int links = 0;; ++links) {
        struct stat info {};
        if (::lstat(followed.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            break;
        }
        std::error_code ec;
        const fs::path points = fs::read_symlink(followed, ec);
        if (ec || links >= 40) {
            return Failed(FileErrorCauseOf(ec ? ec.value() : ELOOP));
        }
        followed = points.is_absolute() ? points : followed.parent_path() / points;
    }
    target.path = followed;
    // The new file is renamed onto the name at the end: a name longer than its folder allows
    // would fail only then, after everything was written (the temporary name is kept short).
    fs::path dir = target.path.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    const long nameMax = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    if (nameMax > 0 && target.path.filename().native().size() > static_cast<std::size_t>(nameMax)) {
        return Failed(FileErrorCauseOf(ENAMETOOLONG));
    }
    target.exists = ::stat(target.path.c_str(), &target.info) == 0;
    if (target.exists) {
        // Only a file is replaced: never a directory, and never a pipe or device node, which
        // the rename would otherwise swap for a plain file.
        if (!S_ISREG(target.info.st_mode)) {
            return Failed(CauseAccessDenied);
        }
        if (IsWriteProtected(target.path.string(), target.info)) {
            return MessageFailure(StringId::CannotOverwrite);
        }
    }
    return {};
}

} // namespace

std::optional<std::uint64_t> ProcessStartTime(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) {
        return std::nullopt;
    }
    // The command name (field 2) is in parentheses and may hold spaces and parentheses itself.
    const std::size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(line.substr(nameEnd + 1));
    std::string field;
    for (int number = 3; number <= 22 && fields >> field; ++number) {
        if (number == 22) {
            char* end = nullptr;
            const unsigned long long ticks = std::strtoull(field.c_str(), &end, 10);
            if (end != field.c_str() && *end == '\0') {
                return ticks;
            }
        }
    }
    return std::nullopt;
}

bool ProcessHasEnded(pid_t pid, std::uint64_t start) {
    if (pid <= 0) {
        return false;
    }
    if (const std::optional<std::uint64_t> running = ProcessStartTime(pid)) {
        return start != 0 && *running != start;
    }
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

Status CheckSafeSave(const std::string& path, std::uintmax_t size) {
    SaveTarget target;
    if (const Status resolved = ResolveTarget(path, target); !resolved.Ok()) {
        return resolved;
    }
    std::string tempPath;
    const int fd = CreateTempBeside(target.path, tempPath);
    if (fd < 0) {
        return Failed(FileErrorCauseOf(errno));
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
            return Failed(FileErrorCauseOf(ENOSPC));
        }
    }
    // A file beyond the process's file size limit cannot be written at all.
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        size > limit.rlim_cur) {
        return Failed(FileErrorCauseOf(EFBIG));
    }
    return {};
}

Result<std::string> SaveBytesAsNewFile(const std::function<fs::path(unsigned attempt)>& nameOf,
                                       unsigned attempts,
                                       std::span<const std::span<const std::uint8_t>> pieces) {
    if (attempts == 0) {
        return Failed(CauseBadPath);
    }
    const fs::path first = nameOf(0);
    if (first.filename().empty()) {
        return Failed(CauseBadPath);
    }
    const fs::path dir = first.parent_path().empty() ? fs::path(".") : first.parent_path();
    RemoveTempFilesOfGoneWriters(dir);
    std::string tempPath;
    const int fd = CreateTempBeside(first, tempPath);
    if (fd < 0) {
        return Failed(FileErrorCauseOf(errno));
    }
    if (const int err = WriteAndClose(fd, pieces, true); err != 0) {
        RemoveTemp(tempPath);
        return Failed(FileErrorCauseOf(err));
    }
    int err = EEXIST;
    for (unsigned attempt = 0; attempt < attempts && err == EEXIST; ++attempt) {
        const fs::path name = attempt == 0 ? first : nameOf(attempt);
        err = RenameUnlessTaken(tempPath, name);
        if (err == 0) {
            ForgetTempFile(tempPath);
            SyncDirectory(name);
            return name.string();
        }
    }
    RemoveTemp(tempPath);
    return Failed(FileErrorCauseOf(err));
}

Status SaveBytesSafely(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::span<const std::uint8_t> whole[] = {bytes};
    return SaveBytesSafely(path, std::span<const std::span<const std::uint8_t>>(whole));
}

Status SaveBytesSafely(const std::string& path,
                       std::span<const std::span<const std::uint8_t>> pieces) {
    SaveTarget resolved;
    if (const Status checked = ResolveTarget(path, resolved); !checked.Ok()) {
        return checked;
    }
    const fs::path& target = resolved.path;
    const bool exists = resolved.exists;
    const struct stat& info = resolved.info;

    // What killed saves in this folder left behind goes first: it may take the room this one needs.
    RemoveTempFilesOfGoneWriters(target.parent_path().empty() ? fs::path(".")
                                                              : target.parent_path());

    std::string tempPath;
    const int fd = CreateTempBeside(target, tempPath);
    if (fd < 0) {
        return Failed(FileErrorCauseOf(errno));
    }
    if (exists) {
        ::fchmod(fd, info.st_mode & 07777);
    }

    if (const int err = WriteAndClose(fd, pieces, true); err != 0) {
        RemoveTemp(tempPath);
        return Failed(FileErrorCauseOf(err));
    }
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        const int renameCause = FileErrorCauseOf(errno);
        RemoveTemp(tempPath);
        return Failed(renameCause);
    }
    ForgetTempFile(tempPath);
    SyncDirectory(target);
    return {};
}

} // namespace kel

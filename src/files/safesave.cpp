#include "files/safesave.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/smfctrl.h"

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

// A file larger than the process may write must fail with EFBIG, not end the program.
void IgnoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            std::signal(SIGXFSZ, SIG_IGN);
        }
    });
}

SafeSaveResult Failure(int cause) {
    return {SafeSaveStatus::Failed, cause};
}

} // namespace

SafeSaveResult SaveFileSafely(const std::string& path,
                              const std::function<bool(int fd, int& cause)>& write) {
    if (path.empty()) {
        return Failure(CauseBadPath);
    }
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
        // Only a file is replaced: never a directory, and never a pipe or device node, which
        // the rename would otherwise swap for a plain file.
        if (!S_ISREG(info.st_mode)) {
            return Failure(CauseAccessDenied);
        }
        if (IsWriteProtected(target.string(), info)) {
            return {SafeSaveStatus::CannotOverwrite, CauseAccessDenied};
        }
    }

    std::string tempPath;
    const int fd = CreateTempBeside(target, tempPath);
    if (fd < 0) {
        return Failure(FileErrorCauseOf(errno));
    }
    if (exists) {
        ::fchmod(fd, info.st_mode & 07777);
    }

    int cause = CauseGeneric;
    if (!write(fd, cause)) {
        ::unlink(tempPath.c_str());
        return Failure(cause);
    }
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        const int renameCause = FileErrorCauseOf(errno);
        ::unlink(tempPath.c_str());
        return Failure(renameCause);
    }
    SyncDirectory(target);
    return {};
}

SafeSaveResult SaveBytesSafely(const std::string& path, std::span<const std::uint8_t> bytes) {
    return SaveFileSafely(path, [bytes](int fd, int& cause) {
        IgnoreFileSizeSignal();
        const std::uint8_t* at = bytes.data();
        std::size_t left = bytes.size();
        bool ok = true;
        while (ok && left > 0) {
            const ssize_t n = ::write(fd, at, left);
            if (n < 0) {
                ok = errno == EINTR;
                continue;
            }
            if (n == 0) {
                errno = ENOSPC;
                ok = false;
                continue;
            }
            at += n;
            left -= static_cast<std::size_t>(n);
        }
        if (ok && ::fsync(fd) != 0) {
            ok = false;
        }
        const int writeErrno = ok ? 0 : errno;
        const int closeResult = ::close(fd);
        const int closeErrno = errno;
        if (!ok) {
            cause = FileErrorCauseOf(writeErrno);
            return false;
        }
        if (closeResult != 0 && closeErrno != EINTR) {
            cause = FileErrorCauseOf(closeErrno);
            return false;
        }
        return true;
    });
}

} // namespace kel

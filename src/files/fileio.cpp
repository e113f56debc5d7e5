// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/fileio.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kel {
namespace {

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

// Writes all of `bytes`; false with errno set on failure.
bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    const std::uint8_t* at = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        at += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// The registry of temporary files. A place is written while it is Free to everyone else
// (Writing), published as Held, and given up by setting it Free; the signal handler only reads
// Held places, so it never sees half a name.
enum TempPlace : int { Free, Writing, Held };
constexpr std::size_t kTempPlaces = 16;
constexpr std::size_t kTempPathMax = 4096;
struct TempRegistry {
    std::array<std::atomic<int>, kTempPlaces> state{};
    std::array<std::array<char, kTempPathMax>, kTempPlaces> path{};
};
TempRegistry& Temps() {
    static TempRegistry registry;
    return registry;
}

extern "C" void RemoveTempFilesAndReraise(int signal) {
    const int savedErrno = errno;
    RemoveTempFiles();
    // The default action ends the process as the signal would have without this handler.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    errno = savedErrno;
}

} // namespace

bool RegisterTempFile(const std::filesystem::path& path) {
    const std::string& name = path.native();
    if (name.size() >= kTempPathMax) {
        return false;
    }
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(&RemoveTempFiles); });
    TempRegistry& temps = Temps();
    for (std::size_t i = 0; i < kTempPlaces; ++i) {
        int expected = Free;
        if (temps.state[i].compare_exchange_strong(expected, Writing)) {
            std::memcpy(temps.path[i].data(), name.c_str(), name.size() + 1);
            temps.state[i].store(Held, std::memory_order_release);
            return true;
        }
    }
    return false;
}

void ForgetTempFile(const std::filesystem::path& path) {
    TempRegistry& temps = Temps();
    for (std::size_t i = 0; i < kTempPlaces; ++i) {
        if (temps.state[i].load(std::memory_order_acquire) == Held &&
            path.native() == temps.path[i].data()) {
            temps.state[i].store(Free, std::memory_order_release);
            return;
        }
    }
}

void RemoveTempFiles() {
    TempRegistry& temps = Temps();
    for (std::size_t i = 0; i < kTempPlaces; ++i) {
        int expected = Held;
        if (temps.state[i].compare_exchange_strong(expected, Writing)) {
            ::unlink(temps.path[i].data());
            temps.state[i].store(Free, std::memory_order_release);
        }
    }
}

void RemoveTempFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = &RemoveTempFilesAndReraise;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

Result<int> OpenRegularFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return FileFailure(FileErrorCauseOf(errno));
    }
    struct stat info {};
    std::optional<Failure> refused;
    if (::fstat(fd, &info) != 0) {
        refused = FileFailure(FileErrorCauseOf(errno));
    } else if (S_ISDIR(info.st_mode)) {
        refused = FileFailure(FileErrorCauseOf(EISDIR));
    } else if (!S_ISREG(info.st_mode)) {
        // A FIFO, socket or device may never end or never answer: no file to read.
        refused = Failure{Phrase(TextId::SyxNotRegularFile), CauseAccessDenied};
    }
    if (refused) {
        ::close(fd);
        return *refused;
    }
    // A regular file never blocks; reads go on as usual.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    return fd;
}

int FileErrorCauseOf(int err) {
    switch (err) {
    case 0:
        return CauseNone;
    case ENOENT:
        return CauseFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return CauseBadPath;
    case ELOOP:
        return CauseSymlinkLoop;
    case EMFILE:
    case ENFILE:
        return CauseTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST:
        return CauseAccessDenied;
    case EBADF:
        return CauseInvalidFile;
    case EMLINK:
        return CauseDirectoryFull;
    case ESPIPE:
        return CauseBadSeek;
    case EIO:
    case ENXIO:
        return CauseHardIo;
    case ETXTBSY:
    case EBUSY:
        return CauseSharingViolation;
    case EDEADLK:
    case ENOLCK:
        return CauseLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return CauseDiskFull;
    default:
        return CauseGeneric;
    }
}

int WriteAndClose(int fd, std::span<const std::uint8_t> bytes, bool sync) {
    const std::span<const std::uint8_t> whole[] = {bytes};
    return WriteAndClose(fd, std::span<const std::span<const std::uint8_t>>(whole), sync);
}

int WriteAndClose(int fd, std::span<const std::span<const std::uint8_t>> pieces, bool sync) {
    IgnoreFileSizeSignal();
    bool ok = true;
    for (std::size_t i = 0; ok && i < pieces.size(); ++i) {
        ok = WriteAll(fd, pieces[i]);
    }
    if (ok && sync && ::fsync(fd) != 0) {
        ok = false;
    }
    const int writeErrno = ok ? 0 : errno;
    const int closeResult = ::close(fd);
    const int closeErrno = errno;
    if (!ok) {
        return writeErrno;
    }
    if (closeResult != 0 && closeErrno != EINTR) {
        return closeErrno;
    }
    return 0;
}

int CreateNewFile(const std::filesystem::path& path, mode_t mode, TakenName taken) {
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(path.c_str(), flags, mode);
    if (fd >= 0 || errno != EEXIST || taken == TakenName::Fail) {
        return fd;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && st.st_uid == ::geteuid() &&
        (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) && ::unlink(path.c_str()) == 0) {
        fd = ::open(path.c_str(), flags, mode);
    } else {
        errno = EEXIST;
    }
    return fd;
}

int CreateFirstFreeFile(const std::function<std::filesystem::path(unsigned attempt)>& nameOf,
                        unsigned attempts, mode_t mode, TakenName taken,
                        std::filesystem::path& created) {
    errno = EEXIST;
    int fd = -1;
    for (unsigned attempt = 0; attempt < attempts; ++attempt) {
        created = nameOf(attempt);
        fd = CreateNewFile(created, mode, taken);
        if (fd >= 0 || errno != EEXIST) {
            break;
        }
    }
    return fd;
}

int ReadUpTo(int fd, std::size_t limit, std::vector<std::uint8_t>& bytes) {
    // A file's size, when it has one, sizes the buffer at once: one more byte lets the read
    // that finds the end go without growing it. Anything else grows a block at a time.
    constexpr std::size_t kBlock = 64 * 1024;
    struct stat info {};
    std::size_t capacity = kBlock;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        capacity = static_cast<std::size_t>(info.st_size) + 1;
    }
    bytes.resize(std::min(capacity, limit));
    std::size_t got = 0;
    while (got < limit) {
        if (got == bytes.size()) {
            bytes.resize(std::min(limit, got + std::max(kBlock, got / 2)));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int err = errno;
            bytes.clear();
            return err;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return 0;
}

} // namespace kel

#include "files/listfile.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/smfctrl.h"
#include "model/assignlist.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Files

// Writes all of `data` to `fd` and closes it. Returns 0 or the errno of the failure.
int WriteAndClose(int fd, const std::string& data) {
    std::size_t done = 0;
    int err = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            err = errno;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && err == 0 && errno != EINTR) {
        err = errno;
    }
    return err;
}

// Writes the list into the opened `fd` (closing it); on failure reports it and, for a temporary
// file of ours, removes the incomplete file.
int WriteListToFile(int fd, const fs::path& path, bool temporary, const ControlMap& map,
                    Reporter& reporter) {
    if (const int err = WriteAndClose(fd, AssignListHtml(map)); err != 0) {
        if (temporary) {
            ::unlink(path.c_str());
        }
        reporter.warn(StringId::SaveError, FileErrorCauseOf(err));
        return -1;
    }
    return 0;
}

// Creates `path` exclusively: never through a link and never reusing an existing file. A file
// or link of our own left at the name by an earlier run is removed first (in a shared
// temporary directory nobody else can remove or replace it). Returns the descriptor, or -1
// with errno set.
int CreateExclusive(const fs::path& path, mode_t mode) {
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(path.c_str(), flags, mode);
    if (fd >= 0 || errno != EEXIST) {
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

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

// Creates the first of the names `nameOf(0)`, `nameOf(1)`, ... that can be created
// exclusively; stops at the first failure other than an existing name.
template <typename NameOf> int CreateFirstFree(NameOf nameOf, mode_t mode, fs::path& created) {
    int fd = -1;
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        created = nameOf(attempt);
        fd = CreateExclusive(created, mode);
        if (fd >= 0 || errno != EEXIST) {
            break;
        }
    }
    return fd;
}

// Moves the written list onto the target. Between file systems (the temporary directory is
// often one of its own) a rename cannot work, so the file is copied and the temporary removed.
bool MoveFile(const fs::path& from, const fs::path& to, int& err) {
    if (::rename(from.c_str(), to.c_str()) == 0) {
        return true;
    }
    err = errno;
    if (err != EXDEV) {
        return false;
    }
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        err = ec.value();
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------

std::optional<fs::path> UserTempDirectory() {
    std::error_code ec;
    fs::path dir = fs::temp_directory_path(ec);
    if (ec || dir.empty()) {
        return std::nullopt;
    }
    return dir;
}

int WriteAssignList(const ControlMap& map, const fs::path& path, Reporter& reporter) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        reporter.warn(StringId::TempFileError, FileErrorCauseOf(errno));
        return -1;
    }
    return WriteListToFile(fd, path, false, map, reporter);
}

int ExportAssignList(const ControlMap& map, const fs::path& target,
                     const std::optional<fs::path>& tempDir, Reporter& reporter) {
    if (!tempDir) {
        return -1;
    }
    // "_kel" and the time in seconds; a name already held by something else moves on to the
    // next number.
    const auto now = static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::time(nullptr)));
    fs::path temp;
    const int fd = CreateFirstFree(
        [&](unsigned attempt) { return *tempDir / ("_kel" + Hex(now + attempt) + ".htm"); }, 0666,
        temp);
    if (fd < 0) {
        reporter.warn(StringId::TempFileError, FileErrorCauseOf(errno));
        return -1;
    }
    if (WriteListToFile(fd, temp, true, map, reporter) != 0) {
        return -1;
    }

    int err = 0;
    if (MoveFile(temp, target, err)) {
        return 0;
    }
    if (FileErrorCauseOf(err) != CauseAccessDenied) {
        reporter.warn(StringId::SaveError, FileErrorCauseOf(err));
        return -1;
    }
    if (::unlink(target.c_str()) != 0) {
        reporter.warn(StringId::CannotOverwrite);
        return -1;
    }
    if (!MoveFile(temp, target, err)) {
        reporter.warn(StringId::SaveError, FileErrorCauseOf(err));
        return -1;
    }
    return 0;
}

int ExportAssignList(const ControlMap& map, const fs::path& target, Reporter& reporter) {
    return ExportAssignList(map, target, UserTempDirectory(), reporter);
}

int ViewAssignList(const ControlMap& map, DocumentOpener* opener,
                   const std::optional<fs::path>& tempDir, Reporter& reporter, fs::path* written) {
    if (!tempDir) {
        return -1;
    }
    // "_keltmp.htm", rewritten by every View; when that name is held by something the user
    // does not own, a name with a random number instead.
    std::random_device random;
    fs::path file;
    const int fd = CreateFirstFree(
        [&](unsigned attempt) {
            return *tempDir /
                   (attempt == 0 ? std::string("_keltmp.htm")
                                 : "_keltmp" + Hex(static_cast<std::uint32_t>(random())) + ".htm");
        },
        0600, file);
    if (fd < 0) {
        reporter.warn(StringId::TempFileError, FileErrorCauseOf(errno));
        return -1;
    }
    if (WriteListToFile(fd, file, true, map, reporter) != 0) {
        return -1;
    }
    if (written != nullptr) {
        *written = file;
    }
    if (opener == nullptr) {
        return -1;
    }
    if (const int code = opener->OpenDocument(file); code != 0) {
        reporter.warn(StringId::BrowserError, code);
        return -1;
    }
    return 0;
}

int ViewAssignList(const ControlMap& map, DocumentOpener* opener, Reporter& reporter) {
    return ViewAssignList(map, opener, UserTempDirectory(), reporter);
}

} // namespace kel

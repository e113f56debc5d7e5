#include "files/listfile.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <random>
#include <span>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "files/fileio.h"
#include "model/assignlist.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Files

// Writes the list into the opened `fd` (closing it); on failure reports it and, for a temporary
// file of ours, removes the incomplete file.
int WriteListToFile(int fd, const fs::path& path, bool temporary, const ControlMap& map,
                    Reporter& reporter) {
    const std::string html = AssignListHtml(map);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(html.data()),
                                              html.size());
    if (const int err = WriteAndClose(fd, bytes, false); err != 0) {
        if (temporary) {
            ::unlink(path.c_str());
        }
        reporter.warnFile(StringId::SaveError, FileErrorCauseOf(err), path.string());
        return -1;
    }
    return 0;
}

// The names a temporary list tries before giving up. A file or link of the user's own at a name
// is an earlier run's and is replaced; anything else moves on to the next name.
constexpr unsigned kNameAttempts = 16;

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
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
        reporter.warnFile(StringId::TempFileError, FileErrorCauseOf(errno), path.string());
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
    const int fd = CreateFirstFreeFile(
        [&](unsigned attempt) { return *tempDir / ("_kel" + Hex(now + attempt) + ".htm"); },
        kNameAttempts, 0666, TakenName::ReplaceOwnFile, temp);
    if (fd < 0) {
        reporter.warnFile(StringId::TempFileError, FileErrorCauseOf(errno), tempDir->string());
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
        reporter.warnFile(StringId::SaveError, FileErrorCauseOf(err), target.string());
        return -1;
    }
    if (::unlink(target.c_str()) != 0) {
        reporter.warnFile(StringId::CannotOverwrite, 0, target.string());
        return -1;
    }
    if (!MoveFile(temp, target, err)) {
        reporter.warnFile(StringId::SaveError, FileErrorCauseOf(err), target.string());
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
    const int fd = CreateFirstFreeFile(
        [&](unsigned attempt) {
            return *tempDir /
                   (attempt == 0 ? std::string("_keltmp.htm")
                                 : "_keltmp" + Hex(static_cast<std::uint32_t>(random())) + ".htm");
        },
        kNameAttempts, 0600, TakenName::ReplaceOwnFile, file);
    if (fd < 0) {
        reporter.warnFile(StringId::TempFileError, FileErrorCauseOf(errno), tempDir->string());
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

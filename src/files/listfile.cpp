// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/listfile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/fileio.h"
#include "files/safesave.h"
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

// The names a temporary list tries before giving up; each is random, so that two runs never
// meet at one name.
constexpr unsigned kNameAttempts = 16;

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// A View file's name: "_keltmp", the editor's process id (8 hex digits) and the start time of
// that process (16), so that a later editor can tell whether its writer still runs, then 16
// random hex digits, unique to the View, and ".htm".
constexpr std::string_view kViewPrefix = "_keltmp";
constexpr std::string_view kViewSuffix = ".htm";
constexpr std::size_t kPidDigits = 8;
constexpr std::size_t kStartDigits = 16;
constexpr std::size_t kRandomDigits = 16;
constexpr std::size_t kViewNameSize =
    kViewPrefix.size() + kPidDigits + kStartDigits + kRandomDigits + kViewSuffix.size();

// "_keltmp", this process's id and start time: the part of the name all its View files share.
std::string OwnViewPrefix() {
    char text[32];
    std::snprintf(text, sizeof text, "%08x%016llx", static_cast<unsigned>(::getpid()),
                  static_cast<unsigned long long>(ProcessStartTime(::getpid()).value_or(0)));
    return std::string(kViewPrefix) + text;
}

bool IsHex(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// True when `name` is a View file name whose editor has certainly ended: no process has its
// id, or the one that has started at another time. A file of an older name, or one whose
// process cannot be looked at, is kept.
bool IsViewFileOfEndedEditor(std::string_view name) {
    if (name.size() != kViewNameSize || !name.starts_with(kViewPrefix) ||
        !name.ends_with(kViewSuffix)) {
        return false;
    }
    const std::string_view digits =
        name.substr(kViewPrefix.size(), kPidDigits + kStartDigits + kRandomDigits);
    if (!IsHex(digits)) {
        return false;
    }
    const auto pid =
        static_cast<pid_t>(std::stoul(std::string(digits.substr(0, kPidDigits)), nullptr, 16));
    const std::uint64_t started =
        std::stoull(std::string(digits.substr(kPidDigits, kStartDigits)), nullptr, 16);
    return ProcessHasEnded(pid, started);
}

// Removes the View files in `tempDir` for which `remove(name)` says so: regular files of this
// user alone.
template <class Predicate>
void RemoveViewFilesWhere(const std::optional<fs::path>& tempDir, Predicate remove) {
    if (!tempDir) {
        return;
    }
    std::error_code ec;
    for (fs::directory_iterator it(*tempDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(kViewPrefix) || !remove(name)) {
            continue;
        }
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::getuid()) {
            ::unlink(it->path().c_str());
        }
    }
}

std::span<const std::uint8_t> BytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
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

Status ExportAssignList(const ControlMap& map, const fs::path& target) {
    return SaveBytesSafely(target.string(), BytesOf(AssignListHtml(map)));
}

int ViewAssignList(const ControlMap& map, DocumentOpener* opener,
                   const std::optional<fs::path>& tempDir, Reporter& reporter, fs::path* written) {
    if (!tempDir) {
        // No temporary folder to write the file in: said, as a failed creation there is.
        reporter.warn(StringId::TempFileError, CauseFileNotFound);
        return -1;
    }
    // The editor's process and a random number: a file of this View alone, which no other View
    // (of this or another editor) rewrites while the browser is still reading it, and which
    // the editor removes when it ends (or the next editor, when it did not end normally).
    std::random_device random;
    fs::path file;
    const int fd = CreateFirstFreeFile(
        [&](unsigned) {
            return *tempDir /
                   (OwnViewPrefix() + Hex(static_cast<std::uint32_t>(random())) +
                    Hex(static_cast<std::uint32_t>(random())) + std::string(kViewSuffix));
        },
        kNameAttempts, 0600, TakenName::Fail, file);
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

void RemoveOwnViewFiles(const std::optional<fs::path>& tempDir) {
    const std::string own = OwnViewPrefix();
    RemoveViewFilesWhere(tempDir, [&](const std::string& name) {
        return name.size() == kViewNameSize && name.starts_with(own) && name.ends_with(kViewSuffix);
    });
}

void RemoveViewFilesOfEndedEditors(const std::optional<fs::path>& tempDir) {
    RemoveViewFilesWhere(tempDir,
                         [](const std::string& name) { return IsViewFileOfEndedEditor(name); });
}

} // namespace kel

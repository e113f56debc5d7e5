// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/listfile.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <span>
#include <string>
#include <system_error>

#include <fcntl.h>
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

int ExportAssignList(const ControlMap& map, const fs::path& target, Reporter& reporter) {
    const SafeSaveResult saved = SaveBytesSafely(target.string(), BytesOf(AssignListHtml(map)));
    if (saved.status == SafeSaveStatus::CannotOverwrite) {
        reporter.warnFile(StringId::CannotOverwrite, 0, target.string());
        return -1;
    }
    if (!saved.Ok()) {
        reporter.warnFile(StringId::SaveError, saved.cause, target.string());
        return -1;
    }
    return 0;
}

int ViewAssignList(const ControlMap& map, DocumentOpener* opener,
                   const std::optional<fs::path>& tempDir, Reporter& reporter, fs::path* written) {
    if (!tempDir) {
        return -1;
    }
    // "_keltmp" and a random number: a file of this View alone, which no other View (of this
    // or another editor) rewrites while the browser is still reading it.
    std::random_device random;
    fs::path file;
    const int fd = CreateFirstFreeFile(
        [&](unsigned) {
            return *tempDir / ("_keltmp" + Hex(static_cast<std::uint32_t>(random())) +
                               Hex(static_cast<std::uint32_t>(random())) + ".htm");
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

} // namespace kel

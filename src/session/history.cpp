// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/history.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>

#include "files/fileio.h"
#include "files/mapfile.h"
#include "model/appname.h"
#include "model/reporter.h"

namespace kel {

namespace {

namespace fs = std::filesystem;

constexpr const char* kMapSuffix = ".mid";
constexpr const char* kSidecarSuffix = ".txt";

// An entry's name taken apart: "YYYYMMDD-HHMMSS-DIRECTION[-N].mid".
struct EntryName {
    std::string stamp; // "YYYYMMDD-HHMMSS"
    HistoryDirection direction = HistoryDirection::Received;
    unsigned number = 1; // 1 without a "-N"
    std::string stem;    // the name without ".mid"
    // When the map was written: it orders a received and a transmitted entry of one second.
    std::filesystem::file_time_type written{};

    bool operator<(const EntryName& other) const {
        if (stamp != other.stamp) {
            return stamp < other.stamp;
        }
        if (written != other.written) {
            return written < other.written;
        }
        if (number != other.number) {
            return number < other.number;
        }
        return stem < other.stem;
    }
};

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<EntryName> ParseEntryName(std::string_view name) {
    const std::string_view suffix = kMapSuffix;
    if (name.size() <= suffix.size() || !name.ends_with(suffix)) {
        return std::nullopt;
    }
    EntryName entry;
    std::string_view stem = name.substr(0, name.size() - suffix.size());
    entry.stem = std::string(stem);
    if (stem.size() < 16 || !AllDigits(stem.substr(0, 8)) || stem[8] != '-' ||
        !AllDigits(stem.substr(9, 6)) || stem[15] != '-') {
        return std::nullopt;
    }
    entry.stamp = std::string(stem.substr(0, 15));
    std::string_view rest = stem.substr(16);
    for (const HistoryDirection direction :
         {HistoryDirection::Received, HistoryDirection::Transmitted}) {
        const std::string_view word = HistoryDirectionName(direction);
        if (!rest.starts_with(word)) {
            continue;
        }
        std::string_view tail = rest.substr(word.size());
        if (tail.empty()) {
            entry.direction = direction;
            return entry;
        }
        if (tail[0] != '-' || !AllDigits(tail.substr(1)) || tail.size() > 6) {
            return std::nullopt;
        }
        entry.direction = direction;
        entry.number =
            static_cast<unsigned>(std::strtoul(std::string(tail.substr(1)).c_str(), nullptr, 10));
        return entry;
    }
    return std::nullopt;
}

// The entries of `folder` by name, oldest first.
std::vector<EntryName> EntryNames(const fs::path& folder) {
    std::vector<EntryName> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (std::optional<EntryName> name = ParseEntryName(it->path().filename().string())) {
            std::error_code timeError;
            name->written = it->last_write_time(timeError);
            names.push_back(std::move(*name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadSmallFile(const fs::path& path) {
    const Result<int> opened = OpenRegularFile(path);
    if (!opened) {
        return {};
    }
    const int fd = *opened;
    std::vector<std::uint8_t> bytes;
    ReadUpTo(fd, 4096, bytes);
    ::close(fd);
    return std::string(bytes.begin(), bytes.end());
}

// The port the sidecar of an entry of `direction` names ("DIRECTION<TAB>PORT\n"); nullopt when
// the sidecar is there but not that one line (cut off, overwritten, another entry's), so that
// no stray bytes are taken for a port. A missing sidecar names no port.
std::optional<std::string> SidecarPort(const fs::path& path, HistoryDirection direction) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) {
        return std::string();
    }
    const std::string text = ReadSmallFile(path);
    const std::string head = std::string(HistoryDirectionName(direction)) + '\t';
    if (text.rfind(head, 0) != 0 || text.back() != '\n' ||
        text.find_first_of(std::string_view("\n\0", 2), head.size()) != text.size() - 1) {
        return std::nullopt;
    }
    return text.substr(head.size(), text.size() - head.size() - 1);
}

std::string ShownTime(const std::string& stamp) {
    // "YYYYMMDD-HHMMSS" → "YYYY-MM-DD HH:MM:SS"
    return stamp.substr(0, 4) + '-' + stamp.substr(4, 2) + '-' + stamp.substr(6, 2) + ' ' +
           stamp.substr(9, 2) + ':' + stamp.substr(11, 2) + ':' + stamp.substr(13, 2);
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        return home;
    }
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) {
        return user->pw_dir;
    }
    return {};
}

} // namespace

const char* HistoryDirectionName(HistoryDirection direction) {
    return direction == HistoryDirection::Received ? "received" : "transmitted";
}

std::string UserDataFolder() {
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
        base = data;
    } else {
        const std::string home = HomeFolder();
        if (home.empty()) {
            return {};
        }
        base = home + "/.local/share";
    }
    while (base.size() > 1 && base.back() == '/') {
        base.pop_back();
    }
    return base + '/' + kOrganisationName + '/' + kApplicationName;
}

std::string HistoryFolder() {
    if (const char* folder = std::getenv(kHistoryFolderVariable);
        folder != nullptr && folder[0] != '\0') {
        return folder;
    }
    const std::string data = UserDataFolder();
    return data.empty() ? std::string() : data + "/history";
}

namespace {

// A failure of writing an entry as a file error cause: a write-protected name (a numbered
// message) is access denied, as the history tells every failure by its cause.
Failure CauseFailure(const Failure& failure) {
    return MessageOf(failure) ? FileFailure(CauseAccessDenied) : FileFailure(failure.cause);
}

} // namespace

Result<std::string> AddToHistory(const std::string& folder, CParameter& document,
                                 HistoryDirection direction, const std::string& port, int cap,
                                 std::time_t now) {
    if (folder.empty()) {
        return FileFailure(CauseBadPath);
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        return FileFailure(FileErrorCauseOf(ec.value()));
    }
    std::tm local{};
    char stamp[32] = {};
    if (::localtime_r(&now, &local) == nullptr ||
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local) == 0) {
        return FileFailure(CauseGeneric);
    }
    const std::string base = std::string(stamp) + '-' + HistoryDirectionName(direction);
    // The map claims the name: it takes the first name no file has, whole or not at all, so
    // two writers never share an entry and an entry whose sidecar was lost keeps its map.
    const Result<std::string> written = SaveMapDocumentAsNewFile(
        [&](unsigned attempt) {
            return fs::path(folder) /
                   (base + (attempt == 0 ? std::string() : '-' + std::to_string(attempt + 1)) +
                    kMapSuffix);
        },
        1000, document);
    if (!written) {
        return CauseFailure(written.Error());
    }
    const fs::path map = *written;
    // The sidecar of the name is this entry's: one left behind by an entry that is gone is
    // replaced.
    fs::path sidecar = map;
    sidecar.replace_extension(kSidecarSuffix);
    const std::string line = std::string(HistoryDirectionName(direction)) + '\t' + port + '\n';
    if (const Status saved = SaveBytesSafely(
            sidecar.string(),
            std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
        !saved) {
        fs::remove(map, ec);
        return CauseFailure(saved.Error());
    }

    // The oldest entries beyond the cap go, never the one just written.
    const std::vector<EntryName> names = EntryNames(folder);
    const std::size_t keep = static_cast<std::size_t>(std::max(cap, 1));
    const std::string stem = map.stem().string();
    std::size_t excess = names.size() > keep ? names.size() - keep : 0;
    for (const EntryName& name : names) {
        if (excess == 0) {
            break;
        }
        if (name.stem == stem) {
            continue;
        }
        fs::remove(fs::path(folder) / (name.stem + kMapSuffix), ec);
        fs::remove(fs::path(folder) / (name.stem + kSidecarSuffix), ec);
        --excess;
    }
    return map.string();
}

std::vector<HistoryEntry> ListHistory(const std::string& folder, std::size_t limit) {
    std::vector<HistoryEntry> entries;
    std::vector<EntryName> names = EntryNames(folder);
    std::reverse(names.begin(), names.end());
    for (const EntryName& name : names) {
        if (entries.size() >= limit) {
            break;
        }
        HistoryEntry entry;
        const fs::path map = fs::path(folder) / (name.stem + kMapSuffix);
        entry.path = map.string();
        entry.time = ShownTime(name.stamp);
        entry.direction = name.direction;
        const std::optional<std::string> port =
            SidecarPort(fs::path(folder) / (name.stem + kSidecarSuffix), name.direction);
        entry.port = port.value_or(std::string());
        entry.portDamaged = !port;
        CParameter document;
        if (const Status read = ReadMapFile(entry.path, ControlMapKind, document); !read) {
            entry.damaged = true;
            entry.reason = read.Error();
        } else {
            entry.title = document.GetTitle();
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// Scratch folders for the tests: made fresh in the temporary folder and removed with all they
// hold, so that a test program leaves nothing behind.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace kel::test {

// A new folder, readable by the user only, named `prefix` and six random characters, in the
// temporary folder (TMPDIR, else /tmp); empty when none could be made.
inline std::filesystem::path MakeScratchFolder(std::string_view prefix) {
    std::error_code ec;
    std::string pattern =
        (std::filesystem::temp_directory_path(ec) / (std::string(prefix) + "XXXXXX")).string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern;
}

// Removes `folder` with all its content, also folders in it that a test left without write or
// search permission. Links are removed, never followed.
inline void RemoveScratchFolder(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    if (folder.empty()) {
        return;
    }
    std::error_code ec;
    std::error_code ignored;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink(ignored) && it->is_directory(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::remove_all(folder, ignored);
}

} // namespace kel::test

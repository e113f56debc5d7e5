// SPDX-License-Identifier: GPL-3.0-or-later
// In the browser the program is the only writer of its file system, and that file system has
// neither an exclusive rename nor hard links: a name that is free when looked at is still free
// when the rename comes.
#include "files/renamefree.h"

#include <cerrno>
#include <cstdio>

#include <sys/stat.h>

namespace kel {

int RenameUnlessTaken(const std::string& from, const std::filesystem::path& to) {
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) {
        return EEXIST;
    }
    if (errno != ENOENT) {
        return errno;
    }
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

} // namespace kel

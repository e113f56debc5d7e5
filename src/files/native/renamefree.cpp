// SPDX-License-Identifier: GPL-3.0-or-later
// On Linux another process may take the name at any moment: the rename itself refuses a taken
// name, so that of two writers exactly one gets it.
#include "files/renamefree.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace kel {

int RenameUnlessTaken(const std::string& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // A file system that cannot rename without replacing: a second link takes the name just as
    // exclusively, and the temporary name goes after it.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    ::unlink(from.c_str());
    return 0;
}

} // namespace kel

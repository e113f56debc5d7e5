// SPDX-License-Identifier: GPL-3.0-or-later
// Giving a finished file a name only while nothing has that name. The way differs by the system
// the core runs on: the native build compiles files/native/renamefree.cpp, the WebAssembly build
// files/browser/renamefree.cpp.
#pragma once

#include <filesystem>
#include <string>

namespace kel {

// Gives the finished file `from` the name `to` unless something (a file, a directory, a link,
// even a dangling one) has that name already: then EEXIST, and nothing is replaced. Returns 0 or
// the errno of the failure; on a failure `from` is kept.
int RenameUnlessTaken(const std::string& from, const std::filesystem::path& to);

} // namespace kel

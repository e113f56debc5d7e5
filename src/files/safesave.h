// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a file so that an existing one is replaced only by a complete new one: the content
// goes into a new temporary file beside the target, is flushed to the disk, and is then renamed
// onto the target. Control map files and system-exclusive files are saved this way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include <sys/types.h>

#include "model/result.h"

namespace kel {

// A save fails with MessageFailure(StringId::CannotOverwrite) when the target exists and is
// write-protected (nothing is written then), and otherwise with FileFailure(cause), the file
// error cause (FileErrorCause).

// Writes `bytes` as the whole content of `path` through a new temporary file beside it, which
// is flushed to the disk and then renamed onto `path`.
//
// An empty path, and a file name longer than its folder allows, fail with CauseBadPath; a
// directory, pipe or device with CauseAccessDenied.
// Saving through a symbolic link replaces the file it points to, or creates it when it does not
// exist yet, and keeps the link; the new file takes over the permissions of the one it replaces.
// The temporary file is created exclusively under an unpredictable name
// (".NAME_tmpbulk.PID-STARTTIME-NAMESPACE.RANDOM": the writer's process id, start time and
// process id namespace) and is removed again after any failure; the target is then unchanged.
// Before it, the save removes the temporary files in the target's folder whose writers are
// gone (killed during a save), and never one whose writer may still run.
Status SaveBytesSafely(const std::string& path, std::span<const std::uint8_t> bytes);
// The same for content in `pieces`, written one after the other.
Status SaveBytesSafely(const std::string& path,
                       std::span<const std::span<const std::uint8_t>> pieces);

// Writes `pieces` as a new file under the first of the names `nameOf(0)`, `nameOf(1)`, ... (at
// most `attempts` of them, all in one folder) that nothing has, and gives that name. The content
// goes into a temporary file beside them as with SaveBytesSafely, is flushed, and then takes the
// name only while the name is free: a file, directory or link (even a dangling one) at a name is
// never replaced, and the file appears complete or not at all, also when another process writes
// under the same names at once. Every name taken fails with CauseAccessDenied.
Result<std::string>
SaveBytesAsNewFile(const std::function<std::filesystem::path(unsigned attempt)>& nameOf,
                   unsigned attempts, std::span<const std::span<const std::uint8_t>> pieces);

// Whether SaveBytesSafely could save `size` bytes to `path` now, with the result it would give:
// the same checks of the target and its name, a temporary file created beside it and removed
// again, room for `size` bytes on its file system and under the process's file size limit.
// Nothing else is changed.
Status CheckSafeSave(const std::string& path, std::uintmax_t size = 0);

// When the process `pid` started, in clock ticks after the system's start (the 22nd field of its
// /proc stat line); nothing when no such process runs or it cannot be read. With the process id
// it names a writer in the names of files that a later run may clean up.
std::optional<std::uint64_t> ProcessStartTime(pid_t pid);
// Whether the process `pid` that started at `start` (0: not known) has certainly ended: no
// process has its id, or the one that has started at another time (the id was used again). A
// process that cannot be looked at, or whose start is not known while its id runs, has not.
bool ProcessHasEnded(pid_t pid, std::uint64_t start);

} // namespace kel

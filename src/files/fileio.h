// SPDX-License-Identifier: GPL-3.0-or-later
// Plain file access shared by every file the programs read and write: the cause numbers that
// file messages show, writing a whole content, creating a new file exclusively, and reading a
// whole file up to a size limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

#include <sys/types.h>

#include "model/result.h"

namespace kel {

// File error cause numbers, as the "(%d)" of the file messages shows them.
enum FileErrorCause : int {
    CauseNone = 0,
    CauseGeneric = 1,
    CauseFileNotFound = 2,
    CauseBadPath = 3,
    CauseTooManyOpenFiles = 4,
    CauseAccessDenied = 5,
    CauseInvalidFile = 6,
    CauseRemoveCurrentDir = 7,
    CauseDirectoryFull = 8,
    CauseBadSeek = 9,
    CauseHardIo = 10,
    CauseSharingViolation = 11,
    CauseLockViolation = 12,
    CauseDiskFull = 13,
    CauseEndOfFile = 14,
    CauseSymlinkLoop = 15, // symbolic links that lead back to each other (or too many of them)
};

// The cause number for a system error number (`errno`).
int FileErrorCauseOf(int err);

// Writes all of `bytes` to `fd`, flushes them to the disk when `sync` is set, and closes `fd`,
// also after a failure. Returns 0, or the errno of the first failure (an interrupted close is
// no failure). A write beyond the process's file size limit fails with EFBIG instead of ending
// the program.
int WriteAndClose(int fd, std::span<const std::uint8_t> bytes, bool sync);
// The same for content in `pieces`, written one after the other.
int WriteAndClose(int fd, std::span<const std::span<const std::uint8_t>> pieces, bool sync);

// What creating a new file does when its name is already taken.
enum class TakenName {
    Fail,           // fail with EEXIST
    ReplaceOwnFile, // remove a file or link of this user's left there by an earlier run, once
};

// Creates `path` as a new, empty file with `mode`, open for writing: exclusively, never
// through a link and never reusing an existing file. With ReplaceOwnFile a file or link this
// user owns at the name is removed first (in a shared temporary directory nobody else can
// remove or replace it); anything else keeps the name taken. Returns the descriptor, or -1
// with errno set (EEXIST when the name stays taken).
int CreateNewFile(const std::filesystem::path& path, mode_t mode, TakenName taken);

// Creates the first of the names `nameOf(0)`, `nameOf(1)`, ... (at most `attempts` of them)
// that CreateNewFile can create, and stores it in `created`. Stops at the first failure other
// than a taken name. Returns the descriptor, or -1 with errno set.
int CreateFirstFreeFile(const std::function<std::filesystem::path(unsigned attempt)>& nameOf,
                        unsigned attempts, mode_t mode, TakenName taken,
                        std::filesystem::path& created);

// Opens `path` for reading without waiting on it: a FIFO without a writer or a device cannot
// block the open. Only a regular file is kept open; anything else is closed again and refused
// (a directory as EISDIR's cause; a FIFO, socket or device with CauseAccessDenied, the failure
// then saying that it is not a regular file). Gives the descriptor, or the FileFailure.
Result<int> OpenRegularFile(const std::filesystem::path& path);

// Temporary files this process has created beside a file it is writing and not yet renamed or
// removed. Whatever is still registered is removed when the process exits normally and, once
// RemoveTempFilesOnSignals was called, when SIGINT or SIGTERM ends it. At most a few are
// registered at a time; registering fails (false) when all places are taken.
bool RegisterTempFile(const std::filesystem::path& path);
void ForgetTempFile(const std::filesystem::path& path);
// Removes every registered temporary file (safe to call from a signal handler).
void RemoveTempFiles();
// Installs handlers for SIGINT and SIGTERM that remove the registered temporary files and then
// end the process by the same signal, as it would have ended without them.
void RemoveTempFilesOnSignals();

// Reads `fd` to its end, but at most `limit` bytes, into `bytes` (a pipe is read until its
// writer closes it). Returns 0, or the errno of a failed read.
int ReadUpTo(int fd, std::size_t limit, std::vector<std::uint8_t>& bytes);

} // namespace kel

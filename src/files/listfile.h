// SPDX-License-Identifier: GPL-3.0-or-later
// The assignment list as a file: written to a file the user names (Export) or to a temporary
// file opened in the user's browser (View).
#pragma once

#include <filesystem>
#include <optional>

#include "model/assign.h"
#include "model/reporter.h"
#include "model/result.h"

namespace kel {

// Hands a local file to the user's browser (the desktop's "open" action).
class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    // Returns 0 when the browser was started, otherwise the failure code that the message
    // "Failed to start up HTML browser. (%d)" shows (-1 when the platform gives none).
    virtual int OpenDocument(const std::filesystem::path& file) = 0;
};

// The user's temporary directory, or nothing when there is none.
std::optional<std::filesystem::path> UserTempDirectory();

// Writes the list to `path`, creating or truncating it. Returns 0, or -1 after reporting
// 32808 (cannot create) or 32805 (write failed) with the file error cause.
int WriteAssignList(const ControlMap& map, const std::filesystem::path& path, Reporter& reporter);

// The Export command after the user chose `target`: writes the list as map saves write a map
// (SaveBytesSafely): into a new temporary file beside the target, renamed onto it once complete,
// so an existing list survives any failure. Fails as SaveBytesSafely does (a directory, FIFO
// or device with CauseAccessDenied); the host tells it as a save's failure
// (ReportFileFailure with 32805).
Status ExportAssignList(const ControlMap& map, const std::filesystem::path& target);

// The View command: writes the list to a newly created "_keltmp<hex>.htm" in `tempDir`
// (the hex digits: the editor's process id and start time, then a random number), readable by
// the user alone, and hands it to `opener`. Returns 0 or -1; without an opener -1
// without a message. Without a temporary folder it reports 32808 with CauseFileNotFound. When
// `written` is given it receives the file's path.
int ViewAssignList(const ControlMap& map, DocumentOpener* opener,
                   const std::optional<std::filesystem::path>& tempDir, Reporter& reporter,
                   std::filesystem::path* written = nullptr);
int ViewAssignList(const ControlMap& map, DocumentOpener* opener, Reporter& reporter);

// Removes the View files this process wrote in `tempDir` (the editor's Exit).
void RemoveOwnViewFiles(const std::optional<std::filesystem::path>& tempDir = UserTempDirectory());
// Removes the View files in `tempDir` of editors that have ended without removing them (killed,
// crashed): only those whose process is provably gone. Files of a running editor, of another
// user, or of an older name are kept.
void RemoveViewFilesOfEndedEditors(
    const std::optional<std::filesystem::path>& tempDir = UserTempDirectory());

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and saving one control map file, for every reader and writer of map files (the
// editor's file commands, kelmap, the simulator).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "files/safesave.h"
#include "model/bulk.h"
#include "model/parameter.h"
#include "model/reporter.h"

namespace kel {

// The most of a map file that is read, so that a huge file costs bounded time and memory: the
// parse of a file that needs more ends there, as that of a cut-off file does. What the parse
// passes over (texts beyond their limits, foreign events) is skipped, not read, and does not
// count, and neither does a copyright text, which is read whole up to a limit of its own
// (kCopyrightLimit). A file the editor writes is at most about 14 KB (every title and comment at
// its longest) plus a copyright text taken over.
inline constexpr std::size_t kMapFileLimit = 4 * 1024 * 1024;

// Opens `path` and reads it as a file of `kind` into `document` (CSmfCtrl::ReadFrom). Fails with
// FileFailure(cause) when the file cannot be opened or read (also when memory runs out), or
// with the parse's MessageFailure; the document is then partly filled and the caller resets it.
// Only a regular file is read: a directory, FIFO, socket or device gives CauseAccessDenied at
// once, without waiting for a writer or for data. A host tells the failure with
// ReportFileFailure(reporter, failure, StringId::LoadError, path).
Status ReadMapFile(const std::string& path, MessageSetKind kind, CParameter& document);

// Writes `document` as a control map file to `path` through SaveBytesSafely; the copyright text
// goes from the document to the file without a copy. A copyright text longer than
// kCopyrightLimit fails with CauseInvalidFile before anything is written.
Status SaveMapDocument(const std::string& path, CParameter& document);

// Writes `document` as a new control map file under the first free one of the names `nameOf(0)`,
// `nameOf(1)`, ... (at most `attempts`, all in one folder) through SaveBytesAsNewFile: nothing at
// a name is replaced, and the file appears complete or not at all. Gives the name.
Result<std::string>
SaveMapDocumentAsNewFile(const std::function<std::filesystem::path(unsigned attempt)>& nameOf,
                         unsigned attempts, CParameter& document);

// Whether SaveMapDocument(path, document) could save the map now, as CheckSafeSave tells,
// with room for the whole file. Nothing is written.
Status CheckMapDocumentSave(const std::string& path, CParameter& document);

// Keeps a map that could not be saved to `path`: writes it as a new file "STEM-N.mid" (the first
// N from 1 that is free) in the folder of `path`, or else in the temporary folder, and gives
// that file's name. Never replaces a file. The cause of the last failure when neither folder
// takes it.
Result<std::string> SaveMapDocumentNearby(const std::string& path, const std::string& stem,
                                          CParameter& document);

} // namespace kel

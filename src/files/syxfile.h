// SPDX-License-Identifier: GPL-3.0-or-later
// System-exclusive (".syx") files: the raw bytes of MIDI system-exclusive messages, one after
// the other, as generic librarians store and send them. A control map is written as its 50
// bulk messages in controller order, exactly what a transmit sends after the mode message.
//
// Reading is tolerant of what such files carry besides: other system-exclusive messages
// (including the transmit and receive mode messages and memory set messages), short messages
// (with running status) and realtime bytes are skipped. It is strict about the control map:
// all 50 controls must be there, each bulk message must be intact, and a control may appear
// more than once only with the same record every time (a librarian that stored a dump twice);
// two different records for one control are refused rather than guessed between.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/bulk.h"
#include "model/parameter.h"
#include "model/result.h"

namespace kel {

// Files above this size are refused unread (a control map's file is 7050 bytes).
inline constexpr std::size_t kSyxFileLimit = 1024 * 1024;

// Why a file was not read as a control map: the `cause` of the failure, its text the reason in
// words.
enum class SyxError {
    CannotRead = 1, // the file cannot be opened or read
    Empty,          // no bytes at all
    TooLarge,       // above kSyxFileLimit
    NotSysEx,       // bytes that are no MIDI message (or a Standard MIDI File)
    Truncated,      // a message is cut off at the end of the file
    Damaged,        // a KEL bulk message with a wrong length, address or checksum
    Conflict,       // two different records for one control
    NoBulkMessages, // nothing of a KEL control map in the file
    Missing,        // some of the 50 controls are missing
};

struct SyxImport {
    RecordTable records{};    // the 50 records as stored in the file (twins unfolded)
    int foreignMessages = 0;  // messages skipped as not belonging to the map
    int repeatedMessages = 0; // identical repeats of a control's bulk message
};

// The 50 bulk messages of `records`, in controller order (50 x 141 bytes).
std::vector<std::uint8_t> BuildSyxImage(const RecordTable& records);

// Writes the 50 bulk messages to `path` through a temporary file beside it, replacing an
// existing file only once the new one is complete. Fails as SaveBytesSafely does.
Status SaveSyxFile(const RecordTable& records, const std::string& path);

// Reads the bulk messages from the bytes of a .syx file. A failure names what is wrong with the
// file (the controls missing, the offset of a damaged message) and has its SyxError as cause.
Result<SyxImport> ParseSyxImage(std::span<const std::uint8_t> bytes);

// Reads a .syx file (at most kSyxFileLimit bytes). Only a regular file is read: a FIFO, socket
// or device is refused at once, without waiting for a writer or for data.
Result<SyxImport> LoadSyxFile(const std::string& path);

// Makes `records` the document's map as a new, untitled one: title, comments and copyright
// emptied, twin codes folded, the selected control reloaded, and the map marked modified (it
// has not been saved as a control map file).
void ApplySyxRecords(CParameter& document, const RecordTable& records);

} // namespace kel

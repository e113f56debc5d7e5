// SPDX-License-Identifier: GPL-3.0-or-later
// The device's history: every completed Receive keeps what the device had, every completed
// Transmit what it got, as an ordinary control map file in the history folder, so that a
// transmit that overwrote the device's memory can be undone by transmitting the entry before it.
//
// An entry is "YYYYMMDD-HHMMSS-received.mid" or "YYYYMMDD-HHMMSS-transmitted.mid" (local time;
// "-2", "-3" ... added when two transfers end within one second), written by SaveMapDocument,
// and beside it a sidecar "….txt" of the same stem that names the direction and the port:
//   "received<TAB>PORT\n"
// The map takes its name first, only while no file has it (SaveMapDocumentAsNewFile), so the
// editor and kelmap writing at once never take the same name and no entry is ever replaced,
// also one whose sidecar is missing; a sidecar left without its map is replaced by the new
// entry's. The oldest entries beyond the cap are removed with their sidecars.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "model/parameter.h"
#include "model/result.h"

namespace kel {

enum class HistoryDirection { Received, Transmitted };

// "received" / "transmitted", as the file names and `kelmap history` say.
const char* HistoryDirectionName(HistoryDirection direction);

// The number of entries kept when the user has not chosen one.
inline constexpr int kDefaultHistorySize = 500;

// The environment variable that points the editor and kelmap at another history folder.
inline constexpr const char* kHistoryFolderVariable = "KEL_HISTORY_DIR";

// The folder the editor keeps its data in, as Qt's AppDataLocation names it for the editor's
// organisation and application: $XDG_DATA_HOME (an absolute path), else $HOME/.local/share,
// followed by "/" kOrganisationName "/" kApplicationName. Empty when no home is known.
std::string UserDataFolder();
// The history folder: $KEL_HISTORY_DIR when set, else UserDataFolder() + "/history".
std::string HistoryFolder();

struct HistoryEntry {
    std::string path; // the map file
    std::string time; // "2026-12-08 19:14:48", the local time of the transfer
    HistoryDirection direction = HistoryDirection::Received;
    std::string port; // the port of the transfer; empty when its sidecar is missing or damaged
    bool portDamaged = false; // the sidecar is there but not the one line it is written as
    std::string title;        // the map's title
    bool damaged = false;
    Failure reason; // why a damaged entry cannot be read: ReadMapFile's failure
};

// Adds `document` as an entry of `folder` (created when missing, with its parents), then
// removes the oldest entries beyond `cap` (at least 1). `now` names the entry. Never throws; a
// folder that cannot be created or written gives its file error cause (`FileFailure`), and
// nothing is removed. The path of the entry written otherwise.
Result<std::string> AddToHistory(const std::string& folder, CParameter& document,
                                 HistoryDirection direction, const std::string& port, int cap,
                                 std::time_t now);

// The entries of `folder`, newest first, at most `limit`. A file whose name is no entry's is
// passed over; an entry that cannot be read is listed damaged with the reason. A missing folder
// has no entries.
std::vector<HistoryEntry> ListHistory(const std::string& folder,
                                      std::size_t limit = static_cast<std::size_t>(-1));

} // namespace kel

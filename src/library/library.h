// SPDX-License-Identifier: GPL-3.0-or-later
// The library: an index of the control map files of a folder (subfolders included) and its
// search, shared by the editor's Library dock and `kelmap find`.
//
// The index is one SQLite file in the user's cache folder, in WAL mode with a busy timeout, so
// that the editor and kelmap read and refresh it at once. It holds for every map file its path,
// size and modification time (a refresh reads a file again only when one of them changed), the
// title, the 50 comments and the 50 records, or, for a file that cannot be read as a map, the
// reason, and a hash of its bytes (a file put back with the same size and time, as `cp -p` and
// `rsync -a` do, is read again when its inode or status change time moved and its bytes
// differ). A damaged index file, or one of another layout, is removed and made anew, once for
// all the programs that meet it at once: the index is only a cache of the files. The folders
// refreshed are remembered, and the maps of one that is no longer there (renamed, removed) are
// forgotten at the next refresh of any folder.
//
// Search. Each map has rows in an FTS5 table: one for its title and file name, and one for each
// control that is assigned or has a comment. A control's row has two columns:
//   text  the label the panel shows ("CC 74:16"), the kind's name ("Control Change"), the names
//         of its numbers but its notes ("Brightness", a General MIDI program) and its comment;
//   tags  the words an assignment is searched by: the kind's word ("cc", "nrpn", "bankpc"),
//         the word with each number the label shows ("cc74", "nt64", "np1", "pc5"), the kind's
//         word with its first number ("note64"), the label's words ("cc", "np", "sysex"), the
//         channel ("ch2") and each note it sends ("#note60").
// A query is split into terms at blanks; every term must match (AND), however many there are:
//   - a word of an assignment followed by a number ("CC 74", "ch 2", "NT 64", "CC74") matches
//     the controls with that tag;
//   - a note's name ("C3", "F#-1", "Db4") matches the controls sending that note, named with
//     middle C (note 60) in the octave the searcher chose, and the words it begins;
//   - the name of a control ("S1", "BEND") restricts the other terms to that control (several
//     names: to any of them); a query of control names alone searches them as words, since
//     "C3" is a note too;
//   - any other word matches by its beginning ("bright" finds Brightness) in the text and tags
//     of a control, or in the map's title and file name.
// A term found in the title or file name holds for every control of the map. A map matches when
// at least one control matches every term; its matching controls are listed, unless every term
// was found in its title (then none is). An empty query lists every map.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "model/assign.h"
#include "model/midinames.h"
#include "model/phrase.h"
#include "model/result.h"
#include "model/strings.h"

namespace kel {

// The index file every program uses: $XDG_CACHE_HOME (or ~/.cache) / kOrganisationName /
// kApplicationName / library.sqlite, the editor's own cache folder.
std::string DefaultLibraryCacheFolder();
std::string DefaultLibraryIndexPath();
// An index held in memory alone, for a user whose cache folder cannot be written: every
// refresh then reads all the files.
inline constexpr const char* kMemoryIndex = ":memory:";

// Why a file of the library is not a readable map: the message a read reports (32806 "An error
// occurred while loading the file" with a file error cause, or 32819 "not a KEL control map"
// ...) and the cause (0 when the message has none).
struct UnreadableReason {
    StringId message = StringId::LoadFailed;
    int cause = 0;
};
// The reason as a text: the cause in words when there is one, else the message; the editor
// shows it translated, kelmap in English (EnglishReason).
Phrase ReasonPhrase(const UnreadableReason& reason);
std::string EnglishReason(const UnreadableReason& reason);

// One map of the library, as a listing or a search gives it.
struct LibraryEntry {
    std::string path;  // absolute
    std::string title; // empty for an unreadable file
    std::int64_t size = 0;
    std::int64_t mtime = 0; // modification time, nanoseconds since 1970
    bool readable = true;
    UnreadableReason reason;           // when not readable
    std::vector<ControllerId> matches; // the controls the query matched, in panel order
};

// A folder below the one refreshed that could not be listed, and why (a file error cause).
// The maps the index holds under it are kept as they were: they were not looked at.
struct UnreadFolder {
    std::string path;
    int cause = 0;
};

// How a refresh went.
struct RefreshResult {
    int cause = 0; // a file error cause when the folder cannot be listed (nothing changed then)
    bool indexFailed = false;         // the index could not be written (it stays as it was)
    std::size_t files = 0;            // map files found
    std::size_t read = 0;             // of them read again (new or changed)
    std::size_t removed = 0;          // entries of files no longer there
    std::vector<UnreadFolder> unread; // subfolders that could not be listed
};

// Told during a refresh: how many of the files to read are done.
using RefreshProgress = std::function<void(std::size_t done, std::size_t total)>;

class CLibraryIndex {
public:
    // Opens the index at `indexPath`, creating it and its folder when missing. A file that is
    // not a usable index is removed and made anew. Never throws; Ok() tells whether an index is
    // open (false only when not even a new one can be made there).
    explicit CLibraryIndex(std::string indexPath = DefaultLibraryIndexPath());
    ~CLibraryIndex();
    CLibraryIndex(const CLibraryIndex&) = delete;
    CLibraryIndex& operator=(const CLibraryIndex&) = delete;

    bool Ok() const;
    const std::string& IndexPath() const { return indexPath_; }

    // Brings the index up to date with the map files (*.mid, *.midi) under `folder`, its
    // subfolders included (links to folders are not followed): reads the new and changed
    // files, forgets the ones gone. A subfolder that goes away during the walk is gone with its
    // maps; one that cannot be listed for another reason is named in `unread`, and what the
    // index holds under it stays. A stop request ends it between two files, with what was read
    // so far kept and nothing forgotten.
    RefreshResult Refresh(const std::string& folder, const RefreshProgress& progress = {},
                          std::stop_token stop = {});

    // The maps under `folder` that match `query`, by path, naming notes with middle C in the
    // octave `middleC`. False when the index cannot be read; a damaged one is then made anew,
    // empty, for the next refresh. False too when another program made the index anew since
    // the last refresh through this object: the new one is open, for the next refresh.
    bool Search(const std::string& folder, std::string_view query, MiddleC middleC,
                std::vector<LibraryEntry>& entries);

    // The indexed title, comments and records of the map at `path` (no file is read); false
    // when it is not indexed or not readable.
    bool LoadMap(const std::string& path, ControlMap& map);

    // The folder as the index names it: absolute, without "." and "..", links resolved.
    static std::string FolderKey(const std::string& folder);

    // Called with each subfolder's path before a refresh lists it; a nonzero errno it returns
    // is taken as the folder's listing failing so (tests stand in for a failing disk with it).
    using FolderHook = std::function<int(const std::string& folder)>;
    void SetFolderHook(FolderHook hook) { folderHook_ = std::move(hook); }

private:
    struct Db;
    struct Walk;
    enum class Outcome { Done, Damaged, Replaced, Failed };
    bool Open();
    void Rebuild();
    bool ReopenIfReplaced();
    struct Identity {
        std::uint64_t generation = 0; // times made anew (kept beside it)
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
    };
    Identity IdentityNow() const;
    bool Replaced() const;
    Outcome Failure() const;
    Outcome Update(const std::string& key, Walk& walk, const RefreshProgress& progress,
                   std::stop_token stop, RefreshResult& result);
    void WalkFolder(int fd, const std::string& path, Walk& walk, std::stop_token stop);
    std::string indexPath_;
    std::unique_ptr<Db> db_;
    Identity identity_;       // the index file db_ has open
    bool refreshed_ = false;  // a refresh wrote into it
    bool damaged_ = false;    // the last Open failed on a damaged index
    bool rebuilding_ = false; // Rebuild holds the exclusive lock
    FolderHook folderHook_;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <system_error>
#include <unordered_map>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/fileio.h"
#include "files/mapfile.h"
#include "model/appname.h"
#include "model/kinds.h"
#include "model/labels.h"
#include "model/midinames.h"
#include "model/parameter.h"

namespace kel {

namespace fs = std::filesystem;

namespace {

// The layout of the index; an index of another layout is made anew.
constexpr int kIndexVersion = 4;
// Waits this long for another program's write before a step fails.
constexpr int kBusyTimeoutMs = 10000;
// Files read before they are written in one transaction: the write lock is held briefly.
constexpr std::size_t kBatchSize = 128;
// Rows of the search table of controls per map (row 0 is not used).
constexpr std::int64_t kRowsPerMap = 64;
// A file whose status changed less than this before a refresh looked at it may change again
// within the same tick of the file system's clock: its bytes are compared at the next refresh.
constexpr std::int64_t kSettledNs = 2'000'000'000;
// A refresh that meets a damaged or replaced index starts over on the new one this often.
constexpr int kRefreshAttempts = 3;
constexpr std::uint64_t kAllControls = (std::uint64_t{1} << kControllerCount) - 1;

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS maps(
    id INTEGER PRIMARY KEY,
    path TEXT NOT NULL UNIQUE,
    size INTEGER NOT NULL,
    mtime INTEGER NOT NULL,
    ctime INTEGER NOT NULL,
    inode INTEGER NOT NULL,
    hash INTEGER NOT NULL,
    checked INTEGER NOT NULL,
    readable INTEGER NOT NULL,
    reason INTEGER NOT NULL,
    cause INTEGER NOT NULL,
    title TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS content(
    id INTEGER PRIMARY KEY,
    comments BLOB NOT NULL,
    records BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS folders(
    path TEXT PRIMARY KEY);
CREATE VIRTUAL TABLE IF NOT EXISTS words USING fts5(tags, text,
    tokenize = "unicode61 remove_diacritics 2 tokenchars '#'");
CREATE VIRTUAL TABLE IF NOT EXISTS titles USING fts5(tags, text,
    tokenize = "unicode61 remove_diacritics 2 tokenchars '#'");
)";

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

// A kind's word as a tag: letters and digits only ("bank-pc" -> "bankpc").
std::string TagWord(std::string_view word) {
    std::string tag;
    for (char c : word) {
        if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
            tag += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return tag;
}

// The words a number follows in a query: the kinds' words, the labels' words and "ch".
const std::set<std::string>& PairWords() {
    static const std::set<std::string> words = [] {
        std::set<std::string> set = {"ch",  "channel", "nt",  "caf", "paf",
                                     "enc", "pc",      "bnk", "rp",  "np"};
        for (const AssignKind& kind : AssignKinds()) {
            set.insert(TagWord(kind.word));
        }
        return set;
    }();
    return words;
}

// The tags of a record (see the header).
std::string RecordTags(const AssignRecord& record, const AssignKind& kind,
                       const std::string& label) {
    std::string tags = TagWord(kind.word);
    for (const ValueField& value : kind.Values()) {
        if (value.labelled) {
            tags += ' ' + TagWord(kind.word) + std::to_string(value.Shown(record));
            break;
        }
    }
    // The label's words, and each with the number after it: "Bnk 1/2, PC 4:1" gives bnk,
    // bnk1, pc, pc4.
    std::string word;
    std::size_t i = 0;
    while (i < label.size()) {
        const auto c = static_cast<unsigned char>(label[i]);
        if (std::isalpha(c) != 0) {
            word.clear();
            while (i < label.size() && std::isalpha(static_cast<unsigned char>(label[i])) != 0) {
                word += static_cast<char>(std::tolower(static_cast<unsigned char>(label[i])));
                ++i;
            }
            tags += ' ' + word;
            while (i < label.size() && label[i] == ' ') {
                ++i;
            }
            std::string number;
            while (i < label.size() && std::isdigit(static_cast<unsigned char>(label[i])) != 0) {
                number += label[i++];
            }
            if (!number.empty()) {
                tags += ' ' + word + number;
            }
        } else {
            ++i;
        }
    }
    if (kind.channel) {
        tags += " ch" + std::to_string(record[rec::Channel] + 1);
    }
    for (const ValueField& value : kind.Values()) {
        if (value.labelled && value.name == ValueName::Note) {
            tags += " #note" + std::to_string(value.Shown(record));
        }
    }
    return tags;
}

// The names of a record's numbers but its notes: a note is found by its number through its
// tag, as its name depends on the octave the searcher numbers middle C in.
std::string NamesButNotes(const AssignRecord& record, const AssignKind& kind) {
    std::vector<std::string> notes;
    for (const ValueField& value : kind.Values()) {
        if (value.labelled && value.name == ValueName::Note) {
            notes.push_back(NoteName(value.Shown(record)));
        }
    }
    const std::string all = RecordNumberNames(record);
    if (notes.empty()) {
        return all;
    }
    std::string names;
    std::size_t at = 0;
    while (at <= all.size() && !all.empty()) {
        std::size_t end = all.find(", ", at);
        if (end == std::string::npos) {
            end = all.size();
        }
        const std::string name = all.substr(at, end - at);
        const auto note = std::find(notes.begin(), notes.end(), name);
        if (note != notes.end()) {
            notes.erase(note);
        } else if (!name.empty()) {
            names += (names.empty() ? "" : ", ") + name;
        }
        at = end + 2;
    }
    return names;
}

// The note a note's name stands for ("C3", "f#-1", "Db4") with middle C (note 60) in the
// octave `middleC`; -1 for any other word.
int NoteOfName(std::string_view word, MiddleC middleC) {
    static constexpr std::array<int, 7> kPitches = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (word.size() < 2) {
        return -1;
    }
    const int letter = std::tolower(static_cast<unsigned char>(word[0])) - 'a';
    if (letter < 0 || letter >= static_cast<int>(kPitches.size())) {
        return -1;
    }
    int pitch = kPitches[static_cast<std::size_t>(letter)];
    std::size_t at = 1;
    if (word[at] == '#') {
        ++pitch;
        ++at;
    } else if (word[at] == 'b' && at + 1 < word.size()) {
        --pitch;
        ++at;
    }
    const bool negative = at < word.size() && word[at] == '-';
    const std::string_view digits = word.substr(at + (negative ? 1 : 0));
    if (digits.empty() || digits.size() > 2 || !AllDigits(digits)) {
        return -1;
    }
    const int octave = (negative ? -1 : 1) * std::atoi(std::string(digits).c_str());
    const int lowest = middleC == MiddleC::C3 ? -2 : -1; // the octave of note 0
    const int note = pitch + 12 * (octave - lowest);
    return note >= 0 && note <= 127 ? note : -1;
}

std::string KindName(const AssignKind& kind) {
    return std::string(kind.type == MsgChannel ? ChannelKindName(kind.channelKind)
                                               : MessageTypeName(kind.type));
}

// The 50 comments as one value: each its length (4 bytes) and its bytes.
std::string PackComments(const std::array<std::string, kControllerCount>& comments) {
    std::string packed;
    for (const std::string& comment : comments) {
        const auto size = static_cast<std::uint32_t>(comment.size());
        for (int shift = 0; shift < 32; shift += 8) {
            packed += static_cast<char>((size >> shift) & 0xFF);
        }
        packed += comment;
    }
    return packed;
}

bool UnpackComments(std::string_view packed, std::array<std::string, kControllerCount>& comments) {
    std::size_t at = 0;
    for (std::string& comment : comments) {
        if (packed.size() - at < 4) {
            return false;
        }
        std::uint32_t size = 0;
        for (int k = 0; k < 4; ++k) {
            size |= std::uint32_t{static_cast<unsigned char>(packed[at + k])} << (8 * k);
        }
        at += 4;
        if (packed.size() - at < size) {
            return false;
        }
        comment.assign(packed.substr(at, size));
        at += size;
    }
    return true;
}

// The reason a failed read gives a file listed as unreadable: the message that refused its
// content, or 32806 with the file error cause.
UnreadableReason ReasonOf(const Failure& failure) {
    const FileMessage message = FileMessageOf(failure, StringId::LoadError);
    return {message.id, message.detail};
}

// What a refresh learned of one file, ready to be written.
struct ScannedFile {
    std::string path;
    std::int64_t size = 0;
    std::int64_t mtime = 0;
    std::int64_t ctime = 0;
    std::int64_t inode = 0;
    std::int64_t hash = 0;
    bool readable = false;
    UnreadableReason reason;
    ControlMap map;
};

bool HasMapExtension(const fs::path& path) {
    const std::string ext = Lower(path.extension().string());
    return ext == ".mid" || ext == ".midi";
}

// The paths below a folder key lie between these two: the key with '/' and with the character
// after it, '0' ("/" itself: every absolute path).
std::pair<std::string, std::string> PathsBelow(const std::string& key) {
    std::string first = key == "/" ? key : key + "/";
    std::string last = first;
    last.back() = '0';
    return {first, last};
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    return (folder == "/" ? folder : folder + "/") + std::string(name);
}

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

std::int64_t NowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

// A hash of the file's bytes (FNV-1a, 64 bits), of as many as a map is read by at most (a
// longer file is no map, or one with a long copyright text, which the index does not hold);
// false when it cannot be read.
bool HashFile(const std::string& path, std::int64_t& hash) {
    const Result<int> opened = OpenRegularFile(path);
    if (!opened) {
        return false;
    }
    const int fd = *opened;
    std::uint64_t value = 14695981039346656037ull;
    std::array<unsigned char, 65536> buffer{};
    bool ok = true;
    for (std::size_t left = kMapFileLimit; left > 0;) {
        const ssize_t got = ::read(fd, buffer.data(), std::min(buffer.size(), left));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t i = 0; i < got; ++i) {
            value = (value ^ buffer[static_cast<std::size_t>(i)]) * 1099511628211ull;
        }
        left -= static_cast<std::size_t>(got);
    }
    ::close(fd);
    hash = static_cast<std::int64_t>(value);
    return ok;
}

// The file beside the index (`.lock`): an advisory lock, shared while a program opens the index
// and exclusive while one makes a damaged index anew, so that nobody opens it half removed; and
// the count of times the index was made anew, so that of the programs that meet one damaged
// index at once only the first removes it, and the others, and any program that had the old one
// open, take the new one. (The new file's inode number tells nothing: the old one's is free.)
// Without the file (a folder that cannot be written) nothing is locked or counted; nothing can
// be removed there either.
class IndexLock {
public:
    IndexLock(const std::string& indexPath, int operation) {
        fd_ = ::open((indexPath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        while (fd_ >= 0 && ::flock(fd_, operation) != 0 && errno == EINTR) {
        }
    }
    ~IndexLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    IndexLock(const IndexLock&) = delete;
    IndexLock& operator=(const IndexLock&) = delete;

    bool Ok() const { return fd_ >= 0; }
    std::uint64_t Generation() const { return GenerationOf(fd_); }
    void Advance() {
        const std::uint64_t next = Generation() + 1;
        (void)!::pwrite(fd_, &next, sizeof next, 0);
    }

    // The count kept in `indexPath`'s lock file; 0 without one.
    static std::uint64_t Generation(const std::string& indexPath) {
        const int fd = ::open((indexPath + ".lock").c_str(), O_RDONLY | O_CLOEXEC);
        const std::uint64_t generation = GenerationOf(fd);
        if (fd >= 0) {
            ::close(fd);
        }
        return generation;
    }

private:
    static std::uint64_t GenerationOf(int fd) {
        std::uint64_t generation = 0;
        if (fd < 0 || ::pread(fd, &generation, sizeof generation, 0) != sizeof generation) {
            return 0;
        }
        return generation;
    }
    int fd_ = -1;
};

bool IsDamage(int code) {
    return (code & 0xFF) == SQLITE_CORRUPT || (code & 0xFF) == SQLITE_NOTADB;
}

// A search term turned into an FTS5 expression, or a restriction to controls.
struct Term {
    std::string match;          // FTS5 query
    std::uint64_t controls = 0; // a control name: these controls
};

// A text as one quoted FTS5 string.
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

// A word matched by its beginning in a control's text and tags, or in a title; a note's name
// also matches the controls sending that note.
std::string WordTerm(std::string_view word, MiddleC middleC) {
    const int note = NoteOfName(word, middleC);
    std::string match = Quoted(word) + " *";
    if (note >= 0) {
        match = "(" + match + ") OR (tags : " + Quoted("#note" + std::to_string(note)) + ")";
    }
    return match;
}

std::vector<Term> ParseQuery(std::string_view query, MiddleC middleC) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < query.size()) {
        while (i < query.size() && std::isspace(static_cast<unsigned char>(query[i])) != 0) {
            ++i;
        }
        const std::size_t start = i;
        while (i < query.size() && std::isspace(static_cast<unsigned char>(query[i])) == 0) {
            ++i;
        }
        if (i > start) {
            words.emplace_back(query.substr(start, i - start));
        }
    }
    std::vector<Term> terms;
    std::vector<std::string> controlWords;
    std::uint64_t controls = 0;
    const auto& pairWords = PairWords();
    for (std::size_t w = 0; w < words.size(); ++w) {
        const std::string& word = words[w];
        std::string upper = word;
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        const ControllerId id = FindController(upper);
        if (id != kNoController) {
            controls |= std::uint64_t{1} << id;
            controlWords.push_back(word);
            continue;
        }
        std::string tag = TagWord(word);
        if (tag == "channel") {
            tag = "ch";
        }
        if (pairWords.count(tag) != 0 && w + 1 < words.size() && AllDigits(words[w + 1])) {
            const std::string number = std::to_string(std::atoi(words[w + 1].c_str()));
            terms.push_back({"tags : " + Quoted(tag + number), 0});
            ++w;
            continue;
        }
        // "CC74", "ch2": letters and a number.
        const std::size_t digits = tag.find_first_of("0123456789");
        if (digits != std::string::npos && digits > 0 &&
            pairWords.count(tag.substr(0, digits)) != 0 && AllDigits(tag.substr(digits)) &&
            word.size() == tag.size()) {
            std::string letters = tag.substr(0, digits);
            terms.push_back({"tags : " + Quoted((letters == "channel" ? "ch" : letters) +
                                                std::to_string(std::atoi(tag.c_str() + digits))),
                             0});
            continue;
        }
        terms.push_back({WordTerm(word, middleC), 0});
    }
    if (terms.empty()) {
        // Control names alone are searched as words.
        for (const std::string& word : controlWords) {
            terms.push_back({WordTerm(word, middleC), 0});
        }
    } else if (controls != 0) {
        terms.push_back({{}, controls});
    }
    return terms;
}

} // namespace

Phrase ReasonPhrase(const UnreadableReason& reason) {
    return reason.cause != 0 ? FileCausePhrase(reason.cause) : MessageFailure(reason.message).why;
}

std::string EnglishReason(const UnreadableReason& reason) {
    return EnglishText(ReasonPhrase(reason));
}

std::string DefaultLibraryCacheFolder() {
    std::string base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && cache[0] == '/') {
        base = cache;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.cache";
    }
    return base + "/" + kOrganisationName + "/" + kApplicationName;
}

std::string DefaultLibraryIndexPath() {
    return DefaultLibraryCacheFolder() + "/library.sqlite";
}

std::string CLibraryIndex::FolderKey(const std::string& folder) {
    std::error_code error;
    fs::path path = fs::weakly_canonical(fs::absolute(folder, error), error);
    if (error) {
        path = fs::absolute(folder, error).lexically_normal();
    }
    std::string key = path.string();
    while (key.size() > 1 && key.back() == '/') {
        key.pop_back();
    }
    return key;
}

// --- the database ------------------------------------------------------------------------------

struct CLibraryIndex::Db {
    sqlite3* handle = nullptr;

    ~Db() { sqlite3_close_v2(handle); }

    bool Exec(const char* sql) {
        return sqlite3_exec(handle, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    // A prepared statement, finalised when it goes.
    class Statement {
    public:
        Statement(sqlite3* db, const char* sql) {
            if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
                stmt_ = nullptr;
            }
        }
        ~Statement() { sqlite3_finalize(stmt_); }
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;
        explicit operator bool() const { return stmt_ != nullptr; }
        sqlite3_stmt* get() const { return stmt_; }
        void Reset() {
            sqlite3_reset(stmt_);
            sqlite3_clear_bindings(stmt_);
        }
        void Bind(int index, std::int64_t value) { sqlite3_bind_int64(stmt_, index, value); }
        void Bind(int index, std::string_view text) {
            // An empty view may have no data: it would bind NULL.
            sqlite3_bind_text(stmt_, index, text.empty() ? "" : text.data(),
                              static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
        void BindBlob(int index, const void* data, std::size_t size) {
            sqlite3_bind_blob(stmt_, index, data, static_cast<int>(size), SQLITE_TRANSIENT);
        }
        int Step() { return sqlite3_step(stmt_); }
        std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
        std::string_view Text(int column) const {
            const auto* text = sqlite3_column_text(stmt_, column);
            return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text),
                                                      static_cast<std::size_t>(
                                                          sqlite3_column_bytes(stmt_, column)))
                                   : std::string_view{};
        }
        std::string_view Blob(int column) const {
            const void* blob = sqlite3_column_blob(stmt_, column);
            return blob != nullptr ? std::string_view(static_cast<const char*>(blob),
                                                      static_cast<std::size_t>(
                                                          sqlite3_column_bytes(stmt_, column)))
                                   : std::string_view{};
        }

    private:
        sqlite3_stmt* stmt_ = nullptr;
    };
};

CLibraryIndex::CLibraryIndex(std::string indexPath) : indexPath_(std::move(indexPath)) {
    std::error_code error;
    if (indexPath_ != kMemoryIndex) {
        fs::create_directories(fs::path(indexPath_).parent_path(), error);
    }
    if (!Open() && damaged_) {
        Rebuild();
    }
}

CLibraryIndex::~CLibraryIndex() = default;

bool CLibraryIndex::Ok() const {
    return db_ != nullptr;
}

// Opens the index and checks that it is one of this layout. False when it is not usable; the
// index is damaged (or of another layout) when damaged_ is set then, else it cannot be opened
// here (a folder or file that cannot be written, a full disk) and is left as it is.
bool CLibraryIndex::Open() {
    db_.reset();
    damaged_ = false;
    const bool memory = indexPath_ == kMemoryIndex;
    std::optional<IndexLock> lock;
    if (!memory && !rebuilding_) {
        lock.emplace(indexPath_, LOCK_SH);
    }
    auto db = std::make_unique<Db>();
    const int opened =
        sqlite3_open_v2(indexPath_.c_str(), &db->handle,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    // Which index that is: a program that makes it anew replaces it under the lock held here.
    if (!memory) {
        identity_ = IdentityNow();
    }
    if (opened != SQLITE_OK) {
        damaged_ = IsDamage(sqlite3_extended_errcode(db->handle));
        return false;
    }
    sqlite3_busy_timeout(db->handle, kBusyTimeoutMs);
    auto failed = [&] {
        damaged_ = IsDamage(sqlite3_extended_errcode(db->handle));
        return false;
    };
    int version = -1;
    {
        // Reading the version reads the file's header: garbage fails here (SQLITE_NOTADB).
        Db::Statement statement(db->handle, "PRAGMA user_version");
        if (!statement || statement.Step() != SQLITE_ROW) {
            return failed();
        }
        version = static_cast<int>(statement.Int(0));
    }
    if (version != 0 && version != kIndexVersion) {
        damaged_ = true;
        return false;
    }
    if (!db->Exec("PRAGMA journal_mode=WAL") || !db->Exec("PRAGMA synchronous=NORMAL") ||
        // Searches read the index's pages where the system keeps them, without a copy.
        !db->Exec("PRAGMA mmap_size=268435456") || !db->Exec(kSchema)) {
        return failed();
    }
    if (version == 0 &&
        !db->Exec(("PRAGMA user_version = " + std::to_string(kIndexVersion)).c_str())) {
        return failed();
    }
    db_ = std::move(db);
    return true;
}

// Makes a damaged index anew: removes its files and opens a new, empty one. Of the programs
// that meet one damaged index at once, the first removes it; the others open the new one.
void CLibraryIndex::Rebuild() {
    db_.reset();
    if (indexPath_ == kMemoryIndex) {
        Open();
        return;
    }
    const Identity damaged = identity_;
    IndexLock lock(indexPath_, LOCK_EX);
    rebuilding_ = true;
    const bool replaced = lock.Ok() && lock.Generation() != damaged.generation;
    if (!replaced || (!Open() && damaged_)) {
        for (const char* suffix : {"-wal", "-shm", "-journal", ""}) {
            std::error_code error;
            fs::remove(indexPath_ + suffix, error);
        }
        if (lock.Ok()) {
            lock.Advance();
        }
        Open();
    }
    rebuilding_ = false;
}

// Which index file is there now.
CLibraryIndex::Identity CLibraryIndex::IdentityNow() const {
    Identity identity;
    identity.generation = IndexLock::Generation(indexPath_);
    struct stat info {};
    if (::stat(indexPath_.c_str(), &info) == 0) {
        identity.device = static_cast<std::uint64_t>(info.st_dev);
        identity.inode = static_cast<std::uint64_t>(info.st_ino);
    }
    return identity;
}

bool CLibraryIndex::Replaced() const {
    if (indexPath_ == kMemoryIndex) {
        return false;
    }
    const Identity now = IdentityNow();
    return now.generation != identity_.generation || now.device != identity_.device ||
           now.inode != identity_.inode;
}

// Opens the index again when another program made it anew since it was opened here (this
// connection would otherwise go on with the removed file), or opens it when it is not open.
// True when it did.
bool CLibraryIndex::ReopenIfReplaced() {
    if (db_ != nullptr && !Replaced()) {
        return false;
    }
    if (!Open() && damaged_) {
        Rebuild();
    }
    return true;
}

// What the last failed step of the index means.
CLibraryIndex::Outcome CLibraryIndex::Failure() const {
    const int code = sqlite3_extended_errcode(db_->handle);
    if (IsDamage(code)) {
        return Outcome::Damaged;
    }
    return code == SQLITE_READONLY_DBMOVED || Replaced() ? Outcome::Replaced : Outcome::Failed;
}

// --- refresh -------------------------------------------------------------------------------

// What a refresh's walk found on disk.
struct CLibraryIndex::Walk {
    // A map file by its path; a file that cannot be looked at (a dangling link, a loop of
    // links) has the cause.
    struct File {
        std::int64_t size = 0;
        std::int64_t mtime = 0;
        std::int64_t ctime = 0;
        std::int64_t inode = 0;
        int cause = 0;
    };
    std::map<std::string, File> files;
    std::vector<UnreadFolder> unread;
    bool stopped = false;
    std::int64_t started = 0; // when the walk began (ns since 1970)

    // True when `path` is in a folder that could not be listed.
    bool Unseen(const std::string& path) const {
        return std::any_of(unread.begin(), unread.end(), [&path](const UnreadFolder& folder) {
            const auto [first, last] = PathsBelow(folder.path);
            return path > first && path < last;
        });
    }
};

// Lists the folder open as `fd` (taken over) and its subfolders into `walk`. A subfolder that
// is gone by the time it is opened was removed with its maps; one that cannot be listed for any
// other reason is named in walk.unread, and the walk goes on with the others.
void CLibraryIndex::WalkFolder(int fd, const std::string& path, Walk& walk, std::stop_token stop) {
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        walk.unread.push_back({path, FileErrorCauseOf(errno)});
        ::close(fd);
        return;
    }
    for (;;) {
        if (stop.stop_requested()) {
            walk.stopped = true;
            break;
        }
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0) {
                walk.unread.push_back({path, FileErrorCauseOf(errno)});
            }
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string full = JoinPath(path, name);
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                continue; // gone since it was listed
            }
            folder = S_ISDIR(info.st_mode);
        }
        if (folder) {
            int err = folderHook_ ? folderHook_(full) : 0;
            int sub = -1;
            if (err == 0) {
                sub = ::openat(::dirfd(dir), entry->d_name,
                               O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                err = sub < 0 ? errno : 0;
            }
            if (err == ENOENT || err == ENOTDIR || err == ELOOP) {
                continue; // removed, or made a file or a link (not followed) since it was listed
            }
            if (err != 0) {
                walk.unread.push_back({full, FileErrorCauseOf(err)});
                continue;
            }
            WalkFolder(sub, full, walk, stop);
            if (walk.stopped) {
                break;
            }
            continue;
        }
        if (!HasMapExtension(fs::path(name))) {
            continue;
        }
        struct stat info {};
        Walk::File file;
        if (::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0) {
            const int err = errno;
            if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                continue; // gone since it was listed
            }
            // A dangling link or a loop of links.
            file.cause = FileErrorCauseOf(err);
        } else if (S_ISDIR(info.st_mode)) {
            continue; // a link to a folder
        } else {
            file.size = static_cast<std::int64_t>(info.st_size);
            file.mtime = Nanoseconds(info.st_mtim);
            file.ctime = Nanoseconds(info.st_ctim);
            file.inode = static_cast<std::int64_t>(info.st_ino);
        }
        walk.files.emplace(full, file);
    }
    ::closedir(dir);
}

RefreshResult CLibraryIndex::Refresh(const std::string& folder, const RefreshProgress& progress,
                                     std::stop_token stop) {
    RefreshResult result;
    const std::string key = FolderKey(folder);
    Walk walk;
    walk.started = NowNs();
    const int fd = ::open(key.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.cause = errno == ENOTDIR ? CauseBadPath : FileErrorCauseOf(errno);
        return result;
    }
    WalkFolder(fd, key, walk, stop);
    result.files = walk.files.size();
    result.unread = walk.unread;

    if (!Ok()) {
        ReopenIfReplaced();
    }
    for (int attempt = 0; attempt < kRefreshAttempts && Ok(); ++attempt) {
        ReopenIfReplaced();
        if (!Ok()) {
            break;
        }
        result.read = 0;
        result.removed = 0;
        switch (Update(key, walk, progress, stop, result)) {
        case Outcome::Done:
            refreshed_ = true;
            return result;
        case Outcome::Damaged:
            Rebuild();
            break;
        case Outcome::Replaced:
            if (!Open() && damaged_) {
                Rebuild();
            }
            break;
        case Outcome::Failed:
            result.indexFailed = true;
            return result;
        }
    }
    result.indexFailed = true;
    return result;
}

// Writes what the walk found into the index: the files new or changed read, the ones gone
// forgotten, and the maps of folders refreshed before that are no longer there.
CLibraryIndex::Outcome CLibraryIndex::Update(const std::string& key, Walk& walk,
                                             const RefreshProgress& progress, std::stop_token stop,
                                             RefreshResult& result) {
    const auto [first, last] = PathsBelow(key);
    // What the index holds for the folder.
    struct Indexed {
        std::int64_t id = 0;
        std::int64_t size = 0;
        std::int64_t mtime = 0;
        std::int64_t ctime = 0;
        std::int64_t inode = 0;
        std::int64_t hash = 0;
        std::int64_t checked = 0;
        bool retry = false; // unreadable for a cause that may pass (permissions)
    };
    std::map<std::string, Indexed> indexed;
    {
        Db::Statement list(db_->handle,
                           "SELECT id, path, size, mtime, ctime, inode, hash, checked, readable, "
                           "cause FROM maps WHERE path > ?1 AND path < ?2");
        if (!list) {
            return Failure();
        }
        list.Bind(1, first);
        list.Bind(2, last);
        int step = 0;
        while ((step = list.Step()) == SQLITE_ROW) {
            indexed.emplace(std::string(list.Text(1)),
                            Indexed{list.Int(0), list.Int(2), list.Int(3), list.Int(4), list.Int(5),
                                    list.Int(6), list.Int(7),
                                    list.Int(8) == 0 && list.Int(9) != 0});
        }
        if (step != SQLITE_DONE) {
            return Failure();
        }
    }

    // A file of the same size and time is read again when its bytes changed: they are compared
    // when its inode or status change time moved (a copy that kept the time, a file renamed
    // over it) or when its status had changed just before it was last looked at.
    struct Checked {
        std::int64_t id = 0;
        std::int64_t ctime = 0;
        std::int64_t inode = 0;
    };
    std::vector<Checked> unchanged;
    std::vector<std::string> toRead;
    for (const auto& [path, file] : walk.files) {
        const auto found = indexed.find(path);
        if (found == indexed.end() || found->second.size != file.size ||
            found->second.mtime != file.mtime || found->second.retry || file.cause != 0) {
            toRead.push_back(path);
            continue;
        }
        const Indexed& row = found->second;
        if (row.ctime == file.ctime && row.inode == file.inode &&
            row.ctime < row.checked - kSettledNs) {
            continue;
        }
        std::int64_t hash = 0;
        if (HashFile(path, hash) && hash == row.hash) {
            unchanged.push_back({row.id, file.ctime, file.inode});
        } else {
            toRead.push_back(path);
        }
    }
    std::vector<std::int64_t> gone;
    for (const auto& [path, entry] : indexed) {
        if (walk.files.count(path) == 0 && !walk.Unseen(path)) {
            gone.push_back(entry.id);
        }
    }

    Db::Statement upsert(db_->handle,
                         "INSERT INTO maps(path, size, mtime, ctime, inode, hash, checked, "
                         "readable, reason, cause, title) "
                         "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11) "
                         "ON CONFLICT(path) DO UPDATE SET size = excluded.size, "
                         "mtime = excluded.mtime, ctime = excluded.ctime, "
                         "inode = excluded.inode, hash = excluded.hash, "
                         "checked = excluded.checked, readable = excluded.readable, "
                         "reason = excluded.reason, cause = excluded.cause, "
                         "title = excluded.title RETURNING id");
    Db::Statement touch(db_->handle,
                        "UPDATE maps SET ctime = ?2, inode = ?3, checked = ?4 WHERE id = ?1");
    // The records and comments apart, so that a listing reads only the small rows of maps.
    Db::Statement addContent(db_->handle, "INSERT INTO content(id, comments, records) "
                                          "VALUES(?1, ?2, ?3)");
    Db::Statement clearContent(db_->handle, "DELETE FROM content WHERE id = ?1");
    Db::Statement clearWords(db_->handle, "DELETE FROM words WHERE rowid BETWEEN ?1 AND ?2");
    Db::Statement addWords(db_->handle, "INSERT INTO words(rowid, tags, text) VALUES(?1, ?2, ?3)");
    Db::Statement removeMap(db_->handle, "DELETE FROM maps WHERE id = ?1");
    Db::Statement clearTitle(db_->handle, "DELETE FROM titles WHERE rowid = ?1");
    Db::Statement addTitle(db_->handle, "INSERT INTO titles(rowid, tags, text) VALUES(?1, '', ?2)");
    Db::Statement addFolder(db_->handle, "INSERT OR IGNORE INTO folders(path) VALUES(?1)");
    Db::Statement listFolders(db_->handle, "SELECT path FROM folders");
    Db::Statement removeFolder(db_->handle, "DELETE FROM folders WHERE path = ?1");
    Db::Statement listBelow(db_->handle, "SELECT id FROM maps WHERE path > ?1 AND path < ?2");
    if (!upsert || !touch || !clearWords || !addWords || !removeMap || !clearTitle || !addTitle ||
        !addContent || !clearContent || !addFolder || !listFolders || !removeFolder || !listBelow) {
        return Failure();
    }
    auto clear = [&](std::int64_t id) {
        clearWords.Reset();
        clearWords.Bind(1, id * kRowsPerMap);
        clearWords.Bind(2, id * kRowsPerMap + kRowsPerMap - 1);
        clearTitle.Reset();
        clearTitle.Bind(1, id);
        clearContent.Reset();
        clearContent.Bind(1, id);
        return clearWords.Step() == SQLITE_DONE && clearTitle.Step() == SQLITE_DONE &&
               clearContent.Step() == SQLITE_DONE;
    };
    auto forget = [&](std::int64_t id) {
        removeMap.Reset();
        removeMap.Bind(1, id);
        return removeMap.Step() == SQLITE_DONE && clear(id);
    };
    auto write = [&](const ScannedFile& file) {
        upsert.Reset();
        upsert.Bind(1, file.path);
        upsert.Bind(2, file.size);
        upsert.Bind(3, file.mtime);
        upsert.Bind(4, file.ctime);
        upsert.Bind(5, file.inode);
        upsert.Bind(6, file.hash);
        upsert.Bind(7, walk.started);
        upsert.Bind(8, file.readable ? 1 : 0);
        upsert.Bind(9, static_cast<std::int64_t>(file.reason.message));
        upsert.Bind(10, file.reason.cause);
        upsert.Bind(11, file.readable ? std::string_view(file.map.title) : std::string_view{});
        if (upsert.Step() != SQLITE_ROW) {
            return false;
        }
        const std::int64_t id = upsert.Int(0);
        if (upsert.Step() != SQLITE_DONE || !clear(id)) {
            return false;
        }
        auto add = [&](int row, std::string_view tags, std::string_view text) {
            addWords.Reset();
            addWords.Bind(1, id * kRowsPerMap + row);
            addWords.Bind(2, tags);
            addWords.Bind(3, text);
            return addWords.Step() == SQLITE_DONE;
        };
        const std::string name = fs::path(file.path).filename().string();
        addTitle.Reset();
        addTitle.Bind(1, id);
        addTitle.Bind(2, file.readable ? file.map.title + '\n' + name : name);
        if (addTitle.Step() != SQLITE_DONE) {
            return false;
        }
        if (!file.readable) {
            return true;
        }
        const std::string comments = PackComments(file.map.comments);
        addContent.Reset();
        addContent.Bind(1, id);
        addContent.BindBlob(2, comments.data(), comments.size());
        addContent.BindBlob(3, file.map.records.data(), kControllerCount * kRecordSize);
        if (addContent.Step() != SQLITE_DONE) {
            return false;
        }
        for (ControllerId c = 0; c < kControllerCount; ++c) {
            const AssignRecord& record = file.map.records[static_cast<std::size_t>(c)];
            const std::string& comment = file.map.comments[static_cast<std::size_t>(c)];
            const AssignKind* kind = KindOf(record);
            const bool assigned = kind != nullptr && kind->code != CodeNoAssign;
            if (!assigned && comment.empty()) {
                continue;
            }
            std::string tags;
            std::string text;
            if (assigned) {
                const std::string label = AssignmentLabel(record);
                tags = RecordTags(record, *kind, label);
                text = label + '\n' + KindName(*kind) + '\n' + NamesButNotes(record, *kind) + '\n';
            }
            text += comment;
            if (!add(c + 1, tags, text)) {
                return false;
            }
        }
        return true;
    };
    // One transaction of `steps`; the failure of a step rolls it back.
    auto transaction = [&](const std::function<bool()>& steps) {
        if (!db_->Exec("BEGIN IMMEDIATE")) {
            return Failure();
        }
        if (!steps() || !db_->Exec("COMMIT")) {
            const Outcome failed = Failure();
            db_->Exec("ROLLBACK");
            return failed;
        }
        return Outcome::Done;
    };

    if (!unchanged.empty()) {
        const Outcome outcome = transaction([&] {
            for (const Checked& file : unchanged) {
                touch.Reset();
                touch.Bind(1, file.id);
                touch.Bind(2, file.ctime);
                touch.Bind(3, file.inode);
                touch.Bind(4, walk.started);
                if (touch.Step() != SQLITE_DONE) {
                    return false;
                }
            }
            return true;
        });
        if (outcome != Outcome::Done) {
            return outcome;
        }
    }

    // Reads a batch of files outside a transaction, then writes it in one.
    CParameter document;
    std::size_t done = 0;
    std::vector<ScannedFile> batch;
    auto flush = [&]() {
        if (batch.empty()) {
            return Outcome::Done;
        }
        const Outcome outcome =
            transaction([&] { return std::all_of(batch.begin(), batch.end(), write); });
        if (outcome == Outcome::Done) {
            result.read += batch.size();
            batch.clear();
        }
        return outcome;
    };
    for (const std::string& path : toRead) {
        if (stop.stop_requested()) {
            break;
        }
        const Walk::File& onDisk = walk.files[path];
        ScannedFile file;
        file.path = path;
        file.size = onDisk.size;
        file.mtime = onDisk.mtime;
        file.ctime = onDisk.ctime;
        file.inode = onDisk.inode;
        if (onDisk.cause != 0) {
            file.reason = {StringId::LoadError, onDisk.cause};
        } else {
            HashFile(path, file.hash);
            document.Map() = ControlMap{};
            const Status read = ReadMapFile(path, ControlMapKind, document);
            file.readable = read.Ok();
            if (file.readable) {
                file.map = document.Map();
            } else {
                file.reason = ReasonOf(read.Error());
            }
        }
        batch.push_back(std::move(file));
        ++done;
        if (batch.size() >= kBatchSize) {
            if (const Outcome outcome = flush(); outcome != Outcome::Done) {
                return outcome;
            }
        }
        if (progress) {
            progress(done, toRead.size());
        }
    }
    if (const Outcome outcome = flush(); outcome != Outcome::Done) {
        return outcome;
    }
    if (walk.stopped || stop.stop_requested()) {
        return Outcome::Done; // what was not seen is not forgotten
    }

    // The folders refreshed before that are no longer there (renamed or removed): their maps
    // are gone. A folder that cannot be looked at for another reason keeps them.
    std::vector<std::string> vanished;
    {
        int step = 0;
        while ((step = listFolders.Step()) == SQLITE_ROW) {
            const std::string other(listFolders.Text(0));
            struct stat info {};
            const bool there = ::stat(other.c_str(), &info) == 0;
            const int err = errno;
            if (other != key &&
                (there ? !S_ISDIR(info.st_mode) : err == ENOENT || err == ENOTDIR)) {
                vanished.push_back(other);
            }
        }
        if (step != SQLITE_DONE) {
            return Failure();
        }
    }
    const Outcome outcome = transaction([&] {
        for (std::int64_t id : gone) {
            if (!forget(id)) {
                return false;
            }
        }
        for (const std::string& other : vanished) {
            const auto [below, after] = PathsBelow(other);
            std::vector<std::int64_t> ids;
            listBelow.Reset();
            listBelow.Bind(1, below);
            listBelow.Bind(2, after);
            int step = 0;
            while ((step = listBelow.Step()) == SQLITE_ROW) {
                ids.push_back(listBelow.Int(0));
            }
            if (step != SQLITE_DONE || !std::all_of(ids.begin(), ids.end(), forget)) {
                return false;
            }
            removeFolder.Reset();
            removeFolder.Bind(1, other);
            if (removeFolder.Step() != SQLITE_DONE) {
                return false;
            }
        }
        addFolder.Bind(1, key);
        return addFolder.Step() == SQLITE_DONE;
    });
    if (outcome == Outcome::Done) {
        result.removed = gone.size();
    }
    return outcome;
}

// --- search --------------------------------------------------------------------------------

bool CLibraryIndex::Search(const std::string& folder, std::string_view query, MiddleC middleC,
                           std::vector<LibraryEntry>& entries) {
    entries.clear();
    // An index made anew since the last refresh here does not hold what that refresh read.
    if ((ReopenIfReplaced() && refreshed_) || !Ok()) {
        refreshed_ = false;
        return false;
    }
    // A damaged index is made anew, empty: the next refresh fills it again.
    auto failed = [this] {
        const Outcome outcome = Failure();
        if (outcome == Outcome::Damaged) {
            Rebuild();
        } else if (outcome == Outcome::Replaced && !Open() && damaged_) {
            Rebuild();
        }
        return false;
    };
    const std::string key = FolderKey(folder);
    std::vector<Term> terms = ParseQuery(query, middleC);
    std::uint64_t restriction = kAllControls;
    for (auto at = terms.begin(); at != terms.end();) {
        if (at->controls != 0) {
            restriction = at->controls;
            at = terms.erase(at);
        } else {
            ++at;
        }
    }
    Db::Statement list(db_->handle,
                       "SELECT id, path, title, size, mtime, readable, reason, cause FROM maps "
                       "WHERE path > ?1 AND path < ?2 ORDER BY path");
    if (!list) {
        return failed();
    }
    const auto [first, last] = PathsBelow(key);
    list.Bind(1, first);
    list.Bind(2, last);
    auto entryOf = [&list] {
        LibraryEntry entry;
        entry.path = list.Text(1);
        entry.title = list.Text(2);
        entry.size = list.Int(3);
        entry.mtime = list.Int(4);
        entry.readable = list.Int(5) != 0;
        entry.reason = {static_cast<StringId>(list.Int(6)), static_cast<int>(list.Int(7))};
        return entry;
    };
    int step = 0;
    if (terms.empty()) {
        while ((step = list.Step()) == SQLITE_ROW) {
            entries.push_back(entryOf());
        }
        if (step != SQLITE_DONE) {
            entries.clear();
            return failed();
        }
        return true;
    }

    // The rowids an FTS5 expression matches. A term FTS5 cannot take (nothing but punctuation)
    // matches nothing; false when the index cannot be read.
    auto matching = [this](const char* table, const std::string& expression,
                           const std::function<void(std::int64_t)>& take) {
        Db::Statement find(
            db_->handle,
            (std::string("SELECT rowid FROM ") + table + " WHERE " + table + " MATCH ?1").c_str());
        if (!find) {
            return false;
        }
        find.Bind(1, expression);
        int found = 0;
        while ((found = find.Step()) == SQLITE_ROW) {
            take(find.Int(0));
        }
        return found == SQLITE_DONE || sqlite3_extended_errcode(db_->handle) == SQLITE_ERROR;
    };
    // Which of the terms a set holds, one flag each: a query has as many terms as it has.
    using TermSet = std::vector<bool>;
    auto allOf = [&terms](const TermSet* without) {
        std::string expression;
        for (std::size_t i = 0; i < terms.size(); ++i) {
            if (without != nullptr && (*without)[i]) {
                continue;
            }
            expression += (expression.empty() ? "(" : " AND (") + terms[i].match + ")";
        }
        return expression;
    };
    // Which terms each map's title (or file name) matches.
    std::unordered_map<std::int64_t, TermSet> byTitle;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        if (!matching("titles", terms[i].match, [&](std::int64_t id) {
                TermSet& set = byTitle[id];
                set.resize(terms.size());
                set[i] = true;
            })) {
            return failed();
        }
    }
    // The controls matching the terms the title leaves: all of them for every map, and for
    // each set of terms some titles match, the rest of them for those maps.
    std::unordered_map<std::int64_t, std::uint64_t> controls;
    const TermSet all(terms.size(), true);
    std::set<TermSet> groups;
    for (const auto& [id, set] : byTitle) {
        groups.insert(set);
    }
    auto takeRows = [&](const TermSet* group) {
        return [&, group](std::int64_t rowid) {
            const std::int64_t id = rowid / kRowsPerMap;
            if (group != nullptr) {
                const auto title = byTitle.find(id);
                if (title == byTitle.end() || title->second != *group) {
                    return;
                }
            }
            controls[id] |= std::uint64_t{1} << (rowid % kRowsPerMap - 1);
        };
    };
    if (!matching("words", allOf(nullptr), takeRows(nullptr))) {
        return failed();
    }
    for (const TermSet& group : groups) {
        if (group != all && !matching("words", allOf(&group), takeRows(&group))) {
            return failed();
        }
    }

    while ((step = list.Step()) == SQLITE_ROW) {
        const std::int64_t id = list.Int(0);
        const auto title = byTitle.find(id);
        const bool whole = title != byTitle.end() && title->second == all;
        const auto found = controls.find(id);
        std::uint64_t bits = whole ? kAllControls : found != controls.end() ? found->second : 0;
        bits &= restriction;
        if (bits == 0) {
            continue;
        }
        LibraryEntry entry = entryOf();
        if (!whole || restriction != kAllControls) {
            for (ControllerId c = 0; c < kControllerCount; ++c) {
                if ((bits >> c) & 1) {
                    entry.matches.push_back(c);
                }
            }
        }
        entries.push_back(std::move(entry));
    }
    if (step != SQLITE_DONE) {
        entries.clear();
        return failed();
    }
    return true;
}

bool CLibraryIndex::LoadMap(const std::string& path, ControlMap& map) {
    ReopenIfReplaced();
    if (!Ok()) {
        return false;
    }
    Db::Statement load(db_->handle,
                       "SELECT title, comments, records FROM maps JOIN content USING (id) "
                       "WHERE path = ?1 AND readable");
    if (!load) {
        return false;
    }
    load.Bind(1, path);
    if (load.Step() != SQLITE_ROW) {
        return false;
    }
    const std::string_view records = load.Blob(2);
    if (records.size() != kControllerCount * kRecordSize ||
        !UnpackComments(load.Blob(1), map.comments)) {
        return false;
    }
    map.title = load.Text(0);
    std::memcpy(map.records.data(), records.data(), records.size());
    return true;
}

} // namespace kel

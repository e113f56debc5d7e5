// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <unordered_map>
#include <utility>

#include <sqlite3.h>
#include <sys/stat.h>

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
constexpr int kIndexVersion = 3;
// Waits this long for another program's write before a step fails.
constexpr int kBusyTimeoutMs = 10000;
// Files read before they are written in one transaction: the write lock is held briefly.
constexpr std::size_t kBatchSize = 128;
// Rows of the search table of controls per map (row 0 is not used).
constexpr std::int64_t kRowsPerMap = 64;
// The most terms a query is searched by: the rest are left out.
constexpr std::size_t kMaxTerms = 16;
constexpr std::uint64_t kAllControls = (std::uint64_t{1} << kControllerCount) - 1;

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS maps(
    id INTEGER PRIMARY KEY,
    path TEXT NOT NULL UNIQUE,
    size INTEGER NOT NULL,
    mtime INTEGER NOT NULL,
    readable INTEGER NOT NULL,
    reason INTEGER NOT NULL,
    cause INTEGER NOT NULL,
    title TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS content(
    id INTEGER PRIMARY KEY,
    comments BLOB NOT NULL,
    records BLOB NOT NULL);
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
    return tags;
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

// Keeps the first failure a read reports: the reason a file is listed as unreadable.
class ReasonRecorder : public Reporter {
public:
    void warn(StringId id, int detail) override {
        if (!failed) {
            failed = true;
            reason = {id, id == StringId::LoadError ? detail : 0};
        }
    }
    void warnFile(StringId id, int cause, const std::string&) override { warn(id, cause); }
    bool failed = false;
    UnreadableReason reason;
};

// What a refresh learned of one file, ready to be written.
struct ScannedFile {
    std::string path;
    std::int64_t size = 0;
    std::int64_t mtime = 0;
    bool readable = false;
    UnreadableReason reason;
    ControlMap map;
};

bool HasMapExtension(const fs::path& path) {
    const std::string ext = Lower(path.extension().string());
    return ext == ".mid" || ext == ".midi";
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

std::vector<Term> ParseQuery(std::string_view query) {
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
        terms.push_back({Quoted(word) + " *", 0});
    }
    if (terms.empty()) {
        // Control names alone are searched as words.
        for (const std::string& word : controlWords) {
            terms.push_back({Quoted(word) + " *", 0});
        }
    } else if (controls != 0) {
        terms.push_back({{}, controls});
    }
    return terms;
}

} // namespace

std::string EnglishReason(const UnreadableReason& reason) {
    if (reason.cause != 0) {
        return EnglishText(FileCausePhrase(reason.cause));
    }
    return std::string(Text(reason.message));
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
    if (!Open()) {
        Rebuild();
    }
}

CLibraryIndex::~CLibraryIndex() = default;

bool CLibraryIndex::Ok() const {
    return db_ != nullptr;
}

// Opens the index and checks that it is one of this layout; false when it is not usable.
bool CLibraryIndex::Open() {
    db_.reset();
    auto db = std::make_unique<Db>();
    if (sqlite3_open_v2(indexPath_.c_str(), &db->handle,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        return false;
    }
    sqlite3_busy_timeout(db->handle, kBusyTimeoutMs);
    int version = -1;
    {
        // Reading the version reads the file's header: garbage fails here (SQLITE_NOTADB).
        Db::Statement statement(db->handle, "PRAGMA user_version");
        if (!statement || statement.Step() != SQLITE_ROW) {
            return false;
        }
        version = static_cast<int>(statement.Int(0));
    }
    if (version != 0 && version != kIndexVersion) {
        return false;
    }
    if (!db->Exec("PRAGMA journal_mode=WAL") || !db->Exec("PRAGMA synchronous=NORMAL") ||
        // Searches read the index's pages where the system keeps them, without a copy.
        !db->Exec("PRAGMA mmap_size=268435456") || !db->Exec(kSchema)) {
        return false;
    }
    if (version == 0 &&
        !db->Exec(("PRAGMA user_version = " + std::to_string(kIndexVersion)).c_str())) {
        return false;
    }
    db_ = std::move(db);
    return true;
}

// Removes the index file and makes a new, empty one.
void CLibraryIndex::Rebuild() {
    db_.reset();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        if (indexPath_ == kMemoryIndex) {
            break;
        }
        std::error_code error;
        fs::remove(indexPath_ + suffix, error);
    }
    Open();
}

// --- refresh -------------------------------------------------------------------------------

RefreshResult CLibraryIndex::Refresh(const std::string& folder, const RefreshProgress& progress,
                                     std::stop_token stop) {
    RefreshResult result;
    const std::string key = FolderKey(folder);
    struct stat folderInfo {};
    if (::stat(key.c_str(), &folderInfo) != 0) {
        result.cause = FileErrorCauseOf(errno);
        return result;
    }
    if (!S_ISDIR(folderInfo.st_mode)) {
        result.cause = CauseBadPath;
        return result;
    }
    std::error_code error;
    fs::recursive_directory_iterator it(key, fs::directory_options::skip_permission_denied, error);
    if (error) {
        result.cause = FileErrorCauseOf(error.value());
        return result;
    }

    // What is on disk: path -> size, time (a file that cannot be looked at gets its cause).
    struct OnDisk {
        std::int64_t size = 0;
        std::int64_t mtime = 0;
        int cause = 0;
    };
    std::map<std::string, OnDisk> disk;
    for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error || stop.stop_requested()) {
            break;
        }
        const fs::directory_entry& entry = *it;
        if (!HasMapExtension(entry.path())) {
            continue;
        }
        struct stat info {};
        OnDisk file;
        if (::stat(entry.path().c_str(), &info) != 0) {
            // A dangling link or a loop of links.
            file.cause = FileErrorCauseOf(errno);
        } else if (S_ISDIR(info.st_mode)) {
            continue;
        } else {
            file.size = static_cast<std::int64_t>(info.st_size);
            file.mtime =
                static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        }
        disk.emplace(entry.path().string(), file);
    }
    result.files = disk.size();
    if (!Ok()) {
        Rebuild();
        if (!Ok()) {
            result.indexFailed = true;
            return result;
        }
    }

    // What the index holds for the folder.
    struct Indexed {
        std::int64_t id = 0;
        std::int64_t size = 0;
        std::int64_t mtime = 0;
        bool retry = false; // unreadable for a cause that may pass (permissions)
    };
    std::map<std::string, Indexed> indexed;
    {
        Db::Statement list(db_->handle, "SELECT id, path, size, mtime, readable, cause FROM maps "
                                        "WHERE path > ?1 AND path < ?2");
        if (!list) {
            Rebuild();
            result.indexFailed = !Ok();
            return result.indexFailed ? result : Refresh(folder, progress, stop);
        }
        list.Bind(1, key + "/");
        list.Bind(2, key + "0"); // '0' follows '/'
        int step = 0;
        while ((step = list.Step()) == SQLITE_ROW) {
            indexed.emplace(std::string(list.Text(1)),
                            Indexed{list.Int(0), list.Int(2), list.Int(3),
                                    list.Int(4) == 0 && list.Int(5) != 0});
        }
        if (step != SQLITE_DONE) {
            const int code = sqlite3_errcode(db_->handle);
            if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) {
                Rebuild();
                return Ok() ? Refresh(folder, progress, stop) : RefreshResult{0, true};
            }
            result.indexFailed = true;
            return result;
        }
    }

    std::vector<std::string> toRead;
    for (const auto& [path, file] : disk) {
        const auto found = indexed.find(path);
        if (found == indexed.end() || found->second.size != file.size ||
            found->second.mtime != file.mtime || found->second.retry || file.cause != 0) {
            toRead.push_back(path);
        }
    }
    std::vector<std::int64_t> gone;
    for (const auto& [path, entry] : indexed) {
        if (disk.count(path) == 0) {
            gone.push_back(entry.id);
        }
    }

    Db::Statement upsert(db_->handle,
                         "INSERT INTO maps(path, size, mtime, readable, reason, cause, title) "
                         "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7) "
                         "ON CONFLICT(path) DO UPDATE SET size = excluded.size, "
                         "mtime = excluded.mtime, readable = excluded.readable, "
                         "reason = excluded.reason, cause = excluded.cause, "
                         "title = excluded.title RETURNING id");
    // The records and comments apart, so that a listing reads only the small rows of maps.
    Db::Statement addContent(db_->handle, "INSERT INTO content(id, comments, records) "
                                          "VALUES(?1, ?2, ?3)");
    Db::Statement clearContent(db_->handle, "DELETE FROM content WHERE id = ?1");
    Db::Statement clearWords(db_->handle, "DELETE FROM words WHERE rowid BETWEEN ?1 AND ?2");
    Db::Statement addWords(db_->handle, "INSERT INTO words(rowid, tags, text) VALUES(?1, ?2, ?3)");
    Db::Statement removeMap(db_->handle, "DELETE FROM maps WHERE id = ?1");
    Db::Statement clearTitle(db_->handle, "DELETE FROM titles WHERE rowid = ?1");
    Db::Statement addTitle(db_->handle, "INSERT INTO titles(rowid, tags, text) VALUES(?1, '', ?2)");
    if (!upsert || !clearWords || !addWords || !removeMap || !clearTitle || !addTitle ||
        !addContent || !clearContent) {
        result.indexFailed = true;
        return result;
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
    auto write = [&](const ScannedFile& file) {
        upsert.Reset();
        upsert.Bind(1, file.path);
        upsert.Bind(2, file.size);
        upsert.Bind(3, file.mtime);
        upsert.Bind(4, file.readable ? 1 : 0);
        upsert.Bind(5, static_cast<std::int64_t>(file.reason.message));
        upsert.Bind(6, file.reason.cause);
        upsert.Bind(7, file.readable ? std::string_view(file.map.title) : std::string_view{});
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
                text = label + '\n' + KindName(*kind) + '\n' + RecordNumberNames(record) + '\n';
            }
            text += comment;
            if (!add(c + 1, tags, text)) {
                return false;
            }
        }
        return true;
    };

    // Reads a batch of files outside a transaction, then writes it in one.
    CParameter document;
    std::size_t done = 0;
    std::vector<ScannedFile> batch;
    auto flush = [&]() {
        if (batch.empty()) {
            return true;
        }
        if (!db_->Exec("BEGIN IMMEDIATE")) {
            return false;
        }
        for (const ScannedFile& file : batch) {
            if (!write(file)) {
                db_->Exec("ROLLBACK");
                return false;
            }
        }
        if (!db_->Exec("COMMIT")) {
            db_->Exec("ROLLBACK");
            return false;
        }
        result.read += batch.size();
        batch.clear();
        return true;
    };
    for (const std::string& path : toRead) {
        if (stop.stop_requested()) {
            break;
        }
        const OnDisk& onDisk = disk[path];
        ScannedFile file;
        file.path = path;
        file.size = onDisk.size;
        file.mtime = onDisk.mtime;
        if (onDisk.cause != 0) {
            file.reason = {StringId::LoadError, onDisk.cause};
        } else {
            ReasonRecorder recorder;
            document.Map() = ControlMap{};
            const int read = ReadMapFile(path, ControlMapKind, document, &recorder);
            file.readable = read == 0 && !recorder.failed;
            if (file.readable) {
                file.map = document.Map();
            } else {
                file.reason = recorder.failed ? recorder.reason : UnreadableReason{};
            }
        }
        batch.push_back(std::move(file));
        ++done;
        if (batch.size() >= kBatchSize && !flush()) {
            result.indexFailed = true;
            return result;
        }
        if (progress) {
            progress(done, toRead.size());
        }
    }
    if (!flush()) {
        result.indexFailed = true;
        return result;
    }
    if (!gone.empty() && !stop.stop_requested()) {
        if (!db_->Exec("BEGIN IMMEDIATE")) {
            result.indexFailed = true;
            return result;
        }
        for (std::int64_t id : gone) {
            removeMap.Reset();
            removeMap.Bind(1, id);
            if (removeMap.Step() != SQLITE_DONE || !clear(id)) {
                db_->Exec("ROLLBACK");
                result.indexFailed = true;
                return result;
            }
        }
        if (!db_->Exec("COMMIT")) {
            db_->Exec("ROLLBACK");
            result.indexFailed = true;
            return result;
        }
        result.removed = gone.size();
    }
    return result;
}

// --- search --------------------------------------------------------------------------------

bool CLibraryIndex::Search(const std::string& folder, std::string_view query,
                           std::vector<LibraryEntry>& entries) {
    entries.clear();
    if (!Ok()) {
        return false;
    }
    const std::string key = FolderKey(folder);
    std::vector<Term> terms = ParseQuery(query);
    std::uint64_t restriction = kAllControls;
    for (auto at = terms.begin(); at != terms.end();) {
        if (at->controls != 0) {
            restriction = at->controls;
            at = terms.erase(at);
        } else {
            ++at;
        }
    }
    if (terms.size() > kMaxTerms) {
        terms.resize(kMaxTerms);
    }
    Db::Statement list(db_->handle,
                       "SELECT id, path, title, size, mtime, readable, reason, cause FROM maps "
                       "WHERE path > ?1 AND path < ?2 ORDER BY path");
    if (!list) {
        return false;
    }
    list.Bind(1, key + "/");
    list.Bind(2, key + "0"); // '0' follows '/'
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
        return step == SQLITE_DONE;
    }

    // The rowids an FTS5 expression matches; a term FTS5 cannot take (nothing but
    // punctuation) matches nothing.
    auto matching = [this](const char* table, const std::string& expression,
                           const std::function<void(std::int64_t)>& take) {
        Db::Statement find(
            db_->handle,
            (std::string("SELECT rowid FROM ") + table + " WHERE " + table + " MATCH ?1").c_str());
        if (!find) {
            return;
        }
        find.Bind(1, expression);
        while (find.Step() == SQLITE_ROW) {
            take(find.Int(0));
        }
    };
    auto allOf = [&terms](std::uint32_t without) {
        std::string expression;
        for (std::size_t i = 0; i < terms.size(); ++i) {
            if ((without >> i) & 1) {
                continue;
            }
            expression += (expression.empty() ? "(" : " AND (") + terms[i].match + ")";
        }
        return expression;
    };
    // Which terms each map's title (or file name) matches.
    std::unordered_map<std::int64_t, std::uint32_t> byTitle;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        matching("titles", terms[i].match,
                 [&](std::int64_t id) { byTitle[id] |= std::uint32_t{1} << i; });
    }
    // The controls matching the terms the title leaves: all of them for every map, and for
    // each set of terms some titles match, the rest of them for those maps.
    std::unordered_map<std::int64_t, std::uint64_t> controls;
    const std::uint32_t all = (std::uint32_t{1} << terms.size()) - 1;
    std::set<std::uint32_t> groups;
    for (const auto& [id, mask] : byTitle) {
        groups.insert(mask);
    }
    auto takeRows = [&](std::uint32_t group) {
        return [&, group](std::int64_t rowid) {
            const std::int64_t id = rowid / kRowsPerMap;
            if (group != 0) {
                const auto title = byTitle.find(id);
                if (title == byTitle.end() || title->second != group) {
                    return;
                }
            }
            controls[id] |= std::uint64_t{1} << (rowid % kRowsPerMap - 1);
        };
    };
    matching("words", allOf(0), takeRows(0));
    for (std::uint32_t group : groups) {
        if (group != all) {
            matching("words", allOf(group), takeRows(group));
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
    return step == SQLITE_DONE;
}

bool CLibraryIndex::LoadMap(const std::string& path, ControlMap& map) {
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

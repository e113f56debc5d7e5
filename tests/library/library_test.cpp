// SPDX-License-Identifier: GPL-3.0-or-later
// The library's index on real folders of map files: what a search finds, how a refresh follows
// the folder (also when part of it cannot be listed), files that are no maps, a damaged index,
// and two users of one index at once.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "files/fileio.h"
#include "files/mapfile.h"
#include "library/library.h"
#include "model/assign.h"
#include "model/controllers.h"
#include "model/parameter.h"
#include "support/scratch.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

struct Control {
    ControllerId id;
    int kind;
    int channel; // stored, 0..15
    int value;
    const char* comment = "";
};

void WriteMap(const fs::path& path, const std::string& title,
              std::initializer_list<Control> controls) {
    CParameter document;
    document.Map().title = title;
    for (const Control& c : controls) {
        AssignEntry entry;
        entry.SetChannelKind(c.kind);
        entry.SetChannel(c.channel);
        entry.SetValue1(c.value);
        document.Map().records[static_cast<std::size_t>(c.id)] = entry.record;
        document.Map().comments[static_cast<std::size_t>(c.id)] = c.comment;
    }
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(SaveMapDocument(path.string(), document).Ok()) << path;
}

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = test::MakeScratchFolder("kel-library-");
        ASSERT_FALSE(scratch_.empty());
        folder_ = scratch_ / "maps";
        fs::create_directories(folder_);
        indexPath_ = (scratch_ / "cache" / "library.sqlite").string();
    }
    void TearDown() override { test::RemoveScratchFolder(scratch_); }

    // The file names (below the folder) and matching controls a search gives, "name:R1,S2".
    std::vector<std::string> Found(CLibraryIndex& index, std::string_view query) {
        std::vector<LibraryEntry> entries;
        EXPECT_TRUE(index.Search(folder_.string(), query, MiddleC::C3, entries)) << query;
        std::vector<std::string> found;
        for (const LibraryEntry& entry : entries) {
            std::string text = fs::relative(entry.path, CLibraryIndex::FolderKey(folder_)).string();
            if (!entry.matches.empty()) {
                text += ":" + ControlListText(entry.matches);
            }
            found.push_back(text);
        }
        return found;
    }

    fs::path scratch_;
    fs::path folder_;
    std::string indexPath_;
};

using Names = std::vector<std::string>;

TEST_F(LibraryTest, SearchFindsMapsByTitleCommentAssignmentAndName) {
    const ControllerId s1 = FindController("S1");
    const ControllerId s2 = FindController("S2");
    const ControllerId r1 = FindController("R1");
    WriteMap(folder_ / "live.mid", "Live Set",
             {{s1, KindControlChange, 1, 74, "Filter cutoff"}, {r1, KindNote, 0, 60}});
    WriteMap(folder_ / "sub" / "studio.mid", "Studio",
             {{r1, KindControlChange, 0, 74}, {s2, KindNrpn, 3, 5, "Attack"}});
    WriteMap(folder_ / "piano.mid", "Grand Piano", {{r1, KindProgramChange, 0, 0, "Piano"}});
    CLibraryIndex index(indexPath_);
    ASSERT_TRUE(index.Ok());
    const RefreshResult refresh = index.Refresh(folder_.string());
    EXPECT_EQ(refresh.cause, 0);
    EXPECT_FALSE(refresh.indexFailed);
    EXPECT_EQ(refresh.files, 3u);
    EXPECT_EQ(refresh.read, 3u);

    EXPECT_EQ(Found(index, ""), (Names{"live.mid", "piano.mid", "sub/studio.mid"}));
    // Titles and file names list the map alone; comments name their control.
    EXPECT_EQ(Found(index, "live"), (Names{"live.mid"}));
    EXPECT_EQ(Found(index, "stud"), (Names{"sub/studio.mid"}));
    EXPECT_EQ(Found(index, "cutoff"), (Names{"live.mid:S1"}));
    // Assignments by their words and numbers, as typed or as the label shows them.
    EXPECT_EQ(Found(index, "CC 74"), (Names{"live.mid:S1", "sub/studio.mid:R1"}));
    EXPECT_EQ(Found(index, "cc74"), (Names{"live.mid:S1", "sub/studio.mid:R1"}));
    EXPECT_EQ(Found(index, "CC 7"), (Names{}));
    EXPECT_EQ(Found(index, "ch 2"), (Names{"live.mid:S1"}));
    EXPECT_EQ(Found(index, "CC 74 ch 1"), (Names{"sub/studio.mid:R1"}));
    EXPECT_EQ(Found(index, "S1 CC 74"), (Names{"live.mid:S1"}));
    EXPECT_EQ(Found(index, "R1 CC 74"), (Names{"sub/studio.mid:R1"}));
    EXPECT_EQ(Found(index, "NRPN"), (Names{"sub/studio.mid:S2"}));
    EXPECT_EQ(Found(index, "NP 5"), (Names{"sub/studio.mid:S2"}));
    // The names of the numbers: controller 74, note 60, General MIDI program 1.
    EXPECT_EQ(Found(index, "Brightness"), (Names{"live.mid:S1", "sub/studio.mid:R1"}));
    EXPECT_EQ(Found(index, "C3"), (Names{"live.mid:R1"}));
    EXPECT_EQ(Found(index, "acoustic grand"), (Names{"piano.mid:R1"}));
    // Every term must match; a title term holds for every control of its map.
    EXPECT_EQ(Found(index, "studio nrpn"), (Names{"sub/studio.mid:S2"}));
    EXPECT_EQ(Found(index, "live nrpn"), (Names{}));
    EXPECT_EQ(Found(index, "grand piano"), (Names{"piano.mid"}));
    // What the text search cannot take matches nothing and fails nothing.
    EXPECT_EQ(Found(index, "\"*)("), (Names{}));
    EXPECT_EQ(Found(index, "NEAR(a b"), (Names{}));

    // The map itself comes from the index.
    ControlMap map;
    ASSERT_TRUE(
        index.LoadMap((fs::path(CLibraryIndex::FolderKey(folder_)) / "live.mid").string(), map));
    EXPECT_EQ(map.title, "Live Set");
    EXPECT_EQ(map.comments[static_cast<std::size_t>(s1)], "Filter cutoff");
    EXPECT_EQ(map.records[static_cast<std::size_t>(s1)][0], CodeControlChange);
}

TEST_F(LibraryTest, RefreshReadsChangedAndNewFilesAndForgetsRemovedOnes) {
    WriteMap(folder_ / "a.mid", "Alpha", {});
    WriteMap(folder_ / "b.mid", "Bravo", {});
    WriteMap(folder_ / "c.mid", "Charlie", {});
    CLibraryIndex index(indexPath_);
    EXPECT_EQ(index.Refresh(folder_.string()).read, 3u);
    // Nothing changed: nothing is read.
    EXPECT_EQ(index.Refresh(folder_.string()).read, 0u);

    // Same size, another time: read again.
    WriteMap(folder_ / "a.mid", "Alphx", {});
    const auto later = fs::last_write_time(folder_ / "a.mid") + std::chrono::seconds(5);
    fs::last_write_time(folder_ / "a.mid", later);
    WriteMap(folder_ / "deep" / "er" / "d.mid", "Delta", {});
    fs::remove(folder_ / "b.mid");
    const RefreshResult refresh = index.Refresh(folder_.string());
    EXPECT_EQ(refresh.read, 2u);
    EXPECT_EQ(refresh.removed, 1u);
    EXPECT_EQ(refresh.files, 3u);
    EXPECT_EQ(Found(index, ""), (Names{"a.mid", "c.mid", "deep/er/d.mid"}));
    EXPECT_EQ(Found(index, "alpha"), (Names{}));
    EXPECT_EQ(Found(index, "alphx"), (Names{"a.mid"}));
    EXPECT_EQ(Found(index, "bravo"), (Names{}));

    // Another folder's refresh leaves this one's maps alone.
    const fs::path other = scratch_ / "maps2";
    WriteMap(other / "e.mid", "Echo", {});
    index.Refresh(other.string());
    EXPECT_EQ(Found(index, ""), (Names{"a.mid", "c.mid", "deep/er/d.mid"}));

    // A folder that is not there is refused with its cause and changes nothing.
    EXPECT_EQ(index.Refresh((scratch_ / "none").string()).cause, CauseFileNotFound);
    EXPECT_EQ(index.Refresh((folder_ / "a.mid").string()).cause, CauseBadPath);
}

TEST_F(LibraryTest, FilesThatAreNoMapsAreListedWithTheReason) {
    WriteMap(folder_ / "good.mid", "Good", {});
    {
        std::ofstream(folder_ / "text.mid") << "This is no MIDI file at all";
        std::ofstream(folder_ / "notes.txt") << "not a map file name: not listed";
    }
    // A map cut off in the middle.
    fs::copy_file(folder_ / "good.mid", folder_ / "cut.mid");
    fs::resize_file(folder_ / "cut.mid", fs::file_size(folder_ / "good.mid") / 2);
    // A file far beyond the reading limit (sparse: nothing is written).
    { std::ofstream(folder_ / "huge.mid") << "MThd"; }
    fs::resize_file(folder_ / "huge.mid", std::uintmax_t{1} << 33);
    // Links in a loop, a dangling link, a FIFO, a folder named like a map, a link to a folder
    // above (not followed).
    fs::create_symlink("loop2.mid", folder_ / "loop1.mid");
    fs::create_symlink("loop1.mid", folder_ / "loop2.mid");
    fs::create_symlink("nothing.mid", folder_ / "dangling.mid");
    ASSERT_EQ(::mkfifo((folder_ / "fifo.mid").c_str(), 0600), 0);
    fs::create_directories(folder_ / "folder.mid");
    fs::create_directory_symlink("..", folder_ / "up");

    CLibraryIndex index(indexPath_);
    const RefreshResult refresh = index.Refresh(folder_.string());
    EXPECT_FALSE(refresh.indexFailed);
    std::vector<LibraryEntry> entries;
    ASSERT_TRUE(index.Search(folder_.string(), "", MiddleC::C3, entries));
    std::vector<std::string> listed;
    for (const LibraryEntry& entry : entries) {
        const std::string name = fs::path(entry.path).filename().string();
        listed.push_back(name);
        EXPECT_EQ(entry.readable, name == "good.mid") << name;
        if (!entry.readable) {
            EXPECT_FALSE(EnglishReason(entry.reason).empty()) << name;
        }
        if (name == "text.mid" || name == "cut.mid" || name == "huge.mid") {
            // Read, but not a map.
            EXPECT_EQ(entry.reason.cause, 0) << name;
            EXPECT_NE(entry.reason.message, StringId::LoadError) << name;
        }
        if (name == "loop1.mid" || name == "fifo.mid") {
            EXPECT_NE(entry.reason.cause, 0) << name;
        }
        if (name == "dangling.mid") {
            EXPECT_EQ(EnglishReason(entry.reason), "No such file or folder");
        }
    }
    EXPECT_EQ(listed, (Names{"cut.mid", "dangling.mid", "fifo.mid", "good.mid", "huge.mid",
                             "loop1.mid", "loop2.mid", "text.mid"}));
    // Unreadable files are found by their names.
    EXPECT_EQ(Found(index, "dangling"), (Names{"dangling.mid"}));
}

TEST_F(LibraryTest, ADamagedIndexFileIsMadeAnew) {
    WriteMap(folder_ / "a.mid", "Alpha", {});
    {
        CLibraryIndex index(indexPath_);
        index.Refresh(folder_.string());
    }
    for (const char* suffix : {"-wal", "-shm"}) {
        fs::remove(indexPath_ + suffix);
    }
    std::string garbage(8192, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>(i * 131 + 7);
    }
    std::ofstream(indexPath_, std::ios::binary | std::ios::trunc) << garbage;

    CLibraryIndex index(indexPath_);
    ASSERT_TRUE(index.Ok());
    EXPECT_EQ(index.Refresh(folder_.string()).read, 1u);
    EXPECT_EQ(Found(index, "alpha"), (Names{"a.mid"}));

    // An index whose tables are damaged after its header is made anew too.
    {
        std::fstream file(indexPath_, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(4096);
        file.write(garbage.data(), 4096);
    }
    CLibraryIndex again(indexPath_);
    ASSERT_TRUE(again.Ok());
    again.Refresh(folder_.string());
    EXPECT_EQ(Found(again, "alpha"), (Names{"a.mid"}));
}

TEST_F(LibraryTest, NotesAreFoundByTheNamesTheSearcherGivesThem) {
    const ControllerId r1 = FindController("R1");
    const ControllerId r2 = FindController("R2");
    const ControllerId s1 = FindController("S1");
    WriteMap(folder_ / "keys.mid", "Keys",
             {{r1, KindNote, 0, 60}, {r2, KindNote, 0, 48}, {s1, KindNote, 0, 61, "C4 sweep"}});
    CLibraryIndex index(indexPath_);
    index.Refresh(folder_.string());
    auto found = [&](std::string_view query, MiddleC middleC) {
        std::vector<LibraryEntry> entries;
        EXPECT_TRUE(index.Search(folder_.string(), query, middleC, entries)) << query;
        return entries.size() == 1 ? ControlListText(entries[0].matches) : std::string("-");
    };
    // Note 60 is C3 or C4; "C3" alone is also a control's name, searched as a word then.
    EXPECT_EQ(found("C3", MiddleC::C3), "R1");
    EXPECT_EQ(found("C4", MiddleC::C4), "R1,S1"); // S1 by its comment
    EXPECT_EQ(found("C3", MiddleC::C4), "R2");
    EXPECT_EQ(found("C#4", MiddleC::C4), "S1");
    EXPECT_EQ(found("Db3", MiddleC::C3), "S1");
    EXPECT_EQ(found("keys C#4", MiddleC::C4), "S1");
    EXPECT_EQ(found("C2", MiddleC::C4), "-");
}

TEST_F(LibraryTest, EveryWordOfAQueryCountsAndAnyFolderCanBeSearched) {
    WriteMap(folder_ / "live.mid", "Live Set", {{FindController("S1"), KindControlChange, 0, 74}});
    CLibraryIndex index(indexPath_);
    index.Refresh(folder_.string());
    std::string query;
    for (int i = 0; i < 20; ++i) {
        query += "live ";
    }
    EXPECT_EQ(Found(index, query), (Names{"live.mid"}));
    EXPECT_EQ(Found(index, query + "cc74"), (Names{"live.mid:S1"}));
    EXPECT_EQ(Found(index, query + "nothing"), (Names{}));
    EXPECT_EQ(Found(index, query + "nothing cc74"), (Names{}));

    // The root folder holds every folder's maps.
    const std::string live = (fs::path(CLibraryIndex::FolderKey(folder_)) / "live.mid").string();
    for (const char* root : {"/", "//", "/."}) {
        std::vector<LibraryEntry> entries;
        ASSERT_TRUE(index.Search(root, "live", MiddleC::C3, entries)) << root;
        ASSERT_EQ(entries.size(), 1u) << root;
        EXPECT_EQ(entries[0].path, live);
    }
}

TEST_F(LibraryTest, AMapPutBackWithTheSameSizeAndTimeIsReadAgain) {
    WriteMap(folder_ / "a.mid", "Alpha", {});
    WriteMap(scratch_ / "b.mid", "Bravo", {});
    WriteMap(scratch_ / "c.mid", "Cobra", {});
    ASSERT_EQ(fs::file_size(folder_ / "a.mid"), fs::file_size(scratch_ / "b.mid"));
    CLibraryIndex index(indexPath_);
    index.Refresh(folder_.string());
    const auto time = fs::last_write_time(folder_ / "a.mid");

    // Copied over it in place, keeping the time (cp -p).
    fs::copy_file(scratch_ / "b.mid", folder_ / "a.mid", fs::copy_options::overwrite_existing);
    fs::last_write_time(folder_ / "a.mid", time);
    EXPECT_EQ(index.Refresh(folder_.string()).read, 1u);
    EXPECT_EQ(Found(index, "bravo"), (Names{"a.mid"}));
    EXPECT_EQ(Found(index, "alpha"), (Names{}));

    // Renamed over it, keeping the time (rsync -a).
    fs::copy_file(scratch_ / "c.mid", folder_ / ".a.mid.tmp");
    fs::last_write_time(folder_ / ".a.mid.tmp", time);
    fs::rename(folder_ / ".a.mid.tmp", folder_ / "a.mid");
    EXPECT_EQ(index.Refresh(folder_.string()).read, 1u);
    EXPECT_EQ(Found(index, "cobra"), (Names{"a.mid"}));

    // Its status changed without its bytes: compared, not read.
    ::chmod((folder_ / "a.mid").c_str(), 0640);
    EXPECT_EQ(index.Refresh(folder_.string()).read, 0u);
    EXPECT_EQ(Found(index, "cobra"), (Names{"a.mid"}));
}

TEST_F(LibraryTest, TheMapsOfAFolderThatIsNoLongerThereAreForgotten) {
    WriteMap(folder_ / "sub" / "a.mid", "Alpha", {});
    const fs::path other = scratch_ / "other";
    WriteMap(other / "b.mid", "Bravo", {});
    CLibraryIndex index(indexPath_);
    index.Refresh(folder_.string());
    index.Refresh((folder_ / "sub").string());
    index.Refresh(other.string());

    const fs::path renamed = scratch_ / "renamed";
    fs::rename(folder_, renamed);
    index.Refresh(other.string());
    std::vector<LibraryEntry> entries;
    for (const fs::path& gone : {folder_, folder_ / "sub"}) {
        ASSERT_TRUE(index.Search(gone.string(), "", MiddleC::C3, entries));
        EXPECT_TRUE(entries.empty()) << gone;
    }
    // Anywhere else, the other folder's maps and nothing of the renamed one.
    ASSERT_TRUE(index.Search(scratch_.string(), "", MiddleC::C3, entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].title, "Bravo");
}

TEST_F(LibraryTest, AWalkThatFailsPartWayForgetsOnlyWhatIsGone) {
    for (const char* sub : {"a", "b", "c", "d", "e"}) {
        for (int i = 0; i < 3; ++i) {
            WriteMap(folder_ / sub / "deep" / (std::string(sub) + std::to_string(i) + ".mid"),
                     std::string("Map ") + sub, {});
        }
    }
    CLibraryIndex index(indexPath_);
    ASSERT_EQ(index.Refresh(folder_.string()).read, 15u);
    WriteMap(folder_ / "e" / "new.mid", "Map new", {});

    // "b" goes away while the walk is under way, "c/deep" cannot be listed.
    const std::string key = CLibraryIndex::FolderKey(folder_);
    std::vector<std::string> visited;
    index.SetFolderHook([&](const std::string& folder) {
        visited.push_back(folder);
        if (folder == key + "/b") {
            fs::remove_all(folder);
        }
        return folder == key + "/c/deep" ? EIO : 0;
    });
    const RefreshResult refresh = index.Refresh(folder_.string());
    EXPECT_FALSE(refresh.indexFailed);
    EXPECT_EQ(refresh.read, 1u);
    EXPECT_EQ(refresh.removed, 3u);
    ASSERT_EQ(refresh.unread.size(), 1u);
    EXPECT_EQ(refresh.unread[0].path, key + "/c/deep");
    EXPECT_EQ(refresh.unread[0].cause, FileErrorCauseOf(EIO));
    EXPECT_EQ(visited.size(), 9u); // a, b, c, d, e with their "deep", b's never reached
    // What could not be listed is kept as it was known; the rest is as it is now.
    EXPECT_EQ(
        Found(index, ""),
        (Names{"a/deep/a0.mid", "a/deep/a1.mid", "a/deep/a2.mid", "c/deep/c0.mid", "c/deep/c1.mid",
               "c/deep/c2.mid", "d/deep/d0.mid", "d/deep/d1.mid", "d/deep/d2.mid", "e/deep/e0.mid",
               "e/deep/e1.mid", "e/deep/e2.mid", "e/new.mid"}));

    // Listed again, the folder's maps are as they are.
    fs::remove(folder_ / "c" / "deep" / "c0.mid");
    index.SetFolderHook({});
    EXPECT_TRUE(index.Refresh(folder_.string()).unread.empty());
    EXPECT_EQ(Found(index, "c").size(), 2u);
}

// Overwrites the first page of the index's table `table` with garbage: the index opens and
// lists its maps, the damage shows only where that table is read.
void DamageTable(const std::string& indexPath, const char* table) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(indexPath.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    std::int64_t page = 0;
    std::int64_t pageSize = 0;
    for (const std::string& sql :
         {"SELECT rootpage FROM sqlite_master WHERE name = '" + std::string(table) + "'",
          std::string("PRAGMA page_size")}) {
        ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
        (page == 0 ? page : pageSize) = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
    }
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    ASSERT_GT(page, 1);
    std::fstream file(indexPath, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp((page - 1) * pageSize);
    const std::string garbage(static_cast<std::size_t>(pageSize), '\x5a');
    file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
}

TEST_F(LibraryTest, AnIndexDamagedWhereOnlyASearchReadsIsMadeAnew) {
    WriteMap(folder_ / "a.mid", "Alpha", {{FindController("S1"), KindControlChange, 0, 74}});
    WriteMap(folder_ / "b.mid", "Bravo", {});
    for (const char* table : {"words_data", "titles_data"}) {
        {
            CLibraryIndex index(indexPath_);
            index.Refresh(folder_.string());
        }
        DamageTable(indexPath_, table);
        CLibraryIndex index(indexPath_);
        ASSERT_TRUE(index.Ok());
        EXPECT_EQ(index.Refresh(folder_.string()).read, 0u) << table; // the list of maps is whole
        std::vector<LibraryEntry> entries;
        EXPECT_FALSE(index.Search(folder_.string(), "cc74", MiddleC::C3, entries)) << table;
        EXPECT_TRUE(entries.empty());
        // Made anew: the next refresh reads every map again and the search answers.
        EXPECT_EQ(index.Refresh(folder_.string()).read, 2u) << table;
        EXPECT_EQ(Found(index, "cc74"), (Names{"a.mid:S1"})) << table;
        EXPECT_EQ(Found(index, "bravo"), (Names{"b.mid"})) << table;
    }
}

TEST_F(LibraryTest, TwoUsersRefreshOneIndexAtOnce) {
    for (int i = 0; i < 200; ++i) {
        WriteMap(folder_ / ("m" + std::to_string(i) + ".mid"), "Map " + std::to_string(i),
                 {{0, KindControlChange, 0, i % 128}});
    }
    RefreshResult first;
    RefreshResult second;
    {
        CLibraryIndex a(indexPath_);
        CLibraryIndex b(indexPath_);
        std::jthread one([&] { first = a.Refresh(folder_.string()); });
        std::jthread two([&] { second = b.Refresh(folder_.string()); });
    }
    EXPECT_FALSE(first.indexFailed);
    EXPECT_FALSE(second.indexFailed);
    CLibraryIndex index(indexPath_);
    EXPECT_EQ(Found(index, "").size(), 200u);
    EXPECT_EQ(Found(index, "CC 5"), (Names{"m133.mid:R1", "m5.mid:R1"}));
}

} // namespace
} // namespace kel

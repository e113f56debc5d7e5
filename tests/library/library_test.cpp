// SPDX-License-Identifier: GPL-3.0-or-later
// The library's index on real folders of map files: what a search finds, how a refresh follows
// the folder, files that are no maps, a damaged index, and two users of one index at once.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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
    ASSERT_EQ(SaveMapDocument(path.string(), document).status, SafeSaveStatus::Saved) << path;
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
        EXPECT_TRUE(index.Search(folder_.string(), query, entries)) << query;
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
    ASSERT_TRUE(index.Search(folder_.string(), "", entries));
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

// SPDX-License-Identifier: GPL-3.0-or-later
// The device's history on disk: names within one second, the order of the entries and the cap.
#include "session/history.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/file_test_support.h"

namespace kel {
namespace {

using test::ScratchDir;

// Transfers ending within one second (the editor and kelmap at once, or a fast device) get
// names of their own, and the one written last counts as the newest whatever its direction:
// the cap removes the older ones.
TEST(History, EntriesOfOneSecondKeepTheOrderTheyWereWrittenIn) {
    ScratchDir dir;
    const std::string folder = (dir / "history").string();
    CParameter document;
    document.SetTitle("Live");
    const std::time_t now = 1765221288; // one second for all of them
    const std::vector<HistoryDirection> order = {
        HistoryDirection::Transmitted, HistoryDirection::Received, HistoryDirection::Transmitted,
        HistoryDirection::Received};
    std::vector<std::string> written;
    for (std::size_t i = 0; i < order.size(); ++i) {
        // Apart by more than the file system's clock tick.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        const Result<std::string> added =
            AddToHistory(folder, document, order[i], "Port " + std::to_string(i), 3, now);
        ASSERT_TRUE(added.Ok()) << EnglishText(added.Why());
        written.push_back(*added);
    }
    EXPECT_NE(written[0], written[2]); // the same direction in the same second: "-2"
    const std::vector<HistoryEntry> entries = ListHistory(folder);
    ASSERT_EQ(entries.size(), 3u); // the first transmit went
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t index = order.size() - 1 - i;
        EXPECT_EQ(entries[i].path, written[index]);
        EXPECT_EQ(entries[i].direction, order[index]);
        EXPECT_EQ(entries[i].port, "Port " + std::to_string(index));
        EXPECT_EQ(entries[i].title, "Live");
        EXPECT_FALSE(entries[i].damaged);
    }
}

// An entry whose sidecar was lost keeps its map when a transfer ends in the same second, and a
// sidecar left without its map gives its name to the new entry, which gets a sidecar of its own.
TEST(History, AnEntryWithoutItsSidecarIsNeverOverwritten) {
    ScratchDir dir;
    const std::string folder = (dir / "history").string();
    const std::time_t now = 1765221288;
    CParameter first;
    first.SetTitle("First");
    const Result<std::string> kept =
        AddToHistory(folder, first, HistoryDirection::Received, "A", 10, now);
    ASSERT_TRUE(kept.Ok()) << EnglishText(kept.Why());
    std::filesystem::path lost(*kept);
    lost.replace_extension(".txt");
    ASSERT_TRUE(std::filesystem::remove(lost));
    // The sidecar of the name the next entry would take, its map gone.
    std::filesystem::path orphan(*kept);
    orphan.replace_filename(orphan.stem().string() + "-2.txt");
    std::ofstream(orphan) << "received\tGone\n";

    CParameter second;
    second.SetTitle("Second");
    const Result<std::string> added =
        AddToHistory(folder, second, HistoryDirection::Received, "B", 10, now);
    ASSERT_TRUE(added.Ok()) << EnglishText(added.Why());
    EXPECT_NE(*added, *kept);
    const std::vector<HistoryEntry> entries = ListHistory(folder);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, *added);
    EXPECT_EQ(entries[0].title, "Second");
    EXPECT_EQ(entries[0].port, "B");
    EXPECT_EQ(entries[1].path, *kept);
    EXPECT_EQ(entries[1].title, "First");
    EXPECT_EQ(entries[1].port, "");
    EXPECT_FALSE(entries[1].damaged);
}

} // namespace
} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/mapfile.h"
#include "session/mapfiles.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/fileio.h"
#include "support/file_test_support.h"

namespace kel {
namespace {

using test::Bytes;
using test::RecordingReporter;
using test::ScratchDir;

// The file commands' host, also watching the document as the editor's views do.
struct FakeHost : MapFileHost, DocumentObserver {
    std::vector<std::string> titles;
    int refreshes = 0;
    int titleCommits = 0;
    int dialogApplies = 0;
    std::optional<std::string> savePath;
    std::optional<std::string> openPath;
    int saveDialogs = 0;
    std::function<void()> onCommitTitle;

    void UpdateTitle(const std::string& title) override { titles.push_back(title); }
    void MapReplaced() override { ++refreshes; }
    void CommitTitleField() override {
        ++titleCommits;
        if (onCommitTitle) {
            onCommitTitle();
        }
    }
    void ApplyAssignDialog() override { ++dialogApplies; }
    std::optional<std::string> ChooseSavePath() override {
        ++saveDialogs;
        return savePath;
    }
    std::optional<std::string> ChooseOpenPath() override { return openPath; }
    ChangedFileAnswer changedAnswer = ChangedFileAnswer::Cancel;
    std::vector<std::string> changedAsked;
    ChangedFileAnswer AskReplaceChangedFile(const std::string& path) override {
        changedAsked.push_back(path);
        return changedAnswer;
    }
};

struct FakeQuestioner : Questioner {
    Answer answer = Answer::No;
    int asked = 0;
    Answer askYesNoCancel(StringId id) override {
        EXPECT_EQ(id, StringId::AskSaveChanges);
        ++asked;
        return answer;
    }
};

const std::string kAppSuffix = " - VOSTEL KEL Editor";

class MapFileTest : public ::testing::Test {
protected:
    MapFileTest() : files(doc, reporter, host) {}

    // Gives the map some content and marks it modified.
    void Edit(ControllerId id = 3) {
        doc.RecordOf(id) = test::SampleRecord(id);
        doc.SetMapComment(id, "edited " + std::to_string(id));
    }

    void WriteMap(const std::filesystem::path& path, ControllerId id) {
        CParameter other;
        other.RecordOf(id) = test::SampleRecord(id);
        other.SetTitle("on disk");
        ASSERT_TRUE(SaveMapDocument(path, other).Ok());
    }

    ScratchDir dir;
    CParameter doc;
    RecordingReporter reporter;
    FakeHost host;
    FakeQuestioner questioner;
    CMapFiles files;
    // Registered after the files' constructor, as the editor's views are.
    const bool watching = (doc.AddObserver(&host), true);
};

// --- new, load -----------------------------------------------------------------------------

TEST_F(MapFileTest, NewMapFileEmptiesTheMapAndTitle) {
    Edit();
    doc.SetCopyrightText("(c)");
    files.SetCurrentPath("/some/map.mid");
    files.NewMapFile();
    EXPECT_EQ(files.CurrentPath(), "");
    EXPECT_EQ(host.titles.back(), "Untitled" + kAppSuffix);
    EXPECT_EQ(doc.RecordOf(3), AssignRecord{});
    EXPECT_EQ(doc.GetMapComment(3), "");
    EXPECT_EQ(doc.CopyrightText(), "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(host.refreshes, 1);
}

TEST_F(MapFileTest, LoadKeepsSelectionFoldsTwinsAndAddsRecent) {
    const auto path = dir / "twins.mid";
    CParameter other;
    AssignRecord twin = test::SampleRecord(4);
    twin[rec::AssignCode] = CodeControlChangeTwin;
    other.RecordOf(4) = twin;
    ASSERT_TRUE(SaveMapDocument(path, other).Ok());

    doc.SelectController(4);
    ASSERT_EQ(files.LoadMapFile(path, ControlMapKind), 1);
    EXPECT_EQ(doc.RecordOf(4), test::SampleRecord(4)); // twin code folded
    EXPECT_EQ(doc.SelectedController(), 4);
    EXPECT_EQ(doc.EditBuffer().record, test::SampleRecord(4));
    EXPECT_EQ(files.CurrentPath(), path.string());
    EXPECT_EQ(host.titles.back(), path.string() + kAppSuffix);
    EXPECT_EQ(files.RecentFiles().Entries(), std::vector<std::string>{path.string()});
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(reporter.warnings.empty());
}

TEST_F(MapFileTest, FailedLoadLeavesAnEmptyUntitledMap) {
    // A file that breaks off after 25 good messages must not leave them in the map.
    test::TrackBuilder t;
    for (ControllerId id = 0; id < 25; ++id) {
        t.Exclusive(test::ControlMapMessage(id, test::SampleRecord(id)));
    }
    test::WriteFile(dir / "half.mid", t.File());
    test::WriteFile(dir / "memset.mid", test::MemorySetFile(27));

    const struct {
        std::string name;
        StringId message;
        int cause;
    } cases[] = {
        {"half.mid", StringId::NotControlMap, 0},
        {"memset.mid", StringId::NotControlMap, 0},
        {"missing.mid", StringId::LoadError, CauseFileNotFound},
    };
    for (const auto& c : cases) {
        Edit();
        files.SetCurrentPath("/previous/map.mid");
        reporter.warnings.clear();
        EXPECT_EQ(files.LoadMapFile(dir / c.name, ControlMapKind), 0) << c.name;
        ASSERT_EQ(reporter.warnings.size(), 1u) << c.name;
        EXPECT_EQ(reporter.warnings[0].first, c.message) << c.name;
        EXPECT_EQ(reporter.warnings[0].second, c.cause) << c.name;
        EXPECT_EQ(files.CurrentPath(), "") << c.name;
        EXPECT_EQ(host.titles.back(), "Untitled" + kAppSuffix);
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            EXPECT_EQ(doc.RecordOf(id), AssignRecord{}) << c.name << " " << id;
        }
        EXPECT_FALSE(doc.IsModified()) << c.name;
    }
    EXPECT_EQ(files.RecentFiles().Size(), 0u);
}

TEST_F(MapFileTest, ImportMemorySetPlacesSlotsAndStaysOffTheRecentList) {
    test::WriteFile(dir / "set.mid", test::MemorySetFile(27));
    host.openPath = (dir / "set.mid").string();
    ASSERT_EQ(files.CommandImportMemorySet(questioner), 1);
    EXPECT_EQ(files.CurrentPath(), host.openPath);
    EXPECT_EQ(host.titles.back(), *host.openPath + kAppSuffix);
    EXPECT_EQ(files.RecentFiles().Size(), 0u);
    EXPECT_EQ(doc.GetMapComment(9), "slot 8");
    EXPECT_EQ(doc.RecordOf(8), AssignRecord{});  // R9
    EXPECT_EQ(doc.RecordOf(49), AssignRecord{}); // AFT
    EXPECT_FALSE(doc.IsModified());

    // A control map file is not a memory set.
    WriteMap(dir / "map.mid", 0);
    host.openPath = (dir / "map.mid").string();
    EXPECT_EQ(files.CommandImportMemorySet(questioner), 0);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].first, StringId::NotMemorySet);
    EXPECT_EQ(files.CurrentPath(), "");
}

// --- save ----------------------------------------------------------------------------------

TEST_F(MapFileTest, SaveWritesTheMapAndBecomesNamedAndClean) {
    Edit();
    doc.SetTitle("Saved");
    const auto path = dir / "saved.mid";
    ASSERT_EQ(files.SaveMapFile(path), 1);
    EXPECT_EQ(host.titleCommits, 1);
    EXPECT_EQ(host.dialogApplies, 1);
    EXPECT_EQ(files.CurrentPath(), path.string());
    EXPECT_EQ(host.titles.back(), path.string() + kAppSuffix);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(files.RecentFiles().At(0), path.string());
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"saved.mid"});

    CParameter loaded;
    ASSERT_TRUE(ReadMapFile(path, ControlMapKind, loaded).Ok());
    EXPECT_EQ(loaded.RecordOf(3), test::SampleRecord(3));
    EXPECT_EQ(loaded.GetMapComment(3), "edited 3");
    EXPECT_EQ(loaded.GetTitle(), "Saved");
}

TEST_F(MapFileTest, SaveReplacesAnExistingFileKeepingItsPermissions) {
    const auto path = dir / "map.mid";
    WriteMap(path, 10);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    Edit(20);
    ASSERT_EQ(files.SaveMapFile(path), 1);
    CParameter loaded;
    ASSERT_TRUE(ReadMapFile(path, ControlMapKind, loaded).Ok());
    EXPECT_EQ(loaded.RecordOf(10), AssignRecord{});
    EXPECT_EQ(loaded.RecordOf(20), test::SampleRecord(20));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"map.mid"});
}

TEST_F(MapFileTest, SaveThroughALinkUpdatesTheLinkedFile) {
    WriteMap(dir / "real.mid", 1);
    std::filesystem::create_symlink("real.mid", dir / "link.mid");
    Edit(2);
    ASSERT_EQ(files.SaveMapFile(dir / "link.mid"), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.mid"));
    CParameter loaded;
    ASSERT_TRUE(ReadMapFile(dir / "real.mid", ControlMapKind, loaded).Ok());
    EXPECT_EQ(loaded.RecordOf(2), test::SampleRecord(2));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"link.mid", "real.mid"}));
}

TEST_F(MapFileTest, SaveThroughADanglingLinkCreatesItsTargetAndKeepsTheLink) {
    // A link to a file not made yet, also through a second link; and one into a folder that
    // does not exist, where the save fails and the link stays as it was.
    std::filesystem::create_symlink("second.mid", dir / "first.mid");
    std::filesystem::create_symlink("new.mid", dir / "second.mid");
    std::filesystem::create_symlink("no-such-dir/map.mid", dir / "nowhere.mid");
    Edit(2);
    ASSERT_EQ(files.SaveMapFile(dir / "first.mid"), 1);
    Edit(4);
    EXPECT_EQ(files.SaveMapFile(dir / "nowhere.mid"), 0);
    EXPECT_EQ(reporter.warnings,
              (std::vector<std::pair<StringId, int>>{{StringId::SaveError, CauseFileNotFound}}));
    EXPECT_EQ(std::filesystem::read_symlink(dir / "first.mid"), "second.mid");
    EXPECT_EQ(std::filesystem::read_symlink(dir / "second.mid"), "new.mid");
    EXPECT_EQ(std::filesystem::read_symlink(dir / "nowhere.mid"), "no-such-dir/map.mid");
    CParameter loaded;
    ASSERT_TRUE(ReadMapFile(dir / "new.mid", ControlMapKind, loaded).Ok());
    EXPECT_EQ(loaded.RecordOf(2), test::SampleRecord(2));
    EXPECT_EQ(dir.Names(),
              (std::vector<std::string>{"first.mid", "new.mid", "nowhere.mid", "second.mid"}));
}

TEST_F(MapFileTest, FailedSavesChangeNothing) {
    const auto readOnly = dir / "readonly.mid";
    WriteMap(readOnly, 10);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const Bytes before = test::ReadFile(readOnly);
    std::filesystem::create_directory(dir / "folder.mid");

    const struct {
        std::filesystem::path path;
        StringId message;
        int cause;
    } cases[] = {
        {readOnly, StringId::CannotOverwrite, 0},
        {dir / "no-such-dir" / "map.mid", StringId::SaveError, CauseFileNotFound},
        {dir / "folder.mid", StringId::SaveError, CauseAccessDenied},
        {"", StringId::SaveError, CauseBadPath},
    };
    for (const auto& c : cases) {
        files.SetCurrentPath("/earlier.mid");
        Edit();
        reporter.warnings.clear();
        EXPECT_EQ(files.SaveMapFile(c.path), 0) << c.path;
        ASSERT_EQ(reporter.warnings.size(), 1u) << c.path;
        EXPECT_EQ(reporter.warnings[0].first, c.message) << c.path;
        EXPECT_EQ(reporter.warnings[0].second, c.cause) << c.path;
        EXPECT_EQ(files.CurrentPath(), "/earlier.mid");
        EXPECT_TRUE(doc.IsModified());
    }
    EXPECT_EQ(test::ReadFile(readOnly), before);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"folder.mid", "readonly.mid"}));
    EXPECT_EQ(files.RecentFiles().Size(), 0u);
}

// Runs `body` in a child process and expects it to exit with 0; what it checks goes there.
void InChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed check number " << WEXITSTATUS(status);
}

TEST_F(MapFileTest, AWriteThatHitsTheFileSizeLimitKeepsTheOldFile) {
    const auto path = dir / "map.mid";
    WriteMap(path, 10);
    const Bytes before = test::ReadFile(path);
    Edit(20);
    InChild([&] {
        // Files may grow to 4 KiB only: the 7 KiB map cannot be written.
        const rlimit limit{4096, 4096};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return 1;
        }
        if (files.SaveMapFile(path) != 0) {
            return 2;
        }
        if (reporter.warnings.size() != 1 || reporter.warnings[0].first != StringId::SaveError ||
            reporter.warnings[0].second != CauseDiskFull) {
            return 3;
        }
        return doc.IsModified() ? 0 : 4;
    });
    EXPECT_EQ(test::ReadFile(path), before);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"map.mid"});
}

TEST_F(MapFileTest, SaveCurrentMapAsksForAPathOnlyWhenUntitled) {
    Edit();
    EXPECT_EQ(files.SaveCurrentMap(), 0); // dialog cancelled
    EXPECT_EQ(host.saveDialogs, 1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(files.CurrentPath(), "");
    EXPECT_TRUE(dir.Names().empty());

    host.savePath = (dir / "chosen.mid").string();
    EXPECT_EQ(files.SaveCurrentMap(), 1);
    EXPECT_EQ(host.saveDialogs, 2);
    EXPECT_EQ(files.CurrentPath(), *host.savePath);

    Edit(5);
    EXPECT_EQ(files.SaveCurrentMap(), 1);
    EXPECT_EQ(host.saveDialogs, 2); // named: saved in place
    EXPECT_FALSE(doc.IsModified());

    host.savePath = (dir / "other.mid").string();
    EXPECT_EQ(files.SaveMapFileAs(), 1);
    EXPECT_EQ(files.CurrentPath(), *host.savePath);
    EXPECT_EQ(files.RecentFiles().Entries(),
              (std::vector<std::string>{*host.savePath, (dir / "chosen.mid").string()}));
}

// --- commands and the save question --------------------------------------------------------

TEST_F(MapFileTest, SaveAsksBeforeReplacingAFileChangedOnDisk) {
    const std::string path = (dir / "map.mid").string();
    const std::string other = (dir / "other.mid").string();
    WriteMap(path, 5);
    ASSERT_EQ(files.LoadMapFile(path, ControlMapKind), 1);
    Edit(7);
    // Unchanged on disk: saved without a question, and again after its own save.
    EXPECT_EQ(files.SaveCurrentMap(), 1);
    Edit(8);
    EXPECT_EQ(files.SaveCurrentMap(), 1);
    EXPECT_TRUE(host.changedAsked.empty());

    // Another program replaces the file (a new file renamed over it, as saves do).
    WriteMap(path, 9);
    const Bytes theirs = test::ReadFile(path);
    Edit(10);
    host.changedAnswer = ChangedFileAnswer::Cancel;
    EXPECT_EQ(files.SaveCurrentMap(), 0);
    EXPECT_EQ(host.changedAsked, std::vector<std::string>{path});
    EXPECT_EQ(test::ReadFile(path), theirs);
    EXPECT_TRUE(doc.IsModified());

    // Save As: the map goes to the other file, which becomes the current one.
    host.changedAnswer = ChangedFileAnswer::SaveAs;
    host.savePath = other;
    EXPECT_EQ(files.SaveCurrentMap(), 1);
    EXPECT_EQ(test::ReadFile(path), theirs);
    EXPECT_EQ(files.CurrentPath(), other);
    CParameter saved;
    ASSERT_TRUE(ReadMapFile(other, ControlMapKind, saved).Ok());
    EXPECT_EQ(saved.RecordOf(10), test::SampleRecord(10));

    // Changed in place (same file, other content): Replace saves over it; then it is ours.
    ASSERT_EQ(files.LoadMapFile(path, ControlMapKind), 1);
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out << "appended by a sync tool";
    }
    Edit(11);
    host.changedAnswer = ChangedFileAnswer::Replace;
    host.changedAsked.clear();
    EXPECT_EQ(files.SaveCurrentMap(), 1);
    EXPECT_EQ(host.changedAsked.size(), 1u);
    ASSERT_TRUE(ReadMapFile(path, ControlMapKind, saved).Ok());
    EXPECT_EQ(saved.RecordOf(11), test::SampleRecord(11));
    EXPECT_FALSE(files.CurrentFileChangedOnDisk());

    // A file that is gone is simply written again.
    std::filesystem::remove(path);
    Edit(12);
    host.changedAsked.clear();
    EXPECT_EQ(files.SaveCurrentMap(), 1);
    EXPECT_TRUE(host.changedAsked.empty());
}

TEST_F(MapFileTest, CommandsAskFirstAndStopOnCancel) {
    WriteMap(dir / "a.mid", 1);
    host.openPath = (dir / "a.mid").string();
    const std::vector<std::function<int()>> commands = {
        [&] { return files.CommandNew(questioner); },
        [&] { return files.CommandOpen(questioner); },
        [&] { return files.CommandImportMemorySet(questioner); },
        [&] { return files.CommandOpenDropped({host.openPath.value()}, questioner); },
    };
    for (std::size_t i = 0; i < commands.size(); ++i) {
        Edit();
        files.SetCurrentPath("/earlier.mid");
        questioner.answer = Answer::Cancel;
        questioner.asked = 0;
        EXPECT_EQ(commands[i](), 0) << i;
        EXPECT_EQ(questioner.asked, 1) << i;
        EXPECT_EQ(doc.RecordOf(3), test::SampleRecord(3)) << i;
        EXPECT_EQ(files.CurrentPath(), "/earlier.mid") << i;
    }
}

TEST_F(MapFileTest, CommittedTitleFieldCountsAsAChange) {
    // The TITLE field holds typed text that reaches the map only when committed: New must
    // commit it before asking, so the question comes.
    host.onCommitTitle = [&] { doc.SetTitle("typed"); };
    questioner.answer = Answer::No;
    EXPECT_EQ(files.CommandNew(questioner), 1);
    EXPECT_EQ(questioner.asked, 1);
    EXPECT_EQ(doc.GetTitle(), "");
}

TEST_F(MapFileTest, YesSavesBeforeOpening) {
    WriteMap(dir / "a.mid", 1);
    Edit();
    host.savePath = (dir / "kept.mid").string();
    host.openPath = (dir / "a.mid").string();
    questioner.answer = Answer::Yes;
    ASSERT_EQ(files.CommandOpen(questioner), 1);
    CParameter kept;
    ASSERT_TRUE(ReadMapFile(dir / "kept.mid", ControlMapKind, kept).Ok());
    EXPECT_EQ(kept.RecordOf(3), test::SampleRecord(3));
    EXPECT_EQ(doc.RecordOf(1), test::SampleRecord(1));
    EXPECT_EQ(files.CurrentPath(), *host.openPath);
}

TEST_F(MapFileTest, AYesWhoseSaveFailsOrIsCancelledKeepsTheMap) {
    WriteMap(dir / "a.mid", 1);
    host.openPath = (dir / "a.mid").string();
    questioner.answer = Answer::Yes;
    // Untitled, and the save dialog is cancelled.
    Edit();
    EXPECT_EQ(files.CommandOpen(questioner), 0);
    EXPECT_EQ(files.CommandNew(questioner), 0);
    EXPECT_EQ(files.ConfirmDiscard(questioner), Answer::Cancel);
    // Named, and the save fails (its folder is gone).
    files.SetCurrentPath((dir / "gone" / "map.mid").string());
    EXPECT_EQ(files.CommandOpen(questioner), 0);
    EXPECT_EQ(doc.RecordOf(3), test::SampleRecord(3));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(files.CurrentPath(), (dir / "gone" / "map.mid").string());
}

TEST_F(MapFileTest, DroppedFilesOpenTheFirstOnly) {
    WriteMap(dir / "first.mid", 1);
    WriteMap(dir / "second.mid", 2);
    EXPECT_EQ(files.CommandOpenDropped({}, questioner), 0);
    ASSERT_EQ(files.CommandOpenDropped(
                  {(dir / "first.mid").string(), (dir / "second.mid").string()}, questioner),
              1);
    EXPECT_EQ(files.CurrentPath(), (dir / "first.mid").string());
    EXPECT_EQ(files.RecentFiles().Size(), 1u);
}

TEST_F(MapFileTest, RecentEntryThatFailsLeavesTheList) {
    WriteMap(dir / "a.mid", 1);
    WriteMap(dir / "b.mid", 2);
    files.RecentFiles().Load(
        {(dir / "gone.mid").string(), (dir / "a.mid").string(), (dir / "b.mid").string()});
    EXPECT_EQ(files.CommandOpenRecent(7, questioner), 0);
    EXPECT_TRUE(reporter.warnings.empty());

    EXPECT_EQ(files.CommandOpenRecent(0, questioner), 0);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0], std::make_pair(StringId::LoadError, int{CauseFileNotFound}));
    EXPECT_EQ(files.RecentFiles().Entries(),
              (std::vector<std::string>{(dir / "a.mid").string(), (dir / "b.mid").string()}));

    EXPECT_EQ(files.CommandOpenRecent(1, questioner), 1);
    EXPECT_EQ(doc.RecordOf(2), test::SampleRecord(2));
    EXPECT_EQ(files.RecentFiles().Entries(),
              (std::vector<std::string>{(dir / "b.mid").string(), (dir / "a.mid").string()}));
}

// --- the recent-file list ------------------------------------------------------------------

TEST(RecentFileList, MostRecentFirstWithoutRepeatsAndAtMostFour) {
    RecentFileList list;
    for (const char* p : {"/m/1.mid", "/m/2.mid", "/m/3.mid", "/m/4.mid", "/m/5.mid"}) {
        list.Add(p);
    }
    EXPECT_EQ(list.Entries(),
              (std::vector<std::string>{"/m/5.mid", "/m/4.mid", "/m/3.mid", "/m/2.mid"}));
    list.Add("/m/./sub/../3.mid"); // the same file written another way moves to the top
    EXPECT_EQ(list.Entries(),
              (std::vector<std::string>{"/m/3.mid", "/m/5.mid", "/m/4.mid", "/m/2.mid"}));
    list.Add("");
    EXPECT_EQ(list.Size(), 4u);
    list.Remove(1);
    list.Remove(9);
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/m/3.mid", "/m/4.mid", "/m/2.mid"}));
    list.RemoveFile("/m/4.mid");
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/m/3.mid", "/m/2.mid"}));
}

TEST(RecentFileList, LoadSkipsEmptyAndRepeatedEntries) {
    RecentFileList list;
    list.Load({"/a.mid", "", "/b.mid", "/a.mid", "/c.mid", "/d.mid", "/e.mid"});
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/a.mid", "/b.mid", "/c.mid", "/d.mid"}));
    // Relative paths are kept as absolute ones, so they still work after a directory change.
    list.Load({"rel.mid"});
    EXPECT_EQ(list.At(0), (std::filesystem::current_path() / "rel.mid").string());
}

TEST(MainWindowTitle, PathOrUntitledThenAppTitle) {
    EXPECT_EQ(MainWindowTitle(""), "Untitled - VOSTEL KEL Editor");
    EXPECT_EQ(MainWindowTitle("/home/u/map.mid"), "/home/u/map.mid - VOSTEL KEL Editor");
}

} // namespace
} // namespace kel

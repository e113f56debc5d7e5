// SPDX-License-Identifier: GPL-3.0-or-later
// The files of the assignment list: Export and View.
#include "files/listfile.h"
#include "model/assignlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/records.h"
#include "support/scratch.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

using test::Rec;

// --- Files ------------------------------------------------------------------------------------

struct Warning {
    StringId id;
    int detail;
};

class RecordingReporter : public Reporter {
public:
    void warn(StringId id, int detail) override { warnings.push_back({id, detail}); }
    std::vector<Warning> warnings;
};

class RecordingOpener : public DocumentOpener {
public:
    int OpenDocument(const fs::path& file) override {
        opened.push_back(file);
        return result;
    }
    int result = 0;
    std::vector<fs::path> opened;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

class ListFiles : public testing::Test {
protected:
    void SetUp() override {
        root = test::MakeScratchFolder("kel-list-");
        ASSERT_FALSE(root.empty());
        temp = root / "tmp";
        fs::create_directory(temp);
        map.title = "T";
        map.records[0] = Rec({7, 0, 0, 0, 0, 7, 0, 127});
        map.comments[0] = "Volume";
    }
    void TearDown() override { test::RemoveScratchFolder(root); }

    std::vector<fs::path> TempEntries() const {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(temp)) {
            out.push_back(e.path());
        }
        return out;
    }

    fs::path root;
    fs::path temp;
    ControlMap map;
    RecordingReporter reporter;

    // Exports as the editor's command does: a failure is told as a save's.
    int Export(const ControlMap& list, const fs::path& target) {
        const Status saved = ExportAssignList(list, target);
        if (!saved) {
            ReportFileFailure(reporter, saved.Error(), StringId::SaveError, target.string());
            return -1;
        }
        return 0;
    }
};

TEST_F(ListFiles, WriteCreatesOrTruncatesAndReportsCreateFailures) {
    const fs::path file = root / "list.htm";
    WriteFile(file, std::string(100000, 'x'));
    EXPECT_EQ(WriteAssignList(map, file, reporter), 0);
    EXPECT_EQ(ReadFile(file), AssignListHtml(map));
    EXPECT_TRUE(reporter.warnings.empty());

    EXPECT_EQ(WriteAssignList(map, root / "missing" / "list.htm", reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::TempFileError);
    EXPECT_EQ(reporter.warnings[0].detail, 2); // not found
}

TEST_F(ListFiles, WriteFailureOnAFullDiskIsReportedNotSuccess) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    EXPECT_EQ(WriteAssignList(map, "/dev/full", reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::SaveError);
    EXPECT_EQ(reporter.warnings[0].detail, 13); // disk full
}

TEST_F(ListFiles, ExportReplacesTheTargetAndLeavesNothingElse) {
    const fs::path target = root / "out.htm";
    WriteFile(target, std::string(100000, 'x'));
    EXPECT_EQ(Export(map, target), 0);
    EXPECT_EQ(ReadFile(target), AssignListHtml(map));
    map.title = "Second";
    EXPECT_EQ(Export(map, target), 0);
    EXPECT_EQ(ReadFile(target), AssignListHtml(map));
    EXPECT_TRUE(reporter.warnings.empty());
    EXPECT_TRUE(TempEntries().empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 2); // tmp, out
}

TEST_F(ListFiles, ExportRefusesWhatAMapSaveRefusesAndWritesThroughALink) {
    auto expectOne = [&](StringId id, int detail) {
        ASSERT_EQ(reporter.warnings.size(), 1u);
        EXPECT_EQ(reporter.warnings[0].id, id);
        EXPECT_EQ(reporter.warnings[0].detail, detail);
        reporter.warnings.clear();
    };
    // A write-protected list stays as it is (also for the superuser).
    const fs::path locked = root / "locked.htm";
    WriteFile(locked, "old list");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(Export(map, locked), -1);
    expectOne(StringId::CannotOverwrite, 0);
    EXPECT_EQ(ReadFile(locked), "old list");

    // A FIFO stays a FIFO (and nothing waits for a reader of it); a folder stays a folder.
    const fs::path pipe = root / "pipe.htm";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(Export(map, pipe), -1);
    expectOne(StringId::SaveError, 5);
    EXPECT_TRUE(fs::is_fifo(pipe));
    fs::create_directories(root / "dir.htm" / "inside");
    EXPECT_EQ(Export(map, root / "dir.htm"), -1);
    expectOne(StringId::SaveError, 5);
    EXPECT_EQ(Export(map, root / "no" / "a.htm"), -1);
    expectOne(StringId::SaveError, 2);

    // Through a link the linked file gets the list; the link stays.
    const fs::path linked = root / "linked.htm";
    WriteFile(linked, "old list");
    fs::create_symlink(linked, root / "link.htm");
    EXPECT_EQ(Export(map, root / "link.htm"), 0);
    EXPECT_TRUE(fs::is_symlink(root / "link.htm"));
    EXPECT_EQ(ReadFile(linked), AssignListHtml(map));

    // Nothing but what was there before.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(root)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"dir.htm", "link.htm", "linked.htm", "locked.htm",
                                               "pipe.htm", "tmp"}));
}

TEST_F(ListFiles, ViewWritesTheTemporaryListAndOpensIt) {
    RecordingOpener opener;
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0].parent_path(), temp);
    EXPECT_EQ(ReadFile(opener.opened[0]), AssignListHtml(map));
    struct stat st {};
    ASSERT_EQ(::stat(opener.opened[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u); // only the user reads the temporary list

    // The next View writes a file of its own: the browser may still be reading the first,
    // and another editor's View never meets this one at a name.
    const ControlMap first = map;
    map.title = "Second";
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    ASSERT_EQ(opener.opened.size(), 2u);
    EXPECT_NE(opener.opened[1], opener.opened[0]);
    EXPECT_EQ(ReadFile(opener.opened[1]), AssignListHtml(map));
    EXPECT_EQ(ReadFile(opener.opened[0]), AssignListHtml(first));
    EXPECT_TRUE(reporter.warnings.empty());
}

// A View file written by a child process, which then ends at once or, with `live`, waits
// until `live` is closed. Its path, or an empty one.
fs::path ViewInChild(const ControlMap& map, const fs::path& temp, pid_t& child, int* live) {
    int ready[2];
    int hold[2];
    if (::pipe(ready) != 0 || ::pipe(hold) != 0) {
        return {};
    }
    child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        ::close(hold[1]);
        RecordingReporter quiet;
        fs::path written;
        ViewAssignList(map, nullptr, temp, quiet, &written);
        const std::string name = written.string() + "\n";
        (void)!::write(ready[1], name.data(), name.size());
        char c;
        (void)!::read(hold[0], &c, 1); // end of input once the parent closes it
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(hold[0]);
    std::string name;
    for (char c; ::read(ready[0], &c, 1) == 1 && c != '\n';) {
        name += c;
    }
    ::close(ready[0]);
    if (live != nullptr) {
        *live = hold[1];
    } else {
        ::close(hold[1]);
        ::waitpid(child, nullptr, 0);
    }
    return name;
}

TEST_F(ListFiles, ViewFilesGoWithTheirEditor) {
    RecordingOpener opener;
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    }
    pid_t ended = 0;
    const fs::path endedFile = ViewInChild(map, temp, ended, nullptr);
    pid_t running = 0;
    int hold = -1;
    const fs::path runningFile = ViewInChild(map, temp, running, &hold);
    ASSERT_TRUE(fs::exists(endedFile));
    ASSERT_TRUE(fs::exists(runningFile));
    // A process id in use again, by a process started at another time; a name of older
    // editors, which tells nothing of its writer.
    char reused[64];
    std::snprintf(reused, sizeof reused, "_keltmp%08x%016x%016x.htm",
                  static_cast<unsigned>(::getpid()), 1u, 2u);
    WriteFile(temp / reused, "old");
    WriteFile(temp / "_keltmp0123456789abcdef.htm", "old");
    ASSERT_EQ(TempEntries().size(), 14u);

    // The next editor's start removes the lists of ended editors only.
    RemoveViewFilesOfEndedEditors(temp);
    EXPECT_FALSE(fs::exists(endedFile));
    EXPECT_FALSE(fs::exists(temp / reused));
    EXPECT_TRUE(fs::exists(runningFile));
    EXPECT_TRUE(fs::exists(temp / "_keltmp0123456789abcdef.htm"));
    for (const fs::path& file : opener.opened) {
        EXPECT_TRUE(fs::exists(file));
    }

    // Exit removes this editor's ten, and nothing of another.
    RemoveOwnViewFiles(temp);
    for (const fs::path& file : opener.opened) {
        EXPECT_FALSE(fs::exists(file));
    }
    EXPECT_EQ(TempEntries().size(), 2u);

    ::close(hold);
    ::waitpid(running, nullptr, 0);
    RemoveViewFilesOfEndedEditors(temp);
    EXPECT_EQ(TempEntries(), std::vector<fs::path>{temp / "_keltmp0123456789abcdef.htm"});
}

TEST_F(ListFiles, ViewFailures) {
    RecordingOpener opener;
    opener.result = 31;
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::BrowserError);
    EXPECT_EQ(reporter.warnings[0].detail, 31);

    reporter.warnings.clear();
    fs::path written;
    EXPECT_EQ(ViewAssignList(map, nullptr, temp, reporter, &written), -1); // no main window
    EXPECT_TRUE(reporter.warnings.empty());
    EXPECT_EQ(written.parent_path(), temp);
    EXPECT_EQ(written.filename().string().rfind("_keltmp", 0), 0u);

    // Without a temporary folder the View cannot be written: said, not passed over in silence.
    EXPECT_EQ(ViewAssignList(map, &opener, std::nullopt, reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::TempFileError);
    EXPECT_EQ(reporter.warnings[0].detail, 2); // not found
    reporter.warnings.clear();

    if (::geteuid() != 0) { // root writes anywhere
        fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), -1);
        ASSERT_EQ(reporter.warnings.size(), 1u);
        EXPECT_EQ(reporter.warnings[0].id, StringId::TempFileError);
        EXPECT_EQ(reporter.warnings[0].detail, 5);
        fs::permissions(temp, fs::perms::owner_all);
    }
}

TEST_F(ListFiles, ViewDoesNotFollowAPlantedLink) {
    const fs::path victim = root / "victim.txt";
    WriteFile(victim, "precious");
    fs::create_symlink(victim, temp / "_keltmp.htm");
    RecordingOpener opener;
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    EXPECT_EQ(ReadFile(victim), "precious");
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_FALSE(fs::is_symlink(opener.opened[0]));
    EXPECT_EQ(ReadFile(opener.opened[0]), AssignListHtml(map));
}

TEST_F(ListFiles, ViewDoesNotReuseAPlantedFile) {
    // A hard link to another file at the fixed name: writing "into" it would change that file.
    const fs::path victim = root / "victim.txt";
    WriteFile(victim, "precious");
    std::error_code ec;
    fs::create_hard_link(victim, temp / "_keltmp.htm", ec);
    if (ec) {
        GTEST_SKIP() << "hard links not possible here";
    }
    RecordingOpener opener;
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    EXPECT_EQ(ReadFile(victim), "precious");
    ASSERT_EQ(opener.opened.size(), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(opener.opened[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 1u); // a file of its own
    EXPECT_EQ(ReadFile(opener.opened[0]), AssignListHtml(map));
}

TEST_F(ListFiles, ViewFindsAnotherNameWhenTheFixedOneIsTaken) {
    // Something at the fixed name that cannot be removed (as a file of another user would be).
    fs::create_directories(temp / "_keltmp.htm" / "x");
    RecordingOpener opener;
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    ASSERT_EQ(opener.opened.size(), 1u);
    const std::string name = opener.opened[0].filename().string();
    EXPECT_EQ(opener.opened[0].parent_path(), temp);
    EXPECT_EQ(name.rfind("_keltmp", 0), 0u);
    EXPECT_EQ(name.substr(name.size() - 4), ".htm");
    EXPECT_NE(name, "_keltmp.htm");
    EXPECT_EQ(ReadFile(opener.opened[0]), AssignListHtml(map));
}

} // namespace
} // namespace kel

// The files of the assignment list: Export and View.
#include "files/listfile.h"
#include "model/assignlist.h"

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <vector>

#include <sys/stat.h>
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

TEST_F(ListFiles, ExportMovesTheListOntoTheTarget) {
    const fs::path target = root / "out.htm";
    WriteFile(target, "old content that is longer than nothing");
    EXPECT_EQ(ExportAssignList(map, target, temp, reporter), 0);
    EXPECT_EQ(ReadFile(target), AssignListHtml(map));
    EXPECT_TRUE(TempEntries().empty()); // the temporary file was moved, not left behind
    EXPECT_TRUE(reporter.warnings.empty());

    // Twice in a row (normally within the same second): the same name works again.
    EXPECT_EQ(ExportAssignList(map, root / "second.htm", temp, reporter), 0);
    EXPECT_TRUE(fs::exists(root / "second.htm"));
}

TEST_F(ListFiles, ExportFailures) {
    // No temporary directory: -1 without a message.
    EXPECT_EQ(ExportAssignList(map, root / "a.htm", std::nullopt, reporter), -1);
    EXPECT_TRUE(reporter.warnings.empty());

    // The temporary file cannot be created.
    EXPECT_EQ(ExportAssignList(map, root / "a.htm", root / "nowhere", reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::TempFileError);
    EXPECT_EQ(reporter.warnings[0].detail, 2);

    // The target is a directory that cannot be removed: "cannot be overwritten"; the
    // temporary file stays.
    reporter.warnings.clear();
    const fs::path dir = root / "dir.htm";
    fs::create_directories(dir / "inside");
    EXPECT_EQ(ExportAssignList(map, dir, temp, reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::CannotOverwrite);
    EXPECT_EQ(TempEntries().size(), 1u);

    // The target's folder does not exist: a save error with "not found".
    reporter.warnings.clear();
    EXPECT_EQ(ExportAssignList(map, root / "no" / "a.htm", temp, reporter), -1);
    ASSERT_EQ(reporter.warnings.size(), 1u);
    EXPECT_EQ(reporter.warnings[0].id, StringId::SaveError);
    EXPECT_EQ(reporter.warnings[0].detail, 2);
}

TEST_F(ListFiles, ExportNeverWritesThroughAPlantedLinkOrIntoAPlantedFolder) {
    const fs::path victim = root / "victim.txt";
    WriteFile(victim, "precious");
    // Candidates for "_kel<seconds>.htm" around now: links to the victim and folders (which
    // cannot be removed, so another name has to be found).
    const auto now = static_cast<std::uint32_t>(std::time(nullptr));
    char name[32];
    for (std::uint32_t t = now - 1; t <= now + 3; ++t) {
        std::snprintf(name, sizeof name, "_kel%x.htm", t);
        if (t % 2 == 0) {
            fs::create_directory(temp / name);
        } else {
            fs::create_symlink(victim, temp / name);
        }
    }
    const fs::path target = root / "out.htm";
    EXPECT_EQ(ExportAssignList(map, target, temp, reporter), 0);
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_EQ(ReadFile(target), AssignListHtml(map));
    EXPECT_FALSE(fs::is_symlink(target));
}

TEST_F(ListFiles, ExportAcrossFileSystemsCopies) {
    // /dev/shm is usually a file system of its own.
    struct stat a {
    }, b{};
    if (::stat("/dev/shm", &a) != 0 || ::stat(root.c_str(), &b) != 0 || a.st_dev == b.st_dev ||
        ::access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no second writable file system";
    }
    std::string pattern = "/dev/shm/kel-list-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path shm = pattern;
    const fs::path target = root / "out.htm";
    EXPECT_EQ(ExportAssignList(map, target, shm, reporter), 0);
    EXPECT_TRUE(reporter.warnings.empty());
    EXPECT_EQ(ReadFile(target), AssignListHtml(map));
    EXPECT_TRUE(fs::is_empty(shm));
    fs::remove_all(shm);
}

TEST_F(ListFiles, ViewWritesTheTemporaryListAndOpensIt) {
    RecordingOpener opener;
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0], temp / "_keltmp.htm");
    EXPECT_EQ(ReadFile(opener.opened[0]), AssignListHtml(map));
    struct stat st {};
    ASSERT_EQ(::stat(opener.opened[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u); // only the user reads the temporary list

    // The next View rewrites the same file with the current map.
    map.title = "Second";
    EXPECT_EQ(ViewAssignList(map, &opener, temp, reporter), 0);
    ASSERT_EQ(opener.opened.size(), 2u);
    EXPECT_EQ(opener.opened[1], temp / "_keltmp.htm");
    EXPECT_EQ(ReadFile(opener.opened[1]), AssignListHtml(map));
    EXPECT_EQ(TempEntries().size(), 1u);
    EXPECT_TRUE(reporter.warnings.empty());
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
    EXPECT_EQ(written, temp / "_keltmp.htm");

    EXPECT_EQ(ViewAssignList(map, &opener, std::nullopt, reporter), -1);
    EXPECT_TRUE(reporter.warnings.empty());

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

// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and opening when the system gets in the way: a full disk, a file size limit, read-only
// places, files of other users, special files, empty, cut-off and huge files. Whatever happens,
// the user sees the documented message, an existing file keeps its bytes, no temporary file is
// left behind, and a failed open ends in an empty, untitled map.
//
// Conditions the process sets for itself (limits, another user, a private mount of a small or
// read-only file system) are set in a child process, which reports back through its exit code.
#include "files/mapfile.h"
#include "session/mapfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/fileio.h"
#include "files/listfile.h"
#include "files/safesave.h"
#include "files/syxfile.h"
#include "model/assignlist.h"
#include "support/file_test_support.h"

namespace kel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::RecordingReporter;
using test::ScratchDir;

// --- running a check in a child process ------------------------------------------------------

constexpr int kChildPassed = 0;
constexpr int kChildFailed = 1;
constexpr int kChildSkipped = 77;
constexpr unsigned kChildSeconds = 60; // a child still running then has hung

#define CHILD_EXPECT(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: child check failed: %s\n", __FILE__, __LINE__,            \
                         #condition);                                                              \
            return kChildFailed;                                                                   \
        }                                                                                          \
    } while (false)

// Runs `body` in a child process and returns its exit code; a child that hangs or dies from a
// signal fails the test.
int InChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(kChildSeconds);
        ::_exit(body());
    }
    EXPECT_GE(pid, 0);
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    if (!WIFEXITED(status)) {
        ADD_FAILURE() << "the child ended by signal " << WTERMSIG(status)
                      << (WTERMSIG(status) == SIGALRM ? " (it hung)" : "");
        return kChildFailed;
    }
    return WEXITSTATUS(status);
}

#define EXPECT_CHILD_PASSES(...)                                                                   \
    do {                                                                                           \
        const int code = InChild(__VA_ARGS__);                                                     \
        if (code == kChildSkipped) {                                                               \
            GTEST_SKIP() << "this system does not allow the condition to be set up";               \
        }                                                                                          \
        EXPECT_EQ(code, kChildPassed);                                                             \
    } while (false)

// In a mount namespace of its own, a small file system at `dir`: the child's own, gone with it.
bool MountPrivateTmpfs(const fs::path& dir, const char* options) {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", dir.c_str(), "tmpfs", 0, options) == 0;
}

constexpr uid_t kNobody = 65534;

// Goes on as an ordinary user: as the superuser, becomes "nobody"; otherwise stays as it is.
bool DropPrivileges() {
    if (::geteuid() != 0) {
        return true;
    }
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

// --- the editor's side -----------------------------------------------------------------------

struct NoWindows : MapFileHost {
    std::string title;
    void UpdateTitle(const std::string& t) override { title = t; }
    void CommitTitleField() override {}
    void ApplyAssignDialog() override {}
    std::optional<std::string> ChooseSavePath() override { return std::nullopt; }
    std::optional<std::string> ChooseOpenPath() override { return std::nullopt; }
    ChangedFileAnswer AskReplaceChangedFile(const std::string&) override {
        return ChangedFileAnswer::Cancel;
    }
};

class FileFaultTest : public ::testing::Test {
protected:
    FileFaultTest() : files(doc, reporter, host) {}

    // Writes a map of its own to `path`, as an earlier save would have.
    static Bytes WriteMap(const fs::path& path) {
        CParameter other;
        other.RecordOf(10) = test::SampleRecord(10);
        other.SetTitle("on disk");
        EXPECT_TRUE(SaveMapDocument(path, other).Ok());
        return test::ReadFile(path);
    }

    // The map being edited: named, changed.
    void Edit() {
        files.SetCurrentPath("/earlier.mid");
        doc.RecordOf(20) = test::SampleRecord(20);
        doc.SetMapComment(20, "changed");
        reporter.warnings.clear();
    }

    // A failed save changed nothing of the editor's state and reported `message` once.
    bool SaveFailedWith(const fs::path& path, StringId message, int cause) {
        Edit();
        const bool failed = files.SaveMapFile(path) == 0;
        const bool reported =
            reporter.warnings.size() == 1 && reporter.warnings[0] == std::make_pair(message, cause);
        if (!reported) {
            for (const auto& [id, detail] : reporter.warnings) {
                std::fprintf(stderr, "reported %d (%d)\n", static_cast<int>(id), detail);
            }
        }
        return failed && reported && files.CurrentPath() == "/earlier.mid" && doc.IsModified() &&
               files.RecentFiles().Size() == 0;
    }

    // A failed open left an empty, untitled, unmodified map and reported `message` once.
    ::testing::AssertionResult OpenFailedWith(const fs::path& path, StringId message, int cause) {
        Edit();
        files.SetCurrentPath("/previous/map.mid");
        if (files.LoadMapFile(path, ControlMapKind) != 0) {
            return ::testing::AssertionFailure() << "the open succeeded";
        }
        if (reporter.warnings.size() != 1 ||
            reporter.warnings[0] != std::make_pair(message, cause)) {
            auto failure = ::testing::AssertionFailure() << "reported:";
            for (const auto& [id, detail] : reporter.warnings) {
                failure << " " << static_cast<int>(id) << " (" << detail << ")";
            }
            return failure;
        }
        if (!files.CurrentPath().empty() || host.title != MainWindowTitle("") || doc.IsModified() ||
            doc.RecordOf(20) != AssignRecord{} || doc.GetMapComment(20) != "" ||
            !doc.GetTitle().empty()) {
            return ::testing::AssertionFailure() << "the map is not empty and untitled";
        }
        return ::testing::AssertionSuccess();
    }

    ScratchDir dir;
    CParameter doc;
    RecordingReporter reporter;
    NoWindows host;
    CMapFiles files;
};

// --- saving ----------------------------------------------------------------------------------

TEST_F(FileFaultTest, ADiskThatFillsUpWhileWritingKeepsTheOldFile) {
    const fs::path disk = dir / "disk";
    fs::create_directory(disk);
    EXPECT_CHILD_PASSES([&] {
        // Three pages: the old map takes two, so the new one breaks off after one page.
        if (!MountPrivateTmpfs(disk, "size=12k")) {
            return kChildSkipped;
        }
        const Bytes before = WriteMap(disk / "map.mid");
        CHILD_EXPECT(before.size() > 4096 && before.size() <= 8192);
        CHILD_EXPECT(SaveFailedWith(disk / "map.mid", StringId::SaveError, CauseDiskFull));
        CHILD_EXPECT(test::ReadFile(disk / "map.mid") == before);
        // A new file that does not fit leaves nothing behind either.
        CHILD_EXPECT(SaveFailedWith(disk / "new.mid", StringId::SaveError, CauseDiskFull));
        CHILD_EXPECT(fs::directory_iterator(disk)->path().filename() == "map.mid");
        CHILD_EXPECT(std::distance(fs::directory_iterator(disk), fs::directory_iterator()) == 1);
        return kChildPassed;
    });
}

TEST_F(FileFaultTest, AListExportOntoAFullDiskKeepsTheOldList) {
    const fs::path disk = dir / "disk";
    fs::create_directory(disk);
    ControlMap map;
    for (std::size_t i = 0; i < map.comments.size(); ++i) {
        map.comments[i] = std::string(kTextLimit, static_cast<char>('a' + i % 26));
    }
    EXPECT_CHILD_PASSES([&] {
        // Three pages: the old list takes two, the new one needs more than the third.
        if (!MountPrivateTmpfs(disk, "size=12k")) {
            return kChildSkipped;
        }
        const Bytes old(8000, 'o');
        test::WriteFile(disk / "list.htm", old);
        CHILD_EXPECT(AssignListHtml(map).size() > 4096);
        const Status exported = ExportAssignList(map, disk / "list.htm");
        CHILD_EXPECT(!exported && !MessageOf(exported.Error()) &&
                     exported.Error().cause == CauseDiskFull);
        CHILD_EXPECT(test::ReadFile(disk / "list.htm") == old);
        CHILD_EXPECT(std::distance(fs::directory_iterator(disk), fs::directory_iterator()) == 1);
        return kChildPassed;
    });
}

TEST_F(FileFaultTest, TemporaryFilesGoWhenTheProcessEndsBySignalOrExit) {
    // Registered temporary files as a save in progress leaves them; a file of someone else's
    // is never registered and stays.
    const fs::path kept = dir / "kept";
    test::WriteFile(kept, {1});
    for (const int signal : {SIGINT, SIGTERM, 0}) {
        const fs::path temp = dir / (".map.mid_tmpbulk." + std::to_string(signal));
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::alarm(kChildSeconds);
            RemoveTempFilesOnSignals();
            test::WriteFile(temp, {1, 2, 3});
            if (!RegisterTempFile(temp)) {
                ::_exit(kChildFailed);
            }
            if (signal != 0) {
                ::raise(signal);
                ::_exit(kChildFailed); // the signal ends the process
            }
            std::exit(kChildPassed); // an ordinary exit
        }
        ASSERT_GE(pid, 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        if (signal != 0) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kChildPassed);
        }
        EXPECT_FALSE(fs::exists(temp)) << signal;
    }
    EXPECT_TRUE(fs::exists(kept));
}

// When the process `pid` started (the 22nd field of its /proc stat line).
std::string StartTimeOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    std::istringstream fields(line.substr(line.rfind(')') + 1));
    std::string field;
    for (int number = 3; number <= 22; ++number) {
        fields >> field;
    }
    return field;
}

TEST_F(FileFaultTest, ASaveRemovesTheTemporaryFilesOfKilledWritersOnly) {
    // Temporary files as saves leave them when their process is killed: the writer's id, start
    // time and id namespace, then a random part.
    const std::string ns = fs::read_symlink("/proc/self/ns/pid").string().substr(5); // "pid:[N]"
    const std::string space = ns.substr(0, ns.size() - 1);
    const auto temp = [&](const std::string& map, const std::string& writer) {
        const fs::path path = dir / ("." + map + "_tmpbulk." + writer + ".0123456789abcdef");
        test::WriteFile(path, {1, 2, 3});
        return path;
    };
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    const std::string childStart = StartTimeOf(child); // readable until it is waited for
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    ASSERT_FALSE(childStart.empty());
    const std::string gonePid = std::to_string(child) + "-" + childStart;
    const std::string self = std::to_string(::getpid()) + "-" + StartTimeOf(::getpid());

    const fs::path gone = temp("a.mid", gonePid + "-" + space);
    const fs::path reused = temp("b.mid", self + "1-" + space); // its id, another start
    const fs::path live = temp("c.mid", self + "-" + space);
    const fs::path elsewhere = temp("d.mid", gonePid + "-1" + space); // another id namespace
    const fs::path unnamed = dir / ".e.mid_tmpbulk.0123456789abcdef"; // names no writer
    test::WriteFile(unnamed, {1});
    const fs::path folder = temp("f.mid", gonePid + "-" + space);
    fs::remove(folder);
    fs::create_directory(folder);

    ASSERT_TRUE(SaveBytesSafely((dir / "map.mid").string(), Bytes{4, 5}).Ok());
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_FALSE(fs::exists(reused));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(elsewhere));
    EXPECT_TRUE(fs::exists(unnamed));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(test::ReadFile(dir / "map.mid"), (Bytes{4, 5}));
}

TEST_F(FileFaultTest, AFileSizeLimitAtTheFirstOrTheLastByteKeepsTheOldFile) {
    const fs::path path = dir / "map.mid";
    const Bytes before = WriteMap(path);
    for (const rlim_t limit : {rlim_t{0}, rlim_t{7459}}) {
        EXPECT_CHILD_PASSES([&] {
            const rlimit fsize{limit, limit};
            CHILD_EXPECT(::setrlimit(RLIMIT_FSIZE, &fsize) == 0);
            CHILD_EXPECT(SaveFailedWith(path, StringId::SaveError, CauseDiskFull));
            return kChildPassed;
        });
        EXPECT_EQ(test::ReadFile(path), before) << "limit " << limit;
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"map.mid"}) << "limit " << limit;
    }
}

// The check before a save meets what the save would: a name longer than its folder allows
// (the temporary name beside it is cut short and would be made), more than the free space of
// the disk, more than the file size limit. The save itself fails the same way before it writes.
TEST_F(FileFaultTest, TheCheckBeforeASaveFindsWhatTheSaveWouldMeet) {
    const fs::path path = dir / "map.mid";
    const fs::path tooLong = dir / (std::string(300, 'n') + ".mid");
    EXPECT_EQ(test::CauseOf(CheckSafeSave(tooLong.string())), CauseBadPath);
    EXPECT_EQ(test::CauseOf(SaveMapDocument(tooLong.string(), doc)), CauseBadPath);
    struct statvfs space {};
    ASSERT_EQ(::statvfs(dir.Path().c_str(), &space), 0);
    // More than the whole file system: other programs may free space meanwhile.
    const std::uintmax_t beyondFree = (space.f_blocks + 1) * std::uintmax_t{space.f_frsize};
    EXPECT_EQ(test::CauseOf(CheckSafeSave(path.string(), beyondFree)), CauseDiskFull);
    EXPECT_TRUE(CheckSafeSave(path.string(), 4096).Ok());
    EXPECT_CHILD_PASSES([&] {
        const rlimit fsize{4095, 4095};
        CHILD_EXPECT(::setrlimit(RLIMIT_FSIZE, &fsize) == 0);
        CHILD_EXPECT(test::CauseOf(CheckSafeSave(path.string(), 4096)) == CauseDiskFull);
        CHILD_EXPECT(CheckSafeSave(path.string(), 4095).Ok());
        return kChildPassed;
    });
    EXPECT_TRUE(dir.Names().empty());
}

TEST_F(FileFaultTest, AReadOnlyFileSystemRefusesBothReplacingAndCreating) {
    const fs::path disk = dir / "disk";
    fs::create_directory(disk);
    EXPECT_CHILD_PASSES([&] {
        if (!MountPrivateTmpfs(disk, "size=64k")) {
            return kChildSkipped;
        }
        const Bytes before = WriteMap(disk / "map.mid");
        CHILD_EXPECT(::mount("tmpfs", disk.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
        CHILD_EXPECT(SaveFailedWith(disk / "map.mid", StringId::CannotOverwrite, 0));
        CHILD_EXPECT(SaveFailedWith(disk / "new.mid", StringId::SaveError, CauseAccessDenied));
        CHILD_EXPECT(test::ReadFile(disk / "map.mid") == before);
        CHILD_EXPECT(std::distance(fs::directory_iterator(disk), fs::directory_iterator()) == 1);
        return kChildPassed;
    });
}

TEST_F(FileFaultTest, AReadOnlyDirectoryAndAnotherUsersFileAreNotReplaced) {
    // The user's own map in a directory the user may not write to.
    const fs::path locked = dir / "locked";
    fs::create_directory(locked);
    const Bytes before = WriteMap(locked / "map.mid");
    // Another user's map in a directory the user may write to (only a superuser can set it up).
    const fs::path shared = dir / "shared";
    fs::create_directory(shared);
    const Bytes foreignBefore = WriteMap(shared / "theirs.mid");
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
        ASSERT_EQ(::chown(locked.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown((locked / "map.mid").c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown(shared.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);

    EXPECT_CHILD_PASSES([&] {
        CHILD_EXPECT(DropPrivileges());
        CHILD_EXPECT(SaveFailedWith(locked / "map.mid", StringId::SaveError, CauseAccessDenied));
        CHILD_EXPECT(SaveFailedWith(locked / "new.mid", StringId::SaveError, CauseAccessDenied));
        if (root) {
            CHILD_EXPECT(SaveFailedWith(shared / "theirs.mid", StringId::CannotOverwrite, 0));
        }
        return kChildPassed;
    });
    EXPECT_EQ(test::ReadFile(locked / "map.mid"), before);
    EXPECT_EQ(test::ReadFile(shared / "theirs.mid"), foreignBefore);
    ASSERT_EQ(::chmod(locked.c_str(), 0755), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(shared), fs::directory_iterator()), 1);
}

TEST_F(FileFaultTest, APipeOrADeviceInThePlaceOfTheFileIsNotReplaced) {
    const fs::path pipe = dir / "pipe.mid";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_TRUE(SaveFailedWith(pipe, StringId::SaveError, CauseAccessDenied));
    EXPECT_TRUE(fs::is_fifo(pipe));

    // A device node like /dev/full, made here so that no real one is ever touched.
    const fs::path device = dir / "full.mid";
    if (::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0) {
        GTEST_SKIP() << "device nodes cannot be made here";
    }
    EXPECT_TRUE(SaveFailedWith(device, StringId::SaveError, CauseAccessDenied));
    EXPECT_TRUE(fs::is_character_file(device));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"full.mid", "pipe.mid"}));
}

// A new file takes the first name nothing has: a file, a dangling link and a folder at the
// names before it stay as they are, writers at once each get a name of their own with their own
// content, and a write that fails (all names taken, the file size limit) leaves nothing behind.
TEST_F(FileFaultTest, ANewFileTakesOnlyAFreeNameAndAppearsWhole) {
    const auto nameOf = [&](unsigned attempt) {
        return dir /
               ("e" + (attempt == 0 ? std::string() : "-" + std::to_string(attempt + 1)) + ".mid");
    };
    const auto save = [&](const Bytes& bytes, unsigned attempts, std::string& savedAs) {
        const std::span<const std::uint8_t> whole[] = {bytes};
        Result<std::string> saved = SaveBytesAsNewFile(nameOf, attempts, whole);
        if (saved) {
            savedAs = *saved;
        }
        return saved;
    };
    test::WriteFile(dir / "e.mid", Bytes{9});
    fs::create_symlink(dir / "elsewhere.mid", dir / "e-2.mid");
    fs::create_directory(dir / "e-3.mid");
    const std::vector<std::string> taken = dir.Names();

    std::string savedAs;
    EXPECT_EQ(test::CauseOf(save(Bytes{1, 2}, 3, savedAs)), CauseAccessDenied);
    EXPECT_EQ(dir.Names(), taken);
    EXPECT_CHILD_PASSES([&] {
        const rlimit fsize{1, 1};
        CHILD_EXPECT(::setrlimit(RLIMIT_FSIZE, &fsize) == 0);
        std::string name;
        CHILD_EXPECT(test::CauseOf(save(Bytes{1, 2}, 10, name)) == CauseDiskFull);
        return kChildPassed;
    });
    EXPECT_EQ(dir.Names(), taken);

    ASSERT_TRUE(save(Bytes{1, 2}, 10, savedAs).Ok());
    EXPECT_EQ(savedAs, nameOf(3).string());
    EXPECT_EQ(test::ReadFile(nameOf(3)), (Bytes{1, 2}));
    EXPECT_EQ(test::ReadFile(dir / "e.mid"), Bytes{9});
    EXPECT_TRUE(fs::is_symlink(dir / "e-2.mid"));
    EXPECT_FALSE(fs::exists(dir / "elsewhere.mid"));

    // Four processes writing ten files each into the same names at once.
    std::vector<pid_t> writers;
    std::fflush(nullptr);
    for (std::uint8_t writer = 1; writer <= 4; ++writer) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::alarm(kChildSeconds);
            for (std::uint8_t file = 0; file < 10; ++file) {
                std::string name;
                if (!save(Bytes{writer, file}, 100, name).Ok()) {
                    ::_exit(kChildFailed);
                }
            }
            ::_exit(kChildPassed);
        }
        ASSERT_GT(pid, 0);
        writers.push_back(pid);
    }
    for (const pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kChildPassed);
    }
    std::set<Bytes> contents;
    for (unsigned attempt = 4; attempt < 44; ++attempt) {
        contents.insert(test::ReadFile(nameOf(attempt)));
    }
    EXPECT_EQ(contents.size(), 40u); // every file kept, each one whole
    EXPECT_EQ(dir.Names().size(), taken.size() + 41);
}

// --- opening ---------------------------------------------------------------------------------

TEST_F(FileFaultTest, EmptyCutOffAndSpecialFilesOpenAsAnEmptyUntitledMap) {
    CParameter source;
    source.RecordOf(7) = test::SampleRecord(7);
    const Bytes good = CSmfCtrl(&source).BuildImage();
    test::WriteFile(dir / "empty.mid", {});
    test::WriteFile(dir / "header.mid", Bytes(good.begin(), good.begin() + 14));
    test::WriteFile(dir / "length.mid", Bytes(good.begin(), good.begin() + 20));
    test::WriteFile(dir / "half.mid", Bytes(good.begin(), good.begin() + 3000));
    test::WriteFile(dir / "tail.mid", Bytes(good.begin(), good.end() - 1));
    ASSERT_EQ(::mkfifo((dir / "pipe.mid").c_str(), 0644), 0);

    EXPECT_TRUE(OpenFailedWith(dir / "empty.mid", StringId::LoadFailed, 0));
    EXPECT_TRUE(OpenFailedWith(dir / "header.mid", StringId::LoadFailed, 0));
    EXPECT_TRUE(OpenFailedWith(dir / "length.mid", StringId::NotControlMap, 0));
    EXPECT_TRUE(OpenFailedWith(dir / "half.mid", StringId::NotControlMap, 0));
    EXPECT_TRUE(OpenFailedWith(dir / "tail.mid", StringId::NotControlMap, 0));
    EXPECT_TRUE(OpenFailedWith(dir.Path(), StringId::LoadError, CauseAccessDenied));
    // A pipe nobody writes to is refused; nothing waits for a writer.
    EXPECT_CHILD_PASSES([&] {
        CHILD_EXPECT(OpenFailedWith(dir / "pipe.mid", StringId::LoadError, CauseAccessDenied));
        return kChildPassed;
    });
    // A device that never runs dry is no file to read a map from.
    if (fs::is_character_file("/dev/zero")) {
        EXPECT_CHILD_PASSES([&] {
            CHILD_EXPECT(OpenFailedWith("/dev/zero", StringId::LoadError, CauseAccessDenied));
            return kChildPassed;
        });
    }
}

TEST_F(FileFaultTest, APipeIsRefusedAtOnceEvenWithAWriterThatNeverWrites) {
    // A writer holds the FIFO open and writes nothing: a read would wait forever, and an open
    // without any writer would wait for one.
    const fs::path pipe = dir / "pipe.mid";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_CHILD_PASSES([&] {
        const Result<SyxImport> alone = LoadSyxFile(pipe);
        CHILD_EXPECT(test::CauseOf(alone) == static_cast<int>(SyxError::CannotRead));
        CHILD_EXPECT(EnglishText(alone.Why()).find("not a regular file") != std::string::npos);
        const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        const int writer = ::open(pipe.c_str(), O_WRONLY | O_CLOEXEC);
        CHILD_EXPECT(reader >= 0 && writer >= 0);
        CHILD_EXPECT(OpenFailedWith(pipe, StringId::LoadError, CauseAccessDenied));
        CHILD_EXPECT(test::CauseOf(LoadSyxFile(pipe)) == static_cast<int>(SyxError::CannotRead));
        return kChildPassed;
    });
    EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST_F(FileFaultTest, AnUnreadableFileReportsAccessDenied) {
    const fs::path path = dir / "secret.mid";
    WriteMap(path);
    ASSERT_EQ(::chmod(path.c_str(), 0000), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    EXPECT_CHILD_PASSES([&] {
        CHILD_EXPECT(DropPrivileges());
        CHILD_EXPECT(OpenFailedWith(path, StringId::LoadError, CauseAccessDenied));
        return kChildPassed;
    });
}

// Peak memory of this process in bytes.
long PeakMemory() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024L;
}

// A 100 MB file of which only `head` is written; the rest is a hole of zeros.
fs::path SparseFile(const ScratchDir& dir, const std::string& name, const Bytes& head) {
    constexpr off_t kSize = 100L * 1024 * 1024;
    const fs::path path = dir / name;
    test::WriteFile(path, head);
    EXPECT_EQ(::truncate(path.c_str(), kSize), 0);
    return path;
}

TEST_F(FileFaultTest, HugeFilesAreReadInBoundedTimeAndMemory) {
    // 100 MB of nothing; a header whose track claims 4 GB and starts with a title of nearly
    // 100 MB; the same with a text event.
    const Bytes head = {'M', 'T', 'h',  'd', 0,   0,   0,   6,    0,    0,    0,
                        1,   0,   0x60, 'M', 'T', 'r', 'k', 0xFF, 0xFF, 0xFF, 0xFF};
    Bytes title = head;
    title.insert(title.end(), {0x00, 0xFF, 0x03});
    AppendVlq(title, 100u * 1024 * 1024 - 64);
    Bytes text = head;
    text.insert(text.end(), {0x00, 0xFF, 0x01});
    AppendVlq(text, 100u * 1024 * 1024 - 64);

    const struct {
        fs::path path;
        StringId message;
    } cases[] = {
        {SparseFile(dir, "zeros.mid", {}), StringId::LoadFailed},
        {SparseFile(dir, "title.mid", title), StringId::NotControlMap},
        {SparseFile(dir, "text.mid", text), StringId::NotControlMap},
    };
    for (const auto& c : cases) {
        EXPECT_CHILD_PASSES([&] {
            const long before = PeakMemory();
            const auto start = std::chrono::steady_clock::now();
            CHILD_EXPECT(OpenFailedWith(c.path, c.message, 0));
            const auto took = std::chrono::steady_clock::now() - start;
            std::fprintf(stderr, "%s: %lld ms, peak memory +%ld KiB\n", c.path.filename().c_str(),
                         static_cast<long long>(
                             std::chrono::duration_cast<std::chrono::milliseconds>(took).count()),
                         (PeakMemory() - before) / 1024);
            CHILD_EXPECT(PeakMemory() - before < 16L * 1024 * 1024);
            CHILD_EXPECT(took < std::chrono::seconds(30));
            return kChildPassed;
        });
    }
}

// A copyright text of `size` bytes that uses every byte value, in no repeating short pattern.
std::string CopyrightOf(std::size_t size) {
    std::string text(size, '\0');
    std::uint32_t x = 12345;
    for (char& c : text) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    return text;
}

TEST_F(FileFaultTest, TheEditorsSaveKeepsALongCopyrightTextWhole) {
    for (const std::size_t size : {(std::size_t{2} << 20) + 12345, std::size_t{64} << 20}) {
        const std::string text = CopyrightOf(size);
        const fs::path path = dir / ("long" + std::to_string(size) + ".mid");
        {
            CParameter source;
            source.RecordOf(49) = test::SampleRecord(49);
            source.SetCopyrightText(text);
            ASSERT_TRUE(SaveMapDocument(path, source).Ok());
        }
        // Opened, edited and saved as the editor does.
        ASSERT_EQ(files.LoadMapFile(path, ControlMapKind), 1) << size;
        EXPECT_TRUE(reporter.warnings.empty());
        EXPECT_EQ(doc.CopyrightText().size(), size);
        doc.SetMapComment(0, "edited");
        ASSERT_EQ(files.SaveCurrentMap(), 1);

        CParameter saved;
        ASSERT_TRUE(ReadMapFile(path, ControlMapKind, saved).Ok());
        EXPECT_TRUE(saved.CopyrightText() == text) << size;
        EXPECT_EQ(saved.GetMapComment(0), "edited");
        EXPECT_EQ(saved.RecordOf(49), test::SampleRecord(49));
        files.NewMapFile();
    }
}

// Writes a map whose copyright text claims `claimed` bytes and holds `held` of them: the first
// three are "(c)", the rest a hole of zeros on disk. The bulk messages follow the held bytes.
void WriteMapWithCopyright(const fs::path& path, std::uint32_t claimed, std::uint32_t held) {
    CParameter source;
    source.RecordOf(49) = test::SampleRecord(49);
    source.SetMapComment(49, "last");
    source.SetCopyrightText("(c)");
    const Bytes image = CSmfCtrl(&source).BuildImage();
    const Bytes marker = {0x00, 0xFF, 0x02, 0x03, '(', 'c', ')'};
    const auto at = std::search(image.begin(), image.end(), marker.begin(), marker.end());
    ASSERT_NE(at, image.end());
    Bytes head(image.begin(), at);
    head.insert(head.end(), {0x00, 0xFF, 0x02});
    AppendVlq(head, claimed);
    head.insert(head.end(), {'(', 'c', ')'});
    const Bytes tail(at + static_cast<std::ptrdiff_t>(marker.size()), image.end());
    const std::uint32_t track =
        static_cast<std::uint32_t>(head.size() - 22 + (held - 3) + tail.size());
    for (int i = 0; i < 4; ++i) {
        head[18 + i] = static_cast<std::uint8_t>(track >> (24 - 8 * i));
    }
    test::WriteFile(path, head);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(head.size() + held - 3)),
              static_cast<ssize_t>(tail.size()));
    ::close(fd);
}

TEST_F(FileFaultTest, ACopyrightTextBeyondItsLimitIsRefusedInBoundedMemory) {
    // 300 MB really on disk (a hole), more than any map file holds: refused with its reason
    // rather than opened with a text a save would cut.
    const fs::path tooLong = dir / "toolong.mid";
    WriteMapWithCopyright(tooLong, 300u * 1024 * 1024, 300u * 1024 * 1024);
    // 200 MB claimed, 3 bytes there: a cut-off file, refused before any memory is taken.
    const fs::path cutOff = dir / "cutoff.mid";
    WriteMapWithCopyright(cutOff, 200u * 1024 * 1024, 3);
    // More than the limit claimed, 3 bytes there: a damaged file too, not a text too long.
    const fs::path claims = dir / "claims.mid";
    WriteMapWithCopyright(claims, 400u * 1024 * 1024, 3);
    EXPECT_CHILD_PASSES([&] {
        const long before = PeakMemory();
        CHILD_EXPECT(files.LoadMapFile(tooLong, ControlMapKind) == 0);
        CHILD_EXPECT(reporter.warnings.size() == 1);
        CHILD_EXPECT(reporter.warnings[0].first == StringId::CopyrightTooLong);
        CHILD_EXPECT(files.LoadMapFile(cutOff, ControlMapKind) == 0);
        CHILD_EXPECT(reporter.warnings.size() == 2);
        CHILD_EXPECT(reporter.warnings[1].first == StringId::NotControlMap);
        CHILD_EXPECT(files.LoadMapFile(claims, ControlMapKind) == 0);
        CHILD_EXPECT(reporter.warnings.size() == 3);
        CHILD_EXPECT(reporter.warnings[2].first == StringId::NotControlMap);
        CHILD_EXPECT(doc.CopyrightText().empty());
        std::fprintf(stderr, "peak memory +%ld KiB\n", (PeakMemory() - before) / 1024);
        CHILD_EXPECT(PeakMemory() - before < 16L * 1024 * 1024);
        return kChildPassed;
    });
}

} // namespace
} // namespace kel

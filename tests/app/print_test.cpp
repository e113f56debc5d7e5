// SPDX-License-Identifier: GPL-3.0-or-later
// The printed control map: File > Print Preview through the menu, and kel-editor --print-pdf
// read back with the PDF tools of poppler-utils.
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/printmap.h"
#include "model/labels.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

// Shows the preview's pages without waiting for a user, and counts them.
class PreviewUi : public FakeUi {
public:
    int RunModal(QDialog& dialog) override {
        if (auto* preview = dialog.findChild<QPrintPreviewWidget*>(); preview != nullptr) {
            preview->updatePreview();
            previewPages = preview->pageCount();
            previewTitle = dialog.windowTitle();
            return QDialog::Rejected;
        }
        return FakeUi::RunModal(dialog);
    }
    int previewPages = -1;
    QString previewTitle;
};

struct ProgramRun {
    int status = -1;
    QString out;
    QString err;
};

ProgramRun RunProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) {
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

struct ByteRun {
    int status = -1;
    std::string err;
};

// Runs kel-editor with `arguments` handed over as the bytes they are: QProcess would pass them
// through the locale's encoding, which a name that is no valid text does not survive.
ByteRun RunEditorWithBytes(std::vector<std::string> arguments) {
    std::string program = KEL_BUILD_DIR "/kel-editor";
    std::vector<char*> argv{program.data()};
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    int err[2];
    if (::pipe2(err, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(err[1], STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(err[1]);
    ByteRun run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable{err[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) == 0) {
            ::kill(pid, SIGKILL); // hung
            break;
        }
        char buffer[4096];
        const ssize_t size = ::read(err[0], buffer, sizeof buffer);
        if (size == 0 || (size < 0 && errno != EINTR)) {
            break;
        }
        run.err.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(size, 0)));
    }
    ::close(err[0]);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    }
    return run;
}

class PrintTest : public EditorTest {
protected:
    CUiServices& Ui() override { return previewUi_; }

    static QString Editor() { return QStringLiteral(KEL_BUILD_DIR "/kel-editor"); }
    // A tool of poppler-utils, or empty when it is not installed.
    static QString Tool(const char* name) {
        return QStandardPaths::findExecutable(QString::fromLatin1(name));
    }

    PreviewUi previewUi_;
};

TEST_F(PrintTest, PrintAndPreviewAreFileCommandsAndThePreviewShowsPanelAndList) {
    QAction* print = Action(cmd::Print);
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(print->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QMenu* file = nullptr;
    for (QMenu* menu : window_->menuBar()->findChildren<QMenu*>()) {
        if (menu->title() == QStringLiteral("&File")) {
            file = menu;
        }
    }
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->actions().contains(print));
    EXPECT_TRUE(file->actions().contains(Action(cmd::PrintPreview)));

    window_->RunCommand(cmd::PrintPreview);
    EXPECT_EQ(previewUi_.previewTitle, QStringLiteral("Print Preview"));
    // The panel page, then the 50 rows of the list, which take more than one A4 page.
    EXPECT_GE(previewUi_.previewPages, 3);
}

TEST_F(PrintTest, PrintPdfWritesThePanelAtItsSizeWithTitleLabelsAndList) {
    const QString pdfinfo = Tool("pdfinfo"), pdftotext = Tool("pdftotext"),
                  pdfimages = Tool("pdfimages");
    if (pdfinfo.isEmpty() || pdftotext.isEmpty() || pdfimages.isEmpty()) {
        GTEST_SKIP() << "poppler-utils (pdfinfo, pdftotext, pdfimages) is not installed";
    }
    // A title beyond ASCII (held as UTF-8) prints as it reads in TITLE.
    const QString map = WriteMapFile(QStringLiteral("rig.mid"), "STAGE RIG 7 Caf\xC3\xA9");
    ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(map), ControlMapKind), 1);
    const QString label = QString::fromLatin1(AssignmentLabel(app_->Document(), 0));
    const QString pdf = TempPath(QStringLiteral("rig.pdf"));

    const ProgramRun made = RunProgram(Editor(), {QStringLiteral("--print-pdf"), pdf, map});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF-"));

    const ProgramRun info = RunProgram(pdfinfo, {pdf});
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info.out);
    ASSERT_TRUE(pages.hasMatch()) << info.out.toStdString();
    EXPECT_GE(pages.captured(1).toInt(), 2);

    // Page 1: the title and the labels; the pages after it: the list with its rows.
    const ProgramRun first = RunProgram(
        pdftotext, {QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(first.out.contains(QString::fromUtf8("STAGE RIG 7 Caf\xC3\xA9")))
        << first.out.toStdString();
    EXPECT_TRUE(first.out.contains(label)) << label.toStdString();
    const ProgramRun rest = RunProgram(
        pdftotext, {QStringLiteral("-f"), QStringLiteral("2"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(rest.out.contains(QStringLiteral("PARAMETER LIST"))) << rest.out.toStdString();
    EXPECT_TRUE(rest.out.contains(QStringLiteral("NO ASSIGN")));

    // The panel picture is placed at 720 x 219 points (254.0 x 77.3 mm): its pixels divided by
    // its pixels per inch as placed.
    const ProgramRun images = RunProgram(pdfimages, {QStringLiteral("-list"), pdf});
    const QStringList lines = images.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << images.out.toStdString(); // two heading lines, one picture
    const QStringList cols = lines[2].simplified().split(u' ');
    ASSERT_GE(cols.size(), 14) << lines[2].toStdString();
    EXPECT_EQ(cols[0], QStringLiteral("1")); // on page 1
    const double widthMm = cols[3].toDouble() / cols[12].toDouble() * 25.4;
    const double heightMm = cols[4].toDouble() / cols[13].toDouble() * 25.4;
    EXPECT_NEAR(widthMm, kPanelPrintWidthMm, 0.5);
    EXPECT_NEAR(widthMm, 254.0, 0.5);
    EXPECT_NEAR(heightMm, 77.3, 0.5);
}

TEST_F(PrintTest, PrintPdfRefusesBadArgumentsAndLeavesNothingBehind) {
    const QString map = WriteMapFile(QStringLiteral("rig.mid"));
    const QString pdf = TempPath(QStringLiteral("out.pdf"));

    // A file that is not there, and one that is no control map.
    ProgramRun run =
        RunProgram(Editor(), {QStringLiteral("--print-pdf"), pdf, TempPath("none.mid")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("none.mid"))) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf));
    QFile text(TempPath(QStringLiteral("notes.mid")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just some notes\n");
    text.close();
    run = RunProgram(Editor(), {QStringLiteral("--print-pdf"), pdf, text.fileName()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("notes.mid"))) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf));

    // An output that cannot be written.
    const QString nowhere = TempPath(QStringLiteral("no-such-folder/out.pdf"));
    run = RunProgram(Editor(), {QStringLiteral("--print-pdf"), nowhere, map});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("no-such-folder"))) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(nowhere));
    EXPECT_FALSE(QFileInfo::exists(TempPath(QStringLiteral("no-such-folder"))));

    // Wrong usage.
    EXPECT_EQ(RunProgram(Editor(), {QStringLiteral("--print-pdf"), pdf}).status, 2);
    EXPECT_EQ(RunProgram(Editor(), {QStringLiteral("--print-pdf"), pdf, map, map}).status, 2);
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

// A file at OUT is replaced only by a PDF over a PDF: a control map there (the names swapped)
// or the map itself under another spelling or through a link is refused and keeps its bytes.
TEST_F(PrintTest, PrintPdfReplacesOnlyAPdfAndNeverTheMap) {
    const QString map = WriteMapFile(QStringLiteral("rig.mid"), "RIG");
    const QString other = WriteMapFile(QStringLiteral("other.mid"), "OTHER");
    const QString link = TempPath(QStringLiteral("link.pdf"));
    ASSERT_TRUE(QFile::link(map, link));
    const auto bytesOf = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray mapBytes = bytesOf(map), otherBytes = bytesOf(other);

    ProgramRun run = RunProgram(Editor(), {QStringLiteral("--print-pdf"), other, map});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(other + QStringLiteral(": exists and is not a PDF file")))
        << run.err.toStdString();
    for (const QString& same : {TempPath(QStringLiteral("./rig.mid")), link}) {
        run = RunProgram(Editor(), {QStringLiteral("--print-pdf"), same, map});
        EXPECT_EQ(run.status, 1) << same.toStdString();
        EXPECT_TRUE(run.err.contains(same + QStringLiteral(": is the control map to print")))
            << run.err.toStdString();
    }
    EXPECT_EQ(bytesOf(map), mapBytes);
    EXPECT_EQ(bytesOf(other), otherBytes);
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    // A PDF is replaced by the new printout.
    const QString pdf = TempPath(QStringLiteral("out.pdf"));
    ASSERT_EQ(RunProgram(Editor(), {QStringLiteral("--print-pdf"), pdf, map}).status, 0);
    const QByteArray first = bytesOf(pdf);
    run = RunProgram(Editor(), {QStringLiteral("--print-pdf"), pdf, other});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(bytesOf(pdf).startsWith("%PDF-"));
    EXPECT_NE(bytesOf(pdf), first);
}

// File names that are no valid text (Latin-1 bytes under a UTF-8 locale) are read and written
// under exactly those names, and a missing one is named as it was given.
TEST_F(PrintTest, PrintPdfTakesFileNamesAsTheirBytes) {
    namespace fs = std::filesystem;
    const fs::path folder = QFile::encodeName(TempPath(QStringLiteral("bytes"))).toStdString();
    ASSERT_TRUE(fs::create_directory(folder));
    // Qt cannot name these files to remove them with the temporary folder.
    struct RemovedAtTheEnd {
        fs::path folder;
        ~RemovedAtTheEnd() {
            std::error_code ec;
            fs::remove_all(folder, ec);
        }
    } removed{folder};
    const std::string map = (folder / "r\xe9gie.mid").string();
    const std::string pdf = (folder / "r\xe9gie.pdf").string();
    fs::rename(QFile::encodeName(WriteMapFile(QStringLiteral("rig.mid"))).toStdString(), map);

    ByteRun run = RunEditorWithBytes({"--print-pdf", pdf, map});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{map, pdf}));
    std::string start(5, '\0');
    std::ifstream(pdf, std::ios::binary).read(start.data(), 5);
    EXPECT_EQ(start, "%PDF-");

    const std::string missing = (folder / "f\xfcr.mid").string();
    run = RunEditorWithBytes({"--print-pdf", pdf, missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(missing + ": "), std::string::npos) << run.err;
}

} // namespace
} // namespace kel

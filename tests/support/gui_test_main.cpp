// SPDX-License-Identifier: GPL-3.0-or-later
// main() of the GUI test programs: a home of their own, a QApplication on the offscreen
// platform (unless another is chosen), settings kept out of the user's own store, then
// GoogleTest.
#include <QApplication>
#include <QStandardPaths>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "support/scratch.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder in the temporary folder the program was given, holding the home, the
// temporary folder and the XDG folders that the program and the programs it starts see. What
// Qt, the editor and the tests write (the viewed list, the panel picture's cache, Qt's runtime
// folder, settings) lands there, and nothing of the user's own configuration is read. It is
// made before QApplication and removed with all its content when the program ends.
class ScratchHome {
public:
    ScratchHome() : root_(kel::test::MakeScratchFolder("kel-gui-")) {
        if (root_.empty()) {
            Fail("no scratch home in the temporary folder");
        }
        const struct {
            const char* variable;
            const char* folder;
        } places[] = {
            {"HOME", "home"},
            {"TMPDIR", "tmp"},
            {"XDG_CONFIG_HOME", "home/.config"},
            {"XDG_CACHE_HOME", "home/.cache"},
            {"XDG_DATA_HOME", "home/.local/share"},
            {"XDG_STATE_HOME", "home/.local/state"},
            {"XDG_RUNTIME_DIR", "run"},
        };
        for (const auto& place : places) {
            const fs::path path = root_ / place.folder;
            std::error_code ec;
            if (!fs::create_directories(path, ec) && ec) {
                Fail(place.folder);
            }
            // Only the user may enter them: Qt refuses a runtime folder that others can read.
            fs::permissions(path, fs::perms::owner_all, ec);
            if (ec || ::setenv(place.variable, path.c_str(), 1) != 0) {
                Fail(place.variable);
            }
        }
    }

    ~ScratchHome() { kel::test::RemoveScratchFolder(root_); }

    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

private:
    [[noreturn]] void Fail(const char* what) {
        std::fprintf(stderr, "GUI tests: cannot set up the scratch home: %s\n", what);
        kel::test::RemoveScratchFolder(root_);
        std::exit(EXIT_FAILURE);
    }

    fs::path root_;
};

} // namespace

int main(int argc, char** argv) {
    const ScratchHome home; // outlives the application, which may write while it ends
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The layers of the source tree: every `#include "…"` of src/ and tools/ names a header of its
// own folder or of a layer below it, and the standard C++ core includes no Qt header. The
// build's include paths already refuse most upward includes; this check names file and line,
// and also covers what the build cannot see (an include that happens to resolve elsewhere).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Each folder and the folders its files may include, itself included. Folders are named as in
// the include lines ("gui/panel"); tools/ programs are listed by their folder under tools/.
const std::map<std::string, std::set<std::string>>& Layers() {
    static const std::map<std::string, std::set<std::string>> layers = {
        {"model", {"model"}},
        {"files", {"files", "model"}},
        {"session", {"session", "files", "model"}},
        {"library", {"library", "files", "model"}},
        {"protocol", {"protocol", "model"}},
        {"midi", {"midi", "protocol", "model"}},
        {"midi/rtmidi", {"midi/rtmidi", "midi", "protocol", "model"}},
        {"gui/common", {"gui/common", "model"}},
        {"gui/panel", {"gui/panel", "gui/common", "model"}},
        {"gui/panel/prerender", {"gui/panel"}},
        {"gui/assign", {"gui/assign", "gui/common", "model"}},
        {"gui/mididlg", {"gui/mididlg", "gui/common", "midi/rtmidi", "midi", "protocol", "model"}},
        {"app",
         {"app", "gui/mididlg", "gui/assign", "gui/panel", "gui/common", "midi/rtmidi", "midi",
          "protocol", "session", "library", "files", "model"}},
        {"cli", {"cli", "midi/rtmidi", "midi", "protocol", "session", "library", "files", "model"}},
        {"kel-device-sim", {"midi/rtmidi", "midi", "protocol", "files", "model"}},
        {"kel-core-texts", {"model"}},
    };
    return layers;
}

const std::set<std::string> kCoreFolders = {"model",   "files", "session",
                                            "library", "midi",  "protocol"};

// The folder of `path` ("gui/panel/kelpanel.h" -> "gui/panel"): the longest listed folder that
// is a prefix of it, or "" when none is.
std::string FolderOf(const std::string& path) {
    std::string best;
    for (const auto& [folder, allowed] : Layers()) {
        if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            path[folder.size()] == '/' && folder.size() > best.size()) {
            best = folder;
        }
    }
    return best;
}

struct Include {
    std::string file; // relative to the source root, as reported
    int line = 0;
    std::string folder;  // of the including file
    std::string target;  // the quoted name
    bool angled = false; // <...> instead of "..."
};

// Every include line of the C++ files under `root`, with the folder each file belongs to
// (`shown` is put before the path below root in reports: "src/" or "tools/").
std::vector<Include> IncludesUnder(const fs::path& root, const std::string& shown) {
    static const std::regex includeLine(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
    std::vector<Include> out;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) {
            continue;
        }
        const std::string rel = fs::relative(entry.path(), root).generic_string();
        std::string folder = FolderOf(rel);
        if (folder.empty()) {
            // tools/<program>/...: the program's folder name.
            folder = rel.substr(0, rel.find('/'));
        }
        std::ifstream in(entry.path());
        std::string text;
        int number = 0;
        while (std::getline(in, text)) {
            ++number;
            std::smatch m;
            if (std::regex_search(text, m, includeLine)) {
                out.push_back({shown + rel, number, folder, m[2].str(), m[1].str() == "<"});
            }
        }
    }
    return out;
}

std::vector<Include> AllIncludes() {
    auto includes = IncludesUnder(fs::path(KEL_SOURCE_DIR) / "src", "src/");
    const auto tools = IncludesUnder(fs::path(KEL_SOURCE_DIR) / "tools", "tools/");
    includes.insert(includes.end(), tools.begin(), tools.end());
    return includes;
}

// The rule an include breaks, or "" when it keeps them all.
std::string Violation(const Include& inc) {
    const auto layer = Layers().find(inc.folder);
    if (layer == Layers().end()) {
        return "is in folder \"" + inc.folder + "\", which has no place in the layers";
    }
    if (inc.angled) {
        const bool qt = inc.target.rfind("Q", 0) == 0 || inc.target.rfind("qt", 0) == 0;
        return qt && kCoreFolders.count(inc.folder) != 0
                   ? "includes the Qt header <" + inc.target + "> in the standard C++ core"
                   : "";
    }
    const std::string target = FolderOf(inc.target);
    if (target.empty()) {
        return "includes \"" + inc.target + "\", which is not named by its folder";
    }
    if (layer->second.count(target) == 0) {
        return "includes \"" + inc.target + "\" of " + target + ", above or beside " + inc.folder;
    }
    return "";
}

TEST(Layers, EveryIncludePointsDownOrStaysInItsFolder) {
    const auto includes = AllIncludes();
    ASSERT_GT(includes.size(), 100u) << "the source tree was not found at " << KEL_SOURCE_DIR;
    std::set<std::string> folders;
    for (const Include& inc : includes) {
        folders.insert(inc.folder);
        const std::string broken = Violation(inc);
        EXPECT_TRUE(broken.empty()) << inc.file << ":" << inc.line << " " << broken;
    }
    // Every layer of the table is still there: a folder renamed away would silently drop out.
    for (const auto& [folder, allowed] : Layers()) {
        EXPECT_EQ(folders.count(folder), 1u) << "no sources found in " << folder;
    }
}

TEST(Layers, TheRulesRefuseWhatTheyShould) {
    EXPECT_NE(Violation({"src/model/x.cpp", 1, "model", "files/smfctrl.h", false}), "");
    EXPECT_NE(Violation({"src/gui/panel/x.cpp", 1, "gui/panel", "app/ids.h", false}), "");
    EXPECT_NE(Violation({"src/gui/panel/x.cpp", 1, "gui/panel", "gui/assign/msgdlg.h", false}), "");
    EXPECT_NE(Violation({"src/midi/x.cpp", 1, "midi", "QObject", true}), "");
    EXPECT_NE(Violation({"src/midi/x.cpp", 1, "midi", "midi/rtmidi/rtmidibackend.h", false}), "");
    EXPECT_NE(Violation({"src/cli/x.cpp", 1, "cli", "gui/common/ids.h", false}), "");
    EXPECT_EQ(Violation({"src/gui/panel/x.cpp", 1, "gui/panel", "gui/common/ids.h", false}), "");
    EXPECT_EQ(Violation({"src/app/x.cpp", 1, "app", "QWidget", true}), "");
}

} // namespace

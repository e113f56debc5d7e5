// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/setcommand.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/controlsetting.h"
#include "model/kinds.h"
#include "model/midinames.h"
#include "model/msgtext.h"
#include "model/multiedit.h"

namespace kel::cli {
namespace {

namespace fs = std::filesystem;

// A folder only this user may use: a real directory (not a link), owned by this user, with no
// access for anyone else.
bool IsPrivateFolder(const fs::path& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// Where the lock files go: $XDG_RUNTIME_DIR, else "/tmp/kelmap-UID", created for this user
// alone. Empty when neither is a private folder of this user (someone else made the one under
// /tmp, or changed its mode).
fs::path RuntimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr) {
        const fs::path folder = runtime;
        if (folder.is_absolute() && IsPrivateFolder(folder)) {
            return folder;
        }
    }
    const fs::path folder = "/tmp/kelmap-" + std::to_string(::geteuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    return IsPrivateFolder(folder) ? folder : fs::path();
}

// 64-bit FNV-1a: spreads the names of maps over lock file names; two maps that meet on one
// name only take turns with each other.
std::uint64_t NameHash(const std::string& text) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// How many VALUES a kind takes on the command line: its value fields, or the status of a
// realtime message, or the text of a System Ex. or Free Message.
std::size_t ValueCount(const AssignKind& kind) {
    const bool oneMore = kind.type == MsgSystemRealtime || kind.HasMessageText();
    return kind.valueCount + (oneMore ? 1u : 0u);
}

std::optional<int> ParseNumber(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

// The index of `text` in `names` (case-insensitive for ASCII), or -1.
template <std::size_t N>
int IndexOf(const std::array<std::string_view, N>& names, const std::string& text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i].size() == text.size() &&
            std::equal(text.begin(), text.end(), names[i].begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            })) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// kelmap's words for the ports and the button modes, in the order of their stored values.
constexpr std::array<std::string_view, 3> kPortWords = {"1", "2", "1+2"};
constexpr std::array<std::string_view, 3> kButtonWords = {"unlatch", "latch", "increase"};

std::string Quote(std::string_view s) {
    return "'" + std::string(s) + "'";
}

// A refusal of SetControl as kelmap prints it, in English; a comment's after the option it came
// with, and one too long in the words kelmap has always used for it.
std::string Described(const Failure& failure) {
    const std::string why = EnglishText(failure.why);
    if (PartOf(failure) != SettingPart::Comment) {
        return why;
    }
    if (failure.why.id == TextId::SetCommentTooLong) {
        return "--comment is longer than the 128 bytes a comment takes in the file";
    }
    return "--comment: " + why;
}

// The request's words and numbers as a setting of `kind`; returns the refusal or "". What the
// words cannot say (a number that is not one, a port that is not 1, 2 or 1+2) is refused here;
// what the numbers mean for the kind and the control is the setting's to judge.
std::string DescribeSetting(const AssignKind& kind, const SetRequest& r, ControlSetting& s) {
    s.kind = &kind;
    if (kind.type == MsgSystemRealtime && !r.values.empty()) {
        static constexpr std::array<std::string_view, 6> kStatus = {"f6", "f8", "fa",
                                                                    "fb", "fc", "ff"};
        const int index = IndexOf(kStatus, r.values[0]);
        if (index < 0) {
            return "STATUS " + Quote(r.values[0]) + " is not one of F6, F8, FA, FB, FC, FF";
        }
        s.realtime = index;
    } else if (kind.HasMessageText() && !r.values.empty()) {
        s.message = r.values[0];
    } else {
        for (std::size_t i = 0; i < r.values.size() && i < s.values.size(); ++i) {
            const auto v = ParseNumber(r.values[i]);
            const ValueField* field = kind.Value(static_cast<int>(i));
            if (!v && field != nullptr) {
                return std::string(field->word) + " " + Quote(r.values[i]) + " is out of range (" +
                       std::to_string(field->Low()) + "-" + std::to_string(field->High()) + ")";
            }
            s.values[i] = v;
        }
    }
    for (const auto& [text, option, into] :
         {std::tuple{&r.channel, "--channel", &s.channel},
          std::tuple{&r.dataType, "--data-type", &s.dataType},
          std::tuple{&r.min, "--min", &s.dataMin}, std::tuple{&r.max, "--max", &s.dataMax}}) {
        if (text->empty()) {
            continue;
        }
        const auto v = ParseNumber(*text);
        if (!v) {
            return std::string(option) + " " + Quote(*text) + " is not a number";
        }
        *into = v;
    }
    if (!r.port.empty()) {
        const int port = IndexOf(kPortWords, r.port);
        if (port < 0) {
            return "--port " + Quote(r.port) + " is not 1, 2 or 1+2";
        }
        s.port = port;
    }
    if (!r.button.empty()) {
        const int mode = IndexOf(kButtonWords, r.button);
        if (mode < 0) {
            return "--button " + Quote(r.button) + " is not unlatch, latch or increase";
        }
        s.buttonMode = mode;
    }
    if (!r.aft.empty()) {
        static constexpr std::array<std::string_view, 3> kAft = {"off", "cp", "pkp"};
        const int mode = IndexOf(kAft, r.aft);
        if (mode < 0) {
            return "--aft " + Quote(r.aft) + " is not off, cp or pkp";
        }
        s.aftMode = mode;
    }
    if (!r.centerClick.empty()) {
        static constexpr std::array<std::string_view, 2> kSwitch = {"off", "on"};
        const int on = IndexOf(kSwitch, r.centerClick);
        if (on < 0) {
            return "--center-click " + Quote(r.centerClick) + " is not on or off";
        }
        s.centerClick = on == 1;
    }
    if (r.hasComment) {
        // A comment typed on a command line with control characters in it is most likely a
        // pasted escape sequence rather than a text to keep.
        for (unsigned char c : r.comment) {
            if (c < 32 || c == 127) {
                return "--comment may hold no control characters";
            }
        }
        s.comment = r.comment;
    }
    return {};
}

// One control of the request; `number` is its number of the fill, if any.
std::string ApplyOne(CParameter& document, ControllerId id, ControlSetting setting,
                     std::optional<int> number) {
    document.SelectController(id);
    setting.number = number;
    if (const Status set = SetControl(document.EditBuffer(), document.Map(), id, setting); !set) {
        document.RevertEdit();
        return Described(set.Error());
    }
    document.CommitEdit();
    return {};
}

// The numbers of the fill, one per control, or the refusal.
std::string FillNumbers(const NumberSequence& fill, const AssignKind& kind, std::size_t count,
                        std::vector<int>& numbers) {
    const int index = kind.NumberIndex();
    if (index < 0) {
        return "--fill needs a kind with a controller, note or program number";
    }
    if (fill.skipReserved && kind.Value(index)->name != ValueName::Controller) {
        return "--skip-reserved is only for controller numbers";
    }
    if (fill.skipReserved && fill.step == 0 && IsReservedControllerNumber(fill.start)) {
        return "--fill " + std::to_string(fill.start) + ":0 gives only a reserved number";
    }
    numbers = SequenceNumbers(fill, count);
    return {};
}

} // namespace

std::optional<NumberSequence> ParseFill(std::string_view text) {
    NumberSequence fill;
    const std::size_t colon = text.find(':');
    const auto start = ParseNumber(std::string(text.substr(0, colon)));
    const auto step = colon == std::string_view::npos
                          ? std::optional<int>(1)
                          : ParseNumber(std::string(text.substr(colon + 1)));
    if (!start || !step) {
        return std::nullopt;
    }
    fill.start = *start;
    fill.step = *step;
    return fill;
}

std::string ApplySet(CParameter& document, const SetRequest& r) {
    Phrase listError;
    const std::vector<ControllerId> ids = ParseControlList(r.control, listError);
    if (ids.empty()) {
        return EnglishText(listError);
    }
    std::string error;
    const AssignKind* kind = FindKind(r.kind);
    if (kind == nullptr) {
        return "unknown kind " + Quote(r.kind);
    }
    if (r.values.size() > ValueCount(*kind)) {
        return "too many values for " + r.kind;
    }
    std::vector<int> numbers;
    if (r.fill) {
        if (error = FillNumbers(*r.fill, *kind, ids.size(), numbers); !error.empty()) {
            return error;
        }
    }

    ControlSetting setting;
    if (error = DescribeSetting(*kind, r, setting); !error.empty()) {
        return error;
    }
    const ControlMap before = document.Map();
    for (std::size_t i = 0; i < ids.size(); ++i) {
        error = ApplyOne(document, ids[i], setting,
                         r.fill ? std::optional<int>(numbers[i]) : std::nullopt);
        if (!error.empty()) {
            // Nothing of a list lands unless all of it does.
            document.Map() = before;
            document.MapWasReplaced();
            return ids.size() > 1 ? std::string(ControllerName(ids[i])) + ": " + error : error;
        }
    }
    return {};
}

std::string ApplyFieldEdit(CParameter& document, const SetRequest& r,
                           std::vector<std::string>& warnings) {
    Phrase listError;
    const std::vector<ControllerId> ids = ParseControlList(r.control, listError);
    if (ids.empty()) {
        return EnglishText(listError);
    }
    for (const auto& [given, option] :
         {std::pair{!r.aft.empty(), "--aft"}, std::pair{!r.centerClick.empty(), "--center-click"},
          std::pair{!r.dataType.empty(), "--data-type"}, std::pair{r.hasComment, "--comment"}}) {
        if (given) {
            return std::string(option) + " needs a KIND";
        }
    }
    MultiEdit edit;
    if (!r.channel.empty()) {
        const auto v = ParseNumber(r.channel);
        if (!v || *v < 1 || *v > 16) {
            return "--channel " + Quote(r.channel) + " is out of range (1-16)";
        }
        edit.channel = *v - 1;
    }
    if (!r.port.empty()) {
        if (const int port = IndexOf(kPortWords, r.port); port >= 0) {
            edit.port = port;
        } else {
            return "--port " + Quote(r.port) + " is not 1, 2 or 1+2";
        }
    }
    if (!r.button.empty()) {
        if (const int mode = IndexOf(kButtonWords, r.button); mode >= 0) {
            edit.buttonMode = mode;
        } else {
            return "--button " + Quote(r.button) + " is not unlatch, latch or increase";
        }
    }
    for (auto [option, text, into] :
         {std::tuple{"--min", &r.min, &edit.minimum}, std::tuple{"--max", &r.max, &edit.maximum}}) {
        if (!text->empty()) {
            const auto v = ParseNumber(*text);
            if (!v) {
                return std::string(option) + " " + Quote(*text) + " is not a number";
            }
            *into = *v;
        }
    }
    edit.numbering = r.fill;
    if (r.fill && r.fill->skipReserved && r.fill->step == 0 &&
        IsReservedControllerNumber(r.fill->start)) {
        return "--fill " + std::to_string(r.fill->start) + ":0 gives only a reserved number";
    }

    const MultiEditPreview preview = PreviewMultiEdit(document.Map().records, ids, edit);
    for (const MultiEditRow& row : preview.rows) {
        if (!row.refusal.Empty()) {
            return EnglishText(row.refusal);
        }
    }
    std::vector<ControlEdit> edits;
    for (const ControllerId id : preview.Changed()) {
        const auto index = static_cast<std::size_t>(id);
        edits.push_back({id, preview.result[index], document.Map().comments[index]});
    }
    document.CommitControls(edits);
    for (const CheckFinding& finding : preview.findings) {
        warnings.push_back(std::string(CheckSeverityName(finding.severity)) + ": " +
                           finding.message);
    }
    return {};
}

MapLock::MapLock(const fs::path& map) {
    // The map's real folder and name, so that every name of it (links, "./", "..") meets here.
    std::error_code ec;
    const fs::path real = fs::canonical(map, ec);
    struct stat info {};
    if (ec || ::stat(real.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(real.c_str(), W_OK) != 0) {
        return;
    }
    const fs::path folder = RuntimeFolder();
    if (folder.empty()) {
        return;
    }
    char name[40];
    std::snprintf(name, sizeof name, "kelmap-set-%016llx.lock",
                  static_cast<unsigned long long>(NameHash(real.string())));
    fd_ = ::open((folder / name).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK,
                 0600);
    if (fd_ < 0) {
        return;
    }
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

MapLock::~MapLock() {
    if (fd_ >= 0) {
        ::close(fd_); // closing the only descriptor releases the lock
    }
}

} // namespace kel::cli

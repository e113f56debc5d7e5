// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the file tests: a recording reporter, a scratch directory, whole-file
// access, and builders for the tracks of control map and memory set files (their messages are
// built by support/records.h).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/smfctrl.h"
#include "model/bulk.h"
#include "model/reporter.h"
#include "support/records.h"
#include "support/scratch.h"

namespace kel::test {

struct RecordingReporter : Reporter {
    std::vector<std::pair<StringId, int>> warnings;
    void warn(StringId id, int detail) override { warnings.emplace_back(id, detail); }
};

// The cause of a failed result; 0 for a success.
template <class R> int CauseOf(const R& result) {
    return result.Ok() ? 0 : result.Error().cause;
}

// A fresh directory under the system's temporary directory, removed with its content.
class ScratchDir {
public:
    ScratchDir() : path_(MakeScratchFolder("kel-files-")) {
        if (path_.empty()) {
            ADD_FAILURE() << "no scratch directory in the temporary directory";
        }
    }
    ~ScratchDir() { RemoveScratchFolder(path_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
    const std::filesystem::path& Path() const { return path_; }
    // Names of everything in the directory, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

inline Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

// Assembles a format 0 file event by event.
class TrackBuilder {
public:
    TrackBuilder& Raw(const Bytes& bytes) {
        body_.insert(body_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    TrackBuilder& Meta(std::uint8_t type, std::string_view text) {
        body_.insert(body_.end(), {0x00, 0xFF, type});
        AppendVlq(body_, static_cast<std::uint32_t>(text.size()));
        body_.insert(body_.end(), text.begin(), text.end());
        return *this;
    }
    TrackBuilder& Comment(std::string_view text) { return Meta(0x01, text); }
    // `message` starts with F0; the F0 form stores the rest, the F7 form stores all of it.
    TrackBuilder& Exclusive(const Bytes& message, bool escaped = false) {
        body_.push_back(0x08);
        body_.push_back(escaped ? 0xF7 : 0xF0);
        const auto first = message.begin() + (escaped ? 0 : 1);
        AppendVlq(body_, static_cast<std::uint32_t>(message.end() - first));
        body_.insert(body_.end(), first, message.end());
        return *this;
    }
    TrackBuilder& EndOfTrack() { return Raw({0x08, 0xFF, 0x2F, 0x00}); }

    // The whole file; the track length counts every byte of the body.
    Bytes File(const Bytes& prefix = {}) const {
        Bytes out = prefix;
        out.insert(out.end(), {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        const auto length = static_cast<std::uint32_t>(body_.size());
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<std::uint8_t>(length >> shift));
        }
        out.insert(out.end(), body_.begin(), body_.end());
        return out;
    }

private:
    Bytes body_;
};

// A record of kind `n` (varied over the controllers) for building test maps.
inline AssignRecord SampleRecord(ControllerId id) {
    AssignRecord r{};
    r[rec::AssignCode] = CodeControlChange;
    r[rec::Channel] = static_cast<std::uint8_t>(id % 16);
    r[rec::Values] = static_cast<std::uint8_t>(id);
    r[rec::Values + 2] = 127;
    return r;
}

// A memory set file with `count` messages in slot order, each followed by a comment.
inline Bytes MemorySetFile(int count) {
    TrackBuilder t;
    t.Meta(0x03, "memory set").Comment("KEL message set 100");
    for (int slot = 0; slot < count; ++slot) {
        t.Exclusive(MemorySetMessage(slot, SampleRecord(slot + 1)));
        t.Comment("slot " + std::to_string(slot));
    }
    return t.EndOfTrack().File();
}

// A control map file with no assignment, the title `title` and the comments of controls 0 and 1
// as their bytes (any encoding).
inline Bytes MapFileWithTexts(std::string_view title, std::string_view comment0,
                              std::string_view comment1 = {}) {
    TrackBuilder t;
    t.Raw({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20})
        .Meta(0x03, title)
        .Comment("KEL message set 200");
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        t.Exclusive(ControlMapMessage(id, {}));
        t.Comment(id == 0 ? comment0 : id == 1 ? comment1 : std::string_view());
    }
    return t.EndOfTrack().File();
}

} // namespace kel::test

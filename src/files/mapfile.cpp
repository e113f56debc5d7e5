// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/mapfile.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/fileio.h"
#include "files/smfctrl.h"
#include "model/strings.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

// A map file read as the parse goes: at most kMapFileLimit bytes are read, and what the parse
// passes over is skipped by position, so memory stays flat whatever the file's size. Reads at
// a position (pread) do not depend on the descriptor's own offset.
class FileInput : public SmfInput {
public:
    FileInput(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

    std::size_t Read(std::uint8_t* out, std::size_t size) override {
        size = static_cast<std::size_t>(std::min<std::uint64_t>(
            size, kMapFileLimit + allowed_ - std::min(read_, kMapFileLimit + allowed_)));
        while (size > 0) {
            const ssize_t n = ::pread(fd_, out, size, static_cast<off_t>(offset_));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                error_ = errno;
                return 0;
            }
            offset_ += static_cast<std::uint64_t>(n);
            read_ += static_cast<std::uint64_t>(n);
            return static_cast<std::size_t>(n);
        }
        return 0;
    }

    bool Skip(std::uint64_t size) override {
        if (size > size_ - std::min(offset_, size_)) {
            return false;
        }
        offset_ += size;
        return true;
    }

    std::uint64_t Left() const override { return size_ - std::min(offset_, size_); }

    // A copyright text is read whole; it is bounded by its own limit.
    void AllowText(std::uint64_t size) override { allowed_ += size; }

    int Error() const { return error_; }

private:
    int fd_;
    std::uint64_t size_;
    std::uint64_t offset_ = 0;
    std::uint64_t read_ = 0;
    std::uint64_t allowed_ = 0;
    int error_ = 0;
};

} // namespace

// --- reading and writing a map file ----------------------------------------------------------

Status ReadMapFile(const std::string& path, MessageSetKind kind, CParameter& document) {
    const Result<int> opened = OpenRegularFile(path);
    if (!opened) {
        // Whatever the file is, the cause in words is the one its number has.
        return FileFailure(opened.Error().cause);
    }
    const int fd = *opened;
    int err = 0;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        err = errno;
        ::close(fd);
    }
    if (err == 0) {
        FileInput input(fd, static_cast<std::uint64_t>(info.st_size));
        Status parsed;
        try {
            parsed = CSmfCtrl(&document).ReadFrom(input, kind);
        } catch (const std::bad_alloc&) {
            err = ENOMEM;
        }
        ::close(fd);
        // A failed read is a failed open, not a damaged file, whatever the parse made of it.
        if (err == 0 && input.Error() != 0) {
            err = input.Error();
        }
        if (err == 0) {
            return parsed;
        }
    }
    return FileFailure(FileErrorCauseOf(err));
}

namespace {

// A copyright text no map file can hold is refused before anything is written (a file read
// never gives one: it refuses such a file).
Failure CopyrightTooLong() {
    return FileFailure(CauseInvalidFile);
}

} // namespace

Status SaveMapDocument(const std::string& path, CParameter& document) {
    if (!CSmfCtrl::CopyrightFits(document)) {
        return CopyrightTooLong();
    }
    // The copyright text is written from the document itself, not from a copy.
    const SmfImage image = CSmfCtrl(&document).BuildParts();
    const auto pieces = image.Pieces();
    return SaveBytesSafely(path, pieces);
}

Result<std::string>
SaveMapDocumentAsNewFile(const std::function<std::filesystem::path(unsigned attempt)>& nameOf,
                         unsigned attempts, CParameter& document) {
    if (!CSmfCtrl::CopyrightFits(document)) {
        return CopyrightTooLong();
    }
    const SmfImage image = CSmfCtrl(&document).BuildParts();
    const auto pieces = image.Pieces();
    return SaveBytesAsNewFile(nameOf, attempts, pieces);
}

Status CheckMapDocumentSave(const std::string& path, CParameter& document) {
    if (!CSmfCtrl::CopyrightFits(document)) {
        return CopyrightTooLong();
    }
    // The records have a fixed size and the texts stay as they are, so the file written later
    // has the size the map's file has now.
    return CheckSafeSave(path, CSmfCtrl(&document).BuildParts().Size());
}

Result<std::string> SaveMapDocumentNearby(const std::string& path, const std::string& stem,
                                          CParameter& document) {
    if (!CSmfCtrl::CopyrightFits(document)) {
        return CopyrightTooLong();
    }
    const SmfImage image = CSmfCtrl(&document).BuildParts();
    const auto pieces = image.Pieces();
    fs::path besides = fs::path(path).parent_path();
    if (besides.empty()) {
        besides = ".";
    }
    std::vector<fs::path> folders{besides};
    std::error_code ec;
    if (const fs::path temp = fs::temp_directory_path(ec); !ec) {
        folders.push_back(temp);
    }
    int err = ENOENT;
    for (const fs::path& folder : folders) {
        fs::path created;
        // A new file under the first free name: nothing that is there already is replaced.
        const int fd = CreateFirstFreeFile(
            [&](unsigned attempt) {
                return folder / (stem + "-" + std::to_string(attempt + 1) + ".mid");
            },
            100, 0666, TakenName::Fail, created);
        if (fd < 0) {
            err = errno;
            continue;
        }
        // Removed again if the process is ended before the file is complete.
        RegisterTempFile(created);
        err = WriteAndClose(fd, pieces, true);
        if (err == 0) {
            ForgetTempFile(created);
            return created.string();
        }
        ::unlink(created.c_str());
        ForgetTempFile(created);
    }
    return FileFailure(FileErrorCauseOf(err));
}

} // namespace kel

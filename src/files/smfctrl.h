// The Standard MIDI File container of control map files: format 0, one track holding the
// tempo, the title, the copyright text, a set-kind text, and for each control its bulk message
// followed by its comment. The same reader also takes memory set files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/bulk.h"
#include "model/parameter.h"
#include "model/reporter.h"

namespace kel {

// File error cause numbers, as the "(%d)" of the file messages shows them.
enum FileErrorCause : int {
    CauseNone = 0,
    CauseGeneric = 1,
    CauseFileNotFound = 2,
    CauseBadPath = 3,
    CauseTooManyOpenFiles = 4,
    CauseAccessDenied = 5,
    CauseInvalidFile = 6,
    CauseRemoveCurrentDir = 7,
    CauseDirectoryFull = 8,
    CauseBadSeek = 9,
    CauseHardIo = 10,
    CauseSharingViolation = 11,
    CauseLockViolation = 12,
    CauseDiskFull = 13,
    CauseEndOfFile = 14,
};

// The cause number for a system error number (`errno`).
int FileErrorCauseOf(int err);

// Appends `value` as a variable-length quantity (7 bits a byte, most significant first).
void AppendVlq(std::vector<std::uint8_t>& out, std::uint32_t value);

class CSmfCtrl {
public:
    // `document` is read by Write and filled by Read; `reporter` receives Read's failure
    // messages (none are reported when it is null).
    CSmfCtrl(CParameter* document, Reporter* reporter = nullptr);
    ~CSmfCtrl(); // closes a file still open

    CSmfCtrl(const CSmfCtrl&) = delete;
    CSmfCtrl& operator=(const CSmfCtrl&) = delete;

    // Opens (creates or truncates) `path` for Write. False on failure, with LastCause() set.
    bool Create(const std::string& path);
    // Takes over an already open, writable file descriptor for Write.
    void Attach(int fd);
    // When set, Write flushes the file to the disk before closing it.
    void SetSyncOnClose(bool sync) { syncOnClose_ = sync; }

    // Writes the whole file for the document and closes it: 0 on success, -1 on failure (with
    // LastCause() set to the cause number, or -1 when no system error explains it). Reports
    // nothing; the caller does.
    int Write();

    // The bytes Write writes, without touching any file.
    std::vector<std::uint8_t> BuildImage();

    // Opens `path`, parses it as a file of `kind` and fills the document. 0 on success; on
    // failure reports 32806, 32807, 32819 or 32820 and returns -1. The document is then partly
    // filled: the caller resets it.
    int Read(const std::string& path, MessageSetKind kind);
    // The same parse on bytes already in memory (no 32806 can arise).
    int ReadBytes(std::span<const std::uint8_t> bytes, MessageSetKind kind);

    int LastCause() const { return lastCause_; }
    int AcceptedCount() const { return acceptedCount_; }
    int LastControllerIndex() const { return lastControllerIndex_; }

private:
    class Source;
    enum class Outcome { Ok, NoChunk, NotAKelFile, IoError };

    int Parse(Source& source, MessageSetKind kind);
    Outcome ParseChunks(Source& source, MessageSetKind kind);
    Outcome ParseTrack(Source& source, MessageSetKind kind);
    bool ParseExclusive(Source& source, std::uint8_t status, MessageSetKind kind);
    bool ParseMeta(Source& source, MessageSetKind kind, bool& endOfTrack);
    void BuildTrack();
    void Close();
    void Report(StringId id, int detail = 0) const;

    CParameter* document_;
    Reporter* reporter_;
    int fd_ = -1;
    bool syncOnClose_ = false;
    int lastCause_ = -1;
    std::vector<std::uint8_t> trackBuffer_; // the track body, assembled before it is written
    int acceptedCount_ = 0;
    int lastControllerIndex_ = kNoController;
};

} // namespace kel

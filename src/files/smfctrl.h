// SPDX-License-Identifier: GPL-3.0-or-later
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

// Appends `value` as a variable-length quantity (7 bits a byte, most significant first).
void AppendVlq(std::vector<std::uint8_t>& out, std::uint32_t value);

// The longest copyright text a file read keeps; the rest of a longer one is passed over unread,
// so that reading costs bounded memory whatever the file holds. Far beyond any real notice.
inline constexpr std::size_t kCopyrightLimit = 1024 * 1024;

// The bytes of a file as the reader takes them, front to back, with stretches passed over
// without being read (a seek on a file).
class SmfInput {
public:
    virtual ~SmfInput() = default;
    // Copies the next bytes, at most `size`, to `out` and returns how many; 0 at the end.
    virtual std::size_t Read(std::uint8_t* out, std::size_t size) = 0;
    // Passes over the next `size` bytes; false when fewer are left.
    virtual bool Skip(std::uint64_t size) = 0;
};

// Converts between a document and the bytes of its file; opening, reading and writing the file
// itself are the callers' part (ReadMapFile, SaveMapDocument).
class CSmfCtrl {
public:
    // `document` is read by BuildImage and filled by ReadBytes; `reporter` receives
    // ReadBytes' failure messages (none are reported when it is null).
    CSmfCtrl(CParameter* document, Reporter* reporter = nullptr);

    CSmfCtrl(const CSmfCtrl&) = delete;
    CSmfCtrl& operator=(const CSmfCtrl&) = delete;

    // The whole file for the document.
    std::vector<std::uint8_t> BuildImage();

    // Parses `bytes`, a file's content, as a file of `kind` and fills the document. 0 on
    // success; on failure reports 32807, 32819 or 32820 and returns -1. The document is then
    // partly filled: the caller resets it.
    int ReadBytes(std::span<const std::uint8_t> bytes, MessageSetKind kind);
    // The same for a file taken from `input` as the parse goes.
    int ReadFrom(SmfInput& input, MessageSetKind kind);

    int AcceptedCount() const { return acceptedCount_; }
    int LastControllerIndex() const { return lastControllerIndex_; }

private:
    class Source;
    enum class Outcome { Ok, NoChunk, NotAKelFile };

    Outcome ParseChunks(Source& source, MessageSetKind kind);
    Outcome ParseTrack(Source& source, MessageSetKind kind);
    bool ParseExclusive(Source& source, std::uint8_t status, MessageSetKind kind);
    bool ParseMeta(Source& source, MessageSetKind kind, bool& endOfTrack);
    void BuildTrack();
    void Report(StringId id) const;

    CParameter* document_;
    Reporter* reporter_;
    std::vector<std::uint8_t> trackBuffer_; // the track body, assembled before the file
    int acceptedCount_ = 0;
    int lastControllerIndex_ = kNoController;
};

} // namespace kel

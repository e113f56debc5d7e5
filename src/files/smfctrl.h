// SPDX-License-Identifier: GPL-3.0-or-later
// The Standard MIDI File container of control map files: format 0, one track holding the
// tempo, the title, the copyright text, a set-kind text, and for each control its bulk message
// followed by its comment. The same reader also takes memory set files.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/bulk.h"
#include "model/parameter.h"
#include "model/result.h"

namespace kel {

// Appends `value` as a variable-length quantity (7 bits a byte, most significant first).
void AppendVlq(std::vector<std::uint8_t>& out, std::uint32_t value);

// The longest copyright text a map file holds: the largest length a four-byte variable-length
// quantity carries (256 MiB less one byte). A text is read and written back whole up to it; a
// file that claims a longer one is refused when it is read, so no save ever shortens a text.
inline constexpr std::size_t kCopyrightLimit = (std::size_t{1} << 28) - 1;

// The longest title or comment a map file holds: the reader keeps each whole, so that a save
// writes it back as it was; a file with a longer one is refused when it is read.
inline constexpr std::size_t kFileTextLimit = std::size_t{64} << 10;

// The bytes of a file as the reader takes them, front to back, with stretches passed over
// without being read (a seek on a file).
class SmfInput {
public:
    virtual ~SmfInput() = default;
    // Copies the next bytes, at most `size`, to `out` and returns how many; 0 at the end.
    virtual std::size_t Read(std::uint8_t* out, std::size_t size) = 0;
    // Passes over the next `size` bytes; false when fewer are left.
    virtual bool Skip(std::uint64_t size) = 0;
    // How many bytes are left (at most; a read may still end sooner).
    virtual std::uint64_t Left() const = 0;
    // The next `size` bytes are a copyright text kept whole: an input that limits how much it
    // reads lets them through beyond its limit (the text has a limit of its own).
    virtual void AllowText(std::uint64_t size) { (void)size; }
};

// A file's bytes as three parts written one after the other: what precedes the copyright text,
// the text itself (the document's own bytes, not a copy of them), and the rest. So a file with
// a long copyright text is written without a second copy of it in memory.
struct SmfImage {
    std::vector<std::uint8_t> head;
    std::span<const std::uint8_t> copyright;
    std::vector<std::uint8_t> tail;

    std::size_t Size() const { return head.size() + copyright.size() + tail.size(); }
    std::array<std::span<const std::uint8_t>, 3> Pieces() const {
        return {std::span<const std::uint8_t>(head), copyright,
                std::span<const std::uint8_t>(tail)};
    }
};

// Converts between a document and the bytes of its file; opening, reading and writing the file
// itself are the callers' part (ReadMapFile, SaveMapDocument).
class CSmfCtrl {
public:
    // `document` is read by BuildImage and filled by ReadBytes.
    explicit CSmfCtrl(CParameter* document);

    CSmfCtrl(const CSmfCtrl&) = delete;
    CSmfCtrl& operator=(const CSmfCtrl&) = delete;

    // The whole file for the document.
    std::vector<std::uint8_t> BuildImage();
    // The same in three parts; the copyright part refers to the document's text and stays
    // valid while that text is unchanged. The caller checks first that the text is at most
    // kCopyrightLimit bytes (CopyrightFits).
    SmfImage BuildParts();
    static bool CopyrightFits(const CParameter& document) {
        return document.CopyrightText().size() <= kCopyrightLimit;
    }

    // Parses `bytes`, a file's content, as a file of `kind` and fills the document. Fails with
    // the MessageFailure of 32807, 32819, 32820, 32821 (a copyright text longer than
    // kCopyrightLimit) or 32822 (a title or comment longer than kFileTextLimit). The document is
    // then partly filled: the caller resets it.
    Status ReadBytes(std::span<const std::uint8_t> bytes, MessageSetKind kind);
    // The same for a file taken from `input` as the parse goes.
    Status ReadFrom(SmfInput& input, MessageSetKind kind);

    int AcceptedCount() const { return acceptedCount_; }
    int LastControllerIndex() const { return lastControllerIndex_; }

private:
    class Source;
    enum class Outcome { Ok, NoChunk, NotAKelFile, CopyrightTooLong };

    Outcome ParseChunks(Source& source, MessageSetKind kind);
    Outcome ParseTrack(Source& source, MessageSetKind kind);
    bool ParseExclusive(Source& source, std::uint8_t status, MessageSetKind kind);
    bool ParseMeta(Source& source, MessageSetKind kind, bool& endOfTrack);
    // Decodes the texts the parse took and stores them in the document.
    void StoreTexts();

    CParameter* document_;
    bool copyrightTooLong_ = false; // the parse met a copyright text beyond kCopyrightLimit
    bool textTooLong_ = false;      // the parse met a title or comment beyond kFileTextLimit
    int acceptedCount_ = 0;
    int lastControllerIndex_ = kNoController;
    // The comments' bytes by control, then the title's, as the parse took them.
    static constexpr std::size_t kTitleText = static_cast<std::size_t>(kControllerCount);
    std::array<FileTextBytes, kTitleText + 1> texts_;
};

} // namespace kel

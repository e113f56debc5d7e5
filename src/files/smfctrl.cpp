// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/smfctrl.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "model/midiframer.h"

namespace kel {
namespace {

constexpr std::array<std::uint8_t, 14> kHeaderChunk = {'M', 'T', 'h', 'd', 0, 0, 0,
                                                       6,   0,   0,   0,   1, 0, 0x60};
constexpr std::array<std::uint8_t, 4> kEndOfTrack = {0x08, 0xFF, 0x2F, 0x00};
constexpr std::array<std::uint8_t, 7> kTempoEvent = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
constexpr std::string_view kSetKindText = "KEL message set 200";
constexpr std::uint8_t kBulkDelta = 0x08;

constexpr std::uint8_t kMetaText = 0x01;
constexpr std::uint8_t kMetaCopyright = 0x02;
constexpr std::uint8_t kMetaTrackName = 0x03;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;

// Appends `bytes` to `out`.
void Append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
    const std::size_t at = out.size();
    out.resize(at + bytes.size());
    if (!bytes.empty()) {
        std::memcpy(out.data() + at, bytes.data(), bytes.size());
    }
}

void Append(std::vector<std::uint8_t>& out, std::string_view text) {
    Append(out, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// Appends a meta event at delta time 0.
void AppendMeta(std::vector<std::uint8_t>& out, std::uint8_t type, std::string_view text) {
    out.push_back(0x00);
    out.push_back(0xFF);
    out.push_back(type);
    AppendVlq(out, static_cast<std::uint32_t>(text.size()));
    Append(out, text);
}

} // namespace

void AppendVlq(std::vector<std::uint8_t>& out, std::uint32_t value) {
    bool started = false;
    for (int shift = 28; shift > 0; shift -= 7) {
        const auto group = static_cast<std::uint8_t>((value >> shift) & 0x7F);
        if (group != 0 || started) {
            out.push_back(static_cast<std::uint8_t>(group | 0x80));
            started = true;
        }
    }
    out.push_back(static_cast<std::uint8_t>(value & 0x7F));
}

namespace {

// The bytes of a file already in memory.
class SpanInput : public SmfInput {
public:
    explicit SpanInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t Read(std::uint8_t* out, std::size_t size) override {
        const std::size_t n = std::min(size, bytes_.size());
        if (n != 0) {
            std::memcpy(out, bytes_.data(), n);
        }
        bytes_ = bytes_.subspan(n);
        return n;
    }
    bool Skip(std::uint64_t size) override {
        if (size > bytes_.size()) {
            return false;
        }
        bytes_ = bytes_.subspan(static_cast<std::size_t>(size));
        return true;
    }
    std::uint64_t Left() const override { return bytes_.size(); }

private:
    std::span<const std::uint8_t> bytes_;
};

} // namespace

// Sequential access to a file's bytes through a buffer, with a count of the bytes taken so far.
// Reads stop at the end of the data.
class CSmfCtrl::Source {
public:
    explicit Source(SmfInput& input) : input_(input), buffer_(kBufferSize) {}

    bool Get(std::uint8_t& byte) {
        if (pos_ == end_ && !Fill()) {
            return false;
        }
        byte = buffer_[pos_++];
        ++consumed_;
        return true;
    }

    // Each of the following takes `size` bytes, or fails when fewer are left.
    bool Read(std::uint8_t* out, std::size_t size) {
        while (size > 0) {
            if (pos_ == end_ && !Fill()) {
                return false;
            }
            const std::size_t n = std::min(size, end_ - pos_);
            std::memcpy(out, buffer_.data() + pos_, n);
            Take(n);
            out += n;
            size -= n;
        }
        return true;
    }

    // A text grows only by what the file really holds.
    bool ReadText(std::uint64_t size, std::string& text) {
        while (size > 0) {
            if (pos_ == end_ && !Fill()) {
                return false;
            }
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(size, end_ - pos_));
            text.append(reinterpret_cast<const char*>(buffer_.data() + pos_), n);
            Take(n);
            size -= n;
        }
        return true;
    }

    // What is buffered is passed over first, the rest without reading it.
    bool Skip(std::uint64_t size) {
        const std::size_t buffered =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, end_ - pos_));
        Take(buffered);
        size -= buffered;
        if (size == 0) {
            return true;
        }
        if (!input_.Skip(size)) {
            return false;
        }
        consumed_ += size;
        return true;
    }

    // A variable-length quantity: 7 bits a byte until a byte below 80.
    bool GetVlq(std::uint32_t& value) {
        value = 0;
        std::uint8_t byte = 0;
        do {
            if (!Get(byte)) {
                return false;
            }
            value = (value << 7) | (byte & 0x7F);
        } while (byte >= 0x80);
        return true;
    }

    std::uint64_t Consumed() const { return consumed_; }
    // The bytes left: those buffered and those the input still has.
    std::uint64_t Left() const { return (end_ - pos_) + input_.Left(); }
    // The next `size` bytes are a copyright text kept whole (SmfInput::AllowText).
    void AllowText(std::uint64_t size) { input_.AllowText(size); }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    bool Fill() {
        pos_ = 0;
        end_ = input_.Read(buffer_.data(), buffer_.size());
        return end_ > 0;
    }
    void Take(std::size_t size) {
        pos_ += size;
        consumed_ += size;
    }

    SmfInput& input_;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t consumed_ = 0;
};

CSmfCtrl::CSmfCtrl(CParameter* document) : document_(document) {}

// --- writing -------------------------------------------------------------------------------

SmfImage CSmfCtrl::BuildParts() {
    SmfImage image;
    std::vector<std::uint8_t>& head = image.head;
    Append(head, kHeaderChunk);
    Append(head, std::string_view("MTrk"));
    head.resize(head.size() + 4); // the track length, filled in below
    const std::size_t trackStart = head.size();
    Append(head, kTempoEvent);
    // Every text in one encoding: the one the file was read in while each text has a place in
    // it, else UTF-8.
    const ControlMap& map = document_->Map();
    const TextEncoding encoding = WriteEncoding(map);
    AppendMeta(head, kMetaTrackName, FileBytesOf(map, kNoController, encoding));
    const std::string& copyright = document_->CopyrightText();
    if (!copyright.empty()) {
        // The event's head here, its text straight from the document.
        head.insert(head.end(), {0x00, 0xFF, kMetaCopyright});
        AppendVlq(head, static_cast<std::uint32_t>(copyright.size()));
        image.copyright =
            std::span(reinterpret_cast<const std::uint8_t*>(copyright.data()), copyright.size());
    }

    std::vector<std::uint8_t>& tail = image.tail;
    tail.reserve(8 * 1024);
    AppendMeta(tail, kMetaText, kSetKindText);
    AssignEntry entry;
    MidiBlock message;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        entry.record = document_->RecordOf(id);
        entry.controllerId = id;
        EncodeBulk(entry, message);
        // The event carries the message without its leading F0.
        tail.push_back(kBulkDelta);
        tail.push_back(0xF0);
        AppendVlq(tail, static_cast<std::uint32_t>(message.count - 1));
        Append(tail, message.Bytes().subspan(1));
        AppendMeta(tail, kMetaText, FileBytesOf(map, id, encoding));
    }
    Append(tail, kEndOfTrack);

    // The track length counts everything after it, the end-of-track event included.
    const auto length = static_cast<std::uint32_t>(image.Size() - trackStart);
    for (int i = 0; i < 4; ++i) {
        head[trackStart - 4 + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(length >> (24 - 8 * i));
    }
    return image;
}

std::vector<std::uint8_t> CSmfCtrl::BuildImage() {
    const SmfImage parts = BuildParts();
    std::vector<std::uint8_t> image;
    image.reserve(parts.Size());
    for (std::span<const std::uint8_t> part : parts.Pieces()) {
        Append(image, part);
    }
    return image;
}

// --- reading -------------------------------------------------------------------------------

void CSmfCtrl::StoreTexts() {
    // The encoding is decided once, over the title and all comments together. Every text keeps
    // its bytes, whatever its length: unchanged, it is written back as it was.
    const TextEncoding encoding = DetectTextEncoding(texts_);
    ControlMap& map = document_->Map();
    map.textEncoding = encoding;
    for (std::size_t i = 0; i < texts_.size(); ++i) {
        std::string& bytes = texts_[i].bytes;
        std::string text = DecodeFileText(bytes, encoding);
        if (i == kTitleText) {
            map.title = std::move(text);
            map.titleBytes = std::move(bytes);
        } else {
            map.comments[i] = std::move(text);
            map.commentBytes[i] = std::move(bytes);
        }
    }
}

Status CSmfCtrl::ReadBytes(std::span<const std::uint8_t> bytes, MessageSetKind kind) {
    SpanInput input(bytes);
    return ReadFrom(input, kind);
}

Status CSmfCtrl::ReadFrom(SmfInput& input, MessageSetKind kind) {
    Source source(input);
    acceptedCount_ = 0;
    lastControllerIndex_ = kNoController;
    copyrightTooLong_ = false;
    textTooLong_ = false;
    texts_ = {};
    const Outcome outcome = ParseChunks(source, kind);
    StoreTexts();
    if (outcome == Outcome::NoChunk) {
        return MessageFailure(StringId::LoadFailed);
    }
    if (outcome == Outcome::CopyrightTooLong) {
        return MessageFailure(StringId::CopyrightTooLong);
    }
    document_->SetModified(false);
    const int required = kind == MemorySetKind ? kMemorySetSlotCount : kControllerCount;
    if (outcome != Outcome::Ok || acceptedCount_ != required) {
        return MessageFailure(kind == MemorySetKind ? StringId::NotMemorySet
                                                    : StringId::NotControlMap);
    }
    if (textTooLong_) {
        return MessageFailure(StringId::TextTooLong);
    }
    return {};
}

CSmfCtrl::Outcome CSmfCtrl::ParseChunks(Source& source, MessageSetKind kind) {
    // Each chunk id is found by skipping to the next "M" and comparing the four bytes there.
    for (std::string_view id : {std::string_view("MThd"), std::string_view("MTrk")}) {
        std::uint8_t byte = 0;
        do {
            if (!source.Get(byte)) {
                return Outcome::NoChunk;
            }
        } while (byte != 'M');
        std::array<std::uint8_t, 3> rest{};
        if (!source.Read(rest.data(), rest.size()) ||
            !std::equal(rest.begin(), rest.end(), id.begin() + 1)) {
            return Outcome::NoChunk;
        }
    }
    return ParseTrack(source, kind);
}

CSmfCtrl::Outcome CSmfCtrl::ParseTrack(Source& source, MessageSetKind kind) {
    acceptedCount_ = 0;
    lastControllerIndex_ = kNoController;
    std::array<std::uint8_t, 4> lengthBytes{};
    if (!source.Read(lengthBytes.data(), lengthBytes.size())) {
        return Outcome::NotAKelFile;
    }
    const std::uint32_t trackLength =
        (std::uint32_t{lengthBytes[0]} << 24) | (std::uint32_t{lengthBytes[1]} << 16) |
        (std::uint32_t{lengthBytes[2]} << 8) | std::uint32_t{lengthBytes[3]};
    const std::uint64_t start = source.Consumed();

    while (source.Consumed() - start < trackLength) {
        std::uint32_t delta = 0;
        std::uint8_t status = 0;
        if (!source.GetVlq(delta) || !source.Get(status)) {
            return Outcome::NotAKelFile;
        }
        if (status < 0x80) {
            continue; // running status: nothing more belongs to it
        }
        bool ok = true;
        bool endOfTrack = false;
        if (status < 0xF0) {
            ok = source.Skip(static_cast<std::uint64_t>(DataBytesAfter(status)));
        } else if (status == 0xF0 || status == 0xF7) {
            ok = ParseExclusive(source, status, kind);
        } else if (status == 0xFF) {
            ok = ParseMeta(source, kind, endOfTrack);
        } else {
            ok = false;
        }
        if (!ok) {
            return copyrightTooLong_ ? Outcome::CopyrightTooLong : Outcome::NotAKelFile;
        }
        if (endOfTrack) {
            return Outcome::Ok;
        }
    }
    return Outcome::NotAKelFile; // the track ended without its end-of-track event
}

bool CSmfCtrl::ParseExclusive(Source& source, std::uint8_t status, MessageSetKind kind) {
    std::uint32_t length = 0;
    if (!source.GetVlq(length)) {
        return false;
    }
    const std::size_t size = BulkMessageSize(kind);
    const std::size_t expected = status == 0xF0 ? size - 1 : size;
    if (length != expected) {
        // Some other exclusive message: passed over, and no comment may attach to it.
        lastControllerIndex_ = kNoController;
        return source.Skip(length);
    }

    std::array<std::uint8_t, kBulkMessageSize> message{};
    message[0] = 0xF0;
    if (status == 0xF7) {
        // The escaped form carries the F0 as its first data byte.
        std::uint8_t first = 0;
        if (!source.Get(first) || first != 0xF0) {
            return false;
        }
    }
    if (!source.Read(message.data() + 1, size - 1)) {
        return false;
    }

    // Messages must come in controller (or slot) order 0, 1, 2, ...
    const int index = message[kind == MemorySetKind ? 8 : 9];
    if (index != acceptedCount_) {
        return false;
    }
    std::uint32_t address = 0;
    if (DecodeBulk(std::span<const std::uint8_t>(message.data(), size), kind, address,
                   document_->Map().records) != 0) {
        return false;
    }
    if (index < kControllerCount) {
        lastControllerIndex_ = index;
        ++acceptedCount_;
    } else {
        lastControllerIndex_ = kNoController;
    }
    return true;
}

bool CSmfCtrl::ParseMeta(Source& source, MessageSetKind kind, bool& endOfTrack) {
    std::uint8_t type = 0;
    if (!source.Get(type) || type > 0x7F) {
        return false;
    }
    if (type == kMetaEndOfTrack) {
        std::uint8_t length = 0;
        if (!source.Get(length)) {
            return false;
        }
        endOfTrack = true;
        return true;
    }
    std::uint32_t length = 0;
    if (!source.GetVlq(length)) {
        return false;
    }
    if (type != kMetaText && type != kMetaCopyright && type != kMetaTrackName) {
        return source.Skip(length);
    }
    if (type == kMetaCopyright) {
        // The copyright text is kept whole, as it is written back. Its memory is taken once, and
        // only when the file really holds that many bytes, so a length that claims more than is
        // there costs nothing.
        if (length > source.Left()) {
            return false; // claims more than the file holds: not a control map
        }
        if (length > kCopyrightLimit) {
            copyrightTooLong_ = true;
            return false;
        }
        std::string text;
        text.reserve(length);
        source.AllowText(length);
        if (!source.ReadText(length, text)) {
            return false;
        }
        document_->SetCopyrightText(std::move(text));
        return true;
    }
    // A title or comment is kept whole; its memory grows only by what the file really holds.
    // A text beyond kFileTextLimit is passed over unread, so a huge text event costs no memory,
    // and the file is refused once it is a map otherwise (ReadFrom) rather than opened with a
    // text a save would shorten. The bytes are decoded once all texts are known (StoreTexts).
    std::size_t slot = kTitleText;
    if (type == kMetaText) {
        // A comment belongs to the bulk message right before it; the set-kind text, which
        // precedes every bulk message, finds none and is passed over.
        ControllerId id = lastControllerIndex_;
        if (kind == MemorySetKind && id != kNoController) {
            id = MemorySetController(id);
        }
        if (!IsValidController(id)) {
            return source.Skip(length);
        }
        slot = static_cast<std::size_t>(id);
    }
    if (length > kFileTextLimit) {
        textTooLong_ = true;
        return source.Skip(length);
    }
    FileTextBytes text;
    if (!source.ReadText(length, text.bytes)) {
        return false;
    }
    texts_[slot] = std::move(text);
    return true;
}

} // namespace kel

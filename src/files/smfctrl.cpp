#include "files/smfctrl.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A file larger than the process may write must fail with EFBIG, not end the program.
void IgnoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            std::signal(SIGXFSZ, SIG_IGN);
        }
    });
}

// Writes all of `bytes`; false with errno set on failure.
bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int FileErrorCauseOf(int err) {
    switch (err) {
    case 0:
        return CauseNone;
    case ENOENT:
        return CauseFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
        return CauseBadPath;
    case EMFILE:
    case ENFILE:
        return CauseTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST:
        return CauseAccessDenied;
    case EBADF:
        return CauseInvalidFile;
    case EMLINK:
        return CauseDirectoryFull;
    case ESPIPE:
        return CauseBadSeek;
    case EIO:
    case ENXIO:
        return CauseHardIo;
    case ETXTBSY:
    case EBUSY:
        return CauseSharingViolation;
    case EDEADLK:
    case ENOLCK:
        return CauseLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return CauseDiskFull;
    default:
        return CauseGeneric;
    }
}

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

// Sequential access to the bytes of a file, or of a block in memory, with a count of the bytes
// taken so far. Reads stop at the end of the data or at a read error, which is kept.
class CSmfCtrl::Source {
public:
    // `sizeHint` is the file's size when known: a small file needs no larger buffer.
    Source(int fd, std::size_t sizeHint)
        : fd_(fd), capacity_(std::clamp<std::size_t>(sizeHint + 1, 512, 64 * 1024)),
          storage_(new std::uint8_t[capacity_]) {}
    explicit Source(std::span<const std::uint8_t> bytes)
        : pos_(bytes.data()), end_(bytes.data() + bytes.size()) {}

    bool Get(std::uint8_t& byte) {
        if (pos_ == end_ && !Fill()) {
            return false;
        }
        byte = *pos_++;
        ++consumed_;
        return true;
    }

    bool Read(std::uint8_t* out, std::size_t size) {
        while (size > 0) {
            if (pos_ == end_ && !Fill()) {
                return false;
            }
            const std::size_t n = std::min(size, static_cast<std::size_t>(end_ - pos_));
            std::memcpy(out, pos_, n);
            pos_ += n;
            out += n;
            size -= n;
            consumed_ += n;
        }
        return true;
    }

    // Appends `size` bytes to `text`; it grows only by what the file really holds.
    bool ReadText(std::uint64_t size, std::string& text) {
        while (size > 0) {
            if (pos_ == end_ && !Fill()) {
                return false;
            }
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size, end_ - pos_));
            text.append(reinterpret_cast<const char*>(pos_), n);
            pos_ += n;
            size -= n;
            consumed_ += n;
        }
        return true;
    }

    bool Skip(std::uint64_t size) {
        while (size > 0) {
            if (pos_ == end_ && !Fill()) {
                return false;
            }
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size, end_ - pos_));
            pos_ += n;
            size -= n;
            consumed_ += n;
        }
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
    int Error() const { return error_; }

private:
    bool Fill() {
        if (fd_ < 0 || error_ != 0) {
            return false;
        }
        for (;;) {
            const ssize_t n = ::read(fd_, storage_.get(), capacity_);
            if (n > 0) {
                pos_ = storage_.get();
                end_ = pos_ + n;
                return true;
            }
            if (n == 0) {
                return false;
            }
            if (errno != EINTR) {
                error_ = errno;
                return false;
            }
        }
    }

    int fd_ = -1;
    std::size_t capacity_ = 0;
    std::unique_ptr<std::uint8_t[]> storage_;
    const std::uint8_t* pos_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    std::uint64_t consumed_ = 0;
    int error_ = 0;
};

CSmfCtrl::CSmfCtrl(CParameter* document, Reporter* reporter)
    : document_(document), reporter_(reporter) {}

CSmfCtrl::~CSmfCtrl() {
    Close();
}

void CSmfCtrl::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void CSmfCtrl::Report(StringId id, int detail) const {
    if (reporter_ != nullptr) {
        reporter_->warn(id, detail);
    }
}

bool CSmfCtrl::Create(const std::string& path) {
    Close();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        lastCause_ = FileErrorCauseOf(errno);
        return false;
    }
    return true;
}

void CSmfCtrl::Attach(int fd) {
    Close();
    fd_ = fd;
}

// --- writing -------------------------------------------------------------------------------

void CSmfCtrl::BuildTrack() {
    trackBuffer_.clear();
    trackBuffer_.reserve(8 * 1024);
    Append(trackBuffer_, kTempoEvent);
    AppendMeta(trackBuffer_, kMetaTrackName, document_->GetTitle());
    if (!document_->CopyrightText().empty()) {
        AppendMeta(trackBuffer_, kMetaCopyright, document_->CopyrightText());
    }
    AppendMeta(trackBuffer_, kMetaText, kSetKindText);

    AssignEntry entry;
    MidiBlock message;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        entry.record = document_->RecordOf(id);
        entry.controllerId = id;
        EncodeBulk(entry, message);
        // The event carries the message without its leading F0.
        trackBuffer_.push_back(kBulkDelta);
        trackBuffer_.push_back(0xF0);
        AppendVlq(trackBuffer_, static_cast<std::uint32_t>(message.count - 1));
        Append(trackBuffer_, message.Bytes().subspan(1));
        AppendMeta(trackBuffer_, kMetaText, document_->GetMapComment(id));
    }
}

std::vector<std::uint8_t> CSmfCtrl::BuildImage() {
    BuildTrack();
    std::vector<std::uint8_t> image;
    image.reserve(kHeaderChunk.size() + 8 + trackBuffer_.size() + kEndOfTrack.size());
    Append(image, kHeaderChunk);
    Append(image, std::string_view("MTrk"));
    // The track length counts the end-of-track event as well.
    const auto length = static_cast<std::uint32_t>(trackBuffer_.size() + kEndOfTrack.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        image.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    Append(image, trackBuffer_);
    Append(image, kEndOfTrack);
    trackBuffer_.clear();
    return image;
}

int CSmfCtrl::Write() {
    if (fd_ < 0) {
        lastCause_ = -1;
        return -1;
    }
    IgnoreFileSizeSignal();
    const std::vector<std::uint8_t> image = BuildImage();
    bool ok = WriteAll(fd_, image.data(), image.size());
    if (ok && syncOnClose_ && ::fsync(fd_) != 0) {
        ok = false;
    }
    const int writeErrno = ok ? 0 : errno;
    const int closeResult = ::close(fd_);
    const int closeErrno = errno;
    fd_ = -1;
    if (!ok) {
        lastCause_ = FileErrorCauseOf(writeErrno);
        return -1;
    }
    if (closeResult != 0 && closeErrno != EINTR) {
        lastCause_ = FileErrorCauseOf(closeErrno);
        return -1;
    }
    lastCause_ = CauseNone;
    return 0;
}

// --- reading -------------------------------------------------------------------------------

int CSmfCtrl::Read(const std::string& path, MessageSetKind kind) {
    // Non-blocking open so that a FIFO without a writer cannot hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        lastCause_ = FileErrorCauseOf(errno);
        Report(StringId::LoadError, lastCause_);
        return -1;
    }
    struct stat info {};
    // A directory or a device is no file to read a map from (a device like /dev/zero would
    // never run dry).
    const auto notAFile = [&info] {
        return S_ISDIR(info.st_mode) || S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode);
    };
    if (::fstat(fd, &info) != 0 || notAFile()) {
        lastCause_ = notAFile() ? CauseAccessDenied : FileErrorCauseOf(errno);
        ::close(fd);
        Report(StringId::LoadError, lastCause_);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        // A pipe is read with ordinary, blocking reads.
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) {
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        }
    }
    Source source(fd, S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) : 0);
    const int result = Parse(source, kind);
    ::close(fd);
    return result;
}

int CSmfCtrl::ReadBytes(std::span<const std::uint8_t> bytes, MessageSetKind kind) {
    Source source(bytes);
    return Parse(source, kind);
}

int CSmfCtrl::Parse(Source& source, MessageSetKind kind) {
    acceptedCount_ = 0;
    lastControllerIndex_ = kNoController;
    const Outcome outcome = ParseChunks(source, kind);
    if (source.Error() != 0) {
        // The file could be opened but not read (a device error, for example).
        lastCause_ = FileErrorCauseOf(source.Error());
        Report(StringId::LoadError, lastCause_);
        return -1;
    }
    if (outcome == Outcome::NoChunk) {
        Report(StringId::LoadFailed);
        return -1;
    }
    document_->SetModified(false);
    const int required = kind == MemorySetKind ? kMemorySetSlotCount : kControllerCount;
    if (outcome != Outcome::Ok || acceptedCount_ != required) {
        Report(kind == MemorySetKind ? StringId::NotMemorySet : StringId::NotControlMap);
        return -1;
    }
    return 0;
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
        switch (status & 0xF0) {
        case 0x80:
        case 0x90:
        case 0xA0:
        case 0xB0:
        case 0xE0:
            ok = source.Skip(2);
            break;
        case 0xC0:
        case 0xD0:
            ok = source.Skip(1);
            break;
        default:
            if (status == 0xF0 || status == 0xF7) {
                ok = ParseExclusive(source, status, kind);
            } else if (status == 0xFF) {
                ok = ParseMeta(source, kind, endOfTrack);
            } else {
                ok = false;
            }
            break;
        }
        if (!ok) {
            return Outcome::NotAKelFile;
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
    // A title or comment keeps its first 128 bytes, so the rest is passed over unread: a huge
    // text event costs no memory. The copyright text is kept whole.
    const std::uint32_t kept =
        type == kMetaCopyright ? length : std::min<std::uint32_t>(length, kTextLimit);
    std::string text;
    if (!source.ReadText(kept, text) || !source.Skip(length - kept)) {
        return false;
    }
    const std::string_view head = std::string_view(text).substr(0, kTextLimit);
    switch (type) {
    case kMetaText: {
        // A comment belongs to the bulk message right before it; the set-kind text, which
        // precedes every bulk message, finds none and is passed over.
        ControllerId id = lastControllerIndex_;
        if (kind == MemorySetKind && id != kNoController) {
            id = MemorySetController(id);
        }
        if (IsValidController(id)) {
            document_->SetMapComment(id, head);
        }
        break;
    }
    case kMetaCopyright:
        document_->SetCopyrightText(std::move(text));
        break;
    default:
        document_->SetTitle(head);
        break;
    }
    return true;
}

} // namespace kel

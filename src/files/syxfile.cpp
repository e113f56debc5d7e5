// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/syxfile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/fileio.h"
#include "files/safesave.h"
#include "model/midiframer.h"
#include "model/strings.h"

namespace kel {
namespace {

// A byte count or offset as an argument of a message.
PhraseArg Number(std::size_t n) {
    return static_cast<std::int64_t>(n);
}

// The data-set header every bulk message of a control map starts with.
constexpr std::array<std::uint8_t, 7> kBulkHeader = {0xF0, 0x41, 0x10, 0x00, 0x00, 0x1A, 0x12};

// A message with the bulk header and the first address byte 00 is meant to carry a record;
// the mode messages (address 7F ...) and every other message are foreign to the map.
bool IsRecordMessage(const std::vector<std::uint8_t>& m) {
    return m.size() > kBulkHeader.size() + 1 &&
           std::equal(kBulkHeader.begin(), kBulkHeader.end(), m.begin()) &&
           m[kBulkHeader.size()] == 0x00;
}

// Why a file cannot be read, in the words of the file causes (translated where shown), not the
// system's English.
PhraseArg CauseWords(int err) {
    return FileCausePhrase(FileErrorCauseOf(err));
}

std::string Hex2(std::uint8_t byte) {
    static const char* digits = "0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 15]};
}

Failure Refused(SyxError error, Phrase text) {
    return Failure{std::move(text), static_cast<int>(error)};
}

} // namespace

std::vector<std::uint8_t> BuildSyxImage(const RecordTable& records) {
    std::vector<std::uint8_t> image;
    image.reserve(kControllerCount * kBulkMessageSize);
    AssignEntry entry;
    MidiBlock block;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        entry.record = records[static_cast<std::size_t>(id)];
        entry.controllerId = id;
        EncodeBulk(entry, block);
        const auto bytes = block.Bytes();
        image.insert(image.end(), bytes.begin(), bytes.end());
    }
    return image;
}

Status SaveSyxFile(const RecordTable& records, const std::string& path) {
    return SaveBytesSafely(path, BuildSyxImage(records));
}

Result<SyxImport> ParseSyxImage(std::span<const std::uint8_t> bytes) {
    const std::size_t n = bytes.size();
    if (n == 0) {
        return Refused(SyxError::Empty, Phrase(TextId::SyxEmpty));
    }
    if (n > kSyxFileLimit) {
        return Refused(SyxError::TooLarge, Phrase(TextId::SyxTooLarge, {Number(kSyxFileLimit)}));
    }
    if (n >= 4 && std::memcmp(bytes.data(), "MThd", 4) == 0) {
        return Refused(SyxError::NotSysEx, Phrase(TextId::SyxStandardMidiFile));
    }

    SyxImport result;
    std::array<bool, kControllerCount> seen{};
    std::vector<std::uint8_t> message;
    message.reserve(256);
    RecordTable scratch{};
    std::uint8_t runningStatus = 0; // a channel status whose data bytes may repeat

    std::size_t pos = 0;
    while (pos < n) {
        const std::uint8_t b = bytes[pos];
        if (b >= 0xF8) { // realtime: one byte, anywhere
            ++pos;
            continue;
        }
        if (b == 0xF0) {
            const std::size_t start = pos;
            message.assign(1, 0xF0);
            std::size_t j = pos + 1;
            bool closed = false;
            for (; j < n; ++j) {
                const std::uint8_t c = bytes[j];
                if (c == 0xF7) {
                    message.push_back(c);
                    closed = true;
                    break;
                }
                if (c >= 0xF8) {
                    continue; // realtime bytes may interrupt a system-exclusive message
                }
                if (c >= 0x80) {
                    break; // another status byte ends the message unfinished
                }
                message.push_back(c);
            }
            runningStatus = 0;
            if (j >= n) {
                return Refused(SyxError::Truncated, Phrase(TextId::SyxTruncated, {Number(start)}));
            }
            if (!IsRecordMessage(message)) {
                ++result.foreignMessages;
                pos = closed ? j + 1 : j;
                continue;
            }
            std::uint32_t address = 0;
            if (!closed || DecodeBulk(message, ControlMapKind, address, scratch) != 0) {
                return Refused(SyxError::Damaged, Phrase(TextId::SyxDamaged, {Number(start)}));
            }
            const auto id = static_cast<std::size_t>((address >> 8) & 0xFF);
            if (seen[id]) {
                if (result.records[id] != scratch[id]) {
                    return Refused(SyxError::Conflict,
                                   Phrase(TextId::SyxConflict,
                                          {std::string(ControllerName(static_cast<int>(id)))}));
                }
                ++result.repeatedMessages;
            } else {
                seen[id] = true;
                result.records[id] = scratch[id];
            }
            pos = j + 1;
            continue;
        }
        if (b == 0xF7) { // an end without a start carries nothing
            ++result.foreignMessages;
            runningStatus = 0;
            ++pos;
            continue;
        }
        std::uint8_t status = b;
        std::size_t at = pos + 1;
        if (b < 0x80) {
            if (runningStatus == 0) {
                return Refused(SyxError::NotSysEx,
                               Phrase(TextId::SyxNotSysEx, {Hex2(b), Number(pos)}));
            }
            status = runningStatus;
            at = pos; // the data bytes start here
        } else {
            runningStatus = b < 0xF0 ? b : 0;
        }
        // Skip the short message's data bytes; realtime bytes may stand between them.
        int need = DataBytesAfter(status);
        while (need > 0 && at < n) {
            if (bytes[at] >= 0xF8) {
                ++at;
                continue;
            }
            if (bytes[at] >= 0x80) {
                break; // an incomplete short message: dropped, as a MIDI receiver does
            }
            ++at;
            --need;
        }
        if (need > 0 && at >= n) {
            return Refused(SyxError::Truncated, Phrase(TextId::SyxTruncated, {Number(pos)}));
        }
        ++result.foreignMessages;
        pos = at;
    }

    std::vector<ControllerId> missing;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        if (!seen[static_cast<std::size_t>(id)]) {
            missing.push_back(id);
        }
    }
    if (missing.size() == static_cast<std::size_t>(kControllerCount)) {
        return Refused(SyxError::NoBulkMessages, Phrase(TextId::SyxNoBulkMessages));
    }
    if (!missing.empty()) {
        std::string names;
        for (ControllerId id : missing) {
            names += names.empty() ? "" : ", ";
            names += ControllerName(id);
        }
        return Refused(SyxError::Missing,
                       Phrase(TextId::SyxMissing,
                              {kControllerCount - static_cast<int>(missing.size()), names}));
    }
    return result;
}

Result<SyxImport> LoadSyxFile(const std::string& path) {
    const Result<int> opened = OpenRegularFile(path);
    if (!opened) {
        return Refused(SyxError::CannotRead, Phrase(TextId::SyxCannotRead, {opened.Why()}));
    }
    const int fd = *opened;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int err = errno;
        ::close(fd);
        return Refused(SyxError::CannotRead, Phrase(TextId::SyxCannotRead, {CauseWords(err)}));
    }
    if (S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) > kSyxFileLimit) {
        ::close(fd);
        return Refused(SyxError::TooLarge, Phrase(TextId::SyxTooLarge, {Number(kSyxFileLimit)}));
    }
    // Read one byte beyond the limit, so that a growing or unsized file is refused as well.
    std::vector<std::uint8_t> bytes;
    const int err = ReadUpTo(fd, kSyxFileLimit + 1, bytes);
    ::close(fd);
    if (err != 0) {
        return Refused(SyxError::CannotRead, Phrase(TextId::SyxCannotRead, {CauseWords(err)}));
    }
    return ParseSyxImage(bytes);
}

void ApplySyxRecords(CParameter& document, const RecordTable& records) {
    const ControllerId selected = document.SelectedController();
    document.NewDocument();
    document.Map().records = records;
    document.FoldTwinCodes();
    document.SetModified(true);
    document.SelectController(selected);
    document.MapWasReplaced();
}

} // namespace kel

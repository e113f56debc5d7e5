// SPDX-License-Identifier: GPL-3.0-or-later
// Frames a MIDI byte stream, which may arrive in pieces of any size, into every whole message
// on the line, for listening to what a device sends:
//   - realtime bytes (F8..FF, also inside another message) are messages of their own;
//   - channel messages (80..EF) with running status resolved: data bytes after a complete
//     message start another one with the same status;
//   - system common messages (F1, F2, F3, F6) end the running status;
//   - system-exclusive messages (F0 ... F7) by the rules of CSysExFramer: a message cut by
//     another status byte is dropped, one longer than the limit is dropped as overlong;
//   - undefined status bytes (F4, F5), a stray F7 and data bytes without a status are skipped.
// Memory is fixed: the system-exclusive buffer is allocated once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "model/sysexframer.h"

namespace kel {

// The number of data bytes after a status byte below F0, or after F1..F6 (0 for F4..F6).
constexpr int DataBytesAfter(std::uint8_t status) {
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 1;
    case 0xF0:
        return status == 0xF1 || status == 0xF3 ? 1 : status == 0xF2 ? 2 : 0;
    default:
        return 2;
    }
}

class CMidiFramer {
public:
    // `sysexLimit`: the longest system-exclusive message handed on, F0 and F7 included.
    explicit CMidiFramer(std::size_t sysexLimit) : sysex_(sysexLimit) {}

    // Takes the next bytes of the stream and calls `message(std::span<const std::uint8_t>)`
    // for every message they complete. The span is valid only during the call.
    template <typename F> void Feed(std::span<const std::uint8_t> bytes, F&& message) {
        for (const std::uint8_t b : bytes) {
            if (b >= 0xF8) {
                message(std::span<const std::uint8_t>(&b, 1));
                continue;
            }
            if (b == 0xF0 || b == 0xF7 || sysex_.InMessage()) {
                // The system-exclusive framer ends a message at any status byte of its own.
                sysex_.Feed(std::span<const std::uint8_t>(&b, 1), message);
                if (b >= 0x80) {
                    status_ = 0;
                    length_ = 0;
                }
                if (b >= 0x80 && b != 0xF0 && b != 0xF7) {
                    Status(b, message);
                }
                continue;
            }
            if (b >= 0x80) {
                Status(b, message);
                continue;
            }
            if (status_ == 0) {
                continue; // a data byte without a status
            }
            short_[length_++] = b;
            if (length_ == needed_ + 1) {
                message(std::span<const std::uint8_t>(short_.data(), length_));
                // Running status holds for channel messages only.
                length_ = status_ < 0xF0 ? 1 : 0;
                if (status_ >= 0xF0) {
                    status_ = 0;
                }
            }
        }
    }

    // Forgets a message in progress and the running status.
    void Reset() {
        sysex_.Reset();
        status_ = 0;
        length_ = 0;
    }

    const CSysExFramer::Counts& SysExCounts() const { return sysex_.GetCounts(); }

private:
    template <typename F> void Status(std::uint8_t b, F& message) {
        status_ = 0;
        length_ = 0;
        if (b == 0xF4 || b == 0xF5) {
            return; // undefined: skipped, and it ends the running status
        }
        if (b == 0xF6) {
            message(std::span<const std::uint8_t>(&b, 1));
            return;
        }
        status_ = b;
        needed_ = static_cast<std::size_t>(DataBytesAfter(b));
        short_[0] = b;
        length_ = 1;
    }

    CSysExFramer sysex_;
    std::array<std::uint8_t, 3> short_{};
    std::uint8_t status_ = 0; // 0: none
    std::size_t length_ = 0;
    std::size_t needed_ = 0;
};

} // namespace kel

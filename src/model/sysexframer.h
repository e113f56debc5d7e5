// SPDX-License-Identifier: GPL-3.0-or-later
// Frames a MIDI byte stream, which may arrive in pieces of any size, into whole
// system-exclusive messages (F0 ... F7). Everything else on the line is taken out:
//   - F0 starts a new message; an unfinished one before it is dropped as cut;
//   - realtime bytes (F8..FF) may stand anywhere, also inside a message, and never become part
//     of it;
//   - any other status byte (80..EF, F1..F6) ends an unfinished message, which is dropped as
//     cut; short messages and their data bytes are skipped;
//   - an F7 without a message before it carries nothing.
// An unfinished message is held in a buffer of fixed size, allocated once: a message that
// grows beyond it is dropped as overlong (its remaining bytes up to its end are skipped), so an
// endless message never grows the memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kel {

class CSysExFramer {
public:
    struct Counts {
        std::uint64_t messages = 0; // whole messages handed on
        std::uint64_t cut = 0;      // unfinished messages ended by another status byte
        std::uint64_t overlong = 0; // messages longer than the limit
    };

    // `limit`: the longest message handed on, F0 and F7 included (at least 2).
    explicit CSysExFramer(std::size_t limit);

    // Takes the next bytes of the stream and calls `message(std::span<const std::uint8_t>)`
    // for every message they complete. The span is valid only during the call.
    template <typename F> void Feed(std::span<const std::uint8_t> bytes, F&& message) {
        for (const std::uint8_t b : bytes) {
            if (b >= 0xF8) {
                continue; // realtime: never part of a message
            }
            if (b == 0xF7) {
                if (inMessage_ && !overlong_) {
                    buffer_[length_++] = b;
                    ++counts_.messages;
                    message(std::span<const std::uint8_t>(buffer_.data(), length_));
                }
                inMessage_ = false;
                continue;
            }
            if (b >= 0x80) {
                if (inMessage_ && !overlong_) {
                    ++counts_.cut;
                }
                inMessage_ = b == 0xF0;
                overlong_ = false;
                length_ = 0;
                if (inMessage_) {
                    buffer_[length_++] = b;
                }
                continue;
            }
            if (!inMessage_ || overlong_) {
                continue; // a data byte of a short message, or of a message being skipped
            }
            // Room is kept for the closing F7.
            if (length_ + 1 >= buffer_.size()) {
                overlong_ = true;
                ++counts_.overlong;
                continue;
            }
            buffer_[length_++] = b;
        }
    }

    // Forgets an unfinished message (not counted), as at the start of a new reception.
    void Reset();
    // True while a message has begun and not ended.
    bool InMessage() const { return inMessage_; }
    const Counts& GetCounts() const { return counts_; }
    void ResetCounts() { counts_ = {}; }

private:
    std::vector<std::uint8_t> buffer_;
    std::size_t length_ = 0;
    bool inMessage_ = false;
    bool overlong_ = false;
    Counts counts_;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The check that message bytes form complete MIDI messages, against a second, table-driven
// reading of the same rules. Any byte sequence is tried, not only what a parse can produce.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "model/msgtext.h"

using namespace kel;

namespace {

// The size of the message a status byte starts: 0 for "not allowed here", -1 for a system
// exclusive message (up to its F7).
constexpr std::array<int, 16> kSystemSizes = {
    -1, 2, 3, 2, // F0 F1 F2 F3
    0,  0, 1, 0, // F4 F5 F6 F7
    1,  0, 1, 1, // F8 F9 FA FB
    1,  0, 0, 1, // FC FD FE FF
};

int MessageSize(std::uint8_t status) {
    if (status < 0x80) {
        return 0;
    }
    if (status >= 0xF0) {
        return kSystemSizes[status & 0x0F];
    }
    return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
}

bool Reference(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return false;
    }
    std::size_t at = 0;
    while (at < bytes.size()) {
        const int size = MessageSize(bytes[at]);
        if (size == 0) {
            return false;
        }
        std::size_t end;
        if (size < 0) {
            end = at + 1;
            while (end < bytes.size() && bytes[end] < 0x80) {
                ++end;
            }
            if (end == bytes.size() || bytes[end] != 0xF7) {
                return false;
            }
            at = end + 1;
            continue;
        }
        end = at + static_cast<std::size_t>(size);
        if (end > bytes.size()) {
            return false;
        }
        for (std::size_t k = at + 1; k < end; ++k) {
            if (bytes[k] >= 0x80) {
                return false;
            }
        }
        at = end;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    KEL_FUZZ_CHECK(CheckMessageSequence(bytes) == Reference(bytes));
    KEL_FUZZ_CHECK(CheckMessageSequence(data, size) == Reference(bytes));
    return 0;
}

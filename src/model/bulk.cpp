// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/bulk.h"

#include <algorithm>

namespace kel {
namespace {

// The header bytes before the address, per form.
constexpr std::array<std::uint8_t, 7> kControlMapHeader = {0xF0, 0x41, 0x10, 0x00,
                                                           0x00, 0x1A, 0x12};
constexpr std::array<std::uint8_t, 6> kMemorySetHeader = {0xF0, 0x41, 0x10, 0x00, 0x62, 0x12};

constexpr std::uint8_t kEndOfExclusive = 0xF7;
constexpr std::size_t kFillerBytes = 50;

// Where each form keeps its parts.
struct Layout {
    std::span<const std::uint8_t> header;
    std::size_t size;
    std::size_t address;  // first of the 4 address bytes
    std::size_t nibbles;  // first of the 78 nibble bytes
    std::size_t checksum; // the checksum byte; F7 follows it
};

constexpr Layout kControlMapLayout{kControlMapHeader, kBulkMessageSize, 7, 11, 139};
constexpr Layout kMemorySetLayout{kMemorySetHeader, kMemorySetMessageSize, 6, 10, 138};

// The control each of the 27 memory set slots stands for.
constexpr std::array<std::uint8_t, kMemorySetSlotCount> kMemorySetControls = {
    0,  1,  2,  3,  4,  5,  6,  7,  // R1..R8
    9,  10, 11, 12, 13, 14, 15, 16, // S1..S8
    27, 28, 29, 30, 31, 32,         // B1..B6
    41, 42, 43,                     // L1..L3
    45,                             // P1
    46,                             // P2
};

} // namespace

bool MidiBlock::Assign(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kCapacity) {
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), data.begin());
    std::fill(data.begin() + static_cast<std::ptrdiff_t>(bytes.size()), data.end(), 0);
    count = bytes.size();
    return true;
}

void MidiBlock::Clear() {
    data.fill(0);
    count = 0;
}

ControllerId MemorySetController(int slot) {
    if (slot >= 0 && slot < kMemorySetSlotCount) {
        return kMemorySetControls[static_cast<std::size_t>(slot)];
    }
    if (slot >= kMemorySetSlotCount && slot < kControllerCount) {
        return slot;
    }
    return kNoController;
}

int EncodeBulk(const AssignEntry& entry, MidiBlock& buffer) {
    if (!IsValidController(entry.controllerId)) {
        return -1;
    }
    const auto id = static_cast<std::uint8_t>(entry.controllerId);
    std::array<std::uint8_t, kBulkMessageSize> message{};
    std::copy(kControlMapHeader.begin(), kControlMapHeader.end(), message.begin());
    // Address 00 00 id 00; the rest of the array is already zero.
    message[9] = id;

    std::uint8_t sum = id;
    std::size_t at = kControlMapLayout.nibbles;
    for (std::uint8_t byte : entry.record) {
        const auto high = static_cast<std::uint8_t>(byte >> 4);
        const auto low = static_cast<std::uint8_t>(byte & 0x0F);
        message[at++] = high;
        message[at++] = low;
        sum = static_cast<std::uint8_t>(sum + high + low);
    }
    at += kFillerBytes;
    message[at++] = static_cast<std::uint8_t>((0 - sum) & 0x7F);
    message[at++] = kEndOfExclusive;

    buffer.Assign(message);
    return 0;
}

int DecodeBulk(std::span<const std::uint8_t> message, int form, std::uint32_t& address,
               RecordTable& table) {
    const Layout* layout = form == ControlMapKind  ? &kControlMapLayout
                           : form == MemorySetKind ? &kMemorySetLayout
                                                   : nullptr;
    if (layout == nullptr) {
        return -1;
    }

    // 1. Length, header, the fixed address bytes and the closing F7.
    if (message.size() != layout->size ||
        !std::equal(layout->header.begin(), layout->header.end(), message.begin())) {
        return -1;
    }
    const std::size_t a = layout->address;
    if (message[a] != 0 || message[a + 1] != 0 || message[a + 3] != 0 ||
        message[layout->size - 1] != kEndOfExclusive) {
        return -1;
    }

    // 2. Address, data and checksum add up to 0 in their low 7 bits.
    std::uint8_t sum = 0;
    for (std::size_t i = a; i <= layout->checksum; ++i) {
        sum = static_cast<std::uint8_t>(sum + message[i]);
    }
    if ((sum & 0x7F) != 0) {
        return -1;
    }

    // 3. The controller (or memory set slot) byte.
    const int index = message[a + 2];
    if (index >= kControllerCount) {
        return -1;
    }
    const ControllerId id = form == MemorySetKind ? MemorySetController(index) : index;

    // 4. Join the nibbles; their values are not examined.
    AssignRecord record{};
    for (std::size_t i = 0; i < kRecordSize; ++i) {
        const std::uint8_t high = message[layout->nibbles + 2 * i];
        const std::uint8_t low = message[layout->nibbles + 2 * i + 1];
        record[i] = static_cast<std::uint8_t>((high << 4) | low);
    }

    // 5. Store the record and hand back the address.
    table[static_cast<std::size_t>(id)] = record;
    address = (std::uint32_t{message[a]} << 24) | (std::uint32_t{message[a + 1]} << 16) |
              (std::uint32_t{message[a + 2]} << 8) | std::uint32_t{message[a + 3]};
    return 0;
}

int DecodeBulk(const MidiBlock& buffer, int form, std::uint32_t& address, RecordTable& table) {
    return DecodeBulk(buffer.Bytes(), form, address, table);
}

ControllerId BulkAddressee(std::span<const std::uint8_t> message) {
    const Layout& layout = kControlMapLayout;
    if (message.size() != layout.size ||
        !std::equal(layout.header.begin(), layout.header.end(), message.begin())) {
        return kNoController;
    }
    const std::size_t a = layout.address;
    if (message[a] != 0 || message[a + 1] != 0 || message[a + 3] != 0 ||
        message[a + 2] >= kControllerCount) {
        return kNoController;
    }
    return message[a + 2];
}

} // namespace kel

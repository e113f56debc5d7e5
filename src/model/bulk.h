// SPDX-License-Identifier: GPL-3.0-or-later
// The system-exclusive bulk message that carries one assign record between the editor, the
// device and control map files; the older 140-byte form of memory set files; the two fixed
// messages that open a transmit and a receive; and the message buffer they travel in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "model/assign.h"

namespace kel {

// One MIDI message buffer: 512 data bytes and the number of them in use. A new buffer is all
// zero. The encoder writes into it, the decoder reads from it, and the output queue, the
// received queue and the parser thread pass it around.
struct MidiBlock {
    static constexpr std::size_t kCapacity = 512;

    std::array<std::uint8_t, kCapacity> data{};
    std::size_t count = 0; // 0..512

    // Copies `bytes` into the buffer; false (buffer unchanged) when they do not fit.
    bool Assign(std::span<const std::uint8_t> bytes);
    void Clear();
    std::span<const std::uint8_t> Bytes() const { return {data.data(), count}; }
};

// Which bulk message form a file or a decoder call expects.
enum MessageSetKind : int {
    MemorySetKind = 100,  // 140-byte messages, 27 per file
    ControlMapKind = 200, // 141-byte messages, 50 per file
};

inline constexpr std::size_t kBulkMessageSize = 141;      // control map form
inline constexpr std::size_t kMemorySetMessageSize = 140; // memory set form
inline constexpr int kMemorySetSlotCount = 27;

// The size of a bulk message of `kind`, or 0 for an unknown kind.
constexpr std::size_t BulkMessageSize(int kind) {
    return kind == ControlMapKind  ? kBulkMessageSize
           : kind == MemorySetKind ? kMemorySetMessageSize
                                   : 0;
}

// Sent before the user is asked to put the device into bulk receive mode.
inline constexpr std::array<std::uint8_t, 14> kTransmitModeMessage = {
    0xF0, 0x41, 0x10, 0x00, 0x00, 0x1A, 0x12, 0x7F, 0x00, 0x00, 0x00, 0x03, 0x7E, 0xF7};
// Sent before the user is asked to start the bulk transmission on the device.
inline constexpr std::array<std::uint8_t, 14> kReceiveModeMessage = {
    0xF0, 0x41, 0x10, 0x00, 0x00, 0x1A, 0x12, 0x7F, 0x00, 0x00, 0x00, 0x01, 0x00, 0xF7};

// The 50 records of the control map, addressed by ControllerId.
using RecordTable = std::array<AssignRecord, kControllerCount>;

// The control a memory set slot lands on: slots 0..26 of the 27-control layout map onto
// R1..R8, S1..S8, B1..B6, L1..L3, P1 and P2; 27..49 are taken unchanged; anything else is -1.
ControllerId MemorySetController(int slot);

// Fills `buffer` with the 141-byte bulk message of the entry's record, addressed to the entry's
// controller. Returns 0, or -1 (buffer untouched) when the entry has no controller 0..49.
int EncodeBulk(const AssignEntry& entry, MidiBlock& buffer);

// Checks one complete system-exclusive message of form `form` (ControlMapKind or
// MemorySetKind) and writes its 39 record bytes into `table` at the controller it addresses.
// Stores the 4 address bytes (first one most significant) in `address`. Returns 0, or -1 with
// `table` and `address` unchanged when any check fails.
int DecodeBulk(std::span<const std::uint8_t> message, int form, std::uint32_t& address,
               RecordTable& table);
int DecodeBulk(const MidiBlock& buffer, int form, std::uint32_t& address, RecordTable& table);

// The controller a control map bulk message is addressed to, read from its length, header and
// address alone, so that a message with a wrong checksum or record can still be told apart;
// kNoController when those cannot be read.
ControllerId BulkAddressee(std::span<const std::uint8_t> message);

} // namespace kel

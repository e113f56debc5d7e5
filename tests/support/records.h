// SPDX-License-Identifier: GPL-3.0-or-later
// Records and bulk messages built for the tests of every layer: a record from its leading
// bytes, tables of random records, and the bytes of control map and memory set messages.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "model/assign.h"
#include "model/bulk.h"

namespace kel::test {

using Bytes = std::vector<std::uint8_t>;

// A record from its leading bytes (the rest 0).
inline AssignRecord Rec(std::initializer_list<int> bytes) {
    AssignRecord r{};
    std::size_t i = 0;
    for (int b : bytes) {
        r[i++] = static_cast<std::uint8_t>(b);
    }
    return r;
}

// Records of random 7-bit bytes from `seed`, as a device might hold them. Each record's assign
// code is drawn after its bytes, from the codes below 25 (twins and unknown ones included),
// unless `code` is given: then every record has that one and nothing is drawn for it.
inline RecordTable RandomRecords(unsigned seed, std::optional<std::uint8_t> code = std::nullopt) {
    std::mt19937 random(seed);
    RecordTable table{};
    for (auto& record : table) {
        for (auto& byte : record) {
            byte = static_cast<std::uint8_t>(random() & 0x7F);
        }
        record[rec::AssignCode] =
            code.has_value() ? *code : static_cast<std::uint8_t>(random() % 25);
    }
    return table;
}

// The table as it comes back from the device: every twin code folded onto its base.
inline RecordTable Folded(RecordTable table) {
    for (auto& record : table) {
        record[rec::AssignCode] = BaseCode(record[rec::AssignCode]);
    }
    return table;
}

// The 141-byte bulk message of `record` on controller `id`.
inline Bytes ControlMapMessage(ControllerId id, const AssignRecord& record) {
    AssignEntry entry;
    entry.record = record;
    entry.controllerId = id;
    MidiBlock block;
    EXPECT_EQ(EncodeBulk(entry, block), 0) << "controller " << id;
    return Bytes(block.data.begin(), block.data.begin() + static_cast<std::ptrdiff_t>(block.count));
}

// The bulk message of a record that has only an assign code and a first value.
inline Bytes ControlMapMessage(ControllerId id, std::uint8_t code, std::uint8_t value) {
    AssignRecord record{};
    record[rec::AssignCode] = code;
    record[rec::Values] = value;
    return ControlMapMessage(id, record);
}

// The 140-byte memory set message of `record` in `slot`, with a correct checksum.
inline Bytes MemorySetMessage(int slot, const AssignRecord& record) {
    Bytes m = {0xF0, 0x41, 0x10, 0x00, 0x62, 0x12, 0x00, 0x00, static_cast<std::uint8_t>(slot),
               0x00};
    for (std::uint8_t b : record) {
        m.push_back(b >> 4);
        m.push_back(b & 0x0F);
    }
    m.resize(138, 0x00);
    const unsigned sum = std::accumulate(m.begin() + 6, m.end(), 0u);
    m.push_back(static_cast<std::uint8_t>((0 - sum) & 0x7F));
    m.push_back(0xF7);
    return m;
}

// The bytes as hexadecimal text, for readable failure messages.
template <typename Range> std::string Hex(const Range& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const auto byte : bytes) {
        const auto value = static_cast<unsigned>(byte);
        text += digits[(value >> 4) & 0x0F];
        text += digits[value & 0x0F];
        text += ' ';
    }
    return text;
}

template <typename Table> std::string HexTable(const Table& table) {
    std::string text;
    for (std::size_t i = 0; i < table.size(); ++i) {
        text += std::to_string(i) + ": " + Hex(table[i]) + "\n";
    }
    return text;
}

} // namespace kel::test

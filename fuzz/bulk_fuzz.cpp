// SPDX-License-Identifier: GPL-3.0-or-later
// The bulk message decoder on arbitrary bytes, in both forms. A refused message changes neither
// the record table nor the address; an accepted one changes the record of one control only,
// and that record, encoded and decoded again, comes back the same.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "model/bulk.h"

using namespace kel;

namespace {

RecordTable Marked() {
    RecordTable table;
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i].fill(static_cast<std::uint8_t>(0xA0 + i));
    }
    return table;
}

void Decode(std::span<const std::uint8_t> message, int form) {
    const RecordTable before = Marked();
    RecordTable table = before;
    std::uint32_t address = 0xDEADBEEF;
    const int result = DecodeBulk(message, form, address, table);
    if (result != 0) {
        KEL_FUZZ_CHECK(result == -1);
        KEL_FUZZ_CHECK(table == before);
        KEL_FUZZ_CHECK(address == 0xDEADBEEF);
        return;
    }
    KEL_FUZZ_CHECK(message.size() == BulkMessageSize(form));
    KEL_FUZZ_CHECK((address & 0xFFFF00FFu) == 0);
    const int index = static_cast<int>((address >> 8) & 0xFF);
    const ControllerId id = form == MemorySetKind ? MemorySetController(index) : index;
    KEL_FUZZ_CHECK(IsValidController(id));
    for (ControllerId other = 0; other < kControllerCount; ++other) {
        if (other != id) {
            KEL_FUZZ_CHECK(table[static_cast<std::size_t>(other)] ==
                           before[static_cast<std::size_t>(other)]);
        }
    }

    AssignEntry entry;
    entry.record = table[static_cast<std::size_t>(id)];
    entry.controllerId = id;
    MidiBlock block;
    KEL_FUZZ_CHECK(EncodeBulk(entry, block) == 0);
    KEL_FUZZ_CHECK(block.count == kBulkMessageSize);
    RecordTable again = before;
    std::uint32_t againAddress = 0;
    KEL_FUZZ_CHECK(DecodeBulk(block, ControlMapKind, againAddress, again) == 0);
    KEL_FUZZ_CHECK(againAddress == static_cast<std::uint32_t>(id) << 8);
    KEL_FUZZ_CHECK(again[static_cast<std::size_t>(id)] == entry.record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    Decode(bytes, ControlMapKind);
    Decode(bytes, MemorySetKind);
    // A message buffer holds what arrives from the input port: at most 512 bytes.
    MidiBlock block;
    if (block.Assign(bytes)) {
        RecordTable table{};
        std::uint32_t address = 0;
        const int viaBlock = DecodeBulk(block, ControlMapKind, address, table);
        RecordTable direct{};
        KEL_FUZZ_CHECK(viaBlock == DecodeBulk(bytes, ControlMapKind, address, direct));
        KEL_FUZZ_CHECK(table == direct);
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Encoding and decoding the 50 bulk messages of a control map, as a transmit and a receive do.
#include <benchmark/benchmark.h>

#include <array>

#include "model/bulk.h"

namespace {

using namespace kel;

RecordTable SampleTable() {
    RecordTable table{};
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignEntry entry;
        entry.SetChannelKind(id % kChannelKindCount);
        entry.SetChannel(id % 16);
        table[static_cast<std::size_t>(id)] = entry.record;
    }
    return table;
}

void BM_Encode50BulkMessages(benchmark::State& state) {
    const RecordTable table = SampleTable();
    std::array<MidiBlock, kControllerCount> blocks{};
    AssignEntry entry;
    for (auto _ : state) {
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            entry.record = table[static_cast<std::size_t>(id)];
            entry.controllerId = id;
            EncodeBulk(entry, blocks[static_cast<std::size_t>(id)]);
        }
        benchmark::DoNotOptimize(blocks.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kControllerCount);
}
BENCHMARK(BM_Encode50BulkMessages);

void BM_Decode50BulkMessages(benchmark::State& state) {
    const RecordTable source = SampleTable();
    std::array<MidiBlock, kControllerCount> blocks{};
    AssignEntry entry;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        entry.record = source[static_cast<std::size_t>(id)];
        entry.controllerId = id;
        EncodeBulk(entry, blocks[static_cast<std::size_t>(id)]);
    }
    RecordTable table{};
    for (auto _ : state) {
        int accepted = 0;
        for (const MidiBlock& block : blocks) {
            std::uint32_t address = 0;
            accepted += DecodeBulk(block, ControlMapKind, address, table) == 0;
        }
        benchmark::DoNotOptimize(accepted);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kControllerCount);
}
BENCHMARK(BM_Decode50BulkMessages);

} // namespace

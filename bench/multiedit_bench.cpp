// SPDX-License-Identifier: GPL-3.0-or-later
// Edit Selected on all 50 controls: the preview the dialog shows on every change of a field
// (each control edited on a copy, the map check of the result), and the labels of its rows.
#include <benchmark/benchmark.h>

#include <vector>

#include "model/labels.h"
#include "model/multiedit.h"

namespace {

using namespace kel;

void BM_PreviewEditOfAllControls(benchmark::State& state) {
    RecordTable records{};
    std::vector<ControllerId> ids;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignEntry entry;
        entry.SetChannelKind(id % kChannelKindCount);
        records[static_cast<std::size_t>(id)] = entry.record;
        ids.push_back(id);
    }
    MultiEdit edit;
    edit.channelKind = KindControlChange;
    edit.channel = 1;
    edit.port = 2;
    edit.maximum = 100;
    edit.numbering = NumberSequence{1, 1, true};
    for (auto _ : state) {
        const MultiEditPreview preview = PreviewMultiEdit(records, ids, edit);
        for (const MultiEditRow& row : preview.rows) {
            benchmark::DoNotOptimize(AssignmentLabel(row.before));
            benchmark::DoNotOptimize(AssignmentLabel(row.after));
        }
        benchmark::DoNotOptimize(preview.findings.size());
    }
}
BENCHMARK(BM_PreviewEditOfAllControls)->Unit(benchmark::kMicrosecond);

} // namespace

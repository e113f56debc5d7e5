// SPDX-License-Identifier: GPL-3.0-or-later
// Edit Selected on all 50 controls: the preview the dialog shows on every change of a field
// (each control edited on a copy, the map check of the result), and the labels of its rows;
// then Apply, the preview written into the document as one step with the map kept for Undo,
// and NO ASSIGN on all 50 selected controls.
#include <benchmark/benchmark.h>

#include <vector>

#include "model/labels.h"
#include "model/multiedit.h"
#include "model/parameter.h"

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

void BM_PreviewAndApplyEditOfAllControls(benchmark::State& state) {
    CParameter document;
    std::vector<ControllerId> ids;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignEntry entry;
        entry.SetChannelKind(id % kChannelKindCount);
        document.RecordOf(id) = entry.record;
        ids.push_back(id);
    }
    std::size_t kept = 0;
    // The undo history keeps the map as it was before each step.
    document.SetChangeHandler([&kept](MapChange, ControllerId, const ControlMap& before) {
        kept += before.records.size();
    });
    document.SelectControls(ids, 0);
    MultiEdit edit;
    edit.channelKind = KindControlChange;
    edit.port = 2;
    edit.numbering = NumberSequence{1, 1, true};
    int channel = 0;
    for (auto _ : state) {
        edit.channel = channel; // a different channel each time, so every Apply changes the map
        channel = (channel + 1) % 16;
        const MultiEditPreview preview = PreviewMultiEdit(document.Map().records, ids, edit);
        std::vector<ControlEdit> edits;
        for (const ControllerId id : preview.Changed()) {
            edits.push_back(
                {id, preview.result[static_cast<std::size_t>(id)], document.GetMapComment(id)});
        }
        document.CommitControls(edits);
    }
    benchmark::DoNotOptimize(kept);
}
BENCHMARK(BM_PreviewAndApplyEditOfAllControls)->Unit(benchmark::kMicrosecond);

void BM_ClearAllControls(benchmark::State& state) {
    CParameter document;
    std::vector<ControllerId> ids;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        ids.push_back(id);
    }
    document.SelectControls(ids, 0);
    for (auto _ : state) {
        state.PauseTiming();
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            document.RecordOf(id)[rec::AssignCode] = CodeControlChange;
        }
        state.ResumeTiming();
        document.ClearControls();
    }
}
BENCHMARK(BM_ClearAllControls)->Unit(benchmark::kMicrosecond);

} // namespace

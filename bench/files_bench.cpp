// SPDX-License-Identifier: GPL-3.0-or-later
// Writing and reading a full control map file. With KEL_BENCH_MAP set, the map is also left
// at that path, so that other readers can be timed on the same file (bench/mido_compare.sh).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "files/mapfile.h"
#include "files/smfctrl.h"

namespace {

using namespace kel;

// Every control assigned, every comment and the title at their 128-character limit.
void FillFullMap(CParameter& doc) {
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignEntry entry;
        if (id % 5 == 4) {
            entry.SetMessageType(MsgSystemExclusive);
        } else {
            entry.SetChannelKind(id % kChannelKindCount);
            entry.SetChannel(id % 16);
        }
        doc.RecordOf(id) = entry.record;
        doc.SetMapComment(id, std::string(128, static_cast<char>('a' + id % 26)));
    }
    doc.SetTitle(std::string(128, 'T'));
    doc.SetCopyrightText("(c) KEL Editor benchmark");
}

std::string MapPath() {
    if (const char* path = std::getenv("KEL_BENCH_MAP")) {
        return path;
    }
    return (std::filesystem::temp_directory_path() / "kel_files_bench.mid").string();
}

// Saved as the editor saves: through a temporary file, flushed to the disk and renamed.
void WriteMap(CParameter& doc, const std::string& path) {
    if (!SaveMapDocument(path, doc).Ok()) {
        std::abort();
    }
}

void BM_WriteFullControlMap(benchmark::State& state) {
    CParameter doc;
    FillFullMap(doc);
    const std::string path = MapPath();
    for (auto _ : state) {
        WriteMap(doc, path);
    }
}
BENCHMARK(BM_WriteFullControlMap);

void BM_ReadFullControlMap(benchmark::State& state) {
    CParameter doc;
    FillFullMap(doc);
    const std::string path = MapPath();
    WriteMap(doc, path);
    CParameter loaded;
    for (auto _ : state) {
        loaded.NewDocument();
        if (!ReadMapFile(path, ControlMapKind, loaded).Ok()) {
            state.SkipWithError("read failed");
            break;
        }
    }
}
BENCHMARK(BM_ReadFullControlMap);

// `doc` written once, then read and saved again on each round.
void ReadWriteRounds(benchmark::State& state, CParameter& doc) {
    const std::string path = MapPath();
    WriteMap(doc, path);
    for (auto _ : state) {
        doc.NewDocument();
        if (!ReadMapFile(path, ControlMapKind, doc).Ok()) {
            state.SkipWithError("read failed");
            break;
        }
        WriteMap(doc, path);
    }
}

// The figure compared with other readers: one read plus one write of the same map.
void BM_ReadWriteFullControlMap(benchmark::State& state) {
    CParameter doc;
    FillFullMap(doc);
    ReadWriteRounds(state, doc);
}
BENCHMARK(BM_ReadWriteFullControlMap);

// A map whose copyright text is 64 MiB, read and saved again: the text goes through whole.
void BM_ReadWriteLongCopyrightMap(benchmark::State& state) {
    CParameter doc;
    FillFullMap(doc);
    doc.SetCopyrightText(std::string(std::size_t{64} << 20, 'c'));
    ReadWriteRounds(state, doc);
    state.SetBytesProcessed(state.iterations() * 2 * (std::int64_t{64} << 20));
}
BENCHMARK(BM_ReadWriteLongCopyrightMap)->Unit(benchmark::kMillisecond);

// Building the file image alone, without the file system.
void BM_BuildFullControlMapImage(benchmark::State& state) {
    CParameter doc;
    FillFullMap(doc);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CSmfCtrl(&doc).BuildImage());
    }
}
BENCHMARK(BM_BuildFullControlMapImage);

// Parsing alone, from memory: the reader without the file system.
void BM_ParseFullControlMapInMemory(benchmark::State& state) {
    CParameter doc;
    FillFullMap(doc);
    const std::vector<std::uint8_t> image = CSmfCtrl(&doc).BuildImage();
    CParameter loaded;
    for (auto _ : state) {
        loaded.NewDocument();
        if (!CSmfCtrl(&loaded).ReadBytes(image, ControlMapKind).Ok()) {
            state.SkipWithError("read failed");
            break;
        }
    }
}
BENCHMARK(BM_ParseFullControlMapInMemory);

} // namespace

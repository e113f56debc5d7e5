// SPDX-License-Identifier: GPL-3.0-or-later
// The library over a folder of 10,000 generated control maps: reading every file once (the
// `cat` baseline), the first index, a warm listing (a refresh that finds nothing changed, then
// the list, as `kelmap find FOLDER` does), and one search. Each is also given as a ratio to the
// baseline ("x_cat"; "x_cat_best" for the best iteration, as the baseline is the best of three),
// with the peak memory of the process so far ("maxrss_MiB"). KEL_BENCH_MAPS sets the number of
// maps; with KEL_BENCH_FOLDER they are written there and kept (to time `kelmap find` and `cat`
// on them).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/smfctrl.h"
#include "library/library.h"
#include "model/parameter.h"

namespace {

using namespace kel;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::array<const char*, 12> kWords = {"Live",    "Studio", "Piano", "Pads",
                                                "Synth",   "Drums",  "Organ", "Strings",
                                                "Ambient", "Mixer",  "Lead",  "Bass"};

void RemoveIndex(const std::string& index) {
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::error_code error;
        fs::remove(index + suffix, error);
    }
}

struct Fixture {
    fs::path root;
    fs::path folder;
    std::string index;
    std::vector<std::string> files;
    double catSeconds = 0; // the baseline: reading every file once

    Fixture() {
        root = fs::temp_directory_path() / ("kel_library_bench_" + std::to_string(::getpid()));
        folder = root / "maps";
        if (const char* kept = std::getenv("KEL_BENCH_FOLDER")) {
            folder = kept;
        }
        index = (root / "library.sqlite").string();
        std::size_t count = 10000;
        if (const char* n = std::getenv("KEL_BENCH_MAPS")) {
            count = std::max<std::size_t>(1, std::strtoul(n, nullptr, 10));
        }
        unsigned seed = 12345;
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) & 0x7FFF;
        };
        for (std::size_t i = 0; i < count; ++i) {
            CParameter document;
            ControlMap& map = document.Map();
            map.title = std::string(kWords[next() % kWords.size()]) + " " +
                        kWords[next() % kWords.size()] + " " + std::to_string(i);
            for (ControllerId c = 0; c < kControllerCount; ++c) {
                AssignEntry entry;
                const unsigned pick = next() % 10;
                if (pick < 5) {
                    entry.SetChannelKind(KindControlChange);
                    entry.SetValue1(static_cast<int>(next() % 128));
                } else if (pick < 8) {
                    entry.SetChannelKind(KindNote);
                    entry.SetValue1(static_cast<int>(24 + next() % 72));
                } else if (pick < 9) {
                    entry.SetChannelKind(KindNrpn);
                    entry.SetValue1(static_cast<int>(next() % 128));
                }
                entry.SetChannel(static_cast<int>(next() % 16));
                map.records[static_cast<std::size_t>(c)] = entry.record;
                if (next() % 4 == 0) {
                    map.comments[static_cast<std::size_t>(c)] =
                        std::string(kWords[next() % kWords.size()]) + " control " +
                        std::to_string(c);
                }
            }
            const fs::path path =
                folder / ("set" + std::to_string(i / 1000)) / ("map" + std::to_string(i) + ".mid");
            fs::create_directories(path.parent_path());
            const SmfImage image = CSmfCtrl(&document).BuildParts();
            std::ofstream out(path, std::ios::binary);
            for (const auto piece : image.Pieces()) {
                out.write(reinterpret_cast<const char*>(piece.data()),
                          static_cast<std::streamsize>(piece.size()));
            }
            files.push_back(path.string());
        }
        // The baseline, the best of three.
        catSeconds = 1e9;
        for (int run = 0; run < 3; ++run) {
            const auto start = Clock::now();
            ReadEveryFile();
            catSeconds =
                std::min(catSeconds, std::chrono::duration<double>(Clock::now() - start).count());
        }
    }
    ~Fixture() {
        // A kept folder of maps is elsewhere: the root holds the index alone then.
        std::error_code error;
        fs::remove_all(root, error);
    }

    // Each file opened, read to its end and closed, as `cat` does.
    std::size_t ReadEveryFile() const {
        std::size_t total = 0;
        std::array<char, 65536> buffer{};
        for (const std::string& file : files) {
            const int fd = ::open(file.c_str(), O_RDONLY);
            ssize_t n = 0;
            while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) {
                total += static_cast<std::size_t>(n);
            }
            ::close(fd);
        }
        return total;
    }
};

Fixture& Maps() {
    static Fixture fixture;
    return fixture;
}

double PeakMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Times each iteration by hand and gives the mean as a ratio to the baseline.
template <typename Body> void Timed(benchmark::State& state, Body&& body) {
    double total = 0;
    double best = 1e9;
    for (auto _ : state) {
        const auto start = Clock::now();
        body(state);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        total += seconds;
        best = std::min(best, seconds);
    }
    state.counters["x_cat"] = total / static_cast<double>(state.iterations()) / Maps().catSeconds;
    state.counters["x_cat_best"] = best / Maps().catSeconds;
    state.counters["best_ms"] = best * 1000;
    state.counters["maxrss_MiB"] = PeakMiB();
    state.counters["maps"] = static_cast<double>(Maps().files.size());
}

void BM_ReadEveryFile(benchmark::State& state) {
    Timed(state, [](benchmark::State&) { benchmark::DoNotOptimize(Maps().ReadEveryFile()); });
}
BENCHMARK(BM_ReadEveryFile)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_FirstIndex(benchmark::State& state) {
    Fixture& maps = Maps();
    Timed(state, [&](benchmark::State& s) {
        s.PauseTiming();
        RemoveIndex(maps.index);
        s.ResumeTiming();
        CLibraryIndex index(maps.index);
        if (index.Refresh(maps.folder.string()).read != maps.files.size()) {
            s.SkipWithError("not every map was read");
        }
    });
}
BENCHMARK(BM_FirstIndex)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// What `kelmap find FOLDER` does with a warm index: open, refresh (nothing read), list.
void BM_WarmListing(benchmark::State& state) {
    Fixture& maps = Maps();
    {
        CLibraryIndex index(maps.index);
        index.Refresh(maps.folder.string());
    }
    Timed(state, [&](benchmark::State& s) {
        CLibraryIndex index(maps.index);
        if (index.Refresh(maps.folder.string()).read != 0) {
            s.SkipWithError("a map was read again");
        }
        std::vector<LibraryEntry> entries;
        index.Search(maps.folder.string(), "", MiddleC::C3, entries);
        if (entries.size() != maps.files.size()) {
            s.SkipWithError("not every map is listed");
        }
    });
}
BENCHMARK(BM_WarmListing)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// One search as the library does it while the user types: the index is open and up to date.
void BM_Search(benchmark::State& state, const char* query) {
    Fixture& maps = Maps();
    CLibraryIndex index(maps.index);
    index.Refresh(maps.folder.string());
    std::size_t found = 0;
    Timed(state, [&](benchmark::State&) {
        std::vector<LibraryEntry> entries;
        index.Search(maps.folder.string(), query, MiddleC::C3, entries);
        found = entries.size();
    });
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK_CAPTURE(BM_Search, cc74, "CC 74")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Search, s1_cc74_ch2, "S1 CC 74 ch 2")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Search, title_word, "ambient")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

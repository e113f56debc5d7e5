// SPDX-License-Identifier: GPL-3.0-or-later
// Message text parsing and writing the HTML assignment list.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include <unistd.h>

#include "files/listfile.h"
#include "model/assignlist.h"
#include "model/filetext.h"
#include "model/msgtext.h"

namespace {

using namespace kel;

// 1000 parses of a mix of System Ex. and Free Message texts.
void BM_Parse1000MessageTexts(benchmark::State& state) {
    const std::array<std::string, 4> sysEx = {"F0 41 10 00 00 1A 12 SS 40 00 DT S1 F7",
                                              "f0 7e 7f 06 01 f7", "F0 43 1N 4C 00 00 7E 00 F7",
                                              "F04110421240007F0041F7"};
    const std::array<std::string, 4> free = {"B0 07 DT", "C0 05 B0 07 DT", "90 3C 40 80 3C 00",
                                             "E0 DT F8 FA"};
    AssignEntry entry;
    entry.SetMessageType(MsgSystemExclusive);
    for (auto _ : state) {
        int accepted = 0;
        for (int i = 0; i < 1000; ++i) {
            const auto k = static_cast<std::size_t>(i % 4);
            const ParseResult r = i % 2 == 0 ? ParseSysExText(entry, sysEx[k], Data7Bit)
                                             : ParseFreeText(entry, free[k], DataMsbLsb);
            accepted += r == ParseAccepted;
        }
        benchmark::DoNotOptimize(accepted);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_Parse1000MessageTexts);

// A map with every control assigned, System Ex. and Free Message rows among them.
ControlMap FullMap() {
    ControlMap map;
    map.title = "Studio <A>";
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignEntry e;
        switch (id % 5) {
        case 0:
            e.SetChannelKind(KindControlChange);
            break;
        case 1:
            e.SetChannelKind(KindNrpn);
            break;
        case 2:
            e.SetMessageType(MsgSystemExclusive);
            ParseSysExText(e, "F0 41 10 00 00 1A 12 SS 40 00 DT S1 F7", Data4x4Bit);
            break;
        case 3:
            e.SetMessageType(MsgFreeMessage);
            ParseFreeText(e, "C0 05 B0 07 DT", Data7Bit);
            break;
        default:
            e.SetChannelKind(KindBankProgramChange);
            break;
        }
        map.records[static_cast<std::size_t>(id)] = e.record;
        map.comments[static_cast<std::size_t>(id)] = "Comment & control " + std::to_string(id);
    }
    return map;
}

void BM_AssignListHtmlFullMap(benchmark::State& state) {
    const ControlMap map = FullMap();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string html = AssignListHtml(map);
        bytes = html.size();
        benchmark::DoNotOptimize(html.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_AssignListHtmlFullMap);

class NullReporter : public Reporter {
public:
    void warn(StringId, int) override {}
};

// The same list written to a file, as Export and View do.
void BM_WriteAssignListFullMap(benchmark::State& state) {
    const ControlMap map = FullMap();
    const auto dir = UserTempDirectory();
    if (!dir) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const std::filesystem::path file = *dir / ("kel-bench-" + std::to_string(::getpid()) + ".htm");
    NullReporter reporter;
    for (auto _ : state) {
        if (WriteAssignList(map, file, reporter) != 0) {
            state.SkipWithError("cannot write");
            break;
        }
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_WriteAssignListFullMap);

// A title of 128 bytes in CP932 (kanji, kana, half-width katakana and ASCII) read as the
// editor reads a map file's texts, and written back.
std::string Cp932Title() {
    const std::string part = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x73\x83\x41\x83\x6D "
                             "\xB1\xB2 Live \xED\x40\x87\x40";
    std::string title;
    while (title.size() + part.size() <= kTextLimit) {
        title += part;
    }
    return title + std::string(kTextLimit - title.size(), 'x');
}

void BM_DecodeCp932Title(benchmark::State& state) {
    const std::string title = Cp932Title();
    for (auto _ : state) {
        const std::optional<std::string> text = ExactFileText(title, TextEncoding::Cp932);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(title.size()));
}
BENCHMARK(BM_DecodeCp932Title);

void BM_EncodeCp932Title(benchmark::State& state) {
    const std::string text = *ExactFileText(Cp932Title(), TextEncoding::Cp932);
    for (auto _ : state) {
        const std::optional<std::string> bytes = EncodeFileText(text, TextEncoding::Cp932);
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kTextLimit));
}
BENCHMARK(BM_EncodeCp932Title);

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The core's work on one full control map, timed by hand so that the same program runs natively
// and in WebAssembly (bench/wasm_compare.sh builds both and prints the ratios):
//
//   decode  a control map file's bytes into a document
//   encode  the document into the bytes of its file
//   list    the HTML list of the map
//   check   the map check
//
// Each line: the name, nanoseconds of the fastest run, and a hash of what the
// run produced, so that both builds are seen to produce the same bytes.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "files/smfctrl.h"
#include "model/assignlist.h"
#include "model/mapcheck.h"
#include "model/msgtext.h"
#include "model/parameter.h"

namespace {

using namespace kel;

// Every control assigned, in every family of kinds, with comments that the list escapes and
// duplicates and ranges the check reports.
void FillMap(CParameter& doc) {
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignEntry e;
        switch (id % 6) {
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
        case 4:
            e.SetChannelKind(KindBankProgramChange);
            break;
        default:
            e.SetChannelKind(KindNote);
            break;
        }
        e.SetChannel(id % 3);
        doc.RecordOf(id) = e.record;
        doc.SetMapComment(id, "Comment <" + std::to_string(id) + "> & \"control\" \u00e9");
    }
    doc.SetTitle("Studio <A> & B");
    doc.SetCopyrightText("(c) KEL Editor benchmark");
}

std::uint64_t Hash(std::string_view bytes, std::uint64_t hash = 14695981039346656037ull) {
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return hash;
}

std::uint64_t Hash(const std::vector<std::uint8_t>& bytes) {
    return Hash(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Runs `work` `runs` times after as many runs to warm up (WebAssembly's code is first compiled
// quickly and then optimized while it runs) and returns the fastest run, in nanoseconds: on a
// busy machine most runs are slowed by other programs, the fastest is the work alone.
double BestNanoseconds(int runs, const std::function<void()>& work) {
    using Clock = std::chrono::steady_clock;
    for (int i = 0; i < runs; ++i) {
        work();
    }
    double best = 0;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        work();
        const double took = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
        best = i == 0 ? took : std::min(best, took);
    }
    return best;
}

void Report(const char* name, double nanoseconds, std::uint64_t hash) {
    std::printf("%-7s %12.0f ns  %016llx\n", name, nanoseconds,
                static_cast<unsigned long long>(hash));
}

} // namespace

int main(int argc, char** argv) {
    // A factor for the number of runs: 1 by default, smaller for a quick look.
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    const auto runs = [scale](int n) { return std::max(1, static_cast<int>(n * scale)); };

    CParameter doc;
    FillMap(doc);
    const std::vector<std::uint8_t> bytes = CSmfCtrl(&doc).BuildImage();

    // What the runs produce is kept and hashed after the timing.
    CParameter loaded;
    const double decode = BestNanoseconds(runs(2000), [&] {
        loaded.NewDocument();
        if (!CSmfCtrl(&loaded).ReadBytes(bytes, ControlMapKind).Ok()) {
            std::fprintf(stderr, "the map could not be read back\n");
            std::exit(1);
        }
    });
    Report("decode", decode, Hash(CSmfCtrl(&loaded).BuildImage()));

    std::vector<std::uint8_t> image;
    const double encode = BestNanoseconds(runs(2000), [&] { image = CSmfCtrl(&doc).BuildImage(); });
    Report("encode", encode, Hash(image));

    std::string html;
    const double list = BestNanoseconds(runs(1000), [&] { html = AssignListHtml(doc.Map()); });
    Report("list", list, Hash(html));

    std::vector<CheckFinding> findings;
    const double check =
        BestNanoseconds(runs(1000), [&] { findings = CheckControlMap(doc.Map()); });
    std::uint64_t checked = 14695981039346656037ull;
    for (const CheckFinding& finding : findings) {
        checked = Hash(finding.message, checked);
    }
    Report("check", check, checked);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// One repaint of the controller panel into an off-screen image: the device picture, the
// selection frame and, with labels shown, a coloured label box for each of the 50 controls.
// Run on Qt's offscreen platform (QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <array>

#include "gui/panel/kelpanel.h"
#include "gui/panel/panelimage.h"
#include "model/assign.h"
#include "model/parameter.h"

namespace {

using namespace kel;

// A map in which every control has a message of its own, on all three ports, so that the labels
// differ in text, width and colour as in real use.
void FillVariedMap(CParameter& document) {
    constexpr std::array<std::uint8_t, 10> codes = {CodeNote,
                                                    CodeControlChange,
                                                    CodeProgramChange,
                                                    CodeChannelPressure,
                                                    CodeBankProgramChange,
                                                    CodeRpn,
                                                    CodeNrpn,
                                                    CodeTempo,
                                                    CodeSystemRealtime,
                                                    CodeProgramChangeRange};
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignRecord& record = document.RecordOf(id);
        record[rec::AssignCode] = codes[static_cast<std::size_t>(id) % codes.size()];
        record[rec::Port] = static_cast<std::uint8_t>(id % 3);
        record[rec::Channel] = static_cast<std::uint8_t>(id % 16);
        record[rec::Values] = static_cast<std::uint8_t>((id * 7) % 128);
        record[rec::Values + 1] = static_cast<std::uint8_t>((id * 13) % 128);
        record[rec::Values + 2] = 127;
    }
    document.SelectController(17);
}

void PanelRepaint(benchmark::State& state) {
    CParameter document;
    FillVariedMap(document);
    QWidget owner;
    auto* panel = new CKelPanel(document);
    if (!panel->CreatePanel(&owner)) {
        state.SkipWithError("the panel could not be created");
        return;
    }
    panel->SetShowLabels(state.range(0) != 0);
    QImage image(panel->PanelWidth(), panel->PanelHeight(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        panel->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(PanelRepaint)->ArgName("labels")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The first paint of a new window: the device picture is read from the resources and drawn
// from its vector form into the pixmap that later repaints copy.
void PanelPictureFirstDraw(benchmark::State& state) {
    for (auto _ : state) {
        CBmpList::AddUser();
        CCommonBitmap* bitmap = GetPanelBitmap();
        if (bitmap == nullptr) {
            state.SkipWithError("no panel picture");
            CBmpList::ReleaseUser();
            return;
        }
        benchmark::DoNotOptimize(bitmap->Pixmap(1.0).cacheKey());
        CBmpList::ReleaseUser();
    }
}
BENCHMARK(PanelPictureFirstDraw)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

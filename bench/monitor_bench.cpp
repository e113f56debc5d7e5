// SPDX-License-Identifier: GPL-3.0-or-later
// The live monitor's matching: one incoming message against the 50 assignments of a full map,
// for the kinds of message a device sends most and for the costliest (a System Ex. template
// with its data field and checksum). Target: well under 2 microseconds per message.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "midi/midimonitor.h"
#include "midi/virtualbackend.h"
#include "model/msgmatch.h"
#include "model/msgtext.h"

namespace {

using namespace kel;

// 50 controls of every kind, a quarter of them System Ex. templates with data and checksum,
// none of which the benchmarked messages can leave out early.
ControlMap FullMap() {
    ControlMap map;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignEntry e;
        switch (id % 4) {
        case 0:
            e.SetChannelKind(KindControlChange);
            e.SetChannel(id % 16);
            e.SetValue1(id);
            break;
        case 1:
            e.SetChannelKind(KindNote);
            e.SetChannel(id % 16);
            e.SetValue1(30 + id);
            break;
        case 2:
            e.SetMessageType(MsgSystemExclusive);
            ParseSysExText(e, "F0 41 10 00 62 12 SS 40 00 DT S1 F7", Data7Bit);
            e.record[rec::SysExMessage + 7] = static_cast<std::uint8_t>(id); // all differ
            break;
        default:
            e.SetMessageType(MsgFreeMessage);
            ParseFreeText(e, "C0 05 B0 07 DT", Data7Bit);
            break;
        }
        map.records[static_cast<std::size_t>(id)] = e.record;
    }
    return map;
}

void Match(benchmark::State& state, std::vector<std::uint8_t> message) {
    const ControlMap map = FullMap();
    state.counters["named"] = static_cast<double>(ControlsSending(map, message).size());
    for (auto _ : state) {
        auto controls = ControlsSending(map, message);
        benchmark::DoNotOptimize(controls);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ControlsSending_CC(benchmark::State& state) {
    Match(state, {0xB4, 4, 64}); // control 4
}
void BM_ControlsSending_NoteNobodySends(benchmark::State& state) {
    Match(state, {0x95, 1, 64});
}
void BM_ControlsSending_SysExWithChecksum(benchmark::State& state) {
    // Control 10 sends it (data 20, checksum 16).
    Match(state, {0xF0, 0x41, 0x10, 0x00, 0x62, 0x12, 0x40, 0x0A, 0x20, 0x16, 0xF7});
}
void BM_DescribeMidiMessage(benchmark::State& state) {
    const std::vector<std::uint8_t> message{0xB1, 74, 63};
    for (auto _ : state) {
        auto text = DescribeMidiMessage(message);
        benchmark::DoNotOptimize(text);
    }
}

// Resident memory of the process in KB.
long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * 4;
}

// 3,000 short messages a second for 10 s from the built-in device's played control through a
// monitor to a reader that takes them on every wake and matches each against the map, as the
// editor's monitor window does. Counters: messages received and dropped, the longest the
// reader went without a message while the stream ran (ms), resident memory growth between
// the first second and the end (KB).
void BM_VirtualDeviceStream(benchmark::State& state) {
    constexpr int kRate = 3000;
    constexpr int kSeconds = 10;
    for (auto _ : state) {
        CVirtualKelBackend device;
        ControlMap map = FullMap();
        device.Device().SetMemory(map.records);
        CMidiMonitor monitor(device);
        std::mutex lock;
        std::condition_variable woken;
        bool wake = false;
        monitor.SetWake([&] {
            std::lock_guard guard(lock);
            wake = true;
            woken.notify_one();
        });
        monitor.Open(0);
        std::atomic<bool> done{false};
        std::thread player([&] {
            const auto period = std::chrono::nanoseconds(1000000000 / kRate);
            auto due = std::chrono::steady_clock::now();
            for (int i = 0; i < kRate * kSeconds; ++i) {
                device.PlayControl(0, i % 128); // a CC
                due += period;
                std::this_thread::sleep_until(due);
            }
            device.WaitUntilIdle(std::chrono::seconds(5));
            done = true;
        });
        std::uint64_t received = 0;
        std::size_t named = 0;
        double longest = 0;
        long rssAtOne = 0;
        auto last = std::chrono::steady_clock::now();
        const auto start = last;
        std::vector<MonitoredMessage> got;
        for (;;) {
            const bool finished = done;
            {
                std::unique_lock guard(lock);
                woken.wait_for(guard, std::chrono::milliseconds(100), [&] { return wake; });
                wake = false;
            }
            const auto now = std::chrono::steady_clock::now();
            if (monitor.Take(got) == 0 && finished) {
                break;
            }
            if (!got.empty()) {
                longest = std::max(longest,
                                   std::chrono::duration<double, std::milli>(now - last).count());
                last = now;
            }
            for (const MonitoredMessage& m : got) {
                named += ControlsSending(map, m.bytes).size();
            }
            received += got.size();
            if (rssAtOne == 0 && now - start > std::chrono::seconds(1)) {
                rssAtOne = ResidentKb();
            }
        }
        player.join();
        state.counters["received"] = static_cast<double>(received);
        state.counters["named"] = static_cast<double>(named);
        state.counters["dropped"] = static_cast<double>(monitor.Dropped());
        state.counters["longest_gap_ms"] = longest;
        state.counters["rss_growth_kb"] = static_cast<double>(ResidentKb() - rssAtOne);
    }
}

BENCHMARK(BM_ControlsSending_CC);
BENCHMARK(BM_ControlsSending_NoteNobodySends);
BENCHMARK(BM_ControlsSending_SysExWithChecksum);
BENCHMARK(BM_DescribeMidiMessage);
BENCHMARK(BM_VirtualDeviceStream)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The output port's pacing (one message per 40 ms) and the parser's decoding of received blocks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "midi/midiout.h"
#include "midi/parserthread.h"

namespace {

using namespace kel;
using Clock = std::chrono::steady_clock;

class NullReporter : public Reporter {
public:
    void warn(StringId, int) override {}
};

// One output port that notes when each message leaves.
class TimingBackend : public MidiBackend, public MidiOutputPort {
public:
    int InputPortCount() override { return 0; }
    bool InputPortName(int, std::string&) override { return false; }
    int OutputPortCount() override { return 1; }
    bool OutputPortName(int, std::string& name) override {
        name = "Timing";
        return true;
    }
    int OpenInput(int, MidiInputHandler&, std::unique_ptr<MidiInputPort>&) override {
        return MidiErrBadPort;
    }
    int OpenOutput(int, MidiOutputHandler& handler,
                   std::unique_ptr<MidiOutputPort>& opened) override {
        handler_ = &handler;
        opened.reset(new Forward(*this));
        return 0;
    }
    int SendLong(std::unique_ptr<MidiHeaderBuffer> header) override {
        {
            std::lock_guard lock(lock_);
            times_.push_back(Clock::now());
        }
        handler_->OnLongMsgDone(header.get());
        return 0;
    }
    void Close() override {}

    std::vector<Clock::time_point> Times() {
        std::lock_guard lock(lock_);
        return times_;
    }
    void Clear() {
        std::lock_guard lock(lock_);
        times_.clear();
    }

private:
    struct Forward : MidiOutputPort {
        explicit Forward(TimingBackend& owner) : owner_(owner) {}
        int SendLong(std::unique_ptr<MidiHeaderBuffer> header) override {
            return owner_.SendLong(std::move(header));
        }
        void Close() override {}
        TimingBackend& owner_;
    };

    MidiOutputHandler* handler_ = nullptr;
    std::mutex lock_;
    std::vector<Clock::time_point> times_;
};

MidiBlock Encoded(ControllerId id) {
    AssignEntry entry;
    entry.SetChannelKind(id % kChannelKindCount);
    entry.controllerId = id;
    MidiBlock block;
    EncodeBulk(entry, block);
    return block;
}

// A whole transmit's 50 messages at the real pacing: the mean and the largest gap between two
// messages, and the time from the start to the last one.
void BM_PacedTransmit(benchmark::State& state) {
    TimingBackend backend;
    NullReporter reporter;
    CMidiOut out(backend, reporter);
    out.SetDeviceName("Timing");
    double meanGap = 0, maxGap = 0, total = 0;
    for (auto _ : state) {
        backend.Clear();
        out.Open();
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            const MidiBlock block = Encoded(id);
            out.Put(block.data.data(), block.count);
        }
        out.SetProgressTarget(nullptr, kControllerCount);
        const auto start = Clock::now();
        out.StartSender();
        while (out.PendingCount() > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        out.Close();
        const auto times = backend.Times();
        std::vector<double> gaps;
        for (std::size_t i = 1; i < times.size(); ++i) {
            gaps.push_back(
                std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
        }
        meanGap = gaps.empty() ? 0 : std::accumulate(gaps.begin(), gaps.end(), 0.0) / gaps.size();
        maxGap = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
        total = std::chrono::duration<double, std::milli>(times.back() - start).count();
    }
    state.counters["mean_gap_ms"] = meanGap;
    state.counters["max_gap_ms"] = maxGap;
    state.counters["total_ms"] = total;
}
BENCHMARK(BM_PacedTransmit)->Iterations(2)->Unit(benchmark::kMillisecond);

// Taking 50 received blocks from the queue and decoding them into the record table.
void BM_Parse50Blocks(benchmark::State& state) {
    auto queue = std::make_unique<CSafeMidiInQue>();
    RecordTable table{};
    CParserThread parser(*queue, table);
    std::vector<MidiBlock> blocks;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        blocks.push_back(Encoded(id));
    }
    for (auto _ : state) {
        parser.SetRemainingCount(kControllerCount);
        for (const auto& block : blocks) {
            queue->Put(block.data.data(), block.count);
        }
        for (int i = 0; i < kControllerCount; ++i) {
            parser.ParseOne();
        }
        benchmark::DoNotOptimize(table);
    }
}
BENCHMARK(BM_Parse50Blocks);

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's JACK input against a source of the test's own on the running JACK server: what
// the source sends arrives whole while the input is being started over and over, and every
// removal of the source is noticed by the monitor listening to it.
#include <gtest/gtest.h>

#ifdef KEL_TEST_JACK_API
#include <jack/jack.h>
#include <jack/midiport.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "midi/devlist.h"
#include "midi/midimonitor.h"
#include "midi/rtmidi/rtmidibackend.h"

namespace kel {
namespace {

using namespace std::chrono_literals;

#if defined(__clang__) || defined(__GNUC__)
#define KEL_JACK_BUFFER_ACCESS __attribute__((no_sanitize("thread")))
#else
#define KEL_JACK_BUFFER_ACCESS
#endif

// A JACK client of the test's own with one MIDI output port "out". Once told to send, each
// cycle writes the next `perCycle` control changes, numbered in their two data bytes, until
// `total` have gone. With `busy`, each of its cycles takes that long: a slow client ahead of
// the input in the graph, whose cycles then start late.
class StandInSource {
public:
    explicit StandInSource(const std::string& name, int perCycle = 16,
                           std::chrono::microseconds busy = {})
        : perCycle_(perCycle), busy_(busy) {
        client_ = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
        if (client_ == nullptr) {
            return;
        }
        port_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        if (port_ == nullptr || jack_set_process_callback(client_, &Process, this) != 0 ||
            jack_set_xrun_callback(client_, &XRun, this) != 0 || jack_activate(client_) != 0) {
            Close();
        }
    }
    ~StandInSource() { Close(); }

    bool Ok() const { return client_ != nullptr; }
    std::string PortName() const { return jack_port_name(port_); }
    bool Connected() const { return jack_port_connected(port_) > 0; }
    void Send(int total) { total_.store(total); }
    int Sent() const { return sent_.load(); }
    // Cycles some client of the server finished late (JACK drops what they carried).
    int XRuns() const { return xruns_.load(); }
    // The three ways a source goes away: its port, its connection, its whole client.
    void Unregister() {
        unregistered_.store(true);
        while (!quiet_.load()) {
            std::this_thread::sleep_for(1ms); // no cycle uses the port any more
        }
        jack_port_unregister(client_, port_);
    }
    void Disconnect() { jack_port_disconnect(client_, port_); }
    void Close() {
        if (client_ != nullptr) {
            jack_client_close(client_);
            client_ = nullptr;
        }
    }

private:
    static int XRun(void* arg) {
        static_cast<StandInSource*>(arg)->xruns_.fetch_add(1);
        return 0;
    }
    // The port's buffer is JACK's shared memory, which libjack hands from this client to the
    // input's in the cycle's order: the thread sanitizer does not see that order, so neither
    // this writer nor the handler's reading is watched.
    KEL_JACK_BUFFER_ACCESS static int Process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<StandInSource*>(arg);
        if (self->unregistered_.load()) {
            self->quiet_.store(true);
            return 0;
        }
        void* buffer = jack_port_get_buffer(self->port_, frames);
        jack_midi_clear_buffer(buffer);
        const int total = self->total_.load();
        if (self->busy_.count() > 0) {
            const auto until = std::chrono::steady_clock::now() + self->busy_;
            while (std::chrono::steady_clock::now() < until) {
            }
        }
        for (int i = 0; i < self->perCycle_; ++i) {
            const int number = self->sent_.load();
            if (number >= total) {
                break;
            }
            jack_midi_data_t* event = jack_midi_event_reserve(buffer, static_cast<unsigned>(i), 3);
            if (event == nullptr) {
                break;
            }
            event[0] = 0xB0;
            event[1] = static_cast<jack_midi_data_t>(number & 0x7F);
            event[2] = static_cast<jack_midi_data_t>((number >> 7) & 0x7F);
            self->sent_.store(number + 1);
        }
        return 0;
    }

    const int perCycle_;
    const std::chrono::microseconds busy_;
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::atomic<int> total_{0};
    std::atomic<int> sent_{0};
    std::atomic<int> xruns_{0};
    std::atomic<bool> unregistered_{false};
    std::atomic<bool> quiet_{false};
};

// Counts the control changes the input hands over and whether they came in order.
class CountingHandler : public MidiInputHandler {
public:
    KEL_JACK_BUFFER_ACCESS void OnLongInput(const std::uint8_t* data, std::size_t count) override {
        for (std::size_t i = 0; i + 3 <= count; i += 3) {
            const int number = data[i + 1] | (data[i + 2] << 7);
            if (number != received_.load()) {
                outOfOrder_.store(true);
            }
            received_.store(number + 1);
        }
    }
    int Received() const { return received_.load(); }
    bool OutOfOrder() const { return outOfOrder_.load(); }

private:
    std::atomic<int> received_{0};
    std::atomic<bool> outOfOrder_{false};
};

class JackInput : public ::testing::Test {
protected:
    void SetUp() override {
        if (!MidiSystemReachable(MidiApi::Jack)) {
            GTEST_SKIP() << "no JACK server is running";
        }
    }
    // The port number of the source's port in a fresh input list, or -1.
    int Find(const StandInSource& source) {
        const CMidiInDev inputs(backend);
        const int position = inputs.Find(source.PortName());
        return position < 0 ? -1 : inputs.PortNumber(position);
    }

    const std::string name = "KEL Test Source " + std::to_string(getpid());
    CRtMidiBackend backend{MidiApi::Jack, "KEL Input Test"};
};

// Starting the input again while it runs (as a second receive's Start does) never costs the
// events of a cycle.
TEST_F(JackInput, NothingIsLostWhileTheInputIsStartedOverAndOver) {
    StandInSource source(name);
    ASSERT_TRUE(source.Ok());
    const int port = Find(source);
    ASSERT_GE(port, 0);
    CountingHandler handler;
    std::unique_ptr<MidiInputPort> input;
    ASSERT_EQ(backend.OpenInput(port, handler, input), MidiErrNone);
    ASSERT_EQ(input->Start(), MidiErrNone);
    for (int i = 0; i < 500 && !source.Connected(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(source.Connected());
    std::this_thread::sleep_for(100ms); // a few cycles: the connection is in effect

    std::atomic<bool> hammering{true};
    std::thread hammer([&] {
        while (hammering.load()) {
            input->Start();
        }
    });
    constexpr int kTotal = 2000;
    source.Send(kTotal);
    for (int i = 0; i < 1000 && handler.Received() < kTotal; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    hammering.store(false);
    hammer.join();
    if (source.XRuns() > 0 && (handler.Received() != kTotal || handler.OutOfOrder())) {
        // A client that was late for its cycle loses that cycle's events by JACK's own rule.
        GTEST_SKIP() << "the machine was too slow for JACK's cycles";
    }
    EXPECT_EQ(source.Sent(), kTotal);
    EXPECT_EQ(handler.Received(), kTotal);
    EXPECT_FALSE(handler.OutOfOrder());
    input->Close();
}

// A source that goes away, a short time after the monitor began listening or a while later,
// by losing its port, its connection or its client, is noticed every time, also when the
// input's cycles start late and JACK tells of the broken connection before a cycle sees it.
TEST_F(JackInput, TheMonitorNoticesEveryRemovalOfItsSource) {
    constexpr int kRemovals = 200;
    int noticed = 0;
    CMidiMonitor monitor(backend);
    for (int i = 0; i < kRemovals; ++i) {
        StandInSource source(name, 0, 8ms);
        ASSERT_TRUE(source.Ok());
        const int port = Find(source);
        ASSERT_GE(port, 0);
        ASSERT_EQ(monitor.Open(port), MidiErrNone);
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 5 * 10));
        switch (i % 3) {
        case 0:
            source.Close();
            break;
        case 1:
            source.Unregister();
            break;
        default:
            source.Disconnect();
            break;
        }
        for (int wait = 0; wait < 300 && !monitor.Lost(); ++wait) {
            std::this_thread::sleep_for(10ms);
        }
        noticed += monitor.Lost() ? 1 : 0;
        monitor.Close();
    }
    EXPECT_EQ(noticed, kRemovals);
}

} // namespace
} // namespace kel

#endif

// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midimonitor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "midi/devlist.h"
#include "model/msgmatch.h"
#include "support/midi_fakes.h"
#include "support/played_map.h"

namespace kel {
namespace {

using test::Bytes;
using test::FakeBackend;

std::vector<Bytes> BytesOf(const std::vector<MonitoredMessage>& messages) {
    std::vector<Bytes> bytes;
    for (const auto& m : messages) {
        bytes.push_back(m.bytes);
    }
    return bytes;
}

// Waits until `count` wake-ups have come (the wake runs on the monitor's own thread), or 5 s;
// the number that came.
int WaitForWakes(const std::atomic<int>& wakes, int count) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (wakes.load() < count && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return wakes.load();
}

TEST(MidiMonitor, QueuesWholeMessagesAndWakesOncePerTake) {
    FakeBackend backend;
    backend.inputs = {{"In"}};
    CMidiMonitor monitor(backend);
    std::atomic<int> wakes{0};
    monitor.SetWake([&] { ++wakes; });
    ASSERT_EQ(monitor.Open(0), 0);
    EXPECT_TRUE(monitor.IsOpen());
    EXPECT_TRUE(backend.InputStarted());

    ASSERT_TRUE(backend.Inject({0xB1, 74}));
    ASSERT_TRUE(backend.Inject({63, 64, 0xF0, 0x7D}));
    ASSERT_TRUE(backend.Inject({0xF8, 0x01, 0xF7}));
    EXPECT_EQ(WaitForWakes(wakes, 1), 1);
    std::vector<MonitoredMessage> got(5); // replaced, not appended to
    EXPECT_EQ(monitor.Take(got), 3u);
    EXPECT_EQ(BytesOf(got), (std::vector<Bytes>{{0xB1, 74, 63}, {0xF8}, {0xF0, 0x7D, 0x01, 0xF7}}));
    EXPECT_LE(got[0].seconds, got[2].seconds);
    EXPECT_EQ(monitor.Take(got), 0u);

    // After a Take the next message wakes again; `max` leaves the rest for the next call.
    ASSERT_TRUE(backend.Inject({0xC0, 1, 2, 3}));
    EXPECT_EQ(WaitForWakes(wakes, 2), 2);
    EXPECT_EQ(monitor.Take(got, 2), 2u);
    EXPECT_EQ(BytesOf(got), (std::vector<Bytes>{{0xC0, 1}, {0xC0, 2}}));
    EXPECT_EQ(monitor.Take(got), 1u);
    EXPECT_EQ(monitor.Dropped(), 0u);
    EXPECT_FALSE(monitor.Lost());

    monitor.Close();
    EXPECT_FALSE(monitor.IsOpen());
    EXPECT_FALSE(backend.InputOpen());
}

TEST(MidiMonitor, FullQueueDropsAndCounts) {
    FakeBackend backend;
    backend.inputs = {{"In"}};
    CMidiMonitor monitor(backend, 4);
    ASSERT_EQ(monitor.Open(0), 0);
    for (int i = 0; i < 10; ++i) {
        backend.Inject({0x90, static_cast<std::uint8_t>(i), 1});
    }
    std::vector<MonitoredMessage> got;
    EXPECT_EQ(monitor.Take(got), 4u);
    EXPECT_EQ(got.back().bytes, (Bytes{0x90, 3, 1})); // the oldest are kept
    EXPECT_EQ(monitor.Dropped(), 6u);
    // Long messages are bounded by the byte area as well, and room comes back after a Take.
    const Bytes sysex = [] {
        Bytes b(CMidiMonitor::kSysExLimit, 0x11);
        b.front() = 0xF0;
        b.back() = 0xF7;
        return b;
    }();
    for (int i = 0; i < 4; ++i) {
        backend.Inject(sysex);
    }
    EXPECT_EQ(monitor.Take(got), 4u);
    EXPECT_EQ(got[3].bytes, sysex);
    // A reopened monitor starts afresh.
    backend.Inject({0xFA});
    ASSERT_EQ(monitor.Open(0), 0);
    EXPECT_EQ(monitor.Take(got), 0u);
    EXPECT_EQ(monitor.Dropped(), 0u);
}

TEST(MidiMonitor, OpenFailuresAreReported) {
    FakeBackend backend;
    backend.inputs = {{"In"}};
    CMidiMonitor monitor(backend);
    backend.inputOpenError = MidiErrAllocated;
    EXPECT_EQ(monitor.Open(0), MidiErrAllocated);
    EXPECT_FALSE(monitor.IsOpen());
    backend.inputOpenError = 0;
    backend.inputStartError = MidiErrSystem;
    EXPECT_EQ(monitor.Open(0), MidiErrSystem);
    EXPECT_FALSE(monitor.IsOpen());
    EXPECT_FALSE(backend.InputOpen());
}

// A port thread pushing while another thread takes on every wake: everything arrives in order
// or is counted as dropped.
TEST(MidiMonitor, ConcurrentTakeKeepsOrder) {
    FakeBackend backend;
    backend.inputs = {{"In"}};
    CMidiMonitor monitor(backend, 64);
    std::mutex lock;
    std::condition_variable woken;
    bool wake = false;
    monitor.SetWake([&] {
        std::lock_guard guard(lock);
        wake = true;
        woken.notify_one();
    });
    ASSERT_EQ(monitor.Open(0), 0);
    constexpr int kCount = 16000; // numbered in the two data bytes
    std::atomic<bool> done{false};
    std::thread port([&] {
        for (int i = 0; i < kCount; ++i) {
            backend.Inject({0xB0, static_cast<std::uint8_t>(i >> 7 & 0x7F),
                            static_cast<std::uint8_t>(i & 0x7F)});
        }
        done = true;
    });
    int last = -1;
    std::uint64_t received = 0;
    std::vector<MonitoredMessage> got;
    for (;;) {
        const bool finished = done;
        {
            std::unique_lock guard(lock);
            woken.wait_for(guard, std::chrono::milliseconds(10), [&] { return wake; });
            wake = false;
        }
        if (monitor.Take(got) == 0 && finished) {
            break;
        }
        for (const auto& m : got) {
            const int n = m.bytes[1] << 7 | m.bytes[2];
            ASSERT_GT(n, last);
            last = n;
            ++received;
        }
    }
    port.join();
    EXPECT_EQ(received + monitor.Dropped(), static_cast<std::uint64_t>(kCount));
}

// The built-in device plays every control of its memory; the monitor names each one, and it
// survives the device being unplugged: the port leaves the list, and once it is back the
// session's times go on from where they were.
TEST(MidiMonitor, VirtualDevicePlaysItsControls) {
    CVirtualKelBackend device;
    const ControlMap map = test::PlayedMap();
    device.Device().SetMemory(map.records);
    CMidiMonitor monitor(device);
    std::atomic<int> wakes{0};
    monitor.SetWake([&] { ++wakes; });
    ASSERT_EQ(monitor.Open(0), 0);
    double lastSeconds = 0;
    for (const auto& control : test::kPlayedControls) {
        device.PlayControl(control.id, 100);
        ASSERT_TRUE(device.WaitUntilIdle(std::chrono::seconds(2)));
        std::vector<MonitoredMessage> got;
        ASSERT_GT(monitor.Take(got), 0u) << control.name;
        lastSeconds = got.back().seconds;
        for (const auto& m : got) {
            const auto ids = ControlsSending(map, m.bytes);
            EXPECT_NE(std::find(ids.begin(), ids.end(), control.id), ids.end())
                << control.name << ": " << DescribeMidiMessage(m.bytes);
        }
    }
    // A2 sends on port 2 only.
    std::vector<std::vector<std::uint8_t>> a2;
    MessagesOfControl(map.records[19], 100, 0, a2);
    EXPECT_TRUE(ControlsSending(map, a2[0], 0).empty());

    const int before = wakes;
    device.SetConnected(false);
    EXPECT_TRUE(monitor.Lost());
    EXPECT_GT(WaitForWakes(wakes, before + 1), before);
    device.PlayControl(1, 5); // nobody listens any more
    ASSERT_TRUE(device.WaitUntilIdle(std::chrono::seconds(2)));
    EXPECT_TRUE(CMidiInDev(device).IsEmpty());
    monitor.Close();
    EXPECT_EQ(monitor.Reopen(0), MidiErrBadPort);
    device.SetConnected(true);
    ASSERT_EQ(CMidiInDev(device).Find(CVirtualKelBackend::kPortName), 0);
    ASSERT_EQ(monitor.Reopen(0), 0);
    EXPECT_FALSE(monitor.Lost());
    device.PlayControl(1, 6);
    ASSERT_TRUE(device.WaitUntilIdle(std::chrono::seconds(2)));
    std::vector<MonitoredMessage> got;
    ASSERT_GT(monitor.Take(got), 0u);
    EXPECT_GE(got.front().seconds, lastSeconds);
}

} // namespace
} // namespace kel

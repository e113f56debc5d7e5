// SPDX-License-Identifier: GPL-3.0-or-later
// The running editor's live monitor under a stream of short messages: the editor starts on a
// settings file of its own, Communication > Monitor is turned on (its window open beside the
// main window) and a stream of control changes comes in on the listening input. Prints the
// messages sent, shown as lines and dropped by the input, how late the event loop got (the
// gaps between the ticks of a 1 ms timer during the stream: longest and 99th percentile) and
// the editor's memory (resident and heap in use) one second into the stream and at its end.
//
// usage: monitor_gui_bench [RATE] [SECONDS]
//   The built-in virtual device plays R1..R9 in turn (each a control change of its own),
//   RATE messages a second (default 3,000) for SECONDS (default 10).
// usage: monitor_gui_bench --api JACK --in PORT [--count N] [--timeout SECONDS]
//   Listens on PORT of that MIDI system; another program sends the stream (see
//   bench/monitor_gui_stream.sh). Says "listening" once the monitor is on, and ends after N
//   messages (default 30,000) or SECONDS (default 30) without a message.
// Run with QT_QPA_PLATFORM=offscreen, or on a display (xcb).
#include <QApplication>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/keleditorapp.h"
#include "app/kelmidi.h"
#include "app/mainframe.h"
#include "app/monitorwindow.h"
#include "gui/common/ids.h"
#include "gui/common/uiservices.h"
#include "midi/virtualbackend.h"
#include "model/msgmatch.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Memory {
    long rssKiB = 0;
    double heapMiB = 0;
};

Memory MemoryNow() {
    Memory memory;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            memory.rssKiB = std::stol(line.substr(6));
        }
    }
    memory.heapMiB = static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0);
    return memory;
}

// Ticks of a 1 ms timer while `on`: the gaps between them show how long the event loop was
// kept from its timers.
class StallProbe {
public:
    StallProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            if (on_) {
                const double gap = std::chrono::duration<double, std::milli>(now - last_).count();
                if (gapsMs_.empty() || gap > longestMs_) {
                    longestMs_ = gap;
                    longestAt_ = std::chrono::duration<double>(last_ - start_).count();
                }
                gapsMs_.push_back(gap);
            }
            last_ = now;
        });
        gapsMs_.reserve(100000);
    }
    void Start() {
        last_ = start_ = Clock::now();
        on_ = true;
        timer_.start();
    }
    void Stop() {
        on_ = false;
        timer_.stop();
    }
    void Print(const char* when) {
        if (gapsMs_.empty()) {
            std::printf("event loop %s: no timer ticks\n", when);
            return;
        }
        std::sort(gapsMs_.begin(), gapsMs_.end());
        const auto at = [this](double share) {
            return gapsMs_[std::min(gapsMs_.size() - 1,
                                    static_cast<std::size_t>(share * gapsMs_.size()))];
        };
        std::printf("event loop %s: %zu ticks of a 1 ms timer, gap median %.2f ms, 99th "
                    "percentile %.2f ms, 99.9th %.2f ms, longest %.2f ms (from %.2f s)\n",
                    when, gapsMs_.size(), at(0.5), at(0.99), at(0.999), gapsMs_.back(), longestAt_);
    }

private:
    QTimer timer_;
    bool on_ = false;
    Clock::time_point start_;
    Clock::time_point last_;
    double longestMs_ = 0;
    double longestAt_ = 0; // seconds after Start
    std::vector<double> gapsMs_;
};

// Runs the event loop, as the editor's own loop runs (sleeping while there is nothing to do),
// until `done` (checked every 10 ms) or `timeout`.
template <typename Done> bool RunUntil(Done done, std::chrono::milliseconds timeout) {
    if (done()) {
        return true;
    }
    const Clock::time_point end = Clock::now() + timeout;
    QEventLoop loop;
    QTimer check;
    bool reached = false;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done()) {
            reached = true;
            loop.quit();
        } else if (Clock::now() >= end) {
            loop.quit();
        }
    });
    check.start(10);
    loop.exec();
    return reached;
}

void PrintMemory(const char* when, const Memory& memory) {
    std::printf("memory %s: VmRSS %ld KiB, heap in use %.1f MiB\n", when, memory.rssKiB,
                memory.heapMiB);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    const QStringList args = QApplication::arguments();
    QString api = QStringLiteral("Virtual");
    QString input = QString::fromLatin1(kel::CVirtualKelBackend::kPortName);
    long count = 30000;
    int idleTimeout = 30;
    std::vector<int> numbers;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--api") && i + 1 < args.size()) {
            api = args[++i];
        } else if (args[i] == QLatin1String("--in") && i + 1 < args.size()) {
            input = args[++i];
        } else if (args[i] == QLatin1String("--count") && i + 1 < args.size()) {
            count = args[++i].toLong();
        } else if (args[i] == QLatin1String("--timeout") && i + 1 < args.size()) {
            idleTimeout = args[++i].toInt();
        } else {
            numbers.push_back(args[i].toInt());
        }
    }
    const bool builtIn = api == QLatin1String("Virtual");
    const int rate = numbers.size() > 0 && numbers[0] > 0 ? numbers[0] : 3000;
    const int seconds = numbers.size() > 1 && numbers[1] > 0 ? numbers[1] : 10;

    QTemporaryDir dir;
    auto store = std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")),
                                             QSettings::IniFormat);
    store->setValue(QStringLiteral("MIDI Device/API"), api);
    store->setValue(QStringLiteral("MIDI Device/Input"), input);
    kel::CQtUiServices ui;
    kel::CKelEditorApp app(ui, std::move(store));
    if (!app.Startup({QStringLiteral("kel-editor")})) {
        std::fprintf(stderr, "monitor_gui_bench: the editor did not start\n");
        return 1;
    }
    kel::CMainFrame* window = app.MainWindow();
    window->show();

    // R1..R9 send control changes 20..28 on channel 1; on JACK the sender holds a map with a
    // control change on R2 (CC 74, channel 2), which the editor's map has too.
    constexpr int kPlayed = 9;
    kel::ControlMap& map = app.Document().Map();
    for (int id = 0; id < kPlayed; ++id) {
        const std::uint8_t message[] = {0xB0, static_cast<std::uint8_t>(20 + id), 0};
        kel::LearnAssignment(message, map.records[static_cast<std::size_t>(id)]);
    }
    if (!builtIn) {
        const std::uint8_t message[] = {0xB1, 74, 0};
        kel::LearnAssignment(message, map.records[1]);
    }
    kel::CKelMidi& midi = app.MidiPorts();
    kel::CVirtualKelBackend& device = midi.Systems().Virtual();
    device.Device().SetMemory(map.records);

    window->RunCommand(kel::cmd::Monitor);
    if (!midi.MonitorOn() || midi.MonitorWindow() == nullptr) {
        std::fprintf(stderr, "monitor_gui_bench: the monitor did not turn on\n");
        return 1;
    }
    RunUntil([&] { return midi.MonitorWindow()->isVisible(); }, 2000ms);
    RunUntil([] { return false; }, 300ms); // both windows painted and settled

    long shown = 0;
    QObject::connect(
        &midi.MonitorWindow()->Lines(), &QAbstractItemModel::rowsInserted,
        [&shown](const QModelIndex&, int first, int last) { shown += last - first + 1; });
    // The same timer with nothing coming in, for comparison.
    StallProbe idle;
    idle.Start();
    RunUntil([] { return false; }, 2000ms);
    idle.Stop();

    StallProbe probe;
    // The memory each second of the stream.
    std::vector<Memory> samples;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { samples.push_back(MemoryNow()); });
    const Memory before = MemoryNow();

    long sent = 0;
    double streamSeconds = 0;
    if (builtIn) {
        // The sender keeps to its rate by absolute deadlines, a few messages each millisecond.
        std::atomic<bool> finished{false};
        std::atomic<long> played{0};
        const long total = static_cast<long>(rate) * seconds;
        probe.Start();
        sampler.start(1000);
        const Clock::time_point start = Clock::now();
        std::thread sender([&] {
            for (long i = 0; i < total; ++i) {
                std::this_thread::sleep_until(start +
                                              std::chrono::microseconds(i * 1000000 / rate));
                device.PlayControl(static_cast<kel::ControllerId>(i % kPlayed),
                                   static_cast<int>(i % 128));
                played.store(i + 1, std::memory_order_relaxed);
            }
            finished = true;
        });
        RunUntil([&] { return finished.load(); }, std::chrono::seconds(seconds + 30));
        sender.join();
        device.WaitUntilIdle(5000ms);
        sent = played.load();
        RunUntil([&] { return shown + static_cast<long>(midi.Monitor().Dropped()) >= sent; },
                 5000ms);
        streamSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        probe.Stop();
    } else {
        std::printf("listening on %s\n", qPrintable(input));
        std::fflush(stdout);
        // The stream's clock starts with its first line.
        RunUntil([&] { return shown > 0; }, std::chrono::seconds(idleTimeout));
        const Clock::time_point start = Clock::now();
        probe.Start();
        sampler.start(1000);
        long last = shown;
        Clock::time_point lastChange = Clock::now();
        RunUntil(
            [&] {
                if (shown != last) {
                    last = shown;
                    lastChange = Clock::now();
                }
                return shown + static_cast<long>(midi.Monitor().Dropped()) >= count ||
                       Clock::now() - lastChange > 2s;
            },
            std::chrono::seconds(idleTimeout + 600));
        streamSeconds = std::chrono::duration<double>(lastChange - start).count();
        probe.Stop();
        sent = -1; // the sender reports its own count
    }
    sampler.stop();
    const Memory atEnd = MemoryNow();

    std::printf("platform %s, system %s, input \"%s\"\n",
                qPrintable(QGuiApplication::platformName()), qPrintable(api), qPrintable(input));
    if (sent >= 0) {
        std::printf("sent %ld messages (%d a second for %d s), ", sent, rate, seconds);
    }
    std::printf("shown %ld lines (window keeps %d), dropped %llu, over %.2f s\n", shown,
                midi.MonitorWindow()->Lines().rowCount(),
                static_cast<unsigned long long>(midi.Monitor().Dropped()), streamSeconds);
    idle.Print("idle");
    probe.Print("during the stream");
    PrintMemory("before the stream", before);
    if (!samples.empty()) {
        PrintMemory("after 1 s", samples.front());
    }
    PrintMemory("at the end", atEnd);
    std::printf("each second: VmRSS KiB / heap MiB:");
    for (const Memory& memory : samples) {
        std::printf(" %ld/%.1f", memory.rssKiB, memory.heapMiB);
    }
    std::printf("\n");

    window->RunCommand(kel::cmd::Monitor);
    app.Document().SetModified(false);
    app.ExitInstance();
    return 0;
}

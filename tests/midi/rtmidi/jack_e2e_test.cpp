// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's transfer procedures over real JACK MIDI ports, against kel-device-sim.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <optional>
#include <sstream>
#include <thread>

#ifdef KEL_TEST_JACK_API
#include <jack/jack.h>
#endif

#include "files/mapfile.h"
#include "midi/devlist.h"
#include "midi/midimonitor.h"
#include "midi/rtmidi/rtmidibackend.h"
#include "midi/transfer.h"
#include "model/msgmatch.h"
#include "session/history.h"
#include "support/midi_fakes.h"
#include "support/played_map.h"

extern char** environ;

namespace kel {
namespace {

using test::HexTable;
using test::RecordingReporter;
using test::ScriptedDialog;
using test::ScriptedUi;
using namespace std::chrono_literals;

// The simulator to run: $KEL_DEVICE_SIM when set (a sanitizer run takes a plain build's, as the
// device is not what it checks), else the one built beside the tests.
const char* SimulatorPath() {
    const char* path = std::getenv("KEL_DEVICE_SIM");
    return path != nullptr && *path != '\0' ? path : KEL_DEVICE_SIM;
}

// kel-device-sim (or `program`) running as a child process, its output (stdout and stderr) read
// line by line and its stdin a pipe for commands.
class Simulator {
public:
    explicit Simulator(std::vector<std::string> args, const char* program = SimulatorPath()) {
        int fds[2];
        int commands[2];
        if (pipe(fds) != 0) {
            return;
        }
        if (pipe2(commands, O_CLOEXEC) != 0) {
            close(fds[0]);
            close(fds[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO); // its complaints too
        posix_spawn_file_actions_adddup2(&actions, commands[0], STDIN_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program, &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        close(commands[0]);
        commands_ = commands[1];
        reader_ = std::thread([this, fd = fds[0]] { Read(fd); });
    }

    ~Simulator() {
        Stop();
        if (reader_.joinable()) {
            reader_.join();
        }
        if (commands_ >= 0) {
            close(commands_);
        }
    }

    // Writes one command line to the simulator's stdin; false when it could not be written.
    // Without `lineEnd` the text goes as it is, a piece of a longer line.
    bool Tell(const std::string& command, bool lineEnd = true) {
        const std::string line = lineEnd ? command + "\n" : command;
        return commands_ >= 0 &&
               write(commands_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    }

    // Ends the process with `signal`; its exit status, or -1.
    int Stop(int signal = SIGTERM) {
        if (pid_ <= 0) {
            return status_;
        }
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }

    // The peak of the program's resident memory in KiB (VmHWM), or -1.
    long PeakMemoryKiB() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmHWM:", 0) == 0) {
                return std::stol(line.substr(6));
            }
        }
        return -1;
    }

    // Waits for the program to end by itself; its exit status, or -1.
    int Wait() {
        if (pid_ > 0) {
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = -1;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return status_;
    }

    // Everything the simulator has said so far.
    std::string Output() {
        std::lock_guard lock(lock_);
        std::string text;
        for (const auto& line : lines_) {
            text += line + "\n";
        }
        return text;
    }

    // Waits for an output line starting with `prefix`, after the ones already waited for; the
    // limit is one a busy machine never reaches.
    bool WaitFor(const std::string& prefix, std::chrono::milliseconds timeout = 60s) {
        std::unique_lock lock(lock_);
        return cv_.wait_for(lock, timeout, [&] {
            for (; seen_ < lines_.size(); ++seen_) {
                if (lines_[seen_].rfind(prefix, 0) == 0) {
                    ++seen_;
                    return true;
                }
            }
            return false;
        });
    }

private:
    void Read(int fd) {
        std::string line;
        char c;
        while (read(fd, &c, 1) == 1) {
            if (c != '\n') {
                line += c;
                continue;
            }
            {
                std::lock_guard lock(lock_);
                lines_.push_back(line);
            }
            cv_.notify_all();
            line.clear();
        }
        close(fd);
    }

    pid_t pid_ = -1;
    int status_ = -1;
    int commands_ = -1;
    std::thread reader_;
    std::mutex lock_;
    std::condition_variable cv_;
    std::vector<std::string> lines_;
    std::size_t seen_ = 0;
};

// Every thread allocates in the main arena, so that the allocator's figures below cover the JACK
// threads too. Set before main, while there is only one thread.
[[maybe_unused]] const int kOneArena = mallopt(M_ARENA_MAX, 1);

// Bytes the program holds on the heap, mapped chunks included.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

RecordTable SampleMemory() {
    RecordTable table = test::RandomRecords(1234);
    table[0] = {CodeControlChange, 0, 0, 0, 0, 7, 0, 0x7F};
    table[1][rec::AssignCode] = CodeNoteTwin;
    return table;
}

class JackEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!MidiSystemReachable(MidiApi::Jack)) {
            GTEST_SKIP() << "no JACK server is running";
        }
        name = "KEL Sim " + std::to_string(getpid());
        savePath = std::filesystem::temp_directory_path() /
                   ("kel-sim-" + std::to_string(getpid()) + ".mid");
        ui.inputName = name + " out:midi";
        ui.outputName = name + " in:midi";
        in.SetDeviceName(ui.inputName);
        out.SetDeviceName(ui.outputName);
    }
    void TearDown() override { std::filesystem::remove(savePath); }

    static RecordTable FoldedMemory() { return test::Folded(SampleMemory()); }
    // Writes `memory` to savePath, for the simulator's --memory.
    bool WriteMemoryFile(const RecordTable& memory) {
        CParameter source;
        source.Map().records = memory;
        return SaveMapDocument(savePath.string(), source).Ok();
    }

    std::string name;
    std::filesystem::path savePath;
    CRtMidiBackend backend{MidiApi::Jack, "KEL Editor Test"};
    RecordingReporter reporter;
    CParameter document;
    CMidiIn in{backend, reporter, document.Map().records};
    CMidiOut out{backend, reporter};
    ScriptedUi ui{document};
};

TEST_F(JackEndToEnd, TransmitThenReceiveThroughTheSimulator) {
    Simulator sim({"--api", "jack", "--name", name, "--enter-delay", "800", "--gap", "10", "--save",
                   savePath.string()});
    ASSERT_TRUE(sim.WaitFor("ready"));

    CMidiOutDev outputs(backend);
    CMidiInDev inputs(backend);
    ASSERT_GE(outputs.Find(ui.outputName), 0);
    ASSERT_GE(inputs.Find(ui.inputName), 0);
    for (int i = 0; i < outputs.GetCount(); ++i) {
        EXPECT_NE(outputs.GetAt(i).rfind("KEL Editor Test", 0), 0u) << "own port listed";
    }

    const RecordTable memory = SampleMemory();
    document.Map().records = memory;
    CTransfer transfer(document, in, out, backend, reporter, ui);
    bool deviceReady = false;
    ui.onInstructions = [&] { deviceReady = sim.WaitFor("receiving"); };
    ASSERT_EQ(transfer.Transmit(), TransferOutcome::Completed);
    EXPECT_TRUE(deviceReady);
    ASSERT_TRUE(sim.WaitFor("saved")) << sim.Output();

    // What the device stored is what was sent (a file read folds the twin codes).
    RecordTable folded = memory;
    for (auto& record : folded) {
        record[rec::AssignCode] = BaseCode(record[rec::AssignCode]);
    }
    CParameter stored;
    ASSERT_TRUE(ReadMapFile(savePath.string(), ControlMapKind, stored).Ok());
    stored.FoldTwinCodes();
    EXPECT_EQ(HexTable(stored.Map().records), HexTable(folded));

    document.NewDocument();
    ASSERT_EQ(transfer.Receive(), TransferOutcome::Completed) << sim.Output();
    EXPECT_EQ(HexTable(document.Map().records), HexTable(folded));
    EXPECT_TRUE(document.IsModified());
    EXPECT_TRUE(reporter.Reports().empty());
    EXPECT_EQ(ui.timeouts, 0);
    EXPECT_EQ(sim.Stop(), 0);
}

// The device starts sending as soon as the request arrives: the input was listening already,
// so every receive completes with exactly its memory.
TEST_F(JackEndToEnd, ADeviceAnsweringAtOnceIsReceivedWhole) {
    const RecordTable memory = FoldedMemory();
    ASSERT_TRUE(WriteMemoryFile(memory));
    Simulator sim({"--api", "jack", "--name", name, "--enter-delay", "0", "--gap", "1", "--memory",
                   savePath.string()});
    ASSERT_TRUE(sim.WaitFor("ready"));
    CTransfer transfer(document, in, out, backend, reporter, ui);
    for (int run = 0; run < 5; ++run) {
        ASSERT_EQ(transfer.Receive(), TransferOutcome::Completed) << "run " << run << sim.Output();
        EXPECT_EQ(HexTable(document.Map().records), HexTable(memory));
        ASSERT_TRUE(sim.WaitFor("sent 50")) << sim.Output();
    }
    EXPECT_TRUE(reporter.Reports().empty());
    EXPECT_EQ(sim.Stop(), 0);
}

// kelmap receive from a device whose S4 message is damaged: once the line is quiet it says what
// it waits for, and Ctrl+C ends it with a failure naming S4.
TEST_F(JackEndToEnd, KelmapNamesTheControlItStillWaitsFor) {
    Simulator sim({"--api", "jack", "--name", name, "--enter-delay", "300", "--gap", "5", "--fault",
                   "checksum=" + std::to_string(FindController("S4"))});
    ASSERT_TRUE(sim.WaitFor("ready"));
    Simulator kelmap({"receive", savePath.string(), "--api", "jack", "--in", ui.inputName, "--out",
                      ui.outputName, "--yes"},
                     KELMAP);
    EXPECT_TRUE(kelmap.WaitFor("Waiting for S4 (1 damaged message)")) << kelmap.Output();
    EXPECT_EQ(kelmap.Stop(SIGINT), 1);
    EXPECT_NE(kelmap.Output().find("kelmap: not received: S4 (1 damaged message)\n"),
              std::string::npos)
        << kelmap.Output();
    EXPECT_FALSE(std::filesystem::exists(savePath));
    EXPECT_EQ(sim.Stop(), 0);
}

// The line damages S4's message once. kelmap receive --retry asks the device again when the
// line has gone quiet, and the memory sent again completes the receive: exit 0, the whole map.
TEST_F(JackEndToEnd, KelmapAsksAgainAndCompletesAStalledReceive) {
    const RecordTable memory = FoldedMemory();
    const std::filesystem::path memoryPath = savePath.string() + ".memory.mid";
    {
        CParameter source;
        source.Map().records = memory;
        ASSERT_TRUE(SaveMapDocument(memoryPath.string(), source).Ok());
    }
    Simulator sim({"--api", "jack", "--name", name, "--enter-delay", "100", "--gap", "2",
                   "--memory", memoryPath.string(), "--fault",
                   "checksum=" + std::to_string(FindController("S4")), "--fault", "once"});
    ASSERT_TRUE(sim.WaitFor("ready"));
    const std::filesystem::path history = savePath.string() + ".history";
    std::filesystem::remove_all(history);
    Simulator kelmap({"receive", savePath.string(), "--api", "jack", "--in", ui.inputName, "--out",
                      ui.outputName, "--yes", "--retry", "2", "--history-dir", history.string()},
                     KELMAP);
    ASSERT_TRUE(kelmap.WaitFor("Asked the KEL again (1 of 2)")) << kelmap.Output();
    EXPECT_EQ(kelmap.Wait(), 0) << kelmap.Output();
    EXPECT_NE(kelmap.Output().find("Waiting for S4 (1 damaged message)"), std::string::npos);
    EXPECT_EQ(kelmap.Output().find("(2 of 2)"), std::string::npos) << kelmap.Output();
    CParameter received;
    ASSERT_TRUE(ReadMapFile(savePath.string(), ControlMapKind, received).Ok());
    EXPECT_EQ(HexTable(received.Map().records), HexTable(memory));
    // The device's memory is kept in the history too, with the port it came through.
    const std::vector<HistoryEntry> kept = ListHistory(history.string());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].direction, HistoryDirection::Received);
    EXPECT_EQ(kept[0].port, ui.inputName);
    CParameter entry;
    ASSERT_TRUE(ReadMapFile(kept[0].path, ControlMapKind, entry).Ok());
    EXPECT_EQ(HexTable(entry.Map().records), HexTable(memory));
    std::filesystem::remove_all(history);
    std::filesystem::remove(memoryPath);
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(JackEndToEnd, ALostMessageLeavesTheReceiveToTheUser) {
    Simulator sim({"--api", "jack", "--name", name, "--enter-delay", "500", "--gap", "10",
                   "--fault", "drop=17"});
    ASSERT_TRUE(sim.WaitFor("ready"));
    ui.timeout = 3s;
    CTransfer transfer(document, in, out, backend, reporter, ui);
    EXPECT_EQ(transfer.Receive(), TransferOutcome::Cancelled);
    EXPECT_EQ(ui.timeouts, 1);
    EXPECT_FALSE(in.IsOpen());
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(JackEndToEnd, APortThatWentAwayIsNotOpened) {
    {
        Simulator sim({"--api", "jack", "--name", name});
        ASSERT_TRUE(sim.WaitFor("ready"));
        ASSERT_GE(CMidiOutDev(backend).Find(ui.outputName), 0);
        EXPECT_EQ(sim.Stop(), 0);
    }
    EXPECT_FALSE(out.Open());
    EXPECT_EQ(reporter.Ids(), std::vector<StringId>{StringId::NoMidiDevice});
}

// Twin codes, another maker's messages between the bulk messages and messages written in
// pieces: the receive still completes with exactly the device's memory, twins folded.
TEST_F(JackEndToEnd, TwinCodesForeignMessagesAndPiecesStillGiveTheMemory) {
    const RecordTable memory = FoldedMemory();
    ASSERT_TRUE(WriteMemoryFile(memory));
    Simulator sim({"--api", "jack", "--name", name, "--enter-delay", "300", "--gap", "10",
                   "--memory", savePath.string(), "--fault", "twins", "--fault", "foreign=4",
                   "--chunk", "16"});
    ASSERT_TRUE(sim.WaitFor("ready"));
    CTransfer transfer(document, in, out, backend, reporter, ui);
    ASSERT_EQ(transfer.Receive(), TransferOutcome::Completed) << sim.Output();
    ASSERT_TRUE(sim.WaitFor("sent 63")) << sim.Output();
    EXPECT_EQ(HexTable(document.Map().records), HexTable(memory));
    EXPECT_TRUE(reporter.Reports().empty());
    EXPECT_EQ(ui.timeouts, 0);
    EXPECT_EQ(sim.Stop(), 0);
}

// A line shared with other equipment: 250 system-exclusive messages of other makers (4 to 120
// data bytes, each followed by a realtime byte) among the 50 bulk messages. The foreign messages
// are skipped and the receive completes with exactly the device's memory.
TEST_F(JackEndToEnd, AReceiveAmongManyForeignMessagesGivesTheMemory) {
    const RecordTable memory = FoldedMemory();
    ASSERT_TRUE(WriteMemoryFile(memory));
    Simulator sim({"--api", "jack", "--name", name, "--enter-delay", "300", "--gap", "10",
                   "--memory", savePath.string(), "--flood", "250", "--flood-kinds", "sysex",
                   "--seed", "14"});
    ASSERT_TRUE(sim.WaitFor("ready"));
    CTransfer transfer(document, in, out, backend, reporter, ui);
    ASSERT_EQ(transfer.Receive(), TransferOutcome::Completed) << sim.Output();
    EXPECT_EQ(HexTable(document.Map().records), HexTable(memory));
    EXPECT_TRUE(reporter.Reports().empty());
    EXPECT_EQ(ui.timeouts, 0);
    EXPECT_EQ(sim.Stop(), 0);
}

// A system-exclusive message that never ends (512 KiB without F7, in pieces) before the bulk
// messages: the input keeps no more of it than its cap, whatever the port delivers, and the
// receive that follows completes with the device's memory.
TEST_F(JackEndToEnd, AnEndlessMessageCostsNoMemoryAndTheReceiveCompletes) {
    const RecordTable memory = FoldedMemory();
    ASSERT_TRUE(WriteMemoryFile(memory));
    Simulator sim({"--api", "jack", "--name", name, "--enter-delay", "300", "--gap", "10",
                   "--memory", savePath.string(), "--flood", "1", "--flood-kinds", "endless",
                   "--endless-size", "524288"});
    ASSERT_TRUE(sim.WaitFor("ready"));
    ui.timeout = 30s;
    std::size_t peak = 0;
    std::atomic<bool> receiving{true};
    const std::size_t before = HeapInUse();
    std::thread watch([&] {
        while (receiving.load()) {
            peak = std::max(peak, HeapInUse());
            std::this_thread::sleep_for(5ms);
        }
    });
    CTransfer transfer(document, in, out, backend, reporter, ui);
    const TransferOutcome outcome = transfer.Receive();
    receiving.store(false);
    watch.join();
    ASSERT_EQ(outcome, TransferOutcome::Completed) << sim.Output();
    EXPECT_EQ(HexTable(document.Map().records), HexTable(memory));
    EXPECT_GE(in.GetCounts().overlong, 1u);
    EXPECT_LT(peak - std::min(peak, before), 256u * 1024)
        << "heap grew with the message: " << before << " -> " << peak;
    EXPECT_EQ(sim.Stop(), 0);
}

// A device that stops in the middle: the progress dialog waits until the user cancels; the
// records that came are in the map, the rest stay empty, the port is closed.
TEST_F(JackEndToEnd, ADeviceThatStopsMidTransferLeavesTheReceiveToTheUser) {
    const RecordTable memory = FoldedMemory();
    ASSERT_TRUE(WriteMemoryFile(memory));
    Simulator sim({"--api", "jack", "--name", name, "--enter-delay", "300", "--gap", "10",
                   "--memory", savePath.string(), "--fault", "stop=20"});
    ASSERT_TRUE(sim.WaitFor("ready"));
    ui.timeout = 2s;
    CTransfer transfer(document, in, out, backend, reporter, ui);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(transfer.Receive(), TransferOutcome::Cancelled) << sim.Output();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
    EXPECT_TRUE(sim.WaitFor("sent 20")) << sim.Output();
    EXPECT_EQ(ui.timeouts, 1);
    EXPECT_FALSE(in.IsOpen());
    for (std::size_t id = 0; id < document.Map().records.size(); ++id) {
        // A cancelled receive keeps the records as they came, twin codes unfolded.
        AssignRecord got = document.Map().records[id];
        got[rec::AssignCode] = BaseCode(got[rec::AssignCode]);
        EXPECT_EQ(got, id < 20 ? memory[id] : AssignRecord{}) << id;
    }
    EXPECT_TRUE(reporter.Reports().empty());
    EXPECT_EQ(sim.Stop(), 0);
}

// Closing an output while JACK's process thread is working on it must never crash: several
// threads open a port to the simulator, send two messages and close it at once, 400 times in all.
TEST_F(JackEndToEnd, OutputsOpenedSentToAndClosedManyTimesNeverCrash) {
    Simulator sim({"--api", "jack", "--name", name});
    ASSERT_TRUE(sim.WaitFor("ready"));
    constexpr int kThreads = 4;
    constexpr int kRounds = 100;
    struct Counter : MidiOutputHandler {
        std::atomic<int> done{0};
        void OnLongMsgDone(MidiHeaderBuffer*) override { done.fetch_add(1); }
    };
    Counter counter;
    std::atomic<int> opens{0};
    std::atomic<int> sent{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            CRtMidiBackend own(MidiApi::Jack, "KEL Editor Test");
            MidiHeaderBuffer message;
            const std::uint8_t bytes[] = {0xF0, 0x7D, static_cast<std::uint8_t>(t), 1, 2, 3, 0xF7};
            message.Fill(bytes, sizeof bytes);
            for (int round = 0; round < kRounds; ++round) {
                const CMidiOutDev outputs(own);
                const int position = outputs.Find(ui.outputName);
                std::unique_ptr<MidiOutputPort> opened;
                if (position < 0 ||
                    own.OpenOutput(outputs.PortNumber(position), counter, opened) != MidiErrNone) {
                    continue; // JACK refuses a new client now and then while others come and go
                }
                opens.fetch_add(1);
                for (int i = 0; i < 2; ++i) { // the second is still in flight at the close
                    sent.fetch_add(opened->SendLong(std::make_unique<MidiHeaderBuffer>(message)) ==
                                           MidiErrNone
                                       ? 1
                                       : 0);
                }
                opened->Close();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_GE(opens.load(), kThreads * kRounds * 99 / 100);
    EXPECT_EQ(sent.load(), 2 * opens.load());
    EXPECT_EQ(counter.done.load(), sent.load());
    // What was sent reaches the simulator (JACK may lose an odd message while clients come
    // and go).
    int arrived = 0;
    // Each is waited for as long as a busy machine may take until nine in ten have come; the
    // rest only as long as a quiet line shows they are not coming.
    while (arrived < sent.load() &&
           sim.WaitFor("ignored 7 bytes", arrived < sent.load() * 9 / 10 ? 60s : 2s)) {
        ++arrived;
    }
    EXPECT_GE(arrived, sent.load() * 9 / 10) << sim.Output();
    EXPECT_EQ(sim.Stop(), 0);
}

// A map with every kind of assignment transmitted to the simulator; each control it then
// plays is named by the monitor for every message it sends, and the monitor survives the
// simulator going away.
// A command with a number that is not plain digits is refused, not played; a line of 64 MB
// without a line end is dropped without the simulator holding it, and it goes on taking
// commands.
TEST_F(JackEndToEnd, TheSimulatorRefusesMalformedAndOverlongCommandLines) {
    Simulator sim({"--api", "jack", "--name", name});
    ASSERT_TRUE(sim.WaitFor("ready")) << sim.Output();
    for (const char* line : {"play S1 +5", "play S1 5x", "play S1 0x5", "play S1 -0"}) {
        ASSERT_TRUE(sim.Tell(line));
        EXPECT_TRUE(sim.WaitFor(std::string("error ") + line)) << sim.Output();
    }
    const long before = sim.PeakMemoryKiB();
    ASSERT_GT(before, 0);
    const std::string chunk(1 << 20, '7');
    ASSERT_TRUE(sim.Tell("play S1 " + chunk.substr(0, chunk.size() - 10), false));
    for (int i = 1; i < 64; ++i) {
        ASSERT_TRUE(sim.Tell(chunk, false));
    }
    ASSERT_TRUE(sim.Tell(""));
    EXPECT_TRUE(sim.WaitFor("error line too long")) << sim.Output().substr(0, 2000);
    EXPECT_LT(sim.PeakMemoryKiB() - before, 8 * 1024);
    ASSERT_TRUE(sim.Tell("play S1 5"));
    EXPECT_TRUE(sim.WaitFor("played S1")) << sim.Output().substr(0, 2000);
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(JackEndToEnd, TheMonitorNamesEveryControlThePlayedDeviceSends) {
    Simulator sim({"--api", "jack", "--name", name, "--enter-delay", "300", "--gap", "10"});
    ASSERT_TRUE(sim.WaitFor("ready"));
    const ControlMap map = test::PlayedMap();
    document.Map().records = map.records;
    CTransfer transfer(document, in, out, backend, reporter, ui);
    ui.onInstructions = [&] { sim.WaitFor("receiving"); };
    ASSERT_EQ(transfer.Transmit(), TransferOutcome::Completed);
    ASSERT_TRUE(sim.WaitFor("received")) << sim.Output();

    const CMidiInDev inputs(backend);
    const int position = inputs.Find(ui.inputName);
    ASSERT_GE(position, 0);
    CMidiMonitor monitor(backend);
    std::mutex lock;
    std::condition_variable woken;
    bool wake = false;
    monitor.SetWake([&] {
        std::lock_guard guard(lock);
        wake = true;
        woken.notify_one();
    });
    ASSERT_EQ(monitor.Open(inputs.PortNumber(position)), 0);
    // Waits until `count` messages have come (or 5 s), returning what came.
    const auto collect = [&](std::size_t count) {
        std::vector<MonitoredMessage> all;
        std::vector<MonitoredMessage> got;
        const auto until = std::chrono::steady_clock::now() + 60s;
        while (all.size() < count && std::chrono::steady_clock::now() < until) {
            {
                std::unique_lock guard(lock);
                woken.wait_for(guard, 50ms, [&] { return wake; });
                wake = false;
            }
            monitor.Take(got);
            all.insert(all.end(), got.begin(), got.end());
        }
        return all;
    };

    for (const auto& control : test::kPlayedControls) {
        for (const int value : {0, 100}) {
            std::vector<std::vector<std::uint8_t>> expected;
            MessagesOfControl(map.records[static_cast<std::size_t>(control.id)], value, 0,
                              expected);
            ASSERT_TRUE(
                sim.Tell("play " + std::string(control.name) + " " + std::to_string(value)));
            ASSERT_TRUE(sim.WaitFor("played " + std::string(control.name))) << sim.Output();
            const std::vector<MonitoredMessage> got = collect(expected.size());
            ASSERT_EQ(got.size(), expected.size()) << control.name;
            for (std::size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].bytes, expected[i]) << control.name;
                const auto ids = ControlsSending(map, got[i].bytes);
                EXPECT_NE(std::find(ids.begin(), ids.end(), control.id), ids.end())
                    << control.name << ": " << DescribeMidiMessage(got[i].bytes);
            }
        }
    }
    // The System Ex. with data and checksum, and the message two controls share.
    ASSERT_TRUE(sim.Tell("play S1 64"));
    ASSERT_TRUE(sim.Tell("play S6 9"));
    const std::vector<MonitoredMessage> shared = collect(2);
    ASSERT_EQ(shared.size(), 2u);
    EXPECT_EQ(shared[0].bytes, (test::Bytes{0xF0, 0x41, 0x10, 0x12, 0x40, 0x2E, 0xF7}));
    EXPECT_EQ(ControlsSending(map, shared[0].bytes), std::vector<ControllerId>{9});
    EXPECT_EQ(ControlsSending(map, shared[1].bytes), (std::vector<ControllerId>{1, 14}));
    // A sweep arrives whole and in order.
    ASSERT_TRUE(sim.Tell("sweep R2"));
    const std::vector<MonitoredMessage> sweep = collect(128);
    ASSERT_EQ(sweep.size(), 128u);
    for (int v = 0; v < 128; ++v) {
        EXPECT_EQ(sweep[static_cast<std::size_t>(v)].bytes,
                  (test::Bytes{0xB1, 74, static_cast<std::uint8_t>(v)}));
    }
    EXPECT_EQ(monitor.Dropped(), 0u);

    EXPECT_FALSE(monitor.Lost());
    EXPECT_EQ(sim.Stop(), 0);
    for (int i = 0; i < 6000 && !monitor.Lost(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(monitor.Lost());
    {
        std::unique_lock guard(lock);
        EXPECT_TRUE(woken.wait_for(guard, 60s, [&] { return wake; })); // the loss woke the reader
    }
    std::vector<MonitoredMessage> after;
    monitor.Take(after);
    monitor.Close();
    EXPECT_FALSE(monitor.IsOpen());
}

// A JACK server of the test's own with the dummy driver, under a fixed name so that it can be
// stopped and started again while the program runs. The program's clients find it through
// JACK_DEFAULT_SERVER, which is set for the test's time.
class OwnJackServer {
public:
    explicit OwnJackServer(std::string name) : name_(std::move(name)) {
        if (const char* previous = std::getenv("JACK_DEFAULT_SERVER")) {
            previous_ = previous;
        }
        setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    }
    ~OwnJackServer() {
        Stop();
        if (previous_) {
            setenv("JACK_DEFAULT_SERVER", previous_->c_str(), 1);
        } else {
            unsetenv("JACK_DEFAULT_SERVER");
        }
    }

    // Starts the server and waits until it takes clients; false when it did not come up. Its
    // cycles run with realtime scheduling where the machine allows it, as a real setup does:
    // on a busy machine a server without it starves its clients now and then, and JACK drops
    // what they carry.
    bool Start() {
        if (realtime_ != Realtime::Refused) {
            if (Start("--realtime")) {
                realtime_ = Realtime::Taken;
                return true;
            }
            if (realtime_ == Realtime::Taken) {
                return false;
            }
            realtime_ = Realtime::Refused;
        }
        return Start("--no-realtime");
    }

    // Stops the server as its user would, and waits until it has ended.
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    enum class Realtime { Untried, Taken, Refused };

    bool Start(const char* mode) {
        std::vector<std::string> args{"jackd", "-n",    name_, mode,    "-t", "2000",
                                      "-d",    "dummy", "-r",  "48000", "-p", "1024"};
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawnp(&pid_, "jackd", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            pid_ = -1;
            return false;
        }
        for (int i = 0; i < 600; ++i) {
            if (MidiSystemReachable(MidiApi::Jack)) {
                return true;
            }
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1; // it ended: realtime scheduling refused, or no place for a server
                return false;
            }
            std::this_thread::sleep_for(100ms);
        }
        Stop();
        return false;
    }

    std::string name_;
    Realtime realtime_ = Realtime::Untried;
    std::optional<std::string> previous_;
    pid_t pid_ = -1;
};

// A JACK server that stops and starts again under the same name while the program runs: the
// listing finds the new server's ports, and a transmit and a receive go through them.
// The server outlives the program's clients: it is stopped only once they are closed.
struct WithOwnJackServer {
    OwnJackServer server{"kel-restart-" + std::to_string(getpid())};
};

class JackRestart : protected WithOwnJackServer, public JackEndToEnd {
protected:
    void SetUp() override {
        if (!server.Start()) {
            GTEST_SKIP() << "no JACK server of the test's own could be started";
        }
        JackEndToEnd::SetUp();
    }
};

TEST_F(JackRestart, TransfersGoThroughAServerStartedAgain) {
    {
        Simulator sim({"--api", "jack", "--name", name});
        ASSERT_TRUE(sim.WaitFor("ready"));
        ASSERT_GE(CMidiOutDev(backend).Find(ui.outputName), 0);
        EXPECT_EQ(sim.Stop(), 0);
    }
    const RecordTable memory = FoldedMemory();
    for (int restart = 1; restart <= 2; ++restart) {
        server.Stop();
        EXPECT_LT(CMidiOutDev(backend).Find(ui.outputName), 0);
        ASSERT_TRUE(server.Start());
        Simulator sim({"--api", "jack", "--name", name, "--enter-delay", "300", "--gap", "10",
                       "--save", savePath.string()});
        ASSERT_TRUE(sim.WaitFor("ready"));
        ASSERT_GE(CMidiOutDev(backend).Find(ui.outputName), 0) << "restart " << restart;
        ASSERT_GE(CMidiInDev(backend).Find(ui.inputName), 0) << "restart " << restart;

        document.NewDocument();
        document.Map().records = memory;
        CTransfer transfer(document, in, out, backend, reporter, ui);
        ui.onInstructions = [&] { sim.WaitFor("receiving"); };
        ASSERT_EQ(transfer.Transmit(), TransferOutcome::Completed) << "restart " << restart;
        ASSERT_TRUE(sim.WaitFor("saved")) << sim.Output();
        document.NewDocument();
        ASSERT_EQ(transfer.Receive(), TransferOutcome::Completed) << sim.Output();
        EXPECT_EQ(HexTable(document.Map().records), HexTable(memory)) << "restart " << restart;
        EXPECT_EQ(sim.Stop(), 0);
    }
    EXPECT_TRUE(reporter.Reports().empty());
}

// The server stops while the monitor listens to a JACK input, and the input says it is lost.
// Then the program asks whether a server runs (a client opened while the lost one and the
// listing client are still open), closes the lost input and lists: nothing crashes, and once
// the server runs again the list has its ports and the monitor hears the device through them.
TEST_F(JackRestart, ClientsOfAStoppedServerAreClosedSafely) {
    ASSERT_TRUE(WriteMemoryFile(test::PlayedMap().records));
    const std::vector<std::string> device = {"--api", "jack",     "--name",
                                             name,    "--memory", savePath.string()};
    auto sim = std::make_unique<Simulator>(device);
    ASSERT_TRUE(sim->WaitFor("ready"));
    CMidiMonitor monitor(backend);
    {
        const CMidiInDev inputs(backend);
        const int position = inputs.Find(ui.inputName);
        ASSERT_GE(position, 0);
        ASSERT_EQ(monitor.Open(inputs.PortNumber(position)), 0);
    }
    server.Stop();
    for (int i = 0; i < 6000 && !monitor.Lost(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(monitor.Lost());
    sim.reset();
    EXPECT_FALSE(MidiSystemReachable(MidiApi::Jack));
    monitor.Close();
    EXPECT_LT(CMidiOutDev(backend).Find(ui.outputName), 0);

    ASSERT_TRUE(server.Start());
    EXPECT_LT(CMidiOutDev(backend).Find(ui.outputName), 0);
    sim = std::make_unique<Simulator>(device);
    ASSERT_TRUE(sim->WaitFor("ready"));
    const CMidiInDev inputs(backend);
    const int position = inputs.Find(ui.inputName);
    ASSERT_GE(position, 0);
    ASSERT_EQ(monitor.Open(inputs.PortNumber(position)), 0);
    std::vector<MonitoredMessage> heard;
    for (int i = 0; i < 600 && heard.empty(); ++i) {
        ASSERT_TRUE(sim->Tell("play S1 64")); // again: the new connection may miss the first
        std::this_thread::sleep_for(100ms);
        monitor.Take(heard);
    }
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front().bytes, (test::Bytes{0xF0, 0x41, 0x10, 0x12, 0x40, 0x2E, 0xF7}));
    monitor.Close();
}

#ifdef KEL_TEST_JACK_API
// Waits until the JACK port `port` has a connection (or 60 s); false if it never had one.
bool WaitForConnection(const std::string& port) {
    jack_client_t* client = jack_client_open("KEL Test Probe", JackNoStartServer, nullptr);
    if (client == nullptr) {
        return false;
    }
    bool connected = false;
    for (int i = 0; i < 6000 && !connected; ++i) {
        const jack_port_t* found = jack_port_by_name(client, port.c_str());
        connected = found != nullptr && jack_port_connected(found) > 0;
        if (!connected) {
            std::this_thread::sleep_for(10ms);
        }
    }
    jack_client_close(client);
    return connected;
}

// `kelmap monitor` names for a data entry only the RPN or NRPN control whose parameter the
// device selected before it, and says when none was.
TEST_F(JackEndToEnd, KelmapMonitorNamesTheControlOfTheSelectedParameter) {
    const ControlMap map = test::ParameterMap();
    const std::filesystem::path mapPath = std::filesystem::temp_directory_path() /
                                          ("kel-monitor-" + std::to_string(getpid()) + ".mid");
    {
        CParameter listened;
        listened.Map().records = map.records;
        ASSERT_TRUE(SaveMapDocument(mapPath.string(), listened).Ok());
    }
    // The device also has R6 = CC 38 on channel 1, a data entry LSB the listener's map lacks.
    RecordTable memory = map.records;
    AssignEntry r6;
    r6.SetChannelKind(KindControlChange);
    r6.SetChannel(0);
    r6.SetValue1(0x26);
    memory[5] = r6.record;
    ASSERT_TRUE(WriteMemoryFile(memory));
    Simulator sim({"--api", "jack", "--name", name, "--memory", savePath.string()});
    ASSERT_TRUE(sim.WaitFor("ready"));
    Simulator kelmap(
        {"monitor", mapPath.string(), "--api", "jack", "--in", ui.inputName, "--count", "9"},
        KELMAP_PATH);
    ASSERT_TRUE(WaitForConnection(ui.inputName)) << kelmap.Output();
    for (const char* control : {"R6", "R2", "R3"}) {
        ASSERT_TRUE(sim.Tell("play " + std::string(control) + " 100"));
        ASSERT_TRUE(sim.WaitFor("played " + std::string(control))) << sim.Output();
    }
    for (int line = 0; line < 9; ++line) {
        ASSERT_TRUE(kelmap.WaitFor("")) << kelmap.Output();
    }
    EXPECT_EQ(kelmap.Wait(), 0) << kelmap.Output(); // it ends after --count lines
    std::filesystem::remove(mapPath);
    std::vector<std::string> named;
    std::istringstream lines(kelmap.Output());
    for (std::string line; std::getline(lines, line);) {
        named.push_back(line.substr(line.rfind('\t') + 1));
    }
    EXPECT_EQ(named, (std::vector<std::string>{"(parameter not selected)", "R2", "R2", "R2,R5",
                                               "R2", "R3", "R3", "R3,R5", "R3"}))
        << kelmap.Output();
}

// `kelmap monitor` says when the device goes away, waits, says when it is back and goes on, the
// seconds still counted from its start.
TEST_F(JackEndToEnd, KelmapMonitorWaitsForALostInputAndGoesOn) {
    ASSERT_TRUE(WriteMemoryFile(test::PlayedMap().records));
    const std::vector<std::string> device = {"--api", "jack",     "--name",
                                             name,    "--memory", savePath.string()};
    auto sim = std::make_unique<Simulator>(device);
    ASSERT_TRUE(sim->WaitFor("ready"));
    Simulator kelmap({"monitor", "--api", "jack", "--in", ui.inputName, "--count", "2"},
                     KELMAP_PATH);
    ASSERT_TRUE(WaitForConnection(ui.inputName)) << kelmap.Output();
    ASSERT_TRUE(sim->Tell("play S1 64"));
    ASSERT_TRUE(kelmap.WaitFor("")) << kelmap.Output();
    EXPECT_EQ(sim->Stop(), 0);
    ASSERT_TRUE(kelmap.WaitFor("kelmap: input lost")) << kelmap.Output();

    sim = std::make_unique<Simulator>(device);
    ASSERT_TRUE(sim->WaitFor("ready"));
    ASSERT_TRUE(kelmap.WaitFor("kelmap: input back")) << kelmap.Output();
    ASSERT_TRUE(WaitForConnection(ui.inputName)) << kelmap.Output();
    ASSERT_TRUE(sim->Tell("play S1 64"));
    EXPECT_EQ(kelmap.Wait(), 0) << kelmap.Output(); // it ends after --count lines
    std::vector<double> seconds;
    std::istringstream lines(kelmap.Output());
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("kelmap:", 0) != 0) {
            seconds.push_back(std::stod(line.substr(0, line.find('\t'))));
        }
    }
    ASSERT_EQ(seconds.size(), 2u) << kelmap.Output();
    // The port is looked for a second after the loss at the earliest.
    EXPECT_GE(seconds[1], seconds[0] + 1.0) << kelmap.Output();
}
#endif

} // namespace
} // namespace kel

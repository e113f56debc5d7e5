// SPDX-License-Identifier: GPL-3.0-or-later
// kel-device-sim: a KEL device on a pair of virtual MIDI ports. The device is the core's device
// machine (protocol/devicemachine): its memory, its modes, the simulated user's [ENTER], its pace
// and its faults. This program reads its command line, opens the ports, hands the machine the
// time, the editor's messages and the commands on stdin, writes what the machine sends and
// reports what happens on stdout, one line per event. It ends cleanly on SIGINT or SIGTERM.
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "files/mapfile.h"
#include "midi/rtmidi/rtmidibackend.h"
#include "model/controllers.h"
#include "model/parameter.h"
#include "protocol/devicemachine.h"
#include "protocol/keldevice.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using kel::CDeviceMachine;
using kel::CKelDevice;

std::atomic<bool> g_stop{false};

void OnSignal(int) {
    g_stop.store(true);
}

struct Options {
    RtMidi::Api api = RtMidi::LINUX_ALSA;
    std::string name = "KEL Device";
    std::string memory;
    std::string save;
    CDeviceMachine::Timing timing;
    CDeviceMachine::Line line;
    CKelDevice::Faults faults;
};

// The names of the kinds of foreign traffic (--flood-kinds).
struct FloodKindName {
    const char* name;
    CDeviceMachine::FloodKind kind;
};
constexpr FloodKindName kFloodKinds[] = {
    {"sysex", CDeviceMachine::FloodSysex},        {"long", CDeviceMachine::FloodLong},
    {"short", CDeviceMachine::FloodShort},        {"realtime", CDeviceMachine::FloodRealtime},
    {"rt-inside", CDeviceMachine::FloodRtInside}, {"split", CDeviceMachine::FloodSplit},
    {"fragment", CDeviceMachine::FloodFragment},  {"endless", CDeviceMachine::FloodEndless},
    {"bulk-rt", CDeviceMachine::FloodBulkRt},
};

const char* const kUsage =
    "Usage: kel-device-sim [options]\n"
    "A KEL device on the virtual MIDI ports \"NAME in:midi\" (where the editor sends to) and\n"
    "\"NAME out:midi\" (where the editor receives from).\n"
    "\n"
    "  --api alsa|jack       MIDI system to use (default alsa)\n"
    "  --name NAME           base of the ports' client names (default \"KEL Device\")\n"
    "  --memory FILE         start with the records of a control map file\n"
    "  --save FILE           write the memory as a control map file after each reception\n"
    "  --enter-delay MS      press [ENTER] this long after a mode message (default 1000)\n"
    "  --no-enter            never press [ENTER] (the editor waits until cancelled)\n"
    "  --gap MS              pause between two bulk messages sent (default 10)\n"
    "  --fault KIND=ID       misbehave for controller ID (0..49); KIND is one of\n"
    "                        drop (not sent), checksum (sent with a wrong checksum),\n"
    "                        alter (sent with a changed record), duplicate (sent twice),\n"
    "                        deaf (not stored when received); may be repeated\n"
    "  --fault twins         send records whose code has a twin with the twin code\n"
    "                        (2, 4, 6, 8, 16, 18, 21, 23 instead of the stored base code)\n"
    "  --fault foreign=N     send another maker's system-exclusive message before\n"
    "                        every Nth bulk message (1..50; 1: before each)\n"
    "  --fault stop=N        stop sending after N messages (0..100), as a device switched\n"
    "                        off mid-transfer; counts foreign and duplicated messages\n"
    "  --fault once          the faults hit the first sending of the memory only, as a\n"
    "                        line disturbed once: asked again, the memory goes out whole\n"
    "  --flood N             send N items of foreign traffic among the bulk messages it\n"
    "                        sends (JACK only), at random places before them\n"
    "  --flood-kinds LIST    what the items are, comma separated (default all): sysex\n"
    "                        (another maker's, 4..120 data bytes, then a realtime byte),\n"
    "                        long (121..4000 data bytes), short (channel messages),\n"
    "                        realtime, rt-inside (realtime bytes inside a system\n"
    "                        exclusive), split (written in pieces), fragment (no F7),\n"
    "                        endless (once, before everything: F0 and 8..32 KB without\n"
    "                        F7), bulk-rt (a bulk message in pieces, realtime between)\n"
    "  --endless-size BYTES  data bytes of the endless item (1024..268435456) instead\n"
    "                        of 8..32 KB\n"
    "  --seed N              seed of the flood's random choices (default 1)\n"
    "  --chunk BYTES         send each message in pieces of BYTES (1..512) bytes, one\n"
    "                        write per piece (JACK only; ALSA writes whole messages)\n"
    "  --help                show this text\n"
    "\n"
    "Commands on stdin, one a line of at most 256 bytes (CONTROL is a control's name:\n"
    "R1..R9, S1..S9, A1..A9, B1..B9, C1..C3, H1, H2, L1..L4, P1, P2, BEND, MOD, AFT;\n"
    "numbers are plain decimal digits). A wrong command says \"error LINE\", a longer\n"
    "line is dropped and says \"error line too long\":\n"
    "  play CONTROL VALUE    move the control to VALUE (0..127): send what the memory\n"
    "                        assigns to it, its data and checksum bytes filled in;\n"
    "                        says \"played CONTROL\"\n"
    "  sweep CONTROL         play it with every value from 0 to 127; says \"swept CONTROL\"\n"
    "  stream CONTROL RATE SECONDS\n"
    "                        play it RATE times a second (1..20000) for SECONDS (1..600),\n"
    "                        its value going round 0..127; says \"streamed CONTROL N\"\n"
    "                        with the number of messages sent\n";

// A decimal number in [min, max], written as digits alone (a "-" before them where negative
// numbers are allowed): "+5", " 5", "5x" and "0x5" are refused, not read as 5.
bool ParseNumber(const std::string& text, long min, long max, long& value) {
    const std::size_t digitsAt = min < 0 && !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digitsAt ||
        !std::all_of(text.begin() + static_cast<std::ptrdiff_t>(digitsAt), text.end(),
                     [](unsigned char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || parsed < min || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseFloodKinds(const std::string& text, unsigned& kinds) {
    kinds = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string name = text.substr(start, comma - start);
        const auto* found = std::find_if(std::begin(kFloodKinds), std::end(kFloodKinds),
                                         [&](const FloodKindName& k) { return name == k.name; });
        if (found == std::end(kFloodKinds)) {
            return false;
        }
        kinds |= found->kind;
        start = comma + 1;
    }
    return kinds != 0;
}

bool ParseFault(const std::string& text, CKelDevice::Faults& faults) {
    if (text == "twins") {
        faults.twinCodes = true;
        return true;
    }
    if (text == "once") {
        faults.firstSendingOnly = true;
        return true;
    }
    const auto equals = text.find('=');
    long id = 0;
    if (equals == std::string::npos) {
        return false;
    }
    const std::string kind = text.substr(0, equals);
    if (kind == "foreign") {
        if (!ParseNumber(text.substr(equals + 1), 1, 50, id)) {
            return false;
        }
        faults.foreignEvery = static_cast<int>(id);
        return true;
    }
    if (kind == "stop") {
        if (!ParseNumber(text.substr(equals + 1), 0, 100, id)) {
            return false;
        }
        faults.stopAfter = static_cast<int>(id);
        return true;
    }
    if (!ParseNumber(text.substr(equals + 1), 0, 49, id)) {
        return false;
    }
    const int controller = static_cast<int>(id);
    if (kind == "drop") {
        faults.dropController = controller;
    } else if (kind == "checksum") {
        faults.badChecksumController = controller;
    } else if (kind == "alter") {
        faults.alterController = controller;
    } else if (kind == "duplicate") {
        faults.duplicateController = controller;
    } else if (kind == "deaf") {
        faults.ignoreReceiveController = controller;
    } else {
        return false;
    }
    return true;
}

// 0: run; 1: done (help shown); 2: bad arguments.
int ParseOptions(int argc, char** argv, Options& options) {
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 1;
        }
        if (arg == "--no-enter") {
            options.timing.autoEnter = false;
            continue;
        }
        const auto v = value();
        long number = 0;
        if (!v) {
            std::cerr << "kel-device-sim: " << arg << " needs a value\n";
            return 2;
        }
        if (arg == "--api") {
            if (*v == "alsa") {
                options.api = RtMidi::LINUX_ALSA;
            } else if (*v == "jack") {
                options.api = RtMidi::UNIX_JACK;
            } else {
                std::cerr << "kel-device-sim: unknown MIDI system \"" << *v << "\"\n";
                return 2;
            }
        } else if (arg == "--name" && !v->empty()) {
            options.name = *v;
        } else if (arg == "--memory") {
            options.memory = *v;
        } else if (arg == "--save") {
            options.save = *v;
        } else if (arg == "--enter-delay" && ParseNumber(*v, 0, 600000, number)) {
            options.timing.enterDelay = std::chrono::milliseconds(number);
        } else if (arg == "--gap" && ParseNumber(*v, 0, 10000, number)) {
            options.timing.gap = std::chrono::milliseconds(number);
        } else if (arg == "--chunk" && ParseNumber(*v, 1, 512, number)) {
            options.line.chunk = static_cast<std::size_t>(number);
        } else if (arg == "--fault" && ParseFault(*v, options.faults)) {
        } else if (arg == "--flood" && ParseNumber(*v, 0, 1000000, number)) {
            options.line.flood = static_cast<int>(number);
        } else if (arg == "--flood-kinds" && ParseFloodKinds(*v, options.line.floodKinds)) {
        } else if (arg == "--endless-size" && ParseNumber(*v, 1024, 1L << 28, number)) {
            options.line.endlessSize = static_cast<std::size_t>(number);
        } else if (arg == "--seed" && ParseNumber(*v, 0, 0x7FFFFFFF, number)) {
            options.line.seed = static_cast<std::uint32_t>(number);
        } else {
            std::cerr << "kel-device-sim: bad option " << arg << " " << *v << "\n" << kUsage;
            return 2;
        }
    }
    if (options.line.chunk > 0 && options.api != RtMidi::UNIX_JACK) {
        // RtMidi's ALSA output refuses a system-exclusive piece without its closing F7.
        std::cerr << "kel-device-sim: --chunk needs --api jack\n";
        return 2;
    }
    if (options.line.flood > 0 && options.api != RtMidi::UNIX_JACK) {
        // Pieces and unterminated messages cannot be written through ALSA.
        std::cerr << "kel-device-sim: --flood needs --api jack\n";
        return 2;
    }
    return 0;
}

void Say(const std::string& line) {
    std::cout << line << std::endl; // one line per event, flushed for whoever watches
}

// Messages from the input callback and command lines from stdin, handed to the main loop.
class Inbox {
public:
    void Push(std::vector<unsigned char> message) {
        {
            std::lock_guard lock(lock_);
            messages_.push_back(std::move(message));
        }
        cv_.notify_one();
    }
    void PushCommand(std::string line) {
        {
            std::lock_guard lock(lock_);
            commands_.push_back(std::move(line));
        }
        cv_.notify_one();
    }
    // Waits until a message or a command is there, or `until`.
    void WaitUntil(Clock::time_point until) {
        std::unique_lock lock(lock_);
        cv_.wait_until(lock, until, [this] { return !messages_.empty() || !commands_.empty(); });
    }
    std::optional<std::vector<unsigned char>> Pop() {
        std::lock_guard lock(lock_);
        if (messages_.empty()) {
            return std::nullopt;
        }
        auto message = std::move(messages_.front());
        messages_.pop_front();
        return message;
    }
    std::optional<std::string> PopCommand() {
        std::lock_guard lock(lock_);
        if (commands_.empty()) {
            return std::nullopt;
        }
        auto line = std::move(commands_.front());
        commands_.pop_front();
        return line;
    }

private:
    std::mutex lock_;
    std::condition_variable cv_;
    std::deque<std::vector<unsigned char>> messages_;
    std::deque<std::string> commands_;
};

// The longest command line taken from stdin; a longer one is read to its end, dropped and
// answered with an error, so that no input, however long, costs more memory than this.
constexpr std::size_t kCommandLineLimit = 256;
// What the stdin reader hands on in place of a line beyond the limit.
const std::string kOverlongLine(1, '\0');

// Reads the next line of `in` (without its "\n") into `line`; kOverlongLine when it was longer
// than kCommandLineLimit. False at the end of the input.
bool ReadCommandLine(std::istream& in, std::string& line) {
    line.clear();
    bool overlong = false;
    std::streambuf* buffer = in.rdbuf();
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            if (line.empty() && !overlong) {
                return false;
            }
            break; // a last line without its "\n"
        }
        if (c == '\n') {
            break;
        }
        if (line.size() < kCommandLineLimit) {
            line += static_cast<char>(c);
        } else {
            overlong = true;
        }
    }
    if (overlong) {
        line = kOverlongLine;
    }
    return true;
}

// Hands one command line from stdin to the device at `now`: play, sweep or stream (see the
// usage).
void RunCommand(const std::string& line, CDeviceMachine& device, CDeviceMachine::Time now) {
    if (line == kOverlongLine) {
        std::cerr << "kel-device-sim: a command line longer than " << kCommandLineLimit
                  << " bytes was dropped\n";
        Say("error line too long");
        return;
    }
    std::istringstream words(line);
    std::string command;
    std::string name;
    if (!(words >> command)) {
        return; // an empty line
    }
    words >> name;
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const kel::ControllerId id = kel::FindController(upper);
    std::vector<long> numbers;
    for (std::string word; words >> word;) {
        long number = 0;
        if (!ParseNumber(word, 0, 1000000, number)) {
            numbers.clear();
            numbers.push_back(-1);
            break;
        }
        numbers.push_back(number);
    }
    const auto bad = [&](const char* why) {
        std::cerr << "kel-device-sim: " << why << ": " << line << "\n";
        Say("error " + line);
    };
    if (id == kel::kNoController) {
        bad("no such control");
        return;
    }
    if (command == "play") {
        if (numbers.size() != 1 || numbers[0] < 0 || numbers[0] > 127) {
            bad("play needs a value 0..127");
            return;
        }
        device.Play(now, id, static_cast<int>(numbers[0]));
    } else if (command == "sweep") {
        if (!numbers.empty()) {
            bad("sweep takes no value");
            return;
        }
        device.Sweep(now, id);
    } else if (command == "stream") {
        if (numbers.size() != 2 || numbers[0] < 1 || numbers[0] > 20000 || numbers[1] < 1 ||
            numbers[1] > 600) {
            bad("stream needs a rate 1..20000 and seconds 1..600");
            return;
        }
        device.Stream(now, id, static_cast<int>(numbers[0]), static_cast<int>(numbers[1]));
    } else {
        bad("unknown command");
    }
}

void OnInput(double, std::vector<unsigned char>* message, void* user) {
    if (message != nullptr && !message->empty()) {
        static_cast<Inbox*>(user)->Push(*message);
    }
}

std::atomic<bool> g_midiFailed{false};

void QuietError(RtMidiError::Type type, const std::string& text, void*) {
    if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING) {
        std::cerr << "kel-device-sim: " << text << "\n";
        g_midiFailed.store(true);
    }
}

bool SaveMemory(const std::string& path, kel::CParameter& document,
                const kel::RecordTable& memory) {
    document.Map().records = memory;
    if (const kel::Status saved = kel::SaveMapDocument(path, document); !saved) {
        std::cerr << "kel-device-sim: cannot write " << path << ": "
                  << kel::EnglishText(saved.Error().why) << "\n";
        return false;
    }
    return true;
}

class StderrReporter : public kel::Reporter {
public:
    void warn(kel::StringId id, int detail) override {
        std::cerr << "kel-device-sim: " << kel::FormatMessage(id, detail) << "\n";
    }
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int parsed = ParseOptions(argc, argv, options); parsed != 0) {
        return parsed == 1 ? 0 : 2;
    }

    kel::CParameter document;
    CDeviceMachine machine;
    machine.SetTiming(options.timing);
    machine.SetLine(options.line);
    CKelDevice& device = machine.Device();
    if (!options.memory.empty()) {
        StderrReporter reporter;
        if (const kel::Status read =
                kel::ReadMapFile(options.memory, kel::ControlMapKind, document);
            !read) {
            kel::ReportFileFailure(reporter, read.Error(), kel::StringId::LoadError,
                                   options.memory);
            return 1;
        }
        document.FoldTwinCodes();
        device.SetMemory(document.Map().records);
    }
    device.SetFaults(options.faults);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    // JACK now and then refuses a new client while others come and go: the ports are tried a
    // few times before the simulator gives up.
    // Shared with the stdin reader, which may still wait for a line when main returns.
    const auto inboxShared = std::make_shared<Inbox>();
    Inbox& inbox = *inboxShared;
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiOut> out;
    std::string failure;
    for (int attempt = 0; attempt < 5 && !g_stop.load(); ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(200ms);
        }
        // Checked first, so that a missing MIDI system gives one plain line instead of the
        // libraries' complaints.
        if (!kel::MidiSystemReachable(options.api == RtMidi::UNIX_JACK ? kel::MidiApi::Jack
                                                                       : kel::MidiApi::Alsa)) {
            failure = options.api == RtMidi::UNIX_JACK ? "no JACK server is running"
                                                       : "the ALSA sequencer is not available";
            continue;
        }
        g_midiFailed.store(false);
        try {
            // Every RtMidi object is a client of its own, so the two get names of their own.
            in = std::make_unique<RtMidiIn>(options.api, options.name + " in");
            in->setErrorCallback(&QuietError, nullptr);
            out = std::make_unique<RtMidiOut>(options.api, options.name + " out");
            out->setErrorCallback(&QuietError, nullptr);
            in->ignoreTypes(false, true, true);
            in->setCallback(&OnInput, &inbox);
            in->openVirtualPort("midi");
            out->openVirtualPort("midi");
            if (!g_midiFailed.load()) {
                failure.clear();
                break;
            }
            failure = "the ports could not be opened";
        } catch (const RtMidiError& error) {
            failure = error.getMessage();
        }
        in.reset();
        out.reset();
    }
    if (!failure.empty() || !in || !out) {
        std::cerr << "kel-device-sim: " << (failure.empty() ? "stopped" : failure) << "\n";
        return 1;
    }
    // Commands come from stdin; its end (or a terminal never typed at) leaves the device running.
    std::thread([inboxShared] {
        for (std::string line; ReadCommandLine(std::cin, line);) {
            inboxShared->PushCommand(line);
        }
    }).detach();
    Say("ready");

    // The machine's time: since the ports were opened.
    const Clock::time_point origin = Clock::now();
    const auto now = [origin] {
        return std::chrono::duration_cast<CDeviceMachine::Time>(Clock::now() - origin);
    };
    while (!g_stop.load()) {
        auto wake = Clock::now() + 50ms;
        if (const auto due = machine.NextDue()) {
            wake = std::min(wake, origin + std::chrono::duration_cast<Clock::duration>(*due));
        }
        inbox.WaitUntil(wake);
        while (auto command = inbox.PopCommand()) {
            RunCommand(*command, machine, now());
        }
        while (auto message = inbox.Pop()) {
            machine.FromEditor(now(), *message);
        }
        for (const CDeviceMachine::Output& output : machine.TakeDue(now())) {
            if (g_stop.load()) {
                break;
            }
            const std::string control(kel::ControllerName(output.control));
            switch (output.kind) {
            case CDeviceMachine::Output::Kind::Write:
                out->sendMessage(&output.bytes);
                break;
            case CDeviceMachine::Output::Kind::Display:
                Say("display " + output.text);
                break;
            case CDeviceMachine::Output::Kind::Receiving:
                Say("receiving");
                break;
            case CDeviceMachine::Output::Kind::Received:
                Say("received " + std::to_string(output.count));
                if (!options.save.empty() && SaveMemory(options.save, document, device.Memory())) {
                    Say("saved " + options.save);
                }
                break;
            case CDeviceMachine::Output::Kind::Transmitting:
                Say("transmitting " + std::to_string(output.count));
                break;
            case CDeviceMachine::Output::Kind::Sent:
                Say("sent " + std::to_string(output.count));
                break;
            case CDeviceMachine::Output::Kind::Ignored:
                Say("ignored " + std::to_string(output.count) + " bytes");
                break;
            case CDeviceMachine::Output::Kind::Played:
                Say("played " + control);
                break;
            case CDeviceMachine::Output::Kind::Swept:
                Say("swept " + control);
                break;
            case CDeviceMachine::Output::Kind::Streamed:
                Say("streamed " + control + " " + std::to_string(output.count));
                break;
            }
        }
    }

    in->cancelCallback();
    in->closePort();
    out->closePort();
    Say("stopped");
    return 0;
}

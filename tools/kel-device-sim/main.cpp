// SPDX-License-Identifier: GPL-3.0-or-later
// kel-device-sim: a KEL device on a pair of virtual MIDI ports. It answers the editor's two
// mode messages as the device does: after the transmit mode message and [ENTER] (pressed for
// the user after --enter-delay) it stores the bulk messages it receives; after the receive mode
// message and [ENTER] it sends its 50 records. Commands on stdin move its controls, so that it
// sends what its memory assigns to them. It reports what happens on stdout, one line per
// event, and ends cleanly on SIGINT or SIGTERM.
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
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "files/mapfile.h"
#include "midi/rtmidi/rtmidibackend.h"
#include "model/controllers.h"
#include "model/parameter.h"
#include "protocol/keldevice.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
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
    std::chrono::milliseconds enterDelay{1000};
    std::chrono::milliseconds gap{10};
    std::size_t chunk = 0; // bytes per write; 0: a message in one write
    bool autoEnter = true;
    CKelDevice::Faults faults;
    int flood = 0;           // foreign items among the bulk messages sent
    unsigned floodKinds = 0; // FloodKind bits; 0: every kind
    std::uint32_t seed = 1;
    std::size_t endlessSize = 0; // data bytes of the endless item; 0: 8..32 KB at random
};

// What a flood of foreign traffic is made of (--flood-kinds).
enum FloodKind : unsigned {
    FloodSysex = 1u << 0,    // another maker's system exclusive, 4..120 data bytes, then a
                             // realtime byte
    FloodLong = 1u << 1,     // another maker's system exclusive, 121..4000 data bytes
    FloodShort = 1u << 2,    // a channel message
    FloodRealtime = 1u << 3, // realtime bytes on their own
    FloodRtInside = 1u << 4, // a system exclusive with realtime bytes written inside it
    FloodSplit = 1u << 5,    // a system exclusive written in pieces
    FloodFragment = 1u << 6, // the start of a system exclusive that never gets its F7
    FloodEndless = 1u << 7,  // once, first: F0 and 8..32 KB of data that never end
    FloodBulkRt = 1u << 8,   // a bulk message written in pieces with realtime bytes between
};

struct FloodKindName {
    const char* name;
    FloodKind kind;
};
constexpr FloodKindName kFloodKinds[] = {
    {"sysex", FloodSysex},       {"long", FloodLong},          {"short", FloodShort},
    {"realtime", FloodRealtime}, {"rt-inside", FloodRtInside}, {"split", FloodSplit},
    {"fragment", FloodFragment}, {"endless", FloodEndless},    {"bulk-rt", FloodBulkRt},
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
            options.autoEnter = false;
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
            options.enterDelay = std::chrono::milliseconds(number);
        } else if (arg == "--gap" && ParseNumber(*v, 0, 10000, number)) {
            options.gap = std::chrono::milliseconds(number);
        } else if (arg == "--chunk" && ParseNumber(*v, 1, 512, number)) {
            options.chunk = static_cast<std::size_t>(number);
        } else if (arg == "--fault" && ParseFault(*v, options.faults)) {
        } else if (arg == "--flood" && ParseNumber(*v, 0, 1000000, number)) {
            options.flood = static_cast<int>(number);
        } else if (arg == "--flood-kinds" && ParseFloodKinds(*v, options.floodKinds)) {
        } else if (arg == "--endless-size" && ParseNumber(*v, 1024, 1L << 28, number)) {
            options.endlessSize = static_cast<std::size_t>(number);
        } else if (arg == "--seed" && ParseNumber(*v, 0, 0x7FFFFFFF, number)) {
            options.seed = static_cast<std::uint32_t>(number);
        } else {
            std::cerr << "kel-device-sim: bad option " << arg << " " << *v << "\n" << kUsage;
            return 2;
        }
    }
    if (options.chunk > 0 && options.api != RtMidi::UNIX_JACK) {
        // RtMidi's ALSA output refuses a system-exclusive piece without its closing F7.
        std::cerr << "kel-device-sim: --chunk needs --api jack\n";
        return 2;
    }
    if (options.flood > 0 && options.api != RtMidi::UNIX_JACK) {
        // Pieces and unterminated messages cannot be written through ALSA.
        std::cerr << "kel-device-sim: --flood needs --api jack\n";
        return 2;
    }
    return 0;
}

// Writes one message, in pieces of `chunk` bytes when set.
void Send(RtMidiOut& out, const std::vector<unsigned char>& message, std::size_t chunk) {
    if (chunk == 0 || chunk >= message.size()) {
        out.sendMessage(&message);
        return;
    }
    for (std::size_t offset = 0; offset < message.size(); offset += chunk) {
        const auto end =
            message.begin() + static_cast<std::ptrdiff_t>(std::min(offset + chunk, message.size()));
        const std::vector<unsigned char> piece(
            message.begin() + static_cast<std::ptrdiff_t>(offset), end);
        out.sendMessage(&piece);
    }
}

using Write = std::vector<unsigned char>;
using Item = std::vector<Write>; // the writes of one piece of foreign traffic, back to back

// Foreign traffic among the messages of one transmission: what is written before message i,
// and which messages go out in pieces with realtime bytes between them.
struct FloodPlan {
    std::vector<std::vector<Item>> before;
    std::vector<bool> realtimeInside;
};

class FloodMaker {
public:
    FloodMaker(std::uint32_t seed, unsigned kinds, std::size_t endlessSize)
        : rng_(seed), kinds_(kinds), endlessSize_(endlessSize) {}

    FloodPlan Plan(int count, std::size_t messages) {
        FloodPlan plan;
        plan.before.resize(messages);
        plan.realtimeInside.assign(messages, false);
        if (messages == 0) {
            return plan;
        }
        std::vector<FloodKind> kinds;
        for (const auto& k : kFloodKinds) {
            if ((kinds_ & k.kind) != 0 && k.kind != FloodEndless) {
                kinds.push_back(k.kind);
            }
        }
        if ((kinds_ & FloodEndless) != 0 && count > 0) {
            plan.before[0].push_back(Endless());
            --count;
        }
        for (int i = 0; i < count && !kinds.empty(); ++i) {
            const FloodKind kind = kinds[Uniform(0, kinds.size() - 1)];
            const std::size_t at = Uniform(0, messages - 1);
            if (kind == FloodBulkRt) {
                plan.realtimeInside[at] = true;
            } else {
                plan.before[at].push_back(Make(kind));
            }
        }
        return plan;
    }

    // A message written in 2..4 pieces with a realtime byte between each two.
    Item WithRealtimeInside(const Write& message) {
        Item item;
        std::size_t offset = 0;
        const std::size_t pieces = Uniform(2, 4);
        for (std::size_t p = 1; p <= pieces; ++p) {
            const std::size_t end =
                p == pieces ? message.size() : Uniform(offset + 1, message.size() - (pieces - p));
            item.emplace_back(message.begin() + static_cast<std::ptrdiff_t>(offset),
                              message.begin() + static_cast<std::ptrdiff_t>(end));
            if (p < pieces) {
                item.push_back({Realtime()});
            }
            offset = end;
        }
        return item;
    }

private:
    std::size_t Uniform(std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high)(rng_);
    }
    unsigned char Data() { return static_cast<unsigned char>(Uniform(0, 0x7F)); }
    unsigned char Realtime() {
        static constexpr unsigned char kBytes[] = {0xF8, 0xFA, 0xFB, 0xFC, 0xFE, 0xFF};
        return kBytes[Uniform(0, std::size(kBytes) - 1)];
    }
    // F0, a maker other than the KEL's, `data` - 1 more data bytes; F7 when `terminated`.
    Write Sysex(std::size_t data, bool terminated = true) {
        Write message{0xF0};
        unsigned char maker = 0x41;
        while (maker == 0x41) {
            maker = static_cast<unsigned char>(Uniform(1, 0x7F));
        }
        message.push_back(maker);
        for (std::size_t i = 1; i < data; ++i) {
            message.push_back(Data());
        }
        if (terminated) {
            message.push_back(0xF7);
        }
        return message;
    }
    Item Pieces(const Write& message, std::size_t most) {
        Item item;
        for (std::size_t offset = 0; offset < message.size();) {
            const std::size_t end = std::min(message.size(), offset + Uniform(1, most));
            item.emplace_back(message.begin() + static_cast<std::ptrdiff_t>(offset),
                              message.begin() + static_cast<std::ptrdiff_t>(end));
            offset = end;
        }
        return item;
    }
    Item Endless() {
        Write message =
            Sysex(endlessSize_ > 0 ? endlessSize_ : Uniform(8 * 1024, 32 * 1024), false);
        return Pieces(message, 512);
    }

    Item Make(FloodKind kind) {
        switch (kind) {
        case FloodSysex:
            return {Sysex(Uniform(4, 120)), {Realtime()}};
        case FloodLong:
            return {Sysex(Uniform(121, 4000))};
        case FloodShort: {
            const auto status = static_cast<unsigned char>(Uniform(0x80, 0xEF));
            Write message{status, Data()};
            if ((status & 0xE0) != 0xC0) {
                message.push_back(Data());
            }
            return {message};
        }
        case FloodRealtime:
            return {{Realtime()}};
        case FloodRtInside: {
            Write message = Sysex(Uniform(4, 120));
            if (Uniform(0, 1) == 0) {
                // In the same write, as a merging device would put them on one line.
                message.insert(message.begin() +
                                   static_cast<std::ptrdiff_t>(Uniform(1, message.size() - 1)),
                               Realtime());
                return {message};
            }
            return WithRealtimeInside(message);
        }
        case FloodSplit:
            return Pieces(Sysex(Uniform(4, 400)), 32);
        case FloodFragment:
            return {Sysex(Uniform(2, 200), false)};
        default:
            return {};
        }
    }

    std::mt19937 rng_;
    unsigned kinds_;
    std::size_t endlessSize_;
};

// Writes an item, paced so that JACK's buffers take it: about 100 KB a second.
void WriteItem(RtMidiOut& out, const Item& item, std::size_t& budget) {
    for (const Write& write : item) {
        out.sendMessage(&write);
        budget += write.size() + 16;
        if (budget >= 1024) {
            budget = 0;
            std::this_thread::sleep_for(10ms);
        }
    }
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

// Sends what control `id` sends at `value`; the number of messages.
std::size_t PlayControl(RtMidiOut& out, const CKelDevice& device, kel::ControllerId id, int value,
                        std::size_t chunk) {
    const std::vector<CKelDevice::Message> messages = device.Play(id, value);
    for (const auto& message : messages) {
        Send(out, message, chunk);
    }
    return messages.size();
}

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

// Runs one command line from stdin: play, sweep or stream (see the usage).
void RunCommand(const std::string& line, RtMidiOut& out, const CKelDevice& device,
                std::size_t chunk) {
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
        PlayControl(out, device, id, static_cast<int>(numbers[0]), chunk);
        Say("played " + upper);
    } else if (command == "sweep") {
        if (!numbers.empty()) {
            bad("sweep takes no value");
            return;
        }
        for (int value = 0; value <= 127 && !g_stop.load(); ++value) {
            PlayControl(out, device, id, value, chunk);
            // Paced as a hand moving the control quickly, so that no buffer on the way fills.
            std::this_thread::sleep_for(1ms);
        }
        Say("swept " + upper);
    } else if (command == "stream") {
        if (numbers.size() != 2 || numbers[0] < 1 || numbers[0] > 20000 || numbers[1] < 1 ||
            numbers[1] > 600) {
            bad("stream needs a rate 1..20000 and seconds 1..600");
            return;
        }
        const auto period = std::chrono::nanoseconds(1000000000 / numbers[0]);
        const long count = numbers[0] * numbers[1];
        auto due = Clock::now();
        std::size_t sent = 0;
        for (long i = 0; i < count && !g_stop.load(); ++i) {
            sent += PlayControl(out, device, id, static_cast<int>(i % 128), chunk);
            due += period;
            std::this_thread::sleep_until(due);
        }
        Say("streamed " + upper + " " + std::to_string(sent));
    } else {
        bad("unknown command");
    }
}

void OnInput(double, std::vector<unsigned char>* message, void* user) {
    if (message != nullptr && !message->empty() && message->front() == 0xF0) {
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
    CKelDevice device;
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

    // When the simulated user presses [ENTER]; Clock::time_point::max() while nobody will.
    constexpr Clock::time_point kNever = Clock::time_point::max();
    Clock::time_point enterAt = kNever;
    std::deque<CKelDevice::Message> outgoing;
    Clock::time_point nextSend = Clock::now();
    int sent = 0;
    FloodMaker flood(options.seed, options.floodKinds == 0 ? ~0u : options.floodKinds,
                     options.endlessSize);
    FloodPlan plan;
    std::size_t floodBudget = 0;

    while (!g_stop.load()) {
        auto wake = Clock::now() + 50ms;
        wake = std::min(wake, enterAt);
        if (!outgoing.empty() && nextSend < wake) {
            wake = nextSend;
        }
        inbox.WaitUntil(wake);
        while (auto command = inbox.PopCommand()) {
            RunCommand(*command, *out, device, options.chunk);
        }
        if (auto message = inbox.Pop()) {
            switch (device.OnMessage(*message)) {
            case CKelDevice::Event::AwaitingEnter:
                outgoing.clear();
                Say(std::string("display ") + std::string(device.Display()));
                enterAt = options.autoEnter ? Clock::now() + options.enterDelay : kNever;
                break;
            case CKelDevice::Event::RecordStored:
                break;
            case CKelDevice::Event::ReceiveComplete:
                Say("received " + std::to_string(kel::kControllerCount));
                if (!options.save.empty() && SaveMemory(options.save, document, device.Memory())) {
                    Say("saved " + options.save);
                }
                break;
            default:
                Say("ignored " + std::to_string(message->size()) + " bytes");
                break;
            }
        }
        const auto now = Clock::now();
        if (enterAt <= now) {
            enterAt = kNever;
            std::vector<CKelDevice::Message> messages;
            const auto event = device.PressEnter(messages);
            if (event == CKelDevice::Event::ReceiveStarted) {
                Say("receiving");
            } else if (event == CKelDevice::Event::TransmitStarted) {
                Say("transmitting " + std::to_string(messages.size()));
                outgoing.assign(messages.begin(), messages.end());
                plan = options.flood > 0 ? flood.Plan(options.flood, messages.size()) : FloodPlan{};
                nextSend = now + options.gap;
                sent = 0;
            }
        }
        if (!outgoing.empty() && nextSend <= Clock::now()) {
            const auto index = static_cast<std::size_t>(sent);
            if (index < plan.before.size()) {
                for (const Item& item : plan.before[index]) {
                    if (g_stop.load()) {
                        break;
                    }
                    WriteItem(*out, item, floodBudget);
                }
            }
            if (index < plan.realtimeInside.size() && plan.realtimeInside[index]) {
                WriteItem(*out, flood.WithRealtimeInside(outgoing.front()), floodBudget);
            } else {
                Send(*out, outgoing.front(), options.chunk);
            }
            outgoing.pop_front();
            ++sent;
            nextSend = Clock::now() + options.gap;
            if (outgoing.empty()) {
                Say("sent " + std::to_string(sent));
            }
        }
    }

    in->cancelCallback();
    in->closePort();
    out->closePort();
    Say("stopped");
    return 0;
}

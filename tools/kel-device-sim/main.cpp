// kel-device-sim: a KEL device on a pair of virtual MIDI ports. It answers the editor's two
// mode messages as the device does: after the transmit mode message and [ENTER] (pressed for
// the user after --enter-delay) it stores the bulk messages it receives; after the receive mode
// message and [ENTER] it sends its 50 records. It reports what happens on stdout, one line per
// event, and ends cleanly on SIGINT or SIGTERM.
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "files/mapfile.h"
#include "midi/keldevice.h"
#include "midi/rtmidi/rtmidibackend.h"
#include "model/parameter.h"

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
    "  --chunk BYTES         send each message in pieces of BYTES (1..512) bytes, one\n"
    "                        write per piece (JACK only; ALSA writes whole messages)\n"
    "  --help                show this text\n";

bool ParseNumber(const std::string& text, long min, long max, long& value) {
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || parsed < min || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseFault(const std::string& text, CKelDevice::Faults& faults) {
    if (text == "twins") {
        faults.twinCodes = true;
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

void Say(const std::string& line) {
    std::cout << line << std::endl; // one line per event, flushed for whoever watches
}

// Messages from the input callback, handed to the main loop.
class Inbox {
public:
    void Push(std::vector<unsigned char> message) {
        {
            std::lock_guard lock(lock_);
            messages_.push_back(std::move(message));
        }
        cv_.notify_one();
    }
    std::optional<std::vector<unsigned char>> PopUntil(Clock::time_point until) {
        std::unique_lock lock(lock_);
        cv_.wait_until(lock, until, [this] { return !messages_.empty(); });
        if (messages_.empty()) {
            return std::nullopt;
        }
        auto message = std::move(messages_.front());
        messages_.pop_front();
        return message;
    }

private:
    std::mutex lock_;
    std::condition_variable cv_;
    std::deque<std::vector<unsigned char>> messages_;
};

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
    const kel::SafeSaveResult saved = kel::SaveMapDocument(path, document);
    if (!saved.Ok()) {
        std::cerr << "kel-device-sim: cannot write " << path << " (" << saved.cause << ")\n";
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
        if (kel::ReadMapFile(options.memory, kel::ControlMapKind, document, &reporter) != 0) {
            return 1;
        }
        document.FoldTwinCodes();
        device.SetMemory(document.Map().records);
    }
    device.SetFaults(options.faults);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    // Checked first, so that a missing MIDI system gives one plain line instead of the
    // libraries' complaints.
    if (!kel::MidiSystemReachable(options.api == RtMidi::UNIX_JACK ? kel::MidiApi::Jack
                                                                   : kel::MidiApi::Alsa)) {
        std::cerr << (options.api == RtMidi::UNIX_JACK
                          ? "kel-device-sim: no JACK server is running\n"
                          : "kel-device-sim: the ALSA sequencer is not available\n");
        return 1;
    }

    Inbox inbox;
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiOut> out;
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
    } catch (const RtMidiError& error) {
        std::cerr << "kel-device-sim: " << error.getMessage() << "\n";
        return 1;
    }
    if (g_midiFailed.load()) {
        return 1;
    }
    Say("ready");

    // When the simulated user presses [ENTER]; Clock::time_point::max() while nobody will.
    constexpr Clock::time_point kNever = Clock::time_point::max();
    Clock::time_point enterAt = kNever;
    std::deque<CKelDevice::Message> outgoing;
    Clock::time_point nextSend = Clock::now();
    int sent = 0;

    while (!g_stop.load()) {
        auto wake = Clock::now() + 50ms;
        wake = std::min(wake, enterAt);
        if (!outgoing.empty() && nextSend < wake) {
            wake = nextSend;
        }
        if (auto message = inbox.PopUntil(wake)) {
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
                nextSend = now + options.gap;
                sent = 0;
            }
        }
        if (!outgoing.empty() && nextSend <= Clock::now()) {
            Send(*out, outgoing.front(), options.chunk);
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

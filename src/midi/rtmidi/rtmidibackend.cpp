// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/rtmidi/rtmidibackend.h"

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#ifdef KEL_HAVE_JACK
#include <jack/jack.h>
#include <jack/midiport.h>
#endif
#ifdef KEL_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace kel {
namespace {

// Collects RtMidi's reports instead of letting it print them or throw.
struct ErrorSink {
    bool failed = false;
    RtMidiError::Type type = RtMidiError::UNSPECIFIED;

    static void Report(RtMidiError::Type type, const std::string&, void* user) {
        auto* sink = static_cast<ErrorSink*>(user);
        if (sink == nullptr || type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING) {
            return; // RtMidi goes on after a warning
        }
        sink->failed = true;
        sink->type = type;
    }
    void Clear() { failed = false; }
    // The code shown in "(%d)": RtMidi's error type, never 0.
    int Code() const { return std::max(1, static_cast<int>(type)); }
};

int CodeOf(const RtMidiError& error) {
    return std::max(1, static_cast<int>(error.getType()));
}

RtMidi::Api RtApi(MidiApi api) {
    return api == MidiApi::Jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
}

#ifdef KEL_HAVE_JACK
void SilentJack(const char*) {}
#endif
#ifdef KEL_HAVE_ALSA
void SilentAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

// The libraries below RtMidi print their own complaints; the editor reports failures itself.
void QuietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
#ifdef KEL_HAVE_JACK
        jack_set_error_function(SilentJack);
        jack_set_info_function(SilentJack);
#endif
#ifdef KEL_HAVE_ALSA
        snd_lib_error_set_handler(SilentAlsa);
#endif
    });
}

// An ALSA input through RtMidi, which decodes the sequencer's events on a thread of its own. It
// collects a system-exclusive message until its F7 before handing it over, so a message that
// never ends grows RtMidi's buffer; the JACK input below is the editor's own and does not.
class RtInputPort : public MidiInputPort {
public:
    RtInputPort(std::unique_ptr<RtMidiIn> in, MidiInputHandler& handler)
        : in_(std::move(in)), handler_(&handler) {}
    ~RtInputPort() override { Close(); }

    RtMidiIn& Device() { return *in_; }
    ErrorSink& Errors() { return errors_; }

    int Start() override {
        std::lock_guard lock(lock_);
        if (handler_ == nullptr) {
            return MidiErrNotOpen;
        }
        started_ = true;
        return MidiErrNone;
    }
    int Stop() override {
        std::lock_guard lock(lock_);
        started_ = false;
        return handler_ == nullptr ? MidiErrNotOpen : MidiErrNone;
    }
    // RtMidi hands over whole messages only: nothing is ever half-received here.
    void Reset() override {}
    void Close() override {
        {
            std::lock_guard lock(lock_);
            handler_ = nullptr;
            started_ = false;
        }
        // Not under the lock: closing waits for RtMidi's input thread, which may be waiting
        // for the lock in Deliver. The callback stays registered until the port is gone: taking
        // it away first races with a delivery already under way, which could then call
        // through a cleared callback or with a cleared user pointer. Deliver ignores what comes
        // once the handler is gone, and this object outlives the RtMidiIn.
        if (in_) {
            try {
                in_->closePort();
            } catch (const RtMidiError&) {
            }
            in_.reset();
        }
    }

    static void Deliver(double, std::vector<unsigned char>* message, void* user) {
        auto* self = static_cast<RtInputPort*>(user);
        // Everything goes to the input, which frames it: a long message may come in pieces
        // (the later ones without F0), and a status byte between them ends it.
        if (message == nullptr || message->empty()) {
            return;
        }
        std::lock_guard lock(self->lock_);
        if (self->started_ && self->handler_ != nullptr) {
            self->handler_->OnLongInput(message->data(), message->size());
        }
    }

private:
    std::unique_ptr<RtMidiIn> in_;
    ErrorSink errors_;
    std::mutex lock_;
    MidiInputHandler* handler_;
    bool started_ = false;
};

// An ALSA output: RtMidi hands each message to the sequencer in the calling thread and has no
// thread of its own, so closing it cannot race with anything.
class RtOutputPort : public MidiOutputPort {
public:
    RtOutputPort(std::unique_ptr<RtMidiOut> out, MidiOutputHandler& handler)
        : out_(std::move(out)), handler_(handler) {}
    ~RtOutputPort() override { Close(); }

    RtMidiOut& Device() { return *out_; }
    ErrorSink& Errors() { return errors_; }

    int SendLong(MidiHeaderBuffer* header) override {
        if (!out_ || header == nullptr) {
            return MidiErrNotOpen;
        }
        errors_.Clear();
        try {
            out_->sendMessage(header->data.data(), header->bytesRecorded);
        } catch (const RtMidiError& error) {
            return CodeOf(error);
        }
        if (errors_.failed) {
            return errors_.Code();
        }
        // RtMidi has handed the message to the system: it is finished as far as we can tell.
        header->flags = (header->flags & ~MidiHeaderBuffer::InQueue) | MidiHeaderBuffer::Done;
        handler_.OnLongMsgDone(header);
        return MidiErrNone;
    }
    void Close() override {
        if (out_) {
            try {
                out_->closePort();
            } catch (const RtMidiError&) {
            }
            out_.reset();
        }
    }

private:
    std::unique_ptr<RtMidiOut> out_;
    ErrorSink errors_;
    MidiOutputHandler& handler_;
};

#ifdef KEL_HAVE_JACK
// Opens a client of a running server (never starts one). A busy server now and then refuses a
// new client, as when its answer comes late on a loaded machine: the open is tried three times
// before the server counts as not there.
jack_client_t* OpenJackClientRetrying(const std::string& name) {
    for (int attempt = 0;; ++attempt) {
        jack_status_t status{};
        if (jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, &status)) {
            return client;
        }
        if (attempt == 2) {
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// Closing a client deactivates it first and returns only once the process thread has left the
// callback for good. It runs under the JACK library's own lock, which a separate
// jack_deactivate does not take: with clients of other threads opening and closing at the same
// time, that one crashed.
void CloseJackClient(jack_client_t*& client) {
    if (client != nullptr) {
        jack_client_close(client);
        client = nullptr;
    }
}

// Opens a JACK client of its own for one port of the editor: `portName` ("In" or "Out") with
// `flags`, `process` called once per cycle with `arg`, and connected to `peer` (a full JACK port
// name: the source of an input, the target of an output). 0, or an error code; nothing stays
// open on failure. `prepare`, when given, sets further callbacks of the client before it is
// activated (0 for success).
int OpenJackClient(const std::string& clientName, const char* portName, unsigned long flags,
                   const std::string& peer, JackProcessCallback process, void* arg,
                   jack_client_t*& client, jack_port_t*& port,
                   int (*prepare)(jack_client_t*, void*) = nullptr) {
    client = OpenJackClientRetrying(clientName);
    if (client == nullptr) {
        return MidiErrSystem;
    }
    int error = MidiErrNone;
    port = jack_port_register(client, portName, JACK_DEFAULT_MIDI_TYPE, flags, 0);
    if (jack_port_by_name(client, peer.c_str()) == nullptr) {
        error = MidiErrBadPort; // gone between list and open
    } else if (port == nullptr || jack_set_process_callback(client, process, arg) != 0 ||
               (prepare != nullptr && prepare(client, arg) != 0) || jack_activate(client) != 0) {
        error = MidiErrSystem;
    } else {
        const bool input = (flags & JackPortIsInput) != 0;
        const char* own = jack_port_name(port);
        const int connected = input ? jack_connect(client, peer.c_str(), own)
                                    : jack_connect(client, own, peer.c_str());
        if (connected != 0 && connected != EEXIST) {
            error = MidiErrBadPort;
        }
    }
    if (error != MidiErrNone) {
        CloseJackClient(client);
        port = nullptr;
    }
    return error;
}

// JACK moves MIDI data once per process cycle, and a new connection takes effect only from a
// later cycle: a message sent at once after opening, or closed away right after sending, can be
// lost. A JACK output therefore lets a short settling time and two of its cycles pass after its
// opening before the first message, and after its last message has been taken before it
// closes. Counting cycles keeps this right on a loaded machine, where cycles come late; the
// limit keeps a stalled server from holding the transfer.
constexpr auto kJackSettle = std::chrono::milliseconds(60);
constexpr auto kJackCycleLimit = std::chrono::seconds(1);

// A JACK output of its own JACK client. JACK's process thread takes the messages from a
// lock-free queue and writes them into the port's buffer, all at the start of the next cycle.
// Closing closes the client first, which waits for a cycle under way to end,
// and only then is anything the process thread uses given up.
class JackOutputPort : public MidiOutputPort {
public:
    explicit JackOutputPort(MidiOutputHandler& handler) : handler_(handler) {}
    ~JackOutputPort() override { Close(); }

    // Opens the client `clientName` with the port "Out" and connects it to the input port
    // `target` (a full JACK port name). 0, or an error code; nothing stays open on failure.
    int Open(const std::string& clientName, const std::string& target) {
        const int error = OpenJackClient(clientName, "Out", JackPortIsOutput, target, &Process,
                                         this, client_, port_);
        if (error == MidiErrNone) {
            openedAt_ = std::chrono::steady_clock::now();
            connectedCycle_ = cycles_.load(std::memory_order_acquire);
        }
        return error;
    }

    int SendLong(MidiHeaderBuffer* header) override {
        if (client_ == nullptr || header == nullptr) {
            return MidiErrNotOpen;
        }
        std::this_thread::sleep_until(openedAt_ + kJackSettle);
        WaitForCycle(connectedCycle_ + 2, openedAt_ + kJackCycleLimit);
        {
            std::lock_guard lock(sendLock_);
            const std::size_t head = head_.load(std::memory_order_relaxed);
            if (head - tail_.load(std::memory_order_acquire) >= kSlots) {
                return MidiErrSystem; // the queue is full: not sent, so not reported finished
            }
            Slot& slot = slots_[head % kSlots];
            slot.size = std::min<std::uint32_t>(header->bytesRecorded, MidiHeaderBuffer::kCapacity);
            std::memcpy(slot.bytes.data(), header->data.data(), slot.size);
            head_.store(head + 1, std::memory_order_release);
            lastSend_ = std::chrono::steady_clock::now();
        }
        // Queued for the next cycle: it is finished as far as we can tell.
        header->flags = (header->flags & ~MidiHeaderBuffer::InQueue) | MidiHeaderBuffer::Done;
        handler_.OnLongMsgDone(header);
        return MidiErrNone;
    }

    void Close() override {
        if (client_ == nullptr) {
            return;
        }
        if (lastSend_) {
            std::this_thread::sleep_until(*lastSend_ + kJackSettle);
            const auto limit = std::chrono::steady_clock::now() + kJackCycleLimit;
            while (tail_.load(std::memory_order_acquire) != head_.load(std::memory_order_relaxed) &&
                   std::chrono::steady_clock::now() < limit) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            WaitForCycle(cycles_.load(std::memory_order_acquire) + 2, limit);
        }
        CloseClient();
    }

private:
    struct Slot {
        std::uint32_t size = 0;
        std::array<std::uint8_t, MidiHeaderBuffer::kCapacity> bytes{};
    };
    // Far more than the paced transfers ever have waiting.
    static constexpr std::size_t kSlots = 32;

    // Waits until the process thread has run `cycle` cycles, or until `limit`.
    void WaitForCycle(std::uint64_t cycle, std::chrono::steady_clock::time_point limit) const {
        while (cycles_.load(std::memory_order_acquire) < cycle &&
               std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    void CloseClient() {
        CloseJackClient(client_);
        port_ = nullptr;
        // The last cycle's reads happen before what follows (the release in Process).
        (void)cycles_.load(std::memory_order_acquire);
    }

    // JACK's process thread, once per cycle: real-time, so no locks and no allocation.
    static int Process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<JackOutputPort*>(arg);
        void* buffer = jack_port_get_buffer(self->port_, frames);
        jack_midi_clear_buffer(buffer);
        std::size_t tail = self->tail_.load(std::memory_order_relaxed);
        const std::size_t head = self->head_.load(std::memory_order_acquire);
        for (; tail != head; ++tail) {
            const Slot& slot = self->slots_[tail % kSlots];
            jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, slot.size);
            if (event == nullptr) {
                if (jack_midi_get_event_count(buffer) > 0) {
                    break; // the cycle's buffer is full: the rest goes in the next cycle
                }
                continue; // a message no cycle could hold is dropped, not left to block the rest
            }
            std::memcpy(event, slot.bytes.data(), slot.size);
        }
        self->tail_.store(tail, std::memory_order_release);
        self->cycles_.fetch_add(1, std::memory_order_release);
        return 0;
    }

    MidiOutputHandler& handler_;
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::array<Slot, kSlots> slots_{};
    std::atomic<std::size_t> head_{0};     // next slot to fill; written by the sending thread
    std::atomic<std::size_t> tail_{0};     // next slot to send; written by the process thread
    std::atomic<std::uint64_t> cycles_{0}; // cycles run: orders the last one before the close
    std::mutex sendLock_;                  // one sending thread at a time
    std::chrono::steady_clock::time_point openedAt_{};
    std::uint64_t connectedCycle_ = 0;
    std::optional<std::chrono::steady_clock::time_point> lastSend_;
};

// A JACK input of its own JACK client. JACK hands each cycle's events to the process callback,
// which passes them to the handler as they are: whole messages or pieces of a long one, of at
// most one cycle's buffer each. Nothing is collected here, so a system-exclusive message that
// never ends costs no memory beyond the input's own cap. (RtMidi's JACK input collects such a
// message until its F7, without a limit.) The handler is reached only under the port's lock,
// which the process thread only tries to take: it never waits for Start, Stop or Close.
class JackInputPort : public MidiInputPort {
public:
    explicit JackInputPort(MidiInputHandler& handler) : handler_(handler) {}
    ~JackInputPort() override { Close(); }

    // Opens the client `clientName` with the port "In" and connects the output port `source`
    // (a full JACK port name) to it. 0, or an error code; nothing stays open on failure.
    int Open(const std::string& clientName, const std::string& source) {
        std::lock_guard lock(lock_);
        // The notifications are set before the client is activated, as JACK requires.
        const int error = OpenJackClient(clientName, "In", JackPortIsInput, source, &Process, this,
                                         client_, port_, [](jack_client_t* client, void* arg) {
                                             jack_on_shutdown(client, &Shutdown, arg);
                                             return jack_set_port_connect_callback(
                                                 client, &ConnectionChanged, arg);
                                         });
        return error;
    }

    int Start() override {
        std::lock_guard lock(lock_);
        if (client_ == nullptr) {
            return MidiErrNotOpen;
        }
        started_ = true;
        return MidiErrNone;
    }
    int Stop() override {
        std::lock_guard lock(lock_);
        started_ = false;
        return client_ == nullptr ? MidiErrNotOpen : MidiErrNone;
    }
    // Every event is handed over in the cycle it came in: nothing is ever half-received here.
    void Reset() override {}
    void Close() override {
        jack_client_t* client = nullptr;
        {
            std::lock_guard lock(lock_);
            started_ = false;
            std::swap(client, client_);
        }
        // Not under the lock, which a cycle under way may be trying to take.
        CloseJackClient(client);
        std::lock_guard lock(lock_); // orders the last cycle before whatever follows
        port_ = nullptr;
    }

private:
    // JACK's process thread, once per cycle: real-time, so it never waits for the lock.
    static int Process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<JackInputPort*>(arg);
        std::unique_lock lock(self->lock_, std::try_to_lock);
        if (!lock.owns_lock() || !self->started_ || self->port_ == nullptr) {
            return 0; // starting, stopping or closing right now
        }
        // A connection went away somewhere: when it was the port's last one, its source is
        // gone (unregistered, its client closed, or disconnected by the user).
        if (self->connectionsChanged_.exchange(false) && jack_port_connected(self->port_) == 0) {
            self->ReportLost();
        }
        void* buffer = jack_port_get_buffer(self->port_, frames);
        const jack_nframes_t count = jack_midi_get_event_count(buffer);
        for (jack_nframes_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) == 0 && event.size > 0) {
                self->handler_.OnLongInput(event.buffer, event.size);
            }
        }
        return 0;
    }

    // JACK's notification thread, on any connection made or broken in the graph. It takes
    // no lock and calls nothing of JACK's (which could wait for the server); the next cycle
    // looks at the port's connections.
    static void ConnectionChanged(jack_port_id_t, jack_port_id_t, int connect, void* arg) {
        if (connect == 0) {
            static_cast<JackInputPort*>(arg)->connectionsChanged_ = true;
        }
    }

    // The server stops: no cycle will follow, so it is told from here. The lock is held only
    // briefly by Start, Stop and Close (never while JACK is called), so waiting for it is safe.
    static void Shutdown(void* arg) {
        auto* self = static_cast<JackInputPort*>(arg);
        std::lock_guard lock(self->lock_);
        if (self->client_ != nullptr) {
            self->ReportLost();
        }
    }

    void ReportLost() {
        if (!lostReported_.exchange(true)) {
            handler_.OnPortLost();
        }
    }

    MidiInputHandler& handler_;
    std::mutex lock_;
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    bool started_ = false;
    std::atomic<bool> connectionsChanged_{false};
    std::atomic<bool> lostReported_{false};
};
#endif

} // namespace

bool ParseMidiApi(std::string_view text, MidiApi& api) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "alsa") {
        api = MidiApi::Alsa;
        return true;
    }
    if (lower == "jack") {
        api = MidiApi::Jack;
        return true;
    }
    return false;
}

std::string_view MidiApiName(MidiApi api) {
    return api == MidiApi::Jack ? "jack" : "alsa";
}

bool MidiSystemReachable(MidiApi api) {
    QuietLibraries();
    if (api == MidiApi::Alsa) {
#ifdef KEL_HAVE_ALSA
        snd_seq_t* seq = nullptr;
        if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0) {
            return false;
        }
        snd_seq_close(seq);
        return true;
#else
        return access("/dev/snd/seq", R_OK | W_OK) == 0;
#endif
    }
#ifdef KEL_HAVE_JACK
    // Never starts a server: a missing one only means there are no JACK ports.
    jack_client_t* client = OpenJackClientRetrying("kel-probe");
    if (client == nullptr) {
        return false;
    }
    jack_client_close(client);
    return true;
#else
    return false;
#endif
}

CRtMidiBackend::CRtMidiBackend(MidiApi api, std::string clientName)
    : api_(api), clientName_(std::move(clientName)) {}

CRtMidiBackend::~CRtMidiBackend() = default;

std::string CRtMidiBackend::ListedName(MidiApi api, const std::string& systemName) {
    if (api != MidiApi::Alsa) {
        return systemName;
    }
    // "client:port name 20:0" -> "client:port name"
    const auto blank = systemName.rfind(' ');
    if (blank == std::string::npos) {
        return systemName;
    }
    const std::string tail = systemName.substr(blank + 1);
    const auto colon = tail.find(':');
    const auto digits = [](const std::string& s) {
        return !s.empty() && std::all_of(s.begin(), s.end(),
                                         [](unsigned char c) { return std::isdigit(c) != 0; });
    };
    if (colon == std::string::npos || !digits(tail.substr(0, colon)) ||
        !digits(tail.substr(colon + 1))) {
        return systemName;
    }
    return systemName.substr(0, blank);
}

bool CRtMidiBackend::EnsureEnumerators() {
    if (inputEnumerator_ && outputEnumerator_) {
        return true;
    }
    if (!MidiSystemReachable(api_)) {
        return false;
    }
    try {
        auto in = std::make_unique<RtMidiIn>(RtApi(api_), clientName_);
        auto out = std::make_unique<RtMidiOut>(RtApi(api_), clientName_);
        in->setErrorCallback(&ErrorSink::Report, nullptr);
        out->setErrorCallback(&ErrorSink::Report, nullptr);
        inputEnumerator_ = std::move(in);
        outputEnumerator_ = std::move(out);
    } catch (const RtMidiError&) {
        return false;
    }
    return true;
}

std::vector<CRtMidiBackend::Port> CRtMidiBackend::Enumerate(bool input) {
    std::vector<Port> ports;
    if (!EnsureEnumerators()) {
        return ports;
    }
    RtMidi& device =
        input ? static_cast<RtMidi&>(*inputEnumerator_) : static_cast<RtMidi&>(*outputEnumerator_);
    // The enumerators report through a sink of their own while they list.
    ErrorSink sink;
    device.setErrorCallback(&ErrorSink::Report, &sink);
    try {
        const unsigned count = device.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            sink.Clear();
            const std::string name = device.getPortName(i);
            // A port that cannot be described is left out of the list. The editor's own ports
            // are not offered either.
            if (sink.failed || name.empty() || name.rfind(clientName_ + ":", 0) == 0 ||
                name.rfind(clientName_ + "-", 0) == 0) {
                ports.push_back(Port{i, name, {}});
                continue;
            }
            ports.push_back(Port{i, name, ListedName(api_, name)});
        }
    } catch (const RtMidiError&) {
        ports.clear();
    }
    device.setErrorCallback(&ErrorSink::Report, nullptr);
    return ports;
}

int CRtMidiBackend::InputPortCount() {
    inputs_ = Enumerate(true);
    return static_cast<int>(inputs_.size());
}

bool CRtMidiBackend::InputPortName(int port, std::string& name) {
    if (port < 0 || port >= static_cast<int>(inputs_.size()) ||
        inputs_[static_cast<std::size_t>(port)].name.empty()) {
        return false;
    }
    name = inputs_[static_cast<std::size_t>(port)].name;
    return true;
}

int CRtMidiBackend::OutputPortCount() {
    outputs_ = Enumerate(false);
    return static_cast<int>(outputs_.size());
}

bool CRtMidiBackend::OutputPortName(int port, std::string& name) {
    if (port < 0 || port >= static_cast<int>(outputs_.size()) ||
        outputs_[static_cast<std::size_t>(port)].name.empty()) {
        return false;
    }
    name = outputs_[static_cast<std::size_t>(port)].name;
    return true;
}

int CRtMidiBackend::OpenInput(int port, MidiInputHandler& handler,
                              std::unique_ptr<MidiInputPort>& opened) {
    if (port < 0 || port >= static_cast<int>(inputs_.size())) {
        return MidiErrBadPort;
    }
    const Port& wanted = inputs_[static_cast<std::size_t>(port)];
    QuietLibraries();
#ifdef KEL_HAVE_JACK
    if (api_ == MidiApi::Jack) {
        // RtMidi's JACK input collects a system-exclusive message until its end without a limit:
        // JACK inputs are our own, and hand over what comes as it comes.
        auto created = std::make_unique<JackInputPort>(handler);
        const int error = created->Open(clientName_, wanted.systemName);
        if (error == MidiErrNone) {
            opened = std::move(created);
        }
        return error;
    }
#endif
    try {
        auto created = std::make_unique<RtInputPort>(
            std::make_unique<RtMidiIn>(RtApi(api_), clientName_), handler);
        RtMidiIn& in = created->Device();
        in.setErrorCallback(&ErrorSink::Report, &created->Errors());
        // The port must still be the one listed: ports come and go between list and open.
        if (wanted.systemIndex >= in.getPortCount() ||
            in.getPortName(wanted.systemIndex) != wanted.systemName) {
            return MidiErrBadPort;
        }
        // Keep system exclusive and the clock a control may send; drop active sensing. (ALSA
        // through RtMidi does not tell when a source goes away: its input is never lost.)
        in.ignoreTypes(false, false, true);
        in.setCallback(&RtInputPort::Deliver, created.get());
        in.openPort(wanted.systemIndex, "In");
        if (created->Errors().failed || !in.isPortOpen()) {
            return created->Errors().failed ? created->Errors().Code() : MidiErrSystem;
        }
        opened = std::move(created);
    } catch (const RtMidiError& error) {
        return CodeOf(error);
    }
    return MidiErrNone;
}

int CRtMidiBackend::OpenOutput(int port, MidiOutputHandler& handler,
                               std::unique_ptr<MidiOutputPort>& opened) {
    if (port < 0 || port >= static_cast<int>(outputs_.size())) {
        return MidiErrBadPort;
    }
    const Port& wanted = outputs_[static_cast<std::size_t>(port)];
    QuietLibraries();
#ifdef KEL_HAVE_JACK
    if (api_ == MidiApi::Jack) {
        // RtMidi's JACK output frees what its process callback reads before it closes its
        // client, so a close can crash under a running cycle: JACK outputs are our own.
        auto created = std::make_unique<JackOutputPort>(handler);
        const int error = created->Open(clientName_, wanted.systemName);
        if (error == MidiErrNone) {
            opened = std::move(created);
        }
        return error;
    }
#endif
    try {
        auto created = std::make_unique<RtOutputPort>(
            std::make_unique<RtMidiOut>(RtApi(api_), clientName_), handler);
        RtMidiOut& out = created->Device();
        out.setErrorCallback(&ErrorSink::Report, &created->Errors());
        if (wanted.systemIndex >= out.getPortCount() ||
            out.getPortName(wanted.systemIndex) != wanted.systemName) {
            return MidiErrBadPort;
        }
        out.openPort(wanted.systemIndex, "Out");
        if (created->Errors().failed || !out.isPortOpen()) {
            return created->Errors().failed ? created->Errors().Code() : MidiErrSystem;
        }
        opened = std::move(created);
    } catch (const RtMidiError& error) {
        return CodeOf(error);
    }
    return MidiErrNone;
}

} // namespace kel

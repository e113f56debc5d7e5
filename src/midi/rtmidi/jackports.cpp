// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/rtmidi/jackports.h"

#ifdef KEL_HAVE_JACK

#include <jack/jack.h>
#include <jack/midiport.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "midi/deliverygate.h"
#include "midi/spscring.h"

namespace kel {
namespace {

using namespace std::chrono_literals;

// One JACK client of the program, and what JACK's threads tell about it.
struct JackClientSlot {
    jack_client_t* client = nullptr;  // null once closed; used only under the table's lock
    std::atomic<bool> stopped{false}; // its server stopped, or threw it out
    std::atomic<pid_t> teller{0};     // the JACK thread that said so
    void (*onStop)(void*) = nullptr;  // the owner's own notice, on that thread
    void* arg = nullptr;
};

// The JACK clients of the program. JACK's library keeps one state for all the clients of a
// process: once one of them has heard that its server stopped, the next client opened in the
// process (whether that open succeeds or not) first closes and frees every client still open.
// A client the program still held would be freed under it, and closing it then would crash.
// So every client is opened and closed here, under one lock that also covers every request
// made through a client outside JACK's own threads; and before a client is opened after a
// stop, the clients still open are closed here, while it is safe. Their owners find them
// closed (a null client) and have nothing left to close.
class JackClientTable {
public:
    // Never destroyed: a port list or port may still close its client while the program ends.
    static JackClientTable& Get() {
        static auto* table = new JackClientTable;
        return *table;
    }
    JackClientTable() { QuietJack(); }
    std::mutex& Lock() { return lock_; }
    static void NoteFreedByLibrary() { freedByLibrary = true; }

    // With the lock held: opens a client `name` of a running server (never starts one), with
    // `onStop(arg)` told on JACK's thread when its server stops; null when none runs. A busy
    // server now and then refuses a new client, as when its answer comes late on a loaded
    // machine: the open is tried three times before the server counts as not there.
    std::shared_ptr<JackClientSlot> Open(const std::string& name, void (*onStop)(void*) = nullptr,
                                         void* arg = nullptr) {
        auto slot = std::make_shared<JackClientSlot>();
        slot->onStop = onStop;
        slot->arg = arg;
        for (int attempt = 0;; ++attempt) {
            // Each attempt is an open of its own: a stop heard meanwhile counts too.
            if (stopHeard_.load(std::memory_order_acquire)) {
                CloseAll();
            }
            jack_status_t status{};
            freedByLibrary = false;
            slot->client = jack_client_open(name.c_str(), JackNoStartServer, &status);
            if (freedByLibrary) {
                Forget();
            }
            if (slot->client != nullptr) {
                break;
            }
            if (attempt == 2) {
                return nullptr;
            }
            std::this_thread::sleep_for(50ms);
        }
        // Set before the owner activates the client, as JACK requires.
        jack_on_info_shutdown(slot->client, &Stopped, slot.get());
        open_.push_back(slot);
        return slot;
    }

    // With the lock held: closes the slot's client, unless it is closed already. Closing
    // deactivates it first and returns only once the process thread has left the callback for
    // good. It runs under the JACK library's own lock, which a separate jack_deactivate does
    // not take: with clients of other threads opening and closing at the same time, that one
    // crashed.
    void Close(JackClientSlot& slot) {
        if (slot.client == nullptr) {
            return;
        }
        if (stopHeard_.load(std::memory_order_acquire)) {
            AwaitStop(slot, std::chrono::steady_clock::now() + kHearLimit);
        }
        CloseClient(slot);
        std::erase_if(open_, [&](const auto& open) { return open.get() == &slot; });
    }

private:
    // How long the clients of a stopped server are given to hear it: they all do within moments.
    static constexpr auto kHearLimit = 2s;
    // How long the thread that told of the stop is given to end.
    static constexpr auto kTellerLimit = 1s;

    // JACK's notification thread (or a process thread), when the server stops or throws the
    // client out: the client is dead from now on. It only takes note; closing the client here
    // would wait for this very thread.
    static void Stopped(jack_status_t, const char*, void* arg) {
        auto* slot = static_cast<JackClientSlot*>(arg);
        slot->teller.store(static_cast<pid_t>(syscall(SYS_gettid)), std::memory_order_relaxed);
        slot->stopped.store(true, std::memory_order_release);
        Get().stopHeard_.store(true, std::memory_order_release);
        if (slot->onStop != nullptr) {
            slot->onStop(slot->arg);
        }
    }

    // Closes every client still open, before the open that would free them: each is given the
    // time to hear the stop (a client thrown out by a server that still runs never does, and
    // would be freed all the same).
    void CloseAll() {
        const auto limit = std::chrono::steady_clock::now() + kHearLimit;
        for (const auto& slot : open_) {
            AwaitStop(*slot, limit);
        }
        for (const auto& slot : open_) {
            CloseClient(*slot);
        }
        open_.clear();
        stopHeard_.store(false, std::memory_order_release);
    }

    // JACK's library freed the clients still open in this open: one of them heard the stop
    // just before the open, too late for the table to close them first. None is touched again;
    // an owner not told of the stop yet is told now.
    void Forget() {
        for (const auto& slot : open_) {
            slot->client = nullptr;
            if (!slot->stopped.exchange(true, std::memory_order_acq_rel) &&
                slot->onStop != nullptr) {
                slot->onStop(slot->arg);
            }
        }
        open_.clear();
        stopHeard_.store(false, std::memory_order_release);
    }

    static void AwaitStop(const JackClientSlot& slot, std::chrono::steady_clock::time_point limit) {
        while (!slot.stopped.load(std::memory_order_acquire) &&
               std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(1ms);
        }
    }

    // Closing a client cancels its JACK threads wherever they are. A thread that told of the
    // stop is on its way out (past the owner's notice too); it is let end first.
    static void CloseClient(JackClientSlot& slot) {
        if (slot.stopped.load(std::memory_order_acquire)) {
            const auto teller = slot.teller.load(std::memory_order_relaxed);
            const auto limit = std::chrono::steady_clock::now() + kTellerLimit;
            while (syscall(SYS_tgkill, getpid(), teller, 0) == 0 &&
                   std::chrono::steady_clock::now() < limit) {
                std::this_thread::sleep_for(1ms);
            }
        }
        jack_client_close(slot.client);
        slot.client = nullptr;
    }

    // Set by JACK's message of its own clean-up, which it reports on the opening thread.
    static thread_local bool freedByLibrary;

    std::mutex lock_;
    std::vector<std::shared_ptr<JackClientSlot>> open_;
    std::atomic<bool> stopHeard_{false}; // a client heard its server stop since all were closed
};

thread_local bool JackClientTable::freedByLibrary = false;

// JACK's error and information messages are not shown. One of them is looked at: JACK says so
// when an open finds clients of a stopped server and frees them.
void JackMessage(const char* message) {
    constexpr std::string_view kCleanUp = "Jack server was closed but clients are still allocated";
    if (message != nullptr && std::string_view(message).starts_with(kCleanUp)) {
        JackClientTable::NoteFreedByLibrary();
    }
}

// Closes the slot's client (unless the table has) and lets the slot go.
void CloseJackClient(std::shared_ptr<JackClientSlot>& slot) {
    if (slot) {
        JackClientTable& table = JackClientTable::Get();
        std::lock_guard lock(table.Lock());
        table.Close(*slot);
        slot.reset();
    }
}

// Opens a JACK client of its own for one port of the editor: `portName` ("In" or "Out") with
// `flags`, `process` called once per cycle with `arg`, and connected to `peer` (a full JACK port
// name: the source of an input, the target of an output). 0, or an error code; nothing stays
// open on failure. `prepare`, when given, sets further callbacks of the client before it is
// activated (0 for success); `onStop(arg)` is told when its server stops.
int OpenJackClient(const std::string& clientName, const char* portName, unsigned long flags,
                   const std::string& peer, JackProcessCallback process, void* arg,
                   std::shared_ptr<JackClientSlot>& slot, jack_port_t*& port,
                   int (*prepare)(jack_client_t*, void*) = nullptr,
                   void (*onStop)(void*) = nullptr) {
    JackClientTable& table = JackClientTable::Get();
    std::lock_guard lock(table.Lock());
    slot = table.Open(clientName, onStop, arg);
    if (!slot) {
        return MidiErrSystem;
    }
    jack_client_t* client = slot->client;
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
        table.Close(*slot);
        slot.reset();
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
                                         this, slot_, port_);
        if (error == MidiErrNone) {
            openedAt_ = std::chrono::steady_clock::now();
            connectedCycle_ = cycles_.load(std::memory_order_acquire);
        }
        return error;
    }

    int SendLong(std::unique_ptr<MidiHeaderBuffer> header) override {
        if (!slot_ || header == nullptr) {
            return MidiErrNotOpen;
        }
        std::this_thread::sleep_until(openedAt_ + kJackSettle);
        WaitForCycle(connectedCycle_ + 2, openedAt_ + kJackCycleLimit);
        {
            std::lock_guard lock(sendLock_);
            Slot* slot = queue_.BeginPush();
            if (slot == nullptr) {
                return MidiErrSystem; // the queue is full: not sent, so not reported finished
            }
            slot->size =
                std::min<std::uint32_t>(header->bytesRecorded, MidiHeaderBuffer::kCapacity);
            std::memcpy(slot->bytes.data(), header->data.data(), slot->size);
            queue_.CommitPush();
            lastSend_ = std::chrono::steady_clock::now();
        }
        // Queued for the next cycle: it is finished as far as we can tell.
        header->flags = (header->flags & ~MidiHeaderBuffer::InQueue) | MidiHeaderBuffer::Done;
        handler_.OnLongMsgDone(header.get());
        return MidiErrNone;
    }

    void Close() override {
        if (!slot_) {
            return;
        }
        if (lastSend_) {
            std::this_thread::sleep_until(*lastSend_ + kJackSettle);
            const auto limit = std::chrono::steady_clock::now() + kJackCycleLimit;
            while (!queue_.Empty() && std::chrono::steady_clock::now() < limit) {
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
        CloseJackClient(slot_);
        port_ = nullptr;
        // The last cycle's reads happen before what follows (the release in Process).
        (void)cycles_.load(std::memory_order_acquire);
    }

    // JACK's process thread, once per cycle: real-time, so no locks and no allocation.
    static int Process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<JackOutputPort*>(arg);
        void* buffer = jack_port_get_buffer(self->port_, frames);
        jack_midi_clear_buffer(buffer);
        while (const Slot* slot = self->queue_.Front()) {
            jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, slot->size);
            if (event == nullptr && jack_midi_get_event_count(buffer) > 0) {
                break; // the cycle's buffer is full: the rest goes in the next cycle
            }
            // A message no cycle could hold is dropped, not left to block the rest.
            if (event != nullptr) {
                std::memcpy(event, slot->bytes.data(), slot->size);
            }
            self->queue_.Pop();
        }
        self->cycles_.fetch_add(1, std::memory_order_release);
        return 0;
    }

    MidiOutputHandler& handler_;
    std::shared_ptr<JackClientSlot> slot_; // the client, while open
    jack_port_t* port_ = nullptr;
    // Filled by the sending thread, emptied by the process thread.
    CSpscRing<Slot> queue_{kSlots};
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
// message until its F7, without a limit.)
//
// The process thread is real-time: it takes no lock and never waits. It reaches the handler
// through a gate that Start opens and Stop and Close shut (Stop returns once no cycle is in the
// handler any more), so starting the input again while it runs costs no cycle's events.
//
// The port is lost when its connection count falls to 0 once it had a connection, or once JACK
// said that one of the port's own connections was broken. Every cycle looks at the count: a
// broken connection may still be counted in the cycles that follow JACK's notification, and
// looking only once after it could miss the loss for good.
class JackInputPort : public MidiInputPort {
public:
    explicit JackInputPort(MidiInputHandler& handler) : handler_(handler) {}
    ~JackInputPort() override { Close(); }

    // Opens the client `clientName` with the port "In" and connects the output port `source`
    // (a full JACK port name) to it. 0, or an error code; nothing stays open on failure.
    int Open(const std::string& clientName, const std::string& source) {
        // The notifications are set before the client is activated, as JACK requires; the
        // process thread finds the port set, as the activation starts it.
        listening_.store(true, std::memory_order_release);
        const int error = OpenJackClient(
            clientName, "In", JackPortIsInput, source, &Process, this, slot_, registered_,
            [](jack_client_t* client, void* arg) {
                auto* self = static_cast<JackInputPort*>(arg);
                self->notifying_ = client;
                self->port_.store(self->registered_, std::memory_order_release);
                return jack_set_port_connect_callback(client, &ConnectionChanged, arg);
            },
            &ServerStopped);
        port_.store(registered_, std::memory_order_release); // null when the open failed
        listening_.store(error == MidiErrNone, std::memory_order_release);
        return error;
    }

    int Start() override {
        if (!slot_) {
            return MidiErrNotOpen;
        }
        gate_.Open();
        return MidiErrNone;
    }
    int Stop() override {
        gate_.Close();
        return !slot_ ? MidiErrNotOpen : MidiErrNone;
    }
    // Every event is handed over in the cycle it came in: nothing is ever half-received here.
    void Reset() override {}
    void Close() override {
        gate_.Close();
        listening_.store(false, std::memory_order_release);
        // Returns once the process thread has left its callback for good.
        CloseJackClient(slot_);
        port_.store(nullptr, std::memory_order_release);
    }

private:
    // JACK's process thread, once per cycle: real-time, so no lock and no allocation.
    static int Process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<JackInputPort*>(arg);
        jack_port_t* port = self->port_.load(std::memory_order_acquire);
        if (port == nullptr) {
            return 0;
        }
        if (jack_port_connected(port) > 0) {
            self->hadConnection_ = true;
        } else if (self->hadConnection_ || self->disconnected_.load(std::memory_order_acquire)) {
            self->ReportLost(); // its source is gone: unregistered, closed or disconnected
        }
        const DeliveryGate::Pass pass(self->gate_);
        if (!pass) {
            return 0; // not started
        }
        void* buffer = jack_port_get_buffer(port, frames);
        const jack_nframes_t count = jack_midi_get_event_count(buffer);
        for (jack_nframes_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) == 0 && event.size > 0) {
                self->handler_.OnLongInput(event.buffer, event.size);
            }
        }
        return 0;
    }

    // JACK's notification thread, on any connection made or broken in the graph. It takes no
    // lock and asks the server nothing; it only notes that a connection of the port was
    // broken, and the cycles that follow look at the port's connections.
    static void ConnectionChanged(jack_port_id_t a, jack_port_id_t b, int connect, void* arg) {
        auto* self = static_cast<JackInputPort*>(arg);
        jack_port_t* port = self->port_.load(std::memory_order_acquire);
        if (connect != 0 || port == nullptr) {
            return;
        }
        if (jack_port_by_id(self->notifying_, a) == port ||
            jack_port_by_id(self->notifying_, b) == port) {
            self->disconnected_.store(true, std::memory_order_release);
        }
    }

    // The server stops: no cycle will follow, so it is told from here (JACK's thread), unless
    // the input is being closed.
    static void ServerStopped(void* arg) {
        auto* self = static_cast<JackInputPort*>(arg);
        if (self->listening_.load(std::memory_order_acquire)) {
            self->ReportLost();
        }
    }

    void ReportLost() {
        if (!lostReported_.exchange(true)) {
            handler_.OnPortLost();
        }
    }

    MidiInputHandler& handler_;
    std::shared_ptr<JackClientSlot> slot_; // the client, while open
    std::atomic<bool> listening_{false};   // from the open until the close
    // The client as the notification thread uses it: set before activation, kept until the
    // object goes (no notification comes once the client is closed).
    jack_client_t* notifying_ = nullptr;
    jack_port_t* registered_ = nullptr; // the port as the open registers it
    std::atomic<jack_port_t*> port_{nullptr};
    DeliveryGate gate_;
    bool hadConnection_ = false; // the process thread's own
    std::atomic<bool> disconnected_{false};
    std::atomic<bool> lostReported_{false};
};

// Opens a port of type `Port` and hands it over when it opened.
template <typename Port, typename Handler, typename Opened>
int OpenJackPort(const std::string& clientName, const std::string& peer, Handler& handler,
                 std::unique_ptr<Opened>& opened) {
    auto created = std::make_unique<Port>(handler);
    const int error = created->Open(clientName, peer);
    if (error == MidiErrNone) {
        opened = std::move(created);
    }
    return error;
}

} // namespace

int OpenJackInput(const std::string& clientName, const std::string& source,
                  MidiInputHandler& handler, std::unique_ptr<MidiInputPort>& opened) {
    return OpenJackPort<JackInputPort>(clientName, source, handler, opened);
}

int OpenJackOutput(const std::string& clientName, const std::string& target,
                   MidiOutputHandler& handler, std::unique_ptr<MidiOutputPort>& opened) {
    return OpenJackPort<JackOutputPort>(clientName, target, handler, opened);
}

// The listing client, while open.
struct CJackPortList::Listener {
    std::shared_ptr<JackClientSlot> slot;
};

CJackPortList::CJackPortList(std::string clientName)
    : clientName_(std::move(clientName)), listener_(std::make_unique<Listener>()) {}

CJackPortList::~CJackPortList() {
    Drop();
}

void CJackPortList::Drop() {
    CloseJackClient(listener_->slot);
}

bool CJackPortList::List(bool sources, std::vector<std::string>& names) {
    names.clear();
    JackClientTable& table = JackClientTable::Get();
    std::lock_guard lock(table.Lock());
    std::shared_ptr<JackClientSlot>& slot = listener_->slot;
    // A client whose server has stopped lists nothing ever again, also once a new server runs.
    if (slot && (slot->client == nullptr || slot->stopped.load(std::memory_order_acquire))) {
        table.Close(*slot);
        slot.reset();
    }
    if (!slot) {
        slot = table.Open(clientName_);
        // An active client is told when its server stops.
        if (slot && jack_activate(slot->client) != 0) {
            table.Close(*slot);
            slot.reset();
        }
        if (!slot) {
            return false;
        }
    }
    const char** ports = jack_get_ports(slot->client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                        sources ? JackPortIsOutput : JackPortIsInput);
    if (ports != nullptr) {
        for (const char** port = ports; *port != nullptr; ++port) {
            names.emplace_back(*port);
        }
        jack_free(ports);
    }
    return true;
}

void QuietJack() {
    jack_set_error_function(&JackMessage);
    jack_set_info_function(&JackMessage);
}

bool JackServerRunning() {
    JackClientTable& table = JackClientTable::Get();
    std::lock_guard lock(table.Lock());
    const std::shared_ptr<JackClientSlot> probe = table.Open("kel-probe");
    if (!probe) {
        return false;
    }
    table.Close(*probe);
    return true;
}

} // namespace kel

#else

namespace kel {

void QuietJack() {}

// Without JACK there is never a server to list.
struct CJackPortList::Listener {};

CJackPortList::CJackPortList(std::string clientName) : clientName_(std::move(clientName)) {}
CJackPortList::~CJackPortList() = default;
void CJackPortList::Drop() {}
bool CJackPortList::List(bool, std::vector<std::string>& names) {
    names.clear();
    return false;
}

} // namespace kel

#endif

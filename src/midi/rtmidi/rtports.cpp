// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/rtmidi/rtports.h"

#include <mutex>
#include <vector>

#include "midi/deliverygate.h"
#include "midi/rtmidi/jackports.h"

#ifdef KEL_HAVE_JACK
#include <jack/jack.h>
#endif
#ifdef KEL_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace kel {
namespace {

#ifdef KEL_HAVE_ALSA
void SilentAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

// An ALSA input through RtMidi, which decodes the sequencer's events on a thread of its own. It
// collects a system-exclusive message until its F7 before handing it over, so a message that
// never ends grows RtMidi's buffer; the JACK input below is the editor's own and does not.
// RtMidi's thread reaches the handler through a gate that Start opens and Stop and Close shut:
// it never waits for the thread that starts and stops the input.
class RtInputPort : public MidiInputPort {
public:
    RtInputPort(std::unique_ptr<RtMidiIn> in, MidiInputHandler& handler)
        : in_(std::move(in)), handler_(&handler) {}
    ~RtInputPort() override { Close(); }

    RtMidiIn& Device() { return *in_; }
    ErrorSink& Errors() { return errors_; }

    int Start() override {
        if (handler_ == nullptr) {
            return MidiErrNotOpen;
        }
        gate_.Open();
        return MidiErrNone;
    }
    int Stop() override {
        gate_.Close();
        return handler_ == nullptr ? MidiErrNotOpen : MidiErrNone;
    }
    // RtMidi hands over whole messages only: nothing is ever half-received here.
    void Reset() override {}
    void Close() override {
        // Once the gate is shut no delivery is inside and none gets in again.
        gate_.Close();
        handler_ = nullptr;
        // The callback stays registered until the port is gone: taking it away first races
        // with a delivery already under way, which could then call through a cleared callback
        // or with a cleared user pointer. Deliver turns back what comes once the gate is shut,
        // and this object outlives the RtMidiIn.
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
        const DeliveryGate::Pass pass(self->gate_);
        if (pass) {
            self->handler_->OnLongInput(message->data(), message->size());
        }
    }

private:
    std::unique_ptr<RtMidiIn> in_;
    ErrorSink errors_;
    DeliveryGate gate_;
    MidiInputHandler* handler_; // changed only while the gate is shut
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

    int SendLong(std::unique_ptr<MidiHeaderBuffer> header) override {
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
        handler_.OnLongMsgDone(header.get());
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

} // namespace

int CodeOf(const RtMidiError& error) {
    return std::max(1, static_cast<int>(error.getType()));
}

RtMidi::Api RtApi(MidiApi api) {
    return api == MidiApi::Jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
}

void QuietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        QuietJack();
#ifdef KEL_HAVE_ALSA
        snd_lib_error_set_handler(SilentAlsa);
#endif
    });
}

namespace {

// Opens the system's port `systemIndex` on the RtMidi object of `created` as `portName`, once
// `prepare` has set the object up. The port must still be the one listed (ports come and go
// between list and open).
template <typename Port, typename Opened, typename Prepare>
int OpenRtPort(std::unique_ptr<Port> created, unsigned systemIndex, const std::string& systemName,
               const char* portName, Prepare prepare, std::unique_ptr<Opened>& opened) {
    auto& device = created->Device();
    device.setErrorCallback(&ErrorSink::Report, &created->Errors());
    if (systemIndex >= device.getPortCount() || device.getPortName(systemIndex) != systemName) {
        return MidiErrBadPort;
    }
    prepare(device, *created);
    device.openPort(systemIndex, portName);
    if (created->Errors().failed || !device.isPortOpen()) {
        return created->Errors().failed ? created->Errors().Code() : MidiErrSystem;
    }
    opened = std::move(created);
    return MidiErrNone;
}

} // namespace

int OpenRtInput(MidiApi api, const std::string& clientName, unsigned systemIndex,
                const std::string& systemName, MidiInputHandler& handler,
                std::unique_ptr<MidiInputPort>& opened) {
    try {
        return OpenRtPort(
            std::make_unique<RtInputPort>(std::make_unique<RtMidiIn>(RtApi(api), clientName),
                                          handler),
            systemIndex, systemName, "In",
            [](RtMidiIn& in, RtInputPort& port) {
                // Keep system exclusive and the clock a control may send; drop
                // active sensing. (ALSA through RtMidi does not tell when a
                // source goes away: its input is never lost.)
                in.ignoreTypes(false, false, true);
                in.setCallback(&RtInputPort::Deliver, &port);
            },
            opened);
    } catch (const RtMidiError& error) {
        return CodeOf(error);
    }
}

int OpenRtOutput(MidiApi api, const std::string& clientName, unsigned systemIndex,
                 const std::string& systemName, MidiOutputHandler& handler,
                 std::unique_ptr<MidiOutputPort>& opened) {
    try {
        return OpenRtPort(
            std::make_unique<RtOutputPort>(std::make_unique<RtMidiOut>(RtApi(api), clientName),
                                           handler),
            systemIndex, systemName, "Out", [](RtMidiOut&, RtOutputPort&) {}, opened);
    } catch (const RtMidiError& error) {
        return CodeOf(error);
    }
}

} // namespace kel

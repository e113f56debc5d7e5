// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI services the editor needs from the system, behind one small interface: port
// enumeration in port order, opening by port number, long (system-exclusive) output with a
// completion report, and input delivered as the bytes that arrive. The RtMidi back end
// (ALSA, JACK), the built-in virtual KEL device and the tests' fake implement it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kel {

// One long MIDI message with its descriptor: the unit handed to an output port. A new buffer is
// zero-filled with nothing recorded and no flags.
struct MidiHeaderBuffer {
    static constexpr std::size_t kCapacity = 512;

    enum Flags : std::uint32_t {
        Done = 0x01,     // the port has finished with the buffer
        Prepared = 0x02, // the buffer has been made ready for a port
        InQueue = 0x04,  // the buffer is with a port and not yet returned
    };

    std::uint32_t bufferLength = kCapacity;
    std::uint32_t bytesRecorded = 0;
    std::uintptr_t user = 0;
    std::uint32_t flags = 0;
    std::array<std::uint8_t, kCapacity> data{};

    // Copies `count` bytes (at most 512; more are cut) to the start of the data area.
    void Fill(const std::uint8_t* bytes, std::size_t count);
    // Nothing recorded, no flags, data area zero-filled.
    void Reset();
};

// Receives the completion of long output messages. Called from any thread (also from inside
// SendLong itself); it must not block.
class MidiOutputHandler {
public:
    virtual ~MidiOutputHandler() = default;
    // `header` is still the port's: valid during the call only, and freed by the port.
    virtual void OnLongMsgDone(MidiHeaderBuffer* header) = 0;
};

// Receives the input's bytes from the back end's own thread, only between Start and Stop of the
// port: whole system-exclusive messages (F0 ... F7), pieces of them, several at once, realtime
// bytes anywhere; the handler frames them into messages. It must not block.
class MidiInputHandler {
public:
    virtual ~MidiInputHandler() = default;
    virtual void OnLongInput(const std::uint8_t* data, std::size_t count) = 0;
    // The port went away: its source was removed or the MIDI system stopped. Nothing more will
    // arrive. Called from any thread, at most once per opened port; it must not block.
    virtual void OnPortLost() {}
};

class MidiOutputPort {
public:
    // Destruction closes the port.
    virtual ~MidiOutputPort() = default;
    // Sends the recorded bytes of `header` as one long message. The port owns the buffer from
    // the call on, whatever it returns, and frees it when it is done with it. 0 when the port
    // took it: the handler is then told once, with this header, that the message has left
    // (possibly before SendLong returns). Any other value is the system's error code; nothing
    // will be reported.
    virtual int SendLong(std::unique_ptr<MidiHeaderBuffer> header) = 0;
    // Closes the port. Messages still in progress are reported finished before it returns,
    // and no report follows afterwards.
    virtual void Close() = 0;
};

class MidiInputPort {
public:
    // Destruction closes the port.
    virtual ~MidiInputPort() = default;
    // Starts and stops delivering input to the handler: 0, or the system's error code.
    virtual int Start() = 0;
    virtual int Stop() = 0;
    // Drops any input still on its way (a half-received message). Delivers nothing.
    virtual void Reset() = 0;
    // Closes the port; no delivery follows after it returns.
    virtual void Close() = 0;
};

class MidiBackend {
public:
    virtual ~MidiBackend() = default;

    // How many ports of each direction the system numbers, and the name of one of them; the
    // name getters return false when the port's description cannot be read.
    virtual int InputPortCount() = 0;
    virtual bool InputPortName(int port, std::string& name) = 0;
    virtual int OutputPortCount() = 0;
    virtual bool OutputPortName(int port, std::string& name) = 0;

    // Open a port by its number. 0 with `port` set, or a non-zero error code of the system.
    virtual int OpenInput(int port, MidiInputHandler& handler,
                          std::unique_ptr<MidiInputPort>& opened) = 0;
    virtual int OpenOutput(int port, MidiOutputHandler& handler,
                           std::unique_ptr<MidiOutputPort>& opened) = 0;
};

// Error codes the core's own back ends use (as the "(%d)" of the open failures shows them).
enum MidiErrorCode : int {
    MidiErrNone = 0,
    MidiErrBadPort = 2,   // no port of that number (any more)
    MidiErrAllocated = 4, // the port is already in use
    MidiErrNotOpen = 5,   // the port has been closed
    MidiErrSystem = 1,    // the MIDI system failed
};

} // namespace kel

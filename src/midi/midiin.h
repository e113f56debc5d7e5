// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's one MIDI input port. While a receive runs it holds the input of the chosen name
// open and frames what the port delivers into whole system-exclusive messages. Each message in
// the form of this device's bulk messages goes into the received queue, and the parser thread,
// woken for it, decodes it into the record table. Every other message, short messages and
// realtime bytes are skipped. The input can stay open for any time and take any amount of
// traffic in constant memory: the queue and the message being framed have fixed sizes, and what
// does not fit is dropped and counted.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "midi/backend.h"
#include "midi/deliverygate.h"
#include "midi/midiinque.h"
#include "midi/parserthread.h"
#include "midi/transferlistener.h"
#include "model/bulk.h"
#include "model/reporter.h"
#include "model/sysexframer.h"

namespace kel {

class CMidiIn : private MidiInputHandler {
public:
    // The longest message the input holds; longer ones cannot be bulk messages.
    static constexpr std::size_t kMessageLimit = MidiBlock::kCapacity;

    // What the input has seen since its last start.
    struct Counts {
        std::uint64_t messages = 0; // whole system-exclusive messages
        std::uint64_t foreign = 0;  // of them, not in the form of a bulk message: skipped
        std::uint64_t dropped = 0;  // bulk messages dropped because the queue was full
        std::uint64_t cut = 0;      // messages ended unfinished by another status byte
        std::uint64_t overlong = 0; // messages longer than kMessageLimit
    };

    // Received bulk messages are decoded into `table` unless Start is given another.
    CMidiIn(MidiBackend& backend, Reporter& reporter, RecordTable& table);
    ~CMidiIn() override;

    CMidiIn(const CMidiIn&) = delete;
    CMidiIn& operator=(const CMidiIn&) = delete;

    // The input port's name (at most 31 bytes; empty = none chosen).
    void SetDeviceName(std::string_view name);
    const std::string& GetDeviceName() const { return deviceName_; }
    // Takes the name at `index` of a fresh input list; an index outside it empties the name.
    void SetDevice(int index);
    // The position of the device name in a fresh input list, or -1.
    int GetDeviceIndex() const;

    // Who the parser thread tells of each decoded bulk message. A null listener is ignored.
    void SetNotifyWindow(TransferListener* listener);
    // How many bulk messages the next receive expects (handed to the parser thread it creates).
    void SetExpectedCount(int count) { expected_ = count; }

    // Opens the port, starts input and the parser thread. Reports 32810, 32811 (from Open) or
    // 32813.
    bool Start() { return Start(table_); }
    // As Start, but the bulk messages are decoded into `table`, which must outlive the next Stop.
    bool Start(RecordTable& table);
    // Stops input, lets the parser thread work through what was queued before and end, and
    // closes the port. False when the port was closed or did not stop cleanly.
    bool Stop();
    // Opens the port of the device name (closing any earlier use). Reports 32810 or 32811.
    bool Open();
    void Close();

    bool IsOpen() const { return port_ != nullptr; }
    bool ParserExists() const { return parser_ != nullptr; }
    CSafeMidiInQue& Queue() { return queue_; }
    // Never makes the port's thread wait: it may be called while messages arrive.
    Counts GetCounts() const;
    // The request that opens the receive started last, and the request once more for a receive
    // gone quiet: the bytes for the output to send (empty while the input is not started).
    std::vector<std::uint8_t> Request() const;
    std::vector<std::uint8_t> AskAgain();
    // What the receive under way has got; once the input has stopped, what the last one got.
    // Called on the thread that starts and stops the input.
    ReceiveStatus GetReceiveStatus() const;

private:
    // Takes bytes from the port's thread: whole messages, pieces of them, or several at once.
    void OnLongInput(const std::uint8_t* data, std::size_t count) override;
    void Deliver(std::span<const std::uint8_t> message);
    void ResetPort();
    void ClearCounts();

    MidiBackend& backend_;
    Reporter& reporter_;
    RecordTable& table_;
    std::unique_ptr<MidiInputPort> port_;
    CSafeMidiInQue queue_;
    std::unique_ptr<CParserThread> parser_;
    ReceiveStatus lastStatus_;
    int expected_ = 0;
    std::string deviceName_;
    TransferListener* notify_ = nullptr;

    // The port's thread is let in only while the input is started, and never waits: the
    // framer, the parser thread's existence and the counts' start are changed by the thread that
    // starts and stops the input only while the gate is closed and no delivery is inside. The
    // counts the deliveries make are atomics that GetCounts reads at any time. From the port's
    // callback to the parser thread no lock is taken: the gate, the framer (the port's thread's
    // alone while it is inside), the queue and the parser's wake-up are all lock-free.
    DeliveryGate gate_;
    CSysExFramer framer_{kMessageLimit};
    std::atomic<std::uint64_t> messages_{0};
    std::atomic<std::uint64_t> foreign_{0};
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<std::uint64_t> cut_{0};
    std::atomic<std::uint64_t> overlong_{0};
};

} // namespace kel

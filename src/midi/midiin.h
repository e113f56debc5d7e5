// The editor's one MIDI input port. While a receive runs it holds the input of the chosen name
// open, lends it 64 buffers, copies every completed system-exclusive buffer into the received
// queue and wakes the parser thread, which decodes the blocks into the record table. Short
// messages are ignored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "midi/backend.h"
#include "midi/midiinque.h"
#include "midi/parserthread.h"
#include "midi/posttarget.h"
#include "model/bulk.h"
#include "model/reporter.h"

namespace kel {

// The 64 input buffers. Each carries at most one long message (or one 512-byte piece of a
// longer one) between a start of the port and the next stop.
class CMidiInBufferPool {
public:
    static constexpr int kCount = 64;

    CMidiInBufferPool();

    // Marks every buffer ready for the port.
    bool PrepareAll();
    // Lends every buffer, in order, to the port: input fills them one after the other.
    bool AddAll();
    // Resets every buffer: nothing recorded, no flags, data zero-filled.
    void UnprepareAll();

    MidiHeaderBuffer& operator[](int index) { return (*buffers_)[static_cast<std::size_t>(index)]; }
    // The next buffer still lent to the port, taken out of the port's hands; null when all 64
    // have been used.
    MidiHeaderBuffer* TakeLent();
    // Hands every buffer still lent back, done and empty, to `returned`.
    template <typename F> void ReturnLent(F returned) {
        for (auto& buffer : *buffers_) {
            if (buffer.flags & MidiHeaderBuffer::InQueue) {
                buffer.flags = (buffer.flags & ~MidiHeaderBuffer::InQueue) | MidiHeaderBuffer::Done;
                buffer.bytesRecorded = 0;
                returned(buffer);
            }
        }
        next_ = kCount;
    }
    int LentCount() const;

private:
    std::unique_ptr<std::array<MidiHeaderBuffer, kCount>> buffers_;
    int next_ = kCount;
};

class CMidiIn : private MidiInputHandler {
public:
    // Received bulk messages are decoded into `table`, the control map's records.
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

    // Where the parser thread posts UM_BULK_RECEIVED. A null target is ignored.
    void SetNotifyWindow(PostTarget* target);
    // How many bulk messages the next receive expects (handed to the parser thread it creates).
    void SetExpectedCount(int count) { expected_ = count; }

    // Opens the port, lends the buffers, starts input and the parser thread. Reports 32810,
    // 32811 (from Open) or 32813.
    bool Start();
    // Stops input, lets the parser thread work through what was queued before and end, and
    // closes the port. False when the port was closed or did not stop cleanly.
    bool Stop();
    // Opens the port of the device name (closing any earlier use). Reports 32810 or 32811.
    bool Open();
    void Close();

    bool IsOpen() const { return port_ != nullptr; }
    bool ParserExists() const { return parser_ != nullptr; }
    CSafeMidiInQue& Queue() { return queue_; }
    int LentBufferCount() const;

    // The handler of one port report (MIM_LONGDATA with a filled buffer; others are ignored).
    void OnLongData(int message, MidiHeaderBuffer* header);

private:
    void OnLongInput(const std::uint8_t* data, std::size_t count) override;
    void ResetPort();

    MidiBackend& backend_;
    Reporter& reporter_;
    RecordTable& table_;
    std::unique_ptr<MidiInputPort> port_;
    CMidiInBufferPool buffers_;
    CSafeMidiInQue queue_;
    std::unique_ptr<CParserThread> parser_;
    int expected_ = 0;
    std::string deviceName_;
    PostTarget* notify_ = nullptr;
    int notifyId_ = 0;
    // Guards the buffers and the parser thread's existence against the input handler, which
    // runs on the back end's thread.
    mutable std::mutex deliveryLock_;
    bool delivering_ = false;
};

} // namespace kel

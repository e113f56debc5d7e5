// SPDX-License-Identifier: GPL-3.0-or-later
// Received system-exclusive data on its way into the control map: arbitrary blocks through the
// received queue and the parser thread's decode step, or, as the input port gets them (longer
// ones cut into 512-byte pieces), through a started input port with its parser thread. Every
// report the parser posts counts down by one from the expected 50 and names a control whose
// record is the one the block carried; no other record changes; the port ends closed.
//
// Input: one byte choosing the path (bit 0: through the input port), then blocks, each a
// two-byte length followed by that many bytes (fewer at the end of the input).
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "midi/midiin.h"
#include "midi/parserthread.h"
#include "midi/transferlistener.h"

using namespace kel;

namespace {

constexpr int kExpected = 50;

struct Post {
    std::uintptr_t address;
    std::intptr_t remaining;
};

class Recorder : public TransferListener {
public:
    // The parser thread only ever reports received messages.
    void BulkSent(int) override { KEL_FUZZ_CHECK(false); }
    void BulkReceived(std::uint32_t address, int remaining) override {
        std::lock_guard lock(lock_);
        posts_.push_back({address, remaining});
    }
    std::vector<Post> Posts() {
        std::lock_guard lock(lock_);
        return posts_;
    }
    void Clear() {
        std::lock_guard lock(lock_);
        posts_.clear();
    }

private:
    std::mutex lock_;
    std::vector<Post> posts_;
};

// One input port whose traffic the fuzzer makes.
class OnePortBackend : public MidiBackend {
public:
    int InputPortCount() override { return 1; }
    bool InputPortName(int port, std::string& name) override {
        name = "Fuzz In";
        return port == 0;
    }
    int OutputPortCount() override { return 0; }
    bool OutputPortName(int, std::string&) override { return false; }
    int OpenInput(int port, MidiInputHandler& handler,
                  std::unique_ptr<MidiInputPort>& opened) override {
        if (port != 0) {
            return MidiErrBadPort;
        }
        handler_ = &handler;
        opened = std::make_unique<Port>(*this);
        return 0;
    }
    int OpenOutput(int, MidiOutputHandler&, std::unique_ptr<MidiOutputPort>&) override {
        return MidiErrBadPort;
    }
    void Deliver(std::span<const std::uint8_t> bytes) {
        if (handler_ != nullptr && started_) {
            handler_->OnLongInput(bytes.data(), bytes.size());
        }
    }

private:
    class Port : public MidiInputPort {
    public:
        explicit Port(OnePortBackend& owner) : owner_(owner) {}
        ~Port() override { Close(); }
        int Start() override {
            owner_.started_ = true;
            return 0;
        }
        int Stop() override {
            owner_.started_ = false;
            return 0;
        }
        void Reset() override {}
        void Close() override {
            owner_.started_ = false;
            owner_.handler_ = nullptr;
        }

    private:
        OnePortBackend& owner_;
    };

    MidiInputHandler* handler_ = nullptr;
    bool started_ = false;
};

std::vector<std::span<const std::uint8_t>> SplitBlocks(const std::uint8_t* data, std::size_t size,
                                                       std::size_t longest) {
    std::vector<std::span<const std::uint8_t>> blocks;
    std::size_t at = 0;
    while (at + 2 <= size) {
        std::size_t length = ((std::size_t{data[at]} << 8) | data[at + 1]) % (longest + 1);
        at += 2;
        length = std::min(length, size - at);
        blocks.emplace_back(data + at, length);
        at += length;
    }
    return blocks;
}

// The record a bulk message block carries, joined from its nibbles.
AssignRecord Carried(std::span<const std::uint8_t> block) {
    AssignRecord record{};
    for (std::size_t i = 0; i < kRecordSize; ++i) {
        record[i] = static_cast<std::uint8_t>((block[11 + 2 * i] << 4) | block[12 + 2 * i]);
    }
    return record;
}

// Checks the reports against the record table; `carried` maps each control to the record of
// the last block accepted for it, when the caller knows it.
void CheckReports(const std::vector<Post>& posts, const RecordTable& table,
                  const std::map<int, AssignRecord>* carried) {
    // Every decoded message is reported; only a controller not seen before counts down.
    std::vector<bool> reported(kControllerCount, false);
    std::intptr_t distinct = 0;
    for (std::size_t n = 0; n < posts.size(); ++n) {
        KEL_FUZZ_CHECK((posts[n].address & ~std::uintptr_t{0xFF00}) == 0);
        const auto id = static_cast<int>(posts[n].address >> 8);
        KEL_FUZZ_CHECK(id < kControllerCount);
        if (!reported[static_cast<std::size_t>(id)]) {
            reported[static_cast<std::size_t>(id)] = true;
            ++distinct;
        }
        KEL_FUZZ_CHECK(posts[n].remaining == kExpected - distinct);
    }
    for (int id = 0; id < kControllerCount; ++id) {
        const AssignRecord& record = table[static_cast<std::size_t>(id)];
        if (!reported[static_cast<std::size_t>(id)]) {
            KEL_FUZZ_CHECK(record == AssignRecord{});
        } else if (carried != nullptr) {
            KEL_FUZZ_CHECK(record == carried->at(id));
        }
    }
}

// The received queue and the input port are large (a megabyte of buffers): they are made once
// and start every input empty, as they do every receive.
struct Receiver {
    OnePortBackend backend;
    fuzz::CountingReporter reporter;
    RecordTable table{};
    Recorder recorder;
    CMidiIn input{backend, reporter, table};
    CSafeMidiInQue queue;

    static Receiver& Get() {
        static Receiver* receiver = new Receiver; // never destroyed: no thread outlives an input
        receiver->table = RecordTable{};
        receiver->recorder.Clear();
        return *receiver;
    }
};

void ThroughTheParser(const std::uint8_t* data, std::size_t size) {
    Receiver& r = Receiver::Get();
    KEL_FUZZ_CHECK(r.queue.LockedCount() == 0);
    CParserThread parser(r.queue, r.table);
    parser.SetRemainingCount(kExpected);
    parser.SetNotifyWindow(&r.recorder);
    std::map<int, AssignRecord> carried;
    for (const auto block : SplitBlocks(data, size, 600)) {
        const int put = r.queue.Put(block.data(), block.size());
        KEL_FUZZ_CHECK(put == (block.size() <= MidiBlock::kCapacity ? 1 : 0));
        const std::size_t before = r.recorder.Posts().size();
        parser.ParseOne();
        KEL_FUZZ_CHECK(r.queue.LockedCount() == 0);
        const auto posts = r.recorder.Posts();
        if (posts.size() != before) {
            KEL_FUZZ_CHECK(posts.size() == before + 1 && block.size() == kBulkMessageSize);
            carried[static_cast<int>(posts.back().address >> 8)] = Carried(block);
        }
    }
    const auto posts = r.recorder.Posts();
    KEL_FUZZ_CHECK(parser.RemainingCount() == kExpected - static_cast<int>(carried.size()));
    CheckReports(posts, r.table, &carried);
}

void ThroughTheInputPort(const std::uint8_t* data, std::size_t size) {
    Receiver& r = Receiver::Get();
    CMidiIn& input = r.input;
    input.SetDeviceName("Fuzz In");
    input.SetExpectedCount(kExpected);
    input.SetNotifyWindow(&r.recorder);
    KEL_FUZZ_CHECK(input.Start());
    for (const auto block : SplitBlocks(data, size, 1500)) {
        r.backend.Deliver(block);
    }
    KEL_FUZZ_CHECK(input.Stop());
    KEL_FUZZ_CHECK(!input.IsOpen() && !input.ParserExists());
    KEL_FUZZ_CHECK(input.Queue().LockedCount() == 0);
    KEL_FUZZ_CHECK(r.reporter.warnings.empty());
    const CMidiIn::Counts counts = input.GetCounts();
    KEL_FUZZ_CHECK(counts.foreign + counts.dropped <= counts.messages);
    const auto posts = r.recorder.Posts();
    // Every report stands for a bulk message that was queued.
    KEL_FUZZ_CHECK(posts.size() <= counts.messages - counts.foreign - counts.dropped);
    CheckReports(posts, r.table, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    if ((data[0] & 1) != 0) {
        ThroughTheInputPort(data + 1, size - 1);
    } else {
        ThroughTheParser(data + 1, size - 1);
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/devicemachine.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace kel {

namespace {

constexpr CDeviceMachine::FloodKind kFloodOrder[] = {
    CDeviceMachine::FloodSysex,    CDeviceMachine::FloodLong,     CDeviceMachine::FloodShort,
    CDeviceMachine::FloodRealtime, CDeviceMachine::FloodRtInside, CDeviceMachine::FloodSplit,
    CDeviceMachine::FloodFragment, CDeviceMachine::FloodEndless,  CDeviceMachine::FloodBulkRt,
};

constexpr std::uint8_t kSystemExclusive = 0xF0;
constexpr std::uint8_t kEndOfExclusive = 0xF7;
// The KEL's own maker; foreign traffic never uses it.
constexpr std::uint8_t kKelMaker = 0x41;

bool Earlier(const std::optional<CDeviceMachine::Time>& a, CDeviceMachine::Time b) {
    return !a || b < *a;
}

} // namespace

CDeviceMachine::CDeviceMachine() : rng_(line_.seed) {}

void CDeviceMachine::SetLine(const Line& line) {
    line_ = line;
    rng_.seed(line.seed);
}

void CDeviceMachine::Emit(Output output) {
    ready_.push_back(std::move(output));
}

void CDeviceMachine::Emit(Output::Kind kind, Time at, std::size_t count, ControllerId control) {
    Output output;
    output.kind = kind;
    output.at = at;
    output.count = count;
    output.control = control;
    Emit(std::move(output));
}

void CDeviceMachine::FromEditor(Time now, std::span<const std::uint8_t> message) {
    Advance(now);
    if (message.empty() || message.front() != kSystemExclusive) {
        return;
    }
    switch (device_.OnMessage(message)) {
    case CKelDevice::Event::AwaitingEnter: {
        // The device starts the procedure over: what it was sending stops, and the user is to
        // press [ENTER] anew.
        sending_.reset();
        Output display;
        display.kind = Output::Kind::Display;
        display.at = now;
        display.text = std::string(device_.Display());
        Emit(std::move(display));
        if (timing_.autoEnter) {
            enter_ = Plan(now + timing_.enterDelay);
        } else {
            enter_.reset();
        }
        break;
    }
    case CKelDevice::Event::RecordStored:
        break;
    case CKelDevice::Event::ReceiveComplete:
        Emit(Output::Kind::Received, now, static_cast<std::size_t>(kControllerCount));
        break;
    default:
        Emit(Output::Kind::Ignored, now, message.size());
        break;
    }
}

void CDeviceMachine::PressEnter(Time now) {
    Advance(now);
    enter_.reset();
    EnterNow(now);
}

void CDeviceMachine::PressCancel(Time now) {
    Advance(now);
    enter_.reset();
    sending_.reset();
    device_.PressCancel();
}

void CDeviceMachine::EnterNow(Time now) {
    std::vector<Message> outgoing;
    switch (device_.PressEnter(outgoing)) {
    case CKelDevice::Event::ReceiveStarted:
        Emit(Output::Kind::Receiving, now);
        break;
    case CKelDevice::Event::TransmitStarted:
        Emit(Output::Kind::Transmitting, now, outgoing.size());
        StartSending(now, std::move(outgoing));
        break;
    default:
        break;
    }
}

void CDeviceMachine::StartSending(Time now, std::vector<Message> messages) {
    sending_.reset();
    if (messages.empty()) {
        return;
    }
    Sending sending;
    sending.floodBefore.resize(messages.size());
    sending.realtimeInside.assign(messages.size(), false);
    if (line_.flood > 0) {
        // Where the foreign items go is chosen now; what they are is made as each is written,
        // so that a flood of any size costs no more memory than its largest item.
        const unsigned wanted = line_.floodKinds == 0 ? FloodAll : line_.floodKinds;
        std::vector<FloodKind> kinds;
        for (const FloodKind kind : kFloodOrder) {
            if ((wanted & kind) != 0 && kind != FloodEndless) {
                kinds.push_back(kind);
            }
        }
        int count = line_.flood;
        if ((wanted & FloodEndless) != 0) {
            sending.floodBefore[0].push_back(FloodEndless);
            --count;
        }
        for (int i = 0; i < count && !kinds.empty(); ++i) {
            const FloodKind kind = kinds[Uniform(0, kinds.size() - 1)];
            const std::size_t at = Uniform(0, messages.size() - 1);
            if (kind == FloodBulkRt) {
                sending.realtimeInside[at] = true;
            } else {
                sending.floodBefore[at].push_back(kind);
            }
        }
    }
    sending.messages = std::move(messages);
    sending.due = Plan(now + timing_.gap);
    sending_ = std::move(sending);
}

void CDeviceMachine::QueueWrites(const Message& message, bool paced,
                                 std::vector<Write>& into) const {
    const std::size_t chunk = paced ? 0 : line_.chunk;
    if (chunk == 0 || chunk >= message.size()) {
        into.push_back(Write{message, paced, false});
        return;
    }
    for (std::size_t offset = 0; offset < message.size(); offset += chunk) {
        const auto end = std::min(offset + chunk, message.size());
        into.push_back(Write{Message(message.begin() + static_cast<std::ptrdiff_t>(offset),
                                     message.begin() + static_cast<std::ptrdiff_t>(end)),
                             paced, false});
    }
}

void CDeviceMachine::SendStep() {
    Sending& sending = *sending_;
    const Time now = sending.due.at;
    if (sending.writes.empty()) {
        // The writes of the next message: the foreign items before it, then the message.
        std::vector<Write> writes;
        for (const FloodKind kind : sending.floodBefore[sending.next]) {
            if (kind == FloodEndless) {
                // Made piece by piece as it is written (below): it may be 256 MB long.
                sending.endlessLeft =
                    1 + (line_.endlessSize > 0 ? line_.endlessSize : Uniform(8 * 1024, 32 * 1024));
                continue;
            }
            for (const Message& write : MakeFlood(kind)) {
                writes.push_back(Write{write, true, false});
            }
        }
        sending.floodBefore[sending.next].clear();
        sending.floodBefore[sending.next].shrink_to_fit();
        const Message& message = sending.messages[sending.next];
        if (sending.realtimeInside[sending.next]) {
            for (Message& write : WithRealtimeInside(message)) {
                writes.push_back(Write{std::move(write), true, false});
            }
        } else {
            QueueWrites(message, false, writes);
        }
        writes.back().endsMessage = true;
        sending.writes.assign(std::make_move_iterator(writes.begin()),
                              std::make_move_iterator(writes.end()));
    }
    Write write;
    if (sending.endlessLeft > 0) {
        write = Write{EndlessPiece(sending), true, false};
    } else {
        write = std::move(sending.writes.front());
        sending.writes.pop_front();
    }
    Time next = now;
    if (write.paced) {
        sending.burst += write.bytes.size() + 16;
        if (sending.burst >= kFloodBurst) {
            sending.burst = 0;
            next += kFloodPause;
        }
    }
    Output output;
    output.kind = Output::Kind::Write;
    output.at = now;
    output.bytes = std::move(write.bytes);
    Emit(std::move(output));
    if (write.endsMessage) {
        ++sending.next;
        if (sending.next == sending.messages.size()) {
            Emit(Output::Kind::Sent, now, sending.next);
            sending_.reset();
            return;
        }
        next = std::max(next, now + timing_.gap);
    }
    sending.due = Plan(next);
}

void CDeviceMachine::Play(Time now, ControllerId id, int value) {
    Movement movement;
    movement.kind = Movement::Kind::Play;
    movement.control = id;
    movement.value = value;
    movement.count = 1;
    QueueMovement(now, movement);
}

void CDeviceMachine::Sweep(Time now, ControllerId id) {
    Movement movement;
    movement.kind = Movement::Kind::Sweep;
    movement.control = id;
    movement.count = 128;
    QueueMovement(now, movement);
}

void CDeviceMachine::Stream(Time now, ControllerId id, int rate, int seconds) {
    Movement movement;
    movement.kind = Movement::Kind::Stream;
    movement.control = id;
    movement.rate = std::max(rate, 1);
    movement.count = rate > 0 && seconds > 0 ? static_cast<std::int64_t>(rate) * seconds : 0;
    QueueMovement(now, movement);
}

void CDeviceMachine::QueueMovement(Time now, Movement movement) {
    Advance(now);
    movement.start = now;
    if (movement.count == 0) {
        Emit(Output::Kind::Streamed, now, 0, movement.control);
        return;
    }
    // A movement queued behind another starts when that one ends (MovementStep).
    if (movements_.empty()) {
        movement.due = Plan(now);
    }
    movements_.push_back(movement);
}

std::size_t CDeviceMachine::WriteAll(Time at, const std::vector<Message>& messages) {
    std::vector<Write> writes;
    for (const Message& message : messages) {
        QueueWrites(message, false, writes);
    }
    for (Write& write : writes) {
        Output output;
        output.kind = Output::Kind::Write;
        output.at = at;
        output.bytes = std::move(write.bytes);
        Emit(std::move(output));
    }
    return messages.size();
}

void CDeviceMachine::MovementStep() {
    Movement& movement = movements_.front();
    const Time now = movement.due.at;
    const auto finish = [&](Output::Kind kind, std::size_t count) {
        Emit(kind, now, count, movement.control);
        movements_.pop_front();
        if (!movements_.empty()) {
            movements_.front().start = std::max(movements_.front().start, now);
            movements_.front().due = Plan(movements_.front().start);
        }
    };
    if (movement.done == movement.count) {
        // The pause after the last move has passed.
        finish(movement.kind == Movement::Kind::Sweep ? Output::Kind::Swept
                                                      : Output::Kind::Streamed,
               movement.sent);
        return;
    }
    switch (movement.kind) {
    case Movement::Kind::Play:
        WriteAll(now, device_.Play(movement.control, movement.value));
        finish(Output::Kind::Played, 0);
        return;
    case Movement::Kind::Sweep:
        movement.sent +=
            WriteAll(now, device_.Play(movement.control, static_cast<int>(movement.done)));
        ++movement.done;
        movement.due = Plan(movement.start + movement.done * kSweepStep);
        return;
    case Movement::Kind::Stream: {
        movement.sent +=
            WriteAll(now, device_.Play(movement.control, static_cast<int>(movement.done % 128)));
        ++movement.done;
        // Counted from the start, so that the rate holds however a period rounds.
        const Time offset(movement.done * 1000000 / movement.rate);
        movement.due = Plan(movement.start + offset);
        return;
    }
    }
}

void CDeviceMachine::Advance(Time upTo) {
    for (;;) {
        // The earliest of the three things that may be pending; equal times in planned order.
        enum class Which { None, Enter, Send, Move } which = Which::None;
        Due best;
        const auto consider = [&](Which candidate, const Due& due) {
            if (due.at > upTo) {
                return;
            }
            if (which == Which::None || due.at < best.at ||
                (due.at == best.at && due.order < best.order)) {
                which = candidate;
                best = due;
            }
        };
        if (enter_) {
            consider(Which::Enter, *enter_);
        }
        if (sending_) {
            consider(Which::Send, sending_->due);
        }
        if (!movements_.empty()) {
            consider(Which::Move, movements_.front().due);
        }
        switch (which) {
        case Which::None:
            return;
        case Which::Enter:
            enter_.reset();
            EnterNow(best.at);
            break;
        case Which::Send:
            SendStep();
            break;
        case Which::Move:
            MovementStep();
            break;
        }
    }
}

std::optional<CDeviceMachine::Time> CDeviceMachine::NextDue() const {
    if (!ready_.empty()) {
        return ready_.front().at;
    }
    std::optional<Time> next;
    if (enter_ && Earlier(next, enter_->at)) {
        next = enter_->at;
    }
    if (sending_ && Earlier(next, sending_->due.at)) {
        next = sending_->due.at;
    }
    if (!movements_.empty() && Earlier(next, movements_.front().due.at)) {
        next = movements_.front().due.at;
    }
    return next;
}

std::vector<CDeviceMachine::Output> CDeviceMachine::TakeDue(Time upTo) {
    Advance(upTo);
    std::vector<Output> due(std::make_move_iterator(ready_.begin()),
                            std::make_move_iterator(ready_.end()));
    ready_.clear();
    return due;
}

bool CDeviceMachine::Idle() const {
    return ready_.empty() && !enter_ && !sending_ && movements_.empty();
}

std::size_t CDeviceMachine::Uniform(std::size_t low, std::size_t high) {
    return std::uniform_int_distribution<std::size_t>(low, high)(rng_);
}

std::uint8_t CDeviceMachine::Realtime() {
    static constexpr std::uint8_t kBytes[] = {0xF8, 0xFA, 0xFB, 0xFC, 0xFE, 0xFF};
    return kBytes[Uniform(0, std::size(kBytes) - 1)];
}

std::uint8_t CDeviceMachine::ForeignMaker() {
    std::uint8_t maker = kKelMaker;
    while (maker == kKelMaker) {
        maker = static_cast<std::uint8_t>(Uniform(1, 0x7F));
    }
    return maker;
}

CDeviceMachine::Message CDeviceMachine::Sysex(std::size_t data, bool terminated) {
    // F0, a maker other than the KEL's, `data` - 1 more data bytes; F7 when `terminated`.
    Message message{kSystemExclusive, ForeignMaker()};
    for (std::size_t i = 1; i < data; ++i) {
        message.push_back(static_cast<std::uint8_t>(Uniform(0, 0x7F)));
    }
    if (terminated) {
        message.push_back(kEndOfExclusive);
    }
    return message;
}

std::vector<CDeviceMachine::Message> CDeviceMachine::Pieces(const Message& message,
                                                            std::size_t most) {
    std::vector<Message> pieces;
    for (std::size_t offset = 0; offset < message.size();) {
        const std::size_t end = std::min(message.size(), offset + Uniform(1, most));
        pieces.emplace_back(message.begin() + static_cast<std::ptrdiff_t>(offset),
                            message.begin() + static_cast<std::ptrdiff_t>(end));
        offset = end;
    }
    return pieces;
}

CDeviceMachine::Message CDeviceMachine::EndlessPiece(Sending& sending) {
    // F0, another maker, data bytes and never an F7, in pieces of 1..512 bytes.
    Message piece;
    for (std::size_t size = std::min(Uniform(1, 512), sending.endlessLeft); size > 0; --size) {
        if (sending.endlessAt == 0) {
            piece.push_back(kSystemExclusive);
        } else if (sending.endlessAt == 1) {
            piece.push_back(ForeignMaker());
        } else {
            piece.push_back(static_cast<std::uint8_t>(Uniform(0, 0x7F)));
        }
        ++sending.endlessAt;
        --sending.endlessLeft;
    }
    return piece;
}

std::vector<CDeviceMachine::Message> CDeviceMachine::WithRealtimeInside(const Message& message) {
    // In 2..4 pieces with a realtime byte between each two.
    std::vector<Message> writes;
    std::size_t offset = 0;
    const std::size_t pieces = Uniform(2, 4);
    for (std::size_t p = 1; p <= pieces; ++p) {
        const std::size_t end =
            p == pieces ? message.size() : Uniform(offset + 1, message.size() - (pieces - p));
        writes.emplace_back(message.begin() + static_cast<std::ptrdiff_t>(offset),
                            message.begin() + static_cast<std::ptrdiff_t>(end));
        if (p < pieces) {
            writes.push_back({Realtime()});
        }
        offset = end;
    }
    return writes;
}

std::vector<CDeviceMachine::Message> CDeviceMachine::MakeFlood(FloodKind kind) {
    switch (kind) {
    case FloodSysex:
        return {Sysex(Uniform(4, 120)), {Realtime()}};
    case FloodLong:
        return {Sysex(Uniform(121, 4000))};
    case FloodShort: {
        const auto status = static_cast<std::uint8_t>(Uniform(0x80, 0xEF));
        Message message{status, static_cast<std::uint8_t>(Uniform(0, 0x7F))};
        if ((status & 0xE0) != 0xC0) { // program change and channel pressure have one data byte
            message.push_back(static_cast<std::uint8_t>(Uniform(0, 0x7F)));
        }
        return {message};
    }
    case FloodRealtime:
        return {{Realtime()}};
    case FloodRtInside: {
        Message message = Sysex(Uniform(4, 120));
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

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/parserthread.h"

#include <algorithm>
#include <system_error>

namespace kel {

CParserThread::CParserThread(CSafeMidiInQue& queue, RecordTable& table)
    : queue_(queue), table_(table) {}

CParserThread::~CParserThread() {
    if (thread_.joinable()) {
        PostThreadMessage(UM_PARSER, ParserQuit);
        thread_.join();
    }
}

void CParserThread::SetRemainingCount(int count) {
    std::lock_guard lock(lock_);
    remaining_ = count;
    arrived_.reset();
}

int CParserThread::RemainingCount() const {
    std::lock_guard lock(lock_);
    return remaining_;
}

void CParserThread::SetNotifyWindow(PostTarget* target, int messageId) {
    std::lock_guard lock(lock_);
    notify_ = target;
    messageId_ = messageId;
    if (notify_ != nullptr && decoded_ > 0) {
        notify_->post(messageId_, lastAddress_, remaining_);
    }
}

bool CParserThread::Resume() {
    if (thread_.joinable()) {
        return true;
    }
    try {
        thread_ = std::thread(&CParserThread::Run, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CParserThread::PostThreadMessage(int message, int wParam) {
    {
        std::lock_guard lock(messagesLock_);
        messages_.emplace_back(message, wParam);
    }
    messagesCv_.notify_one();
}

void CParserThread::Wake() {
    {
        std::lock_guard lock(messagesLock_);
        ++wakes_;
    }
    messagesCv_.notify_one();
}

void CParserThread::WaitForEnd() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void CParserThread::Run() {
    for (;;) {
        std::pair<int, int> message;
        {
            std::unique_lock lock(messagesLock_);
            messagesCv_.wait(lock, [this] { return wakes_ > 0 || !messages_.empty(); });
            if (wakes_ > 0) {
                --wakes_;
                lock.unlock();
                ParseOne();
                continue;
            }
            message = messages_.front();
            messages_.pop_front();
        }
        if (message.first != UM_PARSER) {
            continue;
        }
        if (message.second == ParserParseOne) {
            ParseOne();
        } else if (message.second == ParserQuit) {
            queue_.Clear();
            return;
        }
    }
}

void CParserThread::ParseOne() {
    MidiBlock block;
    queue_.Get(block);
    if (block.count < BulkPrefix.size() ||
        !std::equal(BulkPrefix.begin(), BulkPrefix.end(), block.data.begin())) {
        return;
    }
    std::uint32_t address = 0;
    if (DecodeBulk(block, ControlMapKind, address, table_) != 0) {
        return;
    }
    std::lock_guard lock(lock_);
    // The controller is the high byte of the address's low half (controller 49 is 0x3100).
    const std::size_t controller = (address >> 8) & 0xFF;
    if (!arrived_.test(controller)) {
        arrived_.set(controller);
        --remaining_;
    }
    ++decoded_;
    lastAddress_ = address;
    if (notify_ != nullptr) {
        notify_->post(messageId_, address, remaining_);
    }
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/terminalui.h"

#include "midi/devlist.h"

#include <poll.h>
#include <unistd.h>

#include <cctype>
#include <csignal>

namespace kel::cli {

namespace {

using namespace std::chrono_literals;

constexpr int kBarWidth = 40;

void OnInterrupt(int) {
    CancelRequested().store(true);
}

} // namespace

std::atomic<bool>& CancelRequested() {
    static std::atomic<bool> requested{false};
    return requested;
}

void InstallCancelHandler() {
    CancelRequested().store(false);
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a read in progress ends, so the flag is seen at once
    sigaction(SIGINT, &action, nullptr);
}

bool WaitForLine(int fd, std::string& line) {
    line.clear();
    for (;;) {
        if (CancelRequested().load()) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, 100);
        if (ready <= 0) {
            continue; // timeout or interrupted: look at the flag again
        }
        char c = 0;
        const ssize_t got = read(fd, &c, 1);
        if (got < 0) {
            continue;
        }
        if (got == 0) {
            return false; // end of input: nobody is there to answer
        }
        if (c == '\n') {
            return true;
        }
        line += c;
    }
}

TerminalDialog::TerminalDialog(Kind kind, std::FILE* bar) : kind_(kind), bar_(bar) {}

void TerminalDialog::Report(int remaining) {
    {
        std::lock_guard lock(lock_);
        received_ = true;
        if (kind_ == Kind::Progress) {
            state_.OnTransferReport(remaining);
        }
        changed_ = true;
    }
    cv_.notify_all();
}

void TerminalDialog::DrawBar(int position, int total) {
    if (bar_ == nullptr || total <= 0) {
        return;
    }
    const int filled = position * kBarWidth / total;
    std::fprintf(
        bar_, "\r[%s%s] %2d/%d", std::string(static_cast<std::size_t>(filled), '#').c_str(),
        std::string(static_cast<std::size_t>(kBarWidth - filled), '.').c_str(), position, total);
    std::fflush(bar_);
}

DialogResult TerminalDialog::RunModal() {
    std::unique_lock lock(lock_);
    int drawn = -1;
    for (;;) {
        if (kind_ == Kind::WaitForFirst && received_) {
            return DialogResult::Ok;
        }
        if (kind_ == Kind::Progress) {
            const int position = state_.Position();
            if (position != drawn) {
                DrawBar(position, state_.Total());
                drawn = position;
            }
            if (state_.Finished()) {
                if (bar_ != nullptr) {
                    std::fputc('\n', bar_);
                }
                return DialogResult::Ok;
            }
            if (watched_ != nullptr && bar_ != nullptr) {
                // The parser thread reports under its own lock: ours is not held while asking.
                lock.unlock();
                const ReceiveStatus status = watched_->GetReceiveStatus();
                lock.lock();
                const std::string waiting = status.Quiet(TransferClockNow())
                                                ? EnglishText(status.Waiting())
                                                : std::string();
                if (!waiting.empty() && waiting != waiting_) {
                    std::fprintf(bar_, "\n%s\n", waiting.c_str());
                    DrawBar(position, state_.Total());
                }
                waiting_ = waiting;
                if (!waiting.empty()) {
                    lock.unlock();
                    if (AskAgainIfStalled(status)) {
                        drawn = -1; // the bar goes under the line just written
                    } else if (RetriesSpent(status)) {
                        budget_->gaveUp = true;
                        std::fputc('\n', bar_);
                        return DialogResult::Cancel;
                    }
                    lock.lock();
                }
            }
        }
        if (CancelRequested().load()) {
            if (kind_ == Kind::Progress && bar_ != nullptr && drawn >= 0) {
                std::fputc('\n', bar_);
            }
            return DialogResult::Cancel;
        }
        cv_.wait_for(lock, 100ms, [this] { return changed_; });
        changed_ = false;
    }
}

bool TerminalDialog::AskAgainIfStalled(const ReceiveStatus& status) {
    const TransferTime now = TransferClockNow();
    if (!ask_ || budget_ == nullptr || budget_->left <= 0 ||
        (asked_ && now - askedAt_ < kAskRest) || !status.Quiet(now)) {
        return false;
    }
    --budget_->left;
    asked_ = true;
    askedAt_ = now;
    const int number = budget_->total - budget_->left;
    if (ask_()) {
        std::fprintf(bar_,
                     "\nAsked the KEL again (%d of %d): press the [ENTER] button if it shows "
                     "\"TS\".\n",
                     number, budget_->total);
        return true;
    }
    return false;
}

bool TerminalDialog::RetriesSpent(const ReceiveStatus& status) const {
    const TransferTime now = TransferClockNow();
    return budget_ != nullptr && budget_->limited && budget_->left <= 0 && status.Quiet(now) &&
           (!asked_ || now - askedAt_ >= kAskRest);
}

TerminalUi::TerminalUi(std::string input, std::string output, bool assumeYes, std::FILE* out,
                       std::FILE* bar, int inFd, std::function<void()> onNewMap)
    : input_(std::move(input)), output_(std::move(output)), assumeYes_(assumeYes), out_(out),
      bar_(bar), inFd_(inFd), onNewMap_(std::move(onNewMap)) {}

bool TerminalUi::TakeOnlyPort(bool input, const std::string& name) {
    std::string& port = input ? input_ : output_;
    if (!port.empty()) {
        return false;
    }
    port = name;
    std::fprintf(bar_, "kelmap: %s\n", EnglishText(OnlyPortPhrase(input, name)).c_str());
    std::fflush(bar_);
    return true;
}

bool TerminalUi::Confirm(StringId question) {
    std::fprintf(out_, "%s\n", std::string(Text(question)).c_str());
    if (assumeYes_) {
        std::fflush(out_);
        return true;
    }
    std::fprintf(out_, "Continue? [y/N] ");
    std::fflush(out_);
    std::string answer;
    if (!WaitForLine(inFd_, answer)) {
        std::fputc('\n', out_);
        return false;
    }
    const auto first = answer.find_first_not_of(" \t");
    return first != std::string::npos &&
           std::tolower(static_cast<unsigned char>(answer[first])) == 'y';
}

bool TerminalUi::ShowTransmitInstructions() {
    std::fprintf(out_, "Transmit Control Map\n"
                       "Please set the KEL to Bulk Receive mode.\n"
                       "Confirm that \"RS\" is indicated, then press the [ENTER] button.\n");
    std::fflush(out_);
    if (beforeContinue_) {
        beforeContinue_();
    }
    std::fprintf(out_, "Press Enter to continue (Ctrl+C cancels). ");
    std::fflush(out_);
    std::string line;
    const bool go = WaitForLine(inFd_, line);
    if (!go) {
        std::fputc('\n', out_);
    }
    return go;
}

std::unique_ptr<TransferDialog> TerminalUi::CreateReceiveDialog() {
    std::fprintf(out_, "Receive Control Map\n"
                       "Please set the KEL to Bulk Transmit mode.\n"
                       "1 Confirm that \"TS\" is indicated, then press the [ENTER] button.\n"
                       "2 Press the [ENTER] button.\n"
                       "Waiting for the KEL (Ctrl+C cancels)...\n");
    std::fflush(out_);
    return std::make_unique<TerminalDialog>(TerminalDialog::Kind::WaitForFirst, bar_);
}

std::unique_ptr<TransferDialog> TerminalUi::CreateProgressDialog() {
    auto dialog = std::make_unique<TerminalDialog>(TerminalDialog::Kind::Progress, bar_);
    dialog->SetRetries(&retries_);
    return dialog;
}

void TerminalUi::NewMap() {
    if (onNewMap_) {
        onNewMap_();
    }
}

} // namespace kel::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// Transmit and Receive on a terminal: the confirmation as a "y/N" question, the instructions on
// standard output, a progress bar on standard error, and Ctrl+C as the Cancel button. The
// transfer procedures themselves are the editor's own.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "midi/transfer.h"

namespace kel::cli {

// Set by the SIGINT handler while a transfer runs; every wait of the terminal UI polls it.
std::atomic<bool>& CancelRequested();
// Installs the SIGINT handler that sets CancelRequested (and clears the flag).
void InstallCancelHandler();

// Waits for a line on `fd`. True when one came; false on end of input or a cancel.
bool WaitForLine(int fd, std::string& line);

// How often a stalled receive asks the device again (kelmap receive --retry N), and whether it
// gave up. Without a limit a receive waits for the user's Ctrl+C however long the line stays
// quiet.
struct RetryBudget {
    bool limited = false; // --retry was given: the receive ends once the retries are spent
    int left = 0;         // retries not yet made
    int total = 0;
    bool gaveUp = false; // the receive ended because the line stayed quiet after the last retry
};

// A dialog of a transfer on the terminal. The receive dialog closes with OK on the first bulk
// message; the progress dialog draws a bar and closes with OK when the transfer reports that
// nothing remains. Either closes with Cancel on Ctrl+C. The progress dialog of a receive says,
// under the bar, what it still waits for once the line has gone quiet, and, with a limited
// budget of retries, closes with Cancel once the last retry has had its rest and the line is
// still quiet.
class TerminalDialog : public TransferDialog {
public:
    enum class Kind { WaitForFirst, Progress };

    TerminalDialog(Kind kind, std::FILE* bar);
    DialogResult RunModal() override;
    void BulkSent(int remaining) override { Report(remaining); }
    void BulkReceived(std::uint32_t, int remaining) override { Report(remaining); }
    void WatchReceive(const CMidiIn& input) override { watched_ = &input; }
    void OfferAskAgain(std::function<bool()> ask) override { ask_ = std::move(ask); }
    // A quiet receive asks the device again by itself while `budget` has retries left
    // (counting them down) and, when the budget is limited, gives up after the last one.
    void SetRetries(RetryBudget* budget) { budget_ = budget; }

    // How long a receive asked again waits before it may ask once more: time for the user to
    // press [ENTER] on the device and for the device to send its memory.
    static constexpr std::chrono::seconds kAskRest{5};

private:
    // Asks again when the receive has been quiet and retries are left; true when it asked.
    // Called unlocked.
    bool AskAgainIfStalled(const ReceiveStatus& status);
    // True when a limited budget is spent and the line has stayed quiet for as long as a retry
    // waits (kAskRest) since the last one, or, with no retry allowed, once it went quiet.
    bool RetriesSpent(const ReceiveStatus& status) const;
    // A bulk message went or came, `remaining` to go: wakes RunModal. Never waits for it.
    void Report(int remaining);
    void DrawBar(int position, int total);

    Kind kind_;
    std::FILE* bar_;
    std::mutex lock_;
    std::condition_variable cv_;
    CProgressState state_;
    bool received_ = false; // a bulk message arrived (the receive dialog's closing)
    bool changed_ = false;
    const CMidiIn* watched_ = nullptr;
    std::string waiting_; // the last "Waiting for …" line written
    std::function<bool()> ask_;
    RetryBudget* budget_ = nullptr;
    bool asked_ = false; // this dialog has asked the device again
    TransferTime askedAt_{};
};

class TerminalUi : public TransferUi {
public:
    // `input` and `output` name the ports; `assumeYes` answers the confirmation. Questions
    // and instructions go to `out`, the bar to `bar`; answers are read from `inFd`.
    TerminalUi(std::string input, std::string output, bool assumeYes, std::FILE* out,
               std::FILE* bar, int inFd, std::function<void()> onNewMap);

    // Called after the transmit instructions are shown, before Enter is read: the built-in
    // virtual device uses it to wait for its simulated [ENTER], as a user watches the display.
    void SetBeforeContinue(std::function<void()> wait) { beforeContinue_ = std::move(wait); }
    // A receive whose line goes quiet before every control has arrived asks the device again,
    // at most `count` times in all; when the line is still quiet after the last time, the
    // receive ends as cancelled (GaveUp).
    void SetRetries(int count) { retries_ = RetryBudget{true, count, count, false}; }
    // The receive ended because its retries were spent.
    bool GaveUp() const { return retries_.gaveUp; }
    int Retries() const { return retries_.total; }

    std::string StoredPortName(bool input) override { return input ? input_ : output_; }
    // A port named on the command line is kept to; without one, the only port listed is used
    // and the error stream says which.
    bool TakeOnlyPort(bool input, const std::string& name) override;
    void CommitPendingEdits() override {}
    bool Confirm(StringId question) override;
    bool ShowTransmitInstructions() override;
    std::unique_ptr<TransferDialog> CreateReceiveDialog() override;
    std::unique_ptr<TransferDialog> CreateProgressDialog() override;
    void NewMap() override;
    void ReceiveEnded() override {}
    void ReceiveIncomplete(const ReceiveStatus& status) override { incomplete_ = status; }
    // The controls a cancelled receive never got, when it was cancelled with some missing.
    const std::optional<ReceiveStatus>& Incomplete() const { return incomplete_; }

private:
    std::string input_;
    std::string output_;
    bool assumeYes_;
    std::FILE* out_;
    std::FILE* bar_;
    int inFd_;
    std::function<void()> onNewMap_;
    std::function<void()> beforeContinue_;
    std::optional<ReceiveStatus> incomplete_;
    RetryBudget retries_;
};

} // namespace kel::cli

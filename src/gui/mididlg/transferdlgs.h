// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs of Transmit and Receive: the transmit instructions (dialog 110), the receive
// dialog that waits for the device's first bulk message (113) and the progress dialog of both
// directions (112). The MIDI engine reaches the last two only through its reports (BulkSent,
// BulkReceived), which arrive here as queued calls on the user-interface thread.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QPushButton>

#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

#include "midi/transfer.h"

class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kel {

class CUiServices;

namespace dlg {
inline constexpr int Devices = 117;
inline constexpr int TransmitInstructions = 110;
inline constexpr int Progress = 112;
inline constexpr int Receive = 113;
} // namespace dlg

namespace ctl {
inline constexpr int ProgressBar = 1034;
} // namespace ctl

// The layout shared by dialogs 110 and 113: a request, "Procedure is as follows:", the steps
// on the device, and "Continue" (id 1) and "Cancel" (id 2).
class CInstructionsDlg : public QDialog {
    Q_OBJECT
public:
    QPushButton* ContinueButton() const { return continue_; }
    QPushButton* CancelButton() const { return cancel_; }

protected:
    CInstructionsDlg(int id, const QString& title, const QString& request, const QStringList& steps,
                     QWidget* parent);
    // Puts `button` in the button row, left of "Continue" and "Cancel".
    void AddButton(QPushButton* button);

private:
    QPushButton* continue_;
    QPushButton* cancel_;
    QDialogButtonBox* buttons_;
};

// The "Ask Again" button of a receive's dialogs: hidden until the receive offers a way to ask
// the device again; a click sends the request once more, after which the button rests for a
// while, so that a device slow to answer is not asked over and over.
class CAskAgainButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kRest{1500};

    explicit CAskAgainButton(QWidget* parent);
    void Offer(std::function<bool()> ask);
    bool Offered() const { return static_cast<bool>(ask_); }
    // Shows the button when `wanted` and a way to ask is offered; enables it once it has rested.
    void ShowIf(bool wanted);
    // How many times the request went out again.
    int Asks() const { return asks_; }

private:
    void Ask();

    std::function<bool()> ask_;
    std::chrono::steady_clock::time_point askedAt_{};
    int asks_ = 0;
};

// Dialog 110: how to put the device into Bulk Receive mode before the map is sent.
class CTransmitInstructionsDlg : public CInstructionsDlg {
    Q_OBJECT
public:
    explicit CTransmitInstructionsDlg(QWidget* parent = nullptr);
};

// Runs `handle` on the dialog's (the user-interface) thread and returns at once, from any
// thread. A call queued for a dialog that is destroyed before it is handled is dropped with it.
template <typename Handle> void QueueToDialog(QObject* dialog, Handle handle) {
    QMetaObject::invokeMethod(dialog, std::move(handle), Qt::QueuedConnection);
}

class CProgressDlg;

// Dialog 113: how to make the device send its memory. "Continue" stays disabled; the dialog
// closes with OK by itself when the first bulk message has been decoded.
class CKelRcvDlg : public CInstructionsDlg, public TransferDialog {
    Q_OBJECT
public:
    CKelRcvDlg(CUiServices& ui, QWidget* parent = nullptr);

    DialogResult RunModal() override;
    // From the engine's threads: queued for OnBulkReceived. Nothing is sent here.
    void BulkSent(int) override {}
    void BulkReceived(std::uint32_t, int remaining) override {
        QueueToDialog(this, [this, remaining] { OnBulkReceived(remaining); });
    }
    // On the user-interface thread: a bulk message has arrived, `remaining` controllers to go.
    void OnBulkReceived(int remaining);

    void OfferAskAgain(std::function<bool()> ask) override;
    // Reports that reach this dialog after it has closed (the parser thread goes on while the
    // progress dialog is being set up) are handed on to `next`, so none is lost.
    void HandOnTo(CProgressDlg* next);
    // The remaining count of the latest report; -1 before the first.
    int LatestRemaining() const { return latest_; }
    CAskAgainButton* AskAgainButton() const { return askAgain_; }

private:
    CUiServices& ui_;
    CAskAgainButton* askAgain_;
    bool received_ = false;
    int latest_ = -1;
    QPointer<CProgressDlg> next_;
};

// Dialog 112, "Transmitting..." in both directions: a bar 0..50 moved by each report; when
// the remaining count reaches 0 the bar is full and the dialog closes with OK one second later.
// During a receive, once no bulk message has come for a while, a line under the bar names the
// controls still missing and their damaged messages.
class CProgressDlg : public QDialog, public TransferDialog {
    Q_OBJECT
public:
    static constexpr int kFinishDelayMs = 1000;

    CProgressDlg(CUiServices& ui, QWidget* parent = nullptr);

    DialogResult RunModal() override;
    // From the engine's threads: queued for OnTransferReport.
    void BulkSent(int remaining) override {
        QueueToDialog(this, [this, remaining] { OnTransferReport(remaining); });
    }
    void BulkReceived(std::uint32_t, int remaining) override { BulkSent(remaining); }
    void WatchReceive(const CMidiIn& input) override;
    void OfferAskAgain(std::function<bool()> ask) override;
    // On the user-interface thread: a bulk message has been sent or received, `remaining` to go.
    void OnTransferReport(int remaining);
    // On the user-interface thread: moves the bar as `command` says.
    void OnProgressCommand(ProgressCommand command, int amount);

    CProgressState& State() { return state_; }
    QProgressBar* Bar() const { return bar_; }
    QPushButton* CancelButton() const { return cancel_; }
    // The line naming what a quiet receive waits for (hidden while nothing is to be said).
    QLabel* WaitingLabel() const { return waiting_; }
    // Shown with the waiting line, when the receive offers to ask the device again.
    CAskAgainButton* AskAgainButton() const { return askAgain_; }
    // Looks at the watched receive again (a timer does it twice a second).
    void ShowWhatIsMissing();
    bool Finishing() const { return state_.Finished(); }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Update();
    void Finish();
    // Shows the state after a report or command; `finished` starts the closing.
    void Changed(bool finished);

    CUiServices& ui_;
    CProgressState state_;
    QProgressBar* bar_;
    QLabel* waiting_;
    CAskAgainButton* askAgain_;
    QPushButton* cancel_;
    QTimer* finishTimer_;
    QTimer* quietTimer_;
    const CMidiIn* watched_ = nullptr;
    bool closedOk_ = false;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs of Transmit and Receive: the transmit instructions (dialog 110), the receive
// dialog that waits for the device's first bulk message (113) and the progress dialog of both
// directions (112). The MIDI engine reaches the last two only through posts, which arrive here
// as queued calls on the user-interface thread.
#pragma once

#include <QDialog>
#include <QPointer>

#include "midi/transfer.h"

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

private:
    QPushButton* continue_;
    QPushButton* cancel_;
};

// Dialog 110: how to put the device into Bulk Receive mode before the map is sent.
class CTransmitInstructionsDlg : public CInstructionsDlg {
    Q_OBJECT
public:
    explicit CTransmitInstructionsDlg(QWidget* parent = nullptr);
};

// Feeds the engine's posts to a dialog on the user-interface thread. Posts queued for a dialog
// that is destroyed before they are handled are dropped with it.
template <typename Dialog>
void PostToDialog(Dialog* dialog, int message, std::uintptr_t wParam, std::intptr_t lParam) {
    QMetaObject::invokeMethod(
        dialog, [dialog, message, wParam, lParam] { dialog->OnPost(message, wParam, lParam); },
        Qt::QueuedConnection);
}

class CProgressDlg;

// Dialog 113: how to make the device send its memory. "Continue" stays disabled; the dialog
// closes with OK by itself when the first bulk message has been decoded.
class CKelRcvDlg : public CInstructionsDlg, public TransferDialog {
    Q_OBJECT
public:
    CKelRcvDlg(CUiServices& ui, QWidget* parent = nullptr);

    DialogResult RunModal() override;
    void post(int message, std::uintptr_t wParam, std::intptr_t lParam) override {
        PostToDialog(this, message, wParam, lParam);
    }
    void OnPost(int message, std::uintptr_t wParam, std::intptr_t lParam);

    // Reports that reach this dialog after it has closed (the parser thread goes on while the
    // progress dialog is being set up) are handed on to `next`, so none is lost.
    void HandOnTo(CProgressDlg* next);
    // The remaining count of the latest report; -1 before the first.
    std::intptr_t LatestRemaining() const { return latest_; }

private:
    CUiServices& ui_;
    bool received_ = false;
    std::intptr_t latest_ = -1;
    QPointer<CProgressDlg> next_;
};

// Dialog 112, "Transmitting..." in both directions: a bar 0..50 moved by each report; when
// the remaining count reaches 0 the bar is full and the dialog closes with OK one second later.
class CProgressDlg : public QDialog, public TransferDialog {
    Q_OBJECT
public:
    static constexpr int kFinishDelayMs = 1000;

    CProgressDlg(CUiServices& ui, QWidget* parent = nullptr);

    DialogResult RunModal() override;
    void post(int message, std::uintptr_t wParam, std::intptr_t lParam) override {
        PostToDialog(this, message, wParam, lParam);
    }
    // UM_BULK_SENT and UM_BULK_RECEIVED (lParam: remaining count) and UM_PROGRESS.
    void OnPost(int message, std::uintptr_t wParam, std::intptr_t lParam);

    CProgressState& State() { return state_; }
    QProgressBar* Bar() const { return bar_; }
    QPushButton* CancelButton() const { return cancel_; }
    bool Finishing() const { return state_.Finished(); }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Update();
    void Finish();

    CUiServices& ui_;
    CProgressState state_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    QTimer* finishTimer_;
    bool closedOk_ = false;
};

} // namespace kel

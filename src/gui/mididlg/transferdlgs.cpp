// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mididlg/transferdlgs.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "gui/common/uiservices.h"
#include "gui/common/uitext.h"

namespace kel {

namespace {

QLabel* PlainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

DialogResult ResultOf(int code) {
    return code == QDialog::Accepted ? DialogResult::Ok : DialogResult::Cancel;
}

} // namespace

CInstructionsDlg::CInstructionsDlg(int id, const QString& title, const QString& request,
                                   const QStringList& steps, QWidget* parent)
    : QDialog(parent), continue_(new QPushButton(KelEditor::tr("Continue"), this)),
      cancel_(new QPushButton(KelEditor::tr("Cancel"), this)),
      buttons_(new QDialogButtonBox(this)) {
    SetKelId(this, id);
    setWindowTitle(title);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    QLabel* requestLabel = PlainLabel(request, this);
    QFont strong = requestLabel->font();
    strong.setBold(true);
    requestLabel->setFont(strong);
    layout->addWidget(requestLabel);
    layout->addSpacing(6);
    layout->addWidget(PlainLabel(KelEditor::tr("Procedure is as follows:"), this));
    // The steps on the device, set in from the text above them.
    auto* stepBox = new QVBoxLayout;
    stepBox->setContentsMargins(16, 2, 0, 0);
    stepBox->setSpacing(6);
    for (const QString& step : steps) {
        stepBox->addWidget(PlainLabel(step, this));
    }
    layout->addLayout(stepBox);
    layout->addSpacing(10);

    continue_->setDefault(true);
    continue_->setAutoDefault(true);
    SetKelId(continue_, 1);
    SetKelId(cancel_, 2);
    buttons_->addButton(continue_, QDialogButtonBox::AcceptRole);
    buttons_->addButton(cancel_, QDialogButtonBox::RejectRole);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CInstructionsDlg::AddButton(QPushButton* button) {
    buttons_->addButton(button, QDialogButtonBox::ActionRole);
}

CAskAgainButton::CAskAgainButton(QWidget* parent)
    : QPushButton(KelEditor::tr("&Ask Again"), parent) {
    setObjectName(QStringLiteral("askAgain"));
    setAutoDefault(false);
    setToolTip(KelEditor::tr("Sends the request to the KEL once more. What it sends then fills "
                             "the controls still missing."));
    hide();
    connect(this, &QPushButton::clicked, this, &CAskAgainButton::Ask);
}

void CAskAgainButton::Offer(std::function<bool()> ask) {
    ask_ = std::move(ask);
}

void CAskAgainButton::ShowIf(bool wanted) {
    const bool shown = wanted && Offered();
    if (shown) {
        setEnabled(std::chrono::steady_clock::now() - askedAt_ >= kRest);
    }
    setVisible(shown);
}

void CAskAgainButton::Ask() {
    if (!ask_ || !isEnabled()) {
        return;
    }
    askedAt_ = std::chrono::steady_clock::now();
    setEnabled(false);
    if (ask_()) {
        ++asks_;
    }
}

CTransmitInstructionsDlg::CTransmitInstructionsDlg(QWidget* parent)
    : CInstructionsDlg(
          dlg::TransmitInstructions, KelEditor::tr("Transmit Control Map"),
          KelEditor::tr("Please set the KEL to Bulk Receive mode."),
          {KelEditor::tr("Confirm that \"RS\" is indicated, then\npress the [ENTER] button.")},
          parent) {}

CKelRcvDlg::CKelRcvDlg(CUiServices& ui, QWidget* parent)
    : CInstructionsDlg(
          dlg::Receive, KelEditor::tr("Receive Control Map"),
          KelEditor::tr("Please set the KEL to Bulk Transmit mode."),
          {KelEditor::tr("1 Confirm that \"TS\" is indicated, then\n   press the [ENTER] button."),
           KelEditor::tr("2 Press the [ENTER] button.")},
          parent),
      ui_(ui), askAgain_(new CAskAgainButton(this)) {
    // The device's data, not the user, moves this dialog on.
    ContinueButton()->setEnabled(false);
    CancelButton()->setDefault(true);
    AddButton(askAgain_);
    // The button rests after a click; it comes back when the rest is over.
    auto* rest = new QTimer(this);
    rest->setInterval(500);
    connect(rest, &QTimer::timeout, this, [this] { askAgain_->ShowIf(!received_); });
    rest->start();
}

void CKelRcvDlg::OfferAskAgain(std::function<bool()> ask) {
    askAgain_->Offer(std::move(ask));
    askAgain_->ShowIf(!received_);
}

DialogResult CKelRcvDlg::RunModal() {
    if (received_) {
        return DialogResult::Ok; // the first message came before the dialog could be shown
    }
    const DialogResult result = ResultOf(ui_.RunModal(*this));
    // Seen after the dialog has closed, the first message no longer closes it.
    received_ = true;
    return result;
}

void CKelRcvDlg::OnBulkReceived(int remaining) {
    latest_ = remaining;
    if (!received_) {
        received_ = true;
        if (isVisible()) {
            accept();
        }
        return;
    }
    if (next_ != nullptr) {
        next_->OnTransferReport(remaining);
    }
}

void CKelRcvDlg::HandOnTo(CProgressDlg* next) {
    next_ = next;
    if (next != nullptr && latest_ >= 0) {
        next->OnTransferReport(latest_);
    }
}

CProgressDlg::CProgressDlg(CUiServices& ui, QWidget* parent)
    : QDialog(parent), ui_(ui), bar_(new QProgressBar(this)), waiting_(new QLabel(this)),
      askAgain_(new CAskAgainButton(this)), cancel_(new QPushButton(KelEditor::tr("Cancel"), this)),
      finishTimer_(new QTimer(this)), quietTimer_(new QTimer(this)) {
    SetKelId(this, dlg::Progress);
    setWindowTitle(KelEditor::tr("Transmitting..."));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);

    SetKelId(bar_, ctl::ProgressBar);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(260);
    // Not shown on the bar; screen readers read it as the bar's description.
    bar_->setFormat(KelEditor::tr("%p% (%v of %m)"));
    bar_->setAccessibleName(KelEditor::tr("Progress"));
    SetKelId(cancel_, 2);
    connect(cancel_, &QPushButton::clicked, this, &CProgressDlg::reject);

    finishTimer_->setSingleShot(true);
    finishTimer_->setInterval(kFinishDelayMs);
    connect(finishTimer_, &QTimer::timeout, this, [this] {
        closedOk_ = true;
        done(QDialog::Accepted);
    });

    waiting_->setWordWrap(true);
    waiting_->setMaximumWidth(360);
    waiting_->hide();
    quietTimer_->setInterval(500);
    connect(quietTimer_, &QTimer::timeout, this, &CProgressDlg::ShowWhatIsMissing);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(askAgain_);
    row->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addWidget(waiting_);
    layout->addSpacing(6);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Update();
}

DialogResult CProgressDlg::RunModal() {
    if (closedOk_) {
        return DialogResult::Ok; // finished before it could be shown
    }
    return ResultOf(ui_.RunModal(*this));
}

void CProgressDlg::WatchReceive(const CMidiIn& input) {
    watched_ = &input;
    quietTimer_->start();
}

void CProgressDlg::OfferAskAgain(std::function<bool()> ask) {
    askAgain_->Offer(std::move(ask));
}

void CProgressDlg::ShowWhatIsMissing() {
    if (watched_ == nullptr) {
        return;
    }
    const ReceiveStatus status = watched_->GetReceiveStatus();
    const bool quiet = !state_.Finished() && status.Quiet(TransferClockNow());
    if (quiet) {
        const QString text = UiText(status.Waiting());
        if (waiting_->text() != text) {
            waiting_->setText(text);
            waiting_->setAccessibleName(text);
        }
    }
    waiting_->setVisible(quiet);
    askAgain_->ShowIf(quiet);
}

void CProgressDlg::showEvent(QShowEvent* event) {
    // On opening: the range, the position and whether Cancel may be used.
    Update();
    QDialog::showEvent(event);
}

void CProgressDlg::Update() {
    bar_->setRange(0, state_.Total());
    bar_->setValue(std::clamp(state_.Position(), 0, state_.Total()));
    bar_->setAccessibleDescription(bar_->text());
    cancel_->setEnabled(state_.CancelEnabled() && !state_.Finished());
}

void CProgressDlg::OnTransferReport(int remaining) {
    if (!state_.Finished()) { // else the bar is full and the dialog is about to close
        Changed(state_.OnTransferReport(remaining));
    }
}

void CProgressDlg::OnProgressCommand(ProgressCommand command, int amount) {
    if (!state_.Finished()) {
        Changed(state_.OnProgressCommand(command, amount));
    }
}

void CProgressDlg::Changed(bool finished) {
    Update();
    if (finished) {
        Finish();
    }
}

void CProgressDlg::Finish() {
    // The full bar stays in view for a second before the dialog closes by itself.
    finishTimer_->start();
}

void CProgressDlg::reject() {
    if (state_.Finished() || !state_.CancelEnabled()) {
        return; // complete already, or not to be cancelled
    }
    QDialog::reject();
}

} // namespace kel

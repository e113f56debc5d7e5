// SPDX-License-Identifier: GPL-3.0-or-later
// A modal "Continue" / "Cancel" question whose text is a string-table entry (used before a
// transmit or a receive overwrites something).
#pragma once

#include <QDialog>

#include "model/strings.h"

class QLabel;
class QPushButton;

namespace kel {

class CConfirmDlg : public QDialog {
    Q_OBJECT
public:
    // `text` is the string-table entry shown; an id the table does not hold shows nothing.
    explicit CConfirmDlg(StringId text, QWidget* parent = nullptr);

    QLabel* TextLabel() const { return text_; }
    QPushButton* ContinueButton() const { return continue_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    QLabel* text_;
    QPushButton* continue_;
    QPushButton* cancel_;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/confirmdlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "gui/common/uitext.h"

namespace kel {

CConfirmDlg::CConfirmDlg(StringId text, QWidget* parent)
    : QDialog(parent), text_(new QLabel(UiText(text), this)),
      continue_(new QPushButton(KelEditor::tr("Continue"), this)),
      cancel_(new QPushButton(KelEditor::tr("Cancel"), this)) {
    setWindowTitle(KelEditor::tr("Confirm"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);

    SetKelId(text_, ctl::ConfirmText);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The text area is 137 x 41 dialog units: a dialog unit is a quarter of the average
    // character width across and an eighth of the character height down.
    const QFontMetrics metrics(text_->font());
    text_->setMinimumSize(137 * metrics.averageCharWidth() / 4, 41 * metrics.height() / 8);

    continue_->setDefault(true);
    continue_->setAutoDefault(true);
    SetKelId(continue_, 1); // OK
    SetKelId(cancel_, 2);   // Cancel
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(continue_, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace kel

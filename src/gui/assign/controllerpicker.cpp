// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/assign/controllerpicker.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTimer>

#include <algorithm>

#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "model/midinames.h"

namespace kel {

namespace {

constexpr int kNumberRole = Qt::UserRole + 1;

} // namespace

CControllerPicker::CControllerPicker(QWidget* parent)
    : CAccEdit(parent), offers_(new QStandardItemModel(this)), completer_(new QCompleter(this)) {
    SetKelId(this, IdPicker);
    setPlaceholderText(KelEditor::tr("Find by name"));
    setAccessibleName(KelEditor::tr("Find a controller by name or number"));
    setClearButtonEnabled(false);
    // The list is filtered by the core's rule as the text changes; the completer only shows it
    // and takes the keys while it is open.
    completer_->setModel(offers_);
    completer_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer_->setWrapAround(false);
    completer_->setMaxVisibleItems(8);
    completer_->setWidget(this);
    connect(completer_, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            [this](const QModelIndex& index) { Choose(index.row()); });
    connect(this, &QLineEdit::textEdited, this, &CControllerPicker::Offer);
    // Tab while the list is open moves the focus without a focus-out here: the list closing
    // tells.
    completer_->popup()->installEventFilter(this);
}

bool CControllerPicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == completer_->popup() && event->type() == QEvent::Hide) {
        // Once the list has handed over what was picked.
        QTimer::singleShot(0, this, [this] {
            if (!hasFocus()) {
                Reset();
            }
        });
    }
    return CAccEdit::eventFilter(watched, event);
}

QWidget* CControllerPicker::Popup() const {
    return completer_->popup();
}

QStringList CControllerPicker::Offered() const {
    QStringList lines;
    for (int row = 0; row < offers_->rowCount(); ++row) {
        lines << offers_->item(row)->text();
    }
    return lines;
}

void CControllerPicker::Reset() {
    completer_->popup()->hide();
    clear();
    offers_->clear();
    setAccessibleDescription({});
}

void CControllerPicker::Offer() {
    offers_->clear();
    const QString typed = text().trimmed();
    if (typed.isEmpty()) {
        completer_->popup()->hide();
        setAccessibleDescription({});
        return;
    }
    const std::vector<int> numbers = FindControllerNumbers(typed.toStdString());
    for (const int number : numbers) {
        const std::string_view name = ControllerNumberName(number);
        auto* item = new QStandardItem(
            name.empty() ? QString::number(number)
                         : QStringLiteral("%1 %2").arg(number).arg(QString::fromUtf8(
                               name.data(), static_cast<qsizetype>(name.size()))));
        item->setData(number, kNumberRole);
        item->setEditable(false);
        offers_->appendRow(item);
    }
    if (numbers.empty()) {
        // Said where the offers would be, and to screen readers: nothing changes.
        auto* item = new QStandardItem(
            KelEditor::tr("No controller name contains \"%1\"; the number stays").arg(typed));
        item->setFlags(Qt::NoItemFlags);
        offers_->appendRow(item);
        setAccessibleDescription(item->text());
    } else {
        setAccessibleDescription(
            KelEditor::tr("Controllers found: %1").arg(static_cast<int>(numbers.size())));
    }
    // The list is as wide as its longest line, so that no name is cut.
    QAbstractItemView* list = completer_->popup();
    QRect under = rect();
    under.setWidth(std::max(width(), list->sizeHintForColumn(0) +
                                         list->verticalScrollBar()->sizeHint().width() +
                                         2 * list->frameWidth() + 4));
    completer_->complete(under);
    // Nothing is highlighted until Down: the first Down highlights the first line.
    list->setCurrentIndex({});
}

void CControllerPicker::Choose(int row) {
    QStandardItem* item = offers_->item(row);
    if (item == nullptr || !item->data(kNumberRole).isValid()) {
        return;
    }
    const int number = item->data(kNumberRole).toInt();
    Reset();
    emit Chosen(number);
}

void CControllerPicker::focusOutEvent(QFocusEvent* event) {
    CAccEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason) {
        Reset();
    }
}

void CControllerPicker::keyPressEvent(QKeyEvent* event) {
    QAbstractItemView* list = completer_->popup();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // With a line highlighted the list takes it; without, the first line offered. When
        // nothing matches, the line saying so stays and nothing is picked.
        if (offers_->rowCount() == 0 || !offers_->item(0)->data(kNumberRole).isValid()) {
            event->accept();
            return;
        }
        if (list->isVisible() && list->currentIndex().isValid()) {
            break;
        }
        event->accept();
        if (list->isVisible()) {
            list->hide();
            Choose(0);
        }
        return;
    case Qt::Key_Down:
        // Opens the offers again after Escape closed them.
        if (!list->isVisible() && !text().trimmed().isEmpty()) {
            Offer();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    CAccEdit::keyPressEvent(event);
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader finds in a window: the fields that take the keyboard and have no name.
#pragma once

#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QStringList>
#include <QWidget>

namespace kel {

// Whether a screen reader can tell what `field` is. A list's name is the entry it shows, so it
// needs a label (a buddy beside it) or a titled group around it; other fields need a name.
inline bool HasName(QWidget* field) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(field);
    if (face == nullptr) {
        return false;
    }
    if (qobject_cast<QComboBox*>(field) != nullptr) {
        const auto* group = qobject_cast<const QGroupBox*>(field->parentWidget());
        return !face->relations(QAccessible::Label).isEmpty() ||
               (group != nullptr && !group->title().isEmpty());
    }
    return !face->text(QAccessible::Name).trimmed().isEmpty();
}

// The shown widgets of `window` that take the keyboard focus but have no accessible name (as
// "class objectName"), in the window's tab order.
inline QStringList UnnamedFields(QWidget* window) {
    QStringList unnamed;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if (!w->isVisibleTo(window) || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)) {
            continue;
        }
        if (!HasName(w)) {
            unnamed << QStringLiteral("%1 %2").arg(w->metaObject()->className(), w->objectName());
        }
    }
    return unnamed;
}

// The shown widgets of `window` that take the keyboard focus, in tab order.
inline QList<QWidget*> TabOrder(QWidget* window) {
    QList<QWidget*> order;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if (w->isVisibleTo(window) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            order << w;
        }
    }
    return order;
}

// The pairs of neighbours in the tab order of `window` that go against the reading order: the
// next one wholly above the one before it, or beside it on its left.
inline QStringList AgainstReadingOrder(QWidget* window) {
    QStringList wrong;
    const QList<QWidget*> order = TabOrder(window);
    for (qsizetype i = 1; i < order.size(); ++i) {
        const QRect a(order[i - 1]->mapTo(window, QPoint()), order[i - 1]->size());
        const QRect b(order[i]->mapTo(window, QPoint()), order[i]->size());
        const bool above = b.bottom() < a.top();
        const bool sameRow = b.top() <= a.bottom() && a.top() <= b.bottom();
        if (above || (sameRow && b.right() < a.left())) {
            wrong << order[i - 1]->objectName() + QStringLiteral(" -> ") + order[i]->objectName();
        }
    }
    return wrong;
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// Finding and working the widgets of a window as a user does: a control by its id, a pick in a
// list, the entries of a list, and a window brought to the front.
#pragma once

#include <QComboBox>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "gui/common/ids.h"

namespace kel {

// The control of `root` with `id`; a test failure when there is none.
template <typename T> T* Control(QObject* root, int id) {
    T* control = FindByKelId<T>(root, id);
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

// A pick in a list, as the user makes it: the list shows the entry and reports it activated.
inline void Pick(QComboBox* list, int entry) {
    list->setCurrentIndex(entry);
    emit list->activated(entry);
}

inline QStringList ItemTexts(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->itemText(i);
    }
    return items;
}

// Shows `window`, makes it the active one and waits until it is; whether it became active.
inline bool ShowActive(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

} // namespace kel

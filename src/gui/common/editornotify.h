// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's notification as a posted Qt event: the panel posts it to its view, the view passes
// it on to the main window, and the assign dialog posts it to the main window. Being posted, it is
// handled after the sender has finished its own work.
#pragma once

#include <QCoreApplication>
#include <QEvent>

#include "gui/common/ids.h"

namespace kel {

class CEditorNotifyEvent : public QEvent {
public:
    // An event type of its own, registered with Qt on first use.
    static inline const QEvent::Type kType = static_cast<QEvent::Type>(QEvent::registerEventType());

    CEditorNotifyEvent(int code, int value) : QEvent(kType), code_(code), value_(value) {}

    int Code() const { return code_; }
    int Value() const { return value_; }

private:
    int code_;
    int value_;
};

inline void PostEditorNotify(QObject* target, int code, int value) {
    if (target != nullptr) {
        QCoreApplication::postEvent(target, new CEditorNotifyEvent(code, value));
    }
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up measurement shared by the editor's probe and the minimal Qt program: the time from
// the start of the process to the end of the first paint of its main window, printed on
// standard output, after which the program quits. Nothing of this is in the editor itself.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace kelbench {

// Nanoseconds of CLOCK_REALTIME; the script reads the same clock just before it starts the
// program and passes the reading in KEL_PROBE_T0_NS.
inline long long RealtimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

class FirstPaintProbe : public QObject {
public:
    FirstPaintProbe() {
        if (const char* t0 = std::getenv("KEL_PROBE_T0_NS"); t0 != nullptr) {
            start_ = std::atoll(t0);
        }
        constructed_ = RealtimeNs();
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
            QWidget* top = static_cast<QWidget*>(watched)->window();
            if (qobject_cast<QMainWindow*>(top) != nullptr) {
                seen_ = true;
                // The whole window is painted and flushed in the same pass as this first paint
                // event; a zero timer runs once that pass is over.
                QTimer::singleShot(0, this, [this] {
                    const long long end = RealtimeNs();
                    const auto ms = [this](long long at) {
                        return start_ > 0 ? static_cast<double>(at - start_) / 1e6 : -1.0;
                    };
                    // The application object exists: loading, linking and Qt's own start-up.
                    std::printf("application-ms %.2f\n", ms(constructed_));
                    std::printf("first-paint-ms %.2f\n", ms(end));
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    long long start_ = 0;
    long long constructed_ = 0;
    bool seen_ = false;
};

} // namespace kelbench

// SPDX-License-Identifier: GPL-3.0-or-later
// The smallest Qt Widgets program the editor's start-up is compared with: a main window with a
// menu bar and a label, under the same first-paint probe.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

#include "startup_probe.h"

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    kelbench::FirstPaintProbe probe;
    QMainWindow window;
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("E&xit"), &window, &QWidget::close);
    window.setCentralWidget(new QLabel(QStringLiteral("Hello"), &window));
    window.resize(720, 300);
    window.show();
    return QApplication::exec();
}

// SPDX-License-Identifier: GPL-3.0-or-later
// kel-render-picture: draws the panel picture at a whole-number pixel ratio into a PNG while
// the editor is built. The editor carries these pictures, so on ordinary and high-density
// screens it shows its window without drawing the SVG first.
//
// Usage: kel-render-picture DRAWING.svg RATIO OUTPUT.png
#include <QGuiApplication>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

#include "gui/panel/picturerender.h"

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool ratioOk = false;
    const int ratio = args.size() == 4 ? args[2].toInt(&ratioOk) : 0;
    if (!ratioOk || ratio < 1 || ratio > 4) {
        std::fprintf(stderr, "usage: kel-render-picture DRAWING.svg RATIO(1-4) OUTPUT.png\n");
        return EXIT_FAILURE;
    }
    QSvgRenderer renderer(args[1]);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "kel-render-picture: cannot read %s\n", qPrintable(args[1]));
        return EXIT_FAILURE;
    }
    const QImage image = kel::RenderPicture(renderer, renderer.defaultSize() * ratio);
    if (!image.save(args[3], "PNG")) {
        std::fprintf(stderr, "kel-render-picture: cannot write %s\n", qPrintable(args[3]));
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}

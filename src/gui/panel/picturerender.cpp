// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panel/picturerender.h"

#include <QPainter>
#include <QSvgRenderer>

namespace kel {

QImage RenderPicture(QSvgRenderer& renderer, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size.width(), size.height()));
    return image;
}

} // namespace kel

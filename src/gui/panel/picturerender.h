// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing an SVG picture of the device into pixels. The editor draws with it when no ready
// picture fits the screen, and the build draws the ready pictures with it, so both look alike.
#pragma once

#include <QImage>
#include <QSize>

class QSvgRenderer;

namespace kel {

// `renderer`'s drawing stretched over `size` pixels, antialiased, on black.
QImage RenderPicture(QSvgRenderer& renderer, QSize size);

} // namespace kel

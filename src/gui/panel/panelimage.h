// SPDX-License-Identifier: GPL-3.0-or-later
// The process-wide cache of the panel pictures. A picture is an SVG drawing of the device,
// shown at the screen's device-pixel ratio so that it stays sharp on high-density screens: the
// editor carries it ready drawn at ratios 1 and 2 and draws it itself at any other ratio. The
// cache is shared by everything that shows a panel; the main window holds a reference on it
// for its lifetime, and the pictures are released when the last reference goes.
#pragma once

#include <QByteArray>
#include <QPixmap>
#include <QString>

#include <memory>

class QSvgRenderer;

namespace kel {

inline constexpr int kPanelImageId = 150; // the device's front

class CCommonBitmap {
public:
    // `drawingPath`: the SVG drawing. `readyPattern`: where the ready-drawn pictures are, with
    // %1 standing for the whole-number ratio; empty when there are none.
    CCommonBitmap(int resourceId, const QString& drawingPath, const QString& readyPattern = {});
    ~CCommonBitmap();

    bool IsLoaded() const;
    int ResourceId() const { return resourceId_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // The picture at `devicePixelRatio`: the ready one when there is one for that ratio, else
    // drawn on first use at that ratio.
    const QPixmap& Pixmap(qreal devicePixelRatio);

private:
    QSvgRenderer& Renderer(); // the drawing, read on first use
    QPixmap ReadyPicture(qreal devicePixelRatio, QSize size) const;
    QPixmap CachedOrDrawnPicture(QSize size); // kept in the user's cache folder once drawn

    int resourceId_;
    QString drawingPath_;
    QString readyPattern_;
    int width_ = 0;
    int height_ = 0;
    std::unique_ptr<QSvgRenderer> renderer_;
    QByteArray digest_; // of the drawing, naming its cached picture
    QPixmap pixmap_;
};

class CBmpList {
public:
    // The picture of `resourceId`, loaded on first use; null when it cannot be loaded.
    static CCommonBitmap* Get(int resourceId);
    // References held by the windows that show pictures; the last release frees them all.
    static void AddUser();
    static void ReleaseUser();
    static int Count();
};

// The picture of the device's front (720 x 219), or null when it cannot be loaded.
CCommonBitmap* GetPanelBitmap();

} // namespace kel

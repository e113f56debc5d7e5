// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panel/panelimage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>
#include <QStandardPaths>
#include <QSvgRenderer>

#include "gui/panel/picturerender.h"

#include <cmath>
#include <vector>

namespace kel {

namespace {

struct Cache {
    std::vector<std::unique_ptr<CCommonBitmap>> bitmaps;
    int users = 0;
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

// The build draws the panel at ratios 1 and 2 (kel-render-picture) into the editor's resources.
constexpr char kPanelDrawing[] = ":/kel/panel.svg";
constexpr char kPanelReady[] = ":/kel/pictures/panel@%1x.png";

// Drawing the picture's shapes and lettering costs several milliseconds, more than the whole
// rest of the window, so a picture drawn at a ratio that has no ready one (a fractional screen
// scale) is kept in the user's cache folder. Its name carries a digest of the drawing
// and the pixel size: a changed drawing or another screen scale never shows a stale picture.
QString CachedPicturePath(const QByteArray& digest, QSize size) {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (dir.isEmpty() || digest.isEmpty()) {
        return {};
    }
    return QStringLiteral("%1/panel-%2-%3x%4.png")
        .arg(dir, QString::fromLatin1(digest.toHex().left(20)))
        .arg(size.width())
        .arg(size.height());
}

QByteArray DigestOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
}

} // namespace

CCommonBitmap::CCommonBitmap(int resourceId, const QString& drawingPath,
                             const QString& readyPattern)
    : resourceId_(resourceId), drawingPath_(drawingPath), readyPattern_(readyPattern) {
    // The ready picture at ratio 1 has the drawing's size; reading its header is much cheaper
    // than reading the drawing.
    QSize size;
    if (!readyPattern_.isEmpty()) {
        size = QImageReader(readyPattern_.arg(1)).size();
    }
    if (!size.isValid() && Renderer().isValid()) {
        size = Renderer().defaultSize();
    }
    if (size.isValid()) {
        width_ = size.width();
        height_ = size.height();
    }
}

CCommonBitmap::~CCommonBitmap() = default;

bool CCommonBitmap::IsLoaded() const {
    return width_ > 0 && height_ > 0;
}

QSvgRenderer& CCommonBitmap::Renderer() {
    if (renderer_ == nullptr) {
        renderer_ = std::make_unique<QSvgRenderer>(drawingPath_);
        digest_ = DigestOf(drawingPath_);
    }
    return *renderer_;
}

QPixmap CCommonBitmap::ReadyPicture(qreal devicePixelRatio, QSize size) const {
    const qreal whole = std::round(devicePixelRatio);
    if (readyPattern_.isEmpty() || whole < 1 || !qFuzzyCompare(whole, devicePixelRatio)) {
        return {};
    }
    QPixmap pixmap;
    if (!pixmap.load(readyPattern_.arg(static_cast<int>(whole)), "PNG") || pixmap.size() != size) {
        return {};
    }
    return pixmap;
}

QPixmap CCommonBitmap::CachedOrDrawnPicture(QSize size) {
    QSvgRenderer& renderer = Renderer(); // also reads the digest that names the cached file
    const QString cached = CachedPicturePath(digest_, size);
    QPixmap pixmap;
    if (!cached.isEmpty() && pixmap.load(cached, "PNG") && pixmap.size() == size) {
        return pixmap;
    }
    pixmap = QPixmap::fromImage(RenderPicture(renderer, size));
    // A picture that cannot be kept is simply drawn again at the next start.
    if (!cached.isEmpty() && QDir().mkpath(QFileInfo(cached).path())) {
        QSaveFile file(cached);
        if (file.open(QIODevice::WriteOnly) && pixmap.save(&file, "PNG")) {
            file.commit();
        }
    }
    return pixmap;
}

const QPixmap& CCommonBitmap::Pixmap(qreal devicePixelRatio) {
    if (pixmap_.isNull() || !qFuzzyCompare(pixmap_.devicePixelRatio(), devicePixelRatio)) {
        const QSize size(static_cast<int>(std::ceil(width_ * devicePixelRatio)),
                         static_cast<int>(std::ceil(height_ * devicePixelRatio)));
        QPixmap pixmap = ReadyPicture(devicePixelRatio, size);
        if (pixmap.isNull()) {
            pixmap = CachedOrDrawnPicture(size);
        }
        pixmap.setDevicePixelRatio(devicePixelRatio);
        pixmap_ = pixmap;
    }
    return pixmap_;
}

CCommonBitmap* CBmpList::Get(int resourceId) {
    Cache& cache = TheCache();
    for (const auto& bitmap : cache.bitmaps) {
        if (bitmap->ResourceId() == resourceId) {
            return bitmap.get();
        }
    }
    if (resourceId != kPanelImageId) {
        return nullptr;
    }
    auto bitmap = std::make_unique<CCommonBitmap>(resourceId, QString::fromLatin1(kPanelDrawing),
                                                  QString::fromLatin1(kPanelReady));
    if (!bitmap->IsLoaded()) {
        return nullptr;
    }
    cache.bitmaps.push_back(std::move(bitmap));
    return cache.bitmaps.back().get();
}

void CBmpList::AddUser() {
    ++TheCache().users;
}

void CBmpList::ReleaseUser() {
    Cache& cache = TheCache();
    if (cache.users > 0 && --cache.users == 0) {
        cache.bitmaps.clear();
    }
}

int CBmpList::Count() {
    return static_cast<int>(TheCache().bitmaps.size());
}

CCommonBitmap* GetPanelBitmap() {
    return CBmpList::Get(kPanelImageId);
}

} // namespace kel

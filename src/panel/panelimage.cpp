#include "panel/panelimage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QSvgRenderer>

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

QString PathOf(int resourceId) {
    if (resourceId == kPanelImageId) {
        return QStringLiteral(":/kel/panel.svg");
    }
    return {};
}

// Drawing the picture's shapes and lettering costs several milliseconds at every start, so the
// drawn picture is kept in the user's cache folder. Its name carries a digest of the drawing
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

CCommonBitmap::CCommonBitmap(int resourceId, const QString& path)
    : resourceId_(resourceId), renderer_(std::make_unique<QSvgRenderer>(path)),
      digest_(DigestOf(path)) {
    if (renderer_->isValid()) {
        width_ = renderer_->defaultSize().width();
        height_ = renderer_->defaultSize().height();
    }
}

CCommonBitmap::~CCommonBitmap() = default;

bool CCommonBitmap::IsLoaded() const {
    return renderer_->isValid() && width_ > 0 && height_ > 0;
}

const QPixmap& CCommonBitmap::Pixmap(qreal devicePixelRatio) {
    if (pixmap_.isNull() || !qFuzzyCompare(pixmap_.devicePixelRatio(), devicePixelRatio)) {
        const QSize size(static_cast<int>(std::ceil(width_ * devicePixelRatio)),
                         static_cast<int>(std::ceil(height_ * devicePixelRatio)));
        const QString cached = CachedPicturePath(digest_, size);
        QPixmap pixmap;
        if (cached.isEmpty() || !pixmap.load(cached, "PNG") || pixmap.size() != size) {
            pixmap = QPixmap(size);
            pixmap.fill(Qt::black);
            {
                QPainter painter(&pixmap);
                painter.setRenderHint(QPainter::Antialiasing);
                renderer_->render(&painter, QRectF(0, 0, size.width(), size.height()));
            }
            // A picture that cannot be kept is simply drawn again at the next start.
            if (!cached.isEmpty() && QDir().mkpath(QFileInfo(cached).path())) {
                QSaveFile file(cached);
                if (file.open(QIODevice::WriteOnly) && pixmap.save(&file, "PNG")) {
                    file.commit();
                }
            }
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
    const QString path = PathOf(resourceId);
    if (path.isEmpty()) {
        return nullptr;
    }
    auto bitmap = std::make_unique<CCommonBitmap>(resourceId, path);
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

#include "panel/panelimage.h"

#include <QPainter>
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

} // namespace

CCommonBitmap::CCommonBitmap(int resourceId, const QString& path)
    : resourceId_(resourceId), renderer_(std::make_unique<QSvgRenderer>(path)) {
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
        QPixmap pixmap(size);
        pixmap.fill(Qt::black);
        {
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer_->render(&painter, QRectF(0, 0, size.width(), size.height()));
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/placement.h"

#include <QDockWidget>
#include <QMainWindow>

#include <algorithm>
#include <cstdint>
#include <tuple>

namespace kel {

namespace {

constexpr int kGap = 8;
constexpr int kStep = 8; // the spacing of the places tried beyond the four beside the window

std::int64_t AreaOf(const QRect& r) {
    return r.isEmpty() ? 0 : std::int64_t(r.width()) * std::int64_t(r.height());
}

// `place` moved onto `area` as far as it fits (its top-left corner kept on it when it is
// larger).
QRect OntoArea(QRect place, const QRect& area) {
    place.moveLeft(std::clamp(place.left(), area.left(),
                              std::max(area.left(), area.right() + 1 - place.width())));
    place.moveTop(std::clamp(place.top(), area.top(),
                             std::max(area.top(), area.bottom() + 1 - place.height())));
    return place;
}

} // namespace

QRect PlaceMainAtStart(const QRect& area, const QSize& frame, const std::optional<QPoint>& kept) {
    return OntoArea(QRect(kept.value_or(area.topLeft()), frame), area);
}

QRect PlaceBesidePanel(const PanelPlaces& places, const QSize& frame) {
    const QRect& home = places.home;
    std::vector<QRect> tried;
    for (const QPoint corner : {QPoint(home.right() + 1 + kGap, home.top()),
                                QPoint(home.left() - kGap - frame.width(), home.top()),
                                QPoint(home.left(), home.bottom() + 1 + kGap),
                                QPoint(home.left(), home.top() - kGap - frame.height())}) {
        tried.push_back(OntoArea(QRect(corner, frame), places.area));
    }
    // Beyond those, every place on the screen on a grid, the right and bottom edges included.
    const QRect& area = places.area;
    const int lastX = std::max(area.left(), area.right() + 1 - frame.width());
    const int lastY = std::max(area.top(), area.bottom() + 1 - frame.height());
    for (int y = area.top();; y = std::min(y + kStep, lastY)) {
        for (int x = area.left();; x = std::min(x + kStep, lastX)) {
            tried.emplace_back(QPoint(x, y), frame);
            if (x == lastX) {
                break;
            }
        }
        if (y == lastY) {
            break;
        }
    }

    // Ranked by: covers the selected control, the controls' area it covers, the area it covers
    // of the main window apart from the keyboard picture; the first tried of equals (beside the
    // window before the grid).
    using Rank = std::tuple<bool, std::int64_t, std::int64_t>;
    const QRect keyboard = places.keyboard.intersected(home);
    const auto rank = [&](const QRect& place) {
        std::int64_t controls = 0;
        for (const QRect& control : places.controls) {
            controls += AreaOf(place.intersected(control));
        }
        return Rank{place.intersects(places.selected), controls,
                    AreaOf(place.intersected(home)) - AreaOf(place.intersected(keyboard))};
    };
    QRect best = tried.front();
    Rank bestRank = rank(best);
    for (const QRect& place : tried) {
        if (bestRank == Rank{false, 0, 0}) {
            break; // covers nothing of ours
        }
        const Rank r = rank(place);
        if (r < bestRank) {
            best = place;
            bestRank = r;
        }
    }
    return best;
}

void RestoreDockPlace(QMainWindow& home, const QDockWidget& dock, const QByteArray& state,
                      int version) {
    std::vector<std::pair<QDockWidget*, bool>> others;
    for (QDockWidget* other : home.findChildren<QDockWidget*>()) {
        if (other != &dock) {
            others.emplace_back(other, other->isVisible());
        }
    }
    home.restoreState(state, version);
    for (const auto& [other, visible] : others) {
        other->setVisible(visible);
    }
}

} // namespace kel

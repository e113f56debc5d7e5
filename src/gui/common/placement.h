// SPDX-License-Identifier: GPL-3.0-or-later
// Where the editor's windows go on the screen, so that nothing of ours covers the panel the user
// looks at while editing: the main window at its first start, and the assign dialog beside it.
// Pure geometry on screen rectangles (the frames the window system draws included).
#pragma once

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>
#include <vector>

class QDockWidget;
class QMainWindow;

namespace kel {

// The screen and the panel as the assign dialog sees them, all in screen coordinates.
struct PanelPlaces {
    QRect area;                  // the screen's available area
    QRect home;                  // the main window's frame
    std::vector<QRect> controls; // every control of the panel
    QRect keyboard;              // the keyboard picture of the panel (no control there)
    QRect selected;              // the control the dialog edits
};

// The main window at its start: where the user left it (`kept`, its frame's top-left corner),
// kept on the screen; at the first start at the left of the screen's available area, at its
// top, so that the assign dialog has the room at its right.
QRect PlaceMainAtStart(const QRect& area, const QSize& frame,
                       const std::optional<QPoint>& kept = std::nullopt);

// The assign dialog's frame of size `frame`: beside the main window (right, left, below, above)
// when one of those places fits on the screen; else where it covers no control of the panel,
// the least of the main window; only where every place covers controls, the one covering the
// fewest, never the selected one (so over the keyboard picture and the window's edge first).
QRect PlaceBesidePanel(const PanelPlaces& places, const QSize& frame);

// Puts `dock` where the main window's saved `state` (of QMainWindow::saveState with `version`)
// had it. The state holds the window's other docks too: they stay shown or hidden as they are.
void RestoreDockPlace(QMainWindow& home, const QDockWidget& dock, const QByteArray& state,
                      int version);

} // namespace kel

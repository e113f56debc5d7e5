// SPDX-License-Identifier: GPL-3.0-or-later
// Where the main window and the assign dialog go on the screens users have: the dialog beside
// the panel, covering none of its controls while the screen has room for both, and never the
// control it edits.
#include <gtest/gtest.h>

#include <algorithm>

#include "gui/common/placement.h"
#include "gui/panel/kelpanel.h"
#include "model/controllers.h"

namespace kel {
namespace {

// The main window with the monitor docked under the panel, and the assign dialog, as the
// window system frames them (title bar and borders included).
constexpr QSize kMainFrame(744, 640);
constexpr QPoint kPanelInMain(3, 58); // the panel's top-left corner in the main window's frame
constexpr QSize kDialogFrame(485, 560);

struct Screen {
    const char* name;
    QRect area; // available, in the coordinates of the windows (logical pixels)
};

PanelPlaces PlacesOn(const QRect& area, ControllerId selected) {
    PanelPlaces places;
    places.area = area;
    places.home = PlaceMainAtStart(area, kMainFrame);
    const QPoint panel = places.home.topLeft() + kPanelInMain;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        places.controls.push_back(CKelPanel::ControlRectOf(id).translated(panel));
    }
    places.keyboard = CKelPanel::KeyboardRect().translated(panel);
    places.selected = CKelPanel::ControlRectOf(selected).translated(panel);
    return places;
}

int CoveredControls(const PanelPlaces& places, const QRect& dialog) {
    int covered = 0;
    for (const QRect& control : places.controls) {
        covered += dialog.intersects(control) ? 1 : 0;
    }
    return covered;
}

TEST(Placement, TheDialogCoversNoControlOnTheScreensUsersHave) {
    // Scale 2 on 2400 x 1500 is 1200 x 750 in the windows' coordinates: too narrow for the two
    // side by side.
    const Screen screens[] = {{"1280x800", QRect(0, 0, 1280, 800)},
                              {"1400x900 with a top bar", QRect(0, 27, 1400, 873)},
                              {"2400x1500 at scale 2", QRect(0, 0, 1200, 750)}};
    for (const Screen& screen : screens) {
        for (const ControllerId selected : {ControllerId{0}, ControllerId{17}, ControllerId{46}}) {
            const PanelPlaces places = PlacesOn(screen.area, selected);
            EXPECT_EQ(places.home.topLeft(), screen.area.topLeft()) << screen.name;
            ASSERT_TRUE(screen.area.contains(places.home)) << screen.name;
            const QRect dialog = PlaceBesidePanel(places, kDialogFrame);
            EXPECT_EQ(dialog.size(), kDialogFrame);
            EXPECT_TRUE(screen.area.contains(dialog)) << screen.name;
            EXPECT_EQ(CoveredControls(places, dialog), 0) << screen.name << " " << selected;
            if (screen.area.width() >= kMainFrame.width() + 8 + kDialogFrame.width()) {
                EXPECT_FALSE(dialog.intersects(places.home)) << screen.name; // room for both
            } else {
                // Only the window's edge right of the controls, or the keyboard picture.
                const QRect covered = dialog.intersected(places.home);
                int controlsEnd = 0;
                for (const QRect& control : places.controls) {
                    controlsEnd = std::max(controlsEnd, control.right());
                }
                EXPECT_TRUE(covered.left() > controlsEnd || places.keyboard.contains(covered))
                    << screen.name;
            }
        }
    }
}

TEST(Placement, OnAScreenTooSmallTheDialogNeverCoversTheControlItEdits) {
    const QRect area(0, 0, 1000, 700);
    for (ControllerId selected = 0; selected < kControllerCount; ++selected) {
        const PanelPlaces places = PlacesOn(area, selected);
        const QRect dialog = PlaceBesidePanel(places, kDialogFrame);
        EXPECT_TRUE(area.contains(dialog));
        EXPECT_FALSE(dialog.intersects(places.selected)) << ControllerName(selected);
    }
    // A dialog larger than the screen starts at its top-left corner, its buttons reachable.
    const PanelPlaces places = PlacesOn(QRect(0, 0, 400, 300), 0);
    EXPECT_EQ(PlaceBesidePanel(places, kDialogFrame).topLeft(), QPoint(0, 0));
}

} // namespace
} // namespace kel

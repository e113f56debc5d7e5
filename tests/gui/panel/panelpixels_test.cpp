// SPDX-License-Identifier: GPL-3.0-or-later
// The panel's drawing, pixel by pixel: the selection frame is a 3-pixel red band centred on the
// control's outline and changes nothing else, and the label boxes carry the colours of their
// port in fill and outline.
#include <QImage>

#include <gtest/gtest.h>

#include "gui/panel/kelpanel.h"
#include "model/labels.h"
#include "model/parameter.h"
#include "support/panel_fixture.h"
#include "support/qt_print.h"

namespace kel {
namespace {

class PanelPixelTest : public PanelTest {};

TEST_F(PanelPixelTest, SelectionFrameIsAThreePixelRedBandOnTheOutlineAndNothingElse) {
    const QImage before = Picture();
    for (ControllerId id : {0, 9, 36, 45, 48}) { // R1, S1, C1, P1, MOD
        SCOPED_TRACE(id);
        document_.SelectController(id);
        const QImage image = Picture();
        const ControlRect& r = kControlRects[static_cast<std::size_t>(id)];
        // The band covers one pixel either side of the outline (l, t)-(r, b), corners included.
        const auto inBand = [&r](int x, int y) {
            const bool outer =
                x >= r.left - 1 && x <= r.right + 1 && y >= r.top - 1 && y <= r.bottom + 1;
            const bool inner =
                x >= r.left + 2 && x <= r.right - 2 && y >= r.top + 2 && y <= r.bottom - 2;
            return outer && !inner;
        };
        int bandPixels = 0;
        int wrong = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb expected = inBand(x, y) ? qRgb(255, 0, 0) : before.pixel(x, y);
                bandPixels += inBand(x, y) ? 1 : 0;
                if (image.pixel(x, y) != expected && ++wrong <= 5) {
                    ADD_FAILURE() << "pixel " << x << "," << y;
                }
            }
        }
        EXPECT_EQ(wrong, 0);
        const int w = r.right - r.left;
        const int h = r.bottom - r.top;
        EXPECT_EQ(bandPixels, (w + 3) * (h + 3) - (w - 3) * (h - 3));
    }
}

TEST_F(PanelPixelTest, LabelBoxesCarryTheFourColourSetsOfTheirPort) {
    struct Case {
        ControllerId id;
        int port; // -1: NO ASSIGN
        QColor pen;
        QColor fill;
    } cases[] = {
        {0, -1, QColor(123, 25, 48), QColor(255, 153, 247)}, // R1 unassigned
        {8, 0, QColor(25, 123, 48), QColor(255, 247, 153)},  // R9 on port 1
        {39, 1, QColor(25, 48, 123), QColor(153, 247, 255)}, // H1 on port 2
        {47, 2, QColor(123, 25, 48), QColor(125, 255, 125)}, // BEND on ports 1 + 2
        {45, 3, QColor(123, 25, 48), QColor(255, 153, 247)}, // P1, a port byte above 2
    };
    for (const Case& c : cases) {
        if (c.port >= 0) {
            AssignRecord& record = document_.RecordOf(c.id);
            record[rec::AssignCode] = CodeControlChange;
            record[rec::Values] = 7;
            record[rec::Port] = static_cast<std::uint8_t>(c.port);
        }
    }
    panel_->SetShowLabels(true);
    const QImage image = Picture();
    const QFontMetrics metrics(CKelPanel::LabelFont());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const QString text = QString::fromStdString(AssignmentLabel(document_, c.id));
        const QRect box = CKelPanel::GetLabelRect(c.id, text, metrics);
        // Outline on all four sides, fill just inside the corners.
        EXPECT_EQ(QColor(image.pixel(box.left(), box.center().y())), c.pen);
        EXPECT_EQ(QColor(image.pixel(box.right(), box.center().y())), c.pen);
        EXPECT_EQ(QColor(image.pixel(box.center().x(), box.top())), c.pen);
        EXPECT_EQ(QColor(image.pixel(box.center().x(), box.bottom())), c.pen);
        EXPECT_EQ(QColor(image.pixel(box.left() + 1, box.top() + 1)), c.fill);
        EXPECT_EQ(QColor(image.pixel(box.right() - 1, box.bottom() - 1)), c.fill);
    }
}

} // namespace
} // namespace kel

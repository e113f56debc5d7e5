// SPDX-License-Identifier: GPL-3.0-or-later
// The controller panel: hit testing on every control rectangle, the selection frame, the label
// boxes, clicks posted to the owner and the hand cursor.
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "gui/panel/kelpanel.h"
#include "gui/panel/panelimage.h"
#include "gui/panel/picturerender.h"
#include "model/labels.h"
#include "model/parameter.h"
#include "support/panel_fixture.h"
#include "support/qt_print.h"

namespace kel {
namespace {

TEST_F(PanelTest, PictureIsTheDeviceFrontAtItsSize) {
    EXPECT_EQ(panel_->PanelWidth(), 720);
    EXPECT_EQ(panel_->PanelHeight(), 219);
    EXPECT_EQ(panel_->size(), QSize(720, 219));
    EXPECT_EQ(KelIdOf(panel_), 1174);
    const QImage image = Picture();
    // Not a blank window: the picture has many colours.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7) {
        for (int x = 0; x < image.width(); x += 7) {
            colours.insert(image.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 50);
}

TEST(PanelHitTest, EveryRectangleHitsItsControlOnItsLeftAndTopEdgesOnly) {
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        SCOPED_TRACE(id);
        const ControlRect& r = kControlRects[static_cast<std::size_t>(id)];
        EXPECT_EQ(CKelPanel::HitTest(r.left, r.top), id);
        EXPECT_EQ(CKelPanel::HitTest(r.right - 1, r.bottom - 1), id);
        EXPECT_EQ(CKelPanel::HitTest((r.left + r.right) / 2, (r.top + r.bottom) / 2), id);
        EXPECT_NE(CKelPanel::HitTest(r.right, r.top), id);
        EXPECT_NE(CKelPanel::HitTest(r.left, r.bottom), id);
        EXPECT_NE(CKelPanel::HitTest(r.left - 1, r.top), id);
        EXPECT_NE(CKelPanel::HitTest(r.left, r.top - 1), id);
    }
}

TEST(PanelHitTest, PlacesBetweenControlsHitNothing) {
    EXPECT_EQ(CKelPanel::HitTest(0, 0), kNoController);
    EXPECT_EQ(CKelPanel::HitTest(55, 38), kNoController);   // between R1 and R2
    EXPECT_EQ(CKelPanel::HitTest(403, 60), kNoController);  // between H1 and H2
    EXPECT_EQ(CKelPanel::HitTest(400, 176), kNoController); // between MOD and BEND
    EXPECT_EQ(CKelPanel::HitTest(719, 218), kNoController);
    EXPECT_EQ(CKelPanel::HitTest(-1, 30), kNoController);
}

TEST(PanelHitTest, KnownRectanglesOfTheDevice) {
    EXPECT_EQ(CKelPanel::ControlRectOf(0), QRect(25, 24, 26, 28));    // R1
    EXPECT_EQ(CKelPanel::ControlRectOf(17), QRect(673, 28, 19, 96));  // S9
    EXPECT_EQ(CKelPanel::ControlRectOf(47), QRect(364, 177, 80, 19)); // BEND
    EXPECT_EQ(CKelPanel::ControlRectOf(49), QRect(170, 162, 48, 22)); // AFT
    EXPECT_EQ(CKelPanel::ControlRectOf(kNoController), QRect());
}

bool IsFrameRed(QRgb pixel) {
    return pixel == qRgb(255, 0, 0);
}

TEST_F(PanelTest, SelectedControlGetsTheRedFrameAndNoSelectionNone) {
    const QImage before = Picture();
    for (ControllerId id : {0, 17, 39, 47, 49}) {
        SCOPED_TRACE(id);
        document_.SelectController(id);
        const QImage image = Picture();
        const ControlRect& r = kControlRects[static_cast<std::size_t>(id)];
        const int midX = (r.left + r.right) / 2;
        const int midY = (r.top + r.bottom) / 2;
        EXPECT_TRUE(IsFrameRed(image.pixel(r.left, midY)));
        EXPECT_TRUE(IsFrameRed(image.pixel(r.right, midY)));
        EXPECT_TRUE(IsFrameRed(image.pixel(midX, r.top)));
        EXPECT_TRUE(IsFrameRed(image.pixel(midX, r.bottom)));
        EXPECT_FALSE(IsFrameRed(image.pixel(midX, midY)));
    }
    document_.SelectController(kNoController);
    EXPECT_EQ(Picture(), before);
}

TEST_F(PanelTest, LabelBoxesAreColouredByPortAndToggleOff) {
    const QImage plain = Picture();
    AssignRecord& cc = document_.RecordOf(9); // S1: Control Change on port 2 (byte 1)
    cc[rec::AssignCode] = CodeControlChange;
    cc[rec::Port] = 1;
    AssignRecord& bad = document_.RecordOf(39); // H1: invalid code on port 0
    bad[rec::AssignCode] = 11;

    panel_->SetShowLabels(true);
    const QImage labelled = Picture();
    const QFontMetrics metrics(CKelPanel::LabelFont());
    struct Case {
        ControllerId id;
        int port;
    } cases[] = {{0, -1}, {9, 1}, {39, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const QString text = QString::fromStdString(AssignmentLabel(document_, c.id));
        const QRect box = CKelPanel::GetLabelRect(c.id, text, metrics);
        EXPECT_EQ(QColor(labelled.pixel(box.left() + 1, box.top() + 1)),
                  CKelPanel::LabelFillColor(c.port));
        EXPECT_EQ(QColor(labelled.pixel(box.left(), box.center().y())),
                  CKelPanel::LabelPenColor(c.port));
    }
    panel_->ToggleLabels();
    EXPECT_FALSE(panel_->ShowLabels());
    EXPECT_EQ(Picture(), plain);
}

TEST(PanelLabels, BoxesSitByTheirOffsetsAroundTheControlCentre) {
    const QFontMetrics metrics(CKelPanel::LabelFont());
    const QString text = QStringLiteral("CC 74:16");
    const int h = metrics.height() / 2 * 2; // bottom - top of the unmoved box
    auto centreY = [&](ControllerId id) {
        const QRect box = CKelPanel::GetLabelRect(id, text, metrics);
        return box.top() + metrics.height() / 2;
    };
    const int sliderMid = (28 + 124) / 2;
    EXPECT_EQ(centreY(9), sliderMid + h);      // S1 one label height below
    EXPECT_EQ(centreY(10), sliderMid);         // S2 at the centre
    EXPECT_EQ(centreY(16), sliderMid - 2 * h); // S8 two above
    EXPECT_EQ(centreY(17), sliderMid - 3 * h); // S9 three above
    EXPECT_EQ(centreY(0), 38 - h / 2);         // R1 up half
    EXPECT_EQ(centreY(1), 38 + h / 2);         // R2 down half

    const QRect box = CKelPanel::GetLabelRect(47, text, metrics);
    const int cx = metrics.horizontalAdvance(text);
    EXPECT_EQ(box.left(), 404 - cx / 2 - 4);
    EXPECT_EQ(box.right() + 1, 404 + cx / 2 + 4);
}

TEST_F(PanelTest, ClickOnAControlPostsOpenRequestsAndBetweenControlsNothing) {
    const QPoint a1 = CKelPanel::ControlRectOf(18).center();
    QTest::mouseClick(panel_, Qt::LeftButton, Qt::NoModifier, a1);
    EXPECT_TRUE(owner_.notes.empty()); // posted, not sent
    QCoreApplication::sendPostedEvents(&owner_);
    ASSERT_EQ(owner_.notes.size(), 1u);
    EXPECT_EQ(owner_.notes[0], std::make_pair(NotifyOpenAssign, 18));

    QTest::mouseClick(panel_, Qt::LeftButton, Qt::NoModifier, QPoint(55, 38));
    QTest::mouseClick(panel_, Qt::RightButton, Qt::NoModifier, a1);
    QCoreApplication::sendPostedEvents(&owner_);
    EXPECT_EQ(owner_.notes.size(), 1u);

    QTest::mouseDClick(panel_, Qt::LeftButton, Qt::NoModifier, a1);
    QCoreApplication::sendPostedEvents(&owner_);
    EXPECT_GE(owner_.notes.size(), 2u);
    EXPECT_EQ(owner_.notes.back(), std::make_pair(NotifyOpenAssign, 18));
}

TEST_F(PanelTest, HandCursorOverControlsOnly) {
    QTest::mouseMove(panel_, CKelPanel::ControlRectOf(47).center());
    EXPECT_EQ(panel_->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(panel_, QPoint(55, 38));
    EXPECT_EQ(panel_->cursor().shape(), Qt::ArrowCursor);
}

TEST(PanelImages, CacheIsSharedAndFreedWithTheLastUser) {
    CBmpList::AddUser();
    CCommonBitmap* first = GetPanelBitmap();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetPanelBitmap(), first);
    EXPECT_EQ(first->Width(), 720);
    EXPECT_EQ(first->Height(), 219);
    const QPixmap& sharp = first->Pixmap(2.0);
    EXPECT_EQ(sharp.size(), QSize(1440, 438));
    EXPECT_EQ(CBmpList::Count(), 1);
    CBmpList::ReleaseUser();
    EXPECT_EQ(CBmpList::Count(), 0);
    EXPECT_EQ(CBmpList::Get(12345), nullptr);
}

// The pictures drawn by the build are the drawing itself, at the sizes the editor asks for, and
// the editor shows them at those ratios.
TEST(PanelImages, ReadyPicturesAreTheDrawingAtRatiosOneAndTwo) {
    QSvgRenderer drawing(QStringLiteral(":/kel/panel.svg"));
    ASSERT_TRUE(drawing.isValid());
    CBmpList::AddUser();
    CCommonBitmap* bitmap = GetPanelBitmap();
    ASSERT_NE(bitmap, nullptr);
    for (const int ratio : {1, 2}) {
        SCOPED_TRACE(ratio);
        const QImage ready(QStringLiteral(":/kel/pictures/panel@%1x.png").arg(ratio));
        ASSERT_EQ(ready.size(), QSize(720, 219) * ratio);
        const QImage drawn = RenderPicture(drawing, ready.size());
        EXPECT_EQ(ready.convertToFormat(QImage::Format_RGB32), drawn);
        EXPECT_EQ(bitmap->Pixmap(ratio).toImage().convertToFormat(QImage::Format_RGB32), drawn);
    }
    CBmpList::ReleaseUser();
}

// At a ratio with no ready picture the drawing is drawn once and kept in the cache folder: the
// next start shows the kept picture, and a kept picture of the wrong size is drawn again.
TEST(PanelImages, PictureDrawnAtOtherRatiosIsKeptInTheCache) {
    const QDir cache(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
    const QStringList pattern{QStringLiteral("panel-*-900x274.png")};
    for (const QString& old : cache.entryList(pattern, QDir::Files)) {
        QFile::remove(cache.filePath(old));
    }
    const QString drawingPath = QStringLiteral(":/kel/panel.svg");
    const QPoint dark(2, 100); // the case's edge, near black
    QString kept;
    {
        CCommonBitmap first(kPanelImageId, drawingPath);
        ASSERT_TRUE(first.IsLoaded());
        const QImage drawn = first.Pixmap(1.25).toImage();
        EXPECT_EQ(drawn.size(), QSize(900, 274));
        EXPECT_LT(qRed(drawn.pixel(dark)), 80);
        const QStringList files = cache.entryList(pattern, QDir::Files);
        ASSERT_EQ(files.size(), 1);
        kept = cache.filePath(files.front());
    }
    QImage marked(900, 274, QImage::Format_RGB32);
    marked.fill(Qt::red);
    ASSERT_TRUE(marked.save(kept, "PNG"));
    {
        CCommonBitmap second(kPanelImageId, drawingPath);
        EXPECT_EQ(second.Pixmap(1.25).toImage().pixel(dark), QColor(Qt::red).rgb());
    }
    QImage wrongSize(40, 20, QImage::Format_RGB32);
    wrongSize.fill(Qt::red);
    ASSERT_TRUE(wrongSize.save(kept, "PNG"));
    {
        CCommonBitmap third(kPanelImageId, drawingPath);
        const QImage redrawn = third.Pixmap(1.25).toImage();
        EXPECT_EQ(redrawn.size(), QSize(900, 274));
        EXPECT_LT(qRed(redrawn.pixel(dark)), 80);
    }
    EXPECT_EQ(QImage(kept).size(), QSize(900, 274)); // the fresh drawing replaced it
    QFile::remove(kept);
}

// The light of a control heard from: green inside the control, the red frame of a selected
// control untouched, gone again (pixel for pixel) once it has faded.
TEST_F(PanelTest, LitControlsGlowInsideTheFrameAndFadeBack) {
    // The keyboard focus frame stays out of the pictures compared (the panel may take the focus
    // while the test waits for the fade).
    panel_->setFocusPolicy(Qt::NoFocus);
    panel_->clearFocus();
    const QImage before = Picture();
    QSignalSpy painted(panel_, &CKelPanel::LitPainted);
    document_.SelectController(9); // S1
    const QImage selected = Picture();
    const std::vector<ControllerId> ids{9, 47, kNoController, 99}; // S1, BEND and two invalid
    panel_->LightControls(ids);
    EXPECT_TRUE(panel_->AnyLit());
    EXPECT_GT(panel_->LightLevel(9), 0.8);
    EXPECT_EQ(panel_->LightLevel(0), 0.0);
    const QImage lit = Picture();
    EXPECT_FALSE(painted.isEmpty());
    for (const ControllerId id : {9, 47}) {
        SCOPED_TRACE(id);
        const QPoint centre = CKelPanel::ControlRectOf(id).center();
        const QColor was(before.pixel(centre));
        const QColor now(lit.pixel(centre));
        EXPECT_NE(now, was);
        EXPECT_GT(now.green(), now.red() + 40);
        EXPECT_GT(now.green(), now.blue() + 40);
    }
    // Unlit controls and the selection frame look as they did.
    const ControlRect& s1 = kControlRects[9];
    EXPECT_TRUE(IsFrameRed(lit.pixel(s1.left, (s1.top + s1.bottom) / 2)));
    EXPECT_TRUE(IsFrameRed(lit.pixel((s1.left + s1.right) / 2, s1.bottom)));
    const QPoint r1 = CKelPanel::ControlRectOf(0).center();
    EXPECT_EQ(lit.pixel(r1), selected.pixel(r1));

    // Fading: weaker after a while, then nothing left at all.
    QElapsedTimer waited;
    waited.start();
    QTest::qWait(CKelPanel::kLightMs / 2);
    const double half = panel_->LightLevel(9);
    EXPECT_LT(half, 0.7);
    if (waited.elapsed() < CKelPanel::kLightMs - 100) { // not held up by a busy machine
        EXPECT_GT(half, 0.0);
    }
    EXPECT_TRUE(QTest::qWaitFor([this] { return !panel_->AnyLit(); }, 60000));
    EXPECT_EQ(panel_->LightLevel(9), 0.0);
    EXPECT_EQ(Picture(), selected);
    document_.SelectController(kNoController);
    EXPECT_EQ(Picture(), before);
}

} // namespace
} // namespace kel

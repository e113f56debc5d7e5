// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panel/kelpanel.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "gui/panel/panelimage.h"
#include "model/labels.h"
#include "model/parameter.h"

namespace kel {

// ---------------------------------------------------------------------------------------------
// CPanel

CPanel::CPanel(int imageId, QWidget* parent) : QWidget(parent), imageId_(imageId) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetKelId(this, imageId % 0x7BFF + 1024);
}

void CPanel::SetPosition(int x, int y) {
    if (CCommonBitmap* bitmap = CBmpList::Get(imageId_); bitmap != nullptr) {
        width_ = bitmap->Width();
        height_ = bitmap->Height();
    }
    x_ = x;
    y_ = y;
}

bool CPanel::CreatePanel(QWidget* owner) {
    owner_ = owner;
    if (width_ <= 0 || height_ <= 0) {
        return false; // no picture to show
    }
    if (parentWidget() != owner) {
        setParent(owner);
    }
    setGeometry(x_, y_, width_, height_);
    setFixedSize(width_, height_);
    show();
    raise();
    return true;
}

void CPanel::DrawImage(QPainter& painter) {
    CCommonBitmap* bitmap = CBmpList::Get(imageId_);
    if (bitmap == nullptr) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    painter.drawPixmap(0, 0, bitmap->Pixmap(devicePixelRatioF()));
}

void CPanel::Draw(QPainter& painter) {
    DrawImage(painter);
}

void CPanel::OnClick(Qt::KeyboardModifiers, QPoint) {
    raise();
}

void CPanel::OnDoubleClick(Qt::KeyboardModifiers flags, QPoint point) {
    OnClick(flags, point);
}

void CPanel::paintEvent(QPaintEvent*) {
    // Qt composes the widget off-screen and shows it in one step, so nothing flickers.
    QPainter painter(this);
    Draw(painter);
}

void CPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnClick(event->modifiers(), event->position().toPoint());
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnDoubleClick(event->modifiers(), event->position().toPoint());
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

// ---------------------------------------------------------------------------------------------
// The device's controls

using LO = LabelOffset;

const std::array<ControlRect, kControllerCount> kControlRects = {{
    {25, 24, 51, 52, LO::UpHalf},       // R1
    {59, 24, 85, 52, LO::DownHalf},     // R2
    {93, 24, 119, 52, LO::UpHalf},      // R3
    {127, 24, 153, 52, LO::DownHalf},   // R4
    {168, 24, 194, 52, LO::UpHalf},     // R5
    {202, 24, 228, 52, LO::DownHalf},   // R6
    {236, 24, 262, 52, LO::UpHalf},     // R7
    {270, 24, 296, 52, LO::DownHalf},   // R8
    {310, 24, 336, 52, LO::UpHalf},     // R9
    {469, 28, 488, 124, LO::Down1},     // S1
    {494, 28, 513, 124, LO::None},      // S2
    {519, 28, 538, 124, LO::Up1},       // S3
    {544, 28, 563, 124, LO::Up2},       // S4
    {571, 28, 590, 124, LO::Down1},     // S5
    {596, 28, 615, 124, LO::None},      // S6
    {621, 28, 640, 124, LO::Up1},       // S7
    {646, 28, 665, 124, LO::Up2},       // S8
    {673, 28, 692, 124, LO::Up3},       // S9
    {25, 72, 51, 94, LO::DownHalf},     // A1
    {59, 72, 85, 94, LO::UpHalf},       // A2
    {93, 72, 119, 94, LO::DownHalf},    // A3
    {127, 72, 153, 94, LO::UpHalf},     // A4
    {168, 72, 194, 94, LO::DownHalf},   // A5
    {202, 72, 228, 94, LO::UpHalf},     // A6
    {236, 72, 262, 94, LO::DownHalf},   // A7
    {270, 72, 296, 94, LO::UpHalf},     // A8
    {310, 72, 336, 94, LO::DownHalf},   // A9
    {25, 102, 51, 124, LO::DownHalf},   // B1
    {59, 102, 85, 124, LO::UpHalf},     // B2
    {93, 102, 119, 124, LO::DownHalf},  // B3
    {127, 102, 153, 124, LO::UpHalf},   // B4
    {168, 102, 194, 124, LO::DownHalf}, // B5
    {202, 102, 228, 124, LO::UpHalf},   // B6
    {236, 102, 262, 124, LO::DownHalf}, // B7
    {270, 102, 296, 124, LO::UpHalf},   // B8
    {310, 102, 336, 124, LO::DownHalf}, // B9
    {366, 104, 388, 128, LO::DownHalf}, // C1
    {394, 104, 416, 128, LO::UpHalf},   // C2
    {422, 104, 444, 128, LO::DownHalf}, // C3
    {368, 54, 403, 84, LO::None},       // H1
    {405, 54, 440, 84, LO::None},       // H2
    {40, 162, 62, 184, LO::DownHalf},   // L1
    {68, 162, 90, 184, LO::UpHalf},     // L2
    {96, 162, 118, 184, LO::DownHalf},  // L3
    {124, 162, 146, 184, LO::UpHalf},   // L4
    {236, 148, 272, 180, LO::None},     // P1
    {278, 148, 320, 180, LO::None},     // P2
    {364, 177, 444, 196, LO::None},     // BEND
    {364, 156, 444, 175, LO::None},     // MOD
    {170, 162, 218, 184, LO::DownHalf}, // AFT
}};

// ---------------------------------------------------------------------------------------------
// CKelPanel

CKelPanel::CKelPanel(const CParameter& document, QWidget* parent)
    : CPanel(kPanelImageId, parent), document_(document) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus); // a click on the panel leaves the TITLE field
    SetPosition(0, 0);
    litAt_.fill(-1);
    clock_.start();
    // About 30 steps a second make a smooth fade at little cost.
    fadeTimer_.setInterval(33);
    connect(&fadeTimer_, &QTimer::timeout, this, &CKelPanel::FadeStep);
}

void CKelPanel::LightControls(std::span<const ControllerId> ids) {
    const qint64 now = clock_.elapsed();
    bool lit = false;
    for (const ControllerId id : ids) {
        if (IsValidController(id)) {
            litAt_[static_cast<std::size_t>(id)] = now;
            update(ControlRectOf(id).adjusted(-3, -3, 3, 3));
            lit = true;
        }
    }
    if (lit && !fadeTimer_.isActive()) {
        fadeTimer_.start();
    }
}

double CKelPanel::LightLevel(ControllerId id) const {
    if (!IsValidController(id)) {
        return 0;
    }
    const qint64 at = litAt_[static_cast<std::size_t>(id)];
    if (at < 0) {
        return 0;
    }
    const qint64 age = clock_.elapsed() - at;
    return age >= kLightMs ? 0.0 : 1.0 - static_cast<double>(age) / kLightMs;
}

QColor CKelPanel::LightColor() {
    return QColor(0, 230, 90);
}

void CKelPanel::FadeStep() {
    bool anyLeft = false;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        qint64& at = litAt_[static_cast<std::size_t>(id)];
        if (at < 0) {
            continue;
        }
        if (LightLevel(id) <= 0) {
            at = -1; // one last repaint takes the light away
        } else {
            anyLeft = true;
        }
        update(ControlRectOf(id).adjusted(-3, -3, 3, 3));
    }
    if (!anyLeft) {
        fadeTimer_.stop();
    }
}

ControllerId CKelPanel::HitTest(int x, int y) {
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const ControlRect& r = kControlRects[static_cast<std::size_t>(id)];
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            return id;
        }
    }
    return kNoController;
}

QRect CKelPanel::ControlRectOf(ControllerId id) {
    if (!IsValidController(id)) {
        return {};
    }
    const ControlRect& r = kControlRects[static_cast<std::size_t>(id)];
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void CKelPanel::SetShowLabels(bool show) {
    if (showLabels_ != show) {
        showLabels_ = show;
        update();
    }
}

QFont CKelPanel::LabelFont() {
    // Liberation Sans has Arial's metrics; the family fallbacks cover systems without it.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Arimo"), QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(9);
    font.setWeight(QFont::Normal);
    return font;
}

QRect CKelPanel::GetLabelRect(ControllerId id, const QString& text, const QFontMetrics& metrics) {
    if (!IsValidController(id)) {
        return {};
    }
    const ControlRect& c = kControlRects[static_cast<std::size_t>(id)];
    const int cx = metrics.horizontalAdvance(text);
    const int cy = metrics.height();
    const int mx = (c.left + c.right) / 2;
    const int my = (c.top + c.bottom) / 2;
    int left = mx - cx / 2 - 4;
    int right = mx + cx / 2 + 4;
    int top = my - cy / 2;
    int bottom = my + cy / 2;
    const int h = bottom - top;
    int dy = 0;
    switch (c.labelOffset) {
    case LabelOffset::None:
        break;
    case LabelOffset::UpHalf:
        dy = -h / 2;
        break;
    case LabelOffset::DownHalf:
        dy = h / 2;
        break;
    case LabelOffset::Down1:
        dy = h;
        break;
    case LabelOffset::Up1:
        dy = -h;
        break;
    case LabelOffset::Up2:
        dy = -2 * h;
        break;
    case LabelOffset::Up3:
        dy = -3 * h;
        break;
    }
    top += dy;
    bottom += dy;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QColor CKelPanel::LabelPenColor(int port) {
    switch (port) {
    case 0:
        return QColor(25, 123, 48);
    case 1:
        return QColor(25, 48, 123);
    default:
        return QColor(123, 25, 48);
    }
}

QColor CKelPanel::LabelFillColor(int port) {
    switch (port) {
    case 0:
        return QColor(255, 247, 153);
    case 1:
        return QColor(153, 247, 255);
    case 2:
        return QColor(125, 255, 125);
    default:
        return QColor(255, 153, 247);
    }
}

void CKelPanel::Draw(QPainter& painter) {
    DrawImage(painter);
    // Under the frame and the labels, so both stay as they are on a lit control.
    DrawLights(painter);
    const ControllerId selected = document_.SelectedController();
    if (IsValidController(selected)) {
        DrawSelectionFrame(painter, kControlRects[static_cast<std::size_t>(selected)]);
    }
    if (showLabels_) {
        DrawLabels(painter);
    }
}

void CKelPanel::DrawLights(QPainter& painter) {
    bool drawn = false;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const double level = LightLevel(id);
        if (level <= 0) {
            continue;
        }
        if (!drawn) {
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing, true);
            drawn = true;
        }
        // A translucent fill with a rim inside the control's rectangle, where the red frame
        // of the selection never reaches: the control stays recognisable below it.
        QColor fill = LightColor();
        fill.setAlphaF(static_cast<float>(0.55 * level));
        QColor rim = LightColor();
        rim.setAlphaF(static_cast<float>(level));
        painter.setPen(QPen(rim, 2));
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(ControlRectOf(id)).adjusted(2.5, 2.5, -2.5, -2.5), 3, 3);
    }
    if (drawn) {
        painter.restore();
        emit LitPainted();
    }
}

void CKelPanel::DrawSelectionFrame(QPainter& painter, const ControlRect& r) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor(255, 0, 0), 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // The right and bottom edges are the rectangle's exclusive edges, used as they are.
    const QPolygon frame({QPoint(r.left, r.top), QPoint(r.right, r.top), QPoint(r.right, r.bottom),
                          QPoint(r.left, r.bottom)});
    painter.drawPolygon(frame);
    painter.restore();
}

void CKelPanel::DrawLabels(QPainter& painter) {
    painter.save();
    const QFont font = LabelFont();
    painter.setFont(font);
    const QFontMetrics metrics(font);
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const int port = GetPanelPort(document_.RecordOf(id));
        const QString text = QString::fromLatin1(AssignmentLabel(document_, id));
        const QRect box = GetLabelRect(id, text, metrics);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.fillRect(box, LabelFillColor(port));
        painter.setPen(QPen(LabelPenColor(port), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setPen(Qt::black);
        painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
    }
    painter.restore();
}

void CKelPanel::OnClick(Qt::KeyboardModifiers flags, QPoint point) {
    CPanel::OnClick(flags, point);
    const ControllerId id = HitTest(point.x(), point.y());
    if (id < 0) {
        return;
    }
    PostEditorNotify(Owner(), NotifyOpenAssign, id);
}

void CKelPanel::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (HitTest(p.x(), p.y()) >= 0) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    CPanel::mouseMoveEvent(event);
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panel/kelpanel.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRubberBand>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <tuple>

#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "gui/panel/panelaccess.h"
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
    // A click on the panel leaves the TITLE field; Tab reaches it for the keyboard.
    setFocusPolicy(Qt::StrongFocus);
    SetPosition(0, 0);
    InstallPanelAccessibility();
    litAt_.fill(-1);
    clock_.start();
    // About 30 steps a second make a smooth fade at little cost.
    fadeTimer_.setInterval(33);
    connect(&fadeTimer_, &QTimer::timeout, this, &CKelPanel::FadeStep);
}

void CKelPanel::SetViewOptions(const CViewOptions* options) {
    if (viewOptions_ != nullptr) {
        disconnect(viewOptions_.data(), nullptr, this, nullptr);
    }
    viewOptions_ = options;
    if (options != nullptr) {
        // Screen readers hear the descriptions that now name their notes otherwise.
        connect(options, &CViewOptions::changed, this, [this] { AnnounceChanges(false); });
    }
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

ControllerId CKelPanel::Neighbour(ControllerId from, int direction) {
    if (!IsValidController(from)) {
        return kNoController;
    }
    const ControlRect& a = kControlRects[static_cast<std::size_t>(from)];
    const bool horizontal = direction == Qt::Key_Left || direction == Qt::Key_Right;
    const int sign = (direction == Qt::Key_Right || direction == Qt::Key_Down) ? 1 : -1;
    if (!horizontal && direction != Qt::Key_Up && direction != Qt::Key_Down) {
        return kNoController;
    }
    // Centres doubled, so that they stay whole numbers.
    auto centre = [horizontal](const ControlRect& r, bool along) {
        return along == horizontal ? r.left + r.right : r.top + r.bottom;
    };
    // The gap between two rectangles across the direction of travel; 0 when they overlap.
    auto gapAcross = [horizontal](const ControlRect& p, const ControlRect& q) {
        const int lo1 = horizontal ? p.top : p.left;
        const int hi1 = horizontal ? p.bottom : p.right;
        const int lo2 = horizontal ? q.top : q.left;
        const int hi2 = horizontal ? q.bottom : q.right;
        return 2 * std::max({0, lo2 - hi1, lo1 - hi2});
    };
    // A control lies that way when its centre is beyond this one's and it is no further off to
    // the side than ahead (a 45 degree cone); the nearest counts the sideways gap twice.
    ControllerId best = kNoController;
    std::tuple<int, int, int> bestScore{};
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const ControlRect& b = kControlRects[static_cast<std::size_t>(id)];
        const int ahead = sign * (centre(b, true) - centre(a, true));
        const int side = gapAcross(a, b);
        if (id == from || ahead <= 0 || side > ahead) {
            continue;
        }
        const std::tuple<int, int, int> score{ahead + 2 * side,
                                              std::abs(centre(b, false) - centre(a, false)), id};
        if (best == kNoController || score < bestScore) {
            best = id;
            bestScore = score;
        }
    }
    return best;
}

ControllerId CKelPanel::KeyTarget(ControllerId selected, int key) {
    switch (key) {
    case Qt::Key_Home:
        return 0;
    case Qt::Key_End:
        return kControllerCount - 1;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        // With nothing selected any arrow starts at the first control.
        return IsValidController(selected) ? Neighbour(selected, key) : 0;
    default:
        return kNoController;
    }
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
    for (const ControllerId id : document_.SelectedControls()) {
        DrawSelectionFrame(painter, kControlRects[static_cast<std::size_t>(id)]);
    }
    if (hasFocus()) {
        DrawFocusFrame(painter); // under the labels, which stay readable
    }
    if (showLabels_) {
        DrawLabels(painter);
    }
    // Every change of the selection or of a map the panel shows ends in a repaint.
    AnnounceChanges(false);
}

void CKelPanel::DrawFocusFrame(QPainter& painter) {
    // Black dashes on a white line, a few pixels outside the red selection frame (or just
    // inside the panel's edge while no control is selected): visible on any part of the picture.
    const ControllerId selected = document_.SelectedController();
    QRect frame = rect().adjusted(2, 2, -3, -3);
    if (IsValidController(selected)) {
        const ControlRect& r = kControlRects[static_cast<std::size_t>(selected)];
        frame = QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)).adjusted(-4, -4, 4, 4);
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(frame);
    QPen dashes(Qt::black, 2, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    dashes.setDashPattern({2, 2});
    painter.setPen(dashes);
    painter.drawRect(frame);
    painter.restore();
}

void CKelPanel::AnnounceChanges(bool focusMoved) {
    const ControllerId selected = document_.SelectedController();
    if (!QAccessible::isActive()) {
        announcedSelection_ = selected;
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            announcedSelected_[static_cast<std::size_t>(id)] = document_.IsSelected(id);
        }
        return;
    }
    QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(this);
    if (panel == nullptr) {
        return;
    }
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        QString& told = announcedDescriptions_[static_cast<std::size_t>(id)];
        QString now = ControlDescription(document_, id, NamesMiddleC());
        if (now != told) {
            const bool first = told.isNull();
            told = std::move(now);
            if (!first) {
                QAccessibleEvent changed(panel->child(id), QAccessible::DescriptionChanged);
                QAccessible::updateAccessibility(&changed);
            }
        }
    }
    // A control joining or leaving a selection of several is told as its own change.
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const bool now = document_.IsSelected(id);
        bool& told = announcedSelected_[static_cast<std::size_t>(id)];
        if (now != told) {
            told = now;
            QAccessible::State state;
            state.selected = true;
            QAccessibleStateChangeEvent change(panel->child(id), state);
            QAccessible::updateAccessibility(&change);
            if (id != selected) {
                QAccessibleEvent event(panel->child(id), now ? QAccessible::SelectionAdd
                                                             : QAccessible::SelectionRemove);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
    if (selected == announcedSelection_ && !focusMoved) {
        return;
    }
    announcedSelection_ = selected;
    if (QAccessibleInterface* control = panel->child(selected); control != nullptr) {
        QAccessibleEvent selection(control, QAccessible::Selection);
        QAccessible::updateAccessibility(&selection);
        if (hasFocus()) {
            QAccessibleEvent focus(control, QAccessible::Focus);
            QAccessible::updateAccessibility(&focus);
        }
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
    PaintLabels(painter, document_);
}

void CKelPanel::PaintLabels(QPainter& painter, const CParameter& document) {
    painter.save();
    const QFont font = LabelFont();
    painter.setFont(font);
    const QFontMetrics metrics(font);
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const int port = GetPanelPort(document.RecordOf(id));
        const QString text = QString::fromLatin1(AssignmentLabel(document, id));
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

std::vector<ControllerId> CKelPanel::ControlsTouching(const QRect& area) {
    std::vector<ControllerId> ids;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        if (ControlRectOf(id).intersects(area)) {
            ids.push_back(id);
        }
    }
    return ids;
}

void CKelPanel::RequestSelection(const std::vector<ControllerId>& ids, ControllerId current) {
    emit SelectRequested(QList<int>(ids.begin(), ids.end()), current);
}

void CKelPanel::OnClick(Qt::KeyboardModifiers flags, QPoint point) {
    CPanel::OnClick(flags, point);
    const ControllerId id = HitTest(point.x(), point.y());
    if (id < 0) {
        // The background: a drag from here draws the band.
        if (band_ == nullptr) {
            band_ = new QRubberBand(QRubberBand::Rectangle, this);
        }
        bandStart_ = point;
        bandAdds_ = flags.testFlag(Qt::ControlModifier);
        band_->setGeometry(QRect(point, QSize()));
        band_->show();
        return;
    }
    if (flags & (Qt::ControlModifier | Qt::ShiftModifier)) {
        ExtendByClick(id, flags);
        return;
    }
    PostEditorNotify(Owner(), NotifyOpenAssign, id);
}

void CKelPanel::OnDoubleClick(Qt::KeyboardModifiers flags, QPoint point) {
    // The press of a Ctrl or Shift double-click already changed the selection; taking the
    // second press again would toggle the control back.
    if (flags & (Qt::ControlModifier | Qt::ShiftModifier)) {
        return;
    }
    CPanel::OnDoubleClick(flags, point);
}

void CKelPanel::ExtendByClick(ControllerId id, Qt::KeyboardModifiers flags) {
    std::vector<ControllerId> ids = document_.SelectedControls();
    const ControllerId selected = document_.SelectedController();
    ControllerId current = id;
    if (flags.testFlag(Qt::ShiftModifier)) {
        // The run from the selected control (the last one clicked) to this one joins.
        const std::vector<ControllerId> run =
            IsValidController(selected) ? ControlsBetween(selected, id) : std::vector{id};
        ids.insert(ids.end(), run.begin(), run.end());
    } else if (document_.IsSelected(id)) {
        if (ids.size() <= 1) {
            return; // the last selected control stays selected
        }
        ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end());
        current = id == selected ? ids.front() : selected;
    } else {
        ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    RequestSelection(ids, current);
}

void CKelPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (band_ == nullptr || !band_->isVisible() || event->button() != Qt::LeftButton) {
        CPanel::mouseReleaseEvent(event);
        return;
    }
    band_->hide();
    const QRect area = QRect(bandStart_, event->position().toPoint()).normalized();
    // A click on the background without a drag selects nothing.
    if (area.width() < QApplication::startDragDistance() &&
        area.height() < QApplication::startDragDistance()) {
        return;
    }
    std::vector<ControllerId> ids = ControlsTouching(area);
    if (ids.empty()) {
        return;
    }
    ControllerId current = ids.front();
    if (bandAdds_) {
        const std::vector<ControllerId> had = document_.SelectedControls();
        ids.insert(ids.end(), had.begin(), had.end());
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        if (IsValidController(document_.SelectedController())) {
            current = document_.SelectedController();
        }
    } else if (document_.IsSelected(document_.SelectedController()) &&
               std::find(ids.begin(), ids.end(), document_.SelectedController()) != ids.end()) {
        current = document_.SelectedController(); // the band kept it: the dialog stays on it
    }
    RequestSelection(ids, current);
    event->accept();
}

bool CKelPanel::SelectionKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const ControllerId selected = document_.SelectedController();
    const int key = event->key();
    if (mods == Qt::ShiftModifier &&
        (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down)) {
        const ControllerId target = KeyTarget(selected, key);
        if (target != kNoController) {
            std::vector<ControllerId> ids = document_.SelectedControls();
            ids.push_back(target);
            std::sort(ids.begin(), ids.end());
            ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
            RequestSelection(ids, target);
        }
        return true;
    }
    if (mods == Qt::ControlModifier && key == Qt::Key_Space && IsValidController(selected)) {
        ExtendByClick(selected, Qt::ControlModifier);
        return true;
    }
    if (mods == Qt::NoModifier && key == Qt::Key_Escape && document_.SelectedCount() > 1) {
        RequestSelection({selected}, selected);
        return true;
    }
    return false;
}

void CKelPanel::keyPressEvent(QKeyEvent* event) {
    if (SelectionKey(event)) {
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier) {
        CPanel::keyPressEvent(event); // Ctrl+C, Ctrl+V and the rest are the menus' shortcuts
        return;
    }
    const ControllerId selected = document_.SelectedController();
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        if (IsValidController(selected)) {
            PostEditorNotify(Owner(), NotifyOpenAssign, selected);
        }
        event->accept();
        return;
    }
    const ControllerId target = KeyTarget(selected, key);
    if (target == kNoController && key != Qt::Key_Left && key != Qt::Key_Right &&
        key != Qt::Key_Up && key != Qt::Key_Down) {
        CPanel::keyPressEvent(event);
        return;
    }
    // An arrow with no control that way keeps the selection.
    if (target != kNoController && target != selected && Owner() != nullptr) {
        CEditorNotifyEvent select(NotifySelectControl, target);
        QCoreApplication::sendEvent(Owner(), &select);
    }
    event->accept();
}

void CKelPanel::focusInEvent(QFocusEvent* event) {
    CPanel::focusInEvent(event);
    update();
    // After Qt has told screen readers that the panel has the focus: the selected control has
    // it within the panel.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus()) {
            AnnounceChanges(true);
        }
    });
}

void CKelPanel::focusOutEvent(QFocusEvent* event) {
    CPanel::focusOutEvent(event);
    update();
}

bool CKelPanel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // The control under the mouse explains itself as it does to screen readers; the tip
        // goes away once the mouse leaves the control.
        const auto* help = static_cast<QHelpEvent*>(event);
        const ControllerId id = HitTest(help->pos().x(), help->pos().y());
        if (id >= 0) {
            QToolTip::showText(help->globalPos(), ControlToolTip(document_, id, NamesMiddleC()),
                               this, ControlRectOf(id));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return CPanel::event(event);
}

void CKelPanel::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (band_ != nullptr && band_->isVisible()) {
        band_->setGeometry(QRect(bandStart_, p).normalized());
    }
    if (HitTest(p.x(), p.y()) >= 0) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    CPanel::mouseMoveEvent(event);
}

} // namespace kel

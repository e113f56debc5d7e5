// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/spinbutton.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/common/accedit.h"

namespace kel {

namespace {

QToolButton* MakeArrow(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    button->setFixedWidth(16);
    return button;
}

} // namespace

CSpinButton::CSpinButton(CNumEdit* buddy, QWidget* parent) : QWidget(parent), buddy_(buddy) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    up_ = MakeArrow(Qt::UpArrow, this);
    down_ = MakeArrow(Qt::DownArrow, this);
    layout->addWidget(up_);
    layout->addWidget(down_);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
    if (buddy_ != nullptr) {
        buddy_->installEventFilter(this);
        setFixedHeight(buddy_->sizeHint().height());
    }
}

void CSpinButton::SetRange(int a, int b) {
    rangeMin_ = std::min(a, b);
    rangeMax_ = std::max(a, b);
    position_ = std::clamp(position_, rangeMin_, rangeMax_);
}

void CSpinButton::SetPosition(int v) {
    position_ = std::clamp(v, rangeMin_, rangeMax_);
}

void CSpinButton::Step(int delta) {
    if (buddy_ == nullptr || !isEnabled()) {
        return;
    }
    // Start from what the field shows, so a number typed a moment ago (and not judged yet)
    // is stepped rather than the last judged one.
    bool ok = false;
    int current = buddy_->text().toInt(&ok);
    if (!ok) {
        current = position_;
    }
    position_ = std::clamp(current + delta, rangeMin_, rangeMax_);
    buddy_->SetNumber(position_);
    buddy_->selectAll();
}

bool CSpinButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Up) {
                Step(1);
                return true;
            }
            if (key->key() == Qt::Key_Down) {
                Step(-1);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kel

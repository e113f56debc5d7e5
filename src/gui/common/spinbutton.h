// SPDX-License-Identifier: GPL-3.0-or-later
// The small up/down arrow pair beside a number field. It steps the field's number by one,
// inside its own range, and writes the result into the field; the Up and Down keys in the field
// do the same.
#pragma once

#include <QWidget>

class QToolButton;

namespace kel {

class CNumEdit;

class CSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit CSpinButton(CNumEdit* buddy, QWidget* parent = nullptr);

    void SetRange(int a, int b); // in any order
    void SetPosition(int v);     // clamped into the range
    int Position() const { return position_; }
    int RangeMin() const { return rangeMin_; }
    int RangeMax() const { return rangeMax_; }

    // Steps the buddy's number by `delta` (from the number it shows) and writes it back.
    void Step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CNumEdit* buddy_;
    QToolButton* up_;
    QToolButton* down_;
    int rangeMin_ = 0;
    int rangeMax_ = 127;
    int position_ = 0;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The search field beside a controller number: the user types a part of a controller's name
// ("bri") or its number and picks from the list it offers ("74 Brightness"). The list is the
// core's match of the MIDI names (FindControllerNumbers); a text that matches nothing offers a
// line saying so, which cannot be picked. The field never changes a number by itself: only a
// pick (Enter, a click) tells Chosen; Escape closes the list and Tab leaves the field with
// nothing picked.
#pragma once

#include "gui/common/accedit.h"

class QCompleter;
class QStandardItemModel;

namespace kel {

class CControllerPicker : public CAccEdit {
    Q_OBJECT
public:
    static constexpr int IdPicker = 1224;

    explicit CControllerPicker(QWidget* parent = nullptr);

    // The lines offered for the text now: "74 Brightness", or the one line saying nothing
    // matches (empty for an empty text).
    QStringList Offered() const;
    // The list of offers while it is open.
    QWidget* Popup() const;

    // Empties the field and closes its list.
    void Reset();

signals:
    // The user picked controller number `number`.
    void Chosen(int number);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Leaving the field (not for its own list) drops an unfinished search.
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Fills the list from the text and opens it (closes it for an empty text).
    void Offer();
    void Choose(int row);

    QStandardItemModel* offers_;
    QCompleter* completer_;
};

} // namespace kel

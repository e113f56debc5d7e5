// SPDX-License-Identifier: GPL-3.0-or-later
// Edit fields of the editor's windows.
//
// CAccEdit handles the ordinary editing keys itself (select all, copy, paste, cut, delete, delete
// the word before the caret, undo), so that while it has the focus the window's own shortcuts for
// those keys (Copy, Paste and NO ASSIGN of a controller) do not take them. CCharEdit accepts typed
// single-byte (ASCII) characters only. CNumEdit holds an integer inside a range: it filters keys,
// repairs pasted text and clamps the value, judging a partial number only after a short pause.
#pragma once

#include <QLineEdit>
#include <QTimer>

namespace kel {

class CAccEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CAccEdit(QWidget* parent = nullptr);

    // The editing command bound to `event`'s key in the field's own key table, or None.
    enum class EditCommand { None, SelectAll, Copy, Paste, Cut, Clear, DeleteWord, Undo };
    static EditCommand EditCommandFor(const QKeyEvent* event);
    // `event`'s modifiers that choose a command: Shift, Ctrl, Alt and Meta (the keypad flag
    // and the AltGr group are left out).
    static Qt::KeyboardModifiers CommandModifiers(const QKeyEvent* event);

    // Delete: the selection, or the character after the caret when nothing is selected.
    void ClearSelectionOrNext();
    // Ctrl+Backspace: the selection, or the word before the caret when nothing is selected.
    void DeleteWordBack();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class CCharEdit : public CAccEdit {
    Q_OBJECT
public:
    explicit CCharEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
};

class CNumEdit : public CAccEdit {
    Q_OBJECT
public:
    explicit CNumEdit(QWidget* parent = nullptr);

    // The range is given in any order; the value is clamped into it (the text stays) and the
    // text limit becomes the length of the longer decimal bound.
    void SetRange(int a, int b);
    // Clamps `v` into the range, stores it and shows it; returns the stored value.
    int SetNumber(int v);
    int GetNumber() const { return value_; }

    int RangeMin() const { return rangeMin_; }
    int RangeMax() const { return rangeMax_; }
    const QString& LastGoodText() const { return lastGoodText_; }

    // How long a partial number in a range without 0 waits before it is judged.
    static constexpr int kValidateDelayMs = 100;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void OnTextChanged(const QString& text);
    void ValidateNow();
    void RestoreLastGood(bool selectAll);

    int rangeMin_ = 0;
    int rangeMax_ = 127;
    int value_ = 127;
    QString lastGoodText_;
    bool keyHeld_ = false;
    QTimer validateTimer_;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/accedit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QSignalBlocker>

#include <algorithm>

namespace kel {

CAccEdit::CAccEdit(QWidget* parent) : QLineEdit(parent) {}

Qt::KeyboardModifiers CAccEdit::CommandModifiers(const QKeyEvent* event) {
    return event->modifiers() &
           (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

CAccEdit::EditCommand CAccEdit::EditCommandFor(const QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = CommandModifiers(event);
    const int key = event->key();
    if (mods == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_A:
            return EditCommand::SelectAll;
        case Qt::Key_C:
        case Qt::Key_Insert:
            return EditCommand::Copy;
        case Qt::Key_V:
            return EditCommand::Paste;
        case Qt::Key_X:
            return EditCommand::Cut;
        case Qt::Key_Z:
            return EditCommand::Undo;
        case Qt::Key_Backspace:
            return EditCommand::DeleteWord;
        default:
            return EditCommand::None;
        }
    }
    if (mods == Qt::ShiftModifier) {
        if (key == Qt::Key_Insert) {
            return EditCommand::Paste;
        }
        if (key == Qt::Key_Delete) {
            return EditCommand::Cut;
        }
        return EditCommand::None;
    }
    if (mods == Qt::NoModifier && key == Qt::Key_Delete) {
        return EditCommand::Clear;
    }
    return EditCommand::None;
}

void CAccEdit::ClearSelectionOrNext() {
    // QLineEdit::del removes the selection, or the character after the caret without one.
    del();
}

void CAccEdit::DeleteWordBack() {
    if (!hasSelectedText()) {
        cursorWordBackward(true);
    }
    del();
}

bool CAccEdit::event(QEvent* event) {
    // Claim the editing keys before any window shortcut sees them.
    if (event->type() == QEvent::ShortcutOverride &&
        EditCommandFor(static_cast<QKeyEvent*>(event)) != EditCommand::None) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

namespace {

// Alt (without Ctrl) with a character key is a menu mnemonic, never text: X11 still gives such
// a key its character, which the line edit would type into the field. AltGr characters come
// without the Alt modifier and are typed as usual.
bool IsAltCharacter(const QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const QString text = event->text();
    return (mods & Qt::AltModifier) && !(mods & Qt::ControlModifier) && !text.isEmpty() &&
           text[0].isPrint();
}

} // namespace

void CAccEdit::keyPressEvent(QKeyEvent* event) {
    switch (EditCommandFor(event)) {
    case EditCommand::None:
        if (IsAltCharacter(event)) {
            event->ignore();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    case EditCommand::SelectAll:
        selectAll();
        break;
    case EditCommand::Copy:
        copy();
        break;
    case EditCommand::Paste:
        if (!isReadOnly()) {
            paste();
        }
        break;
    case EditCommand::Cut:
        if (!isReadOnly()) {
            cut();
        }
        break;
    case EditCommand::Clear:
        if (!isReadOnly()) {
            ClearSelectionOrNext();
        }
        break;
    case EditCommand::DeleteWord:
        if (!isReadOnly()) {
            DeleteWordBack();
        }
        break;
    case EditCommand::Undo:
        if (!isReadOnly()) {
            undo();
        }
        break;
    }
    event->accept();
}

namespace {

bool IsSingleByte(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 128; });
}

} // namespace

CCharEdit::CCharEdit(QWidget* parent) : CAccEdit(parent) {}

void CCharEdit::keyPressEvent(QKeyEvent* event) {
    // A character outside the single-byte range is dropped as a whole; the next one typed is
    // entered normally.
    if (EditCommandFor(event) == EditCommand::None && !IsSingleByte(event->text())) {
        event->accept();
        return;
    }
    CAccEdit::keyPressEvent(event);
}

void CCharEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (IsSingleByte(event->commitString())) {
        CAccEdit::inputMethodEvent(event);
        return;
    }
    QString kept;
    for (QChar c : event->commitString()) {
        if (c.unicode() < 128) {
            kept += c;
        }
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    CAccEdit::inputMethodEvent(&filtered);
    event->accept();
}

namespace {

int DecimalLength(int v) {
    return static_cast<int>(QString::number(v).size());
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Digits, optionally after one leading "-".
bool IsIntegerText(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!IsDigit(text[i]) && !(i == 0 && text[i] == u'-')) {
            return false;
        }
    }
    return true;
}

} // namespace

CNumEdit::CNumEdit(QWidget* parent) : CAccEdit(parent) {
    setMaxLength(std::max(DecimalLength(rangeMin_), DecimalLength(rangeMax_)));
    validateTimer_.setSingleShot(true);
    validateTimer_.setInterval(kValidateDelayMs);
    connect(&validateTimer_, &QTimer::timeout, this, &CNumEdit::ValidateNow);
    connect(this, &QLineEdit::textChanged, this, &CNumEdit::OnTextChanged);
}

void CNumEdit::SetRange(int a, int b) {
    rangeMin_ = std::min(a, b);
    rangeMax_ = std::max(a, b);
    value_ = std::clamp(value_, rangeMin_, rangeMax_);
    // A shorter limit cuts the text; the field then shows the clamped value rather than a
    // cut-off number.
    const QString before = text();
    {
        const QSignalBlocker blocker(this);
        setMaxLength(std::max(DecimalLength(rangeMin_), DecimalLength(rangeMax_)));
    }
    if (text() != before) {
        SetNumber(value_);
    }
}

int CNumEdit::SetNumber(int v) {
    value_ = std::clamp(v, rangeMin_, rangeMax_);
    const QString text = QString::number(value_);
    setText(text);
    lastGoodText_ = text;
    return value_;
}

void CNumEdit::keyPressEvent(QKeyEvent* event) {
    keyHeld_ = true;
    if (EditCommandFor(event) == EditCommand::None) {
        const QString text = event->text();
        // Printable characters other than digits (and "-" in a range below 0) are dropped;
        // backspace, enter and the navigation keys keep their usual meaning.
        if (!text.isEmpty() && text[0].unicode() >= 0x20 && text[0].unicode() != 0x7F) {
            const bool accepted =
                text.size() == 1 && (IsDigit(text[0]) || (text[0] == u'-' && rangeMin_ < 0));
            if (!accepted) {
                event->accept();
                return;
            }
        }
    }
    CAccEdit::keyPressEvent(event);
}

void CNumEdit::keyReleaseEvent(QKeyEvent* event) {
    keyHeld_ = false;
    CAccEdit::keyReleaseEvent(event);
}

void CNumEdit::OnTextChanged(const QString& text) {
    if (text.isEmpty()) {
        lastGoodText_.clear();
        return;
    }
    if (text.contains(u',')) {
        QString repaired = text;
        repaired.remove(u',');
        setText(repaired); // examined again
        return;
    }
    if (!IsIntegerText(text)) {
        // Typed keys are filtered already, so this is pasted text: with a key held (Ctrl+V)
        // the field takes the last good text back; otherwise it also selects it.
        RestoreLastGood(!keyHeld_);
        return;
    }
    if ((rangeMin_ > 0 || rangeMax_ < 0) && text.size() < maxLength()) {
        // A partial number such as 1 in a 10..20 field is judged only after a pause.
        validateTimer_.start();
        return;
    }
    ValidateNow();
}

void CNumEdit::ValidateNow() {
    validateTimer_.stop();
    const QString current = text();
    bool ok = false;
    long long v = current.toLongLong(&ok);
    if (!ok) {
        v = 0; // "-" alone, or empty
    }
    if (v >= rangeMin_ && v <= rangeMax_) {
        lastGoodText_ = current;
        value_ = static_cast<int>(v);
        return;
    }
    SetNumber(v < rangeMin_ ? rangeMin_ : rangeMax_);
    selectAll();
}

void CNumEdit::RestoreLastGood(bool selectAllText) {
    setText(lastGoodText_);
    if (selectAllText) {
        selectAll();
    }
}

} // namespace kel

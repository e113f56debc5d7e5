// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/maptextedit.h"

#include <QTimer>
#include <QToolTip>
#include <QValidator>

#include "gui/common/translation.h"
#include "gui/common/uitext.h"
#include "model/terminaltext.h"

namespace kel {

// Refuses every edit after which the text would not fit the file. A refused edit leaves the
// field as it was: the typed character, the pasted text or the input method's text is not
// taken.
class CMapTextEdit::Validator : public QValidator {
public:
    explicit Validator(CMapTextEdit& field) : QValidator(&field), field_(field) {}

    State validate(QString& input, int& pos) const override {
        (void)pos;
        QString why;
        if (field_.Takes(input, why)) {
            return Acceptable;
        }
        // Told after the edit was refused, not from inside the field's own handling of it.
        QTimer::singleShot(0, &field_, [field = &field_, why] { field->Refuse(why); });
        return Invalid;
    }

private:
    CMapTextEdit& field_;
};

CMapTextEdit::CMapTextEdit(QWidget* parent) : CAccEdit(parent) {
    setValidator(new Validator(*this));
    // The text an edit starts from: the validator sees the field's text already changed.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        previous_ = text;
        UpdateNote();
    });
}

void CMapTextEdit::SetRoom(std::function<TextRoom(const std::string&)> room) {
    room_ = std::move(room);
    UpdateNote();
}

void CMapTextEdit::SetStoredText(const std::string& utf8) {
    stored_ = utf8;
    shown_ = QString::fromStdString(WithVisibleControls(utf8));
    previous_ = shown_;
    setText(shown_);
    UpdateNote();
}

std::string CMapTextEdit::StoredText() const {
    const QString shown = text();
    return shown == shown_ ? stored_ : WithControlsRestored(shown.toStdString());
}

bool CMapTextEdit::Takes(const QString& shown, QString& why) const {
    if (!room_ || shown == shown_) {
        return true;
    }
    const std::string text = WithControlsRestored(shown.toStdString());
    const TextRoom room = room_(text);
    if (room.other) {
        why = UiText(TextWithoutRoomPhrase(*room.other));
        return false;
    }
    if (room.cut && text.size() > WithControlsRestored(previous_.toStdString()).size()) {
        why = FullText();
        return false;
    }
    return true;
}

void CMapTextEdit::UpdateNote() {
    QString note;
    if (room_) {
        const std::string text = StoredText();
        if (room_(text).cut) {
            note = text == stored_ ? KeptText() : CutText();
        }
    }
    if (note == note_) {
        return;
    }
    note_ = note;
    setToolTip(note_);
    if (!note_.isEmpty() && hasFocus()) {
        QToolTip::showText(mapToGlobal(QPoint(0, height())), note_, this);
    }
    emit NoteChanged(note_);
}

QString CMapTextEdit::FullText() {
    return KelEditor::tr("The map file holds at most 128 bytes of this text: one for each "
                         "English letter, up to three for other letters.");
}

QString CMapTextEdit::KeptText() {
    return KelEditor::tr("This text is longer than the 128 bytes the device's map files hold. "
                         "It is kept whole as long as you leave it unchanged.");
}

QString CMapTextEdit::CutText() {
    return KelEditor::tr("This text is longer than the 128 bytes the device's map files hold. "
                         "Changed, it is cut to its first 128 bytes.");
}

void CMapTextEdit::Refuse(const QString& why) {
    refusal_ = why;
    QToolTip::showText(mapToGlobal(QPoint(0, height())), refusal_, this);
    emit TextRefused(refusal_);
}

} // namespace kel

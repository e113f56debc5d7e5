// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/maptextedit.h"

#include <QTimer>
#include <QToolTip>
#include <QValidator>

#include "gui/common/translation.h"
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
        if (field_.Fits(input)) {
            return Acceptable;
        }
        // Told after the edit was refused, not from inside the field's own handling of it.
        QTimer::singleShot(0, &field_, [field = &field_] { field->Refuse(); });
        return Invalid;
    }

private:
    CMapTextEdit& field_;
};

CMapTextEdit::CMapTextEdit(QWidget* parent) : CAccEdit(parent) {
    setValidator(new Validator(*this));
}

void CMapTextEdit::SetFits(std::function<bool(const std::string&)> fits) {
    fits_ = std::move(fits);
}

void CMapTextEdit::SetStoredText(const std::string& utf8) {
    stored_ = utf8;
    shown_ = QString::fromStdString(WithVisibleControls(utf8));
    setText(shown_);
}

std::string CMapTextEdit::StoredText() const {
    const QString shown = text();
    return shown == shown_ ? stored_ : WithControlsRestored(shown.toStdString());
}

bool CMapTextEdit::Fits(const QString& shown) const {
    if (!fits_ || shown == shown_) {
        return true;
    }
    return fits_(WithControlsRestored(shown.toStdString()));
}

QString CMapTextEdit::FullText() {
    return KelEditor::tr("The map file holds at most 128 bytes of this text: one for each "
                         "English letter, up to three for other letters.");
}

void CMapTextEdit::Refuse() {
    refusal_ = FullText();
    QToolTip::showText(mapToGlobal(QPoint(0, height())), refusal_, this);
    emit TextRefused(refusal_);
}

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The edit field of a map text: the TITLE field and the assign dialog's comment. It shows the
// text (UTF-8 in the document) with its control characters as visible escapes, takes any
// character the user types, and stops taking text where the map file would have no room for
// it, saying why. A text longer than the file's limit, as a file from elsewhere may hold it,
// is kept whole while it is unchanged and cut to the limit once changed; the field says which.
#pragma once

#include <functional>
#include <string>

#include "gui/common/accedit.h"
#include "model/assign.h"

namespace kel {

class CMapTextEdit : public CAccEdit {
    Q_OBJECT
public:
    explicit CMapTextEdit(QWidget* parent = nullptr);

    // What becomes of a text (UTF-8, as the map keeps it) in the file (RoomForText); without
    // it, every text fits.
    void SetRoom(std::function<TextRoom(const std::string&)> room);

    // Shows `utf8`; StoredText gives it back unchanged until the user edits the field.
    void SetStoredText(const std::string& utf8);
    // The field's text as the map keeps it.
    std::string StoredText() const;

    // Why the field last refused an edit (empty when it never did).
    const QString& Refusal() const { return refusal_; }
    // What the field says of a text longer than the file's limit: KeptText while it is the
    // stored text, CutText once the user changed it; empty for a text within the limit.
    const QString& Note() const { return note_; }
    // The explanation shown when the field refuses text for its own length.
    static QString FullText();
    static QString KeptText();
    static QString CutText();

signals:
    // An edit was refused: the text would not fit the file, or another text would lose its
    // place there (`why` names it).
    void TextRefused(const QString& why);
    // The note changed (an empty one: the text is within the limit).
    void NoteChanged(const QString& note);

private:
    class Validator;
    // Whether the field takes the edit that leaves `shown`; `why` when it does not. A text
    // longer than the limit may still be shortened, but not made longer.
    bool Takes(const QString& shown, QString& why) const;
    void Refuse(const QString& why);
    void UpdateNote();

    std::function<TextRoom(const std::string&)> room_;
    std::string stored_;
    QString shown_;
    QString previous_; // the text before the edit the validator judges
    QString refusal_;
    QString note_;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The edit field of a map text: the TITLE field and the assign dialog's comment. It shows the
// text (UTF-8 in the document) with its control characters as visible escapes, takes any
// character the user types, and stops taking text where the map file would have no room for
// it, saying why.
#pragma once

#include <functional>
#include <string>

#include "gui/common/accedit.h"

namespace kel {

class CMapTextEdit : public CAccEdit {
    Q_OBJECT
public:
    explicit CMapTextEdit(QWidget* parent = nullptr);

    // Whether a text (UTF-8, as the map keeps it) has room in the file; without one, every
    // text has.
    void SetFits(std::function<bool(const std::string&)> fits);

    // Shows `utf8`; StoredText gives it back unchanged until the user edits the field.
    void SetStoredText(const std::string& utf8);
    // The field's text as the map keeps it.
    std::string StoredText() const;

    // Why the field last refused an edit (empty when it never did).
    const QString& Refusal() const { return refusal_; }
    // The explanation shown when the field refuses text.
    static QString FullText();

signals:
    // An edit was refused: the text would not fit the file.
    void TextRefused(const QString& why);

private:
    class Validator;
    bool Fits(const QString& shown) const;
    void Refuse();

    std::function<bool(const std::string&)> fits_;
    std::string stored_;
    QString shown_;
    QString refusal_;
};

} // namespace kel

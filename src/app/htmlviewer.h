// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's own window for HTML pages: the help pages and the assignment list when no
// browser starts. A text browser with Back, Forward and Contents, a find field that searches
// as the user types, and for the help pages a list of the page's sections. Links between local
// pages open in the window; links to the web go to the desktop.
#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;
class QHBoxLayout;

namespace kel {

class CHtmlViewer : public QWidget {
    Q_OBJECT
public:
    // `sections`: show the list of the page's sections beside it (the help pages).
    CHtmlViewer(QWidget* parent, bool sections);

    // Shows the page in `file`, which becomes the page Contents goes back to.
    void ShowFile(const QString& file);
    // Shows the window and brings it to the front: the first time centred on `window` and
    // kept on its screen, afterwards where the user left it.
    void ShowOver(const QWidget* window);
    // Adds a button to the row at the bottom, before Close.
    QPushButton* AddButton(const QString& text, std::function<void()> action);

    QTextBrowser* Browser() const { return browser_; }
    QLineEdit* FindField() const { return find_; }
    QListWidget* Sections() const { return sections_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* ForwardButton() const { return forward_; }
    QUrl Source() const;

    // Looks for the find field's text (case ignored): from the start of the current match while
    // it is typed, after it for the next one, round to the top at the end. False when the
    // page does not hold it; the field then shows that.
    bool FindText(bool next);

protected:
    void keyPressEvent(QKeyEvent* event) override; // Escape closes the window

private:
    void FillSections();

    QTextBrowser* browser_ = nullptr;
    QLineEdit* find_ = nullptr;
    QListWidget* sections_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* forward_ = nullptr;
    QHBoxLayout* buttons_ = nullptr;
    QUrl home_;
    bool placed_ = false;
};

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's own window for HTML pages: the help pages and the assignment list when no
// browser starts. A text browser with a find field that searches as the user types; for the
// help pages also Back, Forward and Contents and a list of the page's sections that follows the
// part of the page shown (a click on it is a step Back returns from). Links between local pages
// open in the window; links to the web go to the desktop.
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
    // `help`: the help pages, with Back, Forward, Contents and the list of the page's sections
    // beside it; else one page (the assignment list), shown without them.
    CHtmlViewer(QWidget* parent, bool help);

    // Shows the page in `file`, which becomes the page Contents goes back to.
    void ShowFile(const QString& file);
    // Shows the window and brings it to the front: the first time centred on `window` and
    // kept on its screen, afterwards where the user left it.
    void ShowOver(const QWidget* window);
    // Adds a button to the row at the bottom, before Close.
    QPushButton* AddButton(const QString& text, std::function<void()> action);

    QTextBrowser* Browser() const { return browser_; }
    QLineEdit* FindField() const { return find_; }
    // The help pages' parts; null in the viewer of one page.
    QListWidget* Sections() const { return sections_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* ForwardButton() const { return forward_; }
    QPushButton* ContentsButton() const { return contents_; }
    QUrl Source() const;

    // Looks for the find field's text (case ignored): from the start of the current match while
    // it is typed, after it for the next one, round to the top at the end. False when the
    // page does not hold it; the field then shows that.
    bool FindText(bool next);

protected:
    void keyPressEvent(QKeyEvent* event) override; // Escape closes the window

private:
    void FillSections();
    // Marks in the list the section the page shows: the one marked stays while its heading is
    // in sight, else the last one whose heading is at or above the top of the view.
    void FollowSections();
    int HeadingTop(int row) const;

    QTextBrowser* browser_ = nullptr;
    QLineEdit* find_ = nullptr;
    QListWidget* sections_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* forward_ = nullptr;
    QPushButton* contents_ = nullptr;
    QHBoxLayout* buttons_ = nullptr;
    QUrl home_;
    bool placed_ = false;
};

} // namespace kel

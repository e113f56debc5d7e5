// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/htmlviewer.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/common/translation.h"

namespace kel {

CHtmlViewer::CHtmlViewer(QWidget* parent, bool help)
    : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
    // Local pages open here; anything else (the web, mail) goes to the desktop.
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.isRelative() || url.isLocalFile()) {
            browser_->setSource(browser_->source().resolved(url));
        } else {
            QDesktopServices::openUrl(url);
        }
    });

    auto* top = new QHBoxLayout;
    if (help) {
        back_ = new QPushButton(KelEditor::tr("< &Back"), this);
        forward_ = new QPushButton(KelEditor::tr("&Forward >"), this);
        contents_ = new QPushButton(KelEditor::tr("&Contents"), this);
        back_->setEnabled(false);
        forward_->setEnabled(false);
        connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
        connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
        connect(contents_, &QPushButton::clicked, this, [this] { browser_->setSource(home_); });
        connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
        connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QPushButton::setEnabled);
        new QShortcut(QKeySequence::Back, browser_, [this] { browser_->backward(); });
        new QShortcut(QKeySequence::Forward, browser_, [this] { browser_->forward(); });
        top->addWidget(back_);
        top->addWidget(forward_);
        top->addWidget(contents_);
    }

    auto* findLabel = new QLabel(KelEditor::tr("F&ind:"), this);
    find_ = new QLineEdit(this);
    find_->setClearButtonEnabled(true);
    findLabel->setBuddy(find_);
    connect(find_, &QLineEdit::textEdited, this, [this] { FindText(false); });
    connect(find_, &QLineEdit::returnPressed, this, [this] { FindText(true); });
    new QShortcut(QKeySequence::Find, this, [this] {
        find_->setFocus();
        find_->selectAll();
    });
    new QShortcut(QKeySequence::FindNext, this, [this] { FindText(true); });

    top->addStretch(1);
    top->addWidget(findLabel);
    top->addWidget(find_);

    QWidget* middle = browser_;
    if (help) {
        sections_ = new QListWidget(this);
        sections_->setAccessibleName(KelEditor::tr("Sections"));
        sections_->setTextElideMode(Qt::ElideNone);
        // A section picked is a step of the history, as a link on the page is.
        const auto open = [this](QListWidgetItem* item) {
            QUrl place = browser_->source();
            place.setFragment(item->data(Qt::UserRole).toString());
            browser_->setSource(place);
        };
        connect(sections_, &QListWidget::itemActivated, this, open);
        connect(sections_, &QListWidget::itemClicked, this, open);
        connect(browser_->verticalScrollBar(), &QScrollBar::valueChanged, this,
                &CHtmlViewer::FollowSections);
        auto* splitter = new QSplitter(this);
        splitter->addWidget(sections_);
        splitter->addWidget(browser_);
        splitter->setStretchFactor(1, 1);
        splitter->setSizes({270, 650});
        middle = splitter;
    }
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        setWindowTitle(browser_->documentTitle());
        browser_->setAccessibleName(browser_->documentTitle());
        FillSections();
    });

    buttons_ = new QHBoxLayout;
    buttons_->addStretch(1);
    auto* close = new QPushButton(KelEditor::tr("Close"), this);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    buttons_->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(middle, 1);
    layout->addLayout(buttons_);
    resize(920, 680);
}

void CHtmlViewer::ShowOver(const QWidget* window) {
    if (!placed_ && window != nullptr) {
        placed_ = true;
        QRect place(QPoint(), frameGeometry().size());
        place.moveCenter(window->frameGeometry().center());
        if (const QScreen* screen = window->screen(); screen != nullptr) {
            const QRect area = screen->availableGeometry();
            place.moveLeft(std::clamp(place.left(), area.left(),
                                      std::max(area.left(), area.right() + 1 - place.width())));
            place.moveTop(std::clamp(place.top(), area.top(),
                                     std::max(area.top(), area.bottom() + 1 - place.height())));
        }
        move(place.topLeft());
    }
    show();
    raise();
    activateWindow();
}

QPushButton* CHtmlViewer::AddButton(const QString& text, std::function<void()> action) {
    auto* button = new QPushButton(text, this);
    connect(button, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
    buttons_->insertWidget(buttons_->count() - 1, button);
    return button;
}

void CHtmlViewer::ShowFile(const QString& file) {
    // Read again even when it is the page shown (the list is rewritten under the same name),
    // with a fresh history: Back never leads to a page of an earlier request.
    home_ = QUrl::fromLocalFile(file);
    browser_->setSource(QUrl());
    browser_->setSource(home_);
    browser_->clearHistory();
    setWindowTitle(browser_->documentTitle());
    FillSections();
}

QUrl CHtmlViewer::Source() const {
    return browser_->source();
}

void CHtmlViewer::FillSections() {
    if (sections_ == nullptr) {
        return;
    }
    const QString current =
        sections_->currentItem() != nullptr ? sections_->currentItem()->text() : QString();
    sections_->clear();
    // The page's second-level headings that carry an anchor, in their order.
    int widest = 0;
    for (QTextBlock block = browser_->document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() != 2) {
            continue;
        }
        QString anchor;
        for (auto it = block.begin(); !it.atEnd() && anchor.isEmpty(); ++it) {
            const QStringList names = it.fragment().charFormat().anchorNames();
            if (!names.isEmpty()) {
                anchor = names.first();
            }
        }
        if (anchor.isEmpty()) {
            continue;
        }
        auto* item = new QListWidgetItem(block.text().trimmed(), sections_);
        item->setData(Qt::UserRole, anchor);
        item->setData(Qt::UserRole + 1, block.blockNumber());
        item->setToolTip(item->text());
        widest = std::max(widest, sections_->fontMetrics().horizontalAdvance(item->text()));
    }
    // Every entry whole: the list is at least as wide as its longest one, up to half the
    // screen (beyond that the entry's tooltip holds it).
    const int frame = 2 * sections_->frameWidth();
    const int margins = 4 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    int wanted = widest + frame + margins + scrollBar;
    if (const QScreen* shown = screen(); shown != nullptr) {
        wanted = std::min(wanted, shown->availableGeometry().width() / 2);
    }
    sections_->setMinimumWidth(std::max(sections_->minimumWidth(), wanted));
    for (int row = 0; row < sections_->count(); ++row) {
        if (sections_->item(row)->text() == current) {
            const QSignalBlocker quiet(sections_);
            sections_->setCurrentRow(row);
        }
    }
    FollowSections();
}

int CHtmlViewer::HeadingTop(int row) const {
    const QTextBlock block = browser_->document()->findBlockByNumber(
        sections_->item(row)->data(Qt::UserRole + 1).toInt());
    return static_cast<int>(browser_->document()->documentLayout()->blockBoundingRect(block).top());
}

void CHtmlViewer::FollowSections() {
    // Only a page laid out in the window has its headings where the user sees them.
    if (sections_ == nullptr || sections_->count() == 0 || !browser_->isVisible()) {
        return;
    }
    const int top = browser_->verticalScrollBar()->value();
    const int bottom = top + browser_->viewport()->height();
    const int current = sections_->currentRow();
    if (current >= 0) {
        const int at = HeadingTop(current);
        if (at >= top && at < bottom) {
            return; // the section marked is in sight
        }
    }
    int shown = -1;
    for (int row = 0; row < sections_->count() && HeadingTop(row) <= top + 4; ++row) {
        shown = row;
    }
    const QSignalBlocker quiet(sections_);
    if (shown < 0) {
        sections_->setCurrentRow(-1);
        sections_->clearSelection();
    } else {
        sections_->setCurrentRow(shown);
        sections_->scrollToItem(sections_->item(shown));
    }
}

bool CHtmlViewer::FindText(bool next) {
    const QString text = find_->text();
    QTextCursor from = browser_->textCursor();
    bool found = true;
    if (text.isEmpty()) {
        from.clearSelection();
        browser_->setTextCursor(from);
    } else {
        // While typing, the match grows where it is; the next one starts after it.
        from.setPosition(next ? from.selectionEnd() : from.selectionStart());
        QTextCursor match = browser_->document()->find(text, from);
        if (match.isNull()) {
            match = browser_->document()->find(text, 0);
        }
        found = !match.isNull();
        if (found) {
            browser_->setTextCursor(match);
            browser_->ensureCursorVisible();
        }
    }
    QPalette palette = find_->palette();
    palette.setColor(QPalette::Base,
                     found ? QPalette().color(QPalette::Base) : QColor(0xff, 0xd6, 0xd6));
    find_->setPalette(palette);
    return found;
}

void CHtmlViewer::keyPressEvent(QKeyEvent* event) {
    // Escape closes the window, as it closes the editor's dialogs.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kel

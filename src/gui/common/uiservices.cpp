// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/uiservices.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>

#include <algorithm>

#include "gui/common/translation.h"
#include "gui/common/uitext.h"

namespace kel {

namespace {

// What a title bar takes besides the title: the window menu icon and the minimise, maximise and
// close buttons of common window managers, with their margins.
constexpr int kTitleBarExtra = 160;

// A message box wide enough for its title, shown centred on `over` (when that is visible):
// the box settles its size only as it is shown, so it is placed then.
class CPlacedMessageBox : public QMessageBox {
public:
    CPlacedMessageBox(Icon icon, const QString& text, StandardButtons buttons, QWidget* parent,
                      QWidget* over)
        : QMessageBox(icon, AppTitle(), text, buttons, parent), over_(over) {
        // A short text would make the box narrower than its title, which the window manager
        // then cuts; a spacer across the box's grid keeps the title whole.
        QFont titleFont = font();
        titleFont.setBold(true);
        const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(windowTitle());
        if (auto* grid = qobject_cast<QGridLayout*>(layout()); grid != nullptr) {
            grid->addItem(new QSpacerItem(titleWidth + kTitleBarExtra, 0, QSizePolicy::Minimum,
                                          QSizePolicy::Minimum),
                          grid->rowCount(), 0, 1, grid->columnCount());
        }
    }

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        if (over_ == nullptr || !over_->isVisible()) {
            return; // placed by Qt: over its parent, else in the middle of the screen
        }
        QRect frame = frameGeometry();
        frame.moveCenter(over_->frameGeometry().center());
        if (const QScreen* screen = over_->screen(); screen != nullptr) {
            // Whole on the screen even when the main window is partly off it.
            const QRect area = screen->availableGeometry();
            frame.moveLeft(std::clamp(frame.left(), area.left(),
                                      std::max(area.left(), area.right() - frame.width() + 1)));
            frame.moveTop(std::clamp(frame.top(), area.top(),
                                     std::max(area.top(), area.bottom() - frame.height() + 1)));
        }
        move(frame.topLeft());
    }

private:
    QPointer<QWidget> over_;
};

} // namespace

void CQtUiServices::SetMainWindow(QWidget* window) {
    mainWindow_ = window;
}

QWidget* CQtUiServices::BoxHome(QWidget* parent) const {
    if (mainWindow_ != nullptr && mainWindow_->isVisible()) {
        return mainWindow_;
    }
    return parent != nullptr ? parent->window() : nullptr;
}

void CQtUiServices::Warn(QWidget* parent, const QString& text) {
    CPlacedMessageBox box(QMessageBox::Warning, text, QMessageBox::Ok, parent, BoxHome(parent));
    box.exec();
}

Answer CQtUiServices::AskYesNoCancel(QWidget* parent, const QString& text) {
    CPlacedMessageBox box(QMessageBox::Warning, text,
                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent,
                          BoxHome(parent));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

bool CQtUiServices::AskYesNo(QWidget* parent, const QString& text) {
    CPlacedMessageBox box(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, parent,
                          BoxHome(parent));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

namespace {

void StartIn(QFileDialog& dialog, const QString& start) {
    if (start.isEmpty()) {
        return;
    }
    const QFileInfo info(start);
    if (info.isDir()) {
        dialog.setDirectory(start);
        return;
    }
    dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
}

} // namespace

QString CQtUiServices::GetOpenFileName(QWidget* parent, const QStringList& filters,
                                       const QString& start) {
    QFileDialog dialog(parent);
    StartIn(dialog, start);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

QString CQtUiServices::GetSaveFileName(QWidget* parent, const QStringList& filters,
                                       const QString& defaultSuffix, const QString& start) {
    QFileDialog dialog(parent);
    StartIn(dialog, start);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

int CQtUiServices::RunModal(QDialog& dialog) {
    return dialog.exec();
}

bool CQtUiServices::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void CGuiReporter::warn(StringId id, int detail) {
    ui_.Warn(Parent(), UiMessage(id, detail));
}

void CGuiReporter::warnFile(StringId id, int cause, const std::string& path) {
    ui_.Warn(Parent(),
             UiFileMessage(id, cause, QFile::decodeName(QByteArray::fromStdString(path))));
}

void CGuiReporter::warnMessageText(StringId id, int detail, const MessageTextFault& fault) {
    const QString why = MessageFaultText(fault);
    ui_.Warn(Parent(), why.isEmpty() ? UiMessage(id, detail) : UiMessage(id, detail) + u'\n' + why);
}

void CGuiReporter::warnNoPort(const Phrase* gone) {
    const QString text = gone != nullptr ? UiText(*gone) : UiMessage(StringId::NoMidiDevice, 0);
    if (!chooser_) {
        ui_.Warn(Parent(), text);
        return;
    }
    if (ui_.AskYesNo(Parent(), text + QStringLiteral("\n\n") +
                                   KelEditor::tr("Open MIDI Devices to choose the port now?"))) {
        chooser_();
    }
}

Answer CGuiReporter::askYesNoCancel(StringId id) {
    return ui_.AskYesNoCancel(Parent(), UiText(id));
}

} // namespace kel

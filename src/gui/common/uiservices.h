// SPDX-License-Identifier: GPL-3.0-or-later
// Everything through which the editor interrupts its user: warning boxes, the save question,
// the file dialogs, modal dialogs and the shell's "open". The editor uses CQtUiServices; tests
// install a recorder with canned answers, so no message box or dialog ever blocks them.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

#include "model/reporter.h"

class QDialog;
class QWidget;

namespace kel {

class CUiServices {
public:
    virtual ~CUiServices() = default;

    // A warning box titled "VOSTEL KEL Editor" with an OK button.
    virtual void Warn(QWidget* parent, const QString& text) = 0;
    // The Yes/No/Cancel question with a warning icon.
    virtual Answer AskYesNoCancel(QWidget* parent, const QString& text) = 0;
    // A Yes/No question (an offer, nothing at risk): true for Yes. Services without their
    // own take the Yes/No/Cancel question, Cancel counting as No.
    virtual bool AskYesNo(QWidget* parent, const QString& text) {
        return AskYesNoCancel(parent, text) == Answer::Yes;
    }
    // The open and save file dialogs; an empty result means Cancel. The save dialog asks
    // before overwriting an existing file and adds `defaultSuffix` to a name without one.
    // `start` is the folder the dialog shows first, or a file in it to propose (empty: the
    // working folder).
    virtual QString GetOpenFileName(QWidget* parent, const QStringList& filters,
                                    const QString& start) = 0;
    virtual QString GetSaveFileName(QWidget* parent, const QStringList& filters,
                                    const QString& defaultSuffix, const QString& start) = 0;
    // Shows `dialog` modally; returns its result code.
    virtual int RunModal(QDialog& dialog) = 0;
    // Asks the desktop to open `url` (help page, HTML list); false when that failed.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // The editor's main window, over which the message boxes appear (null: none yet).
    virtual void SetMainWindow(QWidget* window) { (void)window; }
};

class CQtUiServices : public CUiServices {
public:
    void Warn(QWidget* parent, const QString& text) override;
    Answer AskYesNoCancel(QWidget* parent, const QString& text) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
    QString GetOpenFileName(QWidget* parent, const QStringList& filters,
                            const QString& start) override;
    QString GetSaveFileName(QWidget* parent, const QStringList& filters,
                            const QString& defaultSuffix, const QString& start) override;
    int RunModal(QDialog& dialog) override;
    bool OpenUrl(const QUrl& url) override;
    void SetMainWindow(QWidget* window) override;

private:
    // The window a message box is centred on: the main window, or the parent's window while
    // there is no visible main window.
    QWidget* BoxHome(QWidget* parent) const;

    QPointer<QWidget> mainWindow_;
};

// The core's Reporter and Questioner on top of the UI services: string-table texts in the
// user's language, parented to whatever window `parent` returns at the time of the message.
class CGuiReporter : public Reporter, public Questioner {
public:
    CGuiReporter(CUiServices& ui, std::function<QWidget*()> parent)
        : ui_(ui), parent_(std::move(parent)) {}

    void warn(StringId id, int detail = 0) override;
    void warnFile(StringId id, int cause, const std::string& path) override;
    void warnMessageText(StringId id, int detail, const MessageTextFault& fault) override;
    // No MIDI port to use: which chosen port is gone, or message 32810; once `chooser` is set
    // (SetPortChooser), with the offer to open the MIDI Devices dialog, which Yes does.
    void warnNoPort(const Phrase* gone) override;
    Answer askYesNoCancel(StringId id) override;
    void SetPortChooser(std::function<void()> chooser) { chooser_ = std::move(chooser); }

private:
    QWidget* Parent() const { return parent_ ? parent_() : nullptr; }

    CUiServices& ui_;
    std::function<QWidget*()> parent_;
    std::function<void()> chooser_;
};

} // namespace kel

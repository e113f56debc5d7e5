// SPDX-License-Identifier: GPL-3.0-or-later
// UI services for the tests: every message, question, file dialog, modal dialog and browser
// start is recorded and answered from canned values, so nothing ever waits for a user.
#pragma once

#include <QDialog>
#include <QLabel>

#include <deque>
#include <functional>
#include <utility>

#include "gui/common/ids.h"
#include "gui/common/uiservices.h"

namespace kel {

class FakeUi : public CUiServices {
public:
    QStringList warnings;
    QStringList questions;
    std::deque<Answer> answers;    // Cancel when empty
    std::deque<QString> openPaths; // Cancel when empty
    std::deque<QString> savePaths; // Cancel when empty
    QStringList saveFilters;
    QString saveSuffix;
    QStringList openFilters;
    QString openStart; // where the last open dialog started
    QString saveStart; // where the last save dialog started (a folder or a proposed file)
    QString modalTitle;
    QString modalText;       // the label carrying id 1000 or 1052, when present
    QStringList modalLabels; // the texts of every label of the last modal dialog
    int modalResult = QDialog::Accepted;
    // When set, acts on the next modal dialog as a user would (fills its fields) before it
    // ends with modalResult; used once.
    std::function<void(QDialog&)> onModal;
    QList<QUrl> openedUrls;
    bool openUrlResult = true;

    void Warn(QWidget*, const QString& text) override { warnings << text; }
    Answer AskYesNoCancel(QWidget*, const QString& text) override {
        questions << text;
        if (answers.empty()) {
            return Answer::Cancel;
        }
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    QString GetOpenFileName(QWidget*, const QStringList& filters, const QString& start) override {
        openFilters = filters;
        openStart = start;
        return Take(openPaths);
    }
    QString GetSaveFileName(QWidget*, const QStringList& filters, const QString& suffix,
                            const QString& start) override {
        saveFilters = filters;
        saveSuffix = suffix;
        saveStart = start;
        return Take(savePaths);
    }
    int RunModal(QDialog& dialog) override {
        modalTitle = dialog.windowTitle();
        modalLabels.clear();
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            modalLabels << label->text();
        }
        for (int id : {ctl::AboutText, ctl::ConfirmText}) {
            if (auto* label = FindByKelId<QLabel>(&dialog, id); label != nullptr) {
                modalText = label->text();
            }
        }
        if (onModal) {
            const auto act = std::exchange(onModal, nullptr);
            act(dialog);
        }
        return modalResult;
    }
    bool OpenUrl(const QUrl& url) override {
        openedUrls << url;
        return openUrlResult;
    }

private:
    static QString Take(std::deque<QString>& queue) {
        if (queue.empty()) {
            return {};
        }
        QString value = queue.front();
        queue.pop_front();
        return value;
    }
};

} // namespace kel

#include "gui/common/uiservices.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "gui/common/uitext.h"

namespace kel {

void CQtUiServices::Warn(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

Answer CQtUiServices::AskYesNoCancel(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, AppTitle(), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
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
    QMessageBox box(QMessageBox::Question, AppTitle(), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
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

Answer CGuiReporter::askYesNoCancel(StringId id) {
    return ui_.AskYesNoCancel(Parent(), UiText(id));
}

} // namespace kel

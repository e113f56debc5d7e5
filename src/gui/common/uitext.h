// SPDX-License-Identifier: GPL-3.0-or-later
// The string table as the user sees it: the English texts of model/strings.h translated through
// Qt's translation system (context "StringTable"), and the file filters of the table in the
// form Qt's file dialogs take.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include "model/msgtext.h"
#include "model/phrase.h"
#include "model/strings.h"

namespace kel {

// The text of `id` in the user's language.
QString UiText(StringId id);
// A text the core composed, in the user's language: the format of its id translated in the id's
// context, its placeholders filled with the arguments (numbers as digits, texts as they are,
// table words and nested phrases translated in turn).
QString UiText(const Phrase& phrase);
// `format` with "%1" … "%9" replaced by `args`; a placeholder without an argument stays. Text
// inside the arguments is never taken for a placeholder.
QString FillUiText(const QString& format, const QStringList& args);
// Its first line: the status-bar prompt of a command.
QString UiPrompt(StringId id);
// The text with its "%d" replaced by `detail`, as the message boxes show it.
QString UiMessage(StringId id, int detail);

// A file cause number (the "(%d)" of the file messages) in words.
QString FileCauseText(int cause);
// A file message as the boxes show it: the text with its cause number, and a second line
// with the file's path and the cause in words (the path alone when `cause` is 0).
QString UiFileMessage(StringId id, int cause, const QString& path);

// Where and why a message text was refused, as the line under the message box's text.
QString MessageFaultText(const MessageTextFault& fault);

// A filter written as "Description (*.a;*.b)|*.a; *.b|All Files (*.*)|*.*||" as the list of
// Qt name filters "Description (*.a *.b)", "All Files (*)".
QStringList QtNameFilters(const QString& filter);

// The application title, "VOSTEL KEL Editor".
QString AppTitle();

// Installs the user-interface texts of `locale`'s language (Japanese; English is the source
// language and needs none) together with Qt's own texts. False when there is nothing to
// install for that language.
bool InstallUiTranslations(const QLocale& locale);
// Back to the English texts.
void RemoveUiTranslations();

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the map check, the map comparison and the .syx files in the user's language.
//
// The core composes these texts in English from tables with "%1" … placeholders. The editor
// translates the table entries (contexts "MapCheck", "MapCompare" and "SyxFile") and fills them
// again: a comparison from its structured differences, a check finding from its text id and
// arguments (whose composed parts, such as "CC 74" or " on channel 1, Port 1", are recognised
// by their table entry and translated in turn), and a .syx message by recognising its entry.
// A text that matches no entry is shown as the core wrote it.
#pragma once

#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

#include "files/syxfile.h"
#include "model/mapcheck.h"
#include "model/mapcompare.h"

namespace kel {

// `format` with "%1" … "%9" replaced by `args`; a placeholder without an argument stays. Text
// inside the arguments is never taken for a placeholder.
QString FillUiText(const QString& format, const QStringList& args);

// Matches `text` against `format` (literal text around "%1" … "%9" and "%d" placeholders, each
// standing for at least one character). On success `captures` holds what each placeholder
// stood for, by its number (index 0 for "%d").
bool MatchFilledText(const QString& text, const QString& format, QStringList& captures);

// The finding's message, the severity's name ("error", "warning").
QString CheckFindingText(const CheckFinding& finding);
QString CheckSeverityText(CheckSeverity severity);

// A text of the comparison table.
QString CompareUiText(CompareTextId id);
// The line of one differing control, the title line, and all lines of a comparison.
QString ComparisonLine(const ControlDifference& difference);
QString TitleChangeLine(const MapComparison& comparison);
QStringList ComparisonLines(const MapComparison& comparison);

// The message of a failed .syx save or load; a failed save of `path` (when given) adds the
// line with the path and the cause in words, as the other file messages do.
QString SyxMessageText(const SyxResult& result, const QString& path = {});

} // namespace kel

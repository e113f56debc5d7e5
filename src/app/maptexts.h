// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the map check, the map comparison and the .syx files in the user's language.
//
// The core composes each of them as a phrase (model/phrase.h): a text id and its arguments. The
// editor shows the phrase with UiText, which translates the id's format in its context
// ("MapCheck", "MapCompare", "SyxFile") and fills in the arguments, nested parts such as
// "CC 74" or " on channel 1, Port 1" translated in turn.
#pragma once

#include <QString>
#include <QStringList>

#include "files/syxfile.h"
#include "gui/common/uitext.h"
#include "model/mapcheck.h"
#include "model/mapcompare.h"

namespace kel {

// The finding's message, the severity's name ("error", "warning").
QString CheckFindingText(const CheckFinding& finding);
QString CheckSeverityText(CheckSeverity severity);

// A text of the comparison without arguments ("The control maps are equal.").
QString CompareUiText(TextId id);
// The line of one differing control, the title line, and all lines of a comparison.
QString ComparisonLine(const ControlDifference& difference);
QString TitleChangeLine(const MapComparison& comparison);
QStringList ComparisonLines(const MapComparison& comparison);

// The message of a failed .syx load.
QString SyxMessageText(const Failure& failure);
// The message of a failed .syx save of `path`, with the line of the path and the cause in words
// as the other file messages have it.
QString SyxSaveFailureText(const Failure& failure, const QString& path);

} // namespace kel

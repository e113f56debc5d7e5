// SPDX-License-Identifier: GPL-3.0-or-later
// The assignment list: the whole control map as an HTML table, one row per control. Writing it
// to files is files/listfile.h.
#pragma once

#include <string>
#include <string_view>

#include "model/assign.h"

namespace kel {

// The complete list as written to the file: CR LF line ends, a charset declaration (UTF-8)
// when a text goes beyond ASCII, title and comments with
// &, <, > and " escaped and their bidirectional controls shown as escapes (\u202e).
std::string AssignListHtml(const ControlMap& map);

// One row of the list (from "<TR>" to "</TR>", line ends still "\n").
std::string AssignListRow(ControllerId id, const AssignRecord& record, std::string_view comment);

} // namespace kel

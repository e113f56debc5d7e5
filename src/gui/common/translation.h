// SPDX-License-Identifier: GPL-3.0-or-later
// The translation contexts of the user-interface texts.
//
// The editor's own texts are written as KelEditor::tr("..."), which lupdate finds in the sources
// (context "KelEditor"). The texts of the core's tables (the string table, list entries such as
// the message type names, the formats of the core's composed texts) are only known at run time;
// they are translated with CoreText() in their context, and reach the translation file through
// the list that kel-core-texts prints from the same tables at build time.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <string_view>

// Outside the namespace: lupdate names a context after the class's full name.
class KelEditor {
    Q_DECLARE_TR_FUNCTIONS(KelEditor)
};

namespace kel {

// `english`, a text known only at run time, in the user's language: a text of the core's tables
// in the context kel-core-texts lists it in ("KelEditor", "StringTable", or the context of a
// composed text's id: "MapCheck", "MapCompare", "SyxFile", "MidiMessage").
QString CoreText(const char* context, std::string_view english);

} // namespace kel

// SPDX-License-Identifier: GPL-3.0-or-later
// kel-core-texts: prints every user-visible text of the core's tables as a C++ file of
// QT_TRANSLATE_NOOP("Context", "text") entries, for lupdate to read together with src/.
//
// The core is standard C++ and composes its texts in English; the editor translates them at
// run time in the context it shows them in (gui/common/translation.h):
//   StringTable  the string table (messages, prompts, file filters)
//   KelEditor    the list entries of the assign dialog (message types, channel message kinds,
//                data types, realtime statuses, button modes, ports, AFT modes)
//   KelEditor    also the causes of failed file operations
//   MapCheck     the texts of the map check, the severity names among them
//   MapCompare   the texts of the map comparison
//   SyxFile      the messages of the .syx reader
//   MidiMessage  the MIDI messages in words that the monitor shows
// The build writes the file into its translation staging folder (cmake/KelTranslations.cmake),
// where the translation file names it tools/kel-core-texts/core-texts.cpp. The texts are read
// from the tables themselves, so a text added to a table reaches the translation file, and the
// translation check, without being copied anywhere.
//
// Usage: kel-core-texts OUTPUT
#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/assign.h"
#include "model/kinds.h"
#include "model/phrase.h"
#include "model/strings.h"

namespace {

using namespace kel;

struct CoreText {
    const char* context;
    std::string_view text;
};

// The texts in the order of their tables, each (context, text) once.
class TextList {
public:
    void Add(const char* context, std::string_view text) {
        if (!text.empty() && seen_.emplace(context, text).second) {
            texts_.push_back({context, text});
        }
    }
    const std::vector<CoreText>& Texts() const { return texts_; }

private:
    std::set<std::pair<std::string_view, std::string_view>> seen_;
    std::vector<CoreText> texts_;
};

// A list-name function of the assign model: every index that has a name. The lists are short;
// 256 leaves room for any of them to grow.
void AddNames(TextList& list, std::string_view (*name)(int)) {
    for (int index = 0; index < 256; ++index) {
        list.Add("KelEditor", name(index));
    }
}

std::vector<CoreText> AllCoreTexts() {
    TextList list;
    // String ids are 16-bit resource ids; the table holds a few dozen of them.
    for (int id = 0; id <= 0xFFFF; ++id) {
        list.Add("StringTable", Text(static_cast<StringId>(id)));
    }
    for (auto* name : {&MessageTypeName, &ChannelKindName, &DataTypeName, &RealtimeEntryName,
                       &ButtonModeName, &PortName, &AftModeName}) {
        AddNames(list, name);
    }
    // The channel page's captions of each kind's values.
    for (const AssignKind& kind : AssignKinds()) {
        for (const ValueField& value : kind.Values()) {
            list.Add("KelEditor", value.caption);
        }
    }
    // The composed texts (findings, comparison lines, .syx messages, MIDI messages in words,
    // file causes), each in its own context.
    for (int id = 0; id < static_cast<int>(TextId::Count); ++id) {
        const auto textId = static_cast<TextId>(id);
        list.Add(TextContext(textId), EnglishFormat(textId));
    }
    return list.Texts();
}

// `text` as a C++ string literal, as lupdate reads it back.
std::string Literal(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\%03o", static_cast<unsigned char>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: kel-core-texts OUTPUT\n";
        return 2;
    }
    const std::vector<CoreText> texts = AllCoreTexts();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << "// The texts of the core's tables in the contexts the editor translates them in.\n"
           "// Written by kel-core-texts for lupdate; not compiled into the editor.\n"
           "#include <QtGlobal>\n\n"
           "[[maybe_unused]] static const char* const kCoreTexts[] = {\n";
    for (const CoreText& t : texts) {
        out << "    QT_TRANSLATE_NOOP(\"" << t.context << "\", " << Literal(t.text) << "),\n";
    }
    out << "};\n";
    out.close();
    if (!out) {
        std::cerr << "kel-core-texts: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}

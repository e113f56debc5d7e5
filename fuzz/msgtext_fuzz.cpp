// SPDX-License-Identifier: GPL-3.0-or-later
// The System Ex. and Free Message text parsers on arbitrary text, starting from an arbitrary
// record. A result is always one the assign page can show; a text that is accepted, formatted
// in edit style and parsed again with the same data type, gives the same record. The
// formatters take any record, as files and the device may hold anything.
//
// Input: one byte choosing the page mode (bit 0) and the data type argument (the rest, 0..6,
// so that unknown types are tried too), 39 bytes of the starting record, then the text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "model/msgtext.h"

using namespace kel;

namespace {

std::size_t TrimmedLength(std::string_view text) {
    const char* blanks = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return 0;
    }
    return text.find_last_not_of(blanks) - first + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 + kRecordSize) {
        return 0;
    }
    const PageMode mode = (data[0] & 1) != 0 ? FreeMode : SysExMode;
    const int dataType = (data[0] >> 1) % 7;
    AssignEntry entry;
    std::memcpy(entry.record.data(), data + 1, kRecordSize);
    const std::string_view text(reinterpret_cast<const char*>(data + 1 + kRecordSize),
                                size - 1 - kRecordSize);

    // Records from elsewhere format in both styles.
    for (TextStyle style : {EditStyle, ListStyle}) {
        const std::string shown = FormatMessageText(entry.record, mode, style);
        KEL_FUZZ_CHECK(shown.size() < 256);
    }

    const ParseResult result = ParseMessageText(entry, mode, text, dataType);
    KEL_FUZZ_CHECK(result == ParseAccepted || result == ParseTextWrong || result == ParseTooLong ||
                   (result > 0 && static_cast<std::size_t>(result) <= TrimmedLength(text)));
    const TextSelection selection = ErrorSelection(text, result);
    KEL_FUZZ_CHECK(selection.start + selection.length <= text.size());
    KEL_FUZZ_CHECK(entry.changed == (result == ParseAccepted));
    if (result != ParseAccepted) {
        return 0;
    }

    const std::string formatted = FormatMessageText(entry.record, mode, EditStyle);
    AssignEntry again;
    again.record = entry.record;
    const ParseResult againResult = ParseMessageText(again, mode, formatted, dataType);
    if (againResult != ParseAccepted || again.record != entry.record) {
        std::fprintf(stderr, "text \"%.*s\" formats as \"%s\", which parses to %d\n",
                     static_cast<int>(text.size()), text.data(), formatted.c_str(), againResult);
        fuzz::Fail("format and parse agree");
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The core as a web page loads it: a control map file's bytes to a document and back, the HTML
// list and the map check, called from JavaScript. bench/wasm_compare.sh reports its size.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/smfctrl.h"
#include "model/assignlist.h"
#include "model/mapcheck.h"
#include "model/parameter.h"

namespace {

// What the last call returned; valid until the next call.
std::vector<std::uint8_t> fileBytes;
std::string text;

} // namespace

extern "C" {

// A document read from `size` bytes of a control map file, or null when they are not one.
kel::CParameter* kel_decode(const std::uint8_t* bytes, std::size_t size) {
    auto* document = new kel::CParameter;
    if (!kel::CSmfCtrl(document).ReadBytes({bytes, size}, kel::ControlMapKind).Ok()) {
        delete document;
        return nullptr;
    }
    return document;
}

// The file's bytes for `document`; their number goes to `size`.
const std::uint8_t* kel_encode(kel::CParameter* document, std::size_t* size) {
    fileBytes = kel::CSmfCtrl(document).BuildImage();
    *size = fileBytes.size();
    return fileBytes.data();
}

// The HTML list of `document`.
const char* kel_list(const kel::CParameter* document) {
    text = kel::AssignListHtml(document->Map());
    return text.c_str();
}

// The findings of the map check, one a line: "error" or "warning", a tab, the message.
const char* kel_check(const kel::CParameter* document) {
    text.clear();
    for (const kel::CheckFinding& finding : kel::CheckControlMap(document->Map())) {
        text += kel::CheckSeverityName(finding.severity);
        text += '\t';
        text += finding.message;
        text += '\n';
    }
    return text.c_str();
}

void kel_free(kel::CParameter* document) {
    delete document;
}

} // extern "C"

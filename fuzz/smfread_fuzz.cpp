// SPDX-License-Identifier: GPL-3.0-or-later
// The control map and memory set file reader on arbitrary bytes, as both kinds. A read that
// fails says why with one of the reader's numbered messages; a map it accepted, written again,
// reads back the same.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "files/smfctrl.h"
#include "fuzz_support.h"
#include "model/result.h"

using namespace kel;

namespace {

void CheckSameMap(const CParameter& a, const CParameter& b) {
    KEL_FUZZ_CHECK(a.Map().records == b.Map().records);
    KEL_FUZZ_CHECK(a.GetTitle() == b.GetTitle());
    KEL_FUZZ_CHECK(a.CopyrightText() == b.CopyrightText());
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        KEL_FUZZ_CHECK(a.GetMapComment(id) == b.GetMapComment(id));
    }
}

void ReadAs(std::span<const std::uint8_t> bytes, MessageSetKind kind) {
    CParameter doc;
    CSmfCtrl reader(&doc);
    const Status result = reader.ReadBytes(bytes, kind);
    if (!result) {
        // A refusal is always one of the reader's numbered messages.
        const std::optional<StringId> id = MessageOf(result.Error());
        KEL_FUZZ_CHECK(id.has_value());
        KEL_FUZZ_CHECK(
            *id == StringId::LoadFailed || *id == StringId::CopyrightTooLong ||
            *id == StringId::TextTooLong ||
            *id == (kind == MemorySetKind ? StringId::NotMemorySet : StringId::NotControlMap));
        return;
    }
    KEL_FUZZ_CHECK(reader.AcceptedCount() ==
                   (kind == MemorySetKind ? kMemorySetSlotCount : kControllerCount));
    KEL_FUZZ_CHECK(doc.GetTitle().size() <= kTextLimit);
    KEL_FUZZ_CHECK(!doc.IsModified());
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        KEL_FUZZ_CHECK(doc.GetMapComment(id).size() <= kTextLimit);
    }

    // What was accepted is saved as a control map file, which must read back unchanged.
    const std::vector<std::uint8_t> image = CSmfCtrl(&doc).BuildImage();
    CParameter again;
    KEL_FUZZ_CHECK(CSmfCtrl(&again).ReadBytes(image, ControlMapKind).Ok());
    CheckSameMap(doc, again);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    ReadAs(bytes, ControlMapKind);
    ReadAs(bytes, MemorySetKind);
    return 0;
}

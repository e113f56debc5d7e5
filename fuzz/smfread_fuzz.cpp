// SPDX-License-Identifier: GPL-3.0-or-later
// The control map and memory set file reader on arbitrary bytes, as both kinds. A read reports
// exactly once when it fails and never when it succeeds; a map it accepted, written again,
// reads back the same.
#include <cstddef>
#include <cstdint>
#include <span>

#include "files/smfctrl.h"
#include "fuzz_support.h"

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
    fuzz::CountingReporter reporter;
    CSmfCtrl reader(&doc, &reporter);
    const int result = reader.ReadBytes(bytes, kind);
    KEL_FUZZ_CHECK(result == 0 || result == -1);
    KEL_FUZZ_CHECK(reporter.warnings.size() == (result == 0 ? 0u : 1u));
    if (result != 0) {
        const StringId id = reporter.warnings[0].first;
        KEL_FUZZ_CHECK(
            id == StringId::LoadFailed ||
            id == (kind == MemorySetKind ? StringId::NotMemorySet : StringId::NotControlMap));
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
    fuzz::CountingReporter againReporter;
    KEL_FUZZ_CHECK(CSmfCtrl(&again, &againReporter).ReadBytes(image, ControlMapKind) == 0);
    CheckSameMap(doc, again);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    ReadAs(bytes, ControlMapKind);
    ReadAs(bytes, MemorySetKind);
    return 0;
}

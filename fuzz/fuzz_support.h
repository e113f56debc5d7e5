// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets share: a reporter that counts, and a check that ends the run with a
// message the crash report shows.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "model/reporter.h"

namespace kel::fuzz {

struct CountingReporter : Reporter {
    std::vector<std::pair<StringId, int>> warnings;
    void warn(StringId id, int detail) override { warnings.emplace_back(id, detail); }
};

// A broken promise of the code under test: abort, so libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

#define KEL_FUZZ_CHECK(condition)                                                                  \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::kel::fuzz::Fail(#condition);                                                         \
        }                                                                                          \
    } while (false)

} // namespace kel::fuzz

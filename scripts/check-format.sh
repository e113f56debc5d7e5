#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails, naming file and line, when a C++ source of the tree is not formatted as .clang-format
# says. Fix with: clang-format -i FILE...
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
command -v clang-format >/dev/null 2>&1 || { echo "check-format: clang-format is missing" >&2; exit 1; }
find src tests tools bench fuzz \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z |
    xargs -0 clang-format --dry-run -Werror
echo "check-format: $(find src tests tools bench fuzz \( -name '*.h' -o -name '*.cpp' \) | wc -l) files formatted"

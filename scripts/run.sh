#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts the editor. Arguments go to the program.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${KEL_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh"
if [ -x "$BUILD/kel-editor" ]; then
    exec "$BUILD/kel-editor" "$@"
elif [ -x "$BUILD/src/cli/kelmap" ]; then
    exec "$BUILD/src/cli/kelmap" "${@:---help}"
else
    echo "Built:"
    find "$BUILD" -maxdepth 3 -type f \( -name '*.a' -o -perm -u+x \) -newer "$ROOT/CMakeLists.txt" \
        ! -name '*.sh' ! -path '*/CMakeFiles/*' | sort
fi

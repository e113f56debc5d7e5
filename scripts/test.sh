#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test: those of the native build, then those
# of the core built to WebAssembly, in node (in the build folder's name with "-wasm"). The MIDI
# end-to-end tests need a JACK server: one of our own, under a name of its own (so it never meets
# another server on the machine), is started with the dummy driver (no sound card needed) and
# stopped afterwards.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${KEL_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh"

# shellcheck source=scripts/jack-server.sh
source "$ROOT/scripts/jack-server.sh"
trap stop_jack_server EXIT

if command -v jackd >/dev/null 2>&1; then
    if ! start_jack_server "kel-test-$$" "$BUILD/jackd.log"; then
        echo "test.sh: the JACK server $JACK_DEFAULT_SERVER did not start; the JACK tests skip" >&2
    fi
fi

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" "$@"

# Then the core in WebAssembly, built with emscripten beside the native build, its tests in node.
WASM_BUILD="$BUILD-wasm"
emcmake cmake -S "$ROOT" -B "$WASM_BUILD" -DKEL_BUILD_GUI=OFF >/dev/null
cmake --build "$WASM_BUILD" -j"$(nproc)"
ctest --test-dir "$WASM_BUILD" --output-on-failure -j"$(nproc)" "$@"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test. The MIDI end-to-end tests need a JACK
# server: one of our own, under a name of its own (so it never meets another server on the
# machine), is started with the dummy driver (no sound card needed) and stopped afterwards.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${KEL_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh"

JACK_PID=""
cleanup() {
    if [ -n "$JACK_PID" ]; then
        kill "$JACK_PID" 2>/dev/null || true
        wait "$JACK_PID" 2>/dev/null || true
    fi
}
trap cleanup EXIT

if command -v jackd >/dev/null 2>&1; then
    export JACK_NO_AUDIO_RESERVATION=1
    export JACK_DEFAULT_SERVER="kel-test-$$"
    # A client timeout of 2 s instead of 0.5 s: on a loaded machine the server's answers come
    # late, and a client it gave up on would fail a test that has nothing to do with that.
    jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -t 2000 -d dummy -r 48000 -p 1024 \
        >"$BUILD/jackd.log" 2>&1 &
    JACK_PID=$!
    if ! timeout 10 jack_wait -w >/dev/null 2>&1; then
        echo "test.sh: the JACK server $JACK_DEFAULT_SERVER did not start; the JACK tests skip" >&2
    fi
fi

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" "$@"

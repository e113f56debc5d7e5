#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The core in WebAssembly against the native core: builds kel-core-speed both ways (the native
# build in build/ or $KEL_BUILD_DIR, the WebAssembly build beside it with "-wasm"), runs both on
# the same map and prints, for decode, encode, the HTML list and the map check, the time of each
# and the ratio WebAssembly / native, and whether both produced the same bytes. Then the size of
# the core as a web page loads it (kel-core-web: its .wasm and .js, gzipped).
#
#   bench/wasm_compare.sh [SCALE]    SCALE multiplies the number of runs (default 1)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
NATIVE="${KEL_BUILD_DIR:-$ROOT/build}"
WASM="$NATIVE-wasm"
SCALE="${1:-1}"

if [ ! -f "$NATIVE/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$NATIVE" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$NATIVE" --target kel-core-speed >/dev/null
# emcmake names the command it runs; only a failure is shown.
if ! emcmake cmake -S "$ROOT" -B "$WASM" -DKEL_BUILD_GUI=OFF >"$WASM.configure.log" 2>&1; then
    cat "$WASM.configure.log" >&2
    exit 1
fi
cmake --build "$WASM" --target kel-core-speed kel-core-web >/dev/null

native=$("$NATIVE/bench/kel-core-speed" "$SCALE")
wasm=$(node "$WASM/bench/kel-core-speed.js" "$SCALE")

printf '%-7s %14s %14s %8s  %s\n' task native wasm ratio output
for task in decode encode list check; do
    # The line of `task`: its name, nanoseconds, "ns", the hash of its output.
    read -r _ n_ns _ n_hash <<<"$(grep "^$task " <<<"$native")"
    read -r _ w_ns _ w_hash <<<"$(grep "^$task " <<<"$wasm")"
    same=$([ "$n_hash" = "$w_hash" ] && echo same || echo DIFFERENT)
    awk -v t="$task" -v n="$n_ns" -v w="$w_ns" -v s="$same" \
        'BEGIN { printf "%-7s %11.1f us %11.1f us %7.2fx  %s\n", t, n / 1000, w / 1000, w / n, s }'
done

wasm_gz=$(gzip -9c "$WASM/bench/kel-core-web.wasm" | wc -c)
js_gz=$(gzip -9c "$WASM/bench/kel-core-web.js" | wc -c)
printf 'web module (kel-core-web): %d KB gzipped (.wasm %d KB + .js %d KB; .wasm %d KB unpacked)\n' \
    $(((wasm_gz + js_gz + 1023) / 1024)) $(((wasm_gz + 1023) / 1024)) $(((js_gz + 1023) / 1024)) \
    $((($(stat -c %s "$WASM/bench/kel-core-web.wasm") + 1023) / 1024))

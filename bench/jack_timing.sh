#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Timing of a transmit on the wire: kelmap transmit sends a control map through JACK to
# jack_midi_dump, which stamps every message with its frame time. Prints the bytes sent and the
# intervals between the 50 bulk messages (median, min, max), once with the machine idle and once
# with a CPU burner on the other core. The target: median 40 ms +- 1, every interval under 45 ms.
#
# usage: bench/jack_timing.sh [BUILD_DIR]   (default $KEL_BUILD_DIR or ./build)
# A JACK server of its own is started under a name of its own with the dummy driver. Its period
# (KEL_JACK_PERIOD, default 64 frames at 48 kHz = 1.3 ms) is the resolution of the stamps:
# JACK delivers MIDI once per period. Two clocks are shown: JACK's frame clock (what the dump
# stamps) and the wall clock at which each message was read from the dump. The dummy driver's
# frame clock falls behind the wall clock when the machine is short of CPU, which makes the
# intervals on it look shorter than they were. KEL_TIMING_VERBOSE=1 prints every interval.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-${KEL_BUILD_DIR:-$ROOT/build}}"
KELMAP="$BUILD/src/cli/kelmap"
RATE=48000
PERIOD="${KEL_JACK_PERIOD:-64}"
DUMP_CLIENT="kel-timing"

for tool in jackd jack_wait jack_lsp jack_midi_dump python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "jack_timing: $tool is missing" >&2; exit 1; }
done
[ -x "$KELMAP" ] || { echo "jack_timing: $KELMAP is not built" >&2; exit 1; }

WORK="$(mktemp -d)"
export KEL_HISTORY_DIR="$WORK/history" # the runs' history stays out of the user's own
JACK_PID=""
DUMP_PID=""
BURN_PID=""
cleanup() {
    for pid in "$BURN_PID" "$DUMP_PID" "$JACK_PID"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

export JACK_NO_AUDIO_RESERVATION=1
export JACK_DEFAULT_SERVER="kel-bench-$$"
jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r "$RATE" -p "$PERIOD" \
    >"$WORK/jackd.log" 2>&1 &
JACK_PID=$!
if ! timeout 10 jack_wait -w >/dev/null 2>&1; then
    echo "jack_timing: the JACK server did not start" >&2
    cat "$WORK/jackd.log" >&2
    exit 1
fi

"$KELMAP" new "$WORK/map.mid" --title "Timing" >/dev/null
"$KELMAP" set "$WORK/map.mid" S1 cc 74 0 127 --channel 2 >/dev/null

# One transmit into jack_midi_dump; prints the figures under `label`.
measure() {
    local label="$1" dump="$WORK/dump-$1.txt"
    # Each line also gets the wall-clock time it was read at (the dump prints once per period).
    stdbuf -oL jack_midi_dump -a "$DUMP_CLIENT" 2>/dev/null > >(python3 -u -c '
import sys, time
for line in sys.stdin:
    print(time.monotonic_ns(), line, end="", flush=True)
' >"$dump") &
    DUMP_PID=$!
    for _ in $(seq 50); do
        jack_lsp 2>/dev/null | grep -qx "$DUMP_CLIENT:input" && break
        sleep 0.1
    done
    if ! printf '\n' | "$KELMAP" transmit "$WORK/map.mid" --api jack \
        --out "$DUMP_CLIENT:input" --yes >/dev/null 2>"$WORK/kelmap-$label.err"; then
        echo "jack_timing: kelmap transmit failed:" >&2
        cat "$WORK/kelmap-$label.err" >&2
        exit 1
    fi
    sleep 1.5 # the last periods reach the dump, also on a busy machine
    kill "$DUMP_PID" 2>/dev/null || true
    wait "$DUMP_PID" 2>/dev/null || true
    DUMP_PID=""
    sleep 0.3 # the stamping reader writes its last lines
    python3 - "$label" "$dump" "$RATE" "$PERIOD" <<'EOF'
import os, statistics, sys
label, path, rate, period = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
messages = []
for line in open(path):
    wall, _, rest = line.partition(" ")
    head, sep, body = rest.partition(":")
    if not sep or not head.strip().isdigit():
        continue
    data = body.split()
    messages.append((int(head) * 1000.0 / rate, int(wall) / 1e6, len(data),
                     int(data[9], 16) if len(data) > 9 else -1))
total = sum(m[2] for m in messages)
bulk = [m for m in messages if m[2] == 141]
if len(bulk) != 50:
    missing = sorted(set(range(50)) - {m[3] for m in bulk})
    print(f"{label}: {len(messages)} messages, {len(bulk)} bulk messages seen - expected 50; "
          f"missing controllers {missing}")
    sys.exit(1)
for clock, index in (("JACK frame clock", 0), ("wall clock", 1)):
    gaps = [b[index] - a[index] for a, b in zip(bulk, bulk[1:])]
    if os.environ.get("KEL_TIMING_VERBOSE"):
        print(" ".join(f"{g:.1f}" for g in gaps))
    median = statistics.median(gaps)
    ok = abs(median - 40.0) <= 1.0 and max(gaps) < 45.0
    print(f"{label}, {clock}: {total} bytes in {len(messages)} messages; bulk intervals over "
          f"{len(gaps)}: median {median:.2f} ms, min {min(gaps):.2f} ms, max {max(gaps):.2f} ms "
          f"- {'on target' if ok else 'OFF TARGET'}")
EOF
}

measure idle
timeout 20 sh -c 'while :; do :; done' &
BURN_PID=$!
sleep 0.5
measure busy
kill "$BURN_PID" 2>/dev/null || true
wait "$BURN_PID" 2>/dev/null || true
BURN_PID=""

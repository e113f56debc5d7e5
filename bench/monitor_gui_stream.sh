#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A stream of short messages through JACK into the running editor's monitor: kel-device-sim,
# holding a map with a control change on R2, plays R2 RATE times a second for SECONDS (default
# 3,000 for 10 s) while monitor_gui_bench listens on its output with the monitor window open.
# Prints the messages sent, then the bench's figures (lines shown, dropped, event-loop gaps,
# memory). A JACK server of its own is started under a name of its own with the dummy driver.
#
# usage: bench/monitor_gui_stream.sh [BUILD_DIR] [RATE] [SECONDS]
# Run with QT_QPA_PLATFORM=offscreen, or on a display.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-${KEL_BUILD_DIR:-$ROOT/build}}"
RATE="${2:-3000}"
SECONDS_RUN="${3:-10}"
KELMAP="$BUILD/src/cli/kelmap"
BENCH="$BUILD/bench/monitor_gui_bench"
SIM="$BUILD/kel-device-sim"
[ -x "$SIM" ] || SIM="$BUILD/tools/kel-device-sim/kel-device-sim"

for tool in jackd jack_wait; do
    command -v "$tool" >/dev/null 2>&1 || { echo "monitor_gui_stream: $tool is missing" >&2; exit 1; }
done
for program in "$KELMAP" "$SIM" "$BENCH"; do
    [ -x "$program" ] || { echo "monitor_gui_stream: build $(basename "$program")" >&2; exit 1; }
done

WORK="$(mktemp -d)"
SIM_PID=""
BENCH_PID=""
# shellcheck source=scripts/jack-server.sh
source "$ROOT/scripts/jack-server.sh"
cleanup() {
    exec 3>&- 2>/dev/null || true
    for pid in "$BENCH_PID" "$SIM_PID"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    stop_jack_server
    rm -rf "$WORK"
}
trap cleanup EXIT

if ! start_jack_server "kel-gstream-$$" "$WORK/jackd.log"; then
    echo "monitor_gui_stream: the JACK server did not start" >&2
    exit 1
fi

"$KELMAP" new "$WORK/map.mid" >/dev/null
"$KELMAP" set "$WORK/map.mid" R2 cc 74 0 127 --channel 2 >/dev/null

mkfifo "$WORK/commands"
"$SIM" --api jack --name "KEL Stream" --memory "$WORK/map.mid" <"$WORK/commands" \
    >"$WORK/sim.log" 2>&1 &
SIM_PID=$!
exec 3>"$WORK/commands"
for _ in $(seq 100); do grep -q '^ready' "$WORK/sim.log" && break; sleep 0.1; done

TOTAL=$((RATE * SECONDS_RUN))
"$BENCH" --api JACK --in "KEL Stream out:midi" --count "$TOTAL" >"$WORK/bench.txt" \
    2>"$WORK/bench.err" &
BENCH_PID=$!
for _ in $(seq 300); do grep -q '^listening' "$WORK/bench.txt" && break; sleep 0.1; done
grep -q '^listening' "$WORK/bench.txt" || { cat "$WORK/bench.err" >&2; exit 1; }
echo "stream R2 $RATE $SECONDS_RUN" >&3
wait "$BENCH_PID"
BENCH_PID=""
for _ in $(seq 50); do grep -q '^streamed' "$WORK/sim.log" && break; sleep 0.1; done

echo "rate $RATE/s for $SECONDS_RUN s through JACK: sent $(awk '/^streamed/ {print $3}' "$WORK/sim.log")"
grep -v '^listening' "$WORK/bench.txt"

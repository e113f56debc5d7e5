#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A stream of short messages through JACK into `kelmap monitor`: kel-device-sim, holding a map
# with a control change on R2, plays R2 RATE times a second for SECONDS (default 3,000 for
# 10 s), and kelmap monitor prints and matches every message. Prints the messages sent and
# printed, the ones the monitor dropped, and kelmap's resident memory after one second and at
# the end. The target: nothing dropped, every message named R2, memory flat.
#
# usage: bench/monitor_stream.sh [BUILD_DIR] [RATE] [SECONDS]
# A JACK server of its own is started under a name of its own with the dummy driver.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-${KEL_BUILD_DIR:-$ROOT/build}}"
RATE="${2:-3000}"
SECONDS_RUN="${3:-10}"
KELMAP="$BUILD/src/cli/kelmap"
SIM="$BUILD/kel-device-sim"
[ -x "$SIM" ] || SIM="$BUILD/tools/kel-device-sim/kel-device-sim"

for tool in jackd jack_wait; do
    command -v "$tool" >/dev/null 2>&1 || { echo "monitor_stream: $tool is missing" >&2; exit 1; }
done
[ -x "$KELMAP" ] && [ -x "$SIM" ] || { echo "monitor_stream: build kelmap and kel-device-sim" >&2; exit 1; }

WORK="$(mktemp -d)"
SIM_PID=""
MON_PID=""
# shellcheck source=scripts/jack-server.sh
source "$ROOT/scripts/jack-server.sh"
cleanup() {
    exec 3>&- 2>/dev/null || true
    for pid in "$MON_PID" "$SIM_PID"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    stop_jack_server
    rm -rf "$WORK"
}
trap cleanup EXIT

if ! start_jack_server "kel-stream-$$" "$WORK/jackd.log"; then
    echo "monitor_stream: the JACK server did not start" >&2
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
"$KELMAP" monitor "$WORK/map.mid" --in "KEL Stream out:midi" --api jack --count "$TOTAL" \
    >"$WORK/monitor.txt" 2>"$WORK/monitor.err" &
MON_PID=$!
sleep 1
echo "stream R2 $RATE $SECONDS_RUN" >&3
sleep 1
RSS_START=$(awk '/VmRSS/ {print $2}' "/proc/$MON_PID/status")
for _ in $(seq $((SECONDS_RUN * 10 + 100))); do
    grep -q '^streamed' "$WORK/sim.log" && break
    RSS_END=$(awk '/VmRSS/ {print $2}' "/proc/$MON_PID/status" 2>/dev/null || echo "$RSS_END")
    sleep 0.1
done
sleep 1
RSS_END=$(awk '/VmRSS/ {print $2}' "/proc/$MON_PID/status" 2>/dev/null || echo "${RSS_END:-?}")
kill -INT "$MON_PID" 2>/dev/null || true
wait "$MON_PID" || true
MON_PID=""

SENT=$(awk '/^streamed/ {print $3}' "$WORK/sim.log")
PRINTED=$(wc -l <"$WORK/monitor.txt")
NAMED=$(awk -F'\t' '$4 == "R2"' "$WORK/monitor.txt" | wc -l)
DROPPED=$(sed -n 's/^kelmap: \([0-9]*\) messages dropped/\1/p' "$WORK/monitor.err")
echo "rate $RATE/s for $SECONDS_RUN s through JACK"
echo "sent $SENT, printed $PRINTED, named R2 $NAMED, dropped ${DROPPED:-0}"
echo "kelmap resident memory: ${RSS_START} KB after 1 s, ${RSS_END} KB at the end"

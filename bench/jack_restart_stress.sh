#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Stress of a JACK server that stops and starts again while the program runs: the JACK restart
# test of the MIDI tests (JackRestart.*: the port list finds the new server's ports, and a
# transmit and a receive go through them, twice), run again and again beside CPU hogs, as on a
# busy machine, where the server's notices and the program's threads come late.
#
# Every run must end without a signal (a crash) and pass. One summary line of counts; the exit
# status is non-zero on any failure, with each failed run's last lines on stderr (a crash with
# the backtrace of every thread when gdb is installed and -g is given).
#
# usage: bench/jack_restart_stress.sh [-n RUNS] [-j HOGS] [-b BUILD_DIR] [-g]
#   RUNS: how many times the test runs (default 200); HOGS: busy loops beside it (default 2);
#   BUILD_DIR: where the tests are built (default $KEL_BUILD_DIR or ./build); -g: run each
#   test under gdb, which prints the backtraces of a crash.
#   KEL_STRESS_KEEP: a folder where the whole output of each failed run is kept.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
RUNS=200
HOGS=2
BUILD="${KEL_BUILD_DIR:-$ROOT/build}"
GDB=0
while getopts "n:j:b:gh" opt; do
    case "$opt" in
    n) RUNS="$OPTARG" ;;
    j) HOGS="$OPTARG" ;;
    b) BUILD="$OPTARG" ;;
    g) GDB=1 ;;
    *)
        sed -n '3,17p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
    esac
done
if ! [[ "$RUNS" =~ ^[0-9]+$ ]] || ! [[ "$HOGS" =~ ^[0-9]+$ ]]; then
    echo "jack_restart_stress: RUNS and HOGS are numbers" >&2
    exit 2
fi
TESTS="$BUILD/tests/midi/rtmidi/midi_rtmidi_tests"
[ -x "$TESTS" ] || { echo "jack_restart_stress: $TESTS is not built" >&2; exit 1; }
command -v jackd >/dev/null 2>&1 || { echo "jack_restart_stress: jackd is missing" >&2; exit 1; }
if [ "$GDB" = 1 ] && ! command -v gdb >/dev/null 2>&1; then
    echo "jack_restart_stress: -g needs gdb" >&2
    exit 1
fi

WORK="$(mktemp -d)"
HOG_PIDS=()
cleanup() {
    local pid
    for pid in "${HOG_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

for _ in $(seq "$HOGS"); do
    yes >/dev/null &
    HOG_PIDS+=($!)
done

# The test starts and stops a server of its own; JACK_DEFAULT_SERVER only names it.
export JACK_NO_AUDIO_RESERVATION=1
PASSED=0
CRASHES=0
FAILED=0
SKIPPED=0
START=$SECONDS
for run in $(seq "$RUNS"); do
    out="$WORK/run.out"
    if [ "$GDB" = 1 ]; then
        # gdb's own status is the test's; a signal stops it and prints the threads' stacks.
        gdb -q -batch -return-child-result -ex 'set pagination off' \
            -ex 'handle SIGPIPE nostop noprint pass' -ex run \
            -ex 'thread apply all bt 30' \
            --args "$TESTS" --gtest_filter='JackRestart.*' >"$out" 2>&1
        status=$?
        grep -q '^Thread .* received signal SIG\(SEGV\|BUS\|ABRT\|ILL\|FPE\)' "$out" && status=139
    else
        "$TESTS" --gtest_filter='JackRestart.*' >"$out" 2>&1 &
        test_pid=$!
        wait "$test_pid"
        status=$?
        # A test that crashed left its own server (and its device) running: they are stopped.
        for pid in $(pgrep -f "^jackd -n kel-restart-$test_pid " 2>/dev/null) \
            $(pgrep -f "^$BUILD/kel-device-sim --api jack --name KEL Sim $test_pid " 2>/dev/null); do
            kill "$pid" 2>/dev/null || true
        done
    fi
    if [ "$status" -ne 0 ] && [ -n "${KEL_STRESS_KEEP:-}" ]; then
        mkdir -p "$KEL_STRESS_KEEP" && cp "$out" "$KEL_STRESS_KEEP/run-$run.log"
    fi
    if [ "$status" -gt 128 ]; then
        CRASHES=$((CRASHES + 1))
        echo "jack_restart_stress: run $run ended by signal $((status - 128))" >&2
        grep -v '^\[New Thread\|^\[Thread .* exited\]' "$out" | tail -n 60 | sed 's/^/    /' >&2
    elif [ "$status" -ne 0 ]; then
        FAILED=$((FAILED + 1))
        echo "jack_restart_stress: run $run failed (exit $status)" >&2
        grep -B2 -A8 'Failure\|FAILED' "$out" | head -40 | sed 's/^/    /' >&2
    elif grep -q '\[  SKIPPED \]' "$out"; then
        SKIPPED=$((SKIPPED + 1))
    else
        PASSED=$((PASSED + 1))
    fi
    if [ $((run % 10)) -eq 0 ]; then
        echo "jack_restart_stress: $run runs: $CRASHES crashes, $FAILED failed" >&2
    fi
done

RESULT=passed
[ $((CRASHES + FAILED)) -eq 0 ] || RESULT=FAILED
echo "jack_restart_stress: $RUNS runs beside $HOGS CPU hogs: $PASSED passed, $CRASHES crashes," \
    "$FAILED failed, $SKIPPED skipped: $RESULT ($((SECONDS - START)) s)"
[ "$RESULT" = passed ]

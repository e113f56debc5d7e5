#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that run after the main test suite:
#   fuzz  - builds the fuzz targets with clang and runs each on a copy of its seed corpus for
#           KEL_FUZZ_SECONDS seconds (default 60); a crash, a failed check or a hang fails it;
#   asan  - builds everything (the GUI too, when Qt is there) with AddressSanitizer and
#           UndefinedBehaviorSanitizer and runs the whole test suite, then the transfer stress
#           (bench/transfer_stress.sh: kelmap and kel-device-sim on a JACK server of its own);
#   tsan  - builds the core's MIDI tests, the JACK end-to-end tests and kelmap with
#           ThreadSanitizer and runs them, then the transfer stress (Qt stays out: it is not
#           instrumented, so it would report races that are not there). The device simulator
#           they talk to is a plain build: it is the other end of the line, not what is checked,
#           and under the sanitizer it is too slow to keep JACK's pace.
# KEL_STRESS_RUNS: the stress's N (default 15: N cancelled transfers and N receives among
# foreign traffic, about a minute); KEL_STRESS_SEED: its seed (default
# random; the summary line prints it).
# Usage: scripts/ci-extra.sh [fuzz] [asan] [tsan]   (all three when none is named)
# Build directories: build-fuzz, build-asan, build-tsan (and build-sim when the main suite's
# simulator is not there) under $KEL_EXTRA_BUILD_ROOT (default:
# the source tree). One summary line per suite; the exit status is non-zero when any failed.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_ROOT="${KEL_EXTRA_BUILD_ROOT:-$ROOT}"
FUZZ_SECONDS="${KEL_FUZZ_SECONDS:-60}"
STRESS_RUNS="${KEL_STRESS_RUNS:-15}"
STRESS_SEED="${KEL_STRESS_SEED:-}"
JOBS=2

SUITES=("$@")
if [ ${#SUITES[@]} -eq 0 ]; then
    SUITES=(fuzz asan tsan)
fi

SUMMARY=()
FAILED=0
STARTED_AT=$SECONDS

note() { echo "== ci-extra: $*"; }
summary() {
    SUMMARY+=("ci-extra: $1")
    echo "== ci-extra: $1"
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
if [ -f "$ROOT/scripts/lsan.supp" ]; then
    export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
fi

# --- fuzz --------------------------------------------------------------------------------------

run_fuzz() {
    local start=$SECONDS build="$BUILD_ROOT/build-fuzz"
    if ! command -v clang++ >/dev/null 2>&1; then
        summary "fuzz: FAILED (clang++ is not installed)"
        return 1
    fi
    note "fuzz: configuring and building in $build"
    if ! CC=clang CXX=clang++ cmake -S "$ROOT" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKEL_FUZZ=ON -DKEL_BUILD_GUI=OFF -DKEL_BUILD_TESTS=OFF -DKEL_BUILD_BENCH=OFF \
        >"$build.configure.log" 2>&1; then
        cat "$build.configure.log"
        summary "fuzz: FAILED (configure)"
        return 1
    fi
    local targets=()
    for source in "$ROOT"/fuzz/*_fuzz.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
    if ! cmake --build "$build" -j"$JOBS" --target "${targets[@]}"; then
        summary "fuzz: FAILED (build)"
        return 1
    fi

    local work artifacts
    work="$(mktemp -d)"
    artifacts="$build/fuzz-artifacts"
    mkdir -p "$artifacts"
    # Two targets at a time, one per core.
    local running=0
    for target in "${targets[@]}"; do
        mkdir -p "$work/$target"
        if [ -d "$ROOT/fuzz/corpus/$target" ]; then
            cp -r "$ROOT/fuzz/corpus/$target/." "$work/$target/"
        fi
        (
            cd "$work" &&
                "$build/fuzz/$target" -max_total_time="$FUZZ_SECONDS" -timeout=10 \
                    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
                    "$work/$target" >"$work/$target.log" 2>&1
            echo $? >"$work/$target.rc"
        ) &
        running=$((running + 1))
        if [ $running -ge $JOBS ]; then
            wait -n
            running=$((running - 1))
        fi
    done
    wait

    local total=0 crashes=0 line
    for target in "${targets[@]}"; do
        local rc execs
        rc="$(cat "$work/$target.rc" 2>/dev/null || echo 1)"
        execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log" | tail -1)"
        execs="${execs:-0}"
        total=$((total + execs))
        if [ "$rc" != 0 ]; then
            crashes=$((crashes + 1))
            echo "---- $target failed (exit $rc); the end of its log:"
            tail -n 60 "$work/$target.log"
            line="$target: FAILED, $execs executions; the input is kept in $artifacts"
        else
            line="$target: $execs executions, no crash"
        fi
        echo "   $line"
    done
    rm -rf "$work"
    local result="passed"
    if [ $crashes -ne 0 ]; then
        result="FAILED"
    fi
    summary "fuzz: ${#targets[@]} targets x ${FUZZ_SECONDS} s, $total executions, $crashes failing: $result ($((SECONDS - start)) s)"
    [ $crashes -eq 0 ]
}

# --- transfer stress ---------------------------------------------------------------------------

# Runs bench/transfer_stress.sh on the programs in build dir $1 (and the simulator $2 when
# given); prints its summary line.
run_stress() {
    local build="$1" log="$1/stress.log" rc
    local KEL_STRESS_SIM="${2:-}"
    export KEL_STRESS_SIM
    if ! command -v jackd >/dev/null 2>&1; then
        echo "transfer stress: not run (no jackd)"
        return 0
    fi
    bash "$ROOT/bench/transfer_stress.sh" -n "$STRESS_RUNS" ${STRESS_SEED:+-s "$STRESS_SEED"} \
        -b "$build" >"$log" 2>&1
    rc=$?
    if [ "$rc" -ne 0 ]; then
        grep -v '^transfer_stress: seed' "$log" | tail -n 60 >&2
    fi
    grep '^transfer_stress: seed' "$log" | tail -1 | sed 's/^transfer_stress: /transfer stress: /'
    return "$rc"
}

# --- asan --------------------------------------------------------------------------------------

# shellcheck source=scripts/jack-server.sh
source "$ROOT/scripts/jack-server.sh"
stop_jack() {
    stop_jack_server
    unset JACK_DEFAULT_SERVER
}
trap stop_jack EXIT

# The MIDI end-to-end tests need a JACK server; they skip without one. The run gets a server of
# its own under a name of its own, so it never meets another server on the machine.
start_jack() {
    if command -v jackd >/dev/null 2>&1; then
        if ! start_jack_server "kel-test-$$" "$1/jackd.log"; then
            note "the JACK server $JACK_DEFAULT_SERVER did not start; the JACK tests skip"
        fi
    fi
}

run_asan() {
    local start=$SECONDS build="$BUILD_ROOT/build-asan" gui=ON
    note "asan: configuring and building in $build"
    if ! cmake -S "$ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKEL_SANITIZE=address \
        -DKEL_BUILD_GUI=ON -DKEL_BUILD_BENCH=OFF >"$build.configure.log" 2>&1; then
        note "asan: the GUI cannot be configured here (no Qt?); testing without it"
        gui=OFF
        if ! cmake -S "$ROOT" -B "$build" -DKEL_BUILD_GUI=OFF >"$build.configure.log" 2>&1; then
            cat "$build.configure.log"
            summary "asan: FAILED (configure)"
            return 1
        fi
    fi
    if ! cmake --build "$build" -j"$JOBS"; then
        summary "asan: FAILED (build)"
        return 1
    fi
    start_jack "$build"
    local log="$build/ctest.log" rc
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j"$JOBS" \
        2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    stop_jack
    local counts stress stress_rc
    counts="$(grep -E '^[0-9]+% tests passed' "$log" | tail -1)"
    stress="$(run_stress "$build")"
    stress_rc=$?
    if [ "$rc" -ne 0 ] || [ "$stress_rc" -ne 0 ]; then
        summary "asan: FAILED, ${counts:-no test ran}; ${stress:-transfer stress: did not finish} (GUI $gui, $((SECONDS - start)) s)"
        return 1
    fi
    summary "asan: passed, ${counts}; ${stress} (GUI $gui, $((SECONDS - start)) s)"
}

# --- tsan --------------------------------------------------------------------------------------

run_tsan() {
    local start=$SECONDS build="$BUILD_ROOT/build-tsan"
    note "tsan: configuring and building in $build"
    if ! cmake -S "$ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKEL_SANITIZE=thread \
        -DKEL_BUILD_GUI=OFF -DKEL_BUILD_BENCH=OFF >"$build.configure.log" 2>&1; then
        cat "$build.configure.log"
        summary "tsan: FAILED (configure)"
        return 1
    fi
    if ! cmake --build "$build" -j"$JOBS" --target midi_tests midi_rtmidi_tests kelmap; then
        summary "tsan: FAILED (build)"
        return 1
    fi
    # A plain simulator: the main suite's when there is one, else one built here.
    local sim="${KEL_BUILD_DIR:-}/kel-device-sim" plain="$BUILD_ROOT/build-sim"
    if [ ! -x "$sim" ]; then
        sim="$plain/kel-device-sim"
        if ! cmake -S "$ROOT" -B "$plain" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEL_BUILD_GUI=OFF \
            -DKEL_BUILD_TESTS=OFF -DKEL_BUILD_BENCH=OFF >"$plain.configure.log" 2>&1 ||
            ! cmake --build "$plain" -j"$JOBS" --target kel-device-sim; then
            summary "tsan: FAILED (building the simulator)"
            return 1
        fi
    fi
    export TSAN_OPTIONS="$TSAN_OPTIONS:suppressions=$ROOT/scripts/tsan.supp"
    start_jack "$build"
    local log="$build/midi_tests.log" rc=0 suite
    for suite in tests/midi_tests tests/midi/rtmidi/midi_rtmidi_tests; do
        KEL_DEVICE_SIM="$sim" "$build/$suite" 2>&1 | tee -a "$log"
        [ "${PIPESTATUS[0]}" -eq 0 ] || rc=1
    done
    stop_jack
    local counts stress stress_rc
    counts="$(grep -E '^\[==========\] [0-9]+ tests' "$log" | sed 's/^\[=*\] //' | paste -sd ';' -)"
    stress="$(run_stress "$build" "$sim")"
    stress_rc=$?
    if [ "$rc" -ne 0 ] || [ "$stress_rc" -ne 0 ] || grep -q "WARNING: ThreadSanitizer" "$log"; then
        summary "tsan: FAILED, ${counts:-did not finish}; ${stress:-transfer stress: did not finish} ($((SECONDS - start)) s)"
        return 1
    fi
    summary "tsan: passed, ${counts}; ${stress} ($((SECONDS - start)) s)"
}

for suite in "${SUITES[@]}"; do
    case "$suite" in
    fuzz) run_fuzz || FAILED=1 ;;
    asan) run_asan || FAILED=1 ;;
    tsan) run_tsan || FAILED=1 ;;
    *)
        echo "usage: scripts/ci-extra.sh [fuzz] [asan] [tsan]" >&2
        exit 2
        ;;
    esac
done

echo
printf '%s\n' "${SUMMARY[@]}"
echo "ci-extra: $((SECONDS - STARTED_AT)) s in all"
exit $FAILED

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Stress of the transfers, driving the real programs: kelmap transmit/receive against
# kel-device-sim on a JACK server of its own, and against the built-in virtual device.
#
#   - N transfers (transmit or receive, JACK or virtual), each cancelled with SIGINT at a
#     random point: while the instructions are shown or the first message is awaited, between
#     two bulk messages, in the last second of the transfer; some are not cancelled at all;
#   - N receives through JACK among random foreign traffic sent by the simulated device (other
#     makers' system exclusive of any length, realtime bytes inside system exclusive, channel
#     messages, a system exclusive that never ends, messages written in pieces);
#   - N receives through JACK from a device that misbehaves in one of three ways: it answers the
#     request at once, with no pause between its messages (the receive must complete); one
#     control's message arrives damaged every time (kelmap must name that control once the line
#     is quiet, and again when cancelled, and save nothing); one control's message arrives
#     damaged the first time only (kelmap receive --retry asks again and must complete);
#   - with -b pointing at a build with the tests, N receives while another thread reads the
#     document through its accessors (midi_tests; under ThreadSanitizer in a TSan build).
#
# Every run must: end without a signal (a crash) and without a sanitizer report; end within
# 10 s of the cancel (or of the time it was given); exit 0 only when the transfer completed,
# and 0 whenever it was not cancelled; leave a map saved by kelmap receive, or stored by the
# device after a transmit, equal record for record to what was sent (kelmap dump).
# One summary line of counts; the exit status is non-zero on any failure, with the details of
# each failure on stderr.
#
# usage: bench/transfer_stress.sh [-n N] [-s SEED] [-b BUILD_DIR] [-r]
#   N: runs of each kind (default 20); SEED: the random choices (default: random,
#   printed); BUILD_DIR: where kelmap and kel-device-sim are (default $KEL_BUILD_DIR or ./build).
#   -r: the JACK server runs its cycles with realtime scheduling, as a real setup does. Without
#   it a busy machine starves the server's clients now and then, and JACK drops their events.
#   KEL_STRESS_SIM: the kel-device-sim to use instead of BUILD_DIR's.
#   KEL_STRESS_FLOOD_LIMIT: seconds a receive among foreign traffic gets before it is
#   cancelled and counted as incomplete (default 10).
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
N=20
SEED=""
BUILD="${KEL_BUILD_DIR:-$ROOT/build}"
FLOOD_LIMIT="${KEL_STRESS_FLOOD_LIMIT:-10}"
GRACE=10 # seconds a program has to end after the cancel

JACK_MODE=""
while getopts "n:s:b:rh" opt; do
    case "$opt" in
    n) N="$OPTARG" ;;
    r) JACK_MODE=realtime ;;
    s) SEED="$OPTARG" ;;
    b) BUILD="$OPTARG" ;;
    *)
        sed -n '3,36p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
    esac
done
if ! [[ "$N" =~ ^[0-9]+$ ]] || { [ -n "$SEED" ] && ! [[ "$SEED" =~ ^[0-9]+$ ]]; }; then
    echo "transfer_stress: N and SEED are numbers" >&2
    exit 2
fi
SEED="${SEED:-$((RANDOM * 32768 + RANDOM))}"
RANDOM=$SEED # the sequence of $RANDOM below is the seed's

KELMAP="$BUILD/src/cli/kelmap"
SIM=""
# KEL_STRESS_SIM: another build's simulator, e.g. one without a sanitizer.
for candidate in ${KEL_STRESS_SIM:+"$KEL_STRESS_SIM"} "$BUILD/kel-device-sim" "$BUILD/tools/kel-device-sim/kel-device-sim"; do
    [ -x "$candidate" ] && SIM="$candidate" && break
done
[ -x "$KELMAP" ] || { echo "transfer_stress: $KELMAP is not built" >&2; exit 1; }
[ -n "$SIM" ] || { echo "transfer_stress: kel-device-sim is not built in $BUILD" >&2; exit 1; }
for tool in jackd jack_wait jack_lsp; do
    command -v "$tool" >/dev/null 2>&1 || { echo "transfer_stress: $tool is missing" >&2; exit 1; }
done

WORK="$(mktemp -d)"
export KEL_HISTORY_DIR="$WORK/history" # the runs' history stays out of the user's own
JACK_PID=""
SIM_PID=""
KEL_PID=""
cleanup() {
    for pid in "$KEL_PID" "$SIM_PID"; do
        if [ -n "$pid" ]; then
            kill -KILL "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    # Stopped, not killed: a killed server keeps its place in JACK's registry of servers.
    if declare -F stop_jack_server >/dev/null; then stop_jack_server; fi
    exec 3>&- 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# shellcheck source=scripts/jack-server.sh
source "$ROOT/scripts/jack-server.sh"
if ! start_jack_server "kel-stress-$$" "$WORK/jackd.log" $JACK_MODE; then
    echo "transfer_stress: the JACK server did not start" >&2
    exit 1
fi

# --- helpers ------------------------------------------------------------------------------------

now() { echo "${EPOCHREALTIME/[.,]/}"; } # microseconds
rand() { echo $((RANDOM % ($2 - $1 + 1) + $1)); } # an integer in [$1, $2]
ms() { printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)); } # milliseconds as seconds for sleep

# The 50 records of a map file, one line each (name and bytes), for comparing.
records() { "$KELMAP" dump "$1" 2>/dev/null | tail -n +3 | cut -f1,2; }
same_records() {
    local a b
    a="$(records "$1")" && b="$(records "$2")" && [ -n "$a" ] && [ "$a" = "$b" ]
}

# A few maps to send and to receive, with different kinds of assignment and values.
CONTROLS=(R1 R5 R9 S1 S4 S9 A1 A5 B2 B9 C1 C3 H1 L2 P1 BEND MOD)
MAPS=()
for m in 0 1 2 3; do
    map="$WORK/map$m.mid"
    "$KELMAP" new "$map" --title "Stress $m" >/dev/null || exit 1
    for c in "${CONTROLS[@]}"; do
        case $(rand 0 4) in
        0) args=(cc "$(rand 0 127)" "$(rand 0 40)" "$(rand 41 127)" --channel "$(rand 1 16)") ;;
        1) args=(note "$(rand 0 127)" "$(rand 1 127)") ;;
        2) args=(pc "$(rand 1 128)" --channel "$(rand 1 16)") ;;
        3) args=(nrpn "$(rand 0 127)" "$(rand 0 127)" 0 127) ;;
        *) args=(none) ;;
        esac
        "$KELMAP" set "$map" "$c" "${args[@]}" >/dev/null 2>&1 || true # a kind a control lacks
    done
    MAPS+=("$map")
done
EMPTY="$WORK/empty.mid" # the virtual device's memory
"$KELMAP" new "$EMPTY" >/dev/null || exit 1

RUNS=0
COMPLETE=0
CANCELLED=0
CRASHES=0
HANGS=0
WRONG_MAPS=0
BAD_EXITS=0
INCOMPLETE=0
SANITIZER=0
FAILED_RUNS=0
FAILURE=""

fail() {
    FAILURE+="${FAILURE:+; }$1"
}

# Starts kel-device-sim with the given options and waits until it is ready.
start_sim() {
    : >"$WORK/sim.out"
    "$SIM" --api jack "$@" >"$WORK/sim.out" 2>"$WORK/sim.err" &
    SIM_PID=$!
    local i
    for i in $(seq 100); do
        grep -q '^ready' "$WORK/sim.out" && return 0
        kill -0 "$SIM_PID" 2>/dev/null || break
        sleep 0.05
    done
    return 1
}

stop_sim() {
    if [ -n "$SIM_PID" ]; then
        kill -TERM "$SIM_PID" 2>/dev/null || true
        wait "$SIM_PID" 2>/dev/null
        SIM_PID=""
    fi
}

# Runs kelmap with stdin from the fifo $WORK/stdin; sets KEL_PID.
start_kelmap() {
    rm -f "$WORK/stdin" "$WORK/kel.out" "$WORK/kel.err"
    mkfifo "$WORK/stdin"
    "$KELMAP" "$@" <"$WORK/stdin" >"$WORK/kel.out" 2>"$WORK/kel.err" &
    KEL_PID=$!
    exec 3>"$WORK/stdin"
}

# Waits until kelmap has asked its question (its Ctrl+C handler is in place by then). Prints the
# time in microseconds; fails when kelmap ended or said nothing within 10 s.
wait_started() {
    local i
    for i in $(seq 500); do
        if [ -s "$WORK/kel.out" ]; then
            now
            return 0
        fi
        kill -0 "$KEL_PID" 2>/dev/null || return 1
        sleep 0.02
    done
    return 1
}

# Waits for kelmap until the time $1 (microseconds); sends SIGINT then when $2 is "cancel" and
# gives it GRACE seconds more. Sets STATUS (exit code, 128+signal, or "hang") and SENT_INT.
finish_kelmap() {
    local deadline=$1 mode=$2 end
    SENT_INT=0
    while kill -0 "$KEL_PID" 2>/dev/null && [ "$(now)" -lt "$deadline" ]; do
        sleep 0.02
    done
    if kill -0 "$KEL_PID" 2>/dev/null && [ "$mode" = cancel ]; then
        kill -INT "$KEL_PID" 2>/dev/null && SENT_INT=1
    fi
    end=$(($(now) + GRACE * 1000000))
    while kill -0 "$KEL_PID" 2>/dev/null && [ "$(now)" -lt "$end" ]; do
        sleep 0.02
    done
    if kill -0 "$KEL_PID" 2>/dev/null; then
        kill -KILL "$KEL_PID" 2>/dev/null
        wait "$KEL_PID" 2>/dev/null
        STATUS=hang
    else
        wait "$KEL_PID"
        STATUS=$?
    fi
    KEL_PID=""
    exec 3>&-
}

# Sanitizer reports of kelmap and the simulator.
sanitizer_report() {
    grep -lE 'ERROR: (AddressSanitizer|LeakSanitizer)|WARNING: ThreadSanitizer|runtime error:' \
        "$WORK/kel.err" "$WORK/sim.err" 2>/dev/null | head -1
}

# Judges a run. $1: description; $2: "cancelled" when SIGINT was sent at a point before the
# transfer could have completed, "late" when sent when it may have, "no" when not sent;
# $3: the file that must equal $4 when the transfer reports success (empty: no file to check);
# $5: "saved" when $3 is a map saved by kelmap (it must not exist after a failed receive unless
# it is complete), "device" when the device stored it.
judge() {
    local what="$1" cancel="$2" file="$3" expected="$4" kind="$5"
    FAILURE=""
    RUNS=$((RUNS + 1))
    local report
    report="$(sanitizer_report)"
    if [ -n "$report" ]; then
        SANITIZER=$((SANITIZER + 1))
        fail "sanitizer report in $(basename "$report")"
    fi
    if [ "$STATUS" = hang ]; then
        HANGS=$((HANGS + 1))
        fail "did not end within $GRACE s"
    elif [ "$STATUS" -gt 128 ] && ! { [ "$STATUS" -eq 130 ] && [ "$SENT_INT" = 1 ]; }; then
        # 130 after our SIGINT: the transfer was over and kelmap had given Ctrl+C back.
        CRASHES=$((CRASHES + 1))
        fail "ended by signal $((STATUS - 128))"
    elif [ "$STATUS" -eq 0 ]; then
        COMPLETE=$((COMPLETE + 1))
        if [ "$cancel" = cancelled ]; then
            BAD_EXITS=$((BAD_EXITS + 1))
            fail "exit 0 although cancelled before the end"
        fi
        if [ -n "$file" ]; then
            if [ "$kind" = device ]; then
                local i
                for i in $(seq 150); do
                    grep -q '^saved' "$WORK/sim.out" && break
                    sleep 0.02
                done
            fi
            if ! same_records "$file" "$expected"; then
                WRONG_MAPS=$((WRONG_MAPS + 1))
                fail "exit 0 but the map is not the device's"
            fi
        fi
    else
        CANCELLED=$((CANCELLED + 1))
        if [ "$SENT_INT" = 0 ]; then
            BAD_EXITS=$((BAD_EXITS + 1))
            fail "exit $STATUS without a cancel"
        elif [ "$cancel" = limit ]; then
            INCOMPLETE=$((INCOMPLETE + 1))
            fail "did not complete within $FLOOD_LIMIT s: $(tr '\r' '\n' <"$WORK/kel.err" |
                grep -o '[0-9]*/50' | tail -1) received"
        fi
        if [ "$kind" = saved ] && [ -e "$file" ] && ! same_records "$file" "$expected"; then
            WRONG_MAPS=$((WRONG_MAPS + 1))
            fail "an incomplete map was saved"
        fi
    fi
    if [ -n "$FAILURE" ]; then
        FAILED_RUNS=$((FAILED_RUNS + 1))
        {
            echo "transfer_stress: run $RUNS ($what): $FAILURE"
            tr '\r' '\n' <"$WORK/kel.err" | grep -v '^\[' | grep -v -i 'jack\|^$' | tail -n 15 |
                sed 's/^/    kelmap: /'
            grep -E 'Sanitizer|runtime error' -A 12 "$WORK/sim.err" 2>/dev/null | head -20 |
                sed 's/^/    sim: /'
        } >&2
    fi
}

# --- cancelled transfers ------------------------------------------------------------------------

PHASES=(none instructions messages finish)
cancelled_transfer() {
    local run=$1 api direction phase map name out
    api=$([ $((RANDOM % 2)) -eq 0 ] && echo jack || echo virtual)
    direction=$([ $((RANDOM % 2)) -eq 0 ] && echo transmit || echo receive)
    phase=${PHASES[$((RANDOM % 4))]}
    map=${MAPS[$((RANDOM % ${#MAPS[@]}))]}
    name="KS$$-$run"
    out="$WORK/received.mid"
    rm -f "$out" "$WORK/device.mid"
    : >"$WORK/sim.out"
    : >"$WORK/sim.err"
    local enter=300 # ms from the question until the device (or the user) presses [ENTER]
    local ports=()
    if [ "$api" = jack ]; then
        if [ "$direction" = transmit ]; then
            start_sim --name "$name" --enter-delay 0 --gap 20 --save "$WORK/device.mid" ||
                { echo "transfer_stress: the simulator did not start" >&2; return 1; }
        else
            enter=$(rand 150 500)
            start_sim --name "$name" --enter-delay "$enter" --gap 20 --memory "$map" ||
                { echo "transfer_stress: the simulator did not start" >&2; return 1; }
        fi
        ports=(--api jack --out "$name in:midi")
        [ "$direction" = receive ] && ports+=(--in "$name out:midi")
    else
        ports=(--api virtual --out "Virtual KEL Device")
        [ "$direction" = receive ] && ports+=(--in "Virtual KEL Device")
    fi
    if [ "$direction" = transmit ]; then
        start_kelmap transmit "$map" "${ports[@]}" --yes
        enter=$(rand 300 700)
    else
        start_kelmap receive "$out" "${ports[@]}" --yes
    fi
    local t0 at mode=cancel cancel
    if ! t0=$(wait_started); then
        t0=$(now)
    fi
    # The transfer's bulk messages take about 2 s for a transmit (40 ms apart), 1 s for a
    # receive through JACK (20 ms apart), 0.25 s through the virtual device (5 ms apart).
    local span=2000
    if [ "$direction" = receive ]; then
        span=$([ "$api" = jack ] && echo 1000 || echo 250)
    fi
    # Only a cancel that cannot come after the end is "cancelled": a transmit that never got its
    # Enter, and one through the virtual device stopped within its first second of sending.
    # The others are judged by what the device or the saved map holds.
    case $phase in
    instructions) at=$(rand 20 $((enter - 30))) cancel=late ;;
    messages) at=$((enter + $(rand 60 $((span / 2))))) cancel=late ;;
    finish) at=$((enter + span - 200 + $(rand 0 1200))) cancel=late ;;
    none) at=$((enter + span + 20000)) mode=wait cancel=no ;;
    esac
    if [ "$direction" = transmit ]; then
        local enter_at=$((t0 + enter * 1000))
        while [ "$(now)" -lt "$enter_at" ] && [ "$(now)" -lt $((t0 + at * 1000)) ]; do
            sleep 0.01
        done
        [ "$(now)" -ge "$enter_at" ] && { echo >&3; } 2>/dev/null
    fi
    finish_kelmap $((t0 + at * 1000)) $mode
    if [ "$direction" = transmit ] && { [ "$phase" = instructions ] ||
        { [ "$phase" = messages ] && [ "$api" = virtual ]; }; }; then
        cancel=cancelled
    fi
    local expected=$map
    [ "$api" = virtual ] && expected=$EMPTY
    if [ "$direction" = transmit ]; then
        # The virtual device lives in kelmap's process: nothing to compare with.
        if [ "$api" = jack ]; then
            judge "$api $direction, cancel: $phase at $at ms" "$cancel" "$WORK/device.mid" \
                "$map" device
        else
            judge "$api $direction, cancel: $phase at $at ms" "$cancel" "" "" ""
        fi
    else
        judge "$api $direction, cancel: $phase at $at ms" "$cancel" "$out" "$expected" saved
    fi
    stop_sim
}

# --- receives among foreign traffic -------------------------------------------------------------

KINDS=(sysex long short realtime rt-inside split fragment endless bulk-rt)
flood_receive() {
    local run=$1 map name out count kinds="" options=()
    map=${MAPS[$((RANDOM % ${#MAPS[@]}))]}
    name="KF$$-$run"
    out="$WORK/received.mid"
    rm -f "$out"
    count=$(rand 1 300)
    if [ $((RANDOM % 2)) -eq 0 ]; then
        local k
        for k in "${KINDS[@]}"; do
            [ $((RANDOM % 2)) -eq 0 ] && kinds+="${kinds:+,}$k"
        done
    fi
    local chunk=""
    [ $((RANDOM % 4)) -eq 0 ] && chunk=$(rand 1 64)
    [ -n "$kinds" ] && options+=(--flood-kinds "$kinds")
    [ -n "$chunk" ] && options+=(--chunk "$chunk")
    start_sim --name "$name" --enter-delay 200 --gap 10 --memory "$map" --flood "$count" \
        --seed "$RANDOM" "${options[@]}" ||
        { echo "transfer_stress: the simulator did not start" >&2; return 1; }
    start_kelmap receive "$out" --api jack --in "$name out:midi" --out "$name in:midi" --yes
    local t0
    t0=$(wait_started) || t0=$(now)
    finish_kelmap $((t0 + FLOOD_LIMIT * 1000000)) cancel
    judge "receive among $count foreign items: ${kinds:-all kinds}${chunk:+, pieces of $chunk}" \
        limit "$out" "$map" saved
    stop_sim
}

# --- receives from a misbehaving device ---------------------------------------------------------

NAMES=(R1 R2 R3 R4 R5 R6 R7 R8 R9 S1 S2 S3 S4 S5 S6 S7 S8 S9 A1 A2 A3 A4 A5 A6 A7 A8 A9
    B1 B2 B3 B4 B5 B6 B7 B8 B9 C1 C2 C3 H1 H2 L1 L2 L3 L4 P1 P2 BEND MOD AFT)
AT_ONCE=0
DAMAGED=0
ASKED_AGAIN=0

# Waits up to $2 seconds for kelmap's stderr to hold the text $1.
wait_said() {
    local i
    for i in $(seq $(($2 * 50))); do
        grep -qF "$1" "$WORK/kel.err" 2>/dev/null && return 0
        kill -0 "$KEL_PID" 2>/dev/null || break
        sleep 0.02
    done
    grep -qF "$1" "$WORK/kel.err" 2>/dev/null
}

fault_receive() {
    local run=$1 map name out id control kind
    map=${MAPS[$((RANDOM % ${#MAPS[@]}))]}
    name="KD$$-$run"
    out="$WORK/received.mid"
    rm -f "$out"
    id=$(rand 0 49)
    control=${NAMES[$id]}
    kind=$((RANDOM % 3))
    local ports=(--api jack --in "$name out:midi" --out "$name in:midi" --yes)
    case $kind in
    0)
        AT_ONCE=$((AT_ONCE + 1))
        start_sim --name "$name" --enter-delay 0 --gap 0 --memory "$map" ||
            { echo "transfer_stress: the simulator did not start" >&2; return 1; }
        start_kelmap receive "$out" "${ports[@]}"
        local t0
        t0=$(wait_started) || t0=$(now)
        finish_kelmap $((t0 + FLOOD_LIMIT * 1000000)) cancel
        judge "receive from a device answering at once" limit "$out" "$map" saved
        ;;
    1)
        DAMAGED=$((DAMAGED + 1))
        start_sim --name "$name" --enter-delay 100 --gap 2 --memory "$map" \
            --fault "checksum=$id" ||
            { echo "transfer_stress: the simulator did not start" >&2; return 1; }
        start_kelmap receive "$out" "${ports[@]}"
        wait_started >/dev/null
        local said=1
        wait_said "Waiting for $control (1 damaged message)" 10 || said=0
        finish_kelmap "$(now)" cancel
        judge "receive with $control damaged, cancelled" cancelled "$out" "$map" saved
        # Cancelled, it must have named the control, failed and saved nothing.
        if [ "$said" = 0 ] ||
            ! grep -qF "kelmap: not received: $control (1 damaged message)" "$WORK/kel.err" ||
            [ -e "$out" ]; then
            if [ -z "$FAILURE" ]; then FAILED_RUNS=$((FAILED_RUNS + 1)); fi
            BAD_EXITS=$((BAD_EXITS + 1))
            echo "transfer_stress: run $RUNS (receive with $control damaged): the control was" \
                "not named while waiting ($said) or when cancelled, or a map was saved" >&2
            tr '\r' '\n' <"$WORK/kel.err" | grep -v '^\[' | tail -n 8 | sed 's/^/    kelmap: /' >&2
        fi
        ;;
    *)
        ASKED_AGAIN=$((ASKED_AGAIN + 1))
        start_sim --name "$name" --enter-delay 100 --gap 2 --memory "$map" \
            --fault "checksum=$id" --fault once ||
            { echo "transfer_stress: the simulator did not start" >&2; return 1; }
        start_kelmap receive "$out" "${ports[@]}" --retry 3
        local t0
        t0=$(wait_started) || t0=$(now)
        finish_kelmap $((t0 + (FLOOD_LIMIT + 15) * 1000000)) cancel
        judge "receive with $control damaged once, asked again" limit "$out" "$map" saved
        ;;
    esac
    stop_sim
}

# Receives while another thread reads the document, from the MIDI tests of the build.
READER_RUNS=0
reader_receives() {
    local tests="$BUILD/tests/midi_tests"
    [ -x "$tests" ] || return 0
    READER_RUNS=$N
    : >"$WORK/kel.out"
    : >"$WORK/sim.err"
    STATUS=0
    "$tests" --gtest_filter='TransferTest.TheMapReadWhileReceivingIsNeverHalfWritten' \
        --gtest_repeat="$N" --gtest_brief=1 >"$WORK/kel.out" 2>"$WORK/kel.err" || STATUS=$?
    SENT_INT=0
    FAILURE=""
    local report
    report="$(sanitizer_report)"
    if [ -n "$report" ]; then
        SANITIZER=$((SANITIZER + 1))
        fail "sanitizer report"
    fi
    if [ "$STATUS" -ne 0 ]; then
        WRONG_MAPS=$((WRONG_MAPS + 1))
        fail "exit $STATUS"
    fi
    RUNS=$((RUNS + N))
    COMPLETE=$((COMPLETE + N))
    if [ -n "$FAILURE" ]; then
        FAILED_RUNS=$((FAILED_RUNS + 1))
        echo "transfer_stress: receives while reading the document: $FAILURE" >&2
        grep -E 'FAILED|Failure|Sanitizer' -A 8 "$WORK/kel.out" "$WORK/kel.err" | head -30 >&2
    fi
}

START=$SECONDS
for run in $(seq "$N"); do
    cancelled_transfer "$run" || exit 1
done
for run in $(seq "$N"); do
    flood_receive "$run" || exit 1
done
for run in $(seq "$N"); do
    fault_receive "$run" || exit 1
done
reader_receives

RESULT=passed
[ $FAILED_RUNS -eq 0 ] || RESULT=FAILED
echo "transfer_stress: seed $SEED, $RUNS runs ($N cancelled transfers, $N receives among foreign" \
    "traffic, $N from a misbehaving device: $AT_ONCE answering at once, $DAMAGED with a damaged" \
    "message, $ASKED_AGAIN asked again; $READER_RUNS while the document is read):" \
    "$COMPLETE complete, $CANCELLED cancelled; $CRASHES crashes, $HANGS hangs," \
    "$SANITIZER sanitizer reports, $WRONG_MAPS wrong maps, $BAD_EXITS wrong exit codes," \
    "$INCOMPLETE receives not completed: $RESULT ($((SECONDS - START)) s${JACK_MODE:+, JACK realtime})"
[ $FAILED_RUNS -eq 0 ]

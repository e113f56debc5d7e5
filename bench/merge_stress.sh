#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Stress of parallel writers of one control map: kelmap merge in place (-o BASE) and kelmap set,
# all started together on one file, round after round.
#
# Each round starts from a new map. Every merge takes one control of its own from a second map
# (R1, S1, R2, ... in turn) and every set changes one control of its own (A1, B1, A2, ...) to a
# controller and a comment of its own. Once all have ended, every change whose run exited 0 must
# be in the file (kelmap dump): a merged control as the second map has it, a set control with
# its comment. A run that exits 0 while its change is missing counts as lost.
# One summary line: rounds, runs, runs that failed, changes lost; the exit status is non-zero
# when a run failed or a change was lost, with the details on stderr.
#
# usage: bench/merge_stress.sh [-n ROUNDS] [-m MERGES] [-s SETS] [-b BUILD_DIR]
#   ROUNDS: rounds (default 5); MERGES and SETS: runs of each per round (default 10 each, at
#   most 18 each); BUILD_DIR: where kelmap is (default $KEL_BUILD_DIR or ./build).
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ROUNDS=5
MERGES=10
SETS=10
BUILD="${KEL_BUILD_DIR:-$ROOT/build}"
while getopts "n:m:s:b:h" opt; do
    case "$opt" in
    n) ROUNDS="$OPTARG" ;;
    m) MERGES="$OPTARG" ;;
    s) SETS="$OPTARG" ;;
    b) BUILD="$OPTARG" ;;
    *)
        sed -n '3,16p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
    esac
done
for number in "$ROUNDS" "$MERGES" "$SETS"; do
    if ! [[ "$number" =~ ^[0-9]+$ ]]; then
        echo "merge_stress: ROUNDS, MERGES and SETS are numbers" >&2
        exit 2
    fi
done
if [ "$MERGES" -gt 18 ] || [ "$SETS" -gt 18 ]; then
    echo "merge_stress: at most 18 merges and 18 sets a round" >&2
    exit 2
fi
KELMAP="$BUILD/src/cli/kelmap"
[ -x "$KELMAP" ] || { echo "merge_stress: $KELMAP is not built" >&2; exit 1; }

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# The controls of the merges and of the sets, each run one of its own.
MERGED=()
SET=()
for i in 1 2 3 4 5 6 7 8 9; do
    MERGED+=("R$i" "S$i")
    SET+=("A$i" "B$i")
done

# The dump line of CONTROL in FILE (name, record bytes, comment).
dump_line() {
    "$KELMAP" dump "$1" | grep "^$2	"
}

"$KELMAP" new "$WORK/other.mid" --title Other || exit 1
"$KELMAP" set "$WORK/other.mid" R1-R9,S1-S9 cc 0 0 127 --fill 20 --comment taken || exit 1

runs=0
failed=0
lost=0
for ((round = 1; round <= ROUNDS; round++)); do
    map="$WORK/map.mid"
    "$KELMAP" new "$map" --title "Round $round" || exit 1
    pids=()
    for ((i = 0; i < MERGES; i++)); do
        "$KELMAP" merge "$map" "$WORK/other.mid" --controls "${MERGED[$i]}" -o "$map" \
            2>"$WORK/merge-$i.err" &
        pids+=("$!")
    done
    for ((i = 0; i < SETS; i++)); do
        "$KELMAP" set "$map" "${SET[$i]}" cc "$((i + 1))" --comment "s$round-$i" \
            2>"$WORK/set-$i.err" &
        pids+=("$!")
    done
    statuses=()
    for pid in "${pids[@]}"; do
        wait "$pid"
        statuses+=("$?")
    done
    runs=$((runs + MERGES + SETS))
    for ((i = 0; i < MERGES; i++)); do
        control="${MERGED[$i]}"
        if [ "${statuses[$i]}" -ne 0 ]; then
            failed=$((failed + 1))
            echo "round $round: merge $control exited ${statuses[$i]}: $(cat "$WORK/merge-$i.err")" >&2
        elif [ "$(dump_line "$map" "$control")" != "$(dump_line "$WORK/other.mid" "$control")" ]; then
            lost=$((lost + 1))
            echo "round $round: merge $control exited 0, but the map does not hold it" >&2
        fi
    done
    for ((i = 0; i < SETS; i++)); do
        control="${SET[$i]}"
        status="${statuses[$((MERGES + i))]}"
        if [ "$status" -ne 0 ]; then
            failed=$((failed + 1))
            echo "round $round: set $control exited $status: $(cat "$WORK/set-$i.err")" >&2
        elif [ "$(dump_line "$map" "$control" | cut -f3)" != "s$round-$i" ]; then
            lost=$((lost + 1))
            echo "round $round: set $control exited 0, but the map does not hold it" >&2
        fi
    done
    # The whole dump first: grep -q would end the pipe early, failing it under pipefail.
    dumped="$("$KELMAP" dump "$map")"
    if ! grep -q "^TITLE	Round $round\$" <<<"$dumped"; then
        lost=$((lost + 1))
        echo "round $round: the map lost its title" >&2
    fi
done

echo "merge_stress: $ROUNDS rounds, $runs runs ($MERGES merges and $SETS sets a round), $failed failed, $lost changes lost"
[ "$failed" -eq 0 ] && [ "$lost" -eq 0 ]

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Stress of kelmap find, driving the real program on a folder of many maps:
#
#   walk     N finds over M maps in 100 subfolders while one subfolder is moved away at a
#            random point of the walk (and put back after). Each find must exit 0 and list
#            either every map or every map but the moved folder's, or exit 1 naming a folder it
#            could not read; the find after it, with the folder back, must list every map
#            (the index forgot nothing it did not see).
#   damaged  N rounds of P finds at once over M/10 maps meeting one index, damaged anew for
#            each round in one of three ways (garbage throughout, a good header over garbage,
#            cut in half) or kept open by another find while the finds run under a file size
#            limit of 512 bytes (an index that cannot be written). Each find must exit 0 and
#            list every map; after each round a find alone must list every map with nothing
#            on stderr (the index was made anew and is used again).
#
# One line of runs and failures per kind; the exit status is non-zero on any failure, with the
# details of each failure on stderr.
#
# usage: bench/find_stress.sh [-n N] [-m M] [-p P] [-b BUILD_DIR] [-s SEED]
#   N runs of each kind (default 50), M maps (default 20000), P finds at once (default 8),
#   BUILD_DIR where kelmap is (default $KEL_BUILD_DIR or ./build), SEED the random points.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
N=50
M=20000
P=8
SEED=""
BUILD="${KEL_BUILD_DIR:-$ROOT/build}"
while getopts "n:m:p:b:s:" opt; do
    case "$opt" in
    n) N="$OPTARG" ;;
    m) M="$OPTARG" ;;
    p) P="$OPTARG" ;;
    b) BUILD="$OPTARG" ;;
    s) SEED="$OPTARG" ;;
    *) exit 2 ;;
    esac
done
KELMAP="$BUILD/src/cli/kelmap"
[ -x "$KELMAP" ] || { echo "find_stress: no kelmap in $BUILD" >&2; exit 2; }
SEED="${SEED:-$RANDOM}"
RANDOM="$SEED"
echo "find_stress: seed $SEED"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/kel-find-stress.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
export XDG_CACHE_HOME="$WORK/cache"
INDEX="$XDG_CACHE_HOME/VOSTEL/VOSTEL KEL Editor V2/library.sqlite"

# M maps, 100 subfolders of M/100 each, every one a copy of one map.
make_maps() { # folder count
    local folder="$1" count="$2" per=$(($2 / 100)) sub i
    mkdir -p "$folder/s0"
    "$KELMAP" new "$folder/s0/m0.mid" --title "Stress map" >/dev/null || exit 2
    "$KELMAP" set "$folder/s0/m0.mid" S1 cc 74 0 127 >/dev/null || exit 2
    for ((i = 1; i < per; i++)); do cp "$folder/s0/m0.mid" "$folder/s0/m$i.mid"; done
    for ((sub = 1; sub < 100; sub++)); do cp -r "$folder/s0" "$folder/s$sub"; done
    echo $((per * 100))
}

failures=0
fail() {
    echo "find_stress: $*" >&2
    failures=$((failures + 1))
}

# --- walk -------------------------------------------------------------------------------------
MAPS="$WORK/maps"
total=$(make_maps "$MAPS" "$M")
per=$((total / 100))
mkdir -p "$WORK/away"
"$KELMAP" find "$MAPS" >/dev/null 2>&1 # the first index
walk_failures=0
for ((run = 0; run < N; run++)); do
    before=$failures
    sub="s$((RANDOM % 100))"
    "$KELMAP" find "$MAPS" >"$WORK/out" 2>"$WORK/err" &
    pid=$!
    sleep "0.$(printf '%03d' $((RANDOM % 300)))"
    mv "$MAPS/$sub" "$WORK/away/$sub"
    wait "$pid"
    status=$?
    listed=$(wc -l <"$WORK/out")
    if [ "$status" = 0 ]; then
        [ "$listed" = "$total" ] || [ "$listed" = $((total - per)) ] ||
            fail "walk run $run: exit 0 with $listed of $total maps listed"
    elif [ "$status" = 1 ]; then
        grep -q "cannot be read" "$WORK/err" || fail "walk run $run: exit 1: $(head -c 300 "$WORK/err")"
    else
        fail "walk run $run: exit $status: $(head -c 300 "$WORK/err")"
    fi
    mv "$WORK/away/$sub" "$MAPS/$sub"
    listed=$("$KELMAP" find "$MAPS" 2>/dev/null | wc -l)
    [ "$listed" = "$total" ] || fail "walk run $run: with the folder back, $listed of $total listed"
    [ "$failures" = "$before" ] || walk_failures=$((walk_failures + 1))
done
echo "walk: $N runs over $total maps, $walk_failures failures"

# --- damaged ----------------------------------------------------------------------------------
SMALL="$WORK/small"
small=$(make_maps "$SMALL" $((M / 10)))
damaged_failures=0
for ((run = 0; run < N; run++)); do
    before=$failures
    "$KELMAP" find "$SMALL" >/dev/null 2>&1
    how=$((run % 4))
    limit=""
    holder=""
    case $how in
    0) head -c 65536 /dev/urandom >"$INDEX" ;;
    1) dd if=/dev/urandom of="$INDEX" bs=4096 seek=1 count=16 conv=notrunc status=none ;;
    2) truncate -s $(($(stat -c %s "$INDEX") / 2)) "$INDEX" ;;
    3)
        # Another find holds the index open while the others cannot write it.
        "$KELMAP" find "$MAPS" >/dev/null 2>&1 &
        holder=$!
        limit="ulimit -f 1;"
        ;;
    esac
    [ "$how" = 3 ] || rm -f "$INDEX-wal" "$INDEX-shm"
    for ((i = 0; i < P; i++)); do
        (
            # The limit is kelmap's alone: its answer goes through a pipe.
            (
                trap '' XFSZ
                eval "$limit"
                exec "$KELMAP" find "$SMALL" cc74 2>"$WORK/err$i"
            ) | cat >"$WORK/out$i"
            echo "${PIPESTATUS[0]}" >"$WORK/status$i"
        ) &
    done
    wait $(jobs -p | grep -v "^${holder:-none}\$")
    for ((i = 0; i < P; i++)); do
        status=$(cat "$WORK/status$i")
        listed=$(wc -l <"$WORK/out$i")
        [ "$status" = 0 ] && [ "$listed" = "$small" ] ||
            fail "damaged run $run ($how), find $i: exit $status, $listed of $small: $(head -c 300 "$WORK/err$i")"
    done
    [ -z "$holder" ] || wait "$holder"
    "$KELMAP" find "$SMALL" cc74 >"$WORK/out" 2>"$WORK/err"
    listed=$(wc -l <"$WORK/out")
    [ "$listed" = "$small" ] && [ ! -s "$WORK/err" ] ||
        fail "damaged run $run ($how), the find after: $listed of $small: $(head -c 300 "$WORK/err")"
    [ "$failures" = "$before" ] || damaged_failures=$((damaged_failures + 1))
done
echo "damaged: $N runs of $P finds at once over $small maps, $damaged_failures failures"
[ "$failures" = 0 ]

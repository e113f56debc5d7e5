#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Compares reading plus writing a full control map with this editor's file code against the
# time python3-mido takes only to read the same file.
#   bench/mido_compare.sh [build-dir]    (a Release build with the benchmarks built)
set -euo pipefail

build_dir=${1:-build-release}
bench="$build_dir/bench/files_bench"
if [[ ! -x "$bench" ]]; then
    echo "no $bench: build the benchmarks first (cmake -DCMAKE_BUILD_TYPE=Release)" >&2
    exit 1
fi

python=""
for candidate in /usr/bin/python3 python3; do
    if "$candidate" -c 'import mido' >/dev/null 2>&1; then
        python=$candidate
        break
    fi
done
if [[ -z "$python" ]]; then
    echo "python3 with mido is not installed (Debian package python3-mido)" >&2
    exit 1
fi

# The file lives in memory (tmpfs) unless KEL_BENCH_DIR says otherwise, so that the figures
# are those of the code and not of the disk.
bench_dir=${KEL_BENCH_DIR:-/dev/shm}
[[ -d "$bench_dir" && -w "$bench_dir" ]] || bench_dir=${TMPDIR:-/tmp}
work=$(mktemp -d -p "$bench_dir")
trap 'rm -rf "$work"' EXIT
map="$work/full_map.mid"

KEL_BENCH_MAP="$map" "$bench" --benchmark_filter='BM_ReadWriteFullControlMap$' \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=json >"$work/kel.json"

kel_ns=$("$python" -c '
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
median = [b for b in runs if b.get("aggregate_name") == "median"][0]
scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[median["time_unit"]]
print(median["real_time"] * scale)
' "$work/kel.json")

mido_ns=$("$python" -c '
import sys, time, mido
path = sys.argv[1]
mido.MidiFile(path)  # warm up: imports, caches
times = []
for _ in range(7):
    n = 20
    start = time.perf_counter()
    for _ in range(n):
        mido.MidiFile(path)
    times.append((time.perf_counter() - start) / n)
times.sort()
print(times[len(times) // 2] * 1e9)
' "$map")

"$python" -c '
import sys
kel, mido = float(sys.argv[1]), float(sys.argv[2])
print(f"file size:                         {sys.argv[3]} bytes in {sys.argv[4]}")
print(f"KEL Editor read + write:           {kel / 1e3:10.1f} us")
print(f"python3-mido read:                 {mido / 1e3:10.1f} us")
print(f"ratio (mido read / KEL read+write): {mido / kel:9.1f}x")
' "$kel_ns" "$mido_ns" "$(stat -c %s "$map")" "$bench_dir"

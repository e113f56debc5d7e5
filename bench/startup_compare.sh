#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up of kel-editor beside a minimal Qt Widgets program (a main window with a menu bar and
# a label): median time from process start to the first painted main window, and median peak
# resident memory, over N runs of each under Xvfb. Both programs carry the same first-paint
# probe (bench/startup_probe.h); the editor's probe runs the editor's own start-up code.
#
# Usage: bench/startup_compare.sh BUILD_DIR [N]
#   BUILD_DIR  a Release build with the targets startup_probe and minimal_qt built
#   N          runs per program (default 10)
# Needs Xvfb and GNU time (/usr/bin/time). Builds nothing.
set -eu

build=${1:?usage: startup_compare.sh BUILD_DIR [N]}
runs=${2:-10}
editor=$build/bench/startup_probe
minimal=$build/bench/minimal_qt
for program in "$editor" "$minimal"; do
    [ -x "$program" ] || { echo "missing $program (build it first)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "GNU time is needed (/usr/bin/time)" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A display of our own, the first free one from :91 up.
display=91
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
tries=0
until [ -e "/tmp/.X11-unix/X$display" ]; do
    tries=$((tries + 1))
    [ "$tries" -lt 100 ] || { echo "Xvfb did not start" >&2; exit 2; }
    sleep 0.05
done

# One run: a fresh runtime directory (no single-instance lock is shared) and the program's own
# home, kept from run to run as a user's is, so the runs are the warm starts a user sees after
# the first one (KEL_STARTUP_COLD=1: a fresh home for every run instead).
# Prints "first-paint-ms peak-KiB application-ms".
run_once() {
    program=$1
    home=$2
    dir=$(mktemp -d "$work/run.XXXXXX")
    if [ "${KEL_STARTUP_COLD:-0}" = 1 ]; then
        home="$dir/home"
    fi
    mkdir -p "$home" "$dir/runtime"
    chmod 700 "$dir/runtime"
    t0=$(date +%s%N)
    env -i PATH="$PATH" DISPLAY=":$display" HOME="$home" XDG_RUNTIME_DIR="$dir/runtime" \
        LANG="${LANG:-C.UTF-8}" QT_QPA_PLATFORM=xcb KEL_PROBE_T0_NS="$t0" \
        /usr/bin/time -f %M -o "$dir/rss" "$program" >"$dir/out" 2>"$dir/err" || {
        echo "$program failed:" >&2
        cat "$dir/err" >&2
        exit 1
    }
    ms=$(sed -n 's/^first-paint-ms //p' "$dir/out")
    [ -n "$ms" ] || { echo "$program printed no first-paint time" >&2; exit 1; }
    app_ms=$(sed -n 's/^application-ms //p' "$dir/out")
    echo "$ms $(tail -n 1 "$dir/rss") $app_ms"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One untimed start each fills the homes; then the two programs alternate so that a change in
# the machine's load falls on both alike.
run_once "$editor" "$work/editor-home" >/dev/null
run_once "$minimal" "$work/minimal-home" >/dev/null
: >"$work/editor" && : >"$work/minimal"
i=0
while [ "$i" -lt "$runs" ]; do
    run_once "$editor" "$work/editor-home" >>"$work/editor"
    run_once "$minimal" "$work/minimal-home" >>"$work/minimal"
    i=$((i + 1))
done

editor_ms=$(cut -d' ' -f1 "$work/editor" | median)
editor_kb=$(cut -d' ' -f2 "$work/editor" | median)
minimal_ms=$(cut -d' ' -f1 "$work/minimal" | median)
minimal_kb=$(cut -d' ' -f2 "$work/minimal" | median)
editor_app=$(cut -d' ' -f3 "$work/editor" | median)
minimal_app=$(cut -d' ' -f3 "$work/minimal" | median)

echo "runs per program: $runs; load average: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) CPUs"
# "app ready": the QApplication exists (program loaded and linked, Qt started); the rest of
# the first-paint time is the program's own start-up and its first paint.
printf '%-12s %14s %14s %14s\n' "program" "first paint ms" "peak RSS KiB" "app ready ms"
printf '%-12s %14s %14s %14s\n' "kel-editor" "$editor_ms" "$editor_kb" "$editor_app"
printf '%-12s %14s %14s %14s\n' "minimal Qt" "$minimal_ms" "$minimal_kb" "$minimal_app"
awk -v a="$editor_ms" -v b="$minimal_ms" -v c="$editor_kb" -v d="$minimal_kb" \
    -v e="$editor_app" -v f="$minimal_app" \
    'BEGIN { printf "ratio        %14.2f %14.2f %14.2f\n", a / b, c / d, e / f }'

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of KEL Editor, installs it on this machine with apt-get, checks the
# installed programs, help pages, manual pages, launcher entry and AppStream description, starts
# the installed editor under Xvfb until its window is up, then removes the package again and
# checks that it is gone.
#
# Usage: scripts/ci-package.sh
# Build directory: $KEL_PACKAGE_BUILD_DIR (default: build-package in the source tree), configured
# from scratch (Release, no tests, no benchmarks, prefix /usr). Needs root or sudo for apt-get;
# the packages it uses are in scripts/install-deps.sh. One line per check and a summary; the
# exit status is non-zero when any check failed.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${KEL_PACKAGE_BUILD_DIR:-$ROOT/build-package}"
APP_ID="io.github.keleditor.KelEditor"
TITLE="VOSTEL KEL Editor"
JOBS=2
STARTED_AT=$SECONDS

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive

PASSED=0
FAILED=0
FAILURES=()
pass() {
    PASSED=$((PASSED + 1))
    echo "   ok      $1"
}
fail() {
    FAILED=$((FAILED + 1))
    FAILURES+=("$1")
    echo "   FAILED  $1"
}
# check DESCRIPTION COMMAND...: runs the command quietly; its output is shown when it fails.
check() {
    local what="$1" out
    shift
    if out="$("$@" 2>&1)"; then
        pass "$what"
    else
        fail "$what"
        printf '%s\n' "$out" | sed 's/^/            /' | tail -n 20
    fi
}
note() { echo "== ci-package: $*"; }

WORK="$(mktemp -d)"
XVFB_PID=""
EDITOR_PID=""
INSTALLED=0
cleanup() {
    if [ -n "$EDITOR_PID" ]; then
        kill "$EDITOR_PID" 2>/dev/null
        wait "$EDITOR_PID" 2>/dev/null
    fi
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    # A failed run must not leave the package on the machine.
    if [ "$INSTALLED" -eq 1 ]; then
        $SUDO apt-get remove -y -qq kel-editor >/dev/null 2>&1
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

finish() {
    echo
    echo "ci-package: $PASSED checks passed, $FAILED failed ($((SECONDS - STARTED_AT)) s)"
    for f in "${FAILURES[@]}"; do
        echo "ci-package: FAILED: $f"
    done
    if [ $FAILED -ne 0 ]; then
        exit 1
    fi
    exit 0
}

# --- build the package ---------------------------------------------------------------------

note "building the package in $BUILD"
rm -rf "$BUILD"
if ! cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DKEL_BUILD_TESTS=OFF -DKEL_BUILD_BENCH=OFF >"$WORK/configure.log" 2>&1; then
    cat "$WORK/configure.log"
    fail "configure"
    finish
fi
if ! cmake --build "$BUILD" -j"$JOBS" >"$WORK/build.log" 2>&1; then
    tail -n 60 "$WORK/build.log"
    fail "build"
    finish
fi
if ! (cd "$BUILD" && cpack -G DEB) >"$WORK/cpack.log" 2>&1; then
    cat "$WORK/cpack.log"
    fail "cpack -G DEB"
    finish
fi
DEB="$(ls "$BUILD"/kel-editor_*.deb 2>/dev/null | head -n 1)"
if [ -z "$DEB" ]; then
    fail "cpack made no kel-editor_*.deb"
    finish
fi
pass "package built: $(basename "$DEB"), $(stat -c %s "$DEB") bytes"

FIELDS="$(dpkg-deb -f "$DEB" Package Version Depends)"
echo "$FIELDS" | sed 's/^/            /'
check "package name kel-editor, version 2.10" \
    test "$(dpkg-deb -f "$DEB" Package)/$(dpkg-deb -f "$DEB" Version)" = "kel-editor/2.10"
DEPENDS="$(dpkg-deb -f "$DEB" Depends)"
for dep in fonts-liberation2 libqt6widgets6 libqt6svg6 librtmidi libc6 libstdc++6; do
    check "depends on $dep" grep -q "$dep" <<<"$DEPENDS"
done
check "recommends a Japanese font" \
    grep -qE 'fonts-noto-cjk \| fonts-ipafont-gothic' <<<"$(dpkg-deb -f "$DEB" Recommends)"
check "nothing but programs in /usr/bin" \
    bash -c "! dpkg-deb -c '$DEB' | awk '{print \$6}' | grep '^\./usr/bin/.' |
        grep -vE '^\./usr/bin/(kel-editor|kelmap|kel-device-sim)$'"

# --- install it ----------------------------------------------------------------------------

if dpkg-query -W -f='${Status}' kel-editor 2>/dev/null | grep -q "install ok installed"; then
    note "kel-editor was installed before this run; it is replaced and removed at the end"
fi
note "installing $(basename "$DEB")"
cp "$DEB" "$WORK/" && chmod 644 "$WORK/$(basename "$DEB")"
LOCAL_DEB="$WORK/$(basename "$DEB")"
if ! $SUDO apt-get install -y -qq --no-install-recommends "$LOCAL_DEB" >"$WORK/install.log" 2>&1; then
    # The package lists may be missing on a fresh machine.
    $SUDO apt-get update -qq >>"$WORK/install.log" 2>&1
    if ! $SUDO apt-get install -y -qq --no-install-recommends "$LOCAL_DEB" \
        >>"$WORK/install.log" 2>&1; then
        cat "$WORK/install.log"
        fail "apt-get install ./$(basename "$DEB")"
        finish
    fi
fi
INSTALLED=1
pass "apt-get install ./$(basename "$DEB")"

# --- the installed files -------------------------------------------------------------------

for program in kel-editor kelmap kel-device-sim; do
    check "/usr/bin/$program installed" test -x "/usr/bin/$program"
done
check "kel-editor --version prints 2.10" \
    bash -c '/usr/bin/kel-editor --version | grep -qx "kel-editor (KEL Editor) 2.10"'
check "kel-editor --help prints the usage" \
    bash -c '/usr/bin/kel-editor --help | grep -q "Usage: kel-editor \[FILE\]"'
check "kelmap --help" bash -c '/usr/bin/kelmap --help | grep -q "usage:"'
check "kel-device-sim --help" bash -c '/usr/bin/kel-device-sim --help | grep -q "Usage:"'
MAP="$WORK/ci map.mid"
check "kelmap writes and reads a control map" bash -c "/usr/bin/kelmap new '$MAP' --title CI &&
    /usr/bin/kelmap set '$MAP' S1 cc 74 0 127 --comment Cutoff &&
    /usr/bin/kelmap dump '$MAP' | grep -q '^TITLE	CI'"
for page in index_e.htm index_j.htm; do
    check "help page /usr/share/kel-editor/help/$page" \
        test -s "/usr/share/kel-editor/help/$page"
done
for page in kel-editor kelmap kel-device-sim; do
    check "manual page $page(1)" test -s "/usr/share/man/man1/$page.1.gz"
done
if command -v man >/dev/null 2>&1; then
    check "man kelmap renders" bash -c 'MANWIDTH=80 man -l /usr/share/man/man1/kelmap.1.gz |
        grep -q "read, write and change KEL control map files"'
fi
DESKTOP="/usr/share/applications/$APP_ID.desktop"
METAINFO="/usr/share/metainfo/$APP_ID.metainfo.xml"
check "desktop-file-validate $DESKTOP" \
    bash -c "out=\$(desktop-file-validate '$DESKTOP' 2>&1); echo \"\$out\";
        ! grep -qE 'error|warning' <<<\"\$out\""
check "appstreamcli validate --no-net $METAINFO" appstreamcli validate --no-net "$METAINFO"
check "the metainfo names the licence" grep -q "<project_license>GPL-3.0-or-later<" "$METAINFO"
check "machine-readable copyright file" bash -c \
    "grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
        /usr/share/doc/kel-editor/copyright && grep -q '^License: GPL-3+' /usr/share/doc/kel-editor/copyright"
check "MIDI files offered, not made the default" bash -c "
    grep -qx 'MimeType=audio/midi;audio/x-midi;' '$DESKTOP' &&
    grep -qx 'InitialPreference=0' '$DESKTOP' &&
    ! grep -rqs 'kel' /usr/share/applications/mimeapps.list /etc/xdg/mimeapps.list"
for size in 16 22 24 32 48 64 128 256; do
    check "icon ${size}x${size}" test -s "/usr/share/icons/hicolor/${size}x${size}/apps/$APP_ID.png"
done
check "icon scalable" test -s "/usr/share/icons/hicolor/scalable/apps/$APP_ID.svg"

# --- start the installed editor ------------------------------------------------------------

# A stand-in for xdg-open records what the editor asks the desktop to open.
mkdir -p "$WORK/home" "$WORK/runtime" "$WORK/bin"
chmod 700 "$WORK/runtime"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$WORK/opened" >"$WORK/bin/xdg-open"
chmod +x "$WORK/bin/xdg-open"

# start_editor LANG [FILE]: starts the installed editor with a home of its own and waits up to
# 30 s for its window; sets WINDOW (empty when it did not come up).
start_editor() {
    local lang="$1"
    shift
    HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/runtime" XDG_CONFIG_HOME="$WORK/home/.config" \
        PATH="$WORK/bin:$PATH" QT_QPA_PLATFORM=xcb LANG="$lang" LC_ALL='' LC_MESSAGES='' LANGUAGE='' \
        /usr/bin/kel-editor "$@" >"$WORK/editor.log" 2>&1 &
    EDITOR_PID=$!
    WINDOW=""
    for _ in $(seq 300); do
        WINDOW="$(xdotool search --onlyvisible --name "$TITLE" 2>/dev/null | head -n 1)"
        [ -n "$WINDOW" ] && return 0
        kill -0 "$EDITOR_PID" 2>/dev/null || break
        sleep 0.1
    done
    cat "$WORK/editor.log"
    return 1
}
stop_editor() {
    if [ -n "$EDITOR_PID" ]; then
        check "editor still running" kill -0 "$EDITOR_PID"
        kill "$EDITOR_PID" 2>/dev/null
        wait "$EDITOR_PID" 2>/dev/null
        EDITOR_PID=""
    fi
}
# help_opens TITLE: chooses Help > KEL Editor Help with the keyboard and checks that the
# editor's own help window comes up showing the installed page titled TITLE (no browser is
# needed for help).
help_opens() {
    local help=""
    xdotool windowfocus --sync "$WINDOW" >/dev/null 2>&1
    xdotool key --clearmodifiers alt+h
    sleep 0.5
    xdotool key h
    # xdotool's name patterns do not match Japanese titles: windows whose title starts with
    # "KEL Editor " are found, then their whole names compared.
    local id
    for _ in $(seq 50); do
        for id in $(xdotool search --onlyvisible --name "^KEL Editor " 2>/dev/null); do
            [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && help="$id"
        done
        [ -n "$help" ] && break
        sleep 0.1
    done
    check "Help opens the window \"$1\"" test -n "$help"
    check "nothing handed to a browser for help" test ! -s "$WORK/opened"
}

note "starting /usr/bin/kel-editor under Xvfb"
exec 3>"$WORK/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
exec 3>&-
for _ in $(seq 100); do
    [ -s "$WORK/display" ] && break
    sleep 0.1
done
if [ ! -s "$WORK/display" ]; then
    cat "$WORK/xvfb.log"
    fail "Xvfb started"
else
    DISPLAY=":$(head -n 1 "$WORK/display")"
    export DISPLAY
    # The file named first is opened, and its name is shown in the window title.
    if start_editor C.UTF-8 "$MAP"; then
        NAME="$(xdotool getwindowname "$WINDOW")"
        pass "editor window up: \"$NAME\""
        check "the file on the command line is open" test "$NAME" = "$MAP - $TITLE"
        if command -v xprop >/dev/null 2>&1; then
            check "window class kel-editor (matches StartupWMClass)" \
                bash -c "xprop -id '$WINDOW' WM_CLASS | grep -q '\"kel-editor\"'"
        fi
        help_opens "KEL Editor Help"
    else
        fail "editor window titled \"$TITLE\" within 30 s"
    fi
    stop_editor
    # A Japanese user gets the Japanese page.
    if start_editor ja_JP.UTF-8; then
        pass "editor window up in Japanese: \"$(xdotool getwindowname "$WINDOW")\""
        help_opens "KEL Editor ヘルプ"
    else
        fail "Japanese editor window within 30 s"
    fi
    stop_editor
fi

# --- remove it -----------------------------------------------------------------------------

note "removing the package"
if $SUDO apt-get remove -y -qq kel-editor >"$WORK/remove.log" 2>&1; then
    INSTALLED=0
    pass "apt-get remove kel-editor"
else
    cat "$WORK/remove.log"
    fail "apt-get remove kel-editor"
fi
for path in /usr/bin/kel-editor /usr/bin/kelmap /usr/bin/kel-device-sim \
    /usr/share/kel-editor "$DESKTOP" "$METAINFO" /usr/share/man/man1/kelmap.1.gz \
    /usr/share/doc/kel-editor/copyright; do
    check "removed: $path" test ! -e "$path"
done

finish

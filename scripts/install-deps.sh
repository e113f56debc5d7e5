#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian/Ubuntu packages KEL Editor needs to build, run and test, when missing.
set -euo pipefail

PACKAGES=(
    build-essential cmake pkg-config git
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
    librtmidi-dev jackd2 libsqlite3-dev
    fonts-liberation2 fonts-ipafont-gothic
    xvfb xauth time strace poppler-utils
    dbus at-spi2-core python3-pyatspi openbox
    dpkg-dev desktop-file-utils appstream xdotool x11-utils
    clang clang-format libclang-rt-14-dev
    python3 python3-mido
    emscripten nodejs googletest
)

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
    echo "This machine has no apt. Install these packages (or your system's equivalents):"
    printf '  %s\n' "${PACKAGES[@]}"
    exit 0
fi

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"

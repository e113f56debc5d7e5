#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the application icon's PNG sizes from src/resources/icons/kel-editor.svg into the
# hicolor tree beside this script. The PNGs are committed, so a build needs no SVG renderer;
# run this again after changing the icon (needs rsvg-convert, Debian librsvg2-bin).
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SVG="$HERE/../../src/resources/icons/kel-editor.svg"
for size in 16 22 24 32 48 64 128 256; do
    dir="$HERE/hicolor/${size}x${size}/apps"
    mkdir -p "$dir"
    rsvg-convert -w "$size" -h "$size" "$SVG" -o "$dir/io.github.keleditor.KelEditor.png"
done

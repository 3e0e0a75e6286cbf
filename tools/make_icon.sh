#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Windows icon (16, 32 and 48 px as bitmaps, 256 px as PNG) from the project's SVG
# icon, with rsvg-convert (librsvg2-bin) and icotool (icoutils).
# Usage: make_icon.sh ICON.svg OUT.ico
set -euo pipefail
svg=$1
ico=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 32 48 256; do
    rsvg-convert --width "$size" --height "$size" --output "$work/$size.png" "$svg"
done
icotool --create --output "$ico" "$work/16.png" "$work/32.png" "$work/48.png" \
    --raw="$work/256.png"

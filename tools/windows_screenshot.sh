#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# windows_screenshot.sh BUILD_DIR OUT.png [CHANNELS_OUT.png]: the Windows window running
# against the demo instrument, under Wine on an Xvfb display, as a PNG; with a second file, also
# the channels view that "quillon.exe --view" opens beside it (docs/screenshot-windows.png and
# docs/channels-view-windows.png come from "tools/windows_screenshot.sh build/windows
# docs/screenshot-windows.png docs/channels-view-windows.png" after a windows build). Uses the
# test run's Wine prefix and display when a test run has them up; otherwise it makes its own
# and stops them after.
set -euo pipefail
tools="$(cd "$(dirname "$0")" && pwd)"
build_dir="$(cd "$1" && pwd)"
output=$2
channels_output=${3:-}
export QUILLON_WINE_BUILD_DIR="$build_dir"

own_prefix=no
if [ ! -s "$build_dir/wine-display" ]; then
    "$tools/wine_prefix.sh" start "$build_dir"
    own_prefix=yes
fi
cleanup() {
    rm -f "$build_dir/screenshot-windows.bmp" "$build_dir/channels-view-windows.bmp"
    if [ "$own_prefix" = yes ]; then
        "$tools/wine_prefix.sh" stop "$build_dir"
    fi
}
trap cleanup EXIT

"$tools/wine_run.sh" "$build_dir/tests/win32/window_snapshot.exe" \
    "$build_dir/bin/quillon.exe" "$build_dir/screenshot-windows.bmp" -dsim -nQuillon
/usr/bin/python3 "$tools/bmp_to_png.py" "$build_dir/screenshot-windows.bmp" "$output"
echo "$output"
if [ -n "$channels_output" ]; then
    "$tools/wine_run.sh" "$build_dir/tests/win32/window_snapshot.exe" --window \
        QuillonChannelsWindow --after 12000 "$build_dir/bin/quillon.exe" \
        "$build_dir/channels-view-windows.bmp" --view -dsim -nQuillon
    /usr/bin/python3 "$tools/bmp_to_png.py" "$build_dir/channels-view-windows.bmp" \
        "$channels_output"
    echo "$channels_output"
fi

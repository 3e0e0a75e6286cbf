#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program of the cross build under 32-bit Wine, in the build's own Wine prefix
# (made by wine_prefix.sh), on the test run's Xvfb display (none outside a test run), and with
# no Wine debug output.
set -euo pipefail
build_dir="${QUILLON_WINE_BUILD_DIR:-$(pwd)}"
while [ ! -f "$build_dir/CMakeCache.txt" ] && [ "$build_dir" != / ]; do
    build_dir=$(dirname "$build_dir")
done
export WINEPREFIX="$build_dir/wine-prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
if [ -s "$build_dir/wine-display" ]; then
    DISPLAY=$(cat "$build_dir/wine-display")
    export DISPLAY
fi
exec wine-stable "$@"

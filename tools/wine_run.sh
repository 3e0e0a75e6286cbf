#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program of the cross build under 32-bit Wine, in the build's own Wine prefix
# (made by wine_prefix.sh), with no display and no Wine debug output.
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
exec wine-stable "$@"

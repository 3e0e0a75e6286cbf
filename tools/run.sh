#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and runs Quillon against the demo instrument: the window when a display is
# there, otherwise the headless front end. Arguments go to the program (e.g. -dsim -nLab1).
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quillon quillon-headless

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec ./build/default/src/ui/qt/quillon "$@"
fi
echo "No display: running the headless front end (Ctrl+C stops and saves)."
exec ./build/default/src/ui/headless/quillon-headless "$@"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and runs Quillon against the demo instrument: the window when a display is
# there, otherwise the headless front end. Arguments go to the program (e.g. -dsim -nLab1).
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quillon quillon-headless pellomar

# Every program of the default build is in build/default/bin (CMAKE_RUNTIME_OUTPUT_DIRECTORY).
programs=build/default/bin
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$programs/quillon" "$@"
fi
echo "No display: running the headless front end (Ctrl+C stops and saves)."
exec "$programs/quillon-headless" "$@"

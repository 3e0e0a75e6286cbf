#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every folder uses only the folders below it: ground (panel, host, platform, none of them
# using another), equations, control, app, the front ends (none using another), the programs.
set -euo pipefail
cd "$(dirname "$0")/../src"

higher_than() {
    case "$1" in
        panel) echo "host platform equations control app ui programs" ;;
        host) echo "panel platform equations control app ui programs" ;;
        platform) echo "panel host equations control app ui programs" ;;
        equations) echo "control app ui programs" ;;
        control) echo "app ui programs" ;;
        app) echo "ui programs" ;;
        ui/*) echo "programs $(ls -d ui/*/ | sed 's#/$##' | grep -vx "$1" | tr '\n' ' ')" ;;
        *) echo "" ;;
    esac
}

status=0
for folder in panel host platform equations control app ui/*; do
    for forbidden in $(higher_than "$folder"); do
        if grep -rn --include='*.cpp' --include='*.hpp' "#include \"$forbidden/" "$folder"; then
            echo "$folder must not include $forbidden/" >&2
            status=1
        fi
    done
done
exit $status

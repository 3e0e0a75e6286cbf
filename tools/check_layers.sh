#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every folder uses only the folders below it: platform (the operating system's calls and the
# ports), then panel and host (neither using the other), equations, control, app, the front
# ends (none using another), the programs.
# The e-mail agent is a program of its own that uses only platform/.
set -euo pipefail
cd "$(dirname "$0")/../src"

higher_than() {
    case "$1" in
        panel) echo "host platform equations control app ui programs agent" ;;
        host) echo "panel equations control app ui programs agent" ;;
        platform) echo "panel host equations control app ui programs agent" ;;
        equations) echo "control app ui programs agent" ;;
        control) echo "app ui programs agent" ;;
        app) echo "ui programs agent" ;;
        ui/*) echo "programs agent $(ls -d ui/*/ | sed 's#/$##' | grep -vx "$1" | tr '\n' ' ')" ;;
        agent) echo "panel host equations control app ui programs" ;;
        *) echo "" ;;
    esac
}

status=0
for folder in panel host platform equations control app agent ui/*; do
    for forbidden in $(higher_than "$folder"); do
        if grep -rn --include='*.cpp' --include='*.hpp' "#include \"$forbidden/" "$folder"; then
            echo "$folder must not include $forbidden/" >&2
            status=1
        fi
    done
done
exit $status

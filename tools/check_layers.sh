#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every folder uses only the folders below it: platform (the operating system's calls and the
# ports), then panel and host (neither using the other), equations, control, events, app, then
# the replay engine and the front ends (none of them using another), the programs.
# The e-mail agent is a program of its own that uses only platform/.
set -euo pipefail
cd "$(dirname "$0")/../src"

higher_than() {
    case "$1" in
        panel) echo "host platform equations control events app replay ui programs agent" ;;
        host) echo "panel equations control events app replay ui programs agent" ;;
        platform) echo "panel host equations control events app replay ui programs agent" ;;
        equations) echo "control events app replay ui programs agent" ;;
        control) echo "events app replay ui programs agent" ;;
        events) echo "app replay ui programs agent" ;;
        app) echo "replay ui programs agent" ;;
        replay) echo "ui programs agent" ;;
        ui/*) echo "replay programs agent $(ls -d ui/*/ | sed 's#/$##' | grep -vx "$1" | tr '\n' ' ')" ;;
        agent) echo "panel host equations control events app replay ui programs" ;;
        *) echo "" ;;
    esac
}

status=0
for folder in panel host platform equations control events app replay agent ui/*; do
    for forbidden in $(higher_than "$folder"); do
        if grep -rn --include='*.cpp' --include='*.hpp' "#include \"$forbidden/" "$folder"; then
            echo "$folder must not include $forbidden/" >&2
            status=1
        fi
    done
done
exit $status

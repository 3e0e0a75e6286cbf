#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every folder uses only the folders below it: platform (the operating system's calls and the
# ports), then panel and host (neither using the other), equations, control, the channels
# view's reduction and pixels (view), events, app, the fleet publisher, then the replay engine
# and the front ends (none of them using another), the programs.
# The e-mail agent is a program of its own that uses only platform/.
# Windows calls live in three folders only: platform/win32, the host's control (host/windaq)
# and the Windows window (ui/win32); everything else is plain standard C++.
set -euo pipefail
cd "$(dirname "$0")/../src"

higher_than() {
    case "$1" in
        panel) echo "host platform equations control view events app fleet replay ui programs agent" ;;
        host) echo "panel equations control view events app fleet replay ui programs agent" ;;
        platform) echo "panel host equations control view events app fleet replay ui programs agent" ;;
        equations) echo "control view events app fleet replay ui programs agent" ;;
        control) echo "view events app fleet replay ui programs agent" ;;
        view) echo "events app fleet replay ui programs agent" ;;
        events) echo "app fleet replay ui programs agent" ;;
        app) echo "fleet replay ui programs agent" ;;
        fleet) echo "replay ui programs agent" ;;
        replay) echo "fleet ui programs agent" ;;
        ui/*) echo "replay programs agent $(ls -d ui/*/ | sed 's#/$##' | grep -vx "$1" | tr '\n' ' ')" ;;
        agent) echo "panel host equations control view events app fleet replay ui programs" ;;
        *) echo "" ;;
    esac
}

status=0
for folder in panel host platform equations control view events app fleet replay agent ui/*; do
    for forbidden in $(higher_than "$folder"); do
        if grep -rn --include='*.cpp' --include='*.hpp' "#include \"$forbidden/" "$folder"; then
            echo "$folder must not include $forbidden/" >&2
            status=1
        fi
    done
done
windows_folders='^(platform/win32|host/windaq|ui/win32)/'
windows_headers='#include <(windows|winuser|wingdi|commctrl|mmsystem|objbase|oleauto|ole2|shellapi|shlobj)\.h>'
while IFS= read -r source; do
    if ! [[ "$source" =~ $windows_folders ]]; then
        echo "$source must not call Windows: only platform/win32, host/windaq and ui/win32 do" >&2
        status=1
    fi
done < <(grep -rlE --include='*.cpp' --include='*.hpp' "$windows_headers" . | sed 's#^\./##')
exit $status

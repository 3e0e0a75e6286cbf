#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every folder uses only the folders below it: utility (portable code) and the agent's contract,
# platform (the ports and the operating systems' code), then panel and host (neither using the
# other), equations, control, the channels view's reduction and pixels (view), events, app, the
# fleet publisher, then the replay engine and the front ends (none of them using another), the
# programs. Within host/, the hosts use only host/ itself and its line syntax, never one
# another. The e-mail agent is a program of its own that uses only utility/, platform/ and its
# contract. The build enforces the same through each layer's include root; this check names
# the offending line.
# Windows calls live in three folders only: platform/win32, the host's control (host/windaq)
# and the Windows window (ui/win32); everything else is plain standard C++.
set -euo pipefail
cd "$(dirname "$0")/../src"

all_layers="platform panel host equations control view events app fleet replay ui programs agent"

higher_than() {
    case "$1" in
        utility) echo "$all_layers" ;;
        agent/contract) echo "utility $all_layers" ;;
        host/syntax) echo "panel platform equations control view events app fleet replay ui programs agent host/sim host/modbus host/windaq" ;;
        host/sim) echo "panel equations control view events app fleet replay ui programs agent host/modbus host/windaq" ;;
        host/modbus) echo "panel equations control view events app fleet replay ui programs agent host/sim host/windaq" ;;
        host/windaq) echo "panel equations control view events app fleet replay ui programs agent host/sim host/modbus" ;;
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
        platform/*) echo "panel host equations control view events app fleet replay ui programs agent $(ls -d platform/*/ | sed 's#/$##' | grep -vx "$1" | tr '\n' ' ')" ;;
        *) echo "" ;;
    esac
}

status=0
for folder in utility agent/contract panel host/* host platform/* platform equations control view \
    events app fleet replay agent ui/*; do
    [ -d "$folder" ] || continue
    for forbidden in $(higher_than "$folder"); do
        # The agent's contract is below everything that launches the agent.
        if grep -rn --include='*.cpp' --include='*.hpp' "#include \"$forbidden/" "$folder" |
            grep -v '#include "agent/contract/'; then
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

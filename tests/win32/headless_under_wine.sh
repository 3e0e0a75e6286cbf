#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# quillon-headless.exe under Wine against a simulated instrument that exits after 2.5 s: the
# program must run, write outputs, end with status 0 and have saved its section through the
# system's profile functions in the prefix's Windows folder.
set -euo pipefail
program=$1
build_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/rig.scn" <<'SCENARIO'
channels 2
scan-rate 1000
identification "Wine rig"
channel 0 square low=0 high=5 period=1
channel 1 ramp from=0 to=10 period=5
output-log output.log
exit-at 2.5
SCENARIO

script_dir=$(cd "$(dirname "$0")" && pwd)
cd "$work"
status=0
QUILLON_WINE_BUILD_DIR="$build_dir" timeout 60 "$script_dir/../../tools/wine_run.sh" \
    "$program" --headless -dsim:rig.scn -nWineHeadless >out.txt 2>err.txt || status=$?
cat out.txt err.txt
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q 'host exited: stopping, saving the settings, ending' out.txt || fail "no host exit"
[ "$(grep -c . output.log)" -ge 2 ] || fail "fewer than two output writes in output.log"
settings="$build_dir/wine-prefix/drive_c/windows/NorvaneAlarm.ini"
tr -d '\r' <"$settings" | grep -qx '\[WineHeadless\]' || fail "no [WineHeadless] section in $settings"
tr -d '\r' <"$settings" | grep -qx 'MathExpression0=#0>3.3' || fail "equation 0 not saved"
echo "quillon-headless.exe ran, wrote $(grep -c . output.log) output words and saved its section"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# quillon-replay.exe under Wine against the demo scenario, beside the Linux quillon-replay: the
# summaries must be the same line for line (times, counts, e-mail texts), with the settings
# named by --settings and with the instance's section in the settings file where each platform
# keeps it, and the replay must leave that file as it was. The clock time in an e-mail is the
# only text allowed to differ: a scenario has no date, so the replay starts it at its own now.
# Skipped (77) when the Linux build has no quillon-replay.
set -euo pipefail
windows_replay=$1
linux_replay=$2
build_dir=$3
source_dir=$4
if [ ! -x "$linux_replay" ]; then
    echo "no Linux quillon-replay at $linux_replay: build the default preset first"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$source_dir/examples/demo.scn" demo.scn
# The outputs follow the sine, the audio alarm the ramp, the e-mail alarm the sine's tops.
settings_lines='MathExpression8=#1>5
S8=Set
MathExpression9=#0>4.5
S9=Set'
printf '[Quillon]\n%s\n' "$settings_lines" >named.ini
mkdir -p linux-config/quillon
printf '[WineReplay]\n%s\n' "$settings_lines" >linux-config/quillon/NorvaneAlarm.ini
windows_settings="$build_dir/wine-prefix/drive_c/windows/NorvaneAlarm.ini"
# The prefix's settings file is the other tests' too: it is given back as it was.
if [ -f "$windows_settings" ]; then
    cp "$windows_settings" "$work/settings-before"
fi
trap 'if [ -f "$work/settings-before" ]; then cp "$work/settings-before" "$windows_settings"; else rm -f "$windows_settings"; fi; rm -rf "$work"' EXIT
printf '[WineReplay]\r\n%s\r\n' "${settings_lines//$'\n'/$'\r\n'}" >"$windows_settings"
before=$(md5sum <"$windows_settings")

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
without_clock_times() {
    tr -d '\r' <"$1" | sed -E 's/^    [0-9]{2}:[0-9]{2}:[0-9]{2}$/    (clock time)/'
}

# name | arguments after the recording
cases=(
    "named-settings|--settings named.ini"
    "instance-settings|-nWineReplay"
)
for row in "${cases[@]}"; do
    name=${row%%|*}
    read -r -a arguments <<<"${row#*|}"
    XDG_CONFIG_HOME="$work/linux-config" "$linux_replay" demo.scn "${arguments[@]}" --to 60 \
        --out "linux-$name" >/dev/null || fail "$name: the Linux replay failed"
    QUILLON_WINE_BUILD_DIR="$build_dir" timeout 120 "$source_dir/tools/wine_run.sh" \
        "$windows_replay" demo.scn "${arguments[@]}" --to 60 --out "windows-$name" \
        >"windows-$name.txt" 2>&1 || {
        cat "windows-$name.txt"
        fail "$name: quillon-replay.exe failed"
    }
    for written in events.jsonl summary.txt plot.svg; do
        [ -s "windows-$name/$written" ] || fail "$name: quillon-replay.exe wrote no $written"
    done
    grep -q '^E-mails that would have been sent: [1-9]' "linux-$name/summary.txt" ||
        fail "$name: the scenario sends no e-mail: nothing to compare"
    if ! diff <(without_clock_times "linux-$name/summary.txt") \
        <(without_clock_times "windows-$name/summary.txt"); then
        fail "$name: the summaries differ (< Linux, > Windows)"
    fi
    echo "$name: the same summary on Linux and Windows"
done
[ "$(md5sum <"$windows_settings")" = "$before" ] || fail "the replay changed $windows_settings"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The MSI under Wine, as an IT department deploys it: a silent per-machine install puts the
# three programs in Program Files\Quillon (they run), the Start-menu shortcuts and one
# uninstall entry; installing it over an older version leaves one entry, of the new version;
# a silent uninstall removes the programs, the shortcuts and the entry. The user's settings
# file and event log are never touched. Skipped (77) when the build made no MSI (no wixl).
# Usage: msi_under_wine.sh QUILLON.msi STAGE_DIR BUILD_DIR SOURCE_DIR
set -euo pipefail
msi=$1
stage=$2
build_dir=$3
source_dir=$4
if [ ! -f "$msi" ]; then
    echo "no $msi: the build made no MSI (is wixl installed?)"
    exit 77
fi
export QUILLON_WINE_BUILD_DIR=$build_dir
wine=("$source_dir/tools/wine_run.sh")
drive_c=$build_dir/wine-prefix/drive_c
programs_dir="$drive_c/Program Files/Quillon"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
msiexec() {
    timeout 120 "${wine[@]}" msiexec "$@" /qn || fail "msiexec $* failed (status $?)"
}
uninstall_entries() {
    "${wine[@]}" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s \
        2>/dev/null | tr -d '\r' | grep -A20 -E '^ +DisplayName +REG_SZ +Quillon$' |
        grep -E '^ +DisplayVersion ' | awk '{print $3}' || true
}
# Wine's installer puts an all-users package's shortcuts in the user's Start menu; Windows puts
# them in the Start menu of all users. Either is where a user finds them.
shortcuts() {
    find "$drive_c" -path '*/Start Menu/Programs/Quillon/*.lnk' -printf '%f\n' | sort |
        tr '\n' ';'
}
version=$(msiinfo export "$msi" Property | tr -d '\r' | awk '$1 == "ProductVersion" {print $2}')

# What belongs to the user: the settings file and an event log.
settings="$drive_c/windows/NorvaneAlarm.ini"
# The prefix's settings file is the other tests' too: it is given back as it was.
if [ -f "$settings" ]; then
    cp "$settings" "$work/settings-before"
fi
trap 'if [ -f "$work/settings-before" ]; then cp "$work/settings-before" "$settings"; fi; rm -rf "$work"' EXIT
events_dir="$drive_c/users/$(whoami)/AppData/Local/Quillon/events"
mkdir -p "$events_dir"
printf '[Lab]\r\nMathExpression0=#0>1\r\n' >"$settings"
printf '{"event":"run start"}\n' >"$events_dir/Lab.jsonl"
users_files() { md5sum "$settings" "$events_dir/Lab.jsonl"; }
before=$(users_files)

# An older package of the same product, built from the same files.
cp -r "$stage" "$work/old"
(cd "$work/old" && wixl --arch x86 --define Version=0.0.1 --output old.msi quillon.wxs)
"${wine[@]}" msiexec /x "$msi" /qn >/dev/null 2>&1 || true # a leftover of an earlier run
msiexec /i "$work/old/old.msi"
[ "$(uninstall_entries)" = "0.0.1" ] || fail "the older package made the entries: $(uninstall_entries)"

msiexec /i "$msi"
[ "$(uninstall_entries)" = "$version" ] ||
    fail "after the upgrade the entries are \"$(uninstall_entries)\", not one of $version"
for program in quillon.exe quillon-headless.exe quillon-replay.exe README.md LICENSE; do
    [ -f "$programs_dir/$program" ] || fail "$program is not in $programs_dir"
done
for program in quillon-headless quillon-replay; do
    said=$(timeout 60 "${wine[@]}" "$programs_dir/$program.exe" --version | tr -d '\r')
    [ "$said" = "$program $version" ] || fail "$program.exe --version said \"$said\""
done
[ "$(shortcuts)" = "Quillon README.lnk;Quillon.lnk;" ] || fail "the shortcuts are: $(shortcuts)"
[ "$(users_files)" = "$before" ] || fail "installing changed the user's files"

msiexec /x "$msi"
[ ! -e "$programs_dir" ] || fail "$programs_dir is still there: $(ls "$programs_dir")"
[ -z "$(shortcuts)" ] || fail "shortcuts left: $(shortcuts)"
[ -z "$(uninstall_entries)" ] || fail "an uninstall entry is left: $(uninstall_entries)"
[ "$(users_files)" = "$before" ] || fail "uninstalling changed the user's settings or event log"
rm -f "$settings" "$events_dir/Lab.jsonl"
echo "$(basename "$msi") ($(stat -c %s "$msi") bytes): installed over 0.0.1, ran, removed"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package from the default build, checks it with lintian and against the
# expected file list, unpacks it into a throw-away root, runs the programs from there, and
# verifies the user service with the paths it is installed at.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/default

rm -f "$build"/quillon_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/quillon_*_*.deb)
echo "package: $package"

# lintian warns when run as root; errors fail the check.
lintian --fail-on error "$package" 2>&1 | grep -v "running with root privileges" || true
lintian --fail-on error "$package" >/dev/null 2>&1

if ! diff -u packaging/expected-contents.txt \
    <(dpkg-deb --contents "$package" | sed 's/.* \.\//.\//' | grep -v '/$' | sort); then
    echo "The package's files differ from packaging/expected-contents.txt" >&2
    exit 1
fi

root=$(mktemp -d)
settings=$(mktemp -d)
trap 'rm -rf "$root" "$settings"' EXIT
dpkg-deb -x "$package" "$root"
version=$(sed -n 's/^project(Quillon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$("$root/usr/bin/quillon-headless" --version)" = "quillon-headless $version" ]
[ "$("$root/usr/bin/quillon" --version)" = "quillon $version" ]
[ "$("$root/usr/bin/pellomar" --version)" = "pellomar $version" ]
[ "$("$root/usr/bin/quillon-replay" --version)" = "quillon-replay $version" ]
[ "$("$root/usr/bin/quillon-fleet" --version)" = "quillon-fleet $version" ]
# A few seconds of the demo from the installed program: it runs, then stops cleanly on
# SIGTERM and saves its settings.
status=0
QUILLON_CONFIG_DIR="$settings" XDG_STATE_HOME="$settings/state" timeout -s TERM 3 "$root/usr/bin/quillon-headless" \
    -dsim -nPackageCheck >"$settings/out.txt" 2>&1 || status=$?
grep -q " running$" "$settings/out.txt"
grep -q "^\[PackageCheck\]" "$settings/NorvaneAlarm.ini"
grep -q '"event":"run_start"' "$settings/state/quillon/events/PackageCheck.jsonl"
[ "$status" -eq 124 ]  # timeout's own status after the program ended on its signal

# systemd checks the unit as a system unit of the unpacked root, with the targets it needs.
mkdir -p "$root/etc/systemd/system" "$root/usr/lib/systemd/system"
cp "$root/usr/lib/systemd/user/quillon-headless@.service" "$root/etc/systemd/system/"
cp /usr/lib/systemd/system/*.target "$root/usr/lib/systemd/system/"
systemd-analyze verify "--man=no" --root="$root" quillon-headless@Lab1.service
echo "package checked"

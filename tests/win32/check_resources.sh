#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Each program carries the icon (16, 32, 48 and 256 px) and a version resource that says the
# package's version, read back with wrestool and icotool (icoutils).
# Usage: check_resources.sh VERSION PROGRAM.exe...
set -euo pipefail
version=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
for program in "$@"; do
    name=$(basename "$program")
    wrestool --extract --type=14 --output="$work/$name.ico" "$program" ||
        fail "$name has no icon"
    sizes=$(icotool --list "$work/$name.ico" | sed -E 's/.*--width=([0-9]+).*/\1/' | sort -n |
        tr '\n' ' ')
    [ "$sizes" = "16 32 48 256 " ] || fail "$name's icon has the sizes $sizes, not 16 32 48 256"
    # The version block holds its texts in UTF-16.
    texts=$(wrestool --extract --type=16 --raw "$program" | iconv -f UTF-16LE -t UTF-8 -c |
        tr -c '[:print:]' '\n' | grep -v '^$')
    for key in FileVersion ProductVersion; do
        value=$(grep -A1 -x "$key" <<<"$texts" | tail -n 1)
        [ "$value" = "$version" ] || fail "$name's $key is \"$value\", not $version"
    done
    echo "$name: icon $sizes, version $version"
done

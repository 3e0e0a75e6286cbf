#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every program that tools/test.sh (and the checks it runs) runs must come from a package that
# tools/setup.sh installs
# or that every Debian system has (Essential), so that the test command works on a fresh system.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"

if ! command -v dpkg >/dev/null; then
    echo "no dpkg: nothing to check against"
    exit 77
fi

# The package list of setup.sh: the words between "packages=(" and ")".
installed=" $(sed -n '/^packages=(/,/^)/p' "$root/tools/setup.sh" | sed '1d;$d' | tr -s ' \n' ' ') "

# Words of the script outside comments and quotes that name a program on this system, with the
# paths a package may list it under (merged /usr: /bin as well as /usr/bin).
declare -A path_of
candidates=()
for word in $(cat "$root/tools/test.sh" "$root/tools/check_layers.sh" "$root/tools/check_package.sh" "$root/tools/check_run.sh" "$root/tools/check_tidy.sh" | grep -v '^\s*#' | sed "s/'[^']*'//g; s/\"[^\"]*\"//g" | grep -o '[A-Za-z][A-Za-z0-9+_.-]*' | sort -u); do
    # The layer check names the source folders (src/view, ...), not programs.
    [ ! -d "$root/src/$word" ] || continue
    path="$(command -v "$word" 2>/dev/null || true)"
    [[ "$path" == /* ]] || continue
    path_of[$word]="$path"
    candidates+=("$path" "$(readlink -f "$path")" "${path#/usr}")
done

# One dpkg search for every path: each search reads the whole package database.
declare -A package_of
while IFS= read -r line; do
    [[ "$line" == *": /"* ]] || continue
    packages="${line%%: /*}"
    file="/${line#*: /}"
    first="${packages%%,*}"
    [ -n "${package_of[$file]:-}" ] || package_of[$file]="${first%%:*}"
done < <(dpkg -S "${candidates[@]}" 2>/dev/null || true)

declare -A essential_of
while read -r package essential; do
    essential_of[$package]="$essential"
done < <(dpkg-query -W -f='${Package} ${Essential}\n' "${package_of[@]}" 2>/dev/null || true)

missing=0
for word in $(printf '%s\n' "${!path_of[@]}" | sort); do
    path="${path_of[$word]}"
    package=""
    for candidate in "$path" "$(readlink -f "$path")" "${path#/usr}"; do
        package="${package_of[$candidate]:-}"
        [ -z "$package" ] || break
    done
    if [ -z "$package" ]; then
        echo "test.sh runs $word ($path), which no package provides"
        missing=1
        continue
    fi
    if [[ "$installed" != *" $package "* && "${essential_of[$package]:-}" != yes ]]; then
        echo "test.sh runs $word, from package $package, which setup.sh does not install"
        missing=1
    fi
done
exit "$missing"

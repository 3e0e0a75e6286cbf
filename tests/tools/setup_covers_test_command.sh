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

missing=0
# Words of the script outside comments and quotes that name a program on this system.
for word in $(cat "$root/tools/test.sh" "$root/tools/check_layers.sh" "$root/tools/check_package.sh" "$root/tools/check_run.sh" "$root/tools/check_tidy.sh" | grep -v '^\s*#' | sed "s/'[^']*'//g; s/\"[^\"]*\"//g" | grep -o '[A-Za-z][A-Za-z0-9+_.-]*' | sort -u); do
    # The layer check names the source folders (src/view, ...), not programs.
    [ ! -d "$root/src/$word" ] || continue
    path="$(command -v "$word" 2>/dev/null || true)"
    [[ "$path" == /* ]] || continue
    package=""
    # Merged /usr: the package may list the program under /bin.
    for candidate in "$path" "$(readlink -f "$path")" "${path#/usr}"; do
        package="$(dpkg -S "$candidate" 2>/dev/null | head -n 1 | cut -d: -f1 || true)"
        [ -z "$package" ] || break
    done
    if [ -z "$package" ]; then
        echo "test.sh runs $word ($path), which no package provides"
        missing=1
        continue
    fi
    essential="$(dpkg-query -W -f='${Essential}' "$package" 2>/dev/null || true)"
    if [[ "$installed" != *" $package "* && "$essential" != yes ]]; then
        echo "test.sh runs $word, from package $package, which setup.sh does not install"
        missing=1
    fi
done
exit "$missing"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs clang-tidy, with the checks that .clang-tidy lists, on the .cpp files that changed
# between a base commit and HEAD. The base is $QUILLON_TIDY_BASE when set, else HEAD~1 (the
# last commit's changes); a clone with a single commit (or a shallow one) has no HEAD~1, and
# then there is nothing to compare and nothing is checked. Only files that the default build
# compiles are checked (Windows-only files are not in its compile_commands.json), so the
# default build must be configured first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
database=build/default/compile_commands.json

if [ ! -f "$database" ]; then
    echo "No $database: configure the default build first (cmake --preset default)." >&2
    exit 1
fi

base="${QUILLON_TIDY_BASE:-HEAD~1}"
if ! git rev-parse --verify --quiet "$base^{commit}" >/dev/null; then
    if [ -n "${QUILLON_TIDY_BASE:-}" ]; then
        echo "QUILLON_TIDY_BASE=$QUILLON_TIDY_BASE names no commit." >&2
        exit 1
    fi
    echo "No commit before HEAD: no changed files to check."
    exit 0
fi

# The changed .cpp files that are still there and that the default build compiles, each as
# an exact path for run-clang-tidy (which takes patterns, and every file when given none).
patterns=()
while IFS= read -r changed; do
    if grep -qF '"file": "'"$root/$changed"'"' "$database"; then
        patterns+=("^$(sed 's/[.+]/\\&/g' <<<"$root/$changed")\$")
    fi
done < <(git diff --name-only --diff-filter=d "$base" "HEAD" -- '*.cpp')

if ((${#patterns[@]} == 0)); then
    echo "No .cpp file of the default build changed since $base."
    exit 0
fi
echo "clang-tidy on ${#patterns[@]} .cpp files changed since $base"
# GCC-only warning options in the build's commands are not clang-tidy's to judge.
run-clang-tidy -quiet -j 2 -p build/default -extra-arg=-Wno-unknown-warning-option \
    "${patterns[@]}"

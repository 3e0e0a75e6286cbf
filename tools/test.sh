#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and passes the whole test suite: the formatting check, every test in the
# default build (the window offscreen), then the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/setup.sh

echo "== Formatting"
git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run --Werror

echo "== Default build"
cmake --preset default >/dev/null
cmake --build --preset default
QT_QPA_PLATFORM=offscreen ctest --preset default

echo "== Sanitizer build"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize

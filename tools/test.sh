#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and passes the whole test suite: the formatting check, every test in the
# default build (the window offscreen), then the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then fuzzes the evaluator for a bounded time.
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

echo "== Evaluator fuzzing"
cmake -S fuzz -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j2
mkdir -p build/fuzz/corpus
# New inputs go to build/fuzz/corpus; fuzz/corpus keeps only the seeds.
if ! build/fuzz/evaluator_fuzzer -max_total_time=30 -dict=fuzz/evaluator.dict \
    -artifact_prefix=build/fuzz/ build/fuzz/corpus fuzz/corpus >build/fuzz/fuzz.log 2>&1; then
    tail -n 40 build/fuzz/fuzz.log
    exit 1
fi
tail -n 1 build/fuzz/fuzz.log

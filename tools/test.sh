#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and passes the whole test suite: the formatting and layering checks, every
# test in the default build (the window offscreen), clang-tidy on the changed files, a check
# that no test name prints bytes, tools/run.sh as a user runs it (with and without a display),
# the Debian package (lintian, contents, the installed programs, the user service), then the
# core tests again under AddressSanitizer and UndefinedBehaviorSanitizer, the threaded and multi-process parts' tests
# under ThreadSanitizer, the Windows build (MinGW-w64) with its tests under Wine (among them its
# MSI installer's) and its ZIP package, a check that every path and program the README and
# docs/ name exists, then fuzzes the evaluator and the compiled equations for a bounded time
# each. The default, sanitizer and Windows builds treat warnings in Quillon's code as errors.
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/setup.sh

echo "== Formatting"
git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run --Werror

echo "== Layers"
./tools/check_layers.sh

echo "== Default build"
cmake --preset default >/dev/null
cmake --build --preset default
QT_QPA_PLATFORM=offscreen ctest --preset default -j2

echo "== clang-tidy on the changed files"
# Since HEAD~1, or since the commit QUILLON_TIDY_BASE names.
./tools/check_tidy.sh

echo "== Test names"
# ctest -R selects tests by name, so a name must say its case (or its suite) and stay the same
# from build to build: a printed case struct ("16-byte object <...>") or an address does
# neither.
test_names=$(ctest --preset default -N)
if grep -E -- '-byte object|0x[0-9a-fA-F]{6,}' <<<"$test_names"; then
    echo "The test names above print their case's bytes: give the suite a name generator." >&2
    exit 1
fi

echo "== tools/run.sh, without and with a display"
./tools/check_run.sh

echo "== Debian package"
./tools/check_package.sh

echo "== Sanitizer build"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize -j2

echo "== ThreadSanitizer"
# The parts that run beside each other: the Modbus poller thread and the core, the console's
# queue, the e-mail agents and their deliverer, the timer loop. The preset builds only their
# test programs (and the programs those start) and runs only their tests.
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan -j2

echo "== Windows build, tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows
(cd build/windows && cpack >/dev/null)
windows_zip=$(ls build/windows/package/quillon-*-win32.zip)
zip_listing=$(cmake -E tar tf "$windows_zip")
for packed in quillon.exe quillon-headless.exe quillon-replay.exe README.md LICENSE; do
    if ! grep -q "/$packed\$" <<<"$zip_listing"; then
        echo "$windows_zip lacks $packed" >&2
        exit 1
    fi
done
echo "$windows_zip"

echo "== Windows installer"
# Built with the Windows build and installed, upgraded and removed under Wine by its test
# (MsiUnderWine) above: here it must exist.
windows_msi=build/windows/package/quillon-$(sed -nE 's/^project\(Quillon VERSION ([0-9.]+).*/\1/p' CMakeLists.txt).msi
if [ ! -f "$windows_msi" ]; then
    echo "The Windows build made no $windows_msi (is wixl installed?)" >&2
    exit 1
fi
echo "$windows_msi: $(stat -c %s "$windows_msi") bytes"

echo "== Paths and programs the README and docs/ name"
./tools/check_docs.py

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
echo "== Compiled-equation fuzzing"
mkdir -p build/fuzz/compiled_corpus
# The compiled path against the written one; fuzz/compiled_corpus keeps only the seeds.
if ! build/fuzz/compiled_equation_fuzzer -max_total_time=30 -dict=fuzz/compiled_equation.dict \
    -artifact_prefix=build/fuzz/compiled- build/fuzz/compiled_corpus fuzz/compiled_corpus \
    >build/fuzz/compiled_fuzz.log 2>&1; then
    tail -n 40 build/fuzz/compiled_fuzz.log
    exit 1
fi
tail -n 1 build/fuzz/compiled_fuzz.log

#!/usr/bin/env bash
# Installs what is missing, builds the test build with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test: unit, widget and end-to-end. Ends with
# ctest's summary; exits non-zero when anything fails.
#
#   scripts/test.sh              the sanitizer build, in build/test
#   scripts/test.sh --release    the same tests on an optimised Release build, in build/release-tests
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
if [[ "${1:-}" == "--release" ]]; then
    build=build/release-tests
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORV_BUILD_TESTS=ON \
        -DMORV_WERROR=ON
else
    build=build/test
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORV_SANITIZE=ON -DMORV_WERROR=ON
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
cmake --build "$build"
cd "$build"
ctest --output-on-failure -j2

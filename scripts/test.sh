#!/usr/bin/env bash
# Installs what is missing, builds the test build with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test: unit, widget and end-to-end. Ends with
# ctest's summary; exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORV_SANITIZE=ON -DMORV_WERROR=ON
cmake --build build/test
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build/test
ctest --output-on-failure -j2

#!/usr/bin/env bash
# The crash tests of the batch journal on a large batch (ctest runs them on 1,000 files): a child
# process runs a batch of swaps, rounds of three, chains and plain renames (and a copy with an
# 8 MB file) and kills itself with SIGKILL at a step chosen by fixed seeds; then the batch is
# turned back or finished, and every file's bytes must be under exactly one name, all old or all
# new, with no temporary name left.
# Usage: run-crash.sh [FILES] (default 50000), with BUILD naming a build folder that has the tests
# (default build/test).
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${BUILD:-build/test}"
cmake --build "$build" --target renamer_core_tests >/dev/null
TRELO_CRASH_FILES="${1:-50000}" exec "$build/bin/renamer_core_tests" \
    --gtest_filter='TreloRecovery.KillAtAnyStepThenTurnBackOrFinish'

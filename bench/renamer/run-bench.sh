#!/usr/bin/env bash
# Builds the renamer's benchmark optimised and runs it once in the given folder (default: the
# work tree, so the renames hit a real disk rather than a memory file system).
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORV_BUILD_BENCH=ON \
    -DMORV_BUILD_TESTS=OFF >/dev/null
cmake --build build/bench --target renamer_bench >/dev/null
exec build/bench/bin/renamer_bench "${1:-$PWD}"

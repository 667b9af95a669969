#!/usr/bin/env bash
# Installs the corpus (if needed), builds morv-cli and the benchmark in release mode, and prints
# the figures of one run.
set -euo pipefail
cd "$(dirname "$0")/../.."
mapfile -t folders < <(bench/extract/install-corpus.sh)
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORV_BUILD_BENCH=ON \
    -DMORV_BUILD_TESTS=OFF >/dev/null
cmake --build build/bench --target morv-cli extract_bench
"$PWD/build/bench/bin/extract_bench" "$PWD/build/bench/bin/morv-cli" "${folders[@]}"

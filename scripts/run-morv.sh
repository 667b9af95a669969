#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts morv with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORV_BUILD_TESTS=OFF
cmake --build build/release
exec build/release/bin/morv "$@"

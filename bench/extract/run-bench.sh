#!/usr/bin/env bash
# Installs the corpus (if needed), builds morv-cli and the benchmark in release mode, and prints
# the figures of one run.
set -euo pipefail
cd "$(dirname "$0")/../.."
mapfile -t folders < <(bench/extract/install-corpus.sh)
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORV_BUILD_BENCH=ON \
    -DMORV_BUILD_TESTS=OFF >/dev/null
cmake --build build/bench --target morv-cli trelo-cli extract_bench
"$PWD/build/bench/bin/extract_bench" "$PWD/build/bench/bin/morv-cli" "${folders[@]}"

# The same report from an independent extractor written in Python: byte for byte the same.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for folder in "${folders[@]}"; do build/bench/bin/morv-cli scan "$folder"; done |
    python3 -c 'import sys; sys.stdout.buffer.write(b"".join(l.rstrip(b"\n") + b"\r\n" for l in sys.stdin.buffer))' \
        >"$work/list.mrk"
build/bench/bin/morv-cli extract --list "$work/list.mrk" -o "$work/report.txt"
start=$(date +%s.%N)
python3 bench/extract/reference_report.py "$work/list.mrk" >"$work/reference.txt"
seconds=$(echo "$(date +%s.%N) - $start" | bc)
build/bench/bin/morv-cli extract --no-relative --list "$work/list.mrk" -o "$work/report2.txt"
python3 bench/extract/reference_report.py "$work/list.mrk" --no-relative >"$work/reference2.txt"
if cmp -s "$work/report.txt" "$work/reference.txt" && cmp -s "$work/report2.txt" "$work/reference2.txt"; then
    echo "reports (with and without --no-relative) identical to the Python reference extractor,"
    echo "which took ${seconds} s for the first"
else
    echo "REPORT DIFFERS from the Python reference extractor"
    exit 1
fi

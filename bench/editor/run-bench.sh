#!/usr/bin/env bash
# The editor on large reports, under a virtual X server with a window manager, in release builds:
#  - opening reports of about 17, 50 and 68 MB made by morv-cli extract from the corpus of the
#    extraction benchmark, side by side with geany (open_bench.py);
#  - on the 50 MB report, through the real main window: the whole-document commands and their
#    undo, typing at the end, Page Down, a Find to the middle, and the memory (editor_bench).
# With an older source tree (e.g. an export of main) the same figures are taken for its morv in
# the same run, for a before and after.
#
# Usage: bench/editor/run-bench.sh [OLDER_TREE]      (ROUNDS=n for other than 5 rounds)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
source tests/e2e/x_session.bash
e2e_require Xvfb openbox xdotool geany python3
rounds=${ROUNDS:-5}

mapfile -t folders < <(bench/extract/install-corpus.sh)
build() {
    cmake -S "$1" -B "$1/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORV_BUILD_BENCH=ON \
        -DMORV_BUILD_TESTS=OFF >/dev/null
    cmake --build "$1/build/bench" --target morv morv-cli editor_bench >/dev/null
}
build "$root"
older=""
if [[ $# -ge 1 ]]; then
    older=$(cd "$1" && pwd)
    # The benchmark's source builds against the older main window too.
    if [[ ! -f "$older/bench/editor/editor_bench.cpp" ]]; then
        mkdir -p "$older/bench/editor"
        cp bench/editor/editor_bench.cpp bench/editor/CMakeLists.txt "$older/bench/editor/"
    fi
    grep -q 'bench/editor' "$older/CMakeLists.txt" ||
        printf '\nif(MORV_BUILD_BENCH)\n    add_subdirectory(bench/editor)\nendif()\n' >>"$older/CMakeLists.txt"
    build "$older"
fi

work=$(mktemp -d)
cleanup() {
    e2e_stop_x
    rm -rf "$work"
}
trap cleanup EXIT

# The reports: the corpus once (about 17 MB), and repeated to about 50 and 68 MB. Each repetition
# spells the paths differently ("/usr/./share/...") so that every file header occurs once.
cli=build/bench/bin/morv-cli
for folder in "${folders[@]}"; do "$cli" scan "$folder"; done >"$work/pages"
sed 's/$/\r/' "$work/pages" >"$work/list-17"
"$cli" extract --list "$work/list-17" -o "$work/report-17.txt"
for target in 50 68; do
    python3 - "$work/pages" "$(stat -c %s "$work/report-17.txt")" "$target" >"$work/list-$target" <<'PY'
import sys
pages = open(sys.argv[1]).read().split("\n")[:-1]
count = round(len(pages) * int(sys.argv[3]) * 10**6 / int(sys.argv[2]))
for i in range(count):
    path = pages[i % len(pages)]
    cut = path.index("/", 1) + 1  # after the first folder
    print(path[:cut] + "./" * (i // len(pages)) + path[cut:] + "\r")
PY
    "$cli" extract --list "$work/list-$target" -o "$work/report-$target.txt"
done
ls -l "$work"/report-*.txt

# Private copies of the programs, so that their settings files land in the scratch folder.
mkdir -p "$work/new" "$work/geany"
cp build/bench/bin/morv "$work/new/morv"
programs=(--program "morv=$work/new/morv")
benches=("new=build/bench/bin/editor_bench")
if [[ -n "$older" ]]; then
    mkdir -p "$work/old"
    cp "$older/build/bench/bin/morv" "$work/old/morv"
    programs+=(--program "morv-before=$work/old/morv")
    benches+=("before=$older/build/bench/bin/editor_bench")
fi
programs+=(--program "geany=geany -c $work/geany -i -m -n -p -s")

e2e_start_x "$work"
echo
python3 bench/editor/open_bench.py --rounds "$rounds" "${programs[@]}" \
    "$work/report-17.txt" "$work/report-50.txt" "$work/report-68.txt"

# The commands on the 50 MB report, the builds taking turns; medians of three rounds. Then the
# key presses alone, ten times as many, in more rounds (they are short).
echo
for round in 1 2 3; do
    for bench in "${benches[@]}"; do
        "${bench#*=}" "$work/report-50.txt" .html .htm 2>/dev/null | sed "s/^/${bench%%=*} /"
    done
done >"$work/commands"
for round in $(seq "$rounds"); do
    for bench in "${benches[@]}"; do
        "${bench#*=}" "$work/report-50.txt" .html .htm --keys 2>/dev/null |
            grep -E '^(type|page)_' | sed "s/^/${bench%%=*} /"
    done
done >>"$work/commands"
python3 - "$work/commands" "$(stat -c %s "$work/report-50.txt")" <<'PY'
import collections, statistics, sys
values = collections.defaultdict(list)
for line in open(sys.argv[1]):
    build, name, value = line.split()[:3]
    try:
        values[(name, build)].append(float(value))
    except ValueError:
        pass
size_mb = int(sys.argv[2]) / 1e6
builds = sorted({b for _, b in values}, key=lambda b: b != "new")
names = list(dict.fromkeys(n for n, _ in values))
print(f"50 MB report ({size_mb:.1f} MB) through the main window, medians:")
print(f"  {'':32}" + "".join(f"{b:>12}" for b in builds))
for name in names:
    row = [statistics.median(values[(name, b)]) if values[(name, b)] else float("nan")
           for b in builds]
    unit = "MB" if name.startswith("rss") else ("" if name.startswith(("find_found", "messages")) else "s")
    print(f"  {name:32}" + "".join(f"{v:>10.3f}{unit:>2}" for v in row))
for b in builds:
    idle = statistics.median(values[("rss_idle_mb", b)])
    opened = statistics.median(values[("rss_open_mb", b)])
    edited = statistics.median(values[("rss_edit_undo_mb", b)])
    print(f"  {b}: memory for the document {(opened - idle) / size_mb:.2f} x the file after "
          f"opening, {(edited - idle) / size_mb:.2f} x after an edit and its undo")
PY

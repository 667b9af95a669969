#!/usr/bin/env bash
# Starts the real morv in a virtual X server with a window manager, with a file whose path has a
# blank on its command line (unquoted: the whole argument text is one path), waits for its window,
# checks the caption, takes a screenshot, closes it as a user would and checks that it wrote its
# settings. Usage: morv_start.sh PATH_TO_MORV SCREENSHOT_FOLDER
set -euo pipefail
morv=$1
shots=${2:-.}
for tool in Xvfb openbox xdotool import; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# A private copy of the program, so its settings file lands in the scratch folder.
mkdir -p "$work/bin" "$work/My Site"
cp "$morv" "$work/bin/morv"
printf '<html>\r\n<a href="index.htm">home</a>\r\n</html>\r\n' > "$work/My Site/a b.htm"

Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

cd "$work"
"$work/bin/morv" My Site/a b.htm >"$work/morv.log" 2>&1 &
morv_pid=$!
pids+=($morv_pid)

window=$(timeout 20 xdotool search --sync --name '^a b\.htm - Morvane$' | head -1) || {
    echo "FAIL: no window with the caption 'a b.htm - Morvane'"
    cat "$work/morv.log"
    exit 1
}
sleep 1
import -window root "$shots/morv_start.png"
echo "caption ok, screenshot in $shots/morv_start.png"

# Looked up again: the id found first may belong to a native window Qt has replaced since.
window=$(timeout 10 xdotool search --sync --name '^a b\.htm - Morvane$' | tail -1) || {
    echo "FAIL: the window is gone"
    exit 1
}
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
xdotool key --clearmodifiers alt+F4
for _ in $(seq 100); do
    kill -0 "$morv_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$morv_pid" 2>/dev/null; then
    echo "FAIL: morv did not close"
    exit 1
fi
grep -q '^Version=1.0' "$work/bin/morv.ini" || { echo "FAIL: morv.ini not written"; exit 1; }
echo "PASS: morv started with the file, showed it and closed cleanly"

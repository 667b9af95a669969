#!/usr/bin/env bash
# Starts the real morv in a virtual X server with a window manager, with a file whose path has a
# blank on its command line (unquoted: the whole argument text is one path), waits for its window,
# checks the caption, takes a screenshot, closes it as a user would and checks that it wrote its
# settings. Usage: morv_start.sh PATH_TO_MORV SCREENSHOT_FOLDER
set -euo pipefail
source "$(dirname "$0")/x_session.bash"
morv=$1
shots=${2:-.}
e2e_require Xvfb openbox xdotool import

work=$(mktemp -d)
cleanup() {
    e2e_stop_x
    rm -rf "$work"
}
trap cleanup EXIT

# A private copy of the program, so its settings file lands in the scratch folder.
mkdir -p "$work/bin" "$work/My Site"
cp "$morv" "$work/bin/morv"
printf '<html>\r\n<a href="index.htm">home</a>\r\n</html>\r\n' > "$work/My Site/a b.htm"

e2e_start_x "$work"

cd "$work"
"$work/bin/morv" My Site/a b.htm >"$work/morv.log" 2>&1 &
morv_pid=$!
e2e_pids+=($morv_pid)

window=$(timeout 20 xdotool search --sync --name '^a b\.htm - Morvane$' | head -1) || {
    echo "FAIL: no window with the caption 'a b.htm - Morvane'"
    cat "$work/morv.log"
    exit 1
}
sleep 1
import -window root "$shots/morv_start.png"
echo "caption ok, screenshot in $shots/morv_start.png"

e2e_close_window '^a b\.htm - Morvane$' "$morv_pid" || {
    echo "FAIL: morv did not close"
    exit 1
}
grep -q '^Version=1.0' "$work/bin/morv.ini" || { echo "FAIL: morv.ini not written"; exit 1; }
echo "PASS: morv started with the file, showed it and closed cleanly"

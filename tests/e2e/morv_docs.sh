#!/usr/bin/env bash
# The document and help commands of the real morv in a virtual X server, as a user would use
# them: open a file given on the command line, type at its end, save with Ctrl+S (checking the
# bytes on disk), open the help with F1, open the about box through the keyboard-driven menu bar,
# and close everything. Screenshots of each step land in SCREENSHOT_FOLDER.
# Usage: morv_docs.sh PATH_TO_MORV_BIN_FOLDER SCREENSHOT_FOLDER
set -euo pipefail
source "$(dirname "$0")/x_session.bash"
bin=$1
shots=${2:-.}
e2e_require Xvfb openbox xdotool import

work=$(mktemp -d)
cleanup() {
    e2e_stop_x
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    import -window root "$shots/morv_docs_failure.png" 2>/dev/null || true
    cat "$work/morv.log" 2>/dev/null || true
    exit 1
}

# A private copy of the program with its help collection and licence.
mkdir -p "$work/bin"
cp "$bin/morv" "$work/bin/morv"
cp "$bin/morv.qhc" "$bin/morv.qch" "$bin/License.txt" "$work/bin/"
printf 'first\r\nsecond\r\n' > "$work/my doc.txt"

e2e_start_x "$work"

cd "$work"
"$work/bin/morv" "$work/my doc.txt" >"$work/morv.log" 2>&1 &
morv_pid=$!
e2e_pids+=($morv_pid)

window=$(timeout 20 xdotool search --sync --name '^my doc\.txt - Morvane$' | head -1) ||
    fail "no window with the caption 'my doc.txt - Morvane'"
sleep 1
e2e_focus "$window" || fail "the main window did not take the focus"

# Type at the end and save.
xdotool key --clearmodifiers ctrl+End
xdotool type --delay 30 "third"
xdotool key --clearmodifiers ctrl+s
expected=$(printf 'first\r\nsecond\r\nthird' | od -An -tx1)
for _ in $(seq 50); do
    [[ "$(od -An -tx1 "$work/my doc.txt")" == "$expected" ]] && break
    sleep 0.1
done
[[ "$(od -An -tx1 "$work/my doc.txt")" == "$expected" ]] ||
    fail "the saved bytes are not 'first CR LF second CR LF third'"
import -window root "$shots/morv_docs_saved.png"
echo "saved with CR LF breaks"

# F1: the help window at its contents page.
xdotool key --clearmodifiers F1
help=$(timeout 10 xdotool search --sync --name '^Contents - Morvane Help$' | head -1) ||
    fail "F1 showed no help window"
sleep 0.5
import -window root "$shots/morv_docs_help.png"
echo "help window open"
e2e_focus "$help" || fail "the help window did not take the focus"
xdotool key --clearmodifiers Escape
for _ in $(seq 50); do
    xdotool search --name '^Contents - Morvane Help$' >/dev/null 2>&1 || break
    sleep 0.1
done

# Help > About Morvane through the menu bar: Alt, Left to the last menu, Up to its last item.
e2e_focus "$window" || fail "the main window did not take the focus"
xdotool key --clearmodifiers alt
sleep 0.3
xdotool key Left Down Up Return
about=$(timeout 10 xdotool search --sync --name '^About$' | head -1) ||
    fail "the about box did not open"
sleep 0.5
import -window root "$shots/morv_docs_about.png"
echo "about box open"
e2e_focus "$about" || fail "the about box did not take the focus"
xdotool key --clearmodifiers Return
sleep 0.5

# Saved, so closing asks nothing.
e2e_close_window '^my doc\.txt - Morvane$' "$morv_pid" || fail "morv did not close"
echo "PASS: opened, edited, saved, showed help and about box, closed cleanly"

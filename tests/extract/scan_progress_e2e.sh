#!/usr/bin/env bash
# Runs scan_progress_e2e.py against the real morv (a test build, which can hold a long operation
# at a chosen step) in a session of its own (a11y_session.sh).
# Usage: scan_progress_e2e.sh PATH_TO_MORV SHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
e2e="$here/../e2e"
morv=$1
shots=${2:-.}
source "$e2e/x_session.bash"
e2e_require xdotool

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cp "$morv" "$work/bin/morv"
for part in 1 2 3; do
    mkdir -p "$work/site/part$part"
    for page in $(seq 20); do printf '<p>%s</p>\r\n' "$page" >"$work/site/part$part/p$page.htm"; done
done

"$e2e/a11y_session.sh" 120 "$here/scan_progress_e2e.py" "$work/bin/morv" "$work/site" "$shots"

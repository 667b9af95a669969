#!/usr/bin/env bash
# Runs morv_a11y.py against the real morv in a session of its own (a11y_session.sh).
# Usage: morv_a11y.sh PATH_TO_MORV SHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
e2e="$here"
morv=$1
shots=${2:-.}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cp "$morv" "$work/bin/morv"
printf '<p>a page</p>\r\n' > "$work/page.htm"

"$e2e/a11y_session.sh" 120 "$here/morv_a11y.py" "$work/bin/morv" "$work/page.htm" "$shots"

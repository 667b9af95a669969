#!/usr/bin/env bash
# Runs sections_search_a11y.py against the real morv in a session of its own (a11y_session.sh).
# Usage: sections_search_a11y.sh PATH_TO_MORV SHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
e2e=$(cd "$here/../../e2e" && pwd)
morv=$1
shots=${2:-.}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cp "$morv" "$work/bin/morv"
printf '%s\r\n' '[FILE = "/srv/www/index.htm"]' '' '[LINK]' 'about.htm' '' '' \
    '[FILE = "/srv/www/about.htm"]' '' '[SCRIPT]' '<script>go()</script>' '' '[LINK]' \
    'index.htm' '' '' > "$work/report.txt"

"$e2e/a11y_session.sh" 120 "$here/sections_search_a11y.py" "$work/bin/morv" "$work/report.txt" "$shots"

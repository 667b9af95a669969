#!/usr/bin/env bash
# Runs fix_links_a11y.py against the real morv in a session of its own (a11y_session.sh).
# Usage: fix_links_a11y.sh PATH_TO_MORV SHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
e2e="$here/../e2e"
morv=$1
shots=${2:-.}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cp "$morv" "$work/bin/morv"
printf '[FILE = "/srv/www/site/products/index.htm"]\r\n\r\n[SCRIPT]\r\n<script src="menu.js"></script>\r\n\r\n[LINK]\r\nindex.htm\r\n../about.htm\r\nhttp://www.example.org/a.htm\r\n#top\r\n  spaced.htm  \r\n\r\n[IMAGE]\r\n..\\img\\bg.jpg\r\n\r\n[E-MAIL]\r\nmailto:info@example.org\r\n\r\n\r\n' >"$work/report.txt"

"$e2e/a11y_session.sh" 120 "$here/fix_links_a11y.py" "$work/bin/morv" "$work/report.txt" "$shots"

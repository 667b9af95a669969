#!/usr/bin/env bash
# Runs check_links_a11y.py against the real morv in a session of its own (a11y_session.sh), on a
# small site with broken links.
# Usage: check_links_a11y.sh PATH_TO_MORV SHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
e2e="$here/../e2e"
morv=$1
shots=${2:-.}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/site/images" "$work/site/news"
cp "$morv" "$work/bin/morv"
site="$work/site"
printf '<a href="news/">News</a> <a href="about.htm">About</a> <img src="Images/Logo.gif">\n' >"$site/index.html"
printf '<a href="../index.html">Home</a> <a href="../../private/notes.htm">Notes</a>\n' >"$site/news/index.htm"
printf 'GIF89a' >"$site/images/logo.gif"
printf '<p>Nobody links here.</p>\n' >"$site/old.htm"

"$e2e/a11y_session.sh" 120 "$here/check_links_a11y.py" "$work/bin/morv" "$site" "$shots"

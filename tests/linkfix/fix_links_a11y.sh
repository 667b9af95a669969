#!/usr/bin/env bash
# Runs fix_links_a11y.py against the real morv in a virtual X server with a window manager and a
# private session bus carrying the accessibility bus. Usage: fix_links_a11y.sh PATH_TO_MORV SHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
morv=$1
shots=${2:-.}
for tool in Xvfb openbox dbus-run-session import; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi missing"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cp "$morv" "$work/bin/morv"
printf '[FILE = "/srv/www/site/products/index.htm"]\r\n\r\n[SCRIPT]\r\n<script src="menu.js"></script>\r\n\r\n[LINK]\r\nindex.htm\r\n../about.htm\r\nhttp://www.example.org/a.htm\r\n#top\r\n  spaced.htm  \r\n\r\n[IMAGE]\r\n..\\img\\bg.jpg\r\n\r\n[E-MAIL]\r\nmailto:info@example.org\r\n\r\n\r\n' >"$work/report.txt"

cat > "$work/session.sh" <<INNER
set -e
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=\$!
for _ in \$(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=":\$(cat "$work/display")"
openbox >/dev/null 2>&1 &
wm=\$!
sleep 0.5
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export PYTHONPATH="$here/../e2e"
status=0
/usr/bin/python3 "$here/fix_links_a11y.py" "$work/bin/morv" "$work/report.txt" "$shots" || status=\$?
kill \$wm \$xvfb 2>/dev/null || true
exit \$status
INNER
timeout 120 dbus-run-session -- bash "$work/session.sh" 2> >(grep -v -E 'fd limit|Activating service|Successfully activated|SpiRegistry' >&2)

#!/usr/bin/env bash
# Runs extract_e2e.py against the real morv in a virtual X server with a window manager and a
# private session bus carrying the accessibility bus: the Extract dialog loads the previous list,
# extracts, and the report lands in the editor. Usage: extract_e2e.sh PATH_TO_MORV SHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
morv=$1
shots=${2:-.}
for tool in Xvfb openbox dbus-run-session import xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi missing"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/site/sub"
cp "$morv" "$work/bin/morv"
# A small site, and as many copies of a bigger page as it takes for the progress window to be
# seen; the previous list names them all and one missing page.
printf '<html><script src="menu.js"></script>\r\n<a href="../index.htm">home</a>\r\n<img src="logo.png"> <a href="mailto:web@example.org">mail</a></html>\r\n' > "$work/site/index.htm"
printf '<style>\r\nbody { color: black }\r\n</style><a href="http://example.org/">out</a>\r\n' > "$work/site/sub/page.htm"
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
page = ('<p><a href="p.htm">link</a> <img src="i.png"> text</p>\r\n' * 20).encode()
entries = [work + "/site/index.htm", work + "/site/sub/page.htm", work + "/site/missing.htm"]
for i in range(3000):
    path = "%s/site/sub/big%04d.htm" % (work, i)
    open(path, "wb").write(page)
    entries.append(path)
open(work + "/bin/morv.mrk", "wb").write(b"".join(e.encode() + b"\r\n" for e in entries))
PY

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
status=0
/usr/bin/python3 "$here/extract_e2e.py" "$work/bin/morv" "$work" "$shots" || status=\$?
kill \$wm \$xvfb 2>/dev/null || true
exit \$status
INNER
timeout 150 dbus-run-session -- bash "$work/session.sh" 2> >(grep -v -E 'fd limit|Activating service|Successfully activated|SpiRegistry' >&2)

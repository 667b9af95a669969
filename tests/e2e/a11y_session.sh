#!/usr/bin/env bash
# Runs one AT-SPI driven end-to-end script in a session of its own: a virtual X server, a window
# manager and a private session bus that carries the accessibility bus. The script finds the
# shared helpers (a11y.py) on PYTHONPATH. Exits 77 (skipped) when a tool is missing.
# Usage: a11y_session.sh SECONDS SCRIPT.py [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seconds=$1
script=$2
shift 2
for tool in Xvfb openbox dbus-run-session import; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi missing"; exit 77; }

session=$(mktemp -d)
trap 'rm -rf "$session"' EXIT
# The arguments travel to the inner shell as a file, so blanks in paths survive.
printf '%s\0' "$script" "$@" >"$session/args"
cat >"$session/session.sh" <<INNER
set -e
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$session/display" 2>/dev/null &
xvfb=\$!
for _ in \$(seq 50); do [[ -s "$session/display" ]] && break; sleep 0.1; done
export DISPLAY=":\$(cat "$session/display")"
openbox >/dev/null 2>&1 &
wm=\$!
sleep 0.5
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export PYTHONPATH="$here"
mapfile -d '' args <"$session/args"
status=0
/usr/bin/python3 "\${args[@]}" || status=\$?
kill \$wm \$xvfb 2>/dev/null || true
exit \$status
INNER
# A runtime folder of its own: without one the accessibility bus puts its socket under ~/.cache,
# where sessions running side by side (ctest -j) take each other's bus.
mkdir -m 0700 "$session/runtime"
export XDG_RUNTIME_DIR="$session/runtime"
timeout "$seconds" dbus-run-session -- bash "$session/session.sh" \
    2> >(grep -v -E 'fd limit|Activating service|Successfully activated|SpiRegistry' >&2)

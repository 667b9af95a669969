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
source "$here/x_session.bash"
e2e_require Xvfb openbox dbus-run-session import
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi missing"; exit 77; }

session=$(mktemp -d)
trap 'rm -rf "$session"' EXIT
# The arguments travel to the inner shell as a file, so blanks in paths survive.
printf '%s\0' "$script" "$@" >"$session/args"
cat >"$session/session.sh" <<INNER
set -e
source "$here/x_session.bash"
e2e_start_x "$session"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export PYTHONPATH="$here"
mapfile -d '' args <"$session/args"
status=0
/usr/bin/python3 "\${args[@]}" || status=\$?
e2e_stop_x
exit \$status
INNER
# A runtime folder of its own: without one the accessibility bus puts its socket under ~/.cache,
# where sessions running side by side (ctest -j) take each other's bus.
mkdir -m 0700 "$session/runtime"
export XDG_RUNTIME_DIR="$session/runtime"
timeout "$seconds" dbus-run-session -- bash "$session/session.sh" \
    2> >(grep -v -E 'fd limit|Activating service|Successfully activated|SpiRegistry' >&2)

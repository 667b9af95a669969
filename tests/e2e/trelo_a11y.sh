#!/usr/bin/env bash
# Runs trelo_a11y.py against the real trelo in a session of its own (a11y_session.sh).
# Usage: trelo_a11y.sh PATH_TO_TRELO SHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
trelo=$1
shots=${2:-.}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/state"
cp "$trelo" "$work/bin/trelo"
# Batch journals in the run's own folder, never the user's.
export XDG_STATE_HOME="$work/state"

"$here/a11y_session.sh" 120 "$here/trelo_a11y.py" "$work/bin/trelo" "$shots"

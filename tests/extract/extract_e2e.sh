#!/usr/bin/env bash
# Runs extract_e2e.py against the real morv in a session of its own (a11y_session.sh): the Extract
# dialog loads the previous list, extracts, and the report lands in the editor.
# Usage: extract_e2e.sh PATH_TO_MORV SHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
e2e="$here/../e2e"
morv=$1
shots=${2:-.}
source "$e2e/x_session.bash"
e2e_require xdotool

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

"$e2e/a11y_session.sh" 150 "$here/extract_e2e.py" "$work/bin/morv" "$work" "$shots"

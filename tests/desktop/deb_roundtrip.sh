#!/usr/bin/env bash
# Builds the morvane Debian package, installs it with dpkg, checks that the installed
# morv-cli answers and that the launchers and icons are in place, removes it with dpkg -r and
# checks that nothing of it is left. Changes the machine: run it by hand as root on a machine
# (or container) you can spare, never from ctest.
#
#   tests/desktop/deb_roundtrip.sh [BUILD_DIR]      (default build/deb)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/deb}

if [[ $(id -u) -ne 0 ]]; then
    echo "deb_roundtrip.sh installs a package: run it as root" >&2
    exit 2
fi
if dpkg-query -W -f='${Status}' morvane 2>/dev/null | grep -q 'install ok installed'; then
    echo "morvane is installed already: remove it first (dpkg -r morvane)" >&2
    exit 2
fi

step() { printf '\n== %s\n' "$*"; }
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

step "packages needed to build"
scripts/install-deps.sh
scripts/install-deps.sh --package

step "release build in $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j1

step "cpack -G DEB"
rm -f "$build"/morvane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/morvane_*.deb)
echo "$deb"
dpkg-deb --field "$deb" Package Version Maintainer Depends
mapfile -t files < <(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -n 's|^\./|/|p' | grep -v '/$')
printf '%s\n' "${files[@]}"

step "dpkg -i"
if ! dpkg -i "$deb"; then
    # Missing dependencies: let apt bring them in, as it would on a fresh machine.
    apt-get install -y -q -f
fi
dpkg-query -W -f='${Status}\n' morvane | grep -q 'install ok installed' || fail "morvane did not install"

step "installed programs"
for f in "${files[@]}"; do
    [[ -e $f ]] || fail "$f is not on disk after the install"
done
if out=$(morv-cli --version 2>&1); then
    echo "morv-cli --version: $out"
    [[ $(command -v morv-cli) == /usr/bin/morv-cli ]] || fail "morv-cli is not /usr/bin/morv-cli"
else
    fail "morv-cli --version failed: $out"
fi
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate /usr/share/applications/morvane.desktop /usr/share/applications/trellin.desktop ||
        fail "desktop-file-validate"
fi
[[ -d /usr/share/morvane ]] || fail "/usr/share/morvane is missing"

# The installed morv starts in a real X server and, closed like a user closes it, writes its
# settings into the XDG config folder: never into /usr/bin, even as root, who may write there.
if command -v xvfb-run >/dev/null && command -v openbox >/dev/null && command -v xdotool >/dev/null; then
    step "start and close the installed morv"
    config=$(mktemp -d)
    cat >"$config/session.sh" <<'SESSION'
#!/usr/bin/env bash
openbox >/dev/null 2>&1 &
/usr/bin/morv >/dev/null 2>&1 &
pid=$!
window=$(timeout 30 xdotool search --sync --name 'Morvane' | head -n 1)
[[ -n $window ]] || { echo "no Morvane window appeared"; kill "$pid"; exit 1; }
xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || exit 0; sleep 0.2; done
echo "morv did not close"; kill "$pid"; exit 1
SESSION
    chmod +x "$config/session.sh"
    if XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=xcb xvfb-run -a "$config/session.sh"; then
        [[ -f $config/morvane/morv.ini ]] || fail "morv wrote no $config/morvane/morv.ini"
        [[ ! -e /usr/bin/morv.ini ]] || fail "morv wrote its settings into /usr/bin"
        echo "settings written to \$XDG_CONFIG_HOME/morvane/morv.ini"
    else
        fail "the installed morv did not start and close"
    fi
    rm -rf "$config"
fi

step "dpkg -r morvane"
dpkg -r morvane
status=$(dpkg-query -W -f='${Status}' morvane 2>/dev/null || true)
case $status in
    "" | *not-installed) ;;
    *) fail "dpkg still knows morvane as: $status" ;;
esac
for f in "${files[@]}"; do
    [[ ! -e $f ]] || fail "$f is left after dpkg -r"
done
for d in /usr/share/morvane /usr/share/doc/morvane; do
    [[ ! -e $d ]] || fail "$d is left after dpkg -r"
done
for f in /usr/bin/morv.ini /usr/bin/trelo.ini /usr/bin/morv.mrk; do
    [[ ! -e $f ]] || fail "$f is left after dpkg -r"
done

if ((failures > 0)); then
    printf '\n%d failure(s)\n' "$failures"
    exit 1
fi
printf '\nround trip: ok (%s)\n' "$(basename "$deb")"

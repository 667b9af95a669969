#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need. As root it runs
# apt-get; otherwise it prints the exact command to run and fails.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-qpa-plugins libqt6svg6
    # Qt Help: the library, qhelpgenerator (builds the help collection) and the SQLite driver
    # through which Qt Help reads the collection.
    qt6-tools-dev qt6-documentation-tools libqt6sql6-sqlite
    libqscintilla2-qt6-dev
    libgtest-dev libgmock-dev
    libxxhash-dev
    # The command-line tools' option parser (header only).
    libcli11-dev
)
if [[ "${1:-}" == "--test" ]]; then
    # The end-to-end run: a virtual X server, a window manager, key presses, screenshots,
    # the accessibility bus and PDF text extraction.
    packages+=(xvfb xauth openbox xdotool x11-apps x11-utils imagemagick dbus-x11 at-spi2-core
               python3 python3-pyatspi poppler-utils clang-format fonts-dejavu-core)
    # The desktop checks: launcher and AppStream validators, manual page rendering, and an icon
    # theme that has every name the programs use, for screenshots with a theme.
    packages+=(desktop-file-utils appstream man-db groff-base breeze-icon-theme)
fi
if [[ "${1:-}" == "--package" ]]; then
    # Building the Debian package (dpkg-shlibdeps fills in the C and C++ runtime versions).
    packages+=(dpkg-dev file)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
else
    echo "Missing packages. Run this, then try again:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi

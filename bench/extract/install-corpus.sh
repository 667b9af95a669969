#!/usr/bin/env bash
# Installs HTML documentation from Debian packages as a benchmark corpus (and GNU time, which
# measures the memory of the programs timed) and prints the folders that hold it, one per line. Run as root (or through sudo); packages already installed are left alone.
set -euo pipefail
packages=(python3.11-doc libstdc++-12-doc postgresql-doc-15 time)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    SUDO=""
    [[ $(id -u) -eq 0 ]] || SUDO=sudo
    $SUDO apt-get -o DPkg::Lock::Timeout=900 update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
fi
# The folders that hold the pages, with links resolved: the folder walk does not follow links
# below the folder it is given.
readlink -f /usr/share/doc/python3.11-doc/html
readlink -f /usr/share/doc/libstdc++-12-doc
readlink -f /usr/share/doc/postgresql-doc-15

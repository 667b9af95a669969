#!/usr/bin/env bash
# Checks the desktop integration with the desktop's own tools.
#
#   check_desktop.sh BUILD_DIR SOURCE_DIR CHECK [PROGRAM...]
#
# CHECK is one of
#   tree       cmake --install into a temporary prefix puts every built PROGRAM, the launchers,
#              the AppStream files, the icons, the manual pages and the shipped data (the help
#              collection with every page of html/, the licence) where they belong, and nothing
#              outside the prefix; the installed morv-cli answers; the build tree has the
#              shipped data beside its programs.
#   launchers  the installed .desktop files pass desktop-file-validate, and their programs and
#              icons are in the installed tree.
#   metainfo   the installed AppStream files pass appstreamcli validate, also as a whole tree.
#   manpages   the installed manual pages render with man without a warning, and every command
#              that an installed morv-cli or trelo-cli lists in its --help, and every option of
#              each command's own --help, is in its page.
#   resources  every picture in data/icons is compiled into the icon resource, and back.
set -euo pipefail

build=$1
source=$2
check=$3
shift 3
programs=("$@")

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
need() {
    command -v "$1" >/dev/null || { echo "FAIL: $1 is missing (scripts/install-deps.sh --test installs it)" >&2; exit 1; }
}

prefix=$(mktemp -d "${TMPDIR:-/tmp}/morv-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT

install_tree() {
    if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
        cat "$prefix.log" >&2
        rm -f "$prefix.log"
        echo "FAIL: cmake --install failed" >&2
        exit 1
    fi
    rm -f "$prefix.log"
}

# Width and height of a PNG file, from its IHDR chunk.
png_size() {
    python3 -c 'import struct,sys
d=open(sys.argv[1],"rb").read(24)
assert d[:8]==b"\x89PNG\r\n\x1a\n", "not a PNG"
print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1"
}

check_tree() {
    install_tree
    local share=$prefix/share
    local expected=(
        share/applications/morvane.desktop share/applications/trellin.desktop
        share/metainfo/org.morvane.Morvane.metainfo.xml share/metainfo/org.morvane.Trellin.metainfo.xml
        share/icons/hicolor/scalable/apps/morvane.svg share/icons/hicolor/scalable/apps/trellin.svg
        share/man/man1/morv.1.gz share/man/man1/morv-cli.1.gz
        share/man/man1/trelo.1.gz share/man/man1/trelo-cli.1.gz
    )
    for f in "${expected[@]}"; do
        [[ -f $prefix/$f ]] || fail "$f is not installed"
    done
    [[ -d $share/morvane ]] || fail "share/morvane is not installed"
    if [[ -d $source/html ]]; then
        # The help collection, beside the programs of the build tree and installed, holds every
        # page of html/.
        local file want have
        for file in morv.qhc morv.qch; do
            [[ -f $build/bin/$file ]] || fail "$file is not beside the programs of the build tree"
            cmp -s "$build/bin/$file" "$share/morvane/$file" ||
                fail "$file is not installed in share/morvane"
        done
        [[ -e $share/morvane/html ]] && fail "share/morvane/html is installed: the collection holds the pages"
        want=$(cd "$source/html" && find . -maxdepth 1 -name '*.htm' -printf '%f\n' | sort)
        have=$(python3 -c 'import sqlite3,sys
for (name,) in sqlite3.connect(sys.argv[1]).execute("SELECT Name FROM FileNameTable WHERE Name <> \"\""):
    print(name)' "$share/morvane/morv.qch" | sort) || fail "the installed morv.qch cannot be read"
        [[ $want == "$have" ]] || fail "the pages of the installed morv.qch differ from html/"
    fi
    if [[ -f $source/License.txt ]]; then
        cmp -s "$source/License.txt" "$share/morvane/License.txt" ||
            fail "License.txt is not installed in share/morvane"
        cmp -s "$source/License.txt" "$build/bin/License.txt" ||
            fail "License.txt is not beside the programs of the build tree"
    fi

    for size in 16 22 24 32 48 64 128 256; do
        for app in morvane trellin; do
            local png=$share/icons/hicolor/${size}x${size}/apps/$app.png
            if [[ ! -f $png ]]; then
                fail "${size}x${size} icon of $app is not installed"
            elif [[ $(png_size "$png") != "${size}x${size}" ]]; then
                fail "$png is $(png_size "$png"), not ${size}x${size}"
            fi
        done
    done

    for program in "${programs[@]}"; do
        if [[ ! -x $prefix/bin/$program ]]; then
            fail "bin/$program is not installed"
        fi
    done
    # Nothing but the four programs goes into bin/ (no test binaries, no helpers).
    for f in "$prefix"/bin/*; do
        case $(basename "$f") in
            morv | morv-cli | trelo | trelo-cli) ;;
            *) fail "bin/$(basename "$f") should not be installed" ;;
        esac
    done
    # Every installed file lies inside the prefix.
    while IFS= read -r f; do
        [[ $f == "$prefix"/* ]] || fail "installed outside the prefix: $f"
    done <"$build/install_manifest.txt"

    if [[ -x $prefix/bin/morv-cli ]]; then
        local out
        if ! out=$("$prefix/bin/morv-cli" --version 2>&1); then
            fail "installed morv-cli --version failed: $out"
        elif [[ $out != *1.0* ]]; then
            fail "installed morv-cli --version printed: $out"
        fi
    fi
}

check_launchers() {
    need desktop-file-validate
    install_tree
    local desktop out exec icon
    for desktop in "$prefix"/share/applications/*.desktop; do
        if ! out=$(desktop-file-validate "$desktop" 2>&1); then
            fail "desktop-file-validate $(basename "$desktop"): $out"
        fi
        exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
        icon=$(sed -n 's/^Icon=//p' "$desktop")
        if [[ " ${programs[*]} " == *" $exec "* && ! -x $prefix/bin/$exec ]]; then
            fail "$(basename "$desktop") starts $exec, which is not installed"
        fi
        [[ -f $prefix/share/icons/hicolor/scalable/apps/$icon.svg ]] ||
            fail "$(basename "$desktop") names the icon $icon, which is not installed"
    done
    # morv reads its whole argument text as one path: the launcher passes one file and no option.
    grep -qx 'Exec=morv %f' "$prefix/share/applications/morvane.desktop" ||
        fail "morvane.desktop must start 'morv %f'"
    grep -qx 'Exec=trelo' "$prefix/share/applications/trellin.desktop" ||
        fail "trellin.desktop must start 'trelo' without arguments"
    local mime
    for mime in text/html application/xhtml+xml text/plain application/x-php; do
        grep -q "^MimeType=.*$mime;" "$prefix/share/applications/morvane.desktop" ||
            fail "morvane.desktop does not open $mime"
    done
}

check_metainfo() {
    need appstreamcli
    install_tree
    local file out
    for file in "$prefix"/share/metainfo/*.metainfo.xml; do
        if ! out=$(appstreamcli validate --no-net "$file" 2>&1); then
            fail "appstreamcli validate $(basename "$file"): $out"
        fi
    done
    # The tree check also matches each component with its launcher and its icon.
    if ! out=$(appstreamcli validate-tree --no-net "$prefix" 2>&1); then
        fail "appstreamcli validate-tree: $out"
    fi
}

check_manpages() {
    need man
    install_tree
    local page out warnings
    for page in "$prefix"/share/man/man1/*.1.gz; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || true
        [[ -z $warnings ]] || fail "$(basename "$page") renders with warnings: $warnings"
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null) || fail "man -l $(basename "$page") failed"
        local name=${page##*/}
        name=${name%.1.gz}
        grep -q "^NAME" <<<"$out" || fail "$name has no NAME section"
        grep -Eq "^ *$name +- " <<<"$out" || fail "$name does not name itself under NAME"
        grep -q "^SYNOPSIS" <<<"$out" || fail "$name has no SYNOPSIS section"
    done

    local tool help command
    for tool in morv-cli trelo-cli; do
        [[ -x $prefix/bin/$tool ]] || continue
        help=$("$prefix/bin/$tool" --help) || fail "$tool --help failed"
        out=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$prefix/share/man/man1/$tool.1.gz" 2>/dev/null)
        # The commands are the lines indented by two after "Commands:", each starting with its
        # name (a description below one is indented further).
        while read -r command; do
            grep -Eq "^ +$command( |\$)" <<<"$out" ||
                fail "$tool's command '$command' is missing from $tool.1"
            # Every option the command's own --help lists is in the page as well.
            local option
            while read -r option; do
                grep -q -- "$option" <<<"$out" ||
                    fail "$tool $command's option '$option' is missing from $tool.1"
            done < <("$prefix/bin/$tool" "$command" --help |
                sed -n '/^Options:/,/^$/s/^  \(-[^ ,]*\).*/\1/p' | grep -vx -- '-h')
        done < <(sed -n '/^Commands:/,/^$/{/^  [^ ]/s/^ *\([^ ]*\).*/\1/p}' <<<"$help")
    done
}

check_resources() {
    local qrc=$source/data/icons.qrc svg name
    for svg in "$source"/data/icons/*.svg; do
        name=$(basename "$svg")
        grep -q "<file alias=\"$name\">icons/$name</file>" "$qrc" ||
            fail "data/icons/$name is not in data/icons.qrc"
    done
    while IFS= read -r name; do
        [[ -f $source/data/icons/$name ]] || fail "data/icons.qrc names $name, which is missing"
    done < <(sed -n 's/.*<file alias="\([^"]*\)">.*/\1/p' "$qrc")
}

case $check in
    tree) check_tree ;;
    launchers) check_launchers ;;
    metainfo) check_metainfo ;;
    manpages) check_manpages ;;
    resources) check_resources ;;
    *) echo "unknown check: $check" >&2; exit 2 ;;
esac

if ((failures > 0)); then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "desktop $check: ok"

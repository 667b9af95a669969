#!/usr/bin/env bash
# Screenshots of every toolbar and tree icon of both programs in a real X window under Xvfb:
# once with no icon theme (the bundled pictures) and once with each installed theme of
# breeze and Adwaita (the theme's pictures where it has the name, the bundled ones elsewhere;
# Adwaita ships symbolic icons only, so it falls back for nearly every name).
#
#   tests/desktop/icon_screenshots.sh BUILD_DIR OUT_DIR
#
# When BUILD_DIR/bin/morv exists it is shot too, as OUT_DIR/morv-<theme>.png, with the theme
# chosen the way a desktop chooses it (a KDE session's kdeglobals), under openbox.
# Writes OUT_DIR/icons-<theme>.png. Each action's tooltip says whether the theme or the bundle drew it.
set -euo pipefail
build=${1:?build folder}
out=${2:?output folder}
mkdir -p "$out"
sheet=$build/bin/morv_icon_sheet
[[ -x $sheet ]] || { echo "build $sheet first (ninja morv_icon_sheet)" >&2; exit 2; }

themes=(none)
for t in breeze Adwaita; do
    [[ -f /usr/share/icons/$t/index.theme ]] && themes+=("$t")
done
for theme in "${themes[@]}"; do
    args=(--save "$out/icons-$theme.png")
    # "none": a theme name that does not exist, so that nothing comes from the desktop.
    if [[ $theme == none ]]; then args+=(--theme no-icon-theme); else args+=(--theme "$theme"); fi
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x400x24" "$sheet" "${args[@]}"
    echo "$out/icons-$theme.png"
done

morv=$build/bin/morv
[[ -x $morv ]] || exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy in a folder of its own, so that the build's settings are not touched.
mkdir -p "$work/bin" && cp "$morv" "$work/bin/"
cat >"$work/shoot.sh" <<'SHOOT'
#!/usr/bin/env bash
openbox >/dev/null 2>&1 &
"$1" >/dev/null 2>&1 &
pid=$!
sleep 10
import -window root "$2"
kill "$pid" 2>/dev/null || true
SHOOT
chmod +x "$work/shoot.sh"
for theme in "${themes[@]}"; do
    mkdir -p "$work/config-$theme"
    env=(QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config-$theme")
    if [[ $theme != none ]]; then
        printf '[Icons]\nTheme=%s\n' "$theme" >"$work/config-$theme/kdeglobals"
        env+=(XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5)
    fi
    env "${env[@]}" xvfb-run -a -s "-screen 0 1024x600x24" "$work/shoot.sh" "$work/bin/morv" \
        "$out/morv-$theme.png"
    echo "$out/morv-$theme.png"
done

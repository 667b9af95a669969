#!/usr/bin/env bash
# Screenshots of every toolbar and tree icon of both programs in a real X window under Xvfb:
# once with no icon theme (the bundled pictures) and once with each installed theme of
# breeze and Adwaita (the theme's pictures where it has the name, the bundled ones elsewhere;
# Adwaita ships symbolic icons only, so it falls back for nearly every name).
#
#   tests/desktop/icon_screenshots.sh BUILD_DIR OUT_DIR
#
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

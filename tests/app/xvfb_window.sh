#!/bin/bash
# Starts the real editor on an X server of its own and checks its main window:
# found by its title, 10215 twips wide at the logical DPI the program reads, and
# a menu bar above a client area 6855 twips high: from the toolbar's top (found
# in its accessibility tree) to the window's foot.
# Usage: xvfb_window.sh <wimblet binary> [screenshot.png]
set -euo pipefail
bin=$1
shot=${2:-}
# shellcheck source=../../scripts/lib/xserver.sh
source "$(dirname "$0")/../../scripts/lib/xserver.sh"
xserver_require xwininfo pyatspi

work=$(mktemp -d)
cleanup() {
    [[ -n ${app:-} ]] && kill "$app" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
xserver_start

"$bin" >"$work/app.log" 2>&1 &
app=$!
wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Wimblet$' | head -n1)
[[ -n $wid ]] || { echo "FAIL: no window titled Wimblet"; cat "$work/app.log"; exit 1; }
wait_until 10 window_viewable "$wid" || { echo "FAIL: the window is not shown"; exit 1; }

# Pixels as twips at the DPI the program reads, checked to within the pixel that
# rounding may take or give.
dpi=$(xserver_dpi)
expect_twips() {
    local what=$1 pixels=$2 twips=$3
    echo "$what: $pixels px at $dpi dpi, $((pixels * 1440 / dpi)) twips"
    local off=$((pixels * 1440 - twips * dpi))
    ((off <= 1440 && off >= -1440)) || { echo "FAIL: $what is not $twips twips"; exit 1; }
}
a11y() { xserver_a11y --pid "$app" --window "$wid" "$@"; }
read -r _ top client_width _ <<<"$(a11y box "Toolbar")"
read -r window_top width height <<<"$(xwininfo -id "$wid" | awk '/Absolute upper-left Y:/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print y, w, h}')"
expect_twips "window width" "$width" 10215
expect_twips "client width" "$client_width" 10215
expect_twips "client height" $((window_top + height - top)) 6855
menu=$(((top - window_top) * 1440 / dpi))
((menu >= 225 && menu <= 675)) || { echo "FAIL: $menu twips for the menu bar"; exit 1; }
kill -0 "$app" || { echo "FAIL: the editor ended"; exit 1; }

if [[ -n $shot ]] && command -v import >/dev/null; then
    wait_settled 10 "$wid" || echo "the window kept changing; its picture may be half painted"
    import -window "$wid" "$shot"
    echo "screenshot: $shot"
fi
echo "1 passed, 0 failed"

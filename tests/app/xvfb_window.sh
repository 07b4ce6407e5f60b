#!/bin/bash
# Starts the real editor on an X server of its own and checks its main window:
# found by its title, 681 pixels wide at 96 dpi, a menu bar above a 457-pixel client area.
# Usage: xvfb_window.sh <wimblet binary> [screenshot.png]
set -euo pipefail
bin=$1
shot=${2:-}
# shellcheck source=../../scripts/lib/xserver.sh
source "$(dirname "$0")/../../scripts/lib/xserver.sh"
xserver_require xwininfo

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

info=$(xwininfo -id "$wid")
width=$(awk '/Width:/ {print $2}' <<<"$info")
height=$(awk '/Height:/ {print $2}' <<<"$info")
echo "window $wid: ${width}x${height}"
[[ $width -eq 681 ]] || { echo "FAIL: width $width, expected 681"; exit 1; }
menu=$((height - 457))
[[ $menu -ge 15 && $menu -le 45 ]] || { echo "FAIL: height $height leaves $menu px for the menu bar"; exit 1; }
kill -0 "$app" || { echo "FAIL: the editor ended"; exit 1; }

if [[ -n $shot ]] && command -v import >/dev/null; then
    wait_settled 10 "$wid" || echo "the window kept changing; its picture may be half painted"
    import -window "$wid" "$shot"
    echo "screenshot: $shot"
fi
echo "1 passed, 0 failed"

#!/bin/bash
# Takes the README's screenshot: the editor under Xvfb with a text typed and
# converted to Cute Style from the toolbar. Needs a build in build/.
# Usage: scripts/screenshot.sh [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/wimblet.png}
work=$(mktemp -d)
trap 'kill ${app:-} ${xvfb:-} 2>/dev/null || true; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb
build/wimblet &
app=$!
wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Wimblet$' | head -n1)
xdotool windowfocus --sync "$wid"
sleep 0.5
xdotool type --delay 5 "Halo semua, apa kabar? Saya mau makan nasi goreng."
xdotool key Return
xdotool type --delay 5 "Begitu saja, nih! Aku sayang kamu."
# The fifth toolbar button converts to Cute Style; the toolbar is the first row below the menu bar.
menu=$(( $(xwininfo -id "$wid" | awk '/Height:/ {print $2}') - 457 ))
xdotool mousemove --window "$wid" $((4 * 31 + 15)) $((menu + 17)) click 1
xdotool mousemove --window "$wid" 600 300
sleep 0.5
import -window "$wid" "$out"
echo "wrote $out"

#!/bin/bash
# Takes the README's screenshot: the editor under Xvfb with a text typed and
# converted to Cute Style from the toolbar. Needs a build in build/.
# Usage: scripts/screenshot.sh [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/wimblet.png}
# shellcheck source=lib/xserver.sh
source scripts/lib/xserver.sh
xserver_require xwininfo import compare python3 pyatspi
trap 'kill ${app:-} 2>/dev/null || true' EXIT
xserver_start --size 1024x768x24
fail() { echo "screenshot: $*" >&2; exit 1; }

# More than a blinking caret differs between the picture in the file and the window now.
changed_from() {
    local now="$XSERVER_DIR/now.ppm"
    import -window "$2" "ppm:$now" 2>/dev/null || return 1
    # compare ends with 1 when the pictures differ, which is what is asked.
    { compare -metric AE "$1" "$now" null: 2>&1 || true; } | awk '{ exit !($1 > 100) }'
}

build/wimblet &
app=$!
wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Wimblet$' | head -n1)
[[ -n $wid ]] || fail "no window titled Wimblet"
xdotool windowfocus "$wid"
wait_until 10 window_focused "$wid" || fail "the editor did not get the keyboard"
xdotool type --delay 5 "Halo semua, apa kabar? Saya mau makan nasi goreng."
xdotool key Return
xdotool type --delay 5 "Begitu saja, nih! Aku sayang kamu."
if ! window_sync "$wid" || ! wait_settled 10 "$wid"; then
    fail "the typed text did not settle"
fi
before="$XSERVER_DIR/typed.ppm"
import -window "$wid" "ppm:$before"
# The pointer rests over the text afterwards, so that no tooltip shows.
xserver_a11y --pid "$app" --window "$wid" click --rest "Toolbar" "push button:Convert Text to Cute Style" ||
    fail "could not click the toolbar's Cute Style button"
if ! window_sync "$wid" || ! wait_until 10 changed_from "$before" "$wid" ||
    ! wait_settled 10 "$wid"; then
    fail "the converted text did not show"
fi
import -window "$wid" "$out"
echo "wrote $out"

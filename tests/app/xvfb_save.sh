#!/bin/bash
# Drives the real editor from outside with real X key events: types a text,
# presses Ctrl+S, types a path into the Save As dialog and presses Enter; then
# checks the bytes on disk and the window title.
# Usage: xvfb_save.sh <wimblet binary> [screenshot folder]
set -euo pipefail
bin=$1
shots=${2:-}
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

fail() { echo "FAIL: $*"; cat "$work/app.log" 2>/dev/null || true; exit 1; }
# A picture is taken once the editor has read the keys sent before it.
shot() {
    [[ -n $shots ]] && command -v import >/dev/null || return 0
    if command -v python3 >/dev/null; then window_sync "$wid" || true; fi
    import -window root "$shots/$1.png" || true
}
bytes_of() { od -An -tx1 "$1" 2>/dev/null; }
holds() { [[ $(bytes_of "$1") == "$2" ]]; }

"$bin" >"$work/app.log" 2>&1 &
app=$!
wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Wimblet$' | head -n1)
[[ -n $wid ]] || fail "no window titled Wimblet"
xdotool windowfocus "$wid"
wait_until 10 window_focused "$wid" || fail "the editor did not get the keyboard"

xdotool type --delay 20 "hello wimblet"
xdotool key Return
xdotool type --delay 20 "line two"
shot typed
xdotool key ctrl+s
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name 'Save|save' | head -n1) || true
[[ -n $dialog ]] || fail "no Save As dialog"
wait_until 10 window_focused "$dialog" || fail "the Save As dialog did not get the keyboard"
target="$work/saved file.txt"
xdotool type --delay 10 "$target"
shot save-dialog
xdotool key Return

expected=$(printf 'hello wimblet\r\nline two\r\n' | od -An -tx1)
wait_until 10 holds "$target" "$expected" ||
    fail "bytes on disk: $(bytes_of "$target" || echo "no file $target")"
timeout 10 xdotool search --sync --name "^Wimblet - $target\$" >/dev/null || fail "title not updated"
shot saved
kill -0 "$app" || fail "the editor ended"
echo "1 passed, 0 failed"

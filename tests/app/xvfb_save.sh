#!/bin/bash
# Drives the real editor from outside with real X key events: types a text,
# presses Ctrl+S, types a path into the Save As dialog and presses Enter; then
# checks the bytes on disk and the window title.
# Usage: xvfb_save.sh <wimblet binary> [screenshot folder]
set -euo pipefail
bin=$1
shots=${2:-}
source "$(dirname "$0")/xvfb_lib.sh"
fail() { echo "FAIL: $*"; cat "$work/app.log" 2>/dev/null || true; exit 1; }
shot() { [[ -n $shots ]] && command -v import >/dev/null && import -window root "$shots/$1.png" || true; }

"$bin" >"$work/app.log" 2>&1 &
app=$!
wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Wimblet$' | head -n1)
[[ -n $wid ]] || fail "no window titled Wimblet"
xdotool windowfocus --sync "$wid"
sleep 0.5

xdotool type --delay 20 "hello wimblet"
xdotool key Return
xdotool type --delay 20 "line two"
sleep 0.3
shot typed
xdotool key ctrl+s
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name 'Save|save' | head -n1) || true
[[ -n $dialog ]] || fail "no Save As dialog"
sleep 0.5
target="$work/saved file.txt"
xdotool type --delay 10 "$target"
shot save-dialog
xdotool key Return

for _ in $(seq 100); do [[ -s $target ]] && break; sleep 0.1; done
[[ -s $target ]] || fail "nothing written to $target"
expected=$(printf 'hello wimblet\r\nline two\r\n' | od -An -tx1)
actual=$(od -An -tx1 "$target")
[[ $actual == "$expected" ]] || fail "bytes on disk: $actual"
timeout 10 xdotool search --sync --name "^Wimblet - $target\$" >/dev/null || fail "title not updated"
shot saved
kill -0 "$app" || fail "the editor ended"
echo "1 passed, 0 failed"

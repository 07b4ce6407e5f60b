#!/bin/bash
# Builds the Debian package, installs it with apt, starts the installed editor
# under Xvfb, finds its window, and removes the package again.
# Changes the machine, so it runs only as root in CI or when asked to.
# Usage: deb_install.sh <build folder>
set -euo pipefail
build=$1
if [[ $(id -u) -ne 0 || ( -z ${CI:-} && -z ${WIMBLET_PACKAGE_TEST:-} ) ]]; then
    echo "SKIP: the package test installs a package; it runs as root in CI or with WIMBLET_PACKAGE_TEST=1"
    exit 77
fi
if dpkg-query -W -f='${Status}' wimblet 2>/dev/null | grep -q "install ok installed"; then
    echo "SKIP: a wimblet package is installed already; not touching it"
    exit 77
fi
# shellcheck source=../../scripts/lib/xserver.sh
source "$(dirname "$0")/../../scripts/lib/xserver.sh"
xserver_require

work=$(mktemp -d)
cleanup() {
    [[ -n ${app:-} ]] && kill "$app" 2>/dev/null || true
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq wimblet >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/wimblet_1.0.0_*.deb)
echo "built $(basename "$deb")"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "dependencies were not computed: $(dpkg-deb -f "$deb" Depends)"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt install"; }

for f in /usr/bin/wimblet /usr/bin/wimblet-convert \
         /usr/share/applications/org.wimblet.Wimblet.desktop \
         /usr/share/metainfo/org.wimblet.Wimblet.metainfo.xml \
         /usr/share/icons/hicolor/scalable/apps/org.wimblet.Wimblet.svg \
         /usr/share/icons/hicolor/16x16/apps/org.wimblet.Wimblet.png \
         /usr/share/icons/hicolor/32x32/apps/org.wimblet.Wimblet.png \
         /usr/share/icons/hicolor/48x48/apps/org.wimblet.Wimblet.png; do
    [[ -e $f ]] || fail "missing $f"
done
[[ $(printf 'saya' | /usr/bin/wimblet-convert --cute) == "sAY4" ]] || fail "installed wimblet-convert"

# Start it the way the desktop entry does.
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/org.wimblet.Wimblet.desktop)
xserver_start
$exec_line >"$work/app.log" 2>&1 &
app=$!
timeout 30 xdotool search --sync --onlyvisible --name '^Wimblet$' >/dev/null \
    || { cat "$work/app.log"; fail "the installed editor showed no window"; }
kill "$app"
app=
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq wimblet >/dev/null 2>&1 || fail "apt remove"
[[ ! -e /usr/bin/wimblet ]] || fail "still installed after removal"
echo "1 passed, 0 failed"

# shellcheck shell=bash
# An X server of the caller's own for the real-window tests and scripts:
# Xvfb on a free display with a D-Bus session bus and an accessibility bus of
# its own, optionally a window manager, and waits on conditions instead of
# fixed pauses. Sourced, never run.
#
#   xserver_require [tool...]     exit 77 (skip) unless Xvfb, xdotool, xrdb, the
#                                 buses and the tools exist; the tool "pyatspi"
#                                 asks for the accessibility tree reader (a11y.py)
#   xserver_start [--size WxHxD] [--dpi N] [--wm openbox]
#                                 start it; sets DISPLAY, QT_QPA_PLATFORM=xcb,
#                                 XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS and
#                                 XSERVER_DIR (its scratch folder). --dpi, by
#                                 default $XSERVER_DPI or 96, is the logical DPI
#                                 programs read (Xft.dpi).
#   xserver_stop                  end the window manager, the buses and the server;
#                                 safe to repeat
#   xserver_dpi                   print the logical DPI programs on it read
#   xserver_a11y <args...>        run scripts/lib/a11y.py: find what a program shows
#                                 through its accessibility tree and click it
#   xserver_keysyms <keysym name...>
#                                 bind keysyms the keymap lacks (eacute, ...) to free
#                                 keycodes before a program starts; needs python3
#   wait_until <seconds> <command...>
#                                 run the command until it succeeds; 1 when time runs out
#   window_viewable <window>      conditions for wait_until
#   window_focused <window>
#   window_on_top <window> <other window>
#   wm_running
#   window_sync <window> [seconds]
#                                 wait until the window's program has read every
#                                 event sent before (it answers a ping); needs python3
#   wait_settled <seconds> <window>
#                                 wait until two pictures of the window in a row are
#                                 the same; needs ImageMagick's import
#
# xserver_start chains xserver_stop onto the EXIT trap set at that moment, so a
# caller sets its own trap first; INT, TERM and HUP end the script through it.

XSERVER_LIB=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
XSERVER_PID=""
XSERVER_WM_PID=""
XSERVER_DBUS_PID=""
XSERVER_A11Y_PID=""
XSERVER_DIR=""
XSERVER_A11Y_LAUNCHER=/usr/libexec/at-spi-bus-launcher
# pyatspi comes with Debian's python3; a python3 found first on PATH (pyenv, a
# virtual environment) may not have it.
XSERVER_A11Y_PYTHON=/usr/bin/python3

xserver_require() {
    local tool
    for tool in Xvfb xdotool xrdb dbus-daemon dbus-send "$@"; do
        if [[ $tool == pyatspi ]]; then
            "$XSERVER_A11Y_PYTHON" -c 'import pyatspi' 2>/dev/null || {
                echo "SKIP: $XSERVER_A11Y_PYTHON cannot import pyatspi (python3-pyatspi)"
                exit 77
            }
            continue
        fi
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    [[ -x $XSERVER_A11Y_LAUNCHER ]] || { echo "SKIP: at-spi2-core is not installed"; exit 77; }
}

# Seconds, whole or with a fraction, as microseconds.
_xserver_usec() {
    local int=${1%%.*} frac=""
    [[ $1 == *.* ]] && frac=${1#*.}
    frac="${frac}000000"
    echo $((10#${int:-0} * 1000000 + 10#${frac:0:6}))
}

_xserver_now() {
    local now=${EPOCHREALTIME/[.,]/}
    echo "$now"
}

wait_until() {
    local end
    end=$(($(_xserver_now) + $(_xserver_usec "$1")))
    shift
    until "$@"; do
        (($(_xserver_now) < end)) || return 1
        sleep 0.1
    done
}

window_viewable() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

window_focused() {
    [[ $(xdotool getwindowfocus 2>/dev/null) == "$(($1))" ]]
}

# The child of the root window that holds the window: the window itself, or
# the frame a window manager put it in.
_xserver_top_level() {
    local w=$1 parent root
    root=$(xwininfo -root | awk '/Window id:/ {print $4}')
    while parent=$(xwininfo -children -id "$w" 2>/dev/null | awk '/Parent window id:/ {print $4}'); do
        [[ -n $parent && $((parent)) -ne $((root)) ]] || break
        w=$parent
    done
    echo $((w))
}

# xwininfo lists the root window's children from the top of the stack down.
window_on_top() {
    local mine other w
    mine=$(_xserver_top_level "$1")
    other=$(_xserver_top_level "$2")
    for w in $(xwininfo -root -children | awk '/^ +0x/ {print $1}'); do
        case $((w)) in
        "$mine") return 0 ;;
        "$other") return 1 ;;
        esac
    done
    return 1
}

# xdotool types a letter the keymap lacks by binding it for the one key stroke;
# a program that reads the key after the unbinding sees no letter.
xserver_keysyms() {
    python3 "$XSERVER_LIB/xkeysyms.py" "$@"
}

window_sync() {
    python3 "$XSERVER_LIB/wm_ping.py" "$1" "${2:-10}"
}

xserver_a11y() {
    "$XSERVER_A11Y_PYTHON" "$XSERVER_LIB/a11y.py" "$@"
}

xserver_dpi() {
    xrdb -query | awk '$1 == "Xft.dpi:" {print $2}'
}

# Painting follows reading the events, so a picture is only known to be final
# once it stops changing.
wait_settled() {
    local last="$XSERVER_DIR/settle-last.ppm"
    rm -f "$last"
    wait_until "$1" _xserver_same_picture "$2"
}

_xserver_same_picture() {
    local now="$XSERVER_DIR/settle-now.ppm" last="$XSERVER_DIR/settle-last.ppm"
    import -window "$1" "ppm:$now" 2>/dev/null || return 1
    [[ -f $last ]] && cmp -s "$now" "$last" && return 0
    mv "$now" "$last"
    return 1
}

# A window manager has taken over once it names its check window on the root.
wm_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

_xserver_log() {
    local f
    for f in "$XSERVER_DIR"/*.log; do
        [[ -s $f ]] && { echo "---- $(basename "$f") ----"; cat "$f"; }
    done
    return 0
}

# -displayfd reports the display once the server listens on it. A display
# number of our own, away from the low ones, keeps servers started at the same
# time apart; one in use makes Xvfb end at once, and another is tried.
_xserver_launch() {
    local size=$1 dpi=$2 n
    for _ in $(seq 10); do
        n=$((200 + RANDOM % 700))
        : >"$XSERVER_DIR/display"
        # Without -noreset the server resets whenever its last client leaves,
        # and a client connecting during the reset is turned away.
        Xvfb ":$n" -displayfd 3 -screen 0 "$size" -dpi "$dpi" -nolisten tcp -noreset \
            3>"$XSERVER_DIR/display" </dev/null >"$XSERVER_DIR/xvfb.log" 2>&1 &
        XSERVER_PID=$!
        wait_until 20 _xserver_launched
        [[ -s $XSERVER_DIR/display ]] && return 0
        kill "$XSERVER_PID" 2>/dev/null
        wait "$XSERVER_PID" 2>/dev/null
        XSERVER_PID=""
    done
    echo "Xvfb did not start"
    _xserver_log
    return 1
}

_xserver_launched() {
    [[ -s $XSERVER_DIR/display ]] || ! kill -0 "$XSERVER_PID" 2>/dev/null
}

# Openbox reads its settings from a folder of its own here, so that a
# developer's own settings do not change what the tests see.
_xserver_start_wm() {
    case $1 in
    openbox)
        xserver_require openbox xprop
        mkdir -p "$XSERVER_DIR/config" "$XSERVER_DIR/cache"
        XDG_CONFIG_HOME=$XSERVER_DIR/config XDG_CACHE_HOME=$XSERVER_DIR/cache \
            openbox --sm-disable </dev/null >"$XSERVER_DIR/wm.log" 2>&1 &
        XSERVER_WM_PID=$!
        ;;
    *) echo "no window manager $1"; return 1 ;;
    esac
    wait_until 20 _xserver_wm_settled
    wm_running || { echo "$1 did not take over the screen"; _xserver_log; return 1; }
}

_xserver_wm_settled() {
    wm_running || ! kill -0 "$XSERVER_WM_PID" 2>/dev/null
}

# Qt 6 takes its logical DPI from the Xft.dpi resource, not from the server's own
# figure, and reads it when a program starts.
_xserver_set_dpi() {
    xrdb -nocpp -merge <<<"Xft.dpi: $1" ||
        { echo "xrdb could not set Xft.dpi"; return 1; }
}

# A session bus and an accessibility bus of the server's own let tests read the
# programs' accessibility trees (a11y.py) without touching a desktop's buses.
# Programs and a11y.py find the accessibility bus through the session bus (its
# launcher also names it on the root window, as AT_SPI_BUS). The launcher's
# --a11y=1 sets the bus's org.a11y.Status IsEnabled flag, which is what switches
# Qt's accessibility bridge on. AT_SPI_BUS_ADDRESS is left unset: Qt 6.4 given it
# connects to the bus but never registers with it.
_xserver_start_buses() {
    local address="$XSERVER_DIR/session-bus-address"
    dbus-daemon --session --nofork --nopidfile --address="unix:path=$XSERVER_DIR/session-bus" \
        --print-address=3 3>"$address" </dev/null >"$XSERVER_DIR/dbus.log" 2>&1 &
    XSERVER_DBUS_PID=$!
    wait_until 20 _xserver_written_or_gone "$address" "$XSERVER_DBUS_PID"
    [[ -s $address ]] || { echo "the D-Bus session bus did not start"; _xserver_log; return 1; }
    DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$address")
    export DBUS_SESSION_BUS_ADDRESS
    "$XSERVER_A11Y_LAUNCHER" --launch-immediately --a11y=1 </dev/null >"$XSERVER_DIR/a11y.log" 2>&1 &
    XSERVER_A11Y_PID=$!
    wait_until 20 _xserver_a11y_named
    dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
        org.a11y.Bus.GetAddress 2>/dev/null | grep -q unix: ||
        { echo "the accessibility bus did not start"; _xserver_log; return 1; }
}

_xserver_written_or_gone() {
    [[ -s $1 ]] || ! kill -0 "$2" 2>/dev/null
}

# Asked before the launcher owns its name, the session bus would start another.
_xserver_a11y_named() {
    ! kill -0 "$XSERVER_A11Y_PID" 2>/dev/null ||
        dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q true
}

_xserver_chain_traps() {
    local previous=""
    eval "previous=($(trap -p EXIT))"
    # The caller's cleanup first, while the server still runs; a failure in it
    # must not keep the server alive.
    trap "{ ${previous[2]:-:}"$'\n''} || true'$'\n''xserver_stop' EXIT
    [[ -n $(trap -p INT) ]] || trap 'exit 130' INT
    [[ -n $(trap -p TERM) ]] || trap 'exit 143' TERM
    [[ -n $(trap -p HUP) ]] || trap 'exit 129' HUP
}

xserver_start() {
    local size=1280x1024x24 dpi=${XSERVER_DPI:-96} wm=""
    while (($#)); do
        case $1 in
        --size) size=$2 ;;
        --dpi) dpi=$2 ;;
        --wm) wm=$2 ;;
        *) echo "xserver_start: unknown argument $1"; return 1 ;;
        esac
        shift 2
    done
    [[ $wm == none ]] && wm=""
    xserver_require
    XSERVER_DIR=$(mktemp -d "${TMPDIR:-/tmp}/xserver.XXXXXX")
    _xserver_chain_traps
    _xserver_launch "$size" "$dpi" || return 1
    DISPLAY=":$(cat "$XSERVER_DIR/display")"
    export DISPLAY QT_QPA_PLATFORM=xcb
    export XDG_RUNTIME_DIR=$XSERVER_DIR/runtime
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    wait_until 20 xdotool getdisplaygeometry >/dev/null ||
        { echo "the X server does not answer"; _xserver_log; return 1; }
    _xserver_set_dpi "$dpi" || return 1
    _xserver_start_buses || return 1
    [[ -z $wm ]] || _xserver_start_wm "$wm"
}

xserver_stop() {
    local pid
    # The launcher ends its accessibility bus, whose registry daemon then ends too.
    for pid in "$XSERVER_WM_PID" "$XSERVER_A11Y_PID" "$XSERVER_DBUS_PID" "$XSERVER_PID"; do
        [[ -n $pid ]] || continue
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    XSERVER_WM_PID=""
    XSERVER_A11Y_PID=""
    XSERVER_DBUS_PID=""
    XSERVER_PID=""
    [[ -n $XSERVER_DIR ]] && rm -rf "$XSERVER_DIR"
    XSERVER_DIR=""
    return 0
}

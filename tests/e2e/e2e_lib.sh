# shellcheck shell=bash
# Helpers for driving the real editor from outside, the way a user does: real
# mouse clicks and key strokes (xdotool) on an X server of its own
# (scripts/lib/xserver.sh), and checks of what a user can observe: window
# titles, dialogs, the status bar, files on disk, the process. What is clicked
# and read is found in the running editor's accessibility tree (a11y.py), by
# name, never at a position written here. Every wait is for a condition.
# Sourced by e2e_editor.sh; every scenario runs in a subshell, so `fail` ends
# only the scenario it is called from.

E2E_TIMEOUT=${E2E_TIMEOUT:-10} # seconds to wait for anything that should happen
# Where in the text area a click lands below the last line of a short text, clear
# of the scroll bar, as fractions of its width and height.
TEXT_END_AT=0.85,0.9

# --- Reporting -------------------------------------------------------------

step() {
    STEP_NO=$((STEP_NO + 1))
    STEP="$*"
    echo "  [$SCENARIO.$STEP_NO] $STEP"
}

fail() {
    echo "FAIL: scenario $SCENARIO, step $STEP_NO ($STEP): $*"
    shot "FAILED"
    echo "---- editor output ----"
    cat "$DIR/app.log" 2>/dev/null || true
    echo "-----------------------"
    exit 1
}

# Saves a picture of the whole screen, named after the scenario and step.
shot() {
    [[ -n $SHOTS ]] && command -v import >/dev/null || return 0
    import -window root "$SHOTS/$(printf '%s-%02d-%s' "$SCENARIO" "$STEP_NO" "$1").png" \
        2>/dev/null || true
}

# --- The editor process ----------------------------------------------------

# Starts a fresh editor in the scenario's own folder and waits for its window.
start_app() {
    (cd "$DIR" && exec "$BIN" >"$DIR/app.log" 2>&1) &
    APP=$!
    WID=""
    wait_until "$E2E_TIMEOUT" main_window_shown || fail "no window titled Wimblet appeared"
    wait_title "Wimblet"
    focus_text
}

main_window_shown() {
    WID=$(xdotool search --onlyvisible --pid "$APP" --name '^Wimblet$' 2>/dev/null | head -n1)
    [[ -n $WID ]]
}

stop_app() {
    [[ -n ${APP:-} ]] && kill "$APP" 2>/dev/null
    return 0
}

# The editor has read every input event sent so far, or has ended. Checked
# after every input, so that the next step starts from where this one led.
settle_app() {
    wait_until "$E2E_TIMEOUT" app_read_input || fail "the editor stopped answering"
}

app_read_input() {
    ! kill -0 "$APP" 2>/dev/null || window_sync "$WID" 1 2>/dev/null
}

app_ended() {
    ! kill -0 "$APP" 2>/dev/null
}

expect_running() {
    settle_app
    # Nothing shows that a program will not end; give a wrongly ending one the
    # chance to do so.
    sleep 0.5
    kill -0 "$APP" 2>/dev/null || fail "the editor ended, it should still run"
    xwininfo -id "$WID" 2>/dev/null | grep -q 'IsViewable' || fail "the main window is gone"
}

expect_ended() {
    wait_until "$E2E_TIMEOUT" app_ended || fail "the editor still runs, it should have ended"
    local status=0
    wait "$APP" || status=$?
    [[ $status -eq 0 ]] || fail "the editor ended with exit status $status"
    APP=""
}

# --- Titles and windows ----------------------------------------------------

# The caption the program set (WM_NAME), and the title a window manager that
# follows the freedesktop rules shows in the title bar (_NET_WM_NAME).
title_of() {
    xprop -id "$1" -notype WM_NAME 2>/dev/null | sed -n 's/^WM_NAME = "\(.*\)"$/\1/p'
}

shown_title_of() {
    xprop -id "$1" -notype _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p'
}

wait_title() {
    wait_until "$E2E_TIMEOUT" title_is "$1" ||
        fail "main window title is \"$(title_of "$WID")\", expected \"$1\""
}

title_is() {
    [[ $(title_of "$WID") == "$1" ]]
}

# xdotool's search by process also lists the root window, which has no owner.
owned_by_app() {
    [[ $(xprop -id "$1" -notype _NET_WM_PID 2>/dev/null) == "_NET_WM_PID = $APP" ]]
}

# Prints the visible top-level windows of the editor, other than the main
# window and the menus, whose title matches the pattern.
windows_of() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$APP" --name "$1" 2>/dev/null); do
        [[ $w == "$WID" ]] && continue
        owned_by_app "$w" || continue
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: no' && echo "$w"
    done
}

# Waits for a dialog titled by the pattern and sets DLG to it; it must take the
# keyboard, as a modal dialog does when it opens.
wait_dialog() {
    local what=$1 pattern=$2
    DLG=""
    wait_until "$E2E_TIMEOUT" dialog_shown "$pattern" || fail "no $what appeared"
    wait_until "$E2E_TIMEOUT" window_focused "$DLG" || fail "the $what did not take the keyboard"
    # The dialog's own widgets take the focus once the editor has read the
    # window's focus event.
    settle_app
}

dialog_shown() {
    DLG=$(windows_of "$1" | head -n1)
    [[ -n $DLG ]]
}

wait_gone() {
    local window=$1 what=$2
    wait_until "$E2E_TIMEOUT" window_gone "$window" || fail "the $what is still open"
}

window_gone() {
    ! window_viewable "$1"
}

expect_no_dialog() {
    settle_app
    # A window that should not open shows no sign of not opening; give a
    # wrongly opening one the time to appear.
    sleep 0.5
    local open
    open=$(windows_of '')
    [[ -z $open ]] || fail "unexpected window open: \"$(title_of "${open%%$'\n'*}")\""
}

count_windows() {
    windows_of "$1" | wc -l
}

# --- Input -------------------------------------------------------------------

# Finds what the main window shows in its accessibility tree and clicks or reads
# it; the steps name it (see scripts/lib/a11y.py). Fails the scenario with why.
a11y() {
    local out status=0
    out=$(xserver_a11y --pid "$APP" --window "$WID" --timeout "$E2E_TIMEOUT" "$@" 2>&1) || status=$?
    ((status == 0)) || fail "$out"
    [[ -z $out ]] || echo "$out"
}

# Clicks into the text box below its last line, which puts the caret at the end
# of a short text and gives the editor the keyboard again: with no window
# manager a closed dialog hands the input focus back to the root window.
focus_text() {
    a11y click --at "$TEXT_END_AT" "text:"
    wait_until "$E2E_TIMEOUT" window_focused "$WID" || fail "the editor did not take the keyboard"
    settle_app
}

type_text() {
    xdotool type --delay 15 -- "$1"
    settle_app
}

press() {
    xdotool key --delay 60 "$@"
    settle_app
}

# Clicks the toolbar button of that name (its tooltip), then rests the pointer
# over the text so that no tooltip shows.
click_toolbar() {
    a11y click --rest "Toolbar" "push button:$1"
    settle_app
}

# Open menus are the editor's override-redirect windows other than tooltips.
# Qt does not always mark a reused menu window as a menu, so its type cannot
# be relied on; a tooltip's type can.
open_popups() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$APP" --name '' 2>/dev/null); do
        owned_by_app "$w" || continue
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
        xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP || echo "$w"
    done
}

# Opens the menus along the path with the mouse and clicks its last item:
#   click_menu "Tools" "Convert Text" "Normal --> Cute StyLe "
click_menu() {
    local steps=() part
    for part in "$@"; do
        steps+=("menu item:$part")
    done
    a11y menu --rest "${steps[@]}"
    wait_no_popup || fail "the menu stayed open after \"$(IFS=/ && echo "$*")\""
}

wait_no_popup() {
    wait_until "$E2E_TIMEOUT" no_popup && settle_app
}

no_popup() {
    [[ -z $(open_popups) ]]
}

# The status bar's panels, whole, as a user reads them: one a line, trailing
# blanks dropped. A screen reader finds the bar by its role, the panels as its children.
status_panels() {
    xserver_a11y --pid "$APP" --window "$WID" --timeout "$E2E_TIMEOUT" names "status bar:Status bar" |
        sed 's/ *$//'
}

# Waits until the caret's panel and the line count's panel read as given.
wait_status() {
    wait_until "$E2E_TIMEOUT" status_reads "$1" "$2" ||
        fail "the status bar reads \"$(status_panels | sed -n 3,4p | paste -sd '|')\", not \"$1|$2\""
}

status_reads() {
    [[ $(status_panels | sed -n 3,4p | paste -sd '|') == "$1|$2" ]]
}

# With no window manager a click does not bring a covered window to the front;
# do what a window manager would do before clicking into the main window. A
# window manager raises the frame instead, in its own time.
raise_main() {
    local other=$1
    xdotool windowraise "$WID"
    wait_until "$E2E_TIMEOUT" window_on_top "$WID" "$other" || fail "the main window stays covered"
}

# Types a full path into the file name field of an open file dialog and confirms it.
choose_file() {
    local what=$1 pattern=$2 path=$3
    wait_dialog "$what dialog" "$pattern"
    type_text "$path"
    shot "$(tr ' ' '-' <<<"$what")-typed"
    press Return
    wait_gone "$DLG" "$what dialog"
}

cancel_file_dialog() {
    local what=$1 pattern=$2
    wait_dialog "$what dialog" "$pattern"
    shot "$(tr ' ' '-' <<<"$what")-open"
    press Escape
    wait_gone "$DLG" "$what dialog"
}

# Answers the unsaved-changes prompt: Yes is its default button, No has the
# mnemonic N, Escape cancels.
answer_prompt() {
    wait_dialog "unsaved-changes prompt" '^Wimblet$'
    shot "prompt"
    case $1 in
    yes) press Return ;;
    no) press alt+n ;;
    cancel) press Escape ;;
    *) fail "no answer $1" ;;
    esac
    wait_gone "$DLG" "unsaved-changes prompt"
}

# --- Files -----------------------------------------------------------------

hex_of_file() {
    od -An -v -tx1 "$1" | tr -d ' \n'
}

# Waits until the file holds exactly the bytes given, with backslash escapes
# (\r, \n, \xHH) as printf %b reads them.
expect_bytes() {
    local file=$1 expected
    expected=$(printf '%b' "$2" | od -An -v -tx1 | tr -d ' \n')
    wait_until "$E2E_TIMEOUT" file_holds "$file" "$expected" && return 0
    [[ -f $file ]] || fail "$file was not written"
    fail "$file holds bytes $(hex_of_file "$file") ($(cat -v "$file")), expected $expected ($(printf '%b' "$2" | cat -v))"
}

file_holds() {
    [[ -f $1 && $(hex_of_file "$1") == "$2" ]]
}

# The scenario's folder holds nothing but the editor's output log.
expect_nothing_written() {
    settle_app
    # No sign shows that a file will not be written; give a wrongly written
    # one the time to appear.
    sleep 0.3
    local written
    written=$(find "$DIR" -mindepth 1 ! -name app.log -printf '%f ')
    [[ -z $written ]] || fail "files written: $written"
}

#!/bin/bash
# End-to-end tests of the real editor: each scenario starts a fresh editor on an
# X server of its own and uses it only from outside, with real mouse clicks and
# key strokes, then checks the window titles, the files on disk byte by byte and
# whether the process ended.
# Usage: e2e_editor.sh [--wm openbox] <wimblet binary> [screenshot folder or ""] [s1 s2 ...]
# --wm (or E2E_WM) runs the scenarios under that window manager, with frames,
# focus and stacking done by it; skipped where it is not installed.
# E2E_KEEP=1 keeps the work folder with the files and the editor logs.
set -uo pipefail
WM=${E2E_WM:-}
if [[ ${1:-} == --wm ]]; then
    WM=$2
    shift 2
fi
BIN=$(realpath "$1")
SHOTS=${2:-}
shift $(($# < 2 ? $# : 2))
HERE=$(dirname "$(realpath "$0")")
# shellcheck source=../../scripts/lib/xserver.sh
source "$HERE/../../scripts/lib/xserver.sh"
# python3 asks the editor whether it has read its input (window_sync); Debian's
# python3 with pyatspi finds what to click (a11y.py); xclip reads and fills the
# clipboard.
xserver_require xprop xwininfo xclip python3 pyatspi ${WM:+"$WM"}
export LC_ALL=C.UTF-8
# shellcheck source=e2e_lib.sh
source "$HERE/e2e_lib.sh"
# shellcheck source=e2e_windows.sh
source "$HERE/e2e_windows.sh"
# shellcheck source=e2e_files.sh
source "$HERE/e2e_files.sh"
# shellcheck source=e2e_textview.sh
source "$HERE/e2e_textview.sh"
# shellcheck source=e2e_reader.sh
source "$HERE/e2e_reader.sh"
# shellcheck source=e2e_scripts.sh
source "$HERE/e2e_scripts.sh"

WORK=$(mktemp -d)
cleanup() {
    if [[ -n ${E2E_KEEP:-} ]]; then
        echo "work folder kept: $WORK"
    else
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT

# --- Scenarios -------------------------------------------------------------

s1_convert_by_menu() {
    step "type an Indonesian sentence"
    type_text "saya mau makan nasi goreng"
    shot typed
    step "Tools > Convert Text > Normal --> Cute StyLe, by mouse"
    click_menu "Tools" "Convert Text" "Normal --> Cute StyLe "
    shot cute
    step "save it with Ctrl+S into a new file"
    focus_text
    press ctrl+s
    choose_file "Save As" '^Save As' "$DIR/cute.txt"
    expect_bytes "$DIR/cute.txt" 'sAY4 MaU MaKAn NaSi g0ReNg\r\n'
    wait_title "Wimblet - $DIR/cute.txt"
    shot saved-cute
    step "Tools > Convert Text > Cute StyLe --> Normal, by mouse"
    click_menu "Tools" "Convert Text" "Cute StyLe --> Normal"
    shot normal
    step "File > Save by mouse writes the same file without a dialog"
    click_menu "File" "Save"
    expect_bytes "$DIR/cute.txt" 'Saya mau makan nasi goreng\r\n'
    expect_no_dialog
    wait_title "Wimblet - $DIR/cute.txt"
    step "File > Exit by mouse on the saved document ends the editor without a prompt"
    click_menu "File" "Exit"
    expect_ended
}

s2_toolbar_by_mouse() {
    step "mnew with changes asks; answered No, the text is dropped"
    type_text "kata pertama"
    click_toolbar "Create New File"
    answer_prompt no
    wait_title "Wimblet"
    expect_running
    step "mopen shows the Open dialog; Escape cancels it"
    click_toolbar "Open File"
    cancel_file_dialog "Open" '^Open'
    wait_title "Wimblet"
    expect_running
    step "msave on the untitled document shows Save As"
    focus_text
    type_text "halo semua"
    click_toolbar "Save File"
    choose_file "Save As" '^Save As' "$DIR/toolbar.txt"
    expect_bytes "$DIR/toolbar.txt" 'halo semua\r\n'
    wait_title "Wimblet - $DIR/toolbar.txt"
    step "mcute, then msave writes the Cute Style text at once"
    click_toolbar "Convert Text to Cute Style"
    shot cute
    click_toolbar "Save File"
    expect_bytes "$DIR/toolbar.txt" 'H4Lo sEMUa\r\n'
    expect_no_dialog
    step "mnormal, then msave writes the normal text"
    click_toolbar "Convert Text to Normal Style"
    click_toolbar "Save File"
    expect_bytes "$DIR/toolbar.txt" 'Halo semua\r\n'
    step "mabout twice shows one About window; Return closes it"
    click_toolbar "About Wimblet"
    wait_dialog "About window" '^About Wimblet$'
    shot about
    raise_main "$DLG" # the About window may cover the toolbar's left end
    click_toolbar "About Wimblet"
    wait_dialog "About window" '^About Wimblet$'
    [[ $(count_windows '^About Wimblet$') -eq 1 ]] || fail "not exactly one About window"
    shot about-again
    xdotool windowfocus "$DLG"
    wait_until "$E2E_TIMEOUT" window_focused "$DLG" || fail "the About window did not take the keyboard"
    settle_app
    press Return
    wait_gone "$DLG" "About window"
    step "mclose on the saved document ends the editor"
    click_toolbar "Exit"
    expect_ended
}

s3_shortcut_keys() {
    step "Ctrl+N with changes asks; Cancel keeps the text"
    type_text "satu"
    press ctrl+n
    answer_prompt cancel
    wait_title "Wimblet"
    expect_running
    step "Ctrl+O shows the Open dialog"
    focus_text
    press ctrl+o
    cancel_file_dialog "Open" '^Open'
    step "Ctrl+S on the untitled document shows Save As"
    focus_text
    press ctrl+s
    choose_file "Save As" '^Save As' "$DIR/keys.txt"
    expect_bytes "$DIR/keys.txt" 'satu\r\n'
    wait_title "Wimblet - $DIR/keys.txt"
    step "F8 always shows Save As, also for a titled document"
    focus_text
    press F8
    choose_file "Save As" '^Save As' "$DIR/keys2.txt"
    expect_bytes "$DIR/keys2.txt" 'satu\r\n'
    wait_title "Wimblet - $DIR/keys2.txt"
    step "F1 shows About; Escape closes it"
    focus_text
    press F1
    wait_dialog "About window" '^About Wimblet$'
    shot about
    press Escape
    wait_gone "$DLG" "About window"
    step "Ctrl+S on the titled document writes it without a dialog"
    focus_text
    type_text " dua"
    press ctrl+s
    expect_bytes "$DIR/keys2.txt" 'satu dua\r\n'
    expect_no_dialog
    expect_bytes "$DIR/keys.txt" 'satu\r\n'
    step "F9 on the saved document ends the editor"
    focus_text
    press F9
    expect_ended
}

s4_open_and_save_paths() {
    # CR LF, a lone LF inside a line, Windows-1252 letters and quotes, no final break.
    local file="$DIR/dokumen lama.txt"
    local bytes='Caf\xe9 \x93kutip\x94\r\nbaris\nsatu\r\nakhir \x80'
    printf '%b' "$bytes" >"$file"
    step "unsaved typing is dropped by Ctrl+O without a prompt"
    type_text "buang ini"
    press ctrl+o
    choose_file "Open" '^Open' "$file"
    wait_title "Wimblet - $file"
    expect_no_dialog
    shot opened
    step "Ctrl+S writes the file back unchanged, plus the final CR LF"
    focus_text
    press ctrl+s
    expect_bytes "$file" "$bytes"'\r\n'
    step "Ctrl+S on the unchanged document writes the file again"
    rm "$file"
    press ctrl+s
    expect_bytes "$file" "$bytes"'\r\n'
    step "typing Latin-1 letters saves them as Windows-1252 bytes"
    focus_text
    type_text " é"
    press F8
    choose_file "Save As" '^Save As' "$DIR/baru.txt"
    expect_bytes "$DIR/baru.txt" "$bytes"' \xe9\r\n'
    wait_title "Wimblet - $DIR/baru.txt"
    expect_shared_settings_untouched
    step "F9 right after saving ends the editor without a prompt"
    focus_text
    press F9
    expect_ended
}

s5_exit_prompt() {
    step "Exit with changes, Cancel: the editor stays"
    type_text "batal"
    press F9
    answer_prompt cancel
    wait_title "Wimblet"
    expect_running
    step "Exit, Yes, Save As cancelled: the editor stays, nothing written"
    focus_text
    press F9
    answer_prompt yes
    cancel_file_dialog "Save As" '^Save As'
    wait_title "Wimblet - "
    expect_running
    expect_nothing_written
    step "Exit, No: the editor ends and writes nothing"
    focus_text
    press F9
    answer_prompt no
    expect_ended
    expect_nothing_written

    step "a fresh editor: Exit, Yes, Save As with a path writes and ends"
    start_app
    type_text "ya simpan"
    press F9
    answer_prompt yes
    choose_file "Save As" '^Save As' "$DIR/ya.txt"
    expect_bytes "$DIR/ya.txt" 'ya simpan\r\n'
    expect_ended
}

s6_close_request() {
    command -v python3 >/dev/null || { echo "  SKIP: python3 sends the close request"; exit 77; }
    step "close request on an unchanged document ends the editor"
    "$HERE/wm_delete_window.py" "$WID" || fail "could not send WM_DELETE_WINDOW"
    expect_ended

    step "changed, About open, close request answered Cancel: About closes, editor stays"
    start_app
    type_text "tutup"
    press F1
    wait_dialog "About window" '^About Wimblet$'
    local about=$DLG
    "$HERE/wm_delete_window.py" "$WID"
    answer_prompt cancel
    wait_gone "$about" "About window"
    expect_running
    step "close request, Yes, Save As cancelled: the editor stays"
    "$HERE/wm_delete_window.py" "$WID"
    answer_prompt yes
    cancel_file_dialog "Save As" '^Save As'
    expect_running
    step "close request, No: the editor ends and writes nothing"
    "$HERE/wm_delete_window.py" "$WID"
    answer_prompt no
    expect_ended
    expect_nothing_written

    step "a fresh editor: close request, Yes, Save As with a path writes and ends"
    start_app
    type_text "simpan dulu"
    "$HERE/wm_delete_window.py" "$WID"
    answer_prompt yes
    choose_file "Save As" '^Save As' "$DIR/tutup.txt"
    expect_bytes "$DIR/tutup.txt" 'simpan dulu\r\n'
    expect_ended
}

s7_auto_save() {
    step "save a first version"
    type_text "otomatis"
    press ctrl+s
    choose_file "Save As" '^Save As' "$DIR/auto.txt"
    expect_bytes "$DIR/auto.txt" 'otomatis\r\n'
    step "Tools > Auto Save > Every 15 seconds writes the changed text at once"
    focus_text
    type_text " satu"
    click_menu "Tools" "Auto Save" "Every 15 seconds"
    E2E_TIMEOUT=5 expect_bytes "$DIR/auto.txt" 'otomatis satu\r\n'
    wait_title "Wimblet - $DIR/auto.txt"
    step "after one tick the file holds the newer text"
    focus_text
    type_text " dua"
    shot typed
    E2E_TIMEOUT=20 expect_bytes "$DIR/auto.txt" 'otomatis satu dua\r\n'
    step "auto save left the document unchanged: F9 ends without a prompt"
    focus_text
    press F9
    expect_ended
}

s8_title_bar_text() {
    step "a saved document's title bar reads \"Wimblet - \" and the path, nothing more"
    type_text "judul"
    press ctrl+s
    choose_file "Save As" '^Save As' "$DIR/judul.txt"
    expect_bytes "$DIR/judul.txt" 'judul\r\n'
    wait_title "Wimblet - $DIR/judul.txt"
    local shown
    shown=$(shown_title_of "$WID")
    [[ $shown == "Wimblet - $DIR/judul.txt" ]] ||
        fail "a window manager shows the title \"$shown\""
    step "F9 ends"
    focus_text
    press F9
    expect_ended
}

# --- Runner ----------------------------------------------------------------

SCENARIOS=(s1_convert_by_menu s2_toolbar_by_mouse s3_shortcut_keys s4_open_and_save_paths
    s5_exit_prompt s6_close_request s7_auto_save s8_title_bar_text s9_status_figures
    s10_about_after_minimise s11_scaled_window_fits s12_special_files s13_utf16_file
    s14_new_lines_and_clipboard s15_large_document s16_screen_reader s17_scripts_drawn)

run_scenario() {
    SCENARIO=${1%%_*}
    STEP_NO=0
    STEP="start"
    DIR=$WORK/$SCENARIO
    mkdir -p "$DIR"
    # Settings a scenario's programs write land here, not in the user's own.
    export XDG_CONFIG_HOME=$WORK/config-$SCENARIO
    trap stop_app EXIT
    start_app
    "$1"
}

main() {
    [[ -n $SHOTS ]] && { mkdir -p "$SHOTS"; rm -f "$SHOTS"/s[0-9]*-*.png; }
    xserver_start ${WM:+--wm "$WM"} || exit 1
    xserver_keysyms eacute || exit 1 # typed in s4
    [[ -z $WM ]] || echo "window manager: $WM"
    local passed=0 failed=0 skipped=0 name selected=("$@") started status
    for name in "${SCENARIOS[@]}"; do
        if ((${#selected[@]})) && [[ " ${selected[*]} " != *" ${name%%_*} "* ]]; then
            continue
        fi
        echo "== $name"
        started=$SECONDS
        (run_scenario "$name")
        status=$?
        case $status in
        0) passed=$((passed + 1)) && echo "   ok ($((SECONDS - started)) s)" ;;
        77) skipped=$((skipped + 1)) ;;
        *) failed=$((failed + 1)) ;;
        esac
    done
    ((skipped == 0)) || echo "$skipped skipped"
    echo "$passed passed, $failed failed"
    ((failed == 0))
}

main "$@"

# shellcheck shell=bash
# Scenarios about what the windows show and where they sit: the status figures
# of a long document, the About window after it was minimised, the first window
# on a screen too small for it, and file dialogs that keep their history out of
# the settings every Qt program shares. Sourced by e2e_editor.sh.

# 2,000 lines of which one is long enough to wrap many times, no final break.
write_long_document() {
    awk 'BEGIN {
        for (i = 1; i <= 2000; i++) {
            if (i == 1000) {
                for (j = 0; j < 60; j++) printf "kata panjang sekali ";
            } else {
                printf "baris %d: saya mau makan nasi goreng", i;
            }
            if (i < 2000) printf "\r\n";
        }
    }' >"$1"
}

s9_status_figures() {
    local file="$DIR/panjang.txt"
    write_long_document "$file"
    step "open a 2,000-line document with a long wrapped line"
    press ctrl+o
    choose_file "Open" '^Open' "$file"
    wait_title "Wimblet - $file"
    step "Ctrl+End: the status bar shows the caret's line and column and the line count whole"
    focus_text
    press ctrl+End
    # Wrapped rows count as lines, so the long line makes more than 2,000; the caret
    # stands on the last, after its letters.
    local last="baris 2000: saya mau makan nasi goreng"
    wait_until "$E2E_TIMEOUT" status_at_end $((${#last} + 1)) 2000 ||
        fail "the status bar reads \"$(status_panels | sed -n 3,4p | paste -sd '|')\""
    wait_settled "$E2E_TIMEOUT" "$WID" || fail "the window kept changing"
    # Kept in the output for a person to see the figures shown whole.
    shot status-at-end
    step "F9 ends"
    press F9
    expect_ended
}

# Panel 3 reads "Ln N, Col <column>" and panel 4 "N Lines", N above the minimum.
status_at_end() {
    local panels lines
    panels=$(status_panels) || return 1
    lines=$(sed -n '4s/^\([0-9]*\) Lines$/\1/p' <<<"$panels")
    [[ -n $lines ]] && ((lines > $2)) && [[ $(sed -n 3p <<<"$panels") == "Ln $lines, Col $1" ]]
}

frame_state_of() {
    xprop -id "$1" WM_STATE 2>/dev/null | sed -n 's/^[[:space:]]*window state: //p'
}

window_state_is() {
    [[ $(frame_state_of "$1") == "$2" ]]
}

s10_about_after_minimise() {
    if [[ -z $WM ]]; then
        echo "   (no window manager: nothing minimises the About window)"
        press F9
        expect_ended
        return 0
    fi
    step "F1 shows About"
    press F1
    wait_dialog "About window" '^About Wimblet$'
    local about=$DLG
    step "the window manager minimises the About window"
    xdotool windowminimize "$about"
    wait_until "$E2E_TIMEOUT" window_state_is "$about" Iconic || fail "the About window was not minimised"
    shot about-minimised
    step "F1 again brings the same About window back, restored and raised"
    focus_text
    press F1
    wait_until "$E2E_TIMEOUT" window_state_is "$about" Normal ||
        fail "the About window stays $(frame_state_of "$about")"
    wait_until "$E2E_TIMEOUT" window_on_top "$about" "$WID" || fail "the About window is not on top"
    [[ $(count_windows '^About Wimblet$') -eq 1 ]] || fail "not exactly one About window"
    shot about-restored
    step "Escape closes it; F9 ends"
    wait_until "$E2E_TIMEOUT" window_focused "$about" || fail "the About window did not take the keyboard"
    press Escape
    wait_gone "$about" "About window"
    focus_text
    press F9
    expect_ended
}

# The rectangle a user sees: the frame when a window manager drew one.
outer_geometry_of() {
    local top
    top=$(_xserver_top_level "$1")
    xwininfo -id "$top" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

window_inside_screen() {
    local x y w h sw sh
    read -r x y w h <<<"$(outer_geometry_of "$1")"
    read -r sw sh <<<"$(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')"
    ((x >= 0 && y >= 0 && x + w <= sw && y + h <= sh))
}

s11_scaled_window_fits() {
    step "the editor started at twice the scale still fits the screen"
    press F9
    expect_ended
    (cd "$DIR" && QT_SCALE_FACTOR=2 exec "$BIN" >"$DIR/app.log" 2>&1) &
    APP=$!
    wait_until "$E2E_TIMEOUT" main_window_shown || fail "no window titled Wimblet appeared"
    settle_app
    # A window manager frames the window in its own time, then it is placed again.
    wait_settled "$E2E_TIMEOUT" "$WID" || fail "the window kept changing"
    shot scaled
    window_inside_screen "$WID" || fail "the window at $(outer_geometry_of "$WID") reaches off the screen"
    stop_app
    wait "$APP" 2>/dev/null
    APP=""
}

# Qt file dialogs would remember folders and sizes in the settings all Qt
# programs share; the editor keeps them to itself.
expect_shared_settings_untouched() {
    local shared="$XDG_CONFIG_HOME/QtProject.conf"
    [[ ! -e $shared ]] || fail "the file dialogs wrote $shared: $(tr '\n' ' ' <"$shared")"
}

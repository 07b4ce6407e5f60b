# shellcheck shell=bash
# Scenarios about the text itself in a large document: opening it, moving to its end,
# typing, selecting with the keys and copying, pasting, undoing, resizing the window
# and saving, with the file checked byte for byte at its end. Sourced by e2e_editor.sh.

# 200,000 short lines, about 7 MB, no final break: more than a refresh counts at once.
write_large_document() {
    awk 'BEGIN {
        for (i = 1; i <= 200000; i++) {
            printf "baris %d: saya mau makan nasi goreng", i;
            if (i < 200000) printf "\r\n";
        }
    }' >"$1"
}

# The file's last bytes, in hex.
tail_hex() {
    tail -c "$2" "$1" | od -An -tx1 | tr -d ' \n'
}

s15_large_document() {
    local file="$DIR/besar.txt"
    write_large_document "$file"
    local size
    size=$(stat -c %s "$file")
    step "open a 7 MB document of 200,000 lines"
    press ctrl+o
    choose_file "Open" '^Open' "$file"
    wait_title "Wimblet - $file"
    shot large-opened
    local typed=" akhir"
    step "Ctrl+End, type at the end, Shift+Home selects the line and Ctrl+C copies it"
    focus_text
    press ctrl+End
    type_text "$typed"
    press shift+Home ctrl+c End Return
    step "Ctrl+V pastes it on a new line, Ctrl+Z takes the paste back, Ctrl+V again; the status bar follows"
    press ctrl+v ctrl+z ctrl+v
    # Lines are counted while the editor is idle; the figures come once all are.
    E2E_TIMEOUT=30 wait_status "Ln 200001, Col 47" "200001 Lines"
    wait_settled "$E2E_TIMEOUT" "$WID" || fail "the window kept changing"
    shot large-end
    step "the window made narrower and wider again"
    xdotool windowsize "$WID" 500 400
    settle_app
    wait_settled "$E2E_TIMEOUT" "$WID" || fail "the window kept changing"
    shot large-narrow
    xdotool windowsize "$WID" 800 600
    settle_app
    step "Ctrl+S writes the document back, with the typing, the copy and a final CR LF"
    press ctrl+s
    wait_title "Wimblet - $file"
    local last='baris 200000: saya mau makan nasi goreng akhir'
    local expected
    expected=$(printf '%s\r\n%s\r\n' "$last" "$last" | od -An -tx1 | tr -d ' \n')
    [[ $(tail_hex "$file" $((${#last} * 2 + 4))) == "$expected" ]] ||
        fail "the end of the saved file is $(tail -c 120 "$file" | od -c | head -5)"
    local grown=$((size + ${#typed} + ${#last} + 4))
    [[ $(stat -c %s "$file") == "$grown" ]] || fail "the saved file holds $(stat -c %s "$file") bytes, not $grown"
    step "F9 ends"
    press F9
    expect_ended
}

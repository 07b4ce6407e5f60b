# shellcheck shell=bash
# A scenario as a screen reader meets the editor: what it is told of each change
# (read by a listener on the accessibility bus, as Orca listens), the text and its
# attributes as it reads them, and the characters' boxes it points at; with the
# editing keys users bring from other editors. Sourced by e2e_editor.sh.

reader() {
    "$XSERVER_A11Y_PYTHON" "$HERE/reader.py" --pid "$APP" --window "$WID" "$@"
}

# A listener of its own writes every change of the text to the scenario's log.
start_reader() {
    READER_LOG=$DIR/reader.log
    : >"$READER_LOG"
    "$XSERVER_A11Y_PYTHON" "$HERE/reader.py" listen "$READER_LOG" 2>>"$DIR/app.log" &
    READER=$!
    trap 'kill "$READER" 2>/dev/null; stop_app' EXIT
    wait_until "$E2E_TIMEOUT" grep -qx ready "$READER_LOG" || fail "the listener did not start"
}

# The listener was told of the change at least `times` times: a line of its log.
expect_told() {
    wait_until "$E2E_TIMEOUT" told_times "$1" "${2:-1}" ||
        fail "the reader was not told \"$1\"; it was told: $(tail -n 8 "$READER_LOG" | cut -c1-120)"
}

told_times() {
    (($(grep -cxF -- "$1" "$READER_LOG") >= $2))
}

# A popup opened that was not among those given; the editor has read the events
# up to its showing.
wait_new_popup() {
    wait_until "$E2E_TIMEOUT" new_popup "$1" && settle_app
}

new_popup() {
    local w
    for w in $(open_popups); do
        grep -qx "$w" <<<"$1" || return 0
    done
    return 1
}

# The attribute run at an offset, as "START END" and its attributes on one line.
attributes_at() {
    reader attributes "$1" | paste -sd ' '
}

s16_screen_reader() {
    local file="$DIR/baca.txt"
    printf 'Satu\nDua\r\nak\0hir' >"$file"
    start_reader
    step "a listening screen reader is told of typing as it happens"
    type_text "a"
    expect_told 'insert 0 1 "a"'
    step "a file opened is told whole, the lone LF as the arrow the screen shows"
    press ctrl+o
    choose_file "Open" '^Open' "$file"
    expect_told 'delete 0 1 " "'
    expect_told 'insert 0 16 "Satu\u2193Dua\r\nak\u2400hir"'
    step "read whole, the NUL as one symbol: the text after it is heard too"
    local whole
    whole=$(reader text)
    [[ $whole == '16 "Satu\u2193Dua\r\nak\u2400hir"' ]] || fail "the reader reads $whole"
    step "the status bar is one to the reader, its panels its children in order"
    wait_status "Ln 1, Col 1" "2 Lines"
    step "its attributes: the arrow is a grey run of its own, the text in the face drawn"
    local run
    run=$(attributes_at 4)
    [[ $run == "4 5 "*"fg-color:128,128,128"* ]] || fail "the arrow's run is \"$run\""
    run=$(attributes_at 0)
    [[ $run == "0 4 "*"family-name:"* && $run != *"fg-color:128,128,128"* ]] ||
        fail "the first word's run is \"$run\""
    step "a triple click on the first line, at its character's box, selects it with its break"
    local x y w h
    read -r x y w h <<<"$(reader charbox 2)"
    ((w > 3)) || fail "the character's box is $w px wide"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click --repeat 3 --delay 80 1
    settle_app
    press ctrl+c
    wait_until "$E2E_TIMEOUT" clipboard_holds "$(printf 'Satu\nDua\r\n' | od -An -v -tx1 | tr -d ' \n')" ||
        fail "the clipboard holds $(xclip -o -selection clipboard | od -An -tx1)"
    step "typing at the end, then Cute Style: told as the text it leaves"
    press ctrl+End
    type_text "x"
    expect_told 'insert 16 1 "x"'
    click_toolbar "Convert Text to Cute Style"
    expect_told 'delete 0 17 "Satu\u2193Dua\r\nak\u2400hirx"'
    local cute
    cute=$(reader text)
    expect_told "insert 0 $cute"
    step "Ctrl+Z takes it back and Ctrl+Y does it again, each told"
    press ctrl+z
    expect_told 'insert 0 17 "Satu\u2193Dua\r\nak\u2400hirx"'
    press ctrl+y
    expect_told "insert 0 $cute" 2
    step "Shift+F10 opens the context menu; Escape closes it"
    local before
    before=$(open_popups)
    press shift+F10
    wait_new_popup "$before" || fail "no context menu opened"
    press Escape
    wait_no_popup || fail "the context menu stayed open"
    step "Windows-1252 whose capitals and ß pair up with quotes is heard as written"
    local cp1252="$DIR/kutipan.txt"
    printf 'Er sagte \x93Fu\xdf\x94 und \x93Gru\xdf\x94 zu mir.\r\nGru\xdf\x93 aus K\xf6ln, CAF\xc9\x94 tr\xe8s bien' >"$cp1252"
    press ctrl+o
    choose_file "Open" '^Open' "$cp1252"
    local heard='66 "Er sagte \u201cFu\u00df\u201d und \u201cGru\u00df\u201d zu mir.\r\nGru\u00df\u201c aus K\u00f6ln, CAF\u00c9\u201d tr\u00e8s bien"'
    wait_until "$E2E_TIMEOUT" reads_as "$heard" || fail "the reader reads $(reader text)"
    step "F9 on the file just opened ends without a prompt"
    focus_text
    press F9
    expect_ended
}

reads_as() {
    [[ $(reader text) == "$1" ]]
}

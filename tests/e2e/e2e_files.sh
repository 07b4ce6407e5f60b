# shellcheck shell=bash
# Scenarios about files a user may pick and text a user may move: a named pipe
# refused at once, UTF-16 written back in its own form, new-line keys and the
# clipboard carrying the real characters. Sourced by e2e_editor.sh.

# An error message box titled "Wimblet" shows; Return closes it.
dismiss_error() {
    wait_dialog "error message" '^Wimblet$'
    shot "$1"
    press Return
    wait_gone "$DLG" "error message"
}

other_dialog_shown() {
    local w
    for w in $(windows_of "$1"); do
        [[ $w == "$2" ]] && continue
        window_focused "$w" && return 0
    done
    return 1
}

s12_special_files() {
    mkfifo "$DIR/pipa"
    step "Ctrl+O on a named pipe tells why at once and keeps the document"
    type_text "tetap"
    press ctrl+o
    choose_file "Open" '^Open' "$DIR/pipa"
    dismiss_error pipe-refused
    expect_running
    wait_title "Wimblet"
    step "Save As onto the named pipe is refused the same way; nothing waits on it"
    focus_text
    press F8
    wait_dialog "Save As dialog" '^Save As'
    local file_dialog=$DLG
    type_text "$DIR/pipa"
    press Return
    # The file dialog asks before replacing an existing file, in a box of its title.
    wait_until "$E2E_TIMEOUT" other_dialog_shown '^Save As' "$file_dialog" ||
        fail "the file dialog did not ask before replacing"
    shot replace-question
    press alt+y
    wait_gone "$file_dialog" "Save As dialog"
    dismiss_error pipe-not-replaced
    expect_running
    [[ -p $DIR/pipa ]] || fail "the named pipe was replaced"
    step "the document still holds the text: a save into a file writes it"
    focus_text
    press F8
    choose_file "Save As" '^Save As' "$DIR/tetap.txt"
    expect_bytes "$DIR/tetap.txt" 'tetap\r\n'
    expect_shared_settings_untouched
    focus_text
    press F9
    expect_ended
}

s13_utf16_file() {
    local file="$DIR/utf16.txt"
    printf '\xff\xfeS\x00a\x00t\x00u\x00\r\x00\n\x00D\x00u\x00a\x00' >"$file"
    step "a UTF-16 file opens, and typing at its end saves it as UTF-16 again"
    press ctrl+o
    choose_file "Open" '^Open' "$file"
    wait_title "Wimblet - $file"
    focus_text
    press ctrl+End
    type_text "!"
    press ctrl+s
    expect_bytes "$file" '\xff\xfeS\x00a\x00t\x00u\x00\r\x00\n\x00D\x00u\x00a\x00!\x00\r\x00\n\x00'
    press F9
    expect_ended
}

# The clipboard (or the named selection) holds the bytes given in hex.
clipboard_holds() {
    [[ $(xclip -o -selection "${2:-clipboard}" 2>/dev/null | od -An -v -tx1 | tr -d ' \n') == "$1" ]]
}

s14_new_lines_and_clipboard() {
    local file="$DIR/potong.txt"
    printf 'x\ny' >"$file"
    step "Shift+Return and both keypad Enters break the line as Return does"
    type_text "a"
    press shift+Return
    type_text "b"
    press KP_Enter
    type_text "c"
    press shift+KP_Enter
    type_text "d"
    press Return
    press ctrl+s
    choose_file "Save As" '^Save As' "$DIR/baris.txt"
    expect_bytes "$DIR/baris.txt" 'a\r\nb\r\nc\r\nd\r\n\r\n'
    step "a line holding a lone LF copies as that LF, also to the primary selection, and pastes back as it"
    focus_text
    press ctrl+o
    choose_file "Open" '^Open' "$file"
    wait_title "Wimblet - $file"
    focus_text
    press ctrl+a ctrl+c
    local expected
    expected=$(printf 'x\ny' | od -An -v -tx1 | tr -d ' \n')
    wait_until "$E2E_TIMEOUT" clipboard_holds "$expected" ||
        fail "the clipboard holds $(xclip -o -selection clipboard | od -An -tx1)"
    wait_until "$E2E_TIMEOUT" clipboard_holds "$expected" primary ||
        fail "the primary selection holds $(xclip -o -selection primary | od -An -tx1)"
    press ctrl+End ctrl+v ctrl+s
    expect_bytes "$file" 'x\nyx\ny\r\n'
    step "text another program put on the clipboard pastes with its line breaks"
    # xclip serves the clipboard until it is stopped or another program takes it.
    printf 'p\r\nq' | xclip -quiet -selection clipboard -i 2>/dev/null &
    local owner=$!
    wait_until "$E2E_TIMEOUT" clipboard_holds "$(printf 'p\r\nq' | od -An -v -tx1 | tr -d ' \n')" ||
        fail "xclip did not take the clipboard"
    press ctrl+End ctrl+v ctrl+s
    kill "$owner" 2>/dev/null
    expect_bytes "$file" 'x\nyx\nyp\r\nq\r\n'
    step "a middle click below the text pastes the primary selection there"
    a11y click --button 2 --at "$TEXT_END_AT" "text:"
    settle_app
    press ctrl+s
    expect_bytes "$file" 'x\nyx\nyp\r\nqx\ny\r\n'
    press F9
    expect_ended
}

# shellcheck shell=bash
# A scenario about the pixels a user sees of text in other scripts: a wrapped Tamil
# paragraph, flag emoji and a Hebrew word, each looked for where the accessibility
# tree says its rows and characters stand. Sourced by e2e_editor.sh.

pixels() {
    python3 "$HERE/pixels.py" "$@"
}

# A picture of the whole screen for the checks, also kept with the screenshots.
grab() {
    import -window root -depth 8 "$DIR/$1.ppm" 2>/dev/null || fail "no picture of the screen"
    [[ -z $SHOTS ]] || convert "$DIR/$1.ppm" "$SHOTS/$(printf '%s-%02d-%s' "$SCENARIO" "$STEP_NO" "$1").png"
}

# Whether fontconfig knows a font for the pattern (":lang=ta", ":charset=1f1ee").
has_font() {
    [[ -n $(fc-list "$1" family 2>/dev/null) ]]
}

# A Tamil paragraph that wraps, 40 flags with blanks between, a Latin and Hebrew line.
write_scripts_text() {
    local words="வணக்கம் தமிழ் நன்றி உலகம் பள்ளிக்கூடம் கொண்டாட்டம்" i
    {
        for i in $(seq 10); do printf '%s ' "$words"; done
        printf '%s\r\n🇮🇩' "$words"
        for i in $(seq 39); do printf ' 🇮🇩'; done
        printf '\r\nab שלום\r\nx\r\n'
    } >"$1"
}

s17_scripts_drawn() {
    command -v import >/dev/null || { echo "  SKIP: ImageMagick's import takes the pictures"; exit 77; }
    local file="$DIR/aksara.txt"
    write_scripts_text "$file"
    step "open a text of Tamil, flags and Hebrew; the caret at its start"
    press ctrl+o
    choose_file "Open" '^Open' "$file"
    wait_title "Wimblet - $file"
    focus_text
    press ctrl+Home
    wait_settled "$E2E_TIMEOUT" "$WID" || fail "the window kept changing"
    grab opened
    local ax aw sx sy sw sh
    read -r ax _ aw _ <<<"$(a11y box "text:")"
    read -r sx sy sw sh <<<"$(a11y box "text:" "scroll bar:")"
    # Rows as the tree tells them: the box of each one's first character, and its text.
    local start x y h text left="" tamil=() flags=() hebrew=""
    while read -r start _ x y _ h text; do
        left=${left:-$x}
        case $text in
        *வணக்கம்* | *கொண்டாட்டம்*) tamil+=("$y $h") ;;
        *🇮🇩*) flags+=("$y $h") ;;
        '"ab '*) hebrew="$start $x $y $h" ;;
        esac
    done <<<"$(reader rows)"
    if ((${#tamil[@]} < 2 || ${#flags[@]} == 0)) || [[ -z $hebrew ]]; then
        fail "the rows on screen are not those of the text: $(reader rows | cut -c1-60)"
    fi
    # The frame is as wide left of the text as right of the scroll bar, and the text
    # leaves the same margin on both sides of its rows.
    local margin=$((left - ax - (ax + aw - sx - sw)))
    local right=$((sx - margin))
    ((margin > 0 && right > left + 100)) || fail "no room for the rows: from $left to $right"

    step "the right margin, from the rows' end to the scroll bar, holds no ink"
    # The caret stands at the start of the first row, far from the margin.
    local ink first last coloured background
    read -r ink first last coloured background <<<"$(pixels ink "$DIR/opened.ppm" "$right" "$sy" "$margin" "$sh")"
    ((ink == 0)) || fail "$ink pixels of ink between x=$first and $last, right of the rows' end at x=$right"
    local paper=$background

    step "the flags fill their first row before wrapping, drawn in colour"
    read -r y h <<<"${flags[0]}"
    read -r ink first last coloured background <<<"$(pixels ink "$DIR/opened.ppm" "$left" "$y" $((right - left)) "$h")"
    ((${#flags[@]} == 1 || (last - left) * 5 >= (right - left) * 4)) ||
        fail "the flags wrap onto ${#flags[@]} rows, the first reaching x=$last of $left to $right"
    if has_font ':charset=1f1ee:color=true'; then
        ((coloured > 0)) || fail "the flags' row at y=$y shows no colour"
    else
        echo "   (no colour emoji font: the flags are drawn as letters; their colour is not checked)"
    fi

    step "the Tamil rows stand each in its band, their ink apart where the bands meet"
    if ! has_font ':lang=ta'; then
        echo "   (no Tamil font: its letters are drawn as boxes, not checked)"
    else
        local top=${tamil[0]%% *} i profile=() peak=0 least n above tall
        read -r y h <<<"${tamil[-1]}"
        read -ra profile <<<"$(pixels profile "$DIR/opened.ppm" "$left" "$top" $((right - left)) $((y + h - top)))"
        for n in "${profile[@]}"; do ((n > peak)) && peak=$n; done
        for ((i = 0; i < ${#tamil[@]}; i++)); do
            read -r y h <<<"${tamil[i]}"
            ink=0
            for n in "${profile[@]:y-top:h}"; do ink=$((ink + n)); done
            ((ink > 0)) || fail "Tamil row $((i + 1)) shows no ink in its band y=$y+$h"
            ((i == 0)) && continue
            read -r above tall <<<"${tamil[i - 1]}"
            ((above + tall <= y)) || fail "Tamil row $i's band reaches over row $((i + 1))'s at y=$y"
            # Some line of pixels within 2 px of where the bands meet is all but empty.
            least=$peak
            for n in "${profile[@]:y-top-2:5}"; do ((n < least)) && least=$n; done
            ((least * 20 <= peak)) ||
                fail "Tamil rows $i and $((i + 1)) run together at y=$y: no line within 2 px has under a twentieth of a row's $peak ink pixels"
        done
    fi

    step "a Hebrew word at a row's end shows as much when its line break is selected too"
    if ! has_font ':lang=he'; then
        echo "   (no Hebrew font: its letters are drawn as boxes, not checked)"
        press F9
        expect_ended
        return 0
    fi
    local hstart hx hy hh bx bw from to line all
    read -r hstart hx hy hh <<<"$hebrew"
    # Where the word is drawn: the ink after the "b". The boxes the tree gives the
    # right-to-left letters themselves are not relied on.
    read -r bx _ bw _ <<<"$(reader charbox $((hstart + 1)))"
    read -r ink from to coloured background <<<"$(pixels ink "$DIR/opened.ppm" $((bx + bw)) "$hy" $((right - bx - bw)) "$hh")"
    ((ink > 0)) || fail "no Hebrew word shows right of x=$((bx + bw)) in the row at y=$hy"
    to=$((to + 1))
    xdotool mousemove $((hx + 1)) $((hy + hh / 2)) click 1
    settle_app
    # From the end back to the start, so that the caret stands left of the word.
    press End shift+Home ctrl+c
    wait_until "$E2E_TIMEOUT" clipboard_holds "$(printf 'ab שלום' | od -An -v -tx1 | tr -d ' \n')" ||
        fail "the selection holds \"$(xclip -o -selection clipboard)\", not the row"
    wait_settled "$E2E_TIMEOUT" "$WID" || fail "the window kept changing"
    grab line-selected
    read -r line first last coloured background <<<"$(pixels ink "$DIR/line-selected.ppm" "$from" "$hy" $((to - from)) "$hh")"
    [[ $background != "$paper" ]] || fail "the selected Hebrew word at x=$from to $to is not highlighted"
    ((line > 0)) || fail "the selected Hebrew word at x=$from to $to shows no letters"
    local highlight=$background
    press ctrl+a
    wait_settled "$E2E_TIMEOUT" "$WID" || fail "the window kept changing"
    grab all-selected
    read -r all first last coloured background <<<"$(pixels ink "$DIR/all-selected.ppm" "$from" "$hy" $((to - from)) "$hh")"
    [[ $background == "$highlight" ]] || fail "with everything selected the Hebrew word stands on $background, not $highlight"
    ((all >= line)) ||
        fail "with its line break selected the Hebrew word shows $all pixels of its letters, $line without"

    step "F9 ends"
    press F9
    expect_ended
}

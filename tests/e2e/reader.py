#!/usr/bin/python3
"""What a screen reader meets in the editor's text area, through AT-SPI.

Usage:
  reader.py listen LOG           write each text change of a multi-line text as
                                 "insert|delete POS LENGTH TEXT" (TEXT as JSON) to LOG,
                                 after a first line "ready"; runs until stopped
  reader.py --pid P --window W text            the text area's length and text (JSON)
  reader.py --pid P --window W attributes N    its attribute run at offset N:
                                 "START END" and then a "name:value" a line
  reader.py --pid P --window W charbox N       the box of its character at N,
                                 "X Y WIDTH HEIGHT" in screen pixels
  reader.py --pid P --window W rows            each row on screen as "START END X Y
                                 WIDTH HEIGHT TEXT": its offsets, past its line break,
                                 the box of its first character and its text (JSON)
"""
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), "../../scripts/lib"))
import a11y  # noqa: E402 (exits 77 when pyatspi is missing)

pyatspi = a11y.pyatspi


def listen(log):
    out = open(log, "a", buffering=1, encoding="utf-8")

    def changed(event):
        try:
            if not event.source.getState().contains(pyatspi.STATE_MULTI_LINE):
                return  # the file dialog's name field, say
        except Exception:
            return
        kind = event.type.split(":")[-1]
        out.write(f"{kind} {event.detail1} {event.detail2} {json.dumps(event.any_data)}\n")

    for kind in ("insert", "delete"):
        pyatspi.Registry.registerEventListener(changed, "object:text-changed:" + kind)
    out.write("ready\n")
    pyatspi.Registry.start()


def text_area(pid, window):
    frame = a11y.wait_for(10, lambda: a11y.main_window(pid))
    return frame, a11y.wait_for(10, lambda: a11y.resolve(frame, ["text:"]))


def main():
    if sys.argv[1] == "listen":
        return listen(sys.argv[2])
    pid, window, command, *rest = int(sys.argv[2]), sys.argv[4], sys.argv[5], *sys.argv[6:]
    frame, area = text_area(pid, window)
    text = area.queryText()
    if command == "text":
        print(text.characterCount, json.dumps(text.getText(0, text.characterCount)))
    elif command == "attributes":
        attributes, start, end = text.getAttributeRun(int(rest[0]), False)
        print(start, end)
        print("\n".join(sorted(attributes)))
    elif command == "charbox":
        print(*charbox(text, int(rest[0]), a11y.Screen(window, frame).mapping()))
    elif command == "rows":
        to_screen = a11y.Screen(window, frame).mapping()
        start = 0
        while start < text.characterCount:
            _, start, end = text.getTextAtOffset(start, pyatspi.TEXT_BOUNDARY_LINE_START)
            box = charbox(text, start, to_screen)
            if box[3] <= 0:
                break  # below the last row on screen
            print(start, end, *box, json.dumps(text.getText(start, end), ensure_ascii=False))
            if end <= start:
                break
            start = end


def charbox(text, offset, to_screen):
    x, y, w, h = text.getCharacterExtents(offset, pyatspi.DESKTOP_COORDS)
    (left, top), (right, bottom) = to_screen(x, y), to_screen(x + w, y + h)
    return left, top, right - left, bottom - top


if __name__ == "__main__":
    main()

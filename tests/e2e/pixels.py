#!/usr/bin/python3
"""What a box of a screen picture (a binary PPM, as ImageMagick's import writes it
with -depth 8) shows: ink, the pixels that stand out from the box's commonest
colour, its background.

Usage:
  pixels.py ink FILE X Y W H      "INK LEFT RIGHT COLOURED R,G,B": how many ink
                                  pixels, the first and last column holding any (-1
                                  when none), how many of them are coloured (not
                                  grey) and the background
  pixels.py profile FILE X Y W H  the ink pixels of each row of the box, top down
"""
import sys
from collections import Counter

# Antialiased edges are paler: only pixels this far from the background on some
# channel count, which a glyph's strokes are at any size.
INK = 100
# Channels this far apart make a pixel coloured: an emoji's, not a grey edge's.
COLOURED = 100


def read_ppm(path):
    data = open(path, "rb").read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P6" or fields[3] != b"255":
        sys.exit(f"{path}: not an 8-bit binary PPM")
    return int(fields[1]), data[at + 1:]


def box_pixels(path, x, y, w, h):
    width, data = read_ppm(path)
    rows = []
    for row in range(y, y + h):
        line = data[(row * width + x) * 3:(row * width + x + w) * 3]
        rows.append([tuple(line[i:i + 3]) for i in range(0, len(line), 3)])
    return rows


def main():
    command, path, *box = sys.argv[1:]
    rows = box_pixels(path, *map(int, box))
    background = Counter(p for row in rows for p in row).most_common(1)[0][0]

    def ink(p):
        return max(abs(a - b) for a, b in zip(p, background)) >= INK

    if command == "profile":
        print(*(sum(map(ink, row)) for row in rows))
        return
    columns = [x for row in rows for x, p in enumerate(row) if ink(p)]
    coloured = sum(max(p) - min(p) >= COLOURED for row in rows for p in row if ink(p))
    left, right = (min(columns) + int(box[0]), max(columns) + int(box[0])) if columns else (-1, -1)
    print(len(columns), left, right, coloured, ",".join(map(str, background)))


if __name__ == "__main__":
    main()

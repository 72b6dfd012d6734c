#!/usr/bin/env python3
"""The pictures check's one allowance between processors, on pictures made here: a pixel of a text's
layer with no channel off by more than 1 is the font library's rounding; every other difference
outside the moving layers counts. Exit status 0 when every case holds."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import screencheck  # noqa: E402

WIDTH, HEIGHT = 8, 4
TEXT = [(0, 0, 4, 4)]    # a text's layer: the left half
MOVING = [(6, 0, 8, 4)]  # a layer whose pixels move with the moment: the last two columns


def picture(changes=()):
    rows = [bytearray([40, 50, 60] * WIDTH) for _ in range(HEIGHT)]
    for (x, y, rgb) in changes:
        rows[y][3 * x:3 * x + 3] = bytes(rgb)
    return (WIDTH, HEIGHT, [bytes(r) for r in rows])


# name, changed pixels of the fresh picture, (differing, rounding) expected
CASES = [
    ("the same picture", [], (0, 0)),
    ("glyph edge off by 1 in every channel", [(1, 1, (41, 49, 61))], (0, 1)),
    ("off by 1 outside every text", [(5, 1, (41, 50, 60))], (1, 0)),
    ("off by 2 in a text", [(1, 1, (42, 50, 60))], (1, 0)),
    ("one channel off by 2, the others by 1", [(2, 2, (41, 51, 62))], (1, 0)),
    ("anything in a moving layer", [(6, 0, (255, 0, 0)), (7, 3, (0, 0, 0))], (0, 0)),
    ("both kinds at once", [(0, 0, (39, 50, 60)), (3, 3, (0, 0, 0)), (4, 0, (41, 50, 60))], (2, 1)),
]


def main():
    failed = 0
    for name, changes, expected in CASES:
        got = screencheck.differing_pixels(picture(), picture(changes), MOVING, TEXT)
        if got != expected:
            print("FAIL %s: (differing, rounding) %s, expected %s" % (name, got, expected))
            failed += 1
    print("%d passed, %d failed" % (len(CASES) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks that each of the README's pictures is a picture of its own state.

  screencheck.py RUN_SCREENS DOCS_SCREENS PHONE_PICTURE

RUN_SCREENS holds what the main job (tools/main-job.sh) just took: N-STATE.bmp and beside it
N-STATE.layers, the program's "layers" answer at the same moment. DOCS_SCREENS holds the README's
N-STATE.png. PHONE_PICTURE is the build's phone-picture program (phonesim's test pattern as the
head unit shows it).

- waiting, linking, starting: the fresh layer tree shows the state's container alone with the
  state's texts, and the README's picture equals the fresh one, pixel for pixel, outside the
  layers whose pixels move with the moment or the build (the spinner, the progress bar, the
  version label with the build's time). The one difference allowed is the font library's own
  rounding, which differs between processors (FreeType on 32-bit ARM against x86-64): a pixel
  inside a layer that holds a text, no channel off by more than 1. Such pixels are counted and
  said, never hidden.
- video: the fresh layer tree shows the video frame over the whole screen, and the fresh picture
  and the README's are both phonesim's test pattern of the frame number the picture carries.

Exit status 0 every picture is of its state, 1 one is not (each fault a line), 2 usage.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bmp2png  # noqa: E402

# The connection screen's state containers: the layers answer lists shown layers only, so one of
# them is there in each state.
CONTAINERS = ["USB_OUT", "container_NotExist", "container_hidecorvane", "container_Linking",
              "container_Starting", "corvane_video", "container_calling"]

# picture, its state's container, the texts the state shows, the layers left out of the comparison
STATES = [
    ("1-waiting", "USB_OUT",
     ["请用USB线连接手机", "连接后，手机画面会显示在这里", "连接帮助", "停用U盘", "启用U盘"],
     ["corvane_version"]),
    ("2-linking-20", "container_Linking", ["正在连接... 20 %", "请不要拔出USB线"], ["LOADING"]),
    ("3-starting", "container_Starting", ["正在打开手机画面", "请解锁手机，并在手机上点“允许”"],
     ["RESPROGRESS"]),
]
VIDEO = "4-video"

# phonesim's pattern: a top band of 24 cells, W / 24 wide and max(8, H / 6) high, cell i white
# when bit 23 - i of the frame number is set.
PATTERN_BITS = 24


def read_layers(path):
    """{name: (rect, text)} of a layers answer; text None for a layer without one."""
    layers = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            words = line.strip().split(" ", 4)
            if len(words) < 4:
                continue
            rect = tuple(int(v) for v in words[3].split(","))
            text = None
            if len(words) == 5 and words[4].startswith('"') and words[4].endswith('"'):
                text = words[4][1:-1]
            layers[words[1]] = (rect, text)
    return layers


def read_picture(path):
    with open(path, "rb") as f:
        data = f.read()
    return bmp2png.read_png(data) if path.endswith(".png") else bmp2png.read_bmp(data)


def inside(x, y, rects):
    return any(l <= x < r and t <= y < b for (l, t, r, b) in rects)


def differing_pixels(a, b, left_out, text_rects=()):
    """(differing, rounding): pixels that differ between two pictures of one size, outside the
    rectangles left out; those inside a text's rectangle with no channel off by more than 1 are
    counted apart, as the font library's rounding."""
    (width, height, rows_a), (_, _, rows_b) = a, b
    count = rounding = 0
    for y in range(height):
        if rows_a[y] == rows_b[y]:
            continue
        for x in range(width):
            pa, pb = rows_a[y][3 * x:3 * x + 3], rows_b[y][3 * x:3 * x + 3]
            if pa == pb or inside(x, y, left_out):
                continue
            if max(abs(i - j) for i, j in zip(pa, pb)) <= 1 and inside(x, y, text_rects):
                rounding += 1
            else:
                count += 1
    return count, rounding


def pattern_frame(picture):
    """The frame number the pattern's top band carries (0: no cell is white)."""
    width, height, rows = picture
    cell, band = width // PATTERN_BITS, max(8, height // 6)
    frame = 0
    for i in range(PATTERN_BITS):
        x = i * cell + cell // 2
        pixel = rows[band // 2][3 * x:3 * x + 3]
        frame = frame << 1 | (1 if min(pixel) >= 128 else 0)
    return frame


def check_state(run, docs, name, container, texts, moving, faults):
    layers = read_layers(os.path.join(run, name + ".layers"))
    shown = [c for c in CONTAINERS if c in layers]
    if shown != [container]:
        faults.append("%s: the program showed %s, not %s alone" % (name, shown or "no state", container))
    for text in texts:
        if not any(t == text for (_, t) in layers.values()):
            faults.append("%s: no layer holds the state's text \"%s\"" % (name, text))
    left_out = [layers[m][0] for m in moving if m in layers]
    fresh = read_picture(os.path.join(run, name + ".bmp"))
    committed = read_picture(os.path.join(docs, name + ".png"))
    if committed[:2] != fresh[:2]:
        faults.append("%s.png: %dx%d, the screen is %dx%d" % (name, committed[0], committed[1], fresh[0],
                                                               fresh[1]))
        return
    text_rects = [rect for (rect, text) in layers.values() if text]
    count, rounding = differing_pixels(committed, fresh, left_out, text_rects)
    if count:
        faults.append("%s.png: %d pixels differ from the state's fresh picture (outside %s)" %
                      (name, count, ", ".join(moving)))
    if rounding:
        print("screencheck: %s.png: %d pixels of glyph edges off by 1, the font library's rounding on this "
              "processor (allowed)" % (name, rounding))


def check_video(run, docs, phone_picture, faults):
    layers = read_layers(os.path.join(run, VIDEO + ".layers"))
    frame = layers.get("video_frame")
    dialog = layers.get("CMainDlg")
    if "corvane_video" not in layers or not frame or not dialog or frame[0] != dialog[0]:
        faults.append("%s: the program showed no video frame over the whole screen" % VIDEO)
        return
    for path in (os.path.join(run, VIDEO + ".bmp"), os.path.join(docs, VIDEO + ".png")):
        picture = read_picture(path)
        width, height, rows = picture
        number = pattern_frame(picture)
        if number == 0:
            faults.append("%s: not phonesim's test pattern (its top band carries no frame number)" % path)
            continue
        made = subprocess.run([phone_picture, str(number), str(width), str(height)], stdout=subprocess.PIPE,
                              check=False)
        if made.returncode != 0:
            faults.append("%s: phone-picture could not make frame %d" % (path, number))
            continue
        stride = width * 3
        expected = (width, height, [made.stdout[y * stride:(y + 1) * stride] for y in range(height)])
        count, _ = differing_pixels(picture, expected, [])
        if count:
            faults.append("%s: %d pixels differ from phonesim's test pattern of frame %d" % (path, count, number))
        else:
            print("screencheck: %s: phonesim's test pattern, frame %d" % (path, number))


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    run, docs, phone_picture = argv
    faults = []
    try:
        for name, container, texts, moving in STATES:
            check_state(run, docs, name, container, texts, moving, faults)
            if not any(f.startswith(name) for f in faults):
                print("screencheck: %s: %s with its texts" % (name, container))
        check_video(run, docs, phone_picture, faults)
    except (OSError, bmp2png.BmpError) as e:
        faults.append(str(e))
    for f in faults:
        print("screencheck: %s" % f, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

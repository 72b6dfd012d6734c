#!/usr/bin/env python3
"""Converts the BMP pictures the programs write (a screen, a dialog) into PNG files.

  bmp2png.py IN.bmp [OUT.png]        OUT defaults to IN with the extension .png
  bmp2png.py IN.bmp... -d DIR        each into DIR, named after its BMP (DIR made when missing)

Reads uncompressed BMPs of 16 bits (BI_BITFIELDS, e.g. 565, or 555 BI_RGB), 24 and 32 bits
(BI_RGB, the fourth byte unused, or BI_BITFIELDS), rows bottom-up or top-down. Writes 8-bit RGB
PNGs with the standard library only. Exit status 0 converted, 1 a file could not be read or
written, 2 usage.
"""
import os
import struct
import sys
import zlib

BI_RGB = 0
BI_BITFIELDS = 3


class BmpError(Exception):
    pass


def _mask_shift(mask):
    """The shift and width of a colour mask's bits."""
    if mask == 0:
        return 0, 0
    shift = (mask & -mask).bit_length() - 1
    return shift, (mask >> shift).bit_length()


def _channel(value, mask):
    shift, width = _mask_shift(mask)
    if width == 0:
        return 0
    top = (1 << width) - 1
    return (((value & mask) >> shift) * 255 + top // 2) // top


def read_bmp(data):
    """(width, height, rows): rows top-down, each a bytes object of width RGB triples."""
    if len(data) < 54 or data[:2] != b"BM":
        raise BmpError("not a BMP file")
    (offset,) = struct.unpack_from("<I", data, 10)
    header_size, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if header_size < 40 or planes != 1 or width <= 0 or height == 0:
        raise BmpError("unsupported BMP header")
    top_down = height < 0
    height = abs(height)
    if compression == BI_BITFIELDS:
        # The masks follow a 40-byte header; a longer header carries them inside.
        if 14 + 40 + 12 > len(data):
            raise BmpError("BMP masks missing")
        masks = struct.unpack_from("<III", data, 14 + 40)
    elif compression == BI_RGB and bits == 16:
        masks = (0x7C00, 0x03E0, 0x001F)
    elif compression == BI_RGB and bits in (24, 32):
        masks = (0xFF0000, 0x00FF00, 0x0000FF)
    else:
        raise BmpError("unsupported BMP compression %d at %d bits" % (compression, bits))
    if bits not in (16, 24, 32):
        raise BmpError("unsupported BMP depth %d" % bits)
    pixel = bits // 8
    stride = (width * pixel + 3) & ~3
    if offset + stride * height > len(data):
        raise BmpError("BMP pixel data cut short")

    rows = []
    if bits == 24 or (bits == 32 and masks == (0xFF0000, 0x00FF00, 0x0000FF)):
        # Blue, green, red in memory: reorder by slicing, fast enough for a screen.
        for y in range(height):
            start = offset + stride * y
            row = data[start:start + width * pixel]
            out = bytearray(width * 3)
            out[0::3] = row[2::pixel]
            out[1::3] = row[1::pixel]
            out[2::3] = row[0::pixel]
            rows.append(bytes(out))
    else:
        fmt = "<%d%s" % (width, "H" if bits == 16 else "I")
        lut = {}
        for y in range(height):
            values = struct.unpack_from(fmt, data, offset + stride * y)
            out = bytearray()
            for v in values:
                rgb = lut.get(v)
                if rgb is None:
                    rgb = bytes(_channel(v, m) for m in masks)
                    lut[v] = rgb
                out += rgb
            rows.append(bytes(out))
    if not top_down:
        rows.reverse()
    return width, height, rows


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filtered(row, prior):
    """The row under the filter that leaves the smallest sum of bytes taken as signed, with its type."""
    n = len(row)
    left = bytes(3) + row[:-3]
    up = prior if prior is not None else bytes(n)
    upleft = bytes(3) + up[:-3]
    candidates = [
        (0, row),
        (1, bytes((row[i] - left[i]) & 0xFF for i in range(n))),
        (2, bytes((row[i] - up[i]) & 0xFF for i in range(n))),
    ]
    if prior is not None and row != prior:
        candidates.append((4, bytes((row[i] - _paeth(left[i], up[i], upleft[i])) & 0xFF for i in range(n))))
    elif prior is not None:
        return 2, bytes(n)

    def cost(filtered):
        return sum(b if b < 128 else 256 - b for b in filtered)

    return min(candidates, key=lambda c: cost(c[1]))


def _chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def write_png(width, height, rows):
    raw = bytearray()
    prior = None
    for row in rows:
        kind, filtered = _filtered(row, prior)
        raw.append(kind)
        raw += filtered
        prior = row
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB, no interlace
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) + _chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + _chunk(b"IEND", b""))


def _unfiltered(kind, row, prior):
    """The row's bytes before the filter of its type (the inverse of _filtered)."""
    n = len(row)
    out = bytearray(row)
    if kind == 0:
        return out
    for i in range(n):
        a = out[i - 3] if i >= 3 else 0
        b = prior[i]
        c = prior[i - 3] if i >= 3 else 0
        if kind == 1:
            out[i] = (out[i] + a) & 0xFF
        elif kind == 2:
            out[i] = (out[i] + b) & 0xFF
        elif kind == 3:
            out[i] = (out[i] + (a + b) // 2) & 0xFF
        elif kind == 4:
            out[i] = (out[i] + _paeth(a, b, c)) & 0xFF
        else:
            raise BmpError("unknown PNG filter %d" % kind)
    return out


def read_png(data):
    """(width, height, rows) of an 8-bit RGB PNG such as write_png makes, rows as read_bmp's."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise BmpError("not a PNG file")
    pos, header, idat = 8, None, bytearray()
    while pos + 8 <= len(data):
        (length,) = struct.unpack_from(">I", data, pos)
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    if header is None or header[2:] != (8, 2, 0, 0, 0):
        raise BmpError("not an 8-bit RGB PNG without interlace")
    width, height = header[0], header[1]
    raw = zlib.decompress(bytes(idat))
    stride = width * 3
    if len(raw) != (stride + 1) * height:
        raise BmpError("PNG pixel data of the wrong size")
    rows, prior = [], bytes(stride)
    for y in range(height):
        start = y * (stride + 1)
        row = bytes(_unfiltered(raw[start], raw[start + 1:start + 1 + stride], prior))
        rows.append(row)
        prior = row
    return width, height, rows


def convert(source, target):
    try:
        with open(source, "rb") as f:
            width, height, rows = read_bmp(f.read())
        with open(target, "wb") as f:
            f.write(write_png(width, height, rows))
    except (OSError, BmpError) as e:
        print("bmp2png: %s: %s" % (source, e), file=sys.stderr)
        return False
    return True


def png_name(source, directory=None):
    base = os.path.splitext(source)[0] + ".png"
    return os.path.join(directory, os.path.basename(base)) if directory else base


def main(argv):
    args = list(argv)
    directory = None
    if "-d" in args:
        i = args.index("-d")
        if i + 1 >= len(args):
            print(__doc__, file=sys.stderr)
            return 2
        directory = args[i + 1]
        del args[i:i + 2]
    if not args or any(a.startswith("-") for a in args):
        print(__doc__, file=sys.stderr)
        return 2
    if directory is None and len(args) == 2 and args[1].lower().endswith(".png"):
        pairs = [(args[0], args[1])]
    else:
        pairs = [(a, png_name(a, directory)) for a in args]
    if directory is not None:
        try:
            os.makedirs(directory, exist_ok=True)
        except OSError as e:
            print("bmp2png: %s: %s" % (directory, e), file=sys.stderr)
            return 1
    ok = True
    for source, target in pairs:
        if convert(source, target):
            print(target)
        else:
            ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

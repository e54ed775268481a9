#!/usr/bin/env python3
"""Makes the program's pictures in resources/: the program icon, the three
button icons of the settings dialog and the About box's spectrum bitmap.

ImageMagick renders each picture; this script then packs the pixels into
.ico and .bmp files itself, so that the colour depth is exactly the one the
resource script promises (ImageMagick picks the depth from the colours that
happen to be used). Run it from anywhere; commit what it writes.
"""
import math
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources")
FONT = "DejaVu-Sans-Bold"
FONT_NARROW = "DejaVu-Sans-Condensed-Bold"


def magick(args, fmt):
    """Runs convert with `args` and returns the raw pixels in `fmt` (rgb, gray)."""
    cmd = ["convert"] + args + ["-depth", "8", fmt + ":-"]
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout


def render(width, height, draw, colors, background="white", transparent=True):
    """Renders `draw` (a list of convert options) and quantises it to at most
    `colors` colours. Returns (pixels as (r,g,b) tuples, mask list with True
    where the picture is transparent)."""
    base = ["-size", "%dx%d" % (width, height), "xc:none" if transparent else "xc:" + background]
    alpha = magick(base + draw + ["-alpha", "extract"], "gray")
    # Transparent parts take the background colour before quantising, so they
    # use no palette entry of their own.
    rgb = magick(base + draw + ["-background", background, "-alpha", "remove",
                                "+dither", "-colors", str(colors)], "rgb")
    pixels = [tuple(rgb[i:i + 3]) for i in range(0, len(rgb), 3)]
    mask = [a < 128 for a in alpha]
    if len(pixels) != width * height:
        sys.exit("unexpected pixel count from convert")
    return pixels, mask


def palette_of(pixels, size):
    colours = sorted(set(pixels))
    if len(colours) > size:
        sys.exit("%d colours do not fit a palette of %d" % (len(colours), size))
    return colours + [(0, 0, 0)] * (size - len(colours))


def pack_rows(width, height, bits, index_of):
    """Bottom-up rows of `bits`-bit indices, each padded to 4 bytes."""
    out = bytearray()
    row_bytes = ((width * bits + 31) // 32) * 4
    for y in range(height - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(width):
            value = index_of(x, y)
            bit = x * bits
            row[bit // 8] |= value << (8 - bits - bit % 8)
        out += row
    return bytes(out)


def dib(width, height, bits, pixels, palette, stored_height):
    lookup = {c: i for i, c in enumerate(palette)}
    header = struct.pack("<IiiHHIIiiII", 40, width, stored_height, 1, bits, 0, 0, 0, 0,
                         len(palette), 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    rows = pack_rows(width, height, bits, lambda x, y: lookup[pixels[y * width + x]])
    return header, table, rows


def write_icon(name, images):
    """images: list of (width, height, bits, pixels, mask)."""
    blobs = []
    for width, height, bits, pixels, mask in images:
        palette = palette_of([p for p, m in zip(pixels, mask) if not m] + [(0, 0, 0)], 1 << bits)
        shown = [(0, 0, 0) if m else p for p, m in zip(pixels, mask)]
        header, table, rows = dib(width, height, bits, shown, palette, height * 2)
        and_mask = pack_rows(width, height, 1, lambda x, y: 1 if mask[y * width + x] else 0)
        blobs.append((width, height, bits, header + table + rows + and_mask))
    data = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for width, height, bits, blob in blobs:
        colours = 1 << bits if bits < 8 else 0
        data += struct.pack("<BBBBHHII", width % 256, height % 256, colours, 0, 1, bits,
                            len(blob), offset)
        offset += len(blob)
    for _, _, _, blob in blobs:
        data += blob
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def write_bitmap(name, width, height, bits, pixels):
    palette = palette_of(pixels, 1 << bits)
    header, table, rows = dib(width, height, bits, pixels, palette, height)
    body = header + table + rows
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, 14 + len(header) + len(table))
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(file_header + body)


def multiplet(width, height, left, right, base, top, lines, half_width):
    """Polyline of a sum of Lorentzian lines across [left, right]."""
    points = []
    samples = int((right - left) * 4)
    for i in range(samples + 1):
        x = left + (right - left) * i / samples
        y = sum(h * half_width ** 2 / ((x - c) ** 2 + half_width ** 2) for c, h in lines)
        points.append("%.2f,%.2f" % (x, base - (base - top) * y))
    return " ".join(points)


def about_bitmap():
    # A binomial quintet, as a CH2 next to two other CH2 groups would give.
    width, height = 240, 180
    centre, spacing = 120, 30
    heights = [1 / 6, 4 / 6, 1.0, 4 / 6, 1 / 6]
    lines = [(centre + (i - 2) * spacing, h) for i, h in enumerate(heights)]
    curve = multiplet(width, height, 8, 232, 150, 22, lines, 2.2)
    ticks = " ".join("line %d,152 %d,156" % (x, x) for x in range(20, 232, 20))
    draw = ["-fill", "none", "-stroke", "#808080", "-strokewidth", "1",
            "-draw", "line 8,152 232,152", "-draw", ticks,
            "-stroke", "#d00000", "-strokewidth", "1.6", "-draw", "polyline " + curve]
    pixels, _ = render(width, height, draw, 16, background="#d4d4d4", transparent=False)
    write_bitmap("about.bmp", width, height, 4, pixels)


def program_icon():
    images = []
    for size in (32, 64):
        s = size / 32.0
        sheet = "roundrectangle %g,%g %g,%g %g,%g" % (3 * s, 2 * s, 28 * s, 29 * s, 2 * s, 2 * s)
        lines = [(16 * s - 5 * s, 0.5), (16 * s, 1.0), (16 * s + 5 * s, 0.5)]
        curve = multiplet(size, size, 6 * s, 26 * s, 25 * s, 7 * s, lines, 0.9 * s)
        draw = ["-fill", "white", "-stroke", "#000080", "-strokewidth", "%g" % max(1, s),
                "-draw", sheet, "-fill", "none", "-stroke", "black",
                "-strokewidth", "%g" % (1.2 * s), "-draw", "polyline " + curve]
        pixels, mask = render(size, size, draw, 15)
        images.append((size, size, 4, pixels, mask))
    write_icon("quillon.ico", images)


def button_icon(name, width, height, symbol, text, font, pointsize, text_x, text_y):
    draw = symbol + ["-stroke", "none", "-fill", "black", "-font", font,
                     "-pointsize", str(pointsize), "-draw", "text %d,%d '%s'" % (text_x, text_y, text)]
    pixels, mask = render(width, height, draw, 255)
    write_icon(name, [(width, height, 8, pixels, mask)])


def button_icons():
    check = ["-fill", "none", "-stroke", "#00a000", "-strokewidth", "4", "-draw",
             "stroke-linejoin round stroke-linecap round polyline 3,17 10,25 22,7"]
    button_icon("ok.ico", 56, 33, check, "OK", FONT, 14, 27, 22)
    cross = ["-fill", "none", "-stroke", "#d00000", "-strokewidth", "3.5", "-draw",
             "stroke-linecap round line 3,10 15,22 line 15,10 3,22"]
    button_icon("cancel.ico", 57, 34, cross, "Cancel", FONT_NARROW, 11, 18, 21)
    question = ["-fill", "#0040d0", "-stroke", "none", "-font", FONT, "-pointsize", "26",
                "-draw", "text 2,26 '?'"]
    button_icon("help.ico", 56, 32, question, "Help", FONT, 13, 20, 21)


if __name__ == "__main__":
    about_bitmap()
    program_icon()
    button_icons()

#!/usr/bin/env python3
"""Helpers of the end-to-end test (standard library only).

  e2e_tools.py make-bitmap FILE
      A 300 x 200 24-bit bitmap: a pale yellow background and a black curve,
      2 pixels thick, with a tall peak at column 90 and a small one at 210.
  e2e_tools.py check-screenshot RAW WIDTH HEIGHT LEFT TOP CLIENT_W CLIENT_H
      RAW is the screen as raw RGB bytes; LEFT TOP CLIENT_W CLIENT_H the main
      window's client area on it. Checks that the bitmap is drawn stretched into
      DisplayRect (origin 14, 14; size CLIENT_W - 28 x CLIENT_H - 28; drawn from
      15, 15) and that the rest of the client area is white.
  e2e_tools.py check-spectrum FILE SI
      FILE is a JCAMP-DX spectrum of SI points traced from the bitmap above:
      its tallest point must lie where the tall peak is.
"""
import struct
import sys

WIDTH, HEIGHT = 300, 200
BACKGROUND = (255, 255, 200)
TALL_PEAK, SMALL_PEAK = 90, 210


def curve_row(x):
    """Row from the top of the curve's upper edge at column x."""
    def lorentz(centre, height, hwhm=4.0):
        return height * hwhm * hwhm / ((x - centre) ** 2 + hwhm * hwhm)
    return int(round(180 - lorentz(TALL_PEAK, 150) - lorentz(SMALL_PEAK, 60)))


def make_bitmap(path):
    row_bytes = (WIDTH * 3 + 3) & ~3
    pixels = [[BACKGROUND] * WIDTH for _ in range(HEIGHT)]
    previous = curve_row(0)
    for x in range(WIDTH):
        row = curve_row(x)
        # Join to the previous column so that steep flanks have no gaps.
        for y in range(min(row, previous), max(row, previous) + 2):
            pixels[y][x] = (0, 0, 0)
        previous = row
    body = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom row first
        line = bytearray()
        for r, g, b in pixels[y]:
            line += bytes((b, g, r))
        body += line + bytes(row_bytes - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + 40 + len(body), 0, 0, 54) + header + body)


def fail(message):
    print("e2e: " + message, file=sys.stderr)
    sys.exit(1)


def check_screenshot(raw, width, height, left, top, cw, ch):
    with open(raw, "rb") as f:
        data = f.read()
    if len(data) != width * height * 3:
        fail("screenshot has %d bytes, not %d" % (len(data), width * height * 3))

    def pixel(x, y):
        i = ((top + y) * width + left + x) * 3
        return tuple(data[i:i + 3])

    # DisplayRect of a bitmap, and the pixels the stretched picture covers.
    rect = (14, 14, cw - 28, ch - 28)
    x0, y0 = rect[0] + 1, rect[1] + 1
    x1, y1 = x0 + rect[2] - 1, y0 + rect[3] - 1  # inclusive
    if left + cw > width or top + ch > height or rect[2] <= 0 or rect[3] <= 0:
        fail("client area %dx%d at %d,%d does not fit the screen" % (cw, ch, left, top))
    white = (255, 255, 255)
    outside = [(x, y) for x in range(cw) for y in range(ch) if not (x0 <= x <= x1 and y0 <= y <= y1)]
    stray = [p for p in outside if pixel(*p) != white]
    if stray:
        fail("%d pixels outside the picture's place are not white, e.g. %s = %s"
             % (len(stray), stray[0], pixel(*stray[0])))
    inside = [pixel(x, y) for x in range(x0, x1 + 1) for y in range(y0, y1 + 1)]
    background = sum(1 for p in inside if p == BACKGROUND)
    dark = sum(1 for p in inside if p == (0, 0, 0))
    if background + dark != len(inside):
        fail("%d pixels inside the picture's place are neither its background nor its curve"
             % (len(inside) - background - dark))
    if background < 0.9 * len(inside) or dark == 0:
        fail("the picture's place does not show the picture (%d background, %d curve pixels)" % (background, dark))
    # Every edge of the place is covered: the picture reaches exactly to it.
    for x in (x0, x1):
        if any(pixel(x, y) == white for y in range(y0, y1 + 1)):
            fail("column %d of the client area is not covered by the picture" % x)
    for y in (y0, y1):
        if any(pixel(x, y) == white for x in range(x0, x1 + 1)):
            fail("row %d of the client area is not covered by the picture" % y)
    # The tall peak is where the stretch puts column 90.
    tops = {}
    for x in range(x0, x1 + 1):
        for y in range(y0, y1 + 1):
            if pixel(x, y) == (0, 0, 0):
                tops[x] = y
                break
    peak_x = min(tops, key=lambda x: tops[x])
    expected = x0 + (TALL_PEAK + 0.5) * (x1 - x0 + 1) / WIDTH
    if abs(peak_x - expected) > 3:
        fail("the tall peak is drawn at x %d, expected near %.1f" % (peak_x, expected))
    print("e2e: picture drawn at client (%d, %d)-(%d, %d) as DisplayRect (14, 14, %d, %d) says"
          % (x0, y0, x1, y1, rect[2], rect[3]))


def check_spectrum(path, si):
    with open(path, "r", encoding="ascii") as f:
        lines = f.read().splitlines()
    if not lines or not lines[0].startswith("##TITLE="):
        fail("%s is not a JCAMP-DX file" % path)
    values = []
    in_table = False
    for line in lines:
        if line.startswith("##DATA TABLE=") or line.startswith("##XYDATA="):
            if values:
                break  # the real part is the first table
            in_table = True
            continue
        if line.startswith("##"):
            if in_table and values:
                break
            continue
        if in_table:
            values += [float(v) for v in line.split()[1:]]
    if len(values) != si:
        fail("%s holds %d points, expected %d" % (path, len(values), si))
    peak = max(range(si), key=lambda k: values[k])
    # The trace runs from the first to the last column, 0 to 299.
    expected = TALL_PEAK * si / (WIDTH - 1)
    if abs(peak - expected) > si * 0.02:
        fail("the spectrum's tallest point is %d, expected near %.1f" % (peak, expected))
    print("e2e: %s holds %d points with the tall peak at point %d" % (path, si, peak))


def main(argv):
    if len(argv) >= 3 and argv[1] == "make-bitmap":
        make_bitmap(argv[2])
    elif len(argv) == 9 and argv[1] == "check-screenshot":
        check_screenshot(argv[2], *[int(a) for a in argv[3:]])
    elif len(argv) == 4 and argv[1] == "check-spectrum":
        check_spectrum(argv[2], int(argv[3]))
    else:
        fail("usage: see the head of this file")


if __name__ == "__main__":
    main(sys.argv)

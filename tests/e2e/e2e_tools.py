#!/usr/bin/env python3
"""Helpers of the end-to-end test (standard library only).

  make-bitmap FILE        a 300 x 200 24-bit bitmap: pale yellow, with a black
                          curve 2 pixels thick, a tall peak at column 90 and a
                          small one at 210
  check-screenshot RAW W H LEFT TOP CW CH
                          RAW is the W x H screen as RGB bytes, the client area
                          CW x CH at LEFT, TOP: the bitmap must fill exactly
                          DisplayRect (14, 14, CW - 28, CH - 28) drawn from
                          (15, 15), the rest of the client area white
  check-spectrum FILE SI  the JCAMP-DX file holds SI points traced from the
                          bitmap, the tallest where the tall peak is
"""
import struct
import sys

WIDTH, HEIGHT = 300, 200
BACKGROUND, BLACK, WHITE = (255, 255, 200), (0, 0, 0), (255, 255, 255)
TALL_PEAK = 90


def fail(message):
    sys.exit("e2e: " + message)


def curve_row(x):
    """Row from the top of the curve's upper edge at column x."""
    def lorentz(centre, height):
        return height * 16.0 / ((x - centre) ** 2 + 16.0)
    return int(round(180 - lorentz(TALL_PEAK, 150) - lorentz(210, 60)))


def make_bitmap(path):
    pixels = [[BACKGROUND] * WIDTH for _ in range(HEIGHT)]
    previous = curve_row(0)
    for x in range(WIDTH):
        row = curve_row(x)
        # Joined to the previous column, so that steep flanks have no gaps.
        for y in range(min(row, previous), max(row, previous) + 2):
            pixels[y][x] = BLACK
        previous = row
    pad = bytes((-3 * WIDTH) % 4)
    body = b"".join(b"".join(bytes((b, g, r)) for r, g, b in pixels[y]) + pad for y in reversed(range(HEIGHT)))
    header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54) + header + body)


def check_screenshot(raw, width, height, left, top, cw, ch):
    with open(raw, "rb") as f:
        data = f.read()
    if len(data) != width * height * 3 or left + cw > width or top + ch > height or cw <= 28 or ch <= 28:
        fail("the client area %dx%d at %d,%d does not fit the screenshot" % (cw, ch, left, top))

    def pixel(x, y):
        i = ((top + y) * width + left + x) * 3
        return tuple(data[i:i + 3])

    # Where the picture goes (inclusive): only its pixels there, to the edges; white around.
    x0, y0, x1, y1 = 15, 15, cw - 14, ch - 14
    for x in range(cw):
        for y in range(ch):
            inside = x0 <= x <= x1 and y0 <= y <= y1
            p = pixel(x, y)
            if p not in ((BACKGROUND, BLACK) if inside else (WHITE,)):
                fail("client pixel %d,%d is %s, %s the picture's place" % (x, y, p, "inside" if inside else "outside"))
    # The tall peak is where the stretch puts column 90.
    tops = {x: min((y for y in range(y0, y1 + 1) if pixel(x, y) == BLACK), default=ch) for x in range(x0, x1 + 1)}
    peak_x = min(tops, key=tops.get)
    expected = x0 + (TALL_PEAK + 0.5) * (x1 - x0 + 1) / WIDTH
    if abs(peak_x - expected) > 3:
        fail("the tall peak is drawn at x %d, expected near %.1f" % (peak_x, expected))
    print("e2e: picture drawn at client (%d, %d)-(%d, %d) as DisplayRect (14, 14, %d, %d) says"
          % (x0, y0, x1, y1, cw - 28, ch - 28))


def check_spectrum(path, si):
    with open(path, encoding="ascii") as f:
        lines = f.read().splitlines()
    if not lines or not lines[0].startswith("##TITLE="):
        fail("%s is not a JCAMP-DX file" % path)
    # The real part is the first table: its rows are an x and then values.
    start = next(i for i, line in enumerate(lines) if line.startswith(("##DATA TABLE=", "##XYDATA="))) + 1
    values = []
    for line in lines[start:]:
        if line.startswith("##"):
            break
        values += [float(v) for v in line.split()[1:]]
    if len(values) != si:
        fail("%s holds %d points, expected %d" % (path, len(values), si))
    peak = max(range(si), key=values.__getitem__)
    expected = TALL_PEAK * si / (WIDTH - 1)  # the trace runs from column 0 to 299
    if abs(peak - expected) > si * 0.02:
        fail("the spectrum's tallest point is %d, expected near %.1f" % (peak, expected))
    print("e2e: %s holds %d points with the tall peak at point %d" % (path, si, peak))


if __name__ == "__main__":
    command, args = sys.argv[1] if len(sys.argv) > 1 else "", sys.argv[2:]
    if command == "make-bitmap" and len(args) == 1:
        make_bitmap(args[0])
    elif command == "check-screenshot" and len(args) == 7:
        check_screenshot(args[0], *map(int, args[1:]))
    elif command == "check-spectrum" and len(args) == 2:
        check_spectrum(args[0], int(args[1]))
    else:
        fail("usage: see the head of " + sys.argv[0])

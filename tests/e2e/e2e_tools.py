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
  tick-points SIDECAR CW CH LEFT TOP PPM...
                          the screen points of the tick marks of those ppm
                          values (one line each: X Y), where the first zoom
                          step draws the sidecar's picture in a client area
                          CW x CH at LEFT, TOP: the pixel whose centre lies
                          nearest to the tick, a little below the axis
  jcamp-csv FILE SF OUT   the JCAMP-DX file's real part as "hz,ppm,real" rows,
                          with its ppm (from its own frequency) at SF MHz
  check-trace RAW W H LEFT TOP CW CH SIDECAR
                          the traced points are drawn over the picture: in
                          nine of ten columns of the plot the trace's red lies
                          within 2 pixels of the curve
  top-x SIDECAR RAW W H LEFT TOP CW CH ZOOM CX CY
                          the client x of the highest pixel of the curve (or of
                          the trace drawn over it) inside the plot's frame,
                          the picture being zoomed ZOOM times about client
                          point CX, CY from the first step's placement
  check-accuracy REPORT MAX
                          the accuracy tool's REPORT scores at least three
                          peaks, each within MAX pixels of the truth
"""
import json
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


def tick_points(sidecar, cw, ch, left, top, ppms):
    side = json.load(open(sidecar))
    w, h = side["bitmap"]["width"], side["bitmap"]["height"]
    below_axis = h - side["mapping"]["data_box"]["bottom_Y"] + 2  # rows from the top
    for ppm in ppms:
        tick = next((t for t in side["ticks"] if abs(t["ppm"] - ppm) < 1e-9), None)
        if tick is None:
            fail("no tick mark at %g ppm" % ppm)
        x = int(15 + tick["X"] * (cw - 28) / w)
        y = int(15 + below_axis * (ch - 28) / h)
        print(left + x, top + y)


def read_jcamp_real(path):
    """Frequencies (Hz) and real values of a JCAMP-DX spectrum as we write it."""
    with open(path, encoding="ascii") as f:
        lines = f.read().splitlines()
    fields = {}
    for line in lines:
        if line.startswith("##") and "=" in line:
            key, value = line[2:].split("=", 1)
            fields.setdefault(key.strip(), value.strip())
    first = float(fields["FIRST"].split(",")[0])
    last = float(fields["LAST"].split(",")[0])
    factor = float(fields["FACTOR"].split(",")[1])
    sf = float(fields[".OBSERVE FREQUENCY"])
    start = next(i for i, line in enumerate(lines) if line.startswith("##DATA TABLE=")) + 1
    values = []
    for line in lines[start:]:
        if line.startswith("##"):
            break
        values += [float(v) * factor for v in line.split()[1:]]
    n = len(values)
    return [first + k * (last - first) / (n - 1) for k in range(n)], values, sf


def jcamp_csv(path, sf, out):
    hz, values, own_sf = read_jcamp_real(path)
    with open(out, "w") as f:
        f.write("hz,ppm,real\n")
        for x, v in zip(hz, values):
            ppm = x / own_sf
            f.write("%.6f,%.9f,%.9g\n" % (ppm * sf, ppm, v))


def screen(raw, width, height, left, top):
    with open(raw, "rb") as f:
        data = f.read()
    if len(data) != width * height * 3:
        fail("the screenshot is not %dx%d" % (width, height))

    def pixel(x, y):
        i = ((top + y) * width + left + x) * 3
        return tuple(data[i:i + 3])
    return pixel


def is_red(p):
    return p[0] >= 150 and p[1] <= 80 and p[2] <= 80


def check_trace(raw, width, height, left, top, cw, ch, sidecar):
    pixel = screen(raw, width, height, left, top)
    side = json.load(open(sidecar))
    w, h = side["bitmap"]["width"], side["bitmap"]["height"]
    box = side["mapping"]["data_box"]
    curve = side["curve_Y_at_column_centre"]
    columns, near = 0, 0
    for c in range(int(box["left_X"]) + 4, int(box["right_X"]) - 4, 3):
        if curve[c] is None:
            continue
        x = int(15 + (c + 0.5) * (cw - 28) / w)
        y = int(15 + (h - curve[c]) * (ch - 28) / h)
        columns += 1
        near += any(is_red(pixel(x + dx, y + dy)) for dx in (-1, 0, 1) for dy in range(-2, 3))
    if columns == 0 or near < 0.9 * columns:
        fail("the trace is drawn over the curve in %d of %d columns" % (near, columns))
    print("e2e: the traced points lie over the curve in %d of %d columns" % (near, columns))


def top_x(sidecar, raw, width, height, left, top, cw, ch, zoom, cx, cy):
    pixel = screen(raw, width, height, left, top)
    side = json.load(open(sidecar))
    w, h = side["bitmap"]["width"], side["bitmap"]["height"]
    box = side["mapping"]["data_box"]

    def client(X, Y):  # display coordinates of the picture, zoomed about (cx, cy)
        x = 15 + X * (cw - 28) / w
        y = 15 + (h - Y) * (ch - 28) / h
        return cx + (x - cx) * zoom, cy + (y - cy) * zoom

    x0, y0 = client(box["left_X"], box["top_Y"])
    x1, _ = client(box["right_X"], box["bottom_Y"])
    # Inside the frame's lines, above the hint strip, within the client area.
    xs = range(max(0, int(x0) + 4), min(cw, int(x1) - 3))
    for y in range(max(0, int(y0) + 4), ch - 17):
        for x in xs:
            p = pixel(x, y)
            if is_red(p) or max(p) < 60:
                print(x)
                return
    fail("no curve inside the frame on the screen")


def check_accuracy(report, most):
    score = json.load(open(report))
    error = score.get("peak_pos_err_px_max")
    if score.get("peaks", 0) < 3 or error is None or error > most:
        fail("the written peaks are not where the picture has them: %s" % json.dumps(score))
    print("e2e: %d peaks of the written spectrum within %.3f px of the truth (at most %g)" %
          (score["peaks"], error, most))


if __name__ == "__main__":
    command, args = sys.argv[1] if len(sys.argv) > 1 else "", sys.argv[2:]
    if command == "make-bitmap" and len(args) == 1:
        make_bitmap(args[0])
    elif command == "check-screenshot" and len(args) == 7:
        check_screenshot(args[0], *map(int, args[1:]))
    elif command == "check-spectrum" and len(args) == 2:
        check_spectrum(args[0], int(args[1]))
    elif command == "tick-points" and len(args) >= 6:
        tick_points(args[0], *map(int, args[1:5]), [float(v) for v in args[5:]])
    elif command == "jcamp-csv" and len(args) == 3:
        jcamp_csv(args[0], float(args[1]), args[2])
    elif command == "check-trace" and len(args) == 8:
        check_trace(args[0], *map(int, args[1:7]), args[7])
    elif command == "top-x" and len(args) == 11:
        top_x(args[0], args[1], *map(int, args[2:8]), *map(float, args[8:]))
    elif command == "check-accuracy" and len(args) == 2:
        check_accuracy(args[0], float(args[1]))
    else:
        fail("usage: see the head of " + sys.argv[0])

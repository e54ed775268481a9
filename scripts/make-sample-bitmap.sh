#!/bin/sh
# Writes samples/sample-spectrum.bmp (or the file named as the first argument):
# a 1-bit, 1024 x 320 picture of a 400.13 MHz 1H spectrum from 3200 Hz at the
# left edge to 200 Hz at the right edge, drawn in black with a 2-pixel stroke
# on white. Its lines, as Lorentzians (Hz, height, half width at half height
# in Hz): a singlet (836.3, 1.0, 3), a doublet (2032.7 and 2056.7, 0.6, 3) and
# a broad line (2947.3, 0.35, 15), on a baseline 20 rows above the bottom with
# 260 rows per unit of intensity. Convert it with
#   quillon-convert samples/sample-spectrum.bmp --line-width 2 --sf 400.13 \
#     --f1 3198.53515625 --f2 201.46484375
# (the frequencies of the centres of the first and last columns).
# Plain awk arithmetic: the same bytes with every awk.
set -eu
cd "$(dirname "$0")/.."
out=${1:-samples/sample-spectrum.bmp}
LC_ALL=C awk 'function le(v, n,   i) { for (i = 0; i < n; i++) { printf "%c", v % 256; v = int(v / 256) } }
function lorentz(f, hz, h, w) { return h * w * w / ((f - hz) * (f - hz) + w * w) }
BEGIN {
  W = 1024; H = 320; rowBytes = W / 8
  for (c = 0; c < W; c++) {
    f = 3200 - (c + 0.5) * 3000 / W
    i = lorentz(f, 836.3, 1.0, 3) + lorentz(f, 2032.7, 0.6, 3) + lorentz(f, 2056.7, 0.6, 3) + lorentz(f, 2947.3, 0.35, 15)
    Y[c] = 20 + 260 * i
  }
  # Each column joins the curve to half way to its neighbours; the stroke
  # reaches one row above the joined run.
  for (c = 0; c < W; c++) {
    lo = Y[c]; hi = Y[c]
    if (c > 0) { m = (Y[c] + Y[c - 1]) / 2; if (m < lo) lo = m; if (m > hi) hi = m }
    if (c < W - 1) { m = (Y[c] + Y[c + 1]) / 2; if (m < lo) lo = m; if (m > hi) hi = m }
    for (r = int(lo); r <= int(hi) + 1 && r < H; r++) dark[c, r] = 1
  }
  size = 14 + 40 + 8 + rowBytes * H
  printf "BM"; le(size, 4); le(0, 4); le(14 + 40 + 8, 4)
  le(40, 4); le(W, 4); le(H, 4); le(1, 2); le(1, 2); le(0, 4); le(rowBytes * H, 4)
  le(3780, 4); le(3780, 4); le(2, 4); le(2, 4)
  le(16777215, 4); le(0, 4)          # entry 0 white, entry 1 black
  for (r = 0; r < H; r++)
    for (b = 0; b < rowBytes; b++) {
      v = 0
      for (k = 0; k < 8; k++) if ((8 * b + k, r) in dark) v += 2 ^ (7 - k)
      printf "%c", v
    }
}' > "$out"

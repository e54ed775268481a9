#!/bin/sh
# Writes samples/lorentzian-points.txt: a point log of three Lorentzian lines
# (a doublet and a singlet) on a 3000-unit wide x axis, y up to 2000.
set -eu
cd "$(dirname "$0")/.."
awk 'BEGIN {
  for (x = 0; x <= 3000; x += 5) {
    y = 0
    y += 1800 * 144 / ((x - 900) ^ 2 + 144)
    y += 1800 * 144 / ((x - 960) ^ 2 + 144)
    y += 1200 * 400 / ((x - 2100) ^ 2 + 400)
    printf "%d %d\n", x, int(y + 20.5)
  }
}' > samples/lorentzian-points.txt

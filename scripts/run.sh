#!/bin/sh
# Sets everything up, builds Quillon for Linux and Windows, and converts the
# bundled sample into a spectrum file.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset mingw >/dev/null
cmake --build --preset mingw
mkdir -p out
# A picture of a spectrum that scripts/make-sample-bitmap.sh draws; F1 and F2
# are the frequencies of its first and last pixel columns, the line width its
# stroke's.
sample=samples/sample-spectrum.bmp
output=out/sample.dx
dist/quillon-convert "$sample" --line-width 2 --sf 400.13 --f1 3198.53515625 --f2 201.46484375 \
  -o "$output" --force
echo "Converted the picture $sample into the spectrum $output (JCAMP-DX)."

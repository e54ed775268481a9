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
sample=samples/lorentzian-points.txt
output=out/sample.dx
dist/quillon-convert "$sample" --si 1024 --sf 400.13 --f1 3200 --f2 200 -o "$output" --force
echo "Converted $sample into $output (JCAMP-DX)."

#!/usr/bin/env bash
# Times the palettised formats (codes 10 and 14, 3 and 4 planes) on a
# 1024 x 1024 photo-like picture beside ImageMagick's -colors on one thread.
# $1 = build dir, $2 = output dir.
set -euo pipefail
build=${1:?build dir}
out=${2:?output dir}
mkdir -p "$out"
"$build/bench/palette/bench_palette" 1024 "$out" | tee "$out/palette.txt"

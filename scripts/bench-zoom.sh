#!/usr/bin/env bash
# Resampling benchmark: the 4096 x 4096 mip chain with the triangle filter
# and the 300 x 300 -> 256 x 256 cubic rescale, on one thread, against
# ImageMagick's `convert -filter Triangle -resize` of the same picture.
# Usage: scripts/bench-zoom.sh <build dir> <output dir>
set -euo pipefail
build=${1:-build-bench}
out=${2:-bench-out}
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh" imagemagick
bin="$build/bench/zoom/bench_zoom"
if [ ! -x "$bin" ]; then
  echo "bench-zoom: $bin not built (configure with -DRAZIVAVU_BENCH=ON)" >&2
  exit 1
fi
# Debian's ImageMagick itself, not whatever else is called convert on PATH.
convert=/usr/bin/convert-im6.q16
[ -x "$convert" ] || convert=/usr/bin/convert
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin" "$work" "$convert" | tee "$out/zoom.txt"

#!/usr/bin/env bash
# Level-filter benchmark: methods 8, 16 and 17 over a 2048 x 2048 level on one
# thread, beside ImageMagick's sharpen, unsharp and 3x3 convolution.
# Usage: scripts/bench-filters.sh <build dir> <output dir>
set -euo pipefail
build=${1:-build-bench}
out=${2:-bench-out}
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh" imagemagick
bin="$build/bench/texcomp/bench_filters"
if [ ! -x "$bin" ]; then
  echo "bench-filters: $bin not built (configure with -DRAZIVAVU_BENCH=ON)" >&2
  exit 1
fi
# Debian's ImageMagick itself, not whatever else is called convert on PATH.
convert=/usr/bin/convert-im6.q16
[ -x "$convert" ] || convert=/usr/bin/convert
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin" "$work" "$convert" | tee "$out/filters.txt"

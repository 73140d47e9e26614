#!/usr/bin/env bash
# Block-encoder benchmark: our DXT1 encoder against libsquish and stb_dxt on
# the photographs of Debian's plasma-workspace-wallpapers (2560 x 1600 JPEGs)
# and on the project's sample picture. $1 = build dir, $2 = output dir.
# Extra arguments go to bench_blocks (for instance --max-photos 2).
set -euo pipefail
build=${1:?build dir}
out=${2:?output dir}
shift 2
cd "$(dirname "$0")/.."
# The peers and the photographs: installed when missing (no-op otherwise).
bash scripts/install-deps.sh $(grep -v '^#' bench/blocks/packages.txt)
mkdir -p "$out"
sample="$out/sample.bmp"
if [ -x "$build/make_sample" ]; then
  "$build/make_sample" "$sample" >/dev/null
else
  echo "note: $build/make_sample not built; the benchmark draws its own stand-in"
  sample=""
fi
photos=(/usr/share/wallpapers/*/contents/images/2560x1600.jpg)
[ -e "${photos[0]}" ] || photos=()
"$build/bench/blocks/bench_blocks" ${sample:+--sample "$sample"} "$@" "${photos[@]}" \
  | tee "$out/blocks.txt"

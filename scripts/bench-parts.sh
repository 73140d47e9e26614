#!/usr/bin/env bash
# Benchmark of --part: one picture of PARTS_WIDTH x PARTS_HEIGHT (default
# 30000 x 15000, the project's sample picture repeated by vips) as striped
# TIFF, baseline JPEG, PNG and BMP, tiled in 512 x 512 tiles on 2 threads as
# one run and as N = 4 and 8 parts run one after the other (each as it would
# run alone on a machine of its own). Per input kind and N:
#   - processor time of all parts over the one run's (targets: 1.05 for TIFF
#     and BMP, 1.3 for JPEG): what passing over the rows above costs;
#   - wall time of the slowest part over the one run's, against 1.3 / N: what
#     N machines give;
#   - peak memory of the largest part against the one run's.
# Usage: scripts/bench-parts.sh <build dir> <output dir>
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
out=$(mkdir -p "${2:?output dir}" && cd "$2" && pwd)
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh" $(grep -v '^#' "$here/bench/parts/packages.txt")
tool="$build/razivavu"
sample="$build/make_sample"
[ -x "$tool" ] && [ -x "$sample" ] || { echo "bench-parts: build razivavu and make_sample first" >&2; exit 1; }
width=${PARTS_WIDTH:-30000}
height=${PARTS_HEIGHT:-15000}
counts=${PARTS_COUNTS:-4 8}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$sample" "$work/piece.bmp" 5000 3000 >/dev/null
vips replicate "$work/piece.bmp" "$work/wall.v" $(( (width + 4999) / 5000 )) $(( (height + 2999) / 3000 ))
vips extract_area "$work/wall.v" "$work/pano.v" 0 0 "$width" "$height"
rm -f "$work/wall.v"
vips tiffsave "$work/pano.v" "$work/pano.tif" --compression lzw
vips jpegsave "$work/pano.v" "$work/pano.jpg" --Q 90
vips pngsave "$work/pano.v" "$work/pano.png" --compression 1
vips magicksave "$work/pano.v" "$work/pano.bmp" --format bmp3 2>/dev/null ||
  convert "$work/pano.tif" -type TrueColor "BMP3:$work/pano.bmp"
rm -f "$work/pano.v" "$work/piece.bmp"

# run <args...>: one run in a fresh folder; "<wall s> <processor s> <peak KiB>".
run() {
  rm -rf "$work/run" && mkdir "$work/run"
  (cd "$work/run" && RAZIVAVU_THREADS=2 /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" \
    "$tool" -q "$@" </dev/null >/dev/null 2>"$work/stderr.txt") ||
    { cat "$work/stderr.txt" >&2; exit 1; }
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time.txt"
}

{
  echo "parts: $width x $height, tiles of 512 x 512, 2 threads per run, parts one after the other"
  echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
  printf "%-6s %3s %9s %9s %9s %9s %9s %9s %9s\n" input N "wall s" "cpu s" "peak KiB" \
    "cpu/one" "max/one" "1.3/N" "peak/one"
  for kind in tif bmp jpg png; do
    read -r wall cpu peak < <(run "$work/pano.$kind")
    printf "%-6s %3s %9.2f %9.2f %9d\n" "$kind" 1 "$wall" "$cpu" "$peak"
    for n in $counts; do
      sum=0 slowest=0 largest=0
      for ((k = 0; k < n; ++k)); do
        read -r w c p < <(run --part "$k/$n" "$work/pano.$kind")
        sum=$(awk -v a="$sum" -v b="$c" 'BEGIN { print a + b }')
        slowest=$(awk -v a="$slowest" -v b="$w" 'BEGIN { print (b > a ? b : a) }')
        largest=$(( p > largest ? p : largest ))
      done
      awk -v k="$kind" -v n="$n" -v w="$slowest" -v c="$sum" -v p="$largest" -v W="$wall" \
        -v C="$cpu" -v P="$peak" 'BEGIN {
        printf "%-6s %3d %9.2f %9.2f %9d %9.3f %9.3f %9.3f %9.3f\n", k, n, w, c, p, c / C, w / W,
          1.3 / n, p / P }'
    done
  done
} | tee "$out/parts.txt"

#!/usr/bin/env bash
# Panorama benchmark: razivavu on a 30000 x 15000 JPEG made from a photograph
# (a 5120 x 2880 wallpaper repeated and cut by vips), the whole job in 512 x 512
# tiles on 2 threads: wall time and peak memory (maximum resident size) of
#   - the band road (the picture read one row of tiles at a time),
#   - the whole-picture road (RAZIVAVU_WHOLE_PICTURE=1: decoded whole first),
#   - vips dzsave cutting the same picture into a pyramid of 512 x 512 tiles,
# and the memory target 2 x (tile height x width x 4) + 64 MiB.
# One run each (the job takes minutes; the machine may be shared).
# Usage: scripts/bench-panorama.sh <build dir> <output dir>
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
out=$(mkdir -p "${2:?output dir}" && cd "$2" && pwd)
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh" $(grep -v '^#' "$here/bench/panorama/packages.txt")
tool="$build/razivavu"
[ -x "$tool" ] || { echo "bench-panorama: $tool not built" >&2; exit 1; }
width=${PANORAMA_WIDTH:-30000}
height=${PANORAMA_HEIGHT:-15000}
tile=512
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

photo=$(ls /usr/share/wallpapers/*/contents/images/5120x2880.jpg 2>/dev/null | head -n 1 || true)
[ -n "$photo" ] || { echo "bench-panorama: no 5120 x 2880 photograph installed" >&2; exit 1; }
across=$(( (width + 5119) / 5120 ))
down=$(( (height + 2879) / 2880 ))
vips replicate "$photo" "$work/wall.v" "$across" "$down"
vips extract_area "$work/wall.v" "$work/pano.jpg[Q=90]" 0 0 "$width" "$height"
rm -f "$work/wall.v"

# measure <label> <command...>: one run in a fresh folder; "<wall s> <peak KiB>".
measure() {
  rm -rf "$work/run" && mkdir "$work/run"
  (cd "$work/run" && nice -n 10 /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" \
    </dev/null >/dev/null 2>"$work/stderr.txt") || { cat "$work/stderr.txt" >&2; exit 1; }
  cat "$work/time.txt"
}

read -r tb mb < <(measure env RAZIVAVU_THREADS=2 "$tool" "$work/pano.jpg")
read -r tw mw < <(measure env RAZIVAVU_THREADS=2 RAZIVAVU_WHOLE_PICTURE=1 "$tool" "$work/pano.jpg")
read -r tv mv < <(measure env VIPS_CONCURRENCY=2 vips dzsave "$work/pano.jpg" "$work/run/pyramid" \
  --tile-size "$tile" --overlap 0)

{
  echo "panorama: $width x $height JPEG from a photograph, tiles of $tile x $tile, 2 threads, one run each"
  echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
  target=$(( (2 * tile * width * 4) / 1024 + 64 * 1024 ))
  decoded=$(( width * height * 3 / 1024 ))
  printf "  razivavu, bands       : %8.2f s wall  peak %8d KiB\n" "$tb" "$mb"
  printf "  razivavu, whole       : %8.2f s wall  peak %8d KiB\n" "$tw" "$mw"
  printf "  vips dzsave (pyramid) : %8.2f s wall  peak %8d KiB\n" "$tv" "$mv"
  printf "  target peak %d KiB (2 x %d x %d x 4 + 64 MiB); decoded picture %d KiB\n" \
    "$target" "$tile" "$width" "$decoded"
  awk -v tb="$tb" -v tw="$tw" -v tv="$tv" -v mb="$mb" -v mw="$mw" -v mv="$mv" -v g="$target" 'BEGIN {
    printf "  bands / whole: time %.3f, peak %.3f\n", tb / tw, mb / mw
    printf "  bands / vips:  time %.3f, peak %.3f\n", tb / tv, mb / mv
    printf "  peak within target: %s\n", (mb <= g ? "yes" : "NO") }'
} | tee "$out/panorama.txt"

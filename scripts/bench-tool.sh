#!/usr/bin/env bash
# Whole-job benchmark: razivavu on a 5120 x 2880 photograph (a JPEG of
# Debian's plasma-workspace-wallpapers) and on the 8192 x 4096 sample
# panorama, on 1 and 2 threads, beside ImageMagick doing the same job in the
# same run: the whole tiles cut to 512 x 512, each written as a DDS with
# DXT1 cluster fit and mipmaps and as an uncompressed DDS with mipmaps.
# Wall time is the best of $REPEAT runs (default 3) because the machine may
# be shared; the ratios compare runs made minutes apart at most. Peak memory
# (maximum resident size) of our two-thread run is reported beside the
# decoded picture's size.
# Usage: scripts/bench-tool.sh <build dir> <output dir>
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
out=$(mkdir -p "${2:?output dir}" && cd "$2" && pwd)
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh" $(grep -v '^#' "$here/bench/tool/packages.txt")
repeat=${REPEAT:-3}
tool="$build/razivavu"
[ -x "$tool" ] || { echo "bench-tool: $tool not built" >&2; exit 1; }
# Debian's ImageMagick itself, not whatever else is called convert on PATH.
convert=/usr/bin/convert-im6.q16
[ -x "$convert" ] || convert=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pictures=()
photo=$(ls /usr/share/wallpapers/*/contents/images/5120x2880.jpg 2>/dev/null | head -n 1 || true)
if [ -n "$photo" ]; then
  cp "$photo" "$work/photo.jpg"
  pictures+=("photo.jpg")
else
  echo "note: no 5120 x 2880 photograph installed; only the sample panorama is timed"
fi
if [ -x "$build/make_sample" ]; then
  "$build/make_sample" "$work/pano.bmp" 8192 4096 >/dev/null
  pictures+=("pano.bmp")
fi

# best_of <command...>: runs the command $repeat times in a fresh
# folder, prints "<wall s> <peak KiB> <processor s>" of the fastest run
# (processor time: user + system, of every thread).
best_of() {
  local best="" mem="" cpu=""
  for _ in $(seq "$repeat"); do
    rm -rf "$work/run" && mkdir "$work/run"
    (cd "$work/run" && /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$@" </dev/null >/dev/null)
    read -r t m u s < "$work/time.txt"
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then
      best=$t; mem=$m; cpu=$(awk "BEGIN{print $u + $s}")
    fi
  done
  echo "$best $mem $cpu"
}

# ImageMagick's job: both DDS files of every whole 512 x 512 tile.
im_job() {
  local pic=$1 w h
  read -r w h < <(identify -format "%w %h\n" "$pic" | head -n 1)
  local area="$(( w / 512 * 512 ))x$(( h / 512 * 512 ))+0+0"
  "$convert" "$pic" -crop "$area" +repage -crop 512x512 +repage \
    -define dds:compression=dxt1 -define dds:cluster-fit=true -define dds:mipmaps=9 \
    dxt1_%d.dds
  "$convert" "$pic" -crop "$area" +repage -crop 512x512 +repage \
    -define dds:compression=none -define dds:mipmaps=9 rgb_%d.dds
}
export -f im_job
export convert

{
  echo "whole job: tiles of 512 x 512, 24-bit and DXT1 files; best of $repeat runs"
  echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at start"
  for pic in "${pictures[@]}"; do
    cp "$work/$pic" "$work/input.${pic##*.}"
    src="$work/input.${pic##*.}"
    read -r w h < <(identify -format "%w %h\n" "$src" | head -n 1)
    read -r t1 m1 c1 < <(best_of env RAZIVAVU_THREADS=1 "$tool" "$src")
    read -r t2 m2 c2 < <(best_of env RAZIVAVU_THREADS=2 "$tool" "$src")
    read -r i1 _ j1 < <(best_of env MAGICK_THREAD_LIMIT=1 bash -c "im_job '$src'")
    read -r i2 _ j2 < <(best_of env MAGICK_THREAD_LIMIT=2 bash -c "im_job '$src'")
    decoded=$(( w * h * 3 / 1024 ))
    echo
    echo "$pic ($w x $h):"
    printf "  razivavu    1 thread : %8.2f s wall %8.2f s processor  peak %7d KiB\n" "$t1" "$c1" "$m1"
    printf "  razivavu    2 threads: %8.2f s wall %8.2f s processor  peak %7d KiB" "$t2" "$c2" "$m2"
    printf " (decoded picture %d KiB, +%d KiB)\n" "$decoded" $(( m2 - decoded ))
    printf "  ImageMagick 1 thread : %8.2f s wall %8.2f s processor\n" "$i1" "$j1"
    printf "  ImageMagick 2 threads: %8.2f s wall %8.2f s processor\n" "$i2" "$j2"
    awk -v t1="$t1" -v t2="$t2" -v i1="$i1" -v i2="$i2" -v c1="$c1" -v j1="$j1" 'BEGIN {
      printf "  speed-up 2 threads / 1 thread (wall): %.2f\n", t1 / t2
      printf "  razivavu / ImageMagick, 1 thread, processor time: %.3f\n", c1 / j1
      printf "  razivavu / ImageMagick, 1 thread, wall: %.3f\n", t1 / i1
      printf "  razivavu / ImageMagick, 2 threads, wall: %.3f\n", t2 / i2 }'
  done
} | tee "$out/tool.txt"

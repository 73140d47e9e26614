#!/usr/bin/env bash
# One texture: razivavu-texture on a 4096 x 2048 photograph (cut from a
# 5120 x 2880 wallpaper of Debian's plasma-workspace-wallpapers) with its whole
# mip chain, DXT1 and DXT5, on 1 and 2 threads (RAZIVAVU_THREADS), beside
# ImageMagick writing the same DDS files with mipmaps on all its threads in
# the same run: its default search, and its cluster fit (the peer of
# --quality high, timed when razivavu-texture has that option). Wall time is
# the best of $REPEAT runs (default 2) because the machine may be shared.
# Usage: scripts/bench-texture.sh <build dir> <output dir>
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
out=$(mkdir -p "${2:?output dir}" && cd "$2" && pwd)
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh" $(grep -v '^#' "$here/bench/texture/packages.txt")
repeat=${REPEAT:-2}
tool="$build/razivavu-texture"
[ -x "$tool" ] || { echo "bench-texture: $tool not built" >&2; exit 1; }
# Debian's ImageMagick itself, not whatever else is called convert on PATH.
convert=/usr/bin/convert-im6.q16
[ -x "$convert" ] || convert=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

photo=$(ls /usr/share/wallpapers/*/contents/images/5120x2880.jpg 2>/dev/null | head -n 1 || true)
[ -n "$photo" ] || { echo "bench-texture: no 5120 x 2880 photograph installed" >&2; exit 1; }
"$convert" "$photo" -crop 4096x2048+512+416 +repage -quality 92 "$work/photo.jpg"

# best_of <command...>: the fastest of $repeat runs, "<wall s> <processor s>".
best_of() {
  local best="" cpu=""
  for _ in $(seq "$repeat"); do
    rm -f "$work/out.dds"
    /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" </dev/null >/dev/null 2>&1
    [ -s "$work/out.dds" ] || { echo "bench-texture: no output from $*" >&2; exit 1; }
    read -r t u s < "$work/time.txt"
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then
      best=$t; cpu=$(awk "BEGIN{print $u + $s}")
    fi
  done
  echo "$best $cpu"
}

ours() {  # ours <threads> <format> [options...]
  local threads=$1 format=$2
  shift 2
  best_of env RAZIVAVU_THREADS="$threads" "$tool" -q --format "$format" "$@" "$work/photo.jpg" \
    "$work/out.dds"
}
# 4096 x 2048: 12 levels below the top one.
magick() {  # magick <dxt1|dxt5> [cluster]
  local fit=()
  [ "${2:-}" = cluster ] && fit=(-define dds:cluster-fit=true)
  best_of "$convert" "$work/photo.jpg" -define dds:compression="$1" -define dds:mipmaps=12 \
    "${fit[@]}" "$work/out.dds"
}
has_quality=0
"$tool" --help 2>&1 | grep -q -- '--quality' && has_quality=1

{
  echo "one texture: 4096 x 2048 photograph, whole mip chain; best of $repeat runs"
  echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at start"
  for format in dxt1 dxt5; do
    q=()
    [ "$has_quality" = 1 ] && q=(--quality normal)
    read -r o1 p1 < <(ours 1 "$format" "${q[@]}")
    read -r o2 p2 < <(ours 2 "$format" "${q[@]}")
    read -r m0 n0 < <(magick "$format")
    echo
    echo "$format:"
    printf "  razivavu-texture 1 thread : %7.2f s wall %7.2f s processor\n" "$o1" "$p1"
    printf "  razivavu-texture 2 threads: %7.2f s wall %7.2f s processor\n" "$o2" "$p2"
    printf "  ImageMagick (default fit) : %7.2f s wall %7.2f s processor\n" "$m0" "$n0"
    awk -v o1="$o1" -v o2="$o2" -v m0="$m0" 'BEGIN {
      printf "  speed-up 2 threads / 1 thread (wall): %.2f (target at least 1.8)\n", o1 / o2
      printf "  razivavu-texture 2 threads / ImageMagick (wall): %.3f (target at most 0.5)\n", o2 / m0 }'
    if [ "$has_quality" = 1 ]; then
      read -r h2 g2 < <(ours 2 "$format" --quality high)
      read -r m1 n1 < <(magick "$format" cluster)
      printf "  razivavu-texture high, 2 threads: %7.2f s wall %7.2f s processor\n" "$h2" "$g2"
      printf "  ImageMagick cluster fit  : %7.2f s wall %7.2f s processor\n" "$m1" "$n1"
      awk -v h2="$h2" -v m1="$m1" 'BEGIN {
        printf "  high / ImageMagick cluster fit (wall): %.3f (target at most 1)\n", h2 / m1 }'
    else
      echo "  (razivavu-texture has no --quality option here: high is not timed)"
    fi
  done
} | tee "$out/texture.txt"

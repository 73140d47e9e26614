#!/usr/bin/env bash
# What each quality costs for ASTC: razivavu-texture --format astc4x4,
# astc6x6 and astc8x8 at every --quality on the centre crop (1024 x 1024)
# of a photograph of Debian's mate-backgrounds (ASTC_PHOTOS names others),
# one thread, level 0 only, timed as the whole run in processor time
# (reading the PNG and writing the stream included). Every stream is read
# back by razivavu-inspect --png (the ASTC library's decoder); RMSE and PSNR
# over R, G, B against the crop. $1 = build dir, $2 = output dir.
set -euo pipefail
build=${1:?build dir}
out=${2:?output dir}
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh $(grep -v '^#' bench/astc/packages.txt)
python=/usr/bin/python3
photos=()
for n in ${ASTC_PHOTOS:-Garden}; do
  f=/usr/share/backgrounds/mate/nature/$n.jpg
  [ -e "$f" ] && photos+=("$f")
done
if [ ${#photos[@]} -eq 0 ]; then
  echo "note: no photographs (mate-backgrounds missing): ASTC benchmark skipped"
  exit 0
fi
work="$out/astc"
rm -rf "$work" && mkdir -p "$work"

# Processor time (user + system) of one command, in seconds.
cpu_time() {
  local TIMEFORMAT='%3U %3S' t
  t=$({ time ("$@" >/dev/null 2>&1); } 2>&1)
  echo "$t" | awk '{ print $1 + $2 }'
}
# The library's own stream: DDS cannot hold ASTC, so the name is not .dds.
ours() {  # format, quality, name
  RAZIVAVU_THREADS=1 "$build/razivavu-texture" -q --force --quality "$2" --format "$1" \
    --set g_mip_map_type=32 "$work/$3.png" "$work/$3_$1_$2.stream"
}
error_of() {  # format, quality, name
  local dir="$work/png-$RANDOM"
  mkdir -p "$dir"
  "$build/razivavu-inspect" --png "$dir" "$work/$3_$1_$2.stream" >/dev/null
  "$python" bench/bc/measure.py rmse "$work/$3.png" "$dir/$3_$1_$2_level0.png"
  rm -rf "$dir"
}

printf '%-10s %-8s %-8s %10s %8s %8s\n' photo format quality "seconds" rmse psnr |
  tee "$out/astc.txt"
for f in "${photos[@]}"; do
  n=$(basename "$f" .jpg)
  "$python" bench/bc/measure.py crop "$f" "$work/$n.png" 1024
  for format in astc4x4 astc6x6 astc8x8; do
    for quality in quick fast normal high best; do
      t=$(cpu_time ours "$format" "$quality" "$n")
      e=$(error_of "$format" "$quality" "$n")
      printf '%-10s %-8s %-8s %10s %8s %8.2f\n' "$n" "$format" "$quality" "$t" "$e" \
        "$(awk -v e="$e" 'BEGIN { print 20 * log(255 / e) / log(10) }')" | tee -a "$out/astc.txt"
    done
  done
done

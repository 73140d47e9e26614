#!/usr/bin/env bash
# DXT1 quality for the time spent: our five quality levels with both metrics
# (and best aimed at each decoder reading), libsquish, stb_dxt, ImageMagick's
# cluster fit and the BC1 encoder of the bc7enc binary (npm package
# @gpu-tex-enc/bc, at its highest level), all on the same centre crops
# (1024 x 1024) of eight photographs of each of two Debian packages
# (mate-backgrounds, lomiri-wallpapers-16.04), one thread each, level 0 only.
# Every texture is decoded by the project's own decoder under three readings
# of the interpolated colours (nearest, exact, truncated); RMSE over R, G, B. The encoders outside the
# process are timed as whole runs in processor time (reading the PNG and
# writing the file included), which favours ours a little. $1 = build dir, $2 = output dir.
set -euo pipefail
build=${1:?build dir}
out=${2:?output dir}
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh $(grep -v '^#' bench/blocks/packages.txt)
source scripts/bc7enc-peer.sh
# A second photo set from another Debian package, eight centre crops too.
lomiri=()
for n in Bridge_by_Sander_Klootwijk Dragonfly_by_Bolly Wine_by_Jakkub_Mede \
  aitzgorri_by_Aitzol_Berasategi life_by_Aitzol_Berasategi picosdeeuropa_by_Aitzol_Berasategi \
  sunset_by_Aitzol_Berasategi seeding_by_Clements_Engelhardt; do
  f=/usr/share/backgrounds/$n.jpg
  [ -e "$f" ] && lomiri+=("$f")
done

# Processor time (user + system) of a command run once per crop, in seconds:
# ours is measured in processor time too, so a busy machine weighs alike on
# both.
time_all() {
  local TIMEFORMAT='%3U %3S' t
  t=$({ time (for ((n = 0; n < count; ++n)); do "$@" "$n" >/dev/null 2>&1; done); } 2>&1)
  echo "$t" | awk '{ print $1 + $2 }'
}
im_run() {
  MAGICK_THREAD_LIMIT=1 convert "$crops/$1.png" -define dds:compression=dxt1 \
    -define dds:cluster-fit=true -define dds:mipmaps=0 "DDS:$crops/im/$1.dds"
}
bc_run() { OMP_NUM_THREADS=1 "$bc7enc" -1 -L18 -g -q "$crops/$1.png" "$crops/bc7enc/$1.dds"; }

# One set: crops, the peers' textures, then the table. Every figure reads
# the textures with the project's decoder under each of the three readings;
# bc7enc's textures are also read by ImageMagick (which truncates), whose
# pictures must give the truncate column's figure for that peer.
run_set() {
  local name=$1
  shift
  if [ $# -eq 0 ]; then
    echo "note: no photographs of $name: its table is skipped"
    return
  fi
  crops="$out/quality-crops-$name"
  rm -rf "$crops" && mkdir -p "$crops/im" "$crops/bc7enc" "$crops/bc7enc-read"
  "$build/bench/blocks/bench_blocks" --crop 1024 --write-crops "$crops" "$@" >/dev/null
  count=$(ls "$crops"/*.ppm | wc -l)
  for ((n = 0; n < count; ++n)); do convert "$crops/$n.ppm" "$crops/$n.png"; done
  local peers=(--peer "ImageMagick cluster fit" "$(time_all im_run)" "$crops/im")
  local check=()
  if [ -x "$bc7enc" ]; then
    peers+=(--peer "bc7enc -1 -L18" "$(time_all bc_run)" "$crops/bc7enc")
    for ((n = 0; n < count; ++n)); do
      convert "$crops/bc7enc/$n.dds[0]" "$crops/bc7enc-read/$n.ppm" 2>/dev/null || true
    done
    check=(--outside-decode "$crops/bc7enc-read")
  fi
  echo "== photo set: $name (${#@} photos)"
  "$build/bench/blocks/bench_blocks" --crop 1024 --quality-table "${peers[@]}" "${check[@]}" "$@"
}

{
  run_set mate-backgrounds "${mate[@]}"
  run_set lomiri-wallpapers-16.04 "${lomiri[@]}"
} | tee "$out/quality.txt"

#!/usr/bin/env bash
# BC7 quality for the time spent: razivavu-texture --format bc7 at --quality
# normal and best against the BC7 encoder of the bc7enc binary (npm package
# @gpu-tex-enc/bc, its default settings), in the same run, on the centre
# crops (1024 x 1024) of eight photographs of Debian's mate-backgrounds, one
# thread each, level 0 only. Every file, bc7enc's too, is read back with our
# decoder (razivavu-inspect --png; the tests check that Pillow reads bc7enc's
# files to the same pixels); RMSE over R, G, B against the crop. Both sides
# are timed as whole runs in processor time (reading the PNG and writing the
# file included). $1 = build dir, $2 = output dir.
#
# Then BC5 on normal maps: each crop turned into a normal map by the
# normal-map maker (height conversion 1010, height scale 20: at the default
# scale the maps of these photographs are nearly flat), kept uncompressed
# (argb8888), then stored as BC5 (X in red, Y in green) and as DXT5 with X
# moved to alpha and Y in green (how normal maps went into DXT5 before
# two-channel formats). The figure is the mean angle in degrees between the
# normals rebuilt from the stored X and Y (Z = sqrt(1 - X^2 - Y^2)) and those
# rebuilt the same way from the uncompressed map, read back with our decoder.
set -euo pipefail
build=${1:?build dir}
out=${2:?output dir}
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh $(grep -v '^#' bench/bc/packages.txt)
python=/usr/bin/python3
source scripts/bc7enc-peer.sh
photos=("${mate[@]}")
if [ ${#photos[@]} -eq 0 ]; then
  echo "note: no photographs (mate-backgrounds missing): BC7 benchmark skipped"
  exit 0
fi
work="$out/bc7"
rm -rf "$work" && mkdir -p "$work"
names=()
for f in "${photos[@]}"; do
  n=$(basename "$f" .jpg)
  names+=("$n")
  "$python" bench/bc/measure.py crop "$f" "$work/$n.png" 1024
done

# Processor time (user + system) of one command, in seconds.
cpu_time() {
  local TIMEFORMAT='%3U %3S' t
  t=$({ time ("$@" >/dev/null 2>&1); } 2>&1)
  echo "$t" | awk '{ print $1 + $2 }'
}
error_of() {  # dds, crop
  local dir="$work/png-$RANDOM"
  mkdir -p "$dir"
  "$build/razivavu-inspect" --png "$dir" "$1" >/dev/null
  "$python" bench/bc/measure.py rmse "$2" "$dir/$(basename "$1" .dds)_level0.png"
  rm -rf "$dir"
}
ours() {  # quality, name
  RAZIVAVU_THREADS=1 "$build/razivavu-texture" -q --quality "$1" --format bc7 \
    --set g_mip_map_type=32 "$work/$2.png" "$work/$2_$1.dds"
}
# bc7enc also writes its decoded picture (<name>_unpacked.png) into the
# folder it runs in: run it in the work folder, not the checkout.
peer() { (cd "$work" && OMP_NUM_THREADS=1 "$bc7enc" -q "$1.png" "$1_bc7enc.dds"); }

printf '%-13s %22s %22s %22s\n' photo "normal rmse / s" "best rmse / s" "bc7enc rmse / s" |
  tee "$out/bc7.txt"
for n in "${names[@]}"; do
  tn=$(cpu_time ours normal "$n"); en=$(error_of "$work/${n}_normal.dds" "$work/$n.png")
  tb=$(cpu_time ours best "$n"); eb=$(error_of "$work/${n}_best.dds" "$work/$n.png")
  tp="-"; ep="-"
  if [ -x "$bc7enc" ]; then
    tp=$(cpu_time peer "$n"); ep=$(error_of "$work/${n}_bc7enc.dds" "$work/$n.png")
  fi
  printf '%-13s %13s / %6s %13s / %6s %13s / %6s\n' "$n" "$en" "$tn" "$eb" "$tb" "$ep" "$tp" |
    tee -a "$out/bc7.txt"
done
awk 'NR > 1 { en += $2; tn += $4; eb += $5; tb += $7; if ($8 != "-") { ep += $8; tp += $10; p++ } k++ }
     END { printf "%-13s %13.4f / %6.1f %13.4f / %6.1f", "mean / total", en / k, tn, eb / k, tb;
           if (p) printf " %13.4f / %6.1f\nnormal: rmse %.3f x bc7enc at %.2f x its speed; best: rmse %.3f x at %.2f x its time\n",
             ep / p, tp, en / ep, tp / tn, eb / ep, tb / tp; else printf "\n" }' "$out/bc7.txt" |
  tee -a "$out/bc7.txt"

# BC5 beside DXT5 on normal maps.
normal_map() {  # name
  RAZIVAVU_THREADS=1 "$build/razivavu-texture" -q --format argb8888 --set g_mip_map_type=32 \
    --set g_normal_map_conversion=1 --set g_normalmap_cnv=1010 --set g_normalmap_scale=20 \
    "$work/$1.png" "$work/$1_nm.dds"
  local dir="$work/png-nm"
  mkdir -p "$dir"
  "$build/razivavu-inspect" --png "$dir" "$work/$1_nm.dds" >/dev/null
  mv "$dir/$1_nm_level0.png" "$work/$1_nm.png"
  "$python" bench/bc/measure.py swizzle "$work/$1_nm.png" "$work/$1_nmxa.png"
}
angle_of() {  # format, quality, name, source suffix, where X is
  local dir="$work/png-$RANDOM"
  mkdir -p "$dir"
  RAZIVAVU_THREADS=1 "$build/razivavu-texture" -q --quality "$2" --format "$1" \
    --set g_mip_map_type=32 "$work/$3_$4.png" "$work/$3_$1_$2.dds"
  "$build/razivavu-inspect" --png "$dir" "$work/$3_$1_$2.dds" >/dev/null
  "$python" bench/bc/measure.py angle "$work/$3_nm.png" "$dir/$3_$1_$2_level0.png" "$5"
  rm -rf "$dir"
}
printf '\n%-13s %20s %20s %20s %20s\n' "normal map" "bc5 normal mean/max" "bc5 best mean/max" \
  "dxt5 normal mean/max" "dxt5 best mean/max" | tee "$out/bc5.txt"
for n in "${names[@]}"; do
  normal_map "$n"
  row=$(printf '%-13s' "$n")
  for fq in "bc5 normal nm red" "bc5 best nm red" "dxt5 normal nmxa alpha" "dxt5 best nmxa alpha"; do
    set -- $fq
    a=$(angle_of "$1" "$2" "$n" "$3" "$4")
    row+=$(printf ' %10s / %7s' $a)
  done
  echo "$row" | tee -a "$out/bc5.txt"
done
awk 'NR > 2 && NF == 13 { for (i = 2; i <= 11; i += 3) { m[i] += $i; if ($(i + 2) > x[i]) x[i] = $(i + 2) } k++ }
     END { printf "%-13s", "mean / max"; for (i = 2; i <= 11; i += 3) printf " %10.4f / %7.3f", m[i] / k, x[i];
           printf "\n(degrees between rebuilt normals, our decoder)\n" }' "$out/bc5.txt" | tee -a "$out/bc5.txt"

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
set -euo pipefail
build=${1:?build dir}
out=${2:?output dir}
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh $(grep -v '^#' bench/bc/packages.txt)
python=/usr/bin/python3
npm_dir="$out/npm"
bc7enc="$npm_dir/node_modules/@gpu-tex-enc/bc/bin/linux/bc7enc"
command -v npm >/dev/null || bash scripts/install-deps.sh npm || true
if [ ! -x "$bc7enc" ] && command -v npm >/dev/null; then
  mkdir -p "$npm_dir"
  (cd "$npm_dir" && npm install --no-audit --no-fund --silent @gpu-tex-enc/bc@1 >/dev/null) ||
    echo "note: bc7enc could not be installed; its column is skipped"
fi
photos=()
for n in Aqua Garden LadyBird TwoWings Wood YellowFlower Storm RainDrops; do
  f=/usr/share/backgrounds/mate/nature/$n.jpg
  [ -e "$f" ] && photos+=("$f")
done
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
peer() { OMP_NUM_THREADS=1 "$bc7enc" -q "$work/$1.png" "$work/$1_bc7enc.dds"; }

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

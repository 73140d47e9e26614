#!/usr/bin/env bash
# Benchmark of --part: one picture of PARTS_WIDTH x PARTS_HEIGHT (default
# 30000 x 15000, the project's sample picture repeated by vips) as striped
# TIFF, baseline JPEG, PNG and BMP, tiled in 512 x 512 tiles on 2 threads as
# one run and as N = 4 and 8 parts run one after the other (each as it would
# run alone on a machine of its own). Per input kind and N:
#   - processor time (user + system, /usr/bin/time) of all parts over the one
#     run's (targets: 1.05 for TIFF and BMP, 1.3 for JPEG): what passing over
#     the rows above costs;
#   - wall time of the slowest part over the one run's, against 1.3 / N: what
#     N machines give;
#   - the largest part's share of the output bytes: the balance of the cut
#     (the work model of tool/parts.cpp), the best whole rows allow;
#   - peak memory of the largest part against the one run's.
# Times on a shared machine swing by tens of percent from run to run, so the
# same ratios are also given in instructions, which do not: counted by perf
# stat on the same runs where the processor's counters can be read, and
# otherwise by callgrind on a narrow picture of the same rows
# (PARTS_COUNT_WIDTH x PARTS_COUNT_HEIGHT, default 600 x PARTS_HEIGHT: one
# column of tiles), where a row of tiles costs 1/58 of a full-width one while
# what a part adds per process stays as it is, so its sum bounds the full
# width's from above; the rows, and so the cut into parts, are the same.
# PARTS_COUNT=none leaves the instructions out.
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
count_width=${PARTS_COUNT_WIDTH:-600}
count_height=${PARTS_COUNT_HEIGHT:-$height}
kinds=${PARTS_KINDS:-tif bmp jpg png}
# How instructions are counted: perf where the counters can be read, else
# callgrind, else not at all.
counter=${PARTS_COUNT:-auto}
if [ "$counter" = auto ]; then
  counter=none
  if command -v perf >/dev/null && perf stat -x, -e instructions:u true 2>&1 | grep -q '^[0-9]'; then
    counter=perf
  elif command -v valgrind >/dev/null; then
    counter=callgrind
  fi
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$sample" "$work/piece.bmp" 5000 3000 >/dev/null
vips replicate "$work/piece.bmp" "$work/wall.v" $(( (width + 4999) / 5000 )) $(( (height + 2999) / 3000 ))
# pictures <prefix> <width> <height>: the four kinds, cut from the wall.
pictures() {
  vips extract_area "$work/wall.v" "$work/cut.v" 0 0 "$2" "$3"
  vips tiffsave "$work/cut.v" "$1.tif" --compression lzw
  vips jpegsave "$work/cut.v" "$1.jpg" --Q 90
  vips pngsave "$work/cut.v" "$1.png" --compression 1
  # The BMP is written here from vips' raw rows: ImageMagick's usual policy
  # refuses pictures this large.
  vips rawsave "$work/cut.v" "$work/cut.raw"
  python3 - "$work/cut.raw" "$1.bmp" "$2" "$3" <<'PY'
import struct, sys
raw, bmp, w, h = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
row = w * 3
pad = b"\0" * (-row % 4)
size = 54 + (row + len(pad)) * h
with open(raw, "rb") as src, open(bmp, "wb") as out:
    out.write(struct.pack("<2sIHHIIiiHHIIiiII", b"BM", size, 0, 0, 54, 40, w, h, 1, 24, 0,
                          size - 54, 0, 0, 0, 0))
    for y in reversed(range(h)):  # bottom-up, B, G, R
        src.seek(y * row)
        line = bytearray(src.read(row))
        line[0::3], line[2::3] = line[2::3], line[0::3]
        out.write(line + pad)
PY
  rm -f "$work/cut.v" "$work/cut.raw"
}
pictures "$work/pano" "$width" "$height"
[ "$counter" = callgrind ] && pictures "$work/narrow" "$count_width" "$count_height"
rm -f "$work/wall.v" "$work/piece.bmp"

# run <args...>: one run in a fresh folder; "<wall s> <processor s> <peak KiB>
# <output bytes> <instructions>" (instructions 0 when perf cannot count).
run() {
  rm -rf "$work/run" && mkdir "$work/run"
  local counting=()
  [ "$counter" = perf ] && counting=(perf stat -x, -o "$work/count.txt" -e instructions:u)
  (cd "$work/run" && RAZIVAVU_THREADS=2 /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" \
    "${counting[@]}" "$tool" -q -o . "$@" </dev/null >/dev/null 2>"$work/stderr.txt") ||
    { cat "$work/stderr.txt" >&2; exit 1; }
  local bytes instructions=0
  bytes=$(find "$work/run" -type f -name '*.vxt' -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  [ "$counter" = perf ] && instructions=$(awk -F, '/instructions/ { print $1 }' "$work/count.txt")
  awk -v b="$bytes" -v i="$instructions" '{ printf "%s %.2f %s %s %s\n", $1, $2 + $3, $4, b, i }' \
    "$work/time.txt"
}

# counted <args...>: the instructions of one run under callgrind (all threads).
counted() {
  rm -rf "$work/run" && mkdir "$work/run"
  (cd "$work/run" && RAZIVAVU_THREADS=2 valgrind --tool=callgrind \
    --callgrind-out-file=/dev/null "$tool" -q -o . "$@" </dev/null >/dev/null 2>"$work/stderr.txt") ||
    { cat "$work/stderr.txt" >&2; exit 1; }
  sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$work/stderr.txt"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }'; }
larger() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a ? b : a) }'; }
plus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a + b }'; }
count_plus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", a + b }'; }

{
  echo "parts: $width x $height, tiles of 512 x 512, 2 threads per run, parts one after the other"
  echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
  echo "cpu: processor time (user + system); wall: wall time of the slowest part; both over the"
  echo "one run's. bytes: the largest part's output bytes over the one run's (1/N at best)."
  [ "$counter" = perf ] && echo "Ir: instructions (perf stat, user space), all parts and the largest part over the one run's."
  printf "%-6s %3s %8s %8s %9s %8s %8s %6s %8s %8s" input N "wall s" "cpu s" "peak KiB" \
    "cpu/one" "wall/one" "1.3/N" "bytes" "peak/one"
  [ "$counter" = perf ] && printf " %8s %8s" "Ir/one" "Irmax/one"
  echo
  for kind in $kinds; do
    read -r wall cpu peak bytes ir < <(run "$work/pano.$kind")
    printf "%-6s %3s %8.2f %8.2f %9d\n" "$kind" 1 "$wall" "$cpu" "$peak"
    for n in $counts; do
      sum=0 slowest=0 largest=0 most=0 irsum=0 irmax=0
      for ((k = 0; k < n; ++k)); do
        read -r w c p b i < <(run --part "$k/$n" "$work/pano.$kind")
        sum=$(plus "$sum" "$c")
        slowest=$(larger "$slowest" "$w")
        largest=$(larger "$largest" "$p")
        most=$(larger "$most" "$b")
        irsum=$(count_plus "$irsum" "$i")
        irmax=$(larger "$irmax" "$i")
      done
      printf "%-6s %3d %8.2f %8.2f %9d %8s %8s %6.3f %8s %8s" "$kind" "$n" "$slowest" "$sum" \
        "$largest" "$(ratio "$sum" "$cpu")" "$(ratio "$slowest" "$wall")" \
        "$(awk -v n="$n" 'BEGIN { print 1.3 / n }')" "$(ratio "$most" "$bytes")" \
        "$(ratio "$largest" "$peak")"
      [ "$counter" = perf ] && printf " %8s %8s" "$(ratio "$irsum" "$ir")" "$(ratio "$irmax" "$ir")"
      echo
    done
  done
  echo "machine: load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"

  if [ "$counter" = callgrind ]; then
    echo
    echo "instructions (callgrind, all threads): $count_width x $count_height, $((count_width / 512))" \
      "column(s) of tiles: all parts and the largest part over the one run's."
    printf "%-6s %3s %14s %8s %9s %6s\n" input N "Ir" "Ir/one" "Irmax/one" "1.3/N"
    for kind in $kinds; do
      one=$(counted "$work/narrow.$kind")
      printf "%-6s %3s %14s\n" "$kind" 1 "$one"
      for n in $counts; do
        irsum=0 irmax=0
        for ((k = 0; k < n; ++k)); do
          i=$(counted --part "$k/$n" "$work/narrow.$kind")
          irsum=$(count_plus "$irsum" "$i")
          irmax=$(larger "$irmax" "$i")
        done
        printf "%-6s %3d %14s %8s %9s %6.3f\n" "$kind" "$n" "$irsum" "$(ratio "$irsum" "$one")" \
          "$(ratio "$irmax" "$one")" "$(awk -v n="$n" 'BEGIN { print 1.3 / n }')"
      done
    done
  fi
} | tee "$out/parts.txt"

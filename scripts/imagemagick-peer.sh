# Sourced by the benchmark scripts whose program runs ImageMagick beside our
# code in the same run (the name does not match bench-*.sh, so run-bench.sh
# does not take it for a benchmark).
#
# run_beside_imagemagick <name> <program under the build dir> <report file> [build dir] [output dir]
# Installs ImageMagick when missing, runs the program with a scratch folder
# and Debian's convert, and keeps what it prints in <output dir>/<report file>.
run_beside_imagemagick() {
  local name=$1 program=$2 report=$3
  local build=${4:-build-bench} out=${5:-bench-out}
  local here
  here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  bash "$here/scripts/install-deps.sh" imagemagick
  local bin="$build/$program"
  if [ ! -x "$bin" ]; then
    echo "$name: $bin not built (configure with -DRAZIVAVU_BENCH=ON)" >&2
    exit 1
  fi
  # Debian's ImageMagick itself, not whatever else is called convert on PATH.
  local convert=/usr/bin/convert-im6.q16
  [ -x "$convert" ] || convert=/usr/bin/convert
  mkdir -p "$out"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  "$bin" "$work" "$convert" | tee "$out/$report"
}

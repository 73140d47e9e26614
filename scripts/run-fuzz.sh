#!/usr/bin/env bash
# Runs the fuzz targets one after the other, each for SECONDS seconds, from
# its committed seeds (fuzz/corpus/<target>) and every kept reproducer
# (fuzz/regressions/<target>, all run first). New inputs that reach new code
# go to fuzz-out/<target>/corpus, a crashing input to fuzz-out/<target>/
# (crash-*, timeout-*, oom-*), the whole log to fuzz-out/<target>/log.txt.
#
# usage: scripts/run-fuzz.sh BUILD_DIR SECONDS [target ...]
#        targets: bmp jpeg png tiff texfile compress blocks settings manifest (default: all nine)
# Exit status 1 when any target found something.
set -uo pipefail
build=$(cd "$1" && pwd)
seconds=$2
shift 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(bmp jpeg png tiff texfile compress blocks settings manifest); fi
root=$(cd "$(dirname "$0")/.." && pwd)
out=${FUZZ_OUT:-$root/fuzz-out}
status=0
for t in "${targets[@]}"; do
  mkdir -p "$out/$t/corpus"
  dirs=("$out/$t/corpus" "$root/fuzz/corpus/$t")
  if [ -d "$root/fuzz/regressions/$t" ]; then dirs+=("$root/fuzz/regressions/$t"); fi
  echo "== fuzz_$t for ${seconds}s"
  # Run inside its output folder: the loaders append to "vx.log" there.
  if (cd "$out/$t" && "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 \
      -print_final_stats=1 -artifact_prefix="$out/$t/" "${dirs[@]}" >"$out/$t/log.txt" 2>&1); then
    grep -E "^(stat::number_of_executed_units|stat::new_units_added|Done)" "$out/$t/log.txt"
  else
    status=1
    tail -n 40 "$out/$t/log.txt"
    echo "== fuzz_$t FOUND A FAULT; reproduce with: $build/fuzz/fuzz_$t $(ls -t "$out/$t"/crash-* "$out/$t"/timeout-* "$out/$t"/oom-* 2>/dev/null | head -n 1)"
  fi
done
exit $status

#!/usr/bin/env bash
# Builds the benchmarks (optimised, one thread) and runs every
# scripts/bench-*.sh in turn. Each of those installs the peers it compares
# against when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DRAZIVAVU_BENCH=ON -DRAZIVAVU_TESTS=OFF >/dev/null
cmake --build build-bench -j 2
mkdir -p bench-out
for b in scripts/bench-*.sh; do
  [ -e "$b" ] || continue
  echo "== $b"
  bash "$b" build-bench bench-out
done

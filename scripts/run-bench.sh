#!/usr/bin/env bash
# Builds the benchmarks (optimised, one thread) and runs every
# scripts/bench-*.sh in turn.
set -euo pipefail
cd "$(dirname "$0")/.."
# Peers linked into (or run beside) the benchmarks are listed one Debian
# package a line in bench/<name>/packages.txt.
peers=$(cat bench/*/packages.txt 2>/dev/null | grep -v '^#' | tr '\n' ' ' || true)
bash scripts/install-deps.sh $peers
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DRAZIVAVU_BENCH=ON -DRAZIVAVU_TESTS=OFF >/dev/null
cmake --build build-bench -j 2
mkdir -p bench-out
for b in scripts/bench-*.sh; do
  [ -e "$b" ] || continue
  echo "== $b"
  bash "$b" build-bench bench-out
done

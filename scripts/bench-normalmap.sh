#!/usr/bin/env bash
# Times the normal-map maker on a 2048 x 2048 height picture (kernels 1040,
# 1042, 1045) beside its plain per-pixel sampler. $1 = build dir, $2 = output dir.
set -euo pipefail
build=${1:?build dir}
out=${2:?output dir}
mkdir -p "$out"
"$build/bench/normalmap/bench_normalmap" 2048 3 | tee "$out/normalmap.txt"

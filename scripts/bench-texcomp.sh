#!/usr/bin/env bash
# Times the compression library on the tool's job: an 8192 x 4096 picture in
# 512 x 512 tiles, 24-bit and DXT1 files. $1 = build dir, $2 = output dir.
set -euo pipefail
build=${1:?build dir}
out=${2:?output dir}
mkdir -p "$out"
"$build/bench/texcomp/bench_texcomp" 8192 4096 512 512 | tee "$out/texcomp.txt"

#!/usr/bin/env bash
# Level-filter benchmark: methods 8, 16 and 17 over a 2048 x 2048 level on one
# thread, beside ImageMagick's sharpen, unsharp and 3x3 convolution.
# Usage: scripts/bench-filters.sh <build dir> <output dir>
set -euo pipefail
source "$(dirname "$0")/imagemagick-peer.sh"
run_beside_imagemagick bench-filters bench/texcomp/bench_filters filters.txt "$@"

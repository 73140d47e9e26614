#!/usr/bin/env bash
# Resampling benchmark: the 4096 x 4096 mip chain with the triangle filter
# and the 300 x 300 -> 256 x 256 cubic rescale, on one thread, against
# ImageMagick's `convert -filter Triangle -resize` of the same picture.
# Usage: scripts/bench-zoom.sh <build dir> <output dir>
set -euo pipefail
source "$(dirname "$0")/imagemagick-peer.sh"
run_beside_imagemagick bench-zoom bench/zoom/bench_zoom zoom.txt "$@"

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when one is
# missing. Extra package names on the command line are checked as well (the
# benchmarks pass their peers).
set -euo pipefail
# ccache lets checkouts and the sanitizer builds share compiled objects.
# imagemagick is for the tests too: they check that a reader that is not
# ours opens the texture files razivavu-texture writes. python3-pil is the
# second reader of the BC5 and BC7 streams: the tests check that it decodes
# them to our decoder's pixels. libastcenc-dev is Arm's ASTC encoder, which
# encodes and decodes the ASTC formats; its astcenc command is the tests'
# outside reader of our ASTC blocks.
packages=(cmake g++ make ccache libgtest-dev libjpeg62-turbo-dev libpng-dev libtiff-dev libxxhash-dev imagemagick
          python3-pil libastcenc-dev astcenc "$@")
# The fuzz targets and their seed corpus (make fuzz, .ci/run): clang with
# libFuzzer, libjpeg's cjpeg, libtiff's tiffcp and ImageMagick for the seed files.
if [ "${RAZIVAVU_FUZZ_DEPS:-0}" = 1 ]; then
  packages+=(clang libclang-rt-dev libjpeg-turbo-progs libtiff-tools imagemagick python3)
fi
# The viewer's browser tests (make test, make sanitize): headless chromium.
# Without recommends: fonts and the rest of a desktop are not needed.
optional=()
if [ "${RAZIVAVU_BROWSER_DEPS:-0}" = 1 ]; then
  optional=(chromium)
fi
# The tests that run the tool under a real scheduler (make test, make
# sanitize): a single-node Slurm cluster and GNU parallel. Like the browser
# they are only tried: the tests skip with a message without them.
if [ "${RAZIVAVU_CLUSTER_DEPS:-0}" = 1 ]; then
  optional+=(slurm-wlm munge parallel)
fi
# npm's ktx-parse, the reader written apart from razivavu that the KTX2
# tests compare with (tests/containers/ktx2_read.mjs): installed once from
# the lock file beside it, where Node.js and npm are. Those tests skip
# without it.
readers="$(cd "$(dirname "$0")/.." && pwd)/tests/containers"
if [ ! -d "$readers/node_modules/ktx-parse" ] && command -v npm >/dev/null; then
  (cd "$readers" && npm ci --no-audit --no-fund --silent >/dev/null) ||
    echo "note: ktx-parse could not be installed; the tests that read KTX2 files with it skip"
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
missing_optional=()
for p in "${optional[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing_optional+=("$p")
done
if [ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]} ${missing_optional[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get install -y -qq "${missing[@]}"
fi
if [ ${#missing_optional[@]} -gt 0 ]; then
  # Only the browser and scheduler tests need them, and they skip with a
  # message without them.
  $SUDO apt-get install -y -qq --no-install-recommends "${missing_optional[@]}" ||
    echo "${missing_optional[*]} could not be installed: the tests that need them will be skipped"
fi

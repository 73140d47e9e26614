#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when one is
# missing. Extra package names on the command line are checked as well (the
# benchmarks pass their peers).
set -euo pipefail
# ccache lets checkouts and the sanitizer builds share compiled objects.
# imagemagick is for the tests too: they check that a reader that is not
# ours opens the texture files razivavu-texture writes.
packages=(cmake g++ make ccache libgtest-dev libjpeg62-turbo-dev libpng-dev libtiff-dev imagemagick
          "$@")
# The fuzz targets and their seed corpus (make fuzz, .ci/run): clang with
# libFuzzer, libjpeg's cjpeg, libtiff's tiffcp and ImageMagick for the seed files.
if [ "${RAZIVAVU_FUZZ_DEPS:-0}" = 1 ]; then
  packages+=(clang libclang-rt-dev libjpeg-turbo-progs libtiff-tools imagemagick python3)
fi
# The viewer's browser tests (make test, make sanitize): headless chromium.
# Without recommends: fonts and the rest of a desktop are not needed.
browser=()
if [ "${RAZIVAVU_BROWSER_DEPS:-0}" = 1 ]; then
  browser=(chromium)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
missing_browser=()
for p in "${browser[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing_browser+=("$p")
done
if [ ${#missing[@]} -eq 0 ] && [ ${#missing_browser[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]} ${missing_browser[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get install -y -qq "${missing[@]}"
fi
if [ ${#missing_browser[@]} -gt 0 ]; then
  # Only the browser tests need it, and they skip with a message without it.
  $SUDO apt-get install -y -qq --no-install-recommends "${missing_browser[@]}" ||
    echo "chromium could not be installed: the viewer's browser tests will be skipped"
fi

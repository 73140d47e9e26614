# Sourced by the benchmarks that run the bc7enc binary (npm package
# @gpu-tex-enc/bc) beside ours: installs it into "$out/npm" once and sets
# $bc7enc to its path; when it cannot be installed, $bc7enc is not
# executable and the caller skips the peer. Needs $out.
npm_dir="$out/npm"
bc7enc="$npm_dir/node_modules/@gpu-tex-enc/bc/bin/linux/bc7enc"
# npm comes with the machine's Node.js; Debian's own is the fallback.
command -v npm >/dev/null || bash scripts/install-deps.sh npm || true
if [ ! -x "$bc7enc" ] && command -v npm >/dev/null; then
  mkdir -p "$npm_dir"
  (cd "$npm_dir" && npm install --no-audit --no-fund --silent @gpu-tex-enc/bc@1 >/dev/null) ||
    echo "note: bc7enc could not be installed; it is left out"
fi
# The photographs of Debian's mate-backgrounds both benchmarks crop.
mate=()
for n in Aqua Garden LadyBird TwoWings Wood YellowFlower Storm RainDrops; do
  f=/usr/share/backgrounds/mate/nature/$n.jpg
  [ -e "$f" ] && mate+=("$f")
done

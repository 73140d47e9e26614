#!/usr/bin/env bash
# The installed tree and the Debian packages as another program sees them
# (make install-check, CI):
#   1. `cmake --install` into a temporary prefix: the commands, manual pages,
#      libraries, CMake package and pkg-config file, and of the headers only
#      the public ones, each of which compiles alone with the installed
#      include folder;
#   2. examples/ built against that prefix with find_package and with
#      pkg-config; both run on a small BMP and PNG, and their DDS files are
#      checked with the installed razivavu-inspect and compared byte for byte
#      with razivavu-texture's at the library's default quality (normal);
#   3. cpack's .deb files: their dependencies, their contents extracted with
#      dpkg-deb -x, the commands run from there (--version among them),
#      `man -l` on every page, and
#      the example built against the extracted tree with pkg-config.
#
#   bash scripts/check-install.sh [BUILD]        (default build/, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
checks=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
check() {  # check "what" command...: one counted check
    checks=$((checks + 1))
    local what=$1
    shift
    if ! "$@" >"$work/last.log" 2>&1; then
        fail "$what"
        sed 's/^/    /' "$work/last.log" >&2
    fi
}

libraries=(vxsystem cpu workpool zoom blocks palette normalmap texcomp imageio)
commands=(razivavu razivavu-texture razivavu-inspect)
shared=0
grep -q '^RAZIVAVU_SHARED:BOOL=ON' "$build/CMakeCache.txt" && shared=1
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

# --- 1. The installed tree -------------------------------------------------
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log"
libdir=$(cd "$prefix" && find . -name razivavu.pc -printf '%h\n' | sed 's|^\./||; s|/pkgconfig$||')
for c in "${commands[@]}"; do
    check "bin/$c installed" test -x "$prefix/bin/$c"
    check "man page of $c installed" test -s "$prefix/share/man/man1/$c.1.gz"
done
for l in "${libraries[@]}"; do
    if [ "$shared" = 1 ]; then
        check "lib$l shared, with its soname link" test -L "$prefix/$libdir/librazivavu_$l.so.${version%%.*}"
        check "lib$l's development link" test -L "$prefix/$libdir/librazivavu_$l.so"
    else
        check "lib$l archive" test -s "$prefix/$libdir/librazivavu_$l.a"
    fi
done
for f in razivavuConfig.cmake razivavuConfigVersion.cmake razivavuTargets.cmake; do
    check "CMake package file $f" test -s "$prefix/$libdir/cmake/razivavu/$f"
done
# Only the public headers, one per library, and nothing else under include/.
expected=$(for l in "${libraries[@]}"; do echo "include/razivavu/$l/$l.h"; done | sort)
found=$(cd "$prefix" && find include -type f -o -type l | sort)
check "installed headers are the public ones only" test "$expected" = "$found"
for l in "${libraries[@]}"; do
    check "$l/$l.h compiles alone" g++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only \
        -I"$prefix/include/razivavu" -x c++ - <<<"#include \"$l/$l.h\""
done

# --- 2. The example against the installed tree -----------------------------
check "example configured with find_package" \
    cmake -S examples -B "$work/ex-cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release
check "example built with find_package" cmake --build "$work/ex-cmake"
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
check "pkg-config knows razivavu $version" test "$(pkg-config --modversion razivavu)" = "$version"
# The command line a user types, with nothing of the source tree but the file
# (and, for shared libraries outside the system's folders, where they are).
rpath=""
[ "$shared" = 1 ] && rpath="-Wl,-rpath,$prefix/$libdir"
check "example built with pkg-config" \
    bash -c "g++ -std=c++17 examples/picture_to_dds.cpp -o '$work/ex-pc' \$(pkg-config --cflags --libs razivavu) $rpath"
unset PKG_CONFIG_PATH

cd "$work"
"$build/make_sample" pic.bmp 256 128 >/dev/null
convert pic.bmp -alpha set -channel A -fx 'i/w' pic.png
for picture in pic.bmp pic.png; do
    "$prefix/bin/razivavu-texture" -q --quality normal "$picture" "ref-$picture.dds" >/dev/null
    for way in cmake pc; do
        program=$work/ex-cmake/picture_to_dds
        [ "$way" = pc ] && program=$work/ex-pc
        out=$way-$picture.dds
        check "example ($way) converts $picture" "$program" "$picture" "$out"
        check "example ($way) on $picture: the DDS of razivavu-texture, byte for byte" \
            cmp "ref-$picture.dds" "$out"
        "$prefix/bin/razivavu-inspect" --json "$out" >"$out.json" 2>&1 || true
        for field in '"ok":true' '"format_name":"dxt1"' '"width":256,"height":128' \
            '"header_levels":9' '"bytes":21992'; do
            check "razivavu-inspect on $out: $field" grep -qF "$field" "$out.json"
        done
    done
done
# A photo of any size: DXT1 takes powers of two, so the example rescales it,
# as razivavu-texture --resize pow2 does, to the same bytes.
"$build/make_sample" odd.bmp 300 200 >/dev/null
"$prefix/bin/razivavu-texture" -q --quality normal --resize pow2 odd.bmp ref-odd.dds >/dev/null
check "example converts a 300 x 200 picture" "$work/ex-pc" odd.bmp pc-odd.dds
check "example on 300 x 200: the DDS of razivavu-texture --resize pow2" cmp ref-odd.dds pc-odd.dds
# A picture that cannot be read: a message, a failing exit, no file.
printf 'not a png' >bad.png
checks=$((checks + 1))
if "$work/ex-pc" bad.png bad.dds 2>/dev/null || [ -e bad.dds ] || [ -e bad.dds.part ]; then
    fail "example on a damaged picture: exit non-zero and no file"
fi
cd "$root"

# --- 3. The Debian packages ------------------------------------------------
(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    fail "cpack -G DEB"
}
arch=$(dpkg --print-architecture)
runtime_deb=$build/packages/razivavu_${version}_$arch.deb
dev_deb=$build/packages/razivavu-dev_${version}_$arch.deb
check "razivavu_${version}_$arch.deb made" test -s "$runtime_deb"
check "razivavu-dev_${version}_$arch.deb made" test -s "$dev_deb"
runtime_depends=$(dpkg-deb -f "$runtime_deb" Depends 2>/dev/null || true)
dev_depends=$(dpkg-deb -f "$dev_deb" Depends 2>/dev/null || true)
for lib in libc6 libstdc++6 libjpeg62-turbo libpng16 libtiff; do
    check "razivavu depends on $lib ($runtime_depends)" grep -qF "$lib" <<<"$runtime_depends"
done
for lib in libjpeg62-turbo-dev libpng-dev libtiff-dev; do
    check "razivavu-dev depends on $lib ($dev_depends)" grep -qF "$lib" <<<"$dev_depends"
done
deb=$work/deb
check "dpkg-deb -x razivavu" dpkg-deb -x "$runtime_deb" "$deb"
check "dpkg-deb -x razivavu-dev" dpkg-deb -x "$dev_deb" "$deb"
for c in "${commands[@]}"; do
    page=$deb/usr/share/man/man1/$c.1.gz
    MANPAGER=cat MANWIDTH=80 man -l "$page" >"$work/$c.man" 2>/dev/null || true
    check "man -l $c.1.gz shows its NAME line" grep -qE "^ +$c +- " "$work/$c.man"
    for section in SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES \
        "SEE ALSO"; do
        check "man -l $c.1.gz has its $section" grep -q "^$section" "$work/$c.man"
    done
done
for c in "${commands[@]}"; do
    check "$c --version from the package says \"$c $version\"" \
        bash -c "'$deb/usr/bin/$c' --version </dev/null | grep -qxF '$c $version'"
done
check "razivavu-inspect from the package reads a DDS" \
    "$deb/usr/bin/razivavu-inspect" "$work/ref-pic.png.dds"
check "razivavu-texture from the package writes the same DDS" \
    bash -c "'$deb/usr/bin/razivavu-texture' -q --quality normal '$work/pic.bmp' '$work/deb.dds' &&
             cmp '$work/deb.dds' '$work/ref-pic.bmp.dds'"
# The package's pkg-config file finds its prefix from its own place.
deb_pc=$(find "$deb/usr" -name razivavu.pc)
rpath=""
[ "$shared" = 1 ] && rpath="-Wl,-rpath,${deb_pc%/pkgconfig/*}"
check "example built with pkg-config against the package's tree" \
    bash -c "PKG_CONFIG_PATH='${deb_pc%/*}' && export PKG_CONFIG_PATH &&
             g++ -std=c++17 examples/picture_to_dds.cpp -o '$work/ex-deb' \$(pkg-config --cflags --libs razivavu) $rpath"
check "that example runs" "$work/ex-deb" "$work/pic.bmp" "$work/deb-ex.dds"

echo "install check: $((checks - failures)) passed, $failures failed"
[ "$failures" = 0 ]

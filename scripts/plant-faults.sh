#!/bin/sh
# Plants each known fault (tests/planted/*.patch, or the patches named) in a scratch copy of the
# committed tree and runs the test that must catch it. A plant that the test does not notice
# fails this script, and so do entries that fail without any plant. Each patch's first line
# names the ctest entry that must then fail:
#   # catches: <ctest entry> [the cases that fail, for the reader]
# Never part of the test command: every plant is an incremental rebuild.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SCRATCH="$ROOT/build/planted"
# The scratch copy lies inside this repository: git apply must not find it.
export GIT_CEILING_DIRECTORIES="$SCRATCH"
BUILD="$SCRATCH/build/x86_64"
[ $# -gt 0 ] || set -- "$ROOT"/tests/planted/*.patch

"$ROOT/scripts/setup.sh"
rm -rf "$SCRATCH/src"
mkdir -p "$SCRATCH/src"
git -C "$ROOT" archive HEAD | tar -x -C "$SCRATCH/src"
# The real crash dump the tests read lies beside the project, and so beside the copy.
ln -sfn "$(cd "$ROOT/../shared" && pwd)" "$SCRATCH/shared"
cmake -S "$SCRATCH/src" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$SCRATCH/src/cmake/toolchain-x86_64.cmake" \
    -DKESTRUNE_TESTS=ON >/dev/null
# The ctest entry a patch names on its first line.
catches() {
    sed -n '1s/^# catches: \([^ ]*\).*/\1/p' "$1"
}
entries=$(for patch in "$@"; do catches "$patch"; done | sort -u | paste -sd'|')

# pe32_static reads the installed modules of both builds: the product (i686, into the scratch
# copy's dist/) is built and installed too when a plant names it.
PRODUCT="$SCRATCH/build/i686"
case "|$entries|" in
*"|pe32_static|"*)
    cmake -S "$SCRATCH/src" -B "$PRODUCT" \
        -DCMAKE_TOOLCHAIN_FILE="$SCRATCH/src/cmake/toolchain-i686.cmake" >/dev/null ;;
*) PRODUCT="" ;;
esac
build() {
    cmake --build "$BUILD" -j "$(nproc)" || return
    [ -n "$PRODUCT" ] || return 0
    cmake --install "$BUILD" --prefix "$BUILD/dist" >/dev/null &&
        cmake --build "$PRODUCT" -j "$(nproc)" &&
        cmake --install "$PRODUCT" --prefix "$SCRATCH/src/dist" >/dev/null
}
build >/dev/null

KESTRUNE_BUILD="$BUILD"
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$BUILD"
. "$ROOT/scripts/xvfb.sh"
KESTRUNE_SCREEN=2560x1600x24 kestrune_start_xvfb
trap '"$WINESERVER" -k || true; kill "$KESTRUNE_XVFB_PID" 2>/dev/null || true' EXIT
"$WINESERVER" -p || true
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
"$WINE" explorer.exe /desktop >/dev/null 2>&1 </dev/null &

# A plant counts as caught only when its entry passes without it.
if ! (cd "$BUILD" && ctest -R "^($entries)\$" --timeout 900 --output-on-failure >"$SCRATCH/unplanted.log" 2>&1); then
    echo "the entries fail without any plant (see build/planted/unplanted.log)"
    exit 1
fi

missed=0
for patch in "$@"; do
    patch=$(realpath "$patch")
    name=$(basename "$patch" .patch)
    entry=$(catches "$patch")
    if ! (cd "$SCRATCH/src" && git apply "$patch"); then
        echo "$name: does not apply"
        missed=$((missed + 1))
        continue
    fi
    if ! build >"$SCRATCH/$name.build.log" 2>&1; then
        echo "$name: planted build failed (see build/planted/$name.build.log)"
        missed=$((missed + 1))
    elif (cd "$BUILD" && ctest -R "^$entry\$" --timeout 900 --output-on-failure >"$SCRATCH/$name.log" 2>&1); then
        echo "$name: MISSED by $entry"
        missed=$((missed + 1))
    else
        echo "$name: caught by $entry"
    fi
    (cd "$SCRATCH/src" && git apply -R "$patch")
done
build >/dev/null
echo "$missed plant(s) not caught"
[ "$missed" = 0 ]

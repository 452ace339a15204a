#!/bin/sh
# Installs what is missing, then builds the product (i686, into dist/) and the x86_64 build.
# Pass "tests" to build the test executables too, "bench" for the tests and the benchmarks.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/setup.sh"
JOBS=$(nproc)
TESTS=OFF
BENCH=OFF
[ "$1" = tests ] && TESTS=ON
[ "$1" = bench ] && TESTS=ON && BENCH=ON

# A tree configured with another compiler than the toolchain names keeps it: start that one anew.
if [ -f "$ROOT/build/i686/CMakeCache.txt" ] &&
    ! grep -qs 'g++-win32' "$ROOT"/build/i686/CMakeFiles/*/CMakeCXXCompiler.cmake; then
    rm -rf "$ROOT/build/i686"
fi
cmake -S "$ROOT" -B "$ROOT/build/i686" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686.cmake" >/dev/null
cmake --build "$ROOT/build/i686" -j "$JOBS"
cmake --install "$ROOT/build/i686" --prefix "$ROOT/dist" >/dev/null

set -- -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-x86_64.cmake"
[ "$TESTS" = ON ] && set -- "$@" -DKESTRUNE_TESTS=ON -DKESTRUNE_BENCH=$BENCH
cmake -S "$ROOT" -B "$ROOT/build/x86_64" "$@" >/dev/null
cmake --build "$ROOT/build/x86_64" -j "$JOBS"
cmake --install "$ROOT/build/x86_64" --prefix "$ROOT/build/x86_64/dist" >/dev/null

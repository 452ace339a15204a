#!/bin/sh
# Builds the crash-dump header reader's tests natively with g++ (address and undefined-behaviour
# sanitizers on, so a read past a buffer fails the run) and runs them.
# Usage: scripts/dumpinfo_native_test.sh [gtest arguments...]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${KESTRUNE_BUILD_DIR:-/tmp/kestrune-dumpinfo-native}
mkdir -p "$OUT"
CXX=${CXX:-g++}
FLAGS="-std=c++17 -g -O1 -Wall -Wextra -Werror -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

if [ -f /usr/lib/x86_64-linux-gnu/libgtest.a ] && [ -f /usr/lib/x86_64-linux-gnu/libgtest_main.a ]; then
    GTEST="-lgtest_main -lgtest"
else
    GT=/usr/src/googletest/googletest
    if [ ! -f "$OUT/gtest-all.o" ]; then
        $CXX -std=c++17 -O1 -I"$GT/include" -I"$GT" -c "$GT/src/gtest-all.cc" -o "$OUT/gtest-all.o"
        $CXX -std=c++17 -O1 -I"$GT/include" -I"$GT" -c "$GT/src/gtest_main.cc" -o "$OUT/gtest_main.o"
    fi
    GTEST="$OUT/gtest_main.o $OUT/gtest-all.o"
    FLAGS="$FLAGS -isystem $GT/include"
fi

$CXX $FLAGS -o "$OUT/dumpinfo_test" "$ROOT/tests/dumpinfo_test.cpp" \
    "$ROOT/dumpinfo/CrashDumpHeader.cpp" "$ROOT/dumpinfo/BugCheckNames.cpp" $GTEST -pthread
exec "$OUT/dumpinfo_test" "$@"

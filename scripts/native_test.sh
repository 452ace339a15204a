#!/bin/sh
# Builds the unit tests of a part that uses no Windows headers natively with g++ (address and
# undefined-behaviour sanitizers on, so a read past a buffer fails the run) and runs them.
# Usage: scripts/native_test.sh crypto|dumpinfo [gtest arguments...]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
PART=$1
shift
case "$PART" in
    crypto) SOURCES="crypto/AesCipher.cpp crypto/Base64.cpp crypto/DeviceValue.cpp tests/DeviceValueEncoder.cpp" ;;
    dumpinfo) SOURCES="dumpinfo/CrashDumpHeader.cpp dumpinfo/BugCheckNames.cpp dumpinfo/TriageDump.cpp dumpinfo/CrashSummaryText.cpp" ;;
    *) echo "unknown part: $PART" >&2; exit 2 ;;
esac
OUT=${KESTRUNE_BUILD_DIR:-/tmp/kestrune-$PART-native}
mkdir -p "$OUT"
CXX=${CXX:-g++}
FLAGS="-DKESTRUNE_SHARED_DUMPS=\"$ROOT/../shared/dumps\" -std=c++17 -g -O1 -Wall -Wextra -Werror -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

if [ -f /usr/lib/x86_64-linux-gnu/libgtest.a ] && [ -f /usr/lib/x86_64-linux-gnu/libgtest_main.a ]; then
    GTEST="-lgtest_main -lgtest"
else
    # No packaged library: build GoogleTest from the Debian sources once.
    GT=/usr/src/googletest/googletest
    if [ ! -f "$OUT/gtest-all.o" ]; then
        $CXX -std=c++17 -O1 -I"$GT/include" -I"$GT" -c "$GT/src/gtest-all.cc" -o "$OUT/gtest-all.o"
        $CXX -std=c++17 -O1 -I"$GT/include" -I"$GT" -c "$GT/src/gtest_main.cc" -o "$OUT/gtest_main.o"
    fi
    GTEST="$OUT/gtest_main.o $OUT/gtest-all.o"
    FLAGS="$FLAGS -isystem $GT/include"
fi

$CXX $FLAGS -o "$OUT/${PART}_test" "$ROOT/tests/${PART}_test.cpp" \
    $(for source in $SOURCES; do echo "$ROOT/$source"; done) $GTEST -pthread
exec "$OUT/${PART}_test" "$@"

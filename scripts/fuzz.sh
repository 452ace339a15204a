#!/bin/sh
# Builds the DecodeDeviceValue fuzz target natively with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs it.
# Usage: scripts/fuzz.sh [runs]   (default 1000000); exits non-zero on a finding.
set -eu
RUNS=${1:-1000000}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${KESTRUNE_BUILD_DIR:-/tmp/kestrune-fuzz}
mkdir -p "$OUT/corpus" "$OUT/artifacts"
CXX=${CXX:-clang++}

$CXX -std=c++17 -g -O1 -Wall -Wextra -Werror \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -o "$OUT/fuzz_decode" \
    "$ROOT/tests/fuzz_decode.cpp" "$ROOT/crypto/AesCipher.cpp" \
    "$ROOT/crypto/Base64.cpp" "$ROOT/crypto/DeviceValue.cpp"

# Seeds: output sizes around the limits and texts in the shapes the decoder knows.
seed() { printf "$2" > "$OUT/corpus/$1"; }
seed short '\021\000QUJD'
seed padded '\041\000Zm9vYmFyZg=='
seed prefix '\000\004+ 6g1zkQkA1kC0hyqPlL/9Ug=='
seed partial '\100\000Zm9vQQ'
seed cr '\100\000\rZm9v'
seed pad3 '\100\000Zg=AZm9v'

cd "$OUT"
"$OUT/fuzz_decode" -runs="$RUNS" -max_len=300 -print_final_stats=1 \
    -artifact_prefix="$OUT/artifacts/" "$OUT/corpus"

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

# Starting corpus: output sizes around the limits and texts in the shapes the decoder knows.
corpus_entry() { printf "$2" > "$OUT/corpus/$1"; }
corpus_entry short '\021\000QUJD'
corpus_entry padded '\041\000Zm9vYmFyZg=='
corpus_entry prefix '\000\004+ 6g1zkQkA1kC0hyqPlL/9Ug=='
corpus_entry partial '\100\000Zm9vQQ'
corpus_entry cr '\100\000\rZm9v'
corpus_entry pad3 '\100\000Zg=AZm9v'

cd "$OUT"
"$OUT/fuzz_decode" -runs="$RUNS" -max_len=300 -print_final_stats=1 \
    -artifact_prefix="$OUT/artifacts/" "$OUT/corpus"

#!/bin/sh
# Builds the crash-dump header parser's fuzz target natively with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs it.
# Usage: scripts/fuzz_dumpinfo.sh [runs]   (default 1000000); exits non-zero on a finding.
set -eu
RUNS=${1:-1000000}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${KESTRUNE_BUILD_DIR:-/tmp/kestrune-fuzz-dumpinfo}
mkdir -p "$OUT/corpus" "$OUT/artifacts"
CXX=${CXX:-clang++}

$CXX -std=c++17 -g -O1 -Wall -Wextra -Werror \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -o "$OUT/fuzz_dumpinfo" \
    "$ROOT/tests/fuzz_dumpinfo.cpp" "$ROOT/dumpinfo/CrashDumpHeader.cpp" \
    "$ROOT/dumpinfo/BugCheckNames.cpp"

# Starting corpus: both signatures on headers one byte short and whole, and a foreign one.
python3 - "$OUT/corpus" <<'PY'
import sys
out = sys.argv[1]
for name, signature, size in (("dump32", b"PAGEDUMP", 0x1000), ("dump64", b"PAGEDU64", 0x2000)):
    body = signature + bytes((i * 7) & 0xFF for i in range(8, size))
    open(f"{out}/{name}", "wb").write(body)
    open(f"{out}/{name}-short", "wb").write(body[:-1])
open(f"{out}/minidump", "wb").write(b"MDMP\x93\xa7" + bytes(64))
PY

cd "$OUT"
"$OUT/fuzz_dumpinfo" -runs="$RUNS" -max_len=8300 -print_final_stats=1 \
    -artifact_prefix="$OUT/artifacts/" "$OUT/corpus"

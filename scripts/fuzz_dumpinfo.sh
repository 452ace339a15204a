#!/bin/sh
# Builds the crash-dump reader's fuzz target natively with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it, with no allocation above 64 MiB.
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
    "$ROOT/dumpinfo/BugCheckNames.cpp" "$ROOT/dumpinfo/TriageDump.cpp" \
    "$ROOT/dumpinfo/CrashSummaryText.cpp"

# Starting corpus: both headers one byte short and whole, a foreign signature, and small dumps
# of both widths whose stack, instruction pointer and drivers all meet, so that mutations start
# from every path of the triage reader.
python3 - "$OUT/corpus" <<'PY'
import struct, sys
out = sys.argv[1]
def header(is64, size, dump_type):
    body = bytearray((i * 7) & 0xFF for i in range(size))
    body[0:8] = b"PAGEDU64" if is64 else b"PAGEDUMP"
    struct.pack_into("<I", body, 0xF98 if is64 else 0xF88, dump_type)
    struct.pack_into("<I", body, 0x30 if is64 else 0x20, 0x8664 if is64 else 0x14C)
    struct.pack_into("<I", body, 0x38 if is64 else 0x28, 0x1000007E)
    return body
for name, is64, size in (("dump32", False, 0x1000), ("dump64", True, 0x2000)):
    body = header(is64, size, 1)
    open(f"{out}/{name}", "wb").write(body)
    open(f"{out}/{name}-short", "wb").write(body[:-1])
    ptr, entry, fmt = (8, 0x90, "<Q") if is64 else (4, 0x4C, "<I")
    names = ["\\SystemRoot\\system32\\ntoskrnl.exe", "\\SystemRoot\\system32\\hal.dll",
             "\\SystemRoot\\System32\\drivers\\amdppm.sys"]
    bases = [0xFFFFF80002800000 + i * 0x1000000 for i in range(3)]
    body = header(is64, size, 4) + bytes(0x100)
    block, stack = size, size + 0x100
    stack_values = [bases[2] + 0x40, bases[0] + 8] * 4
    for value in stack_values:
        body += struct.pack(fmt, value & ((1 << (8 * ptr)) - 1))
    driver_list = len(body)
    pool = driver_list + entry * len(names)
    body += bytes(entry * len(names))
    for i, path in enumerate(names):
        struct.pack_into("<I", body, driver_list + i * entry, len(body))
        struct.pack_into(fmt, body, driver_list + i * entry + (0x38 if is64 else 0x1C), bases[i] & ((1 << (8 * ptr)) - 1))
        struct.pack_into("<I", body, driver_list + i * entry + (0x48 if is64 else 0x24), 0x100000)
        body += struct.pack("<I", len(path)) + path.encode("utf-16-le") + bytes(2)
    context = 0x348 if is64 else 0x320
    struct.pack_into(fmt, body, context + (0xF8 if is64 else 0xB8), (bases[0] + 0x20) & ((1 << (8 * ptr)) - 1))
    struct.pack_into("<7I", body, block + 0x08, len(body), context, 0, 0, 0, 0, 0)
    struct.pack_into("<6I", body, block + 0x28, stack, ptr * len(stack_values), driver_list,
                     len(names), pool, len(body) - pool)
    body += b"TRGD"
    body += bytes(max(0, 0x4000 - len(body)))
    open(f"{out}/triage-{name}", "wb").write(body)
open(f"{out}/minidump", "wb").write(b"MDMP\x93\xa7" + bytes(64))
PY

cd "$OUT"
"$OUT/fuzz_dumpinfo" -runs="$RUNS" -max_len=32768 -malloc_limit_mb=64 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$OUT/artifacts/" "$OUT/corpus"

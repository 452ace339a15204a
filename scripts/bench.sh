#!/bin/sh
# Builds everything and prints the benchmark figures (each against its baseline, one run).
# scripts/bench-startup.sh runs the start-up figure alone.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/build.sh" tests >/dev/null
BUILD="$ROOT/build/x86_64"
KESTRUNE_BUILD="$BUILD"
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$BUILD"
. "$ROOT/scripts/xvfb.sh"
kestrune_start_xvfb
"$WINESERVER" -p || true
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr)"
"$BUILD/wine-run.sh" "$BUILD/bin/kestrune_bench.exe" | tr -d '\r'
"$BUILD/wine-run.sh" "$BUILD/bin/startup_bench.exe" 5 </dev/null | tr -d '\r'
echo "module sizes (bytes):"
for f in "$ROOT"/dist/*.exe "$ROOT"/dist/*.dll "$BUILD"/dist/*.exe "$BUILD"/dist/*.dll; do
    [ -f "$f" ] && printf '  %-60s %10d\n' "${f#$ROOT/}" "$(stat -c %s "$f")"
done
"$WINESERVER" -k || true
kill "$KESTRUNE_XVFB_PID" 2>/dev/null || true

#!/bin/sh
# Builds everything and prints the benchmark figures, each measured in this one run against its
# baseline on this machine, with the ratio. The tests never run it.
# scripts/bench-startup.sh runs the start-up, working-set and idle figures alone; names given to
# this script (runner set log export summary) run just those figures of the first program.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
echo "building the product (i686) and the x86_64 test build ..."
"$ROOT/scripts/build.sh" bench >/dev/null
BUILD="$ROOT/build/x86_64"
KESTRUNE_BUILD="$BUILD"
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$BUILD"
. "$ROOT/scripts/xvfb.sh"
kestrune_start_xvfb
cleanup() {
    "$WINESERVER" -k 2>/dev/null || true
    kill "$KESTRUNE_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 1' INT TERM
# From here on a failed figure is reported and the others still run.
set +e
"$WINESERVER" -p
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr), $("$WINE" --version 2>/dev/null)"
echo "each line: Kestrune, its baseline, ratio Kestrune / baseline (start-up and memory: the window pair alone)"
# Streams a benchmark program's lines and says so when it failed.
run_bench() {
    status=$(mktemp)
    { "$BUILD/wine-run.sh" "$@" </dev/null; echo $? >"$status"; } | tr -d '\r'
    [ "$(cat "$status")" = 0 ] || echo "$(basename "$1") failed with status $(cat "$status")"
    rm -f "$status"
}
run_bench "$BUILD/bin/kestrune_bench.exe" "$@"
[ $# -gt 0 ] || run_bench "$BUILD/bin/startup_bench.exe" 15 30

echo "module sizes in bytes (PE32: dist/, PE32+: build/x86_64/dist/):"
printf '  %-32s %12s %12s %11s\n' module PE32 PE32+ PE32/PE32+
for name in Kestrune.exe OrlaviFeedbackInformation.dll; do
    small=$(stat -c %s "$ROOT/dist/$name" 2>/dev/null || echo 0)
    large=$(stat -c %s "$BUILD/dist/$name" 2>/dev/null || echo 0)
    awk -v n="$name" -v a="$small" -v b="$large" 'BEGIN {
        printf "  %-32s %12d %12d %11s\n", n, a, b, (b > 0 ? sprintf("%.2f", a / b) : "n/a") }'
done
exit 0

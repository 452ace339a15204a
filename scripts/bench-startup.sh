#!/bin/sh
# Kestrune.exe against a bare Win32 window program, both measured in one Wine run: start-up to
# the first painted frame, working set after start, CPU time while idle.
# Usage: scripts/bench-startup.sh <x86_64 test build> [runs] [idle seconds]
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
KESTRUNE_BUILD=${1:?x86_64 build tree configured with -DKESTRUNE_TESTS=ON}
RUNS=${2:-15}
IDLE=${3:-30}
cmake -S "$ROOT" -B "$KESTRUNE_BUILD" -DKESTRUNE_BENCH=ON >/dev/null
cmake --build "$KESTRUNE_BUILD" --target startup_bench >/dev/null
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$KESTRUNE_BUILD"
. "$ROOT/scripts/xvfb.sh"
started=""
if [ -z "$DISPLAY" ]; then
    kestrune_start_xvfb
    started=yes
fi
# A Wine session bound to another X server would keep that screen: start afresh, end after.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w
"$KESTRUNE_BUILD/wine-run.sh" "$KESTRUNE_BUILD/bin/startup_bench.exe" "$RUNS" "$IDLE" </dev/null | tr -d '\r'
"$WINESERVER" -k 2>/dev/null || true
[ -n "$started" ] && kill "$KESTRUNE_XVFB_PID" 2>/dev/null
exit 0

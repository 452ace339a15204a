#!/bin/sh
# Builds both targets with the tests and runs every test under wine64, on a private Xvfb.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/build.sh" tests
BUILD="$ROOT/build/x86_64"
KESTRUNE_BUILD="$BUILD"
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$BUILD"
. "$ROOT/scripts/xvfb.sh"
KESTRUNE_SCREEN=2560x1600x24 kestrune_start_xvfb
# One wineserver for the whole run: every Wine process start is then cheaper.
"$WINESERVER" -p || true  # already running is fine
# Wine's background services start with the first process; start them here, away from ctest's
# output pipes, which they would otherwise hold open after the tests end.
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
# So does the desktop process with the first window, and it lives as long as any window does: a
# suite that started it would keep ctest waiting on its output until the other suites end.
"$WINE" explorer.exe /desktop >/dev/null 2>&1 </dev/null &
status=0
# A failed suite fails the run: a rerun would hide exactly the intermittent faults.
(cd "$BUILD" && ctest --output-on-failure -j "$(nproc)" --timeout 900) || status=$?
"$WINESERVER" -k || true
kill "$KESTRUNE_XVFB_PID" 2>/dev/null || true
exit $status

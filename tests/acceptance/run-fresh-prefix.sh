#!/bin/sh
# Runs a test executable ($2) in a Wine prefix made for this run alone, under build tree $1:
# nothing that earlier suites left in the shared prefix (registry, ToolLog, records) is seen.
set -e
BUILD=$1
EXE=$2
shift 2
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
RUN="$BUILD/acceptance"
rm -rf "$RUN"
mkdir -p "$RUN"
KESTRUNE_BUILD="$RUN"
# Its own X screen with a compositing manager, as on Windows: the layered windows' soft shadows
# are blended over the desktop instead of showing as black rims. Started before anything of Wine.
. "$ROOT/scripts/xvfb.sh"
KESTRUNE_SCREEN=1280x1024x24 kestrune_start_xvfb
xcompmgr -n >/dev/null 2>&1 &
COMPOSITOR_PID=$!
trap 'kill "$COMPOSITOR_PID" "$KESTRUNE_XVFB_PID" 2>/dev/null || true' EXIT
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$RUN"
"$WINESERVER" -p || true
# Wine's services start with the first process: away from ctest's pipes.
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
# So does the desktop process with the first window, and it lives as long as any window does: a
# suite that started it would keep ctest waiting on its output until the other suites end.
"$WINE" explorer.exe /desktop >/dev/null 2>&1 </dev/null &
export KESTRUNE_SCREENSHOT_DIR="$BUILD/screenshots/acceptance"
rm -rf "$KESTRUNE_SCREENSHOT_DIR"
mkdir -p "$KESTRUNE_SCREENSHOT_DIR"
status=0
"$WINE" "$EXE" "$@" || status=$?
"$WINESERVER" -k || true
exit $status

#!/bin/sh
# The README's picture of the crash summary: the copy that the last acceptance run kept of its
# export's "蓝屏摘要.txt", opened in the test prefix's Notepad at a size that fits its lines.
# Usage: scripts/screenshot-summary.sh [output png]   (after ./scripts/test.sh)
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
KESTRUNE_BUILD="$ROOT/build/x86_64"
SUMMARY="$KESTRUNE_BUILD/screenshots/acceptance/summary.txt"
OUT=${1:-$ROOT/docs/screenshots/summary-notepad.png}
[ -f "$SUMMARY" ] || { echo "missing: $SUMMARY (run ./scripts/test.sh first)"; exit 1; }
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$KESTRUNE_BUILD"
. "$ROOT/scripts/xvfb.sh"
KESTRUNE_SCREEN=1280x1024x24 kestrune_start_xvfb
trap '"$WINESERVER" -k 2>/dev/null || true; kill "$KESTRUNE_XVFB_PID" 2>/dev/null || true' EXIT
"$WINESERVER" -k 2>/dev/null || true  # a session of another X server keeps that screen
"$WINESERVER" -w
"$WINESERVER" -p
"$WINE" explorer.exe /desktop >/dev/null 2>&1 </dev/null &
cp "$SUMMARY" "$WINEPREFIX/drive_c/蓝屏摘要.txt"
"$WINE" notepad.exe 'C:\蓝屏摘要.txt' >/dev/null 2>&1 </dev/null &
window=""
for i in $(seq 1 60); do
    window=$(xdotool search --name '蓝屏摘要' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.5
done
[ -n "$window" ] || { echo "Notepad did not open the summary"; exit 1; }
# Wide enough for the longest line, tall enough for the first blocks.
xdotool windowsize "$window" 1180 760
xdotool windowmove "$window" 0 0
sleep 3  # no window manager: nothing tells when Notepad has repainted at its new size
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$OUT"
echo "$OUT"

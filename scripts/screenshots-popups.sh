#!/bin/sh
# Screenshots of the prompt (a long message on two lines) and of the busy popup with its dots at
# two moments, both over the real main frame, under a private Xvfb: popups-prompt.png,
# popups-busy-early.png (no dots yet), popups-busy-later.png (two dots).
# Usage: scripts/screenshots-popups.sh <x86_64 build tree with tests> [output folder]
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
KESTRUNE_BUILD=${1:?build tree}
OUT=${2:-/tmp/kestrune-shots}
mkdir -p "$OUT"
cmake -S "$ROOT" -B "$KESTRUNE_BUILD" -DKESTRUNE_BENCH=ON >/dev/null
cmake --build "$KESTRUNE_BUILD" --target popups_demo OrlaviFeedbackInformation >/dev/null
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$KESTRUNE_BUILD"
. "$ROOT/scripts/xvfb.sh"
KESTRUNE_SCREEN=1024x768x24 kestrune_start_xvfb
# A Wine session left over from another X server would keep that screen's size: start afresh.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w
rm -f "$OUT"/popups-*.png
# The demo shows the popups once the tool has settled, shoots them and ends (about 20 s).
KESTRUNE_SCREENSHOT_DIR="$OUT" "$WINE" "$KESTRUNE_BUILD/bin/popups_demo.exe" >/dev/null 2>&1 || true
"$WINESERVER" -k 2>/dev/null || true
kill "$KESTRUNE_XVFB_PID" 2>/dev/null || true
status=0
for shot in popups-prompt popups-busy-early popups-busy-later; do
    if [ -f "$OUT/$shot.png" ]; then echo "$OUT/$shot.png"; else echo "missing: $shot"; status=1; fi
done
exit $status

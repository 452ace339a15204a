#!/bin/sh
# Builds the tool and runs the x86_64 build under wine64 from a folder of its own on C: of the
# private prefix; on a private Xvfb when there is no display, leaving a screenshot.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/build.sh"
BUILD="$ROOT/build/x86_64"
KESTRUNE_BUILD="$BUILD"
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$BUILD"
TOOL_DIR="$WINEPREFIX/drive_c/Kestrune"
mkdir -p "$TOOL_DIR"
cp "$BUILD"/dist/*.exe "$TOOL_DIR/"
ls "$BUILD"/dist/*.dll >/dev/null 2>&1 && cp "$BUILD"/dist/*.dll "$TOOL_DIR/"
. "$ROOT/scripts/xvfb.sh"
if [ -z "$DISPLAY" ]; then
    kestrune_start_xvfb
    # A compositing manager blends the layered windows' shadows as Windows does.
    xcompmgr -n >/dev/null 2>&1 &
    COMPOSITOR_PID=$!
    "$WINE" 'C:\Kestrune\Kestrune.exe' &
    sleep "${KESTRUNE_SHOT_DELAY:-6}"
    import -window root "$ROOT/build/screenshot.png"
    echo "screenshot: build/screenshot.png"
    "$WINESERVER" -k || true
    kill "$COMPOSITOR_PID" "$KESTRUNE_XVFB_PID" 2>/dev/null || true
else
    "$WINE" 'C:\Kestrune\Kestrune.exe'
fi

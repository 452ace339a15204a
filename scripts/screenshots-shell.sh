#!/bin/sh
# Screenshots of the main frame with its control layer at 96 and 144 dpi, under Xvfb: the frame,
# an image button hovered and pressed, the check box ticked and unticked, the labels.
# Usage: scripts/screenshots-shell.sh <x86_64 build tree> [output folder]
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
KESTRUNE_BUILD=${1:?build tree}
OUT=${2:-/tmp/kestrune-shots}
mkdir -p "$OUT"
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$KESTRUNE_BUILD"
. "$ROOT/scripts/xvfb.sh"
KESTRUNE_SCREEN=2560x1600x24 kestrune_start_xvfb
# A Wine session left over from another X server would keep that screen's size: start afresh.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w
"$WINESERVER" -p
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null

TOOL="$WINEPREFIX/drive_c/kestrune-shots/Kestrune"
# x + trunc(a * s) in the tool's arithmetic.
at() { awk -v b="$1" -v a="$2" -v s="$3" 'BEGIN { printf "%d", b + int(a * s) }'; }

for dpi in 96 144; do
    "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
    s=$(awk -v d=$dpi 'BEGIN { printf "%.9f", (d > 100) ? d / 100.0 : 1.0 }')
    rm -rf "$TOOL"
    mkdir -p "$TOOL"
    cp "$KESTRUNE_BUILD"/bin/Kestrune.exe "$KESTRUNE_BUILD"/bin/OrlaviFeedbackInformation.dll "$TOOL/"
    "$WINE" 'C:\kestrune-shots\Kestrune\Kestrune.exe' >/dev/null 2>&1 &
    frame=""
    for i in $(seq 1 40); do
        frame=$(xdotool search --name '^Kestrune$' 2>/dev/null | head -1) && [ -n "$frame" ] && break
        sleep 0.5
    done
    [ -n "$frame" ] || { echo "no frame at $dpi dpi"; exit 1; }
    sleep 3
    eval "$(xdotool getwindowgeometry --shell "$frame")"
    crop="${WIDTH}x${HEIGHT}+${X}+${Y}"
    px=$(at "$X" 5 "$s"); py=$(at "$Y" 4 "$s")
    ph=$((HEIGHT - $(at 0 4 "$s") - $(at 0 7 "$s")))
    shot() { import -window root -crop "$crop" "$OUT/shell-$dpi-$1.png"; echo "$OUT/shell-$dpi-$1.png"; }

    shot frame
    # The export button ("导出蓝屏文件"), centre of its 168 x 47 design rectangle at (200, 305).
    bx=$(at "$px" 284 "$s"); by=$(at "$py" 328 "$s")
    xdotool mousemove "$bx" "$by"; sleep 1; shot export-hover
    xdotool mousedown 1; sleep 1; shot export-pressed
    # Released away from the button: no click.
    xdotool mousemove "$px" "$((py + ph - 5))"; xdotool mouseup 1; sleep 1
    # The agreement check box: ticked at start; a click unticks it (and disables "设置").
    cx=$(at "$px" 16 "$s"); cy=$(at "$((py + ph))" -15 "$s")
    xdotool mousemove "$cx" "$cy" click 1; sleep 1
    # Pointer over the agreement link: its hover colour.
    lx=$(at "$px" 120 "$s"); xdotool mousemove "$lx" "$cy"; sleep 1; shot unticked-link-hover
    xdotool mousemove "$cx" "$cy" click 1; sleep 1
    xdotool mousemove "$px" "$((py + ph / 2))"; sleep 1; shot ticked
    # The close button ends the tool in order (its folder is removed afterwards).
    xdotool mousemove "$(at "$px" 384 "$s")" "$(at "$py" 17 "$s")" click 1
    # Without a window manager Wine waits up to two seconds for each window it hides.
    for i in $(seq 1 60); do
        pgrep -f 'kestrune-shots.Kestrune.Kestrune.exe' >/dev/null || break
        sleep 0.5
    done
    if pgrep -f 'kestrune-shots.Kestrune.Kestrune.exe' >/dev/null; then
        echo "the close button did not end the tool at $dpi dpi"
        exit 1
    fi
    sleep 5
    [ -e "$TOOL" ] && echo "note: $TOOL is still there after the exit"
done
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
"$WINESERVER" -k || true
kill "$KESTRUNE_XVFB_PID" 2>/dev/null || true

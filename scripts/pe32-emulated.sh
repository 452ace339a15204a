#!/bin/bash
# Best-effort smoke run of the shipped PE32 build (dist/) under qemu-i386 and 32-bit Wine: start,
# panel, screenshot, one dump type set, close. These machines run no 32-bit code natively and the
# emulated loader is unreliable, so this is never a gate: it says what happened at each step and
# ends with status 0 unless its own set-up failed. Needs root (apt, binfmt_misc).
# The qemu-i386 binfmt entry is on only for this run (the first creation of the private prefix
# under build/pe32-emu, then the tool): with it on, every new Wine prefix on the machine also sets
# up its 32-bit side under emulation (80 s instead of 7 s).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT="$ROOT/build/pe32-emu"
ATTEMPTS=${KESTRUNE_PE32_ATTEMPTS:-3}
START_TIMEOUT=${KESTRUNE_PE32_START_TIMEOUT:-480}
STEP_TIMEOUT=${KESTRUNE_PE32_STEP_TIMEOUT:-240}
BINFMT=/proc/sys/fs/binfmt_misc
ENTRY="$BINFMT/qemu-i386"
# i386 ELF executables and shared objects (e_type 2 and 3), the interpreter opened at
# registration (F) so that it is found inside any mount namespace.
ENTRY_RULE=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F'
TOOL_DIR_WIN='C:\pe32-smoke\Kestrune'
MANIFEST_WIN='C:\pe32-smoke\manifest.txt'
WINE32=/usr/lib/wine/wine

say() { echo "[pe32 $(date -u +%H:%M:%S)] $*"; }
setup_failed() {
    say "SET-UP FAILED: $*"
    exit 1
}

[ "$(id -u)" = 0 ] || setup_failed "needs root (apt-get, binfmt_misc)"
for f in Kestrune.exe OrlaviFeedbackInformation.dll; do
    [ -f "$ROOT/dist/$f" ] || setup_failed "dist/$f is missing: run scripts/build.sh first"
done
file -b "$ROOT/dist/Kestrune.exe" | grep -q 'PE32 executable' ||
    setup_failed "dist/Kestrune.exe is not a PE32 executable: $(file -b "$ROOT/dist/Kestrune.exe")"

# --- packages --------------------------------------------------------------------------------
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "adding the i386 architecture to dpkg"
    dpkg --add-architecture i386 || setup_failed "dpkg --add-architecture i386"
fi
missing=""
for p in qemu-user-static wine32:i386 xvfb xdotool imagemagick; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    say "installing:$missing"
    apt-get update -qq || setup_failed "apt-get update"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing \
        >"$ROOT/build/pe32-apt.log" 2>&1 || setup_failed "apt-get install$missing (build/pe32-apt.log)"
fi
[ -x "$WINE32" ] || setup_failed "$WINE32 (the 32-bit loader) is missing after installing wine32"
[ -x /usr/bin/qemu-i386-static ] || setup_failed "/usr/bin/qemu-i386-static is missing"
say "packages: $(dpkg-query -W -f='${Package}:${Architecture} ${Version}' wine32:i386), $(dpkg-query -W -f='${Package} ${Version}' qemu-user-static)"

# --- the private prefix -----------------------------------------------------------------------
mkdir -p "$OUT"
KESTRUNE_BUILD="$OUT"
. "$ROOT/scripts/wine-env.sh"
[ -e "$ENTRY" ] && [ "$(head -n1 "$ENTRY")" = enabled ] &&
    say "note: the qemu-i386 binfmt entry was already enabled before this run"
say "prefix: $WINEPREFIX"
# The 32-bit loader needs the prefix's 32-bit side (syswow64), which Wine sets up only while it
# can run 32-bit code: a prefix made with emulation off fails with "could not load kernel32.dll".
# So a prefix without it is made once with emulation on (about 2 minutes) and then kept.
KERNEL32="$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll"

# The tool in a folder of its own on C:, pages logged, a local manifest; Windows 10; a crash
# dump value that no dump type writes, so that a change shows the tool's own write.
install_tool() {
    "$WINE" reg add 'HKCU\Software\Wine\AppDefaults\Kestrune.exe' /v Version /d win10 /f >/dev/null 2>&1
    "$WINE" reg add 'HKLM\SYSTEM\CurrentControlSet\Control\CrashControl' /v CrashDumpEnabled \
        /t REG_DWORD /d 9 /f >/dev/null 2>&1
    "$WINESERVER" -w
    SMOKE="$WINEPREFIX/drive_c/pe32-smoke"
    TOOL_DIR="$SMOKE/Kestrune"
    rm -rf "$SMOKE"
    mkdir -p "$TOOL_DIR"
    cp "$ROOT/dist/Kestrune.exe" "$ROOT/dist/OrlaviFeedbackInformation.dll" "$TOOL_DIR/" ||
        setup_failed "copying dist/ into $TOOL_DIR"
    printf '10107=1.3.22.1026\r\n' >"$SMOKE/manifest.txt"
    printf '[Update]\r\nManifest=%s\r\nTimeoutMs=2000\r\n[Urls]\r\nDownload=http://127.0.0.1:9/download\r\nAgreement=http://127.0.0.1:9/agreement\r\nFeedback=http://127.0.0.1:9/feedback?tool={tool}\r\nMoreTools=http://127.0.0.1:9/more\r\n[Shell]\r\nMode=log\r\n' \
        "$MANIFEST_WIN" >"$TOOL_DIR/OrlaviFeedbackInformation.ini"
    say "installed Kestrune.exe (PE32), OrlaviFeedbackInformation.dll and its INI (Mode=log, local manifest) into $TOOL_DIR_WIN"
}

# --- display ----------------------------------------------------------------------------------
. "$ROOT/scripts/xvfb.sh"
KESTRUNE_DISPLAY=${KESTRUNE_DISPLAY:-93}
kestrune_start_xvfb
say "private Xvfb on $DISPLAY"
SHOTS="$OUT/screenshots"
mkdir -p "$SHOTS"
rm -f "$SHOTS"/*.png

# --- emulation on, and off again on every way out ---------------------------------------------
entry_created=""
mounted=""
TOOL_PID=""
emulation_off() {
    if [ -e "$ENTRY" ]; then
        if [ -n "$entry_created" ]; then
            echo -1 >"$ENTRY" 2>/dev/null
        else
            echo 0 >"$ENTRY" 2>/dev/null
        fi
    fi
}
finish() {
    [ -n "$TOOL_PID" ] && kill "$TOOL_PID" 2>/dev/null
    "$WINESERVER" -k 2>/dev/null
    emulation_off
    kill "$KESTRUNE_XVFB_PID" 2>/dev/null
    if [ -e "$ENTRY" ]; then
        say "binfmt qemu-i386: $(head -n1 "$ENTRY") (switched off)"
    else
        say "binfmt qemu-i386: absent (removed)"
    fi
    # Left as found: a file system mounted only for this run goes again.
    [ -n "$mounted" ] && umount "$BINFMT" 2>/dev/null && say "binfmt_misc unmounted again"
}
trap finish EXIT
trap 'say "interrupted"; exit 0' INT TERM HUP

if [ ! -e "$BINFMT/register" ]; then
    mount -t binfmt_misc binfmt_misc "$BINFMT" || setup_failed "mounting binfmt_misc"
    mounted=yes
fi
if [ -e "$ENTRY" ]; then
    echo 1 >"$ENTRY" || setup_failed "enabling $ENTRY"
else
    printf '%s' "$ENTRY_RULE" >"$BINFMT/register" || setup_failed "registering qemu-i386"
    entry_created=yes
fi
say "binfmt qemu-i386: $(head -n1 "$ENTRY") (interpreter $(sed -n 's/^interpreter //p' "$ENTRY"))"

if [ ! -e "$KERNEL32" ]; then
    say "creating the prefix with its 32-bit side under emulation ..."
    begin=$(date +%s)
    rm -rf "$WINEPREFIX"
    "$ROOT/scripts/wine-prefix.sh" "$OUT" || setup_failed "creating the prefix $WINEPREFIX"
    if [ -e "$KERNEL32" ]; then
        say "prefix ready after $(($(date +%s) - begin)) s ($(ls "$WINEPREFIX/drive_c/windows/syswow64" | wc -l) files in syswow64)"
    else
        say "the new prefix has no syswow64\\kernel32.dll after $(($(date +%s) - begin)) s; trying anyway"
    fi
else
    say "the prefix and its 32-bit side exist already"
fi
install_tool

# --- driving the tool through X ---------------------------------------------------------------
# Visible top-level X windows of the tool: "id x y width height name" per line.
tool_windows() {
    for id in $(xdotool search --onlyvisible --class 'kestrune' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || continue
        echo "$id $X $Y $WIDTH $HEIGHT $(xdotool getwindowname "$id" 2>/dev/null)"
    done
}
tool_alive() { [ -n "$TOOL_PID" ] && kill -0 "$TOOL_PID" 2>/dev/null; }
shot() {
    import -window root "$SHOTS/$1.png" 2>/dev/null && say "screenshot: $SHOTS/$1.png" ||
        say "screenshot $1 failed"
}
# Waits (up to $1 s) until the command $2... succeeds while the tool runs: 0 when it did, 1 on
# timeout, 2 when the tool has ended.
wait_for() {
    local limit=$1
    shift
    local waited=0
    while [ "$waited" -lt "$limit" ]; do
        "$@" && return 0
        tool_alive || return 2
        sleep 3
        waited=$((waited + 3))
    done
    return 1
}
frame_line() { tool_windows | awk '$6 == "Kestrune"' | head -n1; }
frame_shown() { [ -n "$(frame_line)" ]; }
# The frame and its panel only: no busy popup, prompt or feedback popup over them.
panel_alone() {
    local lines
    lines=$(tool_windows)
    [ -n "$(echo "$lines" | awk '$6 == "Kestrune"')" ] && [ "$(echo "$lines" | grep -c .)" -le 2 ]
}
# A popup smaller than the frame: "id x y width height".
popup_line() {
    tool_windows | awk -v w="$1" -v h="$2" '$6 != "Kestrune" && $4 >= w - 20 && $4 <= w + 20 &&
        $5 >= h - 20 && $5 <= h + 20 { print $1, $2, $3, $4, $5; exit }'
}
list_line() {
    tool_windows | awk '$6 != "Kestrune" && $4 >= 260 && $4 <= 300 && $5 < 250 {
        print $1, $2, $3, $4, $5; exit }'
}
list_shown() { [ -n "$(list_line)" ]; }
list_gone() { [ -z "$(list_line)" ]; }
prompt_shown() { [ -n "$(popup_line 326 146)" ]; }
prompt_gone() { ! prompt_shown; }
feedback_shown() { [ -n "$(popup_line 400 469)" ]; }
click() { xdotool mousemove "$1" "$2" sleep 0.3 click 1; }
crash_dump_enabled() {
    "$WINE" reg query 'HKLM\SYSTEM\CurrentControlSet\Control\CrashControl' /v CrashDumpEnabled \
        2>/dev/null | tr -d '\r' | awk '/CrashDumpEnabled/ { print $3 }'
}
tool_log_tail() {
    say "last lines of the Wine output ($1):"
    tail -n 8 "$1" | sed 's/^/    /'
}

started=""
for attempt in $(seq 1 "$ATTEMPTS"); do
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
    run_log="$OUT/wine-attempt$attempt.log"
    say "attempt $attempt/$ATTEMPTS: starting $TOOL_DIR_WIN\\Kestrune.exe with $WINE32"
    begin=$(date +%s)
    (cd "$TOOL_DIR" && WINEDEBUG=-all,err+module exec "$WINE32" Kestrune.exe) >"$run_log" 2>&1 &
    TOOL_PID=$!
    wait_for "$START_TIMEOUT" frame_shown
    result=$?
    if [ "$result" = 0 ]; then
        say "started: the frame is on the screen after $(($(date +%s) - begin)) s"
        started=yes
        break
    fi
    if [ "$result" = 2 ]; then
        wait "$TOOL_PID"
        say "attempt $attempt: the loader ended with status $? after $(($(date +%s) - begin)) s, no window"
    else
        say "attempt $attempt: no window after ${START_TIMEOUT} s"
        shot "attempt$attempt-no-window"
        kill "$TOOL_PID" 2>/dev/null
        wait "$TOOL_PID" 2>/dev/null
    fi
    tool_log_tail "$run_log"
    TOOL_PID=""
done
if [ -z "$started" ]; then
    say "RESULT: the PE32 tool never showed a window in $ATTEMPTS attempts"
    exit 0
fi

# Start-up checks, update check and the dump probe under its busy popup come next.
if wait_for "$STEP_TIMEOUT" panel_alone; then
    sleep 3
    say "panel shown: the start-up probe has ended ($(($(date +%s) - begin)) s after the start)"
else
    say "panel not alone after ${STEP_TIMEOUT} s; windows now: $(tool_windows | tr '\n' ';')"
fi
shot 1-panel
tool_alive || { say "RESULT: the tool ended on its own after start"; tool_log_tail "$run_log"; exit 0; }

# Pick the second entry ("小内存转储", written as 3) in the drop-down list and press "设置":
# combo box at 60..340 x 270..290 and set button at 30..166 x 305..352 of the 400 x 600 panel.
read -r _ fx fy _ _ _ <<<"$(frame_line)"
say "frame at $fx,$fy; choosing 小内存转储 in the list"
# The open list is a window of its own as wide as the box, six entries high on Windows 10.
click $((fx + 200)) $((fy + 280))
wait_for "$STEP_TIMEOUT" list_shown
read -r _ lx ly lw lh <<<"$(list_line)"
if [ -n "${lh:-}" ]; then
    sleep 2
    click $((lx + lw / 2)) $((ly + lh * 3 / 12))
    wait_for "$STEP_TIMEOUT" list_gone
else
    say "the drop-down list did not open"
fi
sleep 4
shot 2-picked
say "pressing 设置"
click $((fx + 98)) $((fy + 328))
if wait_for "$STEP_TIMEOUT" prompt_shown; then
    sleep 3
    say "a prompt is shown after pressing 设置"
else
    say "no prompt within ${STEP_TIMEOUT} s after pressing 设置"
fi
shot 3-after-set
value=$(crash_dump_enabled)
case "$value" in
0x3) say "value set: CrashDumpEnabled = 0x3 (小内存转储)" ;;
0x9 | "") say "value NOT set: CrashDumpEnabled = ${value:-missing} (left at the value put there before the run)" ;;
*) say "value set, other entry: CrashDumpEnabled = $value" ;;
esac

# Confirm the prompt (its one button sits 107..131 below its top), then close through the
# panel's close button and answer the problem-solved popup with "其 他".
if prompt_shown; then
    read -r _ px py pw _ <<<"$(popup_line 326 146)"
    click $((px + pw / 2)) $((py + 119))
    wait_for "$STEP_TIMEOUT" prompt_gone
    sleep 3
fi
say "closing with the panel's close button"
click $((fx + 400 - 18)) $((fy + 17))
if wait_for "$STEP_TIMEOUT" feedback_shown; then
    sleep 3
    shot 4-feedback
    read -r _ bx by bw bh <<<"$(popup_line 400 469)"
    say "problem-solved popup shown; answering 其 他"
    click $((bx + bw / 2)) $((by + bh / 2 + 110))
else
    say "no problem-solved popup within ${STEP_TIMEOUT} s"
    shot 4-no-feedback
fi
wait_for "$STEP_TIMEOUT" false
if tool_alive; then
    say "RESULT: the tool did not end within ${STEP_TIMEOUT} s of closing; killed"
else
    wait "$TOOL_PID"
    code=$?
    say "exited with status $code"
    TOOL_PID=""
    sleep 8
    if [ -e "$TOOL_DIR" ]; then
        say "its folder $TOOL_DIR_WIN is still there (exit clean-up; the prefix has no timeout.exe)"
    else
        say "its folder $TOOL_DIR_WIN was removed by the exit clean-up"
    fi
    say "RESULT: started (attempt $attempt), panel shown, CrashDumpEnabled ${value:-missing} after 设置, closed with status $code"
fi
exit 0

#!/bin/sh
# Creates the private Wine prefix of a build tree ($1) once: Chinese fonts mapped, the shell
# folders real folders inside the prefix, never links into a home folder.
set -e
KESTRUNE_BUILD="$1"
. "$(dirname "$0")/wine-env.sh"
mkdir -p "$HOME"
exec 9>"$KESTRUNE_BUILD/wineprefix.lock"
flock 9
[ -f "$WINEPREFIX/.kestrune-ready" ] && exit 0
rm -rf "$WINEPREFIX"
"$WINE" wineboot -i >/dev/null 2>&1
"$WINESERVER" -w
for user in "$WINEPREFIX"/drive_c/users/*; do
    for link in "$user"/*; do
        if [ -L "$link" ]; then
            rm -f "$link"
            mkdir -p "$link"
        fi
    done
done
# Drive Z: is the whole Linux file system: keep it for the test executables, which run from the
# build tree, but nothing the product touches lies there.
reg=$(mktemp)
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    printf '"宋体"="WenQuanYi Micro Hei"\r\n"SimSun"="WenQuanYi Micro Hei"\r\n'
    printf '"新宋体"="WenQuanYi Micro Hei"\r\n"微软雅黑"="WenQuanYi Micro Hei"\r\n'
    printf '"MS Shell Dlg"="WenQuanYi Micro Hei"\r\n"MS Shell Dlg 2"="WenQuanYi Micro Hei"\r\n\r\n'
} | iconv -f UTF-8 -t UTF-16LE | { printf '\377\376'; cat; } > "$reg.reg"
"$WINE" regedit /S "$(echo "Z:$reg.reg" | sed 's|/|\\|g')" >/dev/null 2>&1
"$WINESERVER" -w
rm -f "$reg" "$reg.reg"
touch "$WINEPREFIX/.kestrune-ready"

#!/bin/sh
# Static checks of the shipped PE32 (dist/) and of the tested x86_64 build: machine type, GUI
# subsystem, only system DLLs imported, manifest and version block present, and the same
# resources (ids, dialog templates, images, manifest, version) in both builds.
# Usage: check-pe32.sh <dist of i686> <dist of x86_64>
set -u
I686="$1"
X64="$2"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

SYSTEM_DLLS="kernel32.dll user32.dll gdi32.dll shell32.dll advapi32.dll ole32.dll oleaut32.dll
comctl32.dll gdiplus.dll msvcrt.dll ntdll.dll shlwapi.dll winhttp.dll version.dll uxtheme.dll"

check_imports() {
    for dll in $($3 -p "$1" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z'); do
        case " $(echo $SYSTEM_DLLS) " in
            *" $dll "*) ;;
            *) fail "$2 imports $dll, which is not a system DLL" ;;
        esac
    done
}

check_module() {  # file, expected file(1) text, objdump
    [ -f "$1" ] || { fail "$1 missing"; return; }
    file "$1" | grep -q "$2" || fail "$1: $(file -b "$1"), expected $2"
    check_imports "$1" "$(basename "$1")" "$3"
}

check_module "$I686/Kestrune.exe" "PE32 executable (GUI) Intel 80386" i686-w64-mingw32-objdump
check_module "$X64/Kestrune.exe" "PE32+ executable (GUI) x86-64" x86_64-w64-mingw32-objdump

for exe in "$I686/Kestrune.exe" "$X64/Kestrune.exe"; do
    [ -f "$exe" ] || continue
    strings -a "$exe" | grep -q 'level="requireAdministrator"' || fail "$exe: no administrator manifest"
    strings -a "$exe" | grep -q '<dpiAware[^>]*>true' || fail "$exe: manifest not DPI aware"
    strings -a "$exe" | grep -q 'Microsoft.Windows.Common-Controls" version="6.0.0.0"' ||
        fail "$exe: manifest lacks common controls 6"
    strings -a -e l "$exe" | grep -q '^1\.3\.22\.1026$' || fail "$exe: no version 1.3.22.1026"
    strings -a -e l "$exe" | grep -q 'DrovanixKestrune' || fail "$exe: no product name"
done

# The PE32 must load on Windows XP SP3 to show its refusal there: every function it imports must
# be one that XP's 32-bit system DLLs export (xp-sp3-imports.txt names the source of each).
if [ -f "$I686/Kestrune.exe" ]; then
    list="$(dirname "$0")/xp-sp3-imports.txt"
    imports=$(i686-w64-mingw32-objdump -p "$I686/Kestrune.exe" |
        awk '/DLL Name:/ { dll = tolower($3); next } /^\t[0-9a-f]+\t +[0-9]+  / { print dll ":" $3 }')
    [ -n "$imports" ] || fail "Kestrune.exe (PE32): no imports read"
    for entry in $imports; do
        grep -q "^${entry%%:*} ${entry#*:} " "$list" ||
            fail "Kestrune.exe (PE32) imports ${entry#*:} from ${entry%%:*}, which Windows XP SP3 lacks"
    done
    echo "Kestrune.exe (PE32): $(echo "$imports" | wc -l) imported functions, all in Windows XP SP3"
    # The WOW64 branch never runs in the tested 64-bit build: the PE32 must carry it, with
    # IsWow64Process and the redirection pair looked up by name at run time, not imported.
    for fn in IsWow64Process Wow64DisableWow64FsRedirection Wow64RevertWow64FsRedirection; do
        strings -a "$I686/Kestrune.exe" | grep -qx "$fn" || fail "Kestrune.exe (PE32) never looks up $fn"
        echo "$imports" | grep -q ":$fn$" && fail "Kestrune.exe (PE32) imports $fn"
    done
    strings -a -e l "$I686/Kestrune.exe" | grep -q 'cmd /D /V:OFF /C $' ||
        fail "Kestrune.exe (PE32) lacks the command runners"
fi

# Test seams live in the x86_64 test build only: no shipped module names their variables.
for module in "$I686"/*; do
    for seam in KESTRUNE_GATE_SEAM KESTRUNE_LOG_TURN; do
        strings -a -e l "$module" 2>/dev/null | grep -q "$seam" && fail "$module holds $seam"
    done
done

# What the tests saw in the x86_64 build is what ships: every resource decompiled from both
# executables must be identical.
compare_resources() {  # file name
    [ -f "$I686/$1" ] && [ -f "$X64/$1" ] || return
    rc32=$(mktemp)
    rc64=$(mktemp)
    i686-w64-mingw32-windres -J coff -O rc "$I686/$1" >"$rc32" 2>&1 || fail "$1 (PE32): resources unreadable"
    x86_64-w64-mingw32-windres -J coff -O rc "$X64/$1" >"$rc64" 2>&1 || fail "$1 (PE32+): resources unreadable"
    if ! cmp -s "$rc32" "$rc64"; then
        fail "$1: the PE32 and PE32+ resources differ"
        diff "$rc32" "$rc64" | head -20
    fi
    echo "$1: $(grep -c 'DIALOGEX' "$rc32") dialog templates, $(grep -c '"PNG"$' "$rc32") images, $(grep -c 'RT_MANIFEST' "$rc32") manifest, identical in both builds"
    rm -f "$rc32" "$rc64"
}
compare_resources Kestrune.exe
[ "$(i686-w64-mingw32-windres -J coff -O rc "$I686/Kestrune.exe" 2>/dev/null | grep -c '^137 DIALOGEX')" = 1 ] ||
    fail "Kestrune.exe (PE32): no panel template 137"

# The companion library of both builds exports exactly the eleven names.
EXPORTS="CustomerFeedback CustomerFeedbackEx FeedbackQuestion GetInterNetState GetToolIsNewVersion
GetToolIsNewVersionDown InitFreedbackDll OpenToolDownUrl OpenUrl OpenUseAgreementUrl
WriteCustomerFeedbackInfoFile"
for pair in "$I686:i686" "$X64:x86_64"; do
    dll="${pair%:*}/OrlaviFeedbackInformation.dll"
    [ -f "$dll" ] || { fail "$dll missing"; continue; }
    names=$(${pair#*:}-w64-mingw32-objdump -p "$dll" |
        sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n '2,$s/^.*\] //p' | sort | tr '\n' ' ')
    [ "$names" = "$(echo $EXPORTS | tr ' ' '\n' | sort | tr '\n' ' ')" ] ||
        fail "$dll exports: $names"
done

[ $failures -eq 0 ] && echo "static checks passed"
exit $failures

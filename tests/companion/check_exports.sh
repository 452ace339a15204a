#!/bin/sh
# The companion library exports exactly the eleven undecorated names and imports only system DLLs.
# Usage: check_exports.sh DLL... [--if-present DLL...]   (the second kind may be missing)
set -u
EXPECTED="CustomerFeedback CustomerFeedbackEx FeedbackQuestion GetInterNetState GetToolIsNewVersion
GetToolIsNewVersionDown InitFreedbackDll OpenToolDownUrl OpenUrl OpenUseAgreementUrl
WriteCustomerFeedbackInfoFile"
SYSTEM_DLLS="kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll winhttp.dll
user32.dll advapi32.dll ntdll.dll"
failures=0
checked=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

check() {
    dll="$1"
    case "$(file -b "$dll")" in
        "PE32 executable (DLL)"*) objdump=i686-w64-mingw32-objdump ;;
        "PE32+ executable (DLL)"*) objdump=x86_64-w64-mingw32-objdump ;;
        *) fail "$dll is not a PE DLL: $(file -b "$dll")"; return ;;
    esac
    dump=$($objdump -p "$dll")
    names=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
            sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
    want=$(echo $EXPECTED | tr ' ' '\n' | sort | tr '\n' ' ')
    [ "$names" = "$want" ] || fail "$dll exports [$names], expected [$want]"
    for dll_name in $(echo "$dump" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z'); do
        case " $(echo $SYSTEM_DLLS) " in
            *" $dll_name "*) ;;
            *) fail "$dll imports $dll_name, not a system DLL" ;;
        esac
    done
    checked=$((checked + 1))
    echo "checked $dll ($objdump): $(echo $names | wc -w) exports"
}

optional=0
for arg in "$@"; do
    if [ "$arg" = "--if-present" ]; then optional=1; continue; fi
    if [ ! -f "$arg" ]; then
        if [ $optional -eq 1 ]; then echo "not present: $arg"; else fail "$arg missing"; fi
        continue
    fi
    check "$arg"
done
[ $checked -gt 0 ] || fail "no DLL checked"
[ $failures -eq 0 ] && echo "exports checked"
exit $failures

#!/bin/sh
# Plants each fault given (default: every patch here) in the product, builds the suite named on the
# patch's first line ("# catches: <ctest entry> [gtest filter]"), runs that entry, and takes the
# fault out again. A patch whose suite passes is reported: the suite no longer catches it.
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD="$ROOT/build/x86_64"
KESTRUNE_BUILD="$BUILD"
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$BUILD" >/dev/null
. "$ROOT/scripts/xvfb.sh"
KESTRUNE_SCREEN=2560x1600x24 kestrune_start_xvfb
"$WINESERVER" -p || true
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
"$WINE" explorer.exe /desktop >/dev/null 2>&1 </dev/null &
[ $# -gt 0 ] || set -- "$ROOT"/tests/planted/*.patch
missed=0
for patch in "$@"; do
    set -- $(head -1 "$patch" | sed 's/^# catches: //')
    entry=$1
    (cd "$ROOT" && git apply "$patch") || { echo "$patch: does not apply"; missed=1; continue; }
    # A suite run at another dpi is the same executable under another ctest entry.
    if cmake --build "$BUILD" --target "${entry%_120dpi}" >/dev/null &&
        (cd "$BUILD" && GTEST_FILTER=${2:-*} ctest -R "^$entry\$" >/dev/null 2>&1); then
        echo "$patch: NOT caught by $entry"
        missed=1
    else
        echo "$patch: caught by $entry"
    fi
    (cd "$ROOT" && git apply -R "$patch")
done
cmake --build "$BUILD" >/dev/null
"$WINESERVER" -k || true
kill "$KESTRUNE_XVFB_PID" 2>/dev/null || true
exit $missed

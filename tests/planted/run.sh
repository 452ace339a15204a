#!/bin/sh
# Plants each fault of this folder in the product, builds what its suite needs, runs the ctest entry
# named on the patch's first line ("# catches: <entry> [cases]") and takes the fault out again.
# Every entry must FAIL with its fault planted. Run from a built tree (./scripts/build.sh tests);
# with no arguments every patch here, else the named ones. Exit status: the number not caught.
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD="$ROOT/build/x86_64"
KESTRUNE_BUILD="$BUILD"
. "$ROOT/scripts/wine-env.sh"
"$ROOT/scripts/wine-prefix.sh" "$BUILD"
. "$ROOT/scripts/xvfb.sh"
KESTRUNE_SCREEN=2560x1600x24 kestrune_start_xvfb
"$WINESERVER" -p || true
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null
"$WINE" explorer.exe /desktop >/dev/null 2>&1 </dev/null &
[ $# -gt 0 ] || set -- "$ROOT"/tests/planted/*.patch
missed=0
for patch in "$@"; do
    name=$(basename "$patch" .patch)
    entry=$(head -1 "$patch" | sed 's/^# catches: //' | cut -d' ' -f1)
    case "$entry" in
        companion_tests) target=companion_tests regex='^companion_(http_start|tests|http_stop)$' ;;
        jobs_stand_in_*) target=job_runner regex="^$entry\$" ;;
        *_native) target="" regex="^$entry\$" ;;  # built from the sources by the entry itself
        *) target=$entry regex="^$entry\$" ;;
    esac
    (cd "$ROOT" && git apply "$patch") || { echo "$name: does not apply"; missed=$((missed + 1)); continue; }
    built=0
    [ -z "$target" ] || cmake --build "$BUILD" --target "$target" >/dev/null 2>&1 || built=1
    if [ $built -ne 0 ]; then
        echo "$name: the planted build failed"
        missed=$((missed + 1))
    elif (cd "$BUILD" && ctest -R "$regex" >/dev/null 2>&1); then
        echo "$name: NOT caught by $entry"
        missed=$((missed + 1))
    else
        echo "$name: caught by $entry"
    fi
    (cd "$ROOT" && git apply -R "$patch")
done
# The suites' own build again, without any fault.
cmake --build "$BUILD" >/dev/null 2>&1
"$WINESERVER" -k || true
kill "$KESTRUNE_XVFB_PID" 2>/dev/null || true
exit $missed

#!/bin/sh
# Plants each given fault (a patch of the product; default: every patch here) in the built tree,
# rebuilds, runs the ctest entry named on its "# catches:" line with its gtest filter, expects
# that run to fail, and takes the fault out again. The test environment (prefix, Xvfb, wineserver,
# desktop) must be up, as scripts/test.sh sets it up. Prints one line per fault; each run's
# output is kept in build/x86_64/planted/<fault>.log.
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD="$ROOT/build/x86_64"
[ $# -gt 0 ] || set -- "$ROOT"/tests/planted/*.patch
mkdir -p "$BUILD/planted"
status=0
for patch in "$@"; do
    set -- $(sed -n '1s/^# catches: //p' "$patch")
    entry=$1
    filter=$2
    git -C "$ROOT" apply "$patch" || { echo "$patch: does not apply"; status=1; continue; }
    target=$entry
    [ "$entry" = acceptance ] && target=acceptance_tests
    if cmake --build "$BUILD" -j "$(nproc)" --target "$target" >/dev/null 2>&1; then
        log="$BUILD/planted/$(basename "$patch" .patch).log"
        if (cd "$BUILD" && GTEST_FILTER="${filter:-*}" ctest -R "^$entry\$" -V >"$log" 2>&1); then
            echo "NOT CAUGHT $(basename "$patch") by $entry $filter"
            status=1
        else
            echo "caught     $(basename "$patch") by $entry $filter"
        fi
    else
        echo "NO BUILD   $(basename "$patch")"
        status=1
    fi
    git -C "$ROOT" apply -R "$patch"
done
cmake --build "$BUILD" -j "$(nproc)" >/dev/null 2>&1
exit $status

#!/bin/sh
# Copies the screenshots of the last acceptance run (ctest "acceptance", part of the test command)
# into docs/screenshots, where the README shows them (about.png is kept as it is: no run takes it
# now), and takes the picture of the run's crash summary in Notepad.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
FROM="$ROOT/build/x86_64/screenshots/acceptance"
TO="$ROOT/docs/screenshots"
mkdir -p "$TO"
copy() {  # shot of the run, name in the README
    [ -f "$FROM/$1.png" ] || { echo "missing: $FROM/$1.png (run ./scripts/test.sh first)"; exit 1; }
    cp "$FROM/$1.png" "$TO/$2.png"
}
copy 01-panel panel
copy 02-prompt-pick prompt-pick
copy 03-busy busy
copy 04-prompt-set prompt-set
copy 05-prompt-export prompt-export
copy 07-feedback feedback
copy 08-panel-no-dumps panel-no-dumps
copy 10-refused-no-library refused-no-library
copy 10-refused-windows-xp refused-windows-xp
copy 10-refused-newer-version refused-newer-version
"$ROOT/scripts/screenshot-summary.sh" "$TO/summary-notepad.png"
ls -l "$TO"

#!/bin/sh
# Starts or stops the loopback HTTP server of the companion tests.
# Usage: http_fixture.sh start|stop STATE_DIR
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
DIR="$2"
case "$1" in
start)
    if [ -f "$DIR/pid" ]; then kill "$(cat "$DIR/pid")" 2>/dev/null; fi
    rm -rf "$DIR"
    mkdir -p "$DIR"
    # Every descriptor goes to files, so ctest does not wait on the server's pipes.
    setsid python3 "$HERE/http_server.py" "$DIR" 900 >"$DIR/server.log" 2>&1 </dev/null &
    echo $! >"$DIR/pid"
    i=0
    while [ ! -f "$DIR/ports" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    [ -f "$DIR/ports" ] || { echo "server did not start"; cat "$DIR/server.log"; exit 1; }
    echo "serving on 127.0.0.1 ports $(cat "$DIR/ports")"
    ;;
stop)
    [ -f "$DIR/pid" ] && kill "$(cat "$DIR/pid")" 2>/dev/null
    rm -f "$DIR/pid"
    echo "stopped"
    ;;
esac
exit 0

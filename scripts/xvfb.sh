# Sourced: starts a private Xvfb when asked to (or when there is no display) and exports DISPLAY.
# KESTRUNE_XVFB_PID is set when this script started the server.
kestrune_start_xvfb() {
    n=${KESTRUNE_DISPLAY:-77}
    while :; do
        while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 "${KESTRUNE_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
        KESTRUNE_XVFB_PID=$!
        i=0
        while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 50 ] && kill -0 "$KESTRUNE_XVFB_PID" 2>/dev/null; do
            sleep 0.1
            i=$((i + 1))
        done
        # A server of another root (a build container beside this one) can hold the number without
        # a lock file here: Xvfb then ends at once, and our windows must not go to that server.
        kill -0 "$KESTRUNE_XVFB_PID" 2>/dev/null && break
        n=$((n + 1))
    done
    export DISPLAY=":$n"
}

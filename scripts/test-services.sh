# Sourced by the test scripts: a virtual X display and a private PulseAudio with a null sink.
# Each service is stopped by the process id it was started with.

start_test_services() {
    export VELMORA_TEST_RUNTIME=${VELMORA_TEST_RUNTIME:-/tmp/velmora-test-runtime-$(id -u)}
    mkdir -p "$VELMORA_TEST_RUNTIME"
    chmod 700 "$VELMORA_TEST_RUNTIME"

    if [ -z "${DISPLAY:-}" ]; then
        local n=97
        while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        VELMORA_XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    fi

    export XDG_RUNTIME_DIR="$VELMORA_TEST_RUNTIME"
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    if ! pactl info >/dev/null 2>&1; then
        pulseaudio --daemonize=yes -n --exit-idle-time=-1 --use-pid-file=yes \
            --load="module-native-protocol-unix auth-anonymous=1" \
            --load="module-null-sink sink_name=nullsink rate=48000 norewinds=1" >/dev/null 2>&1 || true
        for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
        VELMORA_PULSE_STARTED=1
    fi
    pactl set-default-sink nullsink >/dev/null 2>&1 || true
}

stop_test_services() {
    if [ -n "${VELMORA_PULSE_STARTED:-}" ]; then
        local pidfile="$XDG_RUNTIME_DIR/pulse/pid"
        if [ -f "$pidfile" ]; then kill "$(cat "$pidfile")" 2>/dev/null || true; fi
    fi
    if [ -n "${VELMORA_XVFB_PID:-}" ]; then kill "$VELMORA_XVFB_PID" 2>/dev/null || true; fi
}

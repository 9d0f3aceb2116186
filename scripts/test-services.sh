# Sourced by the test scripts: a virtual X display and a private PulseAudio with a null sink.
# Each service is stopped by the process id it was started with.
#
# The PulseAudio server lives in a runtime folder of its own for each source tree, so that test
# runs of two trees on one machine never share (or stop) each other's server. A program sees
# only a server that was running when it started, so the server is up before any test starts.

velmora_services_here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

start_test_services() {
    local tree_id
    tree_id=$(printf '%s' "$velmora_services_here" | cksum | cut -d' ' -f1)
    export VELMORA_TEST_RUNTIME=${VELMORA_TEST_RUNTIME:-/tmp/velmora-rt-$(id -u)-$tree_id}
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
        # As root this is still a per-user server (--system=no), kept alive while idle and
        # never told to exit by a client. Without norewinds=1 the null sink stalls for up to
        # two seconds after every start of a stream.
        pulseaudio --daemonize=yes -n --system=no --disallow-exit --exit-idle-time=-1 \
            --use-pid-file=yes --log-target=stderr \
            --load="module-native-protocol-unix auth-anonymous=1" \
            --load="module-null-sink sink_name=nullsink rate=48000 norewinds=1" \
            >/dev/null 2>"$XDG_RUNTIME_DIR/pulseaudio.log" || true
        for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
        if [ -f "$XDG_RUNTIME_DIR/pulse/pid" ]; then
            VELMORA_PULSE_PID=$(cat "$XDG_RUNTIME_DIR/pulse/pid")
        fi
        if ! pactl info >/dev/null 2>&1; then
            echo "test-services: PulseAudio did not start (see $XDG_RUNTIME_DIR/pulseaudio.log);" \
                "the tests that play sound will be skipped" >&2
        fi
    fi
    pactl set-default-sink nullsink >/dev/null 2>&1 || true
}

stop_test_services() {
    if [ -n "${VELMORA_PULSE_PID:-}" ]; then
        kill "$VELMORA_PULSE_PID" 2>/dev/null || true
        for _ in $(seq 30); do kill -0 "$VELMORA_PULSE_PID" 2>/dev/null || break; sleep 0.1; done
        VELMORA_PULSE_PID=
    fi
    if [ -n "${VELMORA_XVFB_PID:-}" ]; then
        kill "$VELMORA_XVFB_PID" 2>/dev/null || true
        VELMORA_XVFB_PID=
    fi
}

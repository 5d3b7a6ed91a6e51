#!/usr/bin/env bash
# A private sound server for the sound tests: PulseAudio with one null sink, reachable only
# through a socket in a scratch folder, and a recorder on the sink's monitor.
#
#   eval "$(tests/sound-server.sh start)"     starts both, prints the exports the tests need
#   tests/sound-server.sh stop [DIR]          stops both and removes the folder
#                                             (DIR defaults to $POTERO_SOUND_DIR)
#
# The recorder also keeps the null sink from rendering seconds ahead, so a played sound
# drains in about its own length. It writes unsigned 8-bit mono 22050 Hz samples, the
# format of the door sounds, to $POTERO_SOUND_MONITOR for the whole session.
# Needs the packages pulseaudio (the server) and pulseaudio-utils (parec, pactl).
set -euo pipefail

sink=testsink
rate=22050

fail() {
    echo "sound-server: $*" >&2
    exit 1
}

# poll TENTHS COMMAND...: true once the command succeeds, tried every tenth of a second.
poll() {
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Kills the process in DIR/NAME.pid if it is still the program that was started there.
stop_one() {
    local dir=$1 name=$2 pid
    [ -f "$dir/$name.pid" ] || return 0
    pid=$(cat "$dir/$name.pid")
    if [ -r "/proc/$pid/comm" ] && [ "$(cat "/proc/$pid/comm")" = "$name" ]; then
        kill "$pid" 2>/dev/null || true
        poll 50 test ! -e "/proc/$pid" || kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/$name.pid"
}

stop() {
    local dir=${1:-${POTERO_SOUND_DIR:-}}
    [ -n "$dir" ] || fail "stop: no folder given and POTERO_SOUND_DIR is not set"
    [ -f "$dir/server.env" ] || fail "stop: $dir was not made by sound-server.sh start"
    stop_one "$dir" parec
    stop_one "$dir" pulseaudio
    rm -rf "$dir"
}

start() {
    command -v pulseaudio >/dev/null || fail "pulseaudio is not installed (package pulseaudio)"
    command -v parec >/dev/null || fail "parec is not installed (package pulseaudio-utils)"
    local dir
    dir=$(mktemp -d "${TMPDIR:-/tmp}/potero-sound.XXXXXX")
    mkdir -p "$dir/runtime" "$dir/xdg" "$dir/home" "$dir/state"
    chmod 700 "$dir/runtime" "$dir/xdg"
    local socket=$dir/runtime/native
    # Nothing of the user's own server is touched: its own runtime, state and home folders.
    local -a env=(env -u PULSE_SERVER -u DBUS_SESSION_BUS_ADDRESS "HOME=$dir/home"
                  "XDG_RUNTIME_DIR=$dir/xdg" "PULSE_RUNTIME_PATH=$dir/runtime"
                  "PULSE_STATE_PATH=$dir/state")
    # Output to files, so that a caller reading this script's output does not wait for them.
    "${env[@]}" pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 \
        --disallow-exit --realtime=no --high-priority=no --log-target=stderr \
        --load="module-null-sink sink_name=$sink rate=$rate" \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$socket" \
        </dev/null >"$dir/pulseaudio.log" 2>&1 &
    echo $! >"$dir/pulseaudio.pid"
    echo "PULSE_SERVER=unix:$socket" >"$dir/server.env"

    answers() { PULSE_SERVER="unix:$socket" pactl info >/dev/null 2>&1; }
    if ! poll 100 answers; then
        cat "$dir/pulseaudio.log" >&2
        stop "$dir"
        fail "the server did not start"
    fi

    PULSE_SERVER="unix:$socket" parec --latency-msec=20 -d "$sink.monitor" --raw \
        --format=u8 --rate=$rate --channels=1 \
        </dev/null >"$dir/monitor.raw" 2>"$dir/parec.log" &
    echo $! >"$dir/parec.pid"
    # The recorder is running once the server lists its stream. Its samples flow only after a
    # second or two, once the stream has settled to its low latency; a sound played before
    # then is lost to the recording.
    recording() { PULSE_SERVER="unix:$socket" pactl list short source-outputs 2>/dev/null | grep -q .; }
    flowing() { [ "$(stat -c %s "$dir/monitor.raw")" -ge $((rate / 10)) ]; }
    if ! poll 50 recording || ! poll 100 flowing; then
        cat "$dir/parec.log" >&2
        stop "$dir"
        fail "the monitor recorder did not start"
    fi

    echo "export PULSE_SERVER=unix:$socket"
    echo "export POTERO_SOUND_MONITOR=$dir/monitor.raw"
    echo "export POTERO_SOUND_DIR=$dir"
}

case "${1:-}" in
start) start ;;
stop) stop "${2:-}" ;;
*)
    echo "usage: tests/sound-server.sh start | stop [DIR]" >&2
    exit 2
    ;;
esac

# shellcheck shell=bash
# Sourced by the end-to-end scripts: a scratch folder in $work and a list of
# the processes started for the run in $pids; when the script ends, every one
# of them is stopped and the folder removed. The lines begin with $me.
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Says what went wrong, shows every log of the run and ends the script.
fail() {
    echo "$me: $*" >&2
    for log in "$work"/*.log; do
        [ ! -s "$log" ] || sed "s|^|    $(basename "$log" .log): |" "$log" >&2
    done
    exit 1
}

# Until the test command succeeds; past the deadline the run fails.
wait_until() {  # seconds what command...
    local deadline=$(($(date +%s) + $1)) what=$2
    shift 2
    until "$@"; do
        [ "$(date +%s)" -lt "$deadline" ] || fail "timed out waiting for $what"
        sleep 0.1
    done
}

# A virtual X display, exported as DISPLAY.
start_x() {  # WIDTHxHEIGHT
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    wait_until 10 "the X server" test -s "$work/display"
    export DISPLAY=":$(cat "$work/display")"
}

# vanto-devsim on LINK (one started before is stopped first): its committed
# flash in $work/flash.bin, its log in $work/devsim.log, its pid in $device.
device=""
start_device() {  # vanto-devsim link options...
    local program=$1 link=$2
    shift 2
    if [ -n "$device" ]; then
        kill "$device" 2>/dev/null || true
        wait "$device" 2>/dev/null || true
    fi
    rm -f "$work/flash.bin"
    "$program" --link "$link" --flash-out "$work/flash.bin" "$@" >"$work/devsim.log" 2>&1 &
    device=$!
    pids+=("$device")
    wait_until 10 "vanto-devsim's $link" test -e "$link"
}

# Whether the device's committed flash is the update file's image.
flash_is_image() {  # update-file
    python3 "$(dirname "${BASH_SOURCE[0]}")/flash_image.py" "$1" "$work/flash.bin"
}

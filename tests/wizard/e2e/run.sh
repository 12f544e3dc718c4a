#!/usr/bin/env bash
# The wizard end to end, driven from outside the process as a person would:
# a virtual X display with a window manager (openbox), a session bus with the
# accessibility bus, the simulated device, and drive.py clicking the buttons it
# finds by name, updates the device with the mouse alone. (Leaving during a
# scan and a run is the QtTest suite's, on the same start-up: test_wizard.)
# Usage: tests/wizard/e2e/run.sh [BIN_DIR]   (default: build/bin)
# VANTO_SCREENSHOT_DIR=DIR keeps the wizard's pictures of run 1 there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
bin=$(cd "${1:-$root/build/bin}" && pwd)
shots=${VANTO_SCREENSHOT_DIR:-}

# shellcheck source=../../support/e2e_workspace.sh
. "$root/tests/support/e2e_workspace.sh"

wait_until() {  # seconds, what, test...
    local deadline=$(($(date +%s) + $1)) what=$2
    shift 2
    until "$@"; do
        if [ "$(date +%s)" -ge "$deadline" ]; then
            echo "e2e: timed out waiting for $what" >&2
            return 1
        fi
        sleep 0.1
    done
}

# The display, 1280 x 800 like a small laptop, and its window manager.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_until 10 "the X server" test -s "$work/display"
export DISPLAY=":$(cat "$work/display")"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_until 10 "the window manager" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window'

mkdir "$work/folder"
cp "$root/scripts/demo/kst.hex" "$root/scripts/demo/kst_PC.bmp" "$work/folder/"

"$bin/vanto-devsim" --link "$work/ttyVANTO" --flash-out "$work/flash.bin" >"$work/devsim.log" 2>&1 &
pids+=($!)
wait_until 10 "the device" test -e "$work/ttyVANTO"

export VANTO_COM_PORTS="$work/ttyVANTO"
drive() {
    # The buses' and the program's own messages are shown only when a run fails.
    timeout -k 5 180 dbus-run-session -- /usr/bin/python3 "$here/drive.py" "$@" \
        2>"$work/drive.log" || {
        echo "e2e: messages of the run, then the device's log:" >&2
        sed 's/^/    /' "$work/drive.log" "$work/devsim.log" >&2
        return 1
    }
}

drive "$bin/vanto-update" "$work/folder" "$work/flash.bin" "$shots"
echo "e2e: the update passed"

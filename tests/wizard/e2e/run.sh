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

me=e2e  # the name the lines begin with
# shellcheck source=../../support/e2e_workspace.sh
. "$root/tests/support/e2e_workspace.sh"

# The display, 1280 x 800 like a small laptop, and its window manager.
start_x 1280x800
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_until 10 "the window manager" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window'

mkdir "$work/folder"
cp "$root/scripts/demo/kst.hex" "$root/scripts/demo/kst_PC.bmp" "$work/folder/"
start_device "$bin/vanto-devsim" "$work/ttyVANTO"
export VANTO_COM_PORTS="$work/ttyVANTO"
# The buses' and the program's own messages are shown only when a run fails.
timeout -k 5 180 dbus-run-session -- /usr/bin/python3 "$here/drive.py" "$bin/vanto-update" \
    "$work/folder" "$work/flash.bin" "$shots" 2>"$work/drive.log" || fail "the update failed"
echo "e2e: the update passed"

#!/usr/bin/env bash
# The main job: installs what is missing, builds, and runs the update wizard.
#
# With no device attached (no USB serial adapter found, or VANTO_SIMULATE=1) it
# runs against the simulated device: a working directory build/demo with a
# sample kst.hex and kst_PC.bmp, vanto-devsim on a pseudo-terminal, and
# VANTO_COM_PORTS set so that COM1 and COM2 do not exist and COM3 is the device.
# With a USB serial adapter attached it runs the wizard in the current
# directory on the machine's own serial ports (put kst.hex there first).
# Without a display it says so and runs the same road with vanto-flash.
set -euo pipefail
here=$(pwd)
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh
# Only the programs: the tests and benchmarks (and their tools) belong to the
# test command, which switches them on again in the same build directory.
scripts/build.sh build -DVANTO_BUILD_TESTS=OFF -DVANTO_BUILD_BENCH=OFF >/dev/null
bin=$root/build/bin

has_display() { [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; }
run_road() {  # runs the wizard, or the terminal road without a display
    if has_display; then
        "$bin/vanto-update"
    else
        echo "No display found: running the same update road in the terminal with vanto-flash."
        echo
        "$bin/vanto-flash"
    fi
}

real_adapter() { compgen -G "/dev/ttyUSB*" >/dev/null || compgen -G "/dev/ttyACM*" >/dev/null; }
if [ "${VANTO_SIMULATE:-}" != 1 ] && { [ -n "${VANTO_COM_PORTS+x}" ] || real_adapter; }; then
    echo "Serial ports found: updating a real device from $here (VANTO_SIMULATE=1 runs the demo)."
    cd "$here"
    run_road
    exit
fi

demo=$root/build/demo
mkdir -p "$demo"
cp scripts/demo/kst.hex scripts/demo/kst_PC.bmp "$demo/"
rm -f "$demo/flash.bin"  # a flash from an earlier run is no result of this one
link=$demo/ttyVANTO
"$bin/vanto-devsim" --link "$link" --baud 38400 --flash-out "$demo/flash.bin" \
    >"$demo/devsim.log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done

echo "Simulated device on COM3 ($link); COM1 and COM2 do not exist."
export VANTO_COM_PORTS="::$link"
cd "$demo"
status=0
run_road || status=$?
if [ $status -ne 0 ]; then
    echo "The update did not succeed (exit status $status); the simulated device's log: $demo/devsim.log"
elif [ -f flash.bin ]; then
    echo "The simulated device's flash now holds $(stat -c %s flash.bin) bytes: $demo/flash.bin"
else
    echo "The simulated device committed no flash in this run (log: $demo/devsim.log)."
fi
exit $status

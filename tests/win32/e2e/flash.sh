#!/usr/bin/env bash
# vanto-flash.exe end to end under wine, against vanto-devsim on COM3: a run
# that programs the device (its committed flash equals the update file), a
# run on two ports at once (COM3 and COM8, a plain file where no device can
# answer), a run the device fails (the second block refused: exit 4, nothing committed),
# Ctrl-C in the middle of a run (exit 130, the device told to discard the
# transfer), and the commands that need no device.
# Run by scripts/test-windows.sh, which sets up WINEPREFIX and its port map.
# Usage: tests/win32/e2e/flash.sh BUILD_DIR PORTS_DIR NATIVE_BIN_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
dir=$1 ports=$2 native=$3
wine=wine
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
flash=$(sed 's|/|\\|g; s|^|Z:|' <<<"$dir/bin/vanto-flash.exe")

me="flash-windows"  # the name the lines begin with
# shellcheck source=../../support/e2e_workspace.sh
. "$root/tests/support/e2e_workspace.sh"
run_flash() {  # expected-exit-status options...
    local expected=$1 rc=0
    shift
    (cd "$work/folder" && exec "$wine" "$flash" "$@") >"$work/out.log" 2>"$work/err.log" || rc=$?
    [ "$rc" -eq "$expected" ] || fail "vanto-flash $* ended with $rc, not $expected"
}
mkdir "$work/folder"
cp "$root/scripts/demo/kst.hex" "$work/folder/"

run_flash 0 --version
grep -qx "vanto-flash [0-9.]*"$'\r' "$work/out.log" || fail "--version answered $(cat "$work/out.log")"
run_flash 2 --port //./nothing
run_flash 0 ports --all
grep -q "^COM3 " "$work/out.log" || fail "ports does not list COM3"

start_device "$native/vanto-devsim" "$ports/com3" --quiet
run_flash 0 --port 3
flash_is_image "$work/folder/kst.hex" ||
    fail "the device's flash differs from the update image"
echo "flash-windows: --port 3 programmed the device, the flash equals the image"

start_device "$native/vanto-devsim" "$ports/com3" --quiet
run_flash 1 --ports 3,8
flash_is_image "$work/folder/kst.hex" ||
    fail "the device's flash differs from the update image after the run on two ports"
grep -q "^1 of 2 updated; COM8: no device answered" "$work/err.log" ||
    fail "the run on two ports did not sum up COM8's failure"
echo "flash-windows: --ports 3,8 programmed COM3 and named COM8 as the one without a device"

start_device "$native/vanto-devsim" "$ports/com3" --quiet --block-status 2:4
run_flash 4 --port 3
[ ! -e "$work/flash.bin" ] || fail "the failed run left a committed flash"
echo "flash-windows: the refused block ended the run with exit status 4"

# Ctrl-C once the first block is stored: the console's Ctrl-C event (wine
# turns SIGINT into one) must take the abort road.
start_device "$native/vanto-devsim" "$ports/com3" --block-reply-delay 200
(cd "$work/folder" && exec "$wine" "$flash" --port 3) >"$work/out.log" 2>"$work/err.log" &
run=$!
wait_until 30 "the first block" grep -q "^BLOCK seq=1 " "$work/devsim.log"
kill -INT "$run"
rc=0
wait "$run" || rc=$?
[ "$rc" -eq 130 ] || fail "Ctrl-C ended the run with $rc, not 130"
grep -q "^FINISH abort" "$work/devsim.log" || fail "the device was not told to discard the transfer"
grep -q "the device was told to discard" "$work/err.log" || fail "Ctrl-C was not reported"
echo "flash-windows: Ctrl-C ended the run with 130 after the device was told to discard it"

#!/usr/bin/env bash
# The Windows wizard end to end under wine, driven from outside as a person
# would: a virtual X display, vanto-devsim on COM3, and xdotool clicking at
# the points that wizard_locator.exe computes from the dialog templates (the
# sheet's own buttons and the message box from the windows themselves). The
# road: Next, Scan Device (again if a scan missed the device), Next, Start
# Programming, OK, Finish; the program must end and the device's committed
# flash must equal the update image.
# Run by scripts/test-windows.sh, which sets up WINEPREFIX and its port map.
# Usage: tests/win32/e2e/run.sh BUILD_DIR PORTS_DIR NATIVE_BIN_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
dir=$1 ports=$2 native=$3
wine=wine
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
winpath() { sed 's|/|\\|g; s|^|Z:|' <<<"$1"; }
locator=$(winpath "$dir/bin/wizard_locator.exe")
IDD_WELCOME=129 IDD_SETUP=130 IDD_PROG_TARGET=132
IDC_SCAN_BUTTON=1028 IDC_START_BUTTON=1016 IDC_PROG_STATUS=1015

# shellcheck source=../../support/e2e_workspace.sh
. "$root/tests/support/e2e_workspace.sh"
fail() {
    echo "e2e-windows: $*" >&2
    echo "e2e-windows: the device's log:" >&2
    sed 's/^/    /' "$work/devsim.log" >&2
    exit 1
}

# Runs the locator until it answers (exit 0) or the deadline passes; a wrong
# request or a control away from its template's place fails at once.
locate() {  # seconds what locator-arguments...
    local deadline=$(($(date +%s) + $1)) what=$2 rc=0
    shift 2
    until answer=$("$wine" "$locator" "$@" 2>"$work/locator.err"); do
        rc=$?
        [ $rc -eq 1 ] || fail "$what: $(cat "$work/locator.err")"
        [ "$(date +%s)" -lt "$deadline" ] || fail "timed out waiting for $what"
        sleep 0.2
    done
    answer=${answer//$'\r'/}  # the C runtime ends its lines with CR LF
}
click() {  # seconds what locator-arguments...
    locate "$@"
    # shellcheck disable=SC2086  # "X Y"
    xdotool mousemove --sync $answer click 1
    echo "e2e-windows: clicked $2 at $answer"
}
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "no X server"
export DISPLAY=":$(cat "$work/display")"

"$native/vanto-devsim" --link "$ports/com3" --flash-out "$work/flash.bin" >"$work/devsim.log" 2>&1 &
pids+=($!)
mkdir "$work/folder"
cp "$root/scripts/demo/kst.hex" "$root/scripts/demo/kst_PC.bmp" "$work/folder/"
(cd "$work/folder" && exec "$wine" "$(winpath "$dir/bin/vanto-update.exe")") \
    >"$work/wizard.log" 2>&1 &
wizard=$!
pids+=($wizard)

click 60 "Next on the welcome page" sheet $IDD_WELCOME next
click 20 "Scan Device" control $IDD_SETUP $IDC_SCAN_BUTTON
deadline=$(($(date +%s) + 60))
until "$wine" "$locator" sheet $IDD_SETUP next >/dev/null 2>&1; do
    [ "$(date +%s)" -lt "$deadline" ] || fail "timed out waiting for the scan to find the device"
    if "$wine" "$locator" control $IDD_SETUP $IDC_SCAN_BUTTON >/dev/null 2>&1; then
        click 5 "Scan Device again (the scan missed the device)" control $IDD_SETUP \
            $IDC_SCAN_BUTTON
    fi
    sleep 0.5
done
click 5 "Next on the setup page" sheet $IDD_SETUP next
click 20 "Start Programming" control $IDD_PROG_TARGET $IDC_START_BUTTON
click 120 "OK of the message box" box "VANTO Updating"
# The worker sets the status once the box is closed.
deadline=$(($(date +%s) + 20))
until locate 10 "the programming status" text $IDD_PROG_TARGET $IDC_PROG_STATUS &&
    [ "$answer" = "The device has been updated successfully" ]; do
    [ "$(date +%s)" -lt "$deadline" ] || fail "the status says '$answer'"
    sleep 0.2
done
click 30 "Finish" sheet $IDD_PROG_TARGET finish

for _ in $(seq 200); do
    kill -0 "$wizard" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$wizard" 2>/dev/null && fail "the wizard did not end after Finish"
wait "$wizard" || fail "the wizard ended with $?"
python3 "$here/flash_matches_image.py" "$work/folder/kst.hex" "$work/flash.bin" ||
    fail "the device's flash differs from the update image"
echo "e2e-windows: the road done, the wizard ended, the flash equals the image"

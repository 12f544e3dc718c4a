#!/usr/bin/env bash
# The Windows wizard end to end under wine, driven from outside as a person
# would: a virtual X display, vanto-devsim on COM3, and xdotool clicking at
# the points that wizard_locator.exe computes from the dialog templates (the
# sheet's own buttons and the message boxes from the windows themselves).
# Run 1, the road: Next, Scan Device and at once Back (the scan goes on and
# finds the device; the welcome page keeps its buttons), Next (the setup page
# as the scan left it, its step texts whole), Next, Start Programming; Cancel
# during the run, where No is the default and answered; Cancel again, left
# open until the run succeeds, which closes the question; OK, Finish. The
# program must end and the device's committed flash must equal the update
# image.
# Run 2: the first block refused (Flash Address Error, a box whose caption
# must not be cut), then Cancel and Yes during the second run; the program
# ends and the device's log shows the abort form of the finish once per run,
# nothing committed.
# Run by scripts/test-windows.sh, which sets up WINEPREFIX and its port map.
# Usage: tests/win32/e2e/run.sh BUILD_DIR PORTS_DIR NATIVE_BIN_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
dir=$1 ports=$2 native=$3
wine=wine
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
# shellcheck disable=SC2034  # the name locator.sh begins its lines with
me=e2e-windows

# shellcheck source=../../support/e2e_workspace.sh
. "$root/tests/support/e2e_workspace.sh"
fail() {
    echo "e2e-windows: $*" >&2
    echo "e2e-windows: the device's log:" >&2
    sed 's/^/    /' "$work/devsim.log" >&2
    exit 1
}

# shellcheck source=locator.sh
. "$here/locator.sh"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "no X server"
export DISPLAY=":$(cat "$work/display")"
# Wine's desktop process takes the display of the first program that starts
# it: the wineserver of the tests before (which ran without a display) can
# still be there for a few seconds, and the wizard would have no window.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

mkdir "$work/folder"
cp "$root/scripts/demo/kst.hex" "$root/scripts/demo/kst_PC.bmp" "$work/folder/"
question="Cancel Installation"

device=""
start_device() {  # devsim options...
    if [ -n "$device" ]; then
        kill "$device" 2>/dev/null || true
        wait "$device" 2>/dev/null || true
    fi
    rm -f "$work/flash.bin"
    "$native/vanto-devsim" --link "$ports/com3" --flash-out "$work/flash.bin" "$@" \
        >"$work/devsim.log" 2>&1 &
    device=$!
    pids+=("$device")
    for _ in $(seq 100); do
        [ -e "$ports/com3" ] && return
        sleep 0.05
    done
    fail "vanto-devsim made no COM3"
}
start_wizard() {
    (cd "$work/folder" && exec "$wine" "$(winpath "$dir/bin/vanto-update.exe")") \
        >"$work/wizard.log" 2>&1 &
    wizard=$!
    pids+=("$wizard")
}
wait_for_log() {  # seconds pattern
    local deadline=$(($(date +%s) + $1))
    until grep -q "$2" "$work/devsim.log"; do
        [ "$(date +%s)" -lt "$deadline" ] || fail "timed out waiting for '$2' in the device's log"
        sleep 0.1
    done
}
wizard_ends() {  # what
    for _ in $(seq 200); do
        kill -0 "$wizard" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$wizard" 2>/dev/null && fail "the wizard did not end after $1"
    wait "$wizard" || fail "the wizard ended with $?"
}
# On the setup page: until the scan has found the device (again if it missed).
scan_until_found() {
    local deadline=$(($(date +%s) + 60))
    until usable sheet $IDD_SETUP next; do
        [ "$(date +%s)" -lt "$deadline" ] || fail "timed out waiting for the scan to find the device"
        if usable control $IDD_SETUP $IDC_SCAN_BUTTON; then
            click 5 "Scan Device again (the scan missed the device)" control $IDD_SETUP \
                $IDC_SCAN_BUTTON
        fi
        sleep 0.5
    done
}

# Run 1. The first scan waits on COM3 (eight identify frames unanswered, 1.6 s);
# every block's reply takes 150 ms, so the run lasts about 15 s.
start_device --answer-identify-from 9 --block-reply-delay 150
start_wizard
click 60 "Next on the welcome page" sheet $IDD_WELCOME next
locate 20 "Back on the setup page" sheet $IDD_SETUP back
back=$answer
click 20 "Scan Device" control $IDD_SETUP $IDC_SCAN_BUTTON
# shellcheck disable=SC2086  # "X Y"
xdotool mousemove --sync $back click 1
echo "e2e-windows: clicked Back during the scan"
wait_for_log 30 "^IDENTIFY status=1"
sleep 2  # the scan's request for Back and Next, had it landed here
usable sheet $IDD_WELCOME back && fail "the scan's end gave the welcome page a Back"
click 5 "Next on the welcome page, the scan ended" sheet $IDD_WELCOME next
scan_until_found
# The setup page's steps and status whole in their statics, in the wizard's
# font 8 (a word wrapped below a static's bottom is not drawn).
for control in 1025 1026 1027 1030; do
    "$wine" "$locator" fits $IDD_SETUP $control 8 >"$work/fits" 2>&1 ||
        fail "the text of control $control is cut (room, needed): $(tr -d '\r' <"$work/fits")"
done
click 5 "Next on the setup page" sheet $IDD_SETUP next
click 20 "Start Programming" control $IDD_PROG_TARGET $IDC_START_BUTTON
wait_for_log 30 "^BLOCK seq=5 "
click 10 "Cancel during the run" sheet $IDD_PROG_TARGET cancel
locate 10 "the exit question's default button" default "$question"
[ "$answer" = "no" ] || fail "during a run the exit question's default is '$answer', not no"
click 10 "No to the exit question" box "$question" no
wait_for_log 30 "^BLOCK seq=20 "
kill -0 "$wizard" 2>/dev/null || fail "the wizard ended after No"
click 10 "Cancel during the run, the question left open" sheet $IDD_PROG_TARGET cancel
locate 10 "the exit question" box "$question" no
click 120 "OK of the message box" box "VANTO Updating"
usable box "$question" no && fail "the exit question stayed open after the update"
# The worker sets the status once the box is closed.
deadline=$(($(date +%s) + 20))
until locate 10 "the programming status" text $IDD_PROG_TARGET $IDC_PROG_STATUS &&
    [ "$answer" = "The device has been updated successfully" ]; do
    [ "$(date +%s)" -lt "$deadline" ] || fail "the status says '$answer'"
    sleep 0.2
done
click 30 "Finish" sheet $IDD_PROG_TARGET finish
wizard_ends Finish
grep -q "^FINISH abort" "$work/devsim.log" && fail "the device was told to discard an update"
python3 "$root/tests/support/flash_image.py" "$work/folder/kst.hex" "$work/flash.bin" ||
    fail "the device's flash differs from the update image"
echo "e2e-windows: the road done, the wizard ended, the flash equals the image"

# Run 2: a first block refused (the box's short text leaves its caption
# whole), then leaving during the second run.
start_device --block-status 1:4 --block-reply-delay 150
start_wizard
click 60 "Next on the welcome page" sheet $IDD_WELCOME next
click 20 "Scan Device" control $IDD_SETUP $IDC_SCAN_BUTTON
scan_until_found
click 5 "Next on the setup page" sheet $IDD_SETUP next
click 20 "Start Programming" control $IDD_PROG_TARGET $IDC_START_BUTTON
locate 30 "the flash address error's box" box "VANTO Updating"
"$wine" "$locator" caption "VANTO Updating" >"$work/caption" 2>&1 ||
    fail "the box cuts its caption (room, caption width): $(tr -d '\r' <"$work/caption")"
click 10 "OK of the flash address error" box "VANTO Updating"
click 20 "Start Programming again" control $IDD_PROG_TARGET $IDC_START_BUTTON
wait_for_log 30 "^BLOCK seq=5 "
click 10 "Cancel during the run" sheet $IDD_PROG_TARGET cancel
click 10 "Yes to the exit question" box "$question" yes
wizard_ends "Yes"
[ "$(grep -c "^FINISH abort" "$work/devsim.log")" -eq 2 ] ||
    fail "the device was not told once per run to discard the transfer"
[ ! -e "$work/flash.bin" ] || fail "leaving the run left a committed flash"
echo "e2e-windows: leaving during the run told the device to discard it, the wizard ended"

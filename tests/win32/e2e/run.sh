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
# image. Run 2, a refused block and then leaving, is described where it starts.
# Run by scripts/test-windows.sh, which sets up WINEPREFIX and its port map.
# Usage: tests/win32/e2e/run.sh BUILD_DIR PORTS_DIR NATIVE_BIN_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
dir=$1 ports=$2 native=$3
wine=wine
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
me="e2e-windows"  # the name the lines begin with

# shellcheck source=../../support/e2e_workspace.sh
. "$root/tests/support/e2e_workspace.sh"
# shellcheck source=locator.sh
. "$here/locator.sh"
start_x 1280x800
end_wineserver
mkdir "$work/folder"
cp "$root/scripts/demo/kst.hex" "$root/scripts/demo/kst_PC.bmp" "$work/folder/"
question="Cancel Installation"
wait_for_log() {  # seconds pattern
    wait_until "$1" "'$2' in the device's log" grep -q "$2" "$work/devsim.log"
}

# Run 1. The first scan waits on COM3 (eight identify frames unanswered, 1.6 s);
# every block's reply takes 150 ms, so the run lasts about 15 s.
start_device "$native/vanto-devsim" "$ports/com3" --answer-identify-from 9 --block-reply-delay 150
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
texts_fit $IDD_SETUP 1025:8 1026:8 1027:8 1030:8
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
status_says_updated
click 30 "Finish" sheet $IDD_PROG_TARGET finish
wizard_ends Finish
grep -q "^FINISH abort" "$work/devsim.log" && fail "the device was told to discard an update"
flash_is_image "$work/folder/kst.hex" ||
    fail "the device's flash differs from the update image"
echo "e2e-windows: the road done, the wizard ended, the flash equals the image"

# Run 2: a first block refused (the box's short text leaves its caption
# whole), then Cancel and Yes during the second run: the program ends, the
# device is told once per run to discard the transfer, nothing is committed.
start_device "$native/vanto-devsim" "$ports/com3" --block-status 1:4 --block-reply-delay 150
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

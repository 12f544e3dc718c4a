#!/usr/bin/env bash
# The pictures of the Windows wizard in docs/, taken from the current build:
# the wizard cross-built and run under wine on a virtual X display with a
# window manager, vanto-devsim on COM3 (a pseudo-terminal in wine's port map,
# see scripts/windows-rig.sh), and xdotool clicking where wizard_locator.exe
# finds the buttons, as tests/win32/e2e/run.sh does. Three pictures of the
# wizard's window with the window manager's frame:
#   docs/windows-wizard-welcome.png    the welcome page
#   docs/windows-wizard-scan.png       the setup page after a scan that found
#                                      the device on COM3
#   docs/windows-wizard-programmed.png the programming page after a whole
#                                      update: the status says so, Finish is
#                                      offered, no progress bar, no box
# Each is stored with a palette of at most 256 colours (and optipng). A tool
# for the developers, not run by CI.
# Usage: scripts/windows-screenshots.sh [BUILD_DIR] [OUT_DIR]
#        (defaults build-windows and docs)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
dir=${1:-build-windows}
out=${2:-docs}
mkdir -p "$dir" "$out"
dir=$(cd "$dir" && pwd)
out=$(cd "$out" && pwd)

VANTO_WINDOWS_PACKAGES="openbox imagemagick optipng"
# shellcheck source=windows-rig.sh
. scripts/windows-rig.sh

# shellcheck source=../tests/support/e2e_workspace.sh
. tests/support/e2e_workspace.sh
fail() {
    echo "windows-screenshots: $*" >&2
    [ -z "${DISPLAY:-}" ] || xdotool search --name . getwindowname %@ >&2 || true
    for log in devsim wizard locator; do
        [ ! -s "$work/$log.log" ] || sed "s/^/    $log: /" "$work/$log.log" >&2
    done
    exit 1
}
stop_all() {
    wineserver -k 2>/dev/null || true
    cleanup
}
trap stop_all EXIT

# shellcheck disable=SC2034  # the name locator.sh begins its lines with
me=windows-screenshots
# shellcheck source=../tests/win32/e2e/locator.sh
. tests/win32/e2e/locator.sh

# The sheet's window as it looks now, frame included, in a palette.
shoot() {  # window-title picture-name
    local window
    sleep 1  # the last texts painted
    xdotool mousemove 0 0  # no pointer, no hover light
    sleep 0.3
    window=$(xdotool search --onlyvisible --name "^$1\$" | head -n 1)
    [ -n "$window" ] || fail "no window titled '$1'"
    import -frame -window "$window" "$work/shot.png"
    convert "$work/shot.png" -dither None -colors 256 "PNG8:$out/$2"
    optipng -quiet -o5 -strip all "$out/$2"
    echo "windows-screenshots: $out/$2 ($(stat -c %s "$out/$2") bytes)"
}

start_x 1024x768
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
end_wineserver

mkdir "$work/folder"
cp scripts/demo/kst.hex scripts/demo/kst_PC.bmp "$work/folder/"
start_device "$native/bin/vanto-devsim" "$ports/com3"
start_wizard
locate 60 "the welcome page" sheet $IDD_WELCOME next
texts_fit $IDD_WELCOME 1000:1 1005:4  # the title and the hint
shoot "Welcome to VANTO Update" windows-wizard-welcome.png
click 10 "Next on the welcome page" sheet $IDD_WELCOME next
click 20 "Scan Device" control $IDD_SETUP $IDC_SCAN_BUTTON
scan_until_found
locate 10 "Scan Device after the scan" control $IDD_SETUP $IDC_SCAN_BUTTON
texts_fit $IDD_SETUP 1025:8 1026:8 1027:8 1030:8  # the three steps and the status
shoot "Setup Serial Connection and Scan Device" windows-wizard-scan.png
click 10 "Next on the setup page" sheet $IDD_SETUP next
click 20 "Start Programming" control $IDD_PROG_TARGET $IDC_START_BUTTON
click 120 "OK of the result box" box "VANTO Updating"
status_says_updated
locate 10 "Finish" sheet $IDD_PROG_TARGET finish
texts_fit $IDD_PROG_TARGET $IDC_PROG_STATUS:3
shoot "Programming Target" windows-wizard-programmed.png
click 10 "Finish" sheet $IDD_PROG_TARGET finish
wizard_ends Finish
flash_is_image "$work/folder/kst.hex" ||
    fail "the device's flash differs from the update image"
echo "windows-screenshots: the update went through; the pictures are in $out"

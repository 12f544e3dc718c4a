# shellcheck shell=bash disable=SC2034,SC2154  # ids for the caller; its variables
# Sourced by the scripts that drive the Windows wizard under wine from
# outside (tests/win32/e2e/run.sh, scripts/windows-screenshots.sh): the ids
# of the dialog templates and controls that wizard_locator.exe knows, and
# locate and click on top of it.
# In: wine (the wine program), dir (the Windows build folder, absolute), and
# tests/support/e2e_workspace.sh sourced before (work, pids, me, fail,
# wait_until).

winpath() { sed 's|/|\\|g; s|^|Z:|' <<<"$1"; }
locator=$(winpath "$dir/bin/wizard_locator.exe")
IDD_WELCOME=129 IDD_SETUP=130 IDD_PROG_TARGET=132
IDC_SCAN_BUTTON=1028 IDC_START_BUTTON=1016 IDC_PROG_STATUS=1015

# Runs the locator until it answers (exit 0) or the deadline passes, the
# answer left in $answer; a wrong request or a control away from its
# template's place fails at once.
locate() {  # seconds what locator-arguments...
    local deadline=$(($(date +%s) + $1)) what=$2 rc=0
    shift 2
    until answer=$("$wine" "$locator" "$@" 2>"$work/locator.log"); do
        rc=$?
        [ $rc -eq 1 ] || fail "$what: $(cat "$work/locator.log")"
        [ "$(date +%s)" -lt "$deadline" ] || fail "timed out waiting for $what"
        sleep 0.2
    done
    answer=${answer//$'\r'/}  # the C runtime ends its lines with CR LF
}

# Clicks with the X pointer at the point the locator gives.
click() {  # seconds what locator-arguments...
    locate "$@"
    # shellcheck disable=SC2086  # "X Y"
    xdotool mousemove --sync $answer click 1
    echo "$me: clicked $2 at $answer"
}

# Whether the locator answers now: the control is there and can be clicked.
usable() {  # locator-arguments...
    "$wine" "$locator" "$@" >/dev/null 2>&1
}

# Wine's desktop process takes the display of the first program that starts
# it: a wineserver left from before (setting up the prefix, the tests before)
# ran without one, and the wizard would have no window. Ended once the X
# server is up.
end_wineserver() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}

# vanto-update.exe in $work/folder, its pid in $wizard.
start_wizard() {
    (cd "$work/folder" && exec "$wine" "$(winpath "$dir/bin/vanto-update.exe")") \
        >"$work/wizard.log" 2>&1 &
    wizard=$!
    pids+=("$wizard")
}

# Until the wizard's process has ended, with status 0.
wizard_ends() {  # what
    wait_until 20 "the wizard to end after $1" eval '! kill -0 "$wizard" 2>/dev/null'
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

# Until the programming page's status says that the update succeeded (the
# worker sets it once the result box is closed).
status_says_updated() {
    local deadline=$(($(date +%s) + 20))
    until locate 10 "the programming status" text $IDD_PROG_TARGET $IDC_PROG_STATUS &&
        [ "$answer" = "The device has been updated successfully" ]; do
        [ "$(date +%s)" -lt "$deadline" ] || fail "the status says '$answer'"
        sleep 0.2
    done
}

# Each control's text whole in its room, in the given font of the wizard's
# table (no word pushed to a line below the control's bottom).
texts_fit() {  # page control:font...
    local page=$1 control
    shift
    for control in "$@"; do
        "$wine" "$locator" fits "$page" "${control%:*}" "${control#*:}" >"$work/fits" 2>&1 ||
            fail "the text of control ${control%:*} on page $page is cut (room, needed):" \
                "$(tr -d '\r' <"$work/fits")"
    done
}

# shellcheck shell=bash disable=SC2034,SC2154  # ids for the caller; its variables
# Sourced by the scripts that drive the Windows wizard under wine from
# outside (tests/win32/e2e/run.sh, scripts/windows-screenshots.sh): the ids
# of the dialog templates and controls that wizard_locator.exe knows, and
# locate and click on top of it.
# In: wine (the wine program), dir (the Windows build folder, absolute),
# work (a scratch folder), me (the name the lines begin with) and a function
# fail that reports and exits.

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

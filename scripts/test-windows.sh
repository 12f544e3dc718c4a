#!/usr/bin/env bash
# The Windows tests: cross-builds GoogleTest (from Debian's sources) and the
# updater's Windows tests, then runs them under wine against real
# pseudo-terminals. Wine's own port map (HKLM\Software\Wine\Ports) names every
# port from COM1 to COM100, so no Windows program here reaches the machine's
# serial devices:
#   COM3   vanto-devsim (built natively) for the end-to-end runs, which start
#          it themselves
#   COM9   vanto-devsim that hangs up after one block, started again each time
#   COM8   a regular file: a handle that is no comm device
#   COM5   one end of a null-modem pair (socat), COM12 the other end
#   others nothing: the port does not exist
# Usage: scripts/test-windows.sh [BUILD_DIR] (default build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
dir=${1:-build-windows}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

# The programs, the tests, the simulated device and the Wine prefix.
# shellcheck source=windows-rig.sh
. scripts/windows-rig.sh

# The devices and the null-modem pair; everything started here ends with the script.
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
# A device pulled and plugged back: a new pseudo-terminal behind the same path.
(
    trap 'kill "$device" 2>/dev/null; exit 0' TERM
    while :; do
        "$native/bin/vanto-devsim" --link "$ports/com9" --hangup-after 1 --quiet \
            >>"$ports/devsim9.log" 2>&1 &
        device=$!
        wait "$device" || sleep 1 # a device that cannot start is not started in a busy loop
    done
) &
pids+=($!)
: >"$ports/com8"
socat pty,raw,echo=0,link="$ports/com5" pty,raw,echo=0,link="$ports/com12" &
pids+=($!)
for _ in $(seq 100); do
    [ -e "$ports/com5" ] && [ -e "$ports/com9" ] && [ -e "$ports/com12" ] && break
    sleep 0.05
done
# socat ends when a pty's last opener closes it: hold both ends open.
for end in com5 com12; do
    sleep 3600 <>"$ports/$end" &
    pids+=($!)
done

start=$(date +%s)
timeout 300 "$wine" "$dir/bin/win32_tests.exe"
echo "test-windows: the Windows tests took $(($(date +%s) - start)) s under wine"

# vanto-flash.exe and the wizard end to end, each with devices of its own on COM3.
start=$(date +%s)
timeout 300 tests/win32/e2e/flash.sh "$dir" "$ports" "$native/bin"
echo "test-windows: vanto-flash end to end took $(($(date +%s) - start)) s under wine"
start=$(date +%s)
timeout 300 tests/win32/e2e/run.sh "$dir" "$ports" "$native/bin"
echo "test-windows: the wizard end to end took $(($(date +%s) - start)) s under wine"

#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, test and run the updater.
# Run as root (or with sudo). Does nothing when everything is already there.
set -euo pipefail

packages=(
    build-essential cmake g++ clang libclang-rt-14-dev   # compilers, sanitizer and fuzzer runtimes
    libgtest-dev libgmock-dev libbenchmark-dev           # tests and benchmarks
    qt6-base-dev                                         # the wizard (Qt 6 Widgets)
    srecord binutils                                     # differential tests and benchmarks
    fonts-dejavu-core fonts-urw-base35                   # faces for the wizard's fonts
    xvfb xauth                                           # the wizard without a real display
    time                                                 # peak-memory figures in the benchmarks
    # the wizard's end-to-end run (tests/wizard/e2e): window manager, pointer, accessibility bus, screenshots
    openbox xdotool x11-utils dbus at-spi2-core python3-gi gir1.2-atspi-2.0 imagemagick
)
extra=("$@")

missing=()
for p in "${packages[@]}" "${extra[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then
        SUDO=sudo
    else
        echo "install-deps: run as root to install: ${missing[*]}" >&2
        exit 1
    fi
fi
echo "install-deps: installing ${missing[*]}"
${SUDO:-} apt-get update -qq
DEBIAN_FRONTEND=noninteractive ${SUDO:-} apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

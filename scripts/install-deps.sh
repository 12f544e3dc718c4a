#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and package the updater
# (the test tools come from install-test-deps.sh, which passes them as
# arguments: extra packages to install along). Run as root (or with sudo).
# Does nothing when everything is already there.
set -euo pipefail

packages=(
    build-essential cmake g++ dpkg-dev file              # compiler; cpack's dependency scan
    qt6-base-dev                                         # the wizard (Qt 6 Widgets)
    fonts-dejavu-core fonts-urw-base35                   # faces for the wizard's fonts
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

#!/usr/bin/env bash
# Cross-builds the updater for 64-bit Windows with Debian's mingw-w64
# toolchain into a build directory (default: build-windows), statically
# linked, warnings as errors. Installs the toolchain first when it is missing
# (Debian packages; root or sudo). Extra packages for the caller (the Wine
# tests, the installer) come through VANTO_WINDOWS_PACKAGES.
# Usage: scripts/build-windows.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
shift || true

packages=(cmake make g++-mingw-w64-x86-64-posix ${VANTO_WINDOWS_PACKAGES:-})
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    echo "build-windows: installing ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

mkdir -p "$dir"
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DVANTO_WERROR=ON \
    -DVANTO_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=Release "$@" >"$dir/configure.log" 2>&1 || {
    cat "$dir/configure.log" >&2
    exit 1
}
cmake --build "$dir" -j"$(nproc)"

#!/usr/bin/env bash
# Configures and builds into a build directory (default: build).
# Usage: scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
mkdir -p "$dir"
cmake -S . -B "$dir" -DVANTO_WERROR=ON "$@" >"$dir/configure.log" 2>&1 || {
    cat "$dir/configure.log" >&2
    exit 1
}
cmake --build "$dir" -j"$(nproc)"

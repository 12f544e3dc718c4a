#!/usr/bin/env bash
# The test command: installs what is missing (the test tools included), builds
# with warnings as errors, tests and benchmarks on, and runs the whole suite.
# Usage: scripts/test.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-test-deps.sh
dir=${1:-build}
shift || true
scripts/build.sh "$dir" -DVANTO_BUILD_TESTS=ON -DVANTO_BUILD_BENCH=ON "$@"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j2 --timeout 300

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
# The tests mostly wait: for the wire time of the frames they send at 38400
# baud, for time-outs, for simulated devices (the whole suite takes a few CPU
# seconds for two minutes of test time), so four run at once per core;
# VANTO_TEST_JOBS sets another number.
jobs=${VANTO_TEST_JOBS:-$((4 * $(nproc)))}
ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 300

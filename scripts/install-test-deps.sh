#!/usr/bin/env bash
# Installs what building and running need (install-deps.sh) and, on top, the
# Debian 12 packages that only the tests, benchmarks, fuzzing and the package
# checks use. Run as root (or with sudo).
set -euo pipefail

test_packages=(
    clang libclang-rt-14-dev                             # sanitizer and fuzzer runtimes
    libgtest-dev libgmock-dev libbenchmark-dev           # tests and benchmarks
    srecord binutils                                     # differential tests and benchmarks
    xvfb xauth                                           # the wizard without a real display
    time                                                 # peak-memory figures in the benchmarks
    lintian desktop-file-utils appstream man-db          # checks of the installed tree and package
    # the wizard's end-to-end run (tests/wizard/e2e): window manager, pointer, accessibility bus, screenshots
    openbox xdotool x11-utils dbus at-spi2-core python3-gi gir1.2-atspi-2.0 imagemagick
)
exec "$(dirname "$0")/install-deps.sh" "${test_packages[@]}"

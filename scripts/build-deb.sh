#!/usr/bin/env bash
# Builds the Debian packages as the distribution builds its own: the programs
# alone (no tests or benchmarks) with the hardening flags of dpkg-buildflags
# (hardening=+all, so BIND_NOW too) and warnings as errors, then cpack:
#   BUILD_DIR/vanto-flash_VERSION_ARCH.deb     the terminal tool
#   BUILD_DIR/vanto-update_VERSION_ARCH.deb    the wizard
#   BUILD_DIR/vanto-devsim_VERSION_ARCH.deb    the simulated device
# Two builds of the same source give the same bytes wherever the source and
# the build folder lie: the compiler maps both folders to fixed names, and
# every time stamp (files in the packages, Qt's resources) is
# SOURCE_DATE_EPOCH, by default the date of the newest packaging/changelog.in
# entry.
# Usage: scripts/build-deb.sh [BUILD_DIR]   (default build-deb)
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022  # the modes of the staged files and of the archive members
scripts/install-deps.sh
dir=${1:-build-deb}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    stamp=$(sed -n 's/^ -- .*  //p' packaging/changelog.in | head -n 1)
    SOURCE_DATE_EPOCH=$(date -d "${stamp:?no date in packaging/changelog.in}" +%s)
fi
export SOURCE_DATE_EPOCH

# dpkg-buildflags maps the current folder (the source) to "."; the build
# folder gets a name of its own, given last so that it wins where it lies
# inside the source. CMake reads no CPPFLAGS: they go with the compiler flags.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cxxflags="$(flags CPPFLAGS) $(flags CXXFLAGS) -ffile-prefix-map=$dir=build"
ldflags=$(flags LDFLAGS)

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=None -DVANTO_WERROR=ON \
    -DVANTO_BUILD_TESTS=OFF -DVANTO_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_INSTALL_PREFIX=/usr >"$dir/configure.log" 2>&1 || {
    cat "$dir/configure.log" >&2
    exit 1
}
cmake --build "$dir" -j"$(nproc)" >"$dir/build.log" 2>&1 || {
    cat "$dir/build.log" >&2
    exit 1
}
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >cpack.log 2>&1) || {
    cat "$dir/cpack.log" >&2
    exit 1
}
ls "$dir"/*.deb

#!/usr/bin/env bash
# Builds the Debian package in a build directory and checks it: lintian finds
# no errors, the control fields carry the project's version and the
# dependencies, and the tree unpacked from the package (dpkg -x into a
# temporary root) holds every file and runs (packaging/check-install.sh).
# Usage: scripts/check-package.sh [BUILD_DIR]   (default: build, configured by
#                                               scripts/build.sh or test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}

cmake --build "$dir" -j"$(nproc)" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
rm -f "$dir"/vanto-updater_*.deb
(cd "$dir" && cpack -G DEB >cpack.log 2>&1) || { cat "$dir/cpack.log" >&2; exit 1; }
deb=$dir/vanto-updater_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "check-package: $deb was not made" >&2; ls "$dir"/*.deb >&2; exit 1; }
echo "check-package: $deb"

failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libc6 libstdc++6 fonts-dejavu-core fonts-urw-base35; do
    grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done
dpkg-deb -I "$deb" postinst | grep -q dialout || fail "no dialout note in postinst"

# Errors fail the check; the warnings kept are printed for the record.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
packaging/check-install.sh --tree "$root/usr" "$version" || fail "the unpacked tree"

[ $failures -eq 0 ] || { echo "check-package: $failures problem(s)" >&2; exit 1; }
echo "check-package: the package is in order"

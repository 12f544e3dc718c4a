#!/usr/bin/env bash
# Builds the Debian packages a second time and compares them byte for byte
# with a first build (scripts/build-deb.sh into FIRST_BUILD_DIR, with the same
# SOURCE_DATE_EPOCH, set or not). The second build changes what must not
# matter: the source lies in another folder (a copy of the tracked and new
# files), the build folder has another name, and umask, time zone and locale
# differ. On a difference it names the files inside the packages that differ.
# Usage: scripts/check-reproducible.sh FIRST_BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
first=$(cd "$1" && pwd)
other=$(mktemp -d)
trap 'rm -rf "$other"' EXIT
mkdir "$other/source-copy"
git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$other/source-copy"
again=$other/packages-again
(
    umask 002
    export TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 LANG=C.UTF-8
    cd "$other/source-copy" && bash scripts/build-deb.sh "$again" >/dev/null
)

# The md5sums inside a package name its files; the data archive's listing
# shows modes, owners and times.
inside() { dpkg-deb --ctrl-tarfile "$1" | tar -xOf - ./md5sums; dpkg-deb -c "$1"; }
failures=0
for deb in "$first"/*.deb; do
    name=$(basename "$deb")
    if [ ! -f "$again/$name" ]; then
        echo "check-reproducible: the second build made no $name" >&2
        failures=$((failures + 1))
    elif cmp -s "$deb" "$again/$name"; then
        echo "check-reproducible: $name identical ($(sha256sum <"$deb" | cut -c1-16)...)"
    else
        echo "check-reproducible: $name differs between the two builds:" >&2
        diff <(inside "$deb") <(inside "$again/$name") >&2 || true
        failures=$((failures + 1))
    fi
done
[ "$(ls "$first"/*.deb | wc -l)" = "$(ls "$again"/*.deb | wc -l)" ] || {
    echo "check-reproducible: the builds made different sets of packages" >&2
    failures=$((failures + 1))
}
[ $failures -eq 0 ] || exit 1

#!/usr/bin/env bash
# Builds the three Debian packages from scratch (scripts/build-deb.sh into
# DIR/deb) and checks them:
#  - control fields: the version; vanto-flash and vanto-devsim pull in no Qt
#    and no fonts, vanto-update depends on its Qt libraries and fonts
#  - each package holds exactly its files, and unpacked alone its program
#    runs, its manual page renders and its udev rule is in order
#    (packaging/check-install.sh, packaging/check-udev-rule.py; also
#    `udevadm verify` where udevadm has it)
#  - the maintainer scripts tell a running udev and never fail without one
#  - lintian --pedantic -I: no error, no warning, no hardening tag
#  - a second build elsewhere gives the same bytes (check-reproducible.sh)
# Ends with a table of the packages: size, installed size, dependencies.
# Usage: scripts/check-package.sh [DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}/deb
rm -rf "$dir"
scripts/build-deb.sh "$dir" >/dev/null
dir=$(cd "$dir" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
arch=$(dpkg --print-architecture)
packages="vanto-flash vanto-update vanto-devsim"

failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
deb_of() { echo "$dir/${1}_${version}_$arch.deb"; }

# What a package's dependencies bring along, recursively (empty without
# apt's package lists).
pulled_in() {
    local names
    names=$(tr ',|' '\n\n' <<<"$1" | sed 's/(.*//; s/ //g' | grep .)
    # shellcheck disable=SC2086
    apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
        --no-replaces --no-enhances $names 2>/dev/null | grep -v '^ ' | sort -u
}
check_control() {  # package deb
    local depends pulled library
    [ "$(dpkg-deb -f "$2" Version)" = "$version" ] || fail "$1: version is not $version"
    grep -qx vanto-updater <<<"$(dpkg-deb -f "$2" Conflicts)" || fail "$1: no Conflicts: vanto-updater"
    depends=$(dpkg-deb -f "$2" Depends)
    for library in libc6 libstdc++6; do
        grep -q "\b$library\b" <<<"$depends" || fail "$1: Depends lacks $library: $depends"
    done
    pulled=$(pulled_in "$depends")
    [ -n "$pulled" ] || echo "check-package: $1: no apt lists, its dependencies are not followed"
    if [ "$1" = vanto-update ]; then
        for library in libqt6widgets6 libqt6gui6 libqt6core6 fonts-dejavu-core fonts-urw-base35; do
            grep -q "\b$library\b" <<<"$depends" || fail "$1: Depends lacks $library: $depends"
        done
    elif grep -Eiq 'qt|font' <<<"$depends"; then
        fail "$1 depends on Qt or fonts: $depends"
    elif grep -Eq '^(libqt|qt6|fonts-|libx11)' <<<"$pulled"; then
        fail "$1 pulls in Qt, X or fonts:" $(grep -E '^(libqt|qt6|fonts-|libx11)' <<<"$pulled")
    fi
}
check_contents() {  # package deb root
    local listed expected
    listed=$(dpkg-deb -c "$2" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | sort)
    expected=$(packaging/check-install.sh --files "$1" | tr ' ' '\n' | sort)
    [ "$listed" = "$expected" ] || fail "$1 holds other files than it should:
$(diff <(echo "$expected") <(echo "$listed"))"
    dpkg -x "$2" "$3"
    VANTO_PACKAGES=$1 packaging/check-install.sh --tree "$3/usr" "$version" >/dev/null ||
        fail "$1 unpacked alone"
}
check_udev_rule() {  # package root
    local rule=$2/usr/lib/udev/rules.d/70-$1.rules
    cmp -s "$rule" packaging/70-vanto-serial.rules || fail "$1: its udev rule is not the project's"
    if command -v udevadm >/dev/null && udevadm verify --help >/dev/null 2>&1; then
        udevadm verify --resolve-names=never "$rule" >/dev/null || fail "$1: udevadm verify"
    fi
}
# The maintainer scripts run with an udevadm that is missing, that finds no
# udev (a chroot, a container) or that works; what it was asked is logged.
# Each row: script, its argument, udevadm (none, failing, working), the log.
maintainer_cases=(
    "postinst|configure|none|"
    "postinst|configure|failing|control --reload"
    "postinst|configure|working|control --reload;trigger --subsystem-match=tty --action=change"
    "postrm|remove|failing|control --reload"
    "postrm|remove|working|control --reload;trigger --subsystem-match=tty --action=change"
    "postrm|purge|working|"
    "postinst|abort-upgrade|working|"
)
check_maintainer_scripts() {  # package deb
    local control=$work/$1.control row script argument udevadm expected log status
    dpkg-deb -e "$2" "$control"
    for row in "${maintainer_cases[@]}"; do
        IFS='|' read -r script argument udevadm expected <<<"$row"
        rm -rf "$work/stub" && mkdir "$work/stub" && log=$work/stub/log && : >"$log"
        if [ "$udevadm" != none ]; then
            status=0 && [ "$udevadm" = failing ] && status=1
            printf '#!/bin/sh\necho "$*" >>%s\nexit %d\n' "$log" "$status" >"$work/stub/udevadm"
            chmod +x "$work/stub/udevadm"
        fi
        PATH=$work/stub /bin/sh "$control/$script" "$argument" ||
            fail "$1: $script $argument failed with udevadm $udevadm"
        [ "$(paste -sd';' "$log")" = "$expected" ] ||
            fail "$1: $script $argument with udevadm $udevadm asked '$(paste -sd';' "$log")'"
    done
}
check_lintian() {  # package deb
    local report status=0
    report=$(lintian --pedantic -I --fail-on error,warning --tag-display-limit 0 "$2" 2>&1) ||
        status=$?
    report=$(grep -v 'running with root privileges' <<<"$report" || true)
    [ -z "$report" ] || echo "$report"
    [ $status -eq 0 ] || fail "$1: lintian reports errors or warnings"
    ! grep -q 'hardening-' <<<"$report" || fail "$1: lintian's hardening tags"
}

for package in $packages; do
    deb=$(deb_of "$package")
    [ -f "$deb" ] || { fail "$deb was not made"; continue; }
    mkdir "$work/$package"
    check_control "$package" "$deb"
    check_contents "$package" "$deb" "$work/$package"
    check_lintian "$package" "$deb"
    if [ "$package" != vanto-devsim ]; then
        check_udev_rule "$package" "$work/$package"
        check_maintainer_scripts "$package" "$deb"
    fi
done
scripts/check-reproducible.sh "$dir" || fail "two builds differ"

printf '%-32s %9s %10s  %s\n' package bytes installed Depends
for package in $packages; do
    deb=$(deb_of "$package")
    [ -f "$deb" ] || continue
    printf '%-32s %9s %7s KiB  %s\n' "$(basename "$deb")" "$(stat -c %s "$deb")" \
        "$(dpkg-deb -f "$deb" Installed-Size)" "$(dpkg-deb -f "$deb" Depends)"
done
[ $failures -eq 0 ] || { echo "check-package: $failures problem(s)" >&2; exit 1; }
echo "check-package: the packages are in order"

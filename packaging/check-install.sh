#!/usr/bin/env bash
# Checks an installed tree of the updater: every file a desktop, man and bash
# look for is there, the desktop entry and the metainfo validate, the manual
# pages render, and the installed programs run from the tree.
# Usage: check-install.sh --install BUILD_DIR VERSION   install BUILD_DIR into a
#                                                       temporary prefix, check it
#        check-install.sh --tree PREFIX VERSION         check an existing tree
#                                                       (e.g. ROOT/usr of dpkg -x)
# VERSION is what every program's --version and the metainfo must carry.
set -euo pipefail
mode=$1 where=$2 version=$3
failures=0
# The programs run here never reach for the machine's own serial devices.
export VANTO_COM_PORTS=
fail() { echo "check-install: $*" >&2; failures=$((failures + 1)); }

if [ "$mode" = --install ]; then
    prefix=$(mktemp -d)
    trap 'rm -rf "$prefix"' EXIT
    cmake --install "$where" --prefix "$prefix" >/dev/null
else
    prefix=$where
fi

expected=(
    bin/vanto-flash bin/vanto-devsim
    share/man/man1/vanto-flash.1.gz share/man/man1/vanto-update.1.gz
    share/man/man1/vanto-devsim.1.gz
    share/bash-completion/completions/vanto-flash
    share/vanto-updater/kst_PC.bmp
    share/doc/vanto-updater/README share/doc/vanto-updater/copyright
    share/doc/vanto-updater/changelog.gz share/doc/vanto-updater/examples/kst.hex
)
# Builds without Qt have no wizard, and so no menu entry, icon or metainfo.
wizard=${VANTO_EXPECT_WIZARD:-1}
sizes=(16 32 48 64 128 256)
if [ "$wizard" = 1 ]; then
    expected+=(bin/vanto-update share/applications/vanto-update.desktop
        share/metainfo/org.vanto.update.metainfo.xml
        share/icons/hicolor/scalable/apps/vanto-update.svg)
    for size in "${sizes[@]}"; do
        expected+=("share/icons/hicolor/${size}x${size}/apps/vanto-update.png")
    done
fi
for file in "${expected[@]}"; do
    [ -f "$prefix/$file" ] || fail "missing $file"
done
check_desktop_files() {
    for size in "${sizes[@]}"; do
        icon=$prefix/share/icons/hicolor/${size}x${size}/apps/vanto-update.png
        [ -f "$icon" ] && ! file "$icon" | grep -q "PNG image data, $size x $size" &&
            fail "$icon is not $size x $size"
    done
    local report
    report=$(desktop-file-validate "$prefix/share/applications/vanto-update.desktop" 2>&1) ||
        fail "the desktop entry does not validate: $report"
    local metainfo=$prefix/share/metainfo/org.vanto.update.metainfo.xml
    appstreamcli validate --no-net --pedantic "$metainfo" >/dev/null ||
        fail "the metainfo does not validate"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
}
[ "$wizard" = 1 ] && check_desktop_files
for page in "$prefix"/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
done
bash -n "$prefix/share/bash-completion/completions/vanto-flash" || fail "completion: syntax"

for program in vanto-flash vanto-devsim; do
    answer=$("$prefix/bin/$program" --version 2>&1) || fail "$program --version failed"
    [ "$answer" = "$program $version" ] || fail "$program --version: '$answer'"
done
# vanto-update answers --version once the wizard's own options are in.
if [ -x "$prefix/bin/vanto-update" ] && answer=$(QT_QPA_PLATFORM=offscreen \
        timeout 5 "$prefix/bin/vanto-update" --version 2>/dev/null); then
    [ "$answer" = "vanto-update $version" ] || fail "vanto-update --version: '$answer'"
fi
info=$("$prefix/bin/vanto-flash" info --file "$prefix/share/doc/vanto-updater/examples/kst.hex") ||
    fail "vanto-flash info on the sample image failed"
grep -q "blocks" <<<"$info" || fail "vanto-flash info: '$info'"

if [ $failures -ne 0 ]; then
    echo "check-install: $failures problem(s) in $prefix" >&2
    exit 1
fi
echo "check-install: ${#expected[@]} files, validators and programs in order"

#!/usr/bin/env bash
# Checks an installed tree of the updater, package by package: every file a
# desktop, man, bash and udev look for is there, the desktop entry and the
# metainfo validate, the manual pages render, and the installed programs run
# from the tree.
# Usage: check-install.sh --install BUILD_DIR VERSION   install BUILD_DIR into a
#                                                       temporary prefix, check it
#        check-install.sh --tree PREFIX VERSION         check an existing tree
#                                                       (e.g. ROOT/usr of dpkg -x)
#        check-install.sh --files PACKAGE               list the files of PACKAGE
#                                                       (relative to the prefix)
# VERSION is what every program's --version and the metainfo must carry.
# VANTO_PACKAGES names the packages whose files the tree holds (default: all
# three; without Qt there is no vanto-update: VANTO_EXPECT_WIZARD=0), so that
# one package unpacked alone can be checked too.
set -euo pipefail
sizes=(16 32 48 64 128 256)
files_of() {  # the files of package $1, relative to the prefix
    echo "bin/$1" "share/man/man1/$1.1.gz"
    echo "share/doc/$1/README" "share/doc/$1/copyright" "share/doc/$1/changelog.gz"
    case $1 in
        vanto-flash)
            echo lib/udev/rules.d/70-vanto-flash.rules share/bash-completion/completions/vanto-flash
            echo lib/systemd/system/vanto-flash-station.service
            echo share/doc/vanto-flash/examples/vanto-flash-station
            echo share/lintian/overrides/vanto-flash ;;
        vanto-update)
            echo lib/udev/rules.d/70-vanto-update.rules share/applications/vanto-update.desktop
            echo share/lintian/overrides/vanto-update
            echo share/mime/packages/vanto-update.xml
            echo share/metainfo/org.vanto.update.metainfo.xml share/vanto-updater/kst_PC.bmp
            echo share/icons/hicolor/scalable/apps/vanto-update.svg
            for size in "${sizes[@]}"; do
                echo "share/icons/hicolor/${size}x${size}/apps/vanto-update.png"
            done ;;
        vanto-devsim)
            echo share/doc/vanto-devsim/examples/kst.hex ;;
    esac
}
if [ "$1" = --files ]; then
    files_of "$2"
    exit 0
fi
mode=$1 where=$2 version=$3
here=$(cd "$(dirname "$0")" && pwd)
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
packages=${VANTO_PACKAGES:-vanto-flash vanto-update vanto-devsim}
[ "${VANTO_EXPECT_WIZARD:-1}" = 1 ] || packages=${packages/vanto-update/}

count=0
for package in $packages; do
    for file in $(files_of "$package"); do
        [ -f "$prefix/$file" ] || fail "$package: missing $file"
        count=$((count + 1))
    done
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
[[ " $packages " == *" vanto-update "* ]] && check_desktop_files

# The folder the wizard works in when the entry's Exec runs as a desktop runs
# it (the file manager's file in place of %f, or nothing for the menu), and
# when started by hand: each row is "how|the file|the folder wanted", in a
# made-up home whose user-dirs.dirs names the documents folder.
check_start_folders() {
    local home exec_line row how file want args word pid cwd tries
    home=$(mktemp -d)
    mkdir -p "$home/.config" "$home/My Files"
    echo 'XDG_DOCUMENTS_DIR="$HOME/Papers"' >"$home/.config/user-dirs.dirs"
    : >"$home/My Files/kst.hex"
    exec_line=$(sed -n 's/^Exec=//p' "$prefix/share/applications/vanto-update.desktop")
    for row in "desktop||$home/Papers/VANTO Updater" \
        "desktop|$home/My Files/kst.hex|$home/My Files" "terminal||$home"; do
        IFS='|' read -r how file want <<<"$row"
        args=("$prefix/bin/vanto-update")
        if [ "$how" = desktop ]; then
            args=()
            for word in $exec_line; do
                case $word in
                    %f) [ -z "$file" ] || args+=("$file") ;;
                    vanto-update) args+=("$prefix/bin/vanto-update") ;;
                    *) args+=("$word") ;;
                esac
            done
        fi
        (cd "$home" && HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=offscreen \
            exec "${args[@]}" >/dev/null 2>&1) &
        pid=$!
        # Once the program runs there and has had time to move on, it stays.
        for ((tries = 0; tries < 100; tries++)); do
            cwd=$(readlink "/proc/$pid/cwd" 2>/dev/null) || break
            [[ "$cwd" != "$want" || $(readlink "/proc/$pid/exe") != */vanto-update ]] || break
            sleep 0.1
        done
        sleep 0.5
        cwd=$(readlink "/proc/$pid/cwd" 2>/dev/null) || cwd="(ended)"
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        [ "$cwd" = "$want" ] || fail "start as $how with '$file': works in '$cwd', not '$want'"
    done
    rm -rf "$home"
    # The file manager knows kst.hex and kst.a90 by the types the entry names.
    if command -v update-mime-database >/dev/null; then
        local mime
        mime=$(mktemp -d)
        mkdir -p "$mime/packages"
        cp "$prefix/share/mime/packages/vanto-update.xml" "$mime/packages/"
        update-mime-database "$mime" >/dev/null 2>&1 || fail "the MIME types do not build"
        for glob in "text/x-ihex:*.hex" "text/x-srecord:*.a90"; do
            grep -qxF "50:$glob" "$mime/globs2" || fail "no type for ${glob#*:}"
            grep -q "^MimeType=.*${glob%%:*};" "$prefix/share/applications/vanto-update.desktop" ||
                fail "the entry does not open ${glob%%:*}"
        done
        rm -rf "$mime"
    fi
}
[ -x "$prefix/bin/vanto-update" ] && check_start_folders
for page in "$prefix"/share/man/man1/*.1.gz; do
    [ -f "$page" ] || continue
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
done
completion=$prefix/share/bash-completion/completions/vanto-flash
[ ! -f "$completion" ] || bash -n "$completion" || fail "completion: syntax"
for rule in "$prefix"/lib/udev/rules.d/*.rules; do
    [ -f "$rule" ] || continue
    python3 "$here/check-udev-rule.py" "$rule" || fail "$rule"
done

for program in $packages; do
    [ "$program" != vanto-update ] || continue
    answer=$("$prefix/bin/$program" --version 2>&1) || fail "$program --version failed"
    [ "$answer" = "$program $version" ] || fail "$program --version: '$answer'"
done
# vanto-update answers --version once the wizard's own options are in.
if [ -x "$prefix/bin/vanto-update" ] && answer=$(QT_QPA_PLATFORM=offscreen \
        timeout 5 "$prefix/bin/vanto-update" --version 2>/dev/null); then
    [ "$answer" = "vanto-update $version" ] || fail "vanto-update --version: '$answer'"
fi
# The terminal tool reads the sample image (the simulated device's, when that
# package is in the tree).
if [ -x "$prefix/bin/vanto-flash" ]; then
    sample=$prefix/share/doc/vanto-devsim/examples/kst.hex
    [ -f "$sample" ] || sample=$here/../scripts/demo/kst.hex
    info=$("$prefix/bin/vanto-flash" info --file "$sample") ||
        fail "vanto-flash info on the sample image failed"
    grep -q "blocks" <<<"$info" || fail "vanto-flash info: '$info'"
fi

if [ $failures -ne 0 ]; then
    echo "check-install: $failures problem(s) in $prefix" >&2
    exit 1
fi
echo "check-install:" $packages": $count files, validators and programs in order"

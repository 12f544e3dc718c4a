#!/usr/bin/env bash
# The Windows installer and the portable zip: cross-builds the programs
# (scripts/build-windows.sh), puts them with the cabling picture, the README
# and the sample image in a folder, zips that folder and builds the NSIS
# installer from it:
#   BUILD_DIR/vanto-updater-VERSION-setup.exe
#   BUILD_DIR/vanto-updater-VERSION-portable.zip
# With --check, also installs it silently (/S) into a fresh Wine prefix,
# checks the installed files, the menu entries and the uninstall entry (with
# the installed size), runs the installed programs' --version, installs again
# with the program folder put on the PATH (/ADDTOPATH) and runs vanto-flash
# by its name, then takes it off (/ADDTOPATH=no), leaves a PATH too long for
# it whole, and last uninstalls: the PATH is as it was before.
# Usage: scripts/package-windows.sh [--check] [BUILD_DIR]   (default build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
check=0
if [ "${1:-}" = --check ]; then
    check=1
    shift
fi
dir=${1:-build-windows}
packages="nsis zip"
[ $check = 1 ] && packages="$packages wine wine64"
VANTO_WINDOWS_PACKAGES="$packages" scripts/build-windows.sh "$dir" >/dev/null
dir=$(cd "$dir" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
name=vanto-updater-$version

stage=$dir/package/$name
rm -rf "$dir/package"
mkdir -p "$stage/examples"
cp "$dir/bin/vanto-update.exe" "$stage/"
flash=()
if [ -f "$dir/bin/vanto-flash.exe" ]; then
    cp "$dir/bin/vanto-flash.exe" "$stage/"
    flash=(-DWITH_FLASH)
fi
cp scripts/demo/kst_PC.bmp "$stage/"
cp scripts/demo/kst.hex "$stage/examples/"  # CR LF lines already
sed 's/\r*$/\r/' packaging/windows/README.txt >"$stage/README.txt"

rm -f "$dir/$name-portable.zip" "$dir/$name-setup.exe"
(cd "$dir/package" && zip -qr -X "$dir/$name-portable.zip" "$name")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$dir/$name-setup.exe" \
    -DICON="$root/res/icons/vanto-update.ico" "${flash[@]}" packaging/windows/vanto-updater.nsi
echo "package-windows: $dir/$name-setup.exe, $dir/$name-portable.zip"
[ $check = 1 ] || exit 0

# A fresh prefix of its own: the install leaves nothing in the tests' prefix.
export WINEPREFIX=$dir/wine-install WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=wine
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
winpath() { sed 's|/|\\|g; s|^|Z:|' <<<"$1"; }
rm -rf "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT
# The programs run here never reach the machine's serial devices (Wine maps
# COM1 and up to them by itself): every COMn up to COM100 is named, as nothing.
{
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
    for n in $(seq 1 100); do printf '"COM%d"=""\r\n' "$n"; done
} >"$dir/wine-install-ports.reg"
"$wine" regedit /S "$(winpath "$dir/wine-install-ports.reg")"
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
failures=0
fail() { echo "package-windows: $*" >&2; failures=$((failures + 1)); }

run_setup() {  # the installer's options after /S
    "$wine" "$(winpath "$dir/$name-setup.exe")" /S "$@" || fail "the silent install $* failed ($?)"
    wineserver -w
}
reg_value() {  # key value: the value's data as reg query shows it
    "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2  *REG_[A-Z_]*  *//Ip"
}
environment='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VANTO Updater'
folder='C:\Program Files\VANTO Updater'
path_before=$(reg_value "$environment" Path)
[ -n "$path_before" ] || fail "no PATH in the registry to compare with"
path_is() {  # what the PATH must be, and the step that left it
    local path
    path=$(reg_value "$environment" Path)
    [ "$path" = "$1" ] || fail "after $2 the PATH is '$path'"
}

run_setup
installed="$WINEPREFIX/drive_c/Program Files/VANTO Updater"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VANTO Updater"
for file in "$installed"/{vanto-update.exe,kst_PC.bmp,README.txt,examples/kst.hex,uninstall.exe} \
    "$menu/VANTO Updater.lnk" "$menu/Uninstall VANTO Updater.lnk"; do
    [ -f "$file" ] || fail "not installed: ${file#"$WINEPREFIX/"}"
done
[ ${#flash[@]} -eq 0 ] || [ -f "$installed/vanto-flash.exe" ] || fail "vanto-flash.exe not installed"
reg_value "$uninstall_key" DisplayVersion | grep -q "^$version$" || fail "no uninstall entry for $version"
# The installed size in KiB, as the files on disk add up (each may round down).
kib=$(find "$installed" -type f -printf '%s\n' | awk '{ bytes += $1 } END { print int(bytes / 1024) }')
estimated=$(reg_value "$uninstall_key" EstimatedSize)
estimated=$((${estimated:-0}))
[ "$estimated" -le "$kib" ] && [ "$estimated" -ge $((kib - 8)) ] ||
    fail "EstimatedSize is $estimated KiB, the files take $kib KiB"
for program in vanto-update ${flash:+vanto-flash}; do
    answer=$("$wine" "$folder\\$program.exe" --version 2>/dev/null | tr -d '\r')
    [ "$answer" = "$program $version" ] || fail "$program --version answers '$answer'"
done
path_is "$path_before" "the first install"

if [ ${#flash[@]} -ne 0 ]; then
    run_setup /ADDTOPATH
    path_is "$path_before;$folder" "an install with /ADDTOPATH"
    answer=$("$wine" cmd /c "vanto-flash --version" 2>/dev/null | tr -d '\r')
    [ "$answer" = "vanto-flash $version" ] || fail "vanto-flash by its name answers '$answer'"
    run_setup
    path_is "$path_before;$folder" "a repeated install (it keeps the choice)"
    run_setup /ADDTOPATH=no
    path_is "$path_before" "an install with /ADDTOPATH=no"
    # A PATH longer than the installer's strings stays whole, not cut short.
    long=$path_before
    for n in $(seq 1 80); do long="$long;C:\\Tools\\tool$n"; done
    "$wine" reg add "$environment" /v Path /t REG_EXPAND_SZ /d "$long" /f >/dev/null 2>&1
    run_setup /ADDTOPATH
    path_is "$long" "an install with /ADDTOPATH on a PATH of ${#long} characters"
    "$wine" reg add "$environment" /v Path /t REG_EXPAND_SZ /d "$path_before" /f >/dev/null 2>&1
    run_setup /ADDTOPATH
fi

"$wine" "$folder\\uninstall.exe" /S || fail "the silent uninstall failed"
wineserver -w
[ ! -e "$installed" ] || fail "the uninstaller left ${installed#"$WINEPREFIX/"}"
[ ! -e "$menu" ] || fail "the uninstaller left the menu entries"
path_is "$path_before" "the uninstall"
[ $failures -eq 0 ] || { echo "package-windows: $failures problem(s)" >&2; exit 1; }
echo "package-windows: installed silently under wine (size $estimated KiB), programs answer," \
    "${flash:+vanto-flash by its name on the PATH and off again, }uninstalled"

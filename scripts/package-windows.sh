#!/usr/bin/env bash
# The Windows installer and the portable zip: cross-builds the programs
# (scripts/build-windows.sh), puts them with the cabling picture, the README
# and the sample image in a folder, zips that folder and builds the NSIS
# installer from it:
#   BUILD_DIR/vanto-updater-VERSION-setup.exe
#   BUILD_DIR/vanto-updater-VERSION-portable.zip
# With --check, also installs it silently (/S) into a fresh Wine prefix,
# checks the installed files, the menu entries and the uninstall entry, runs
# the installed programs' --version, and uninstalls again.
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

"$wine" "$(winpath "$dir/$name-setup.exe")" /S || fail "the silent install failed ($?)"
wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/VANTO Updater"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VANTO Updater"
for file in "$installed"/{vanto-update.exe,kst_PC.bmp,README.txt,examples/kst.hex,uninstall.exe} \
    "$menu/VANTO Updater.lnk" "$menu/Uninstall VANTO Updater.lnk"; do
    [ -f "$file" ] || fail "not installed: ${file#"$WINEPREFIX/"}"
done
[ ${#flash[@]} -eq 0 ] || [ -f "$installed/vanto-flash.exe" ] || fail "vanto-flash.exe not installed"
"$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VANTO Updater' \
    /v DisplayVersion 2>/dev/null | grep -q "$version" || fail "no uninstall entry for $version"
for program in vanto-update ${flash:+vanto-flash}; do
    answer=$("$wine" "C:\\Program Files\\VANTO Updater\\$program.exe" --version 2>/dev/null | tr -d '\r')
    [ "$answer" = "$program $version" ] || fail "$program --version answers '$answer'"
done

"$wine" "C:\\Program Files\\VANTO Updater\\uninstall.exe" /S || fail "the silent uninstall failed"
wineserver -w
[ ! -e "$installed" ] || fail "the uninstaller left ${installed#"$WINEPREFIX/"}"
[ ! -e "$menu" ] || fail "the uninstaller left the menu entries"
[ $failures -eq 0 ] || { echo "package-windows: $failures problem(s)" >&2; exit 1; }
echo "package-windows: installed silently under wine, programs answer, uninstalled"

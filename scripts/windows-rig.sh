# shellcheck shell=bash
# Sourced by scripts/test-windows.sh and scripts/windows-screenshots.sh: the
# Windows programs and tests cross-built into $dir (GoogleTest from Debian's
# sources, for the tests and wizard_locator.exe), vanto-devsim built for this
# machine into $native/bin, and a Wine prefix whose port map names every port
# from COM1 to COM100, so that no Windows program here reaches the machine's
# serial devices: COM3, COM5, COM8, COM9 and COM12 lead to fixed paths in
# $ports (made afresh here, empty; the caller puts devices there), every other
# port to nothing.
# In: root (the source), dir (the build folder, absolute) and
# VANTO_WINDOWS_PACKAGES (Debian packages the caller needs besides the
# tests'). Out: native, ports, wine and the exported WINEPREFIX.

# The programs and libraries, with everything the tests need installed.
VANTO_WINDOWS_PACKAGES="wine wine64 googletest socat g++ xvfb xdotool ${VANTO_WINDOWS_PACKAGES:-}" \
    scripts/build-windows.sh "$dir"

# GoogleTest, once per build directory.
gtest=$dir/googletest
if [ ! -f "$gtest/install/lib/cmake/GTest/GTestConfig.cmake" ]; then
    cmake -S /usr/src/googletest -B "$gtest/build" -DBUILD_GMOCK=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$gtest/install" >"$gtest.log" 2>&1 || {
        cat "$gtest.log" >&2
        exit 1
    }
    cmake --build "$gtest/build" -j"$(nproc)" >>"$gtest.log"
    cmake --install "$gtest/build" >>"$gtest.log"
fi
scripts/build-windows.sh "$dir" -DVANTO_BUILD_TESTS=ON \
    -DGTest_DIR="$gtest/install/lib/cmake/GTest"

# The simulated device, for this machine.
native=$dir/native
cmake -S . -B "$native" -DVANTO_WERROR=ON -DVANTO_BUILD_WIZARD=OFF -DVANTO_BUILD_TESTS=OFF \
    -DVANTO_BUILD_BENCH=OFF >"$native.log" 2>&1 || {
    cat "$native.log" >&2
    exit 1
}
cmake --build "$native" -j"$(nproc)" --target vanto-devsim >>"$native.log"

# The Wine prefix and its port map. The map points at fixed paths in $ports,
# which the caller's devices make afresh on every run.
export WINEPREFIX=$dir/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=wine
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64  # no 32-bit wine needed
ports=$dir/wine-ports
rm -rf "$ports"
mkdir -p "$ports"
if [ ! -d "$WINEPREFIX/drive_c" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
fi
{
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
    for n in $(seq 1 100); do
        case $n in
            3 | 5 | 8 | 9 | 12) printf '"COM%d"="%s/com%d"\r\n' "$n" "$ports" "$n" ;;
            *) printf '"COM%d"=""\r\n' "$n" ;;
        esac
    done
} >"$dir/wine-ports.reg"
"$wine" regedit /S "$(sed 's|/|\\|g; s|^|Z:|' <<<"$dir/wine-ports.reg")"
wineserver -k 2>/dev/null || true  # the map is read when wine next starts
wineserver -w 2>/dev/null || true
"$wine" cmd /c exit >/dev/null 2>&1
for link in "$WINEPREFIX"/dosdevices/com*; do
    if [ -L "$link" ] && [ "$(basename "$link" | tr -dc 0-9)" -le 100 ] &&
        [[ $(readlink "$link") == /dev/* ]]; then
        echo "windows-rig: $link leads to $(readlink "$link"): refusing to run" >&2
        exit 1
    fi
done

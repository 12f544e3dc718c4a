// The Windows tests run under wine with every COM port they may open mapped
// by scripts/test-windows.sh. Wine on its own gives COM1 and up to the
// machine's serial devices (/dev/ttyS0 is the system console), and the scan
// tries COM1..COM10: so nothing runs unless Wine's port map names COM1 to
// COM100 itself, each one a test's pseudo-terminal or nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Whether every port from COM1 to COM100 is mapped, and none to a /dev device.
bool AllPortsMapped() {
    for (int n = 1; n <= 100; ++n) {
        char szPath[512] = "";
        DWORD nSize = sizeof szPath;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Ports",
                         ("COM" + std::to_string(n)).c_str(), RRF_RT_REG_SZ, nullptr, szPath,
                         &nSize) != ERROR_SUCCESS ||
            std::string(szPath).starts_with("/dev/")) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (!AllPortsMapped()) {
        std::fputs(
            "win32_tests: run me through scripts/test-windows.sh: Wine's COM port map "
            "(HKLM\\Software\\Wine\\Ports) must name COM1..COM100, none a /dev device\n",
            stderr);
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

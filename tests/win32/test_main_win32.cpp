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

bool PortMappedByTheTests(HKEY hPorts, int n) {
    const std::string strName = "COM" + std::to_string(n);
    char szPath[512];
    DWORD nSize = sizeof szPath;
    DWORD nType = 0;
    if (RegQueryValueExA(hPorts, strName.c_str(), nullptr, &nType, reinterpret_cast<BYTE*>(szPath),
                         &nSize) != ERROR_SUCCESS ||
        nType != REG_SZ) {
        return false;
    }
    const std::string strPath(szPath);
    return strPath.empty() || strPath.find("/dev/") != 0;
}

bool AllPortsMapped() {
    HKEY hPorts = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Ports", 0, KEY_QUERY_VALUE, &hPorts) !=
        ERROR_SUCCESS) {
        return false;
    }
    bool bAll = true;
    for (int n = 1; n <= 100 && bAll; ++n) {
        bAll = PortMappedByTheTests(hPorts, n);
    }
    RegCloseKey(hPorts);
    return bAll;
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

// The COM port map: VANTO_COM_PORTS rules and the fallback device scan (run
// against a made-up /dev, /sys and /proc/consoles, never the machine's own).

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/com_port_map.h"
#include "tests/link/fake_device.h"
#include "tests/support/pty_pair.h"

namespace {

namespace fs = std::filesystem;

struct ListCase {
    const char* pszList;
    int n;
    const char* pszPath;
};

const ListCase kListCases[] = {
    {"", 1, ""},  // an empty value: no ports at all
    {"", 2, ""},
    {"/dev/a", 1, "/dev/a"},
    {"/dev/a", 2, ""},  // past the end
    {"/dev/a:/dev/b", 2, "/dev/b"},
    {"/dev/a::/dev/c", 2, ""},  // an empty entry
    {"/dev/a::/dev/c", 3, "/dev/c"},
    {":/dev/b", 1, ""},
    {":/dev/b", 2, "/dev/b"},
    {"/dev/a:", 2, ""},
    {"/dev/a:", 3, ""},
    {"/dev/a", 0, ""},  // COM0 does not exist
    {"/dev/a", -1, ""},
    {"/dev/a", 101, ""},  // neither does COM101
};

TEST(ComPortMap, ListRules) {
    for (const ListCase& row : kListCases) {
        EXPECT_EQ(ComPortPathFromList(row.pszList, row.n), row.pszPath)
            << "'" << row.pszList << "' COM" << row.n;
    }
}

TEST(ComPortMap, Com100IsTheLastEntryThatCounts) {
    std::string strList;
    for (int i = 1; i <= 101; ++i) {
        strList += "/dev/p" + std::to_string(i) + (i < 101 ? ":" : "");
    }
    EXPECT_EQ(ComPortPathFromList(strList, 100), "/dev/p100");
    EXPECT_EQ(ComPortPathFromList(strList, 101), "");
}

TEST(ComPortMap, EnvironmentDecides) {
    {
        ScopedComPorts ports("/dev/x::/dev/z");
        EXPECT_TRUE(ComPortsFromEnvironment());
        EXPECT_EQ(ComPortDevicePath(1), "/dev/x");
        EXPECT_EQ(ComPortDevicePath(2), "");
        EXPECT_EQ(ComPortDevicePath(3), "/dev/z");
        EXPECT_EQ(ComPortDevicePath(4), "");
    }
    // The test main's default: set and empty, so there are no ports at all.
    EXPECT_TRUE(ComPortsFromEnvironment());
    for (int n = 0; n <= 101; ++n) {
        EXPECT_EQ(ComPortDevicePath(n), "") << n;
    }
}

// A made-up system: three families of devices, two phantom ttyS ports and a
// serial console.
class SerialScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::path(::testing::TempDir()) /
                 ("vanto_scan_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "dev");
        fs::create_directories(m_root / "sys");
        m_roots.strDevDir = (m_root / "dev").string();
        m_roots.strSysTtyDir = (m_root / "sys").string();
        m_roots.strConsoles = (m_root / "consoles").string();
    }
    void TearDown() override { fs::remove_all(m_root); }

    void Device(const std::string& strName) { std::ofstream(m_root / "dev" / strName); }
    void UartType(const std::string& strName, int nType) {
        fs::create_directories(m_root / "sys" / strName);
        std::ofstream(m_root / "sys" / strName / "type") << nType << "\n";
    }
    void Consoles(const std::string& strText) { std::ofstream(m_roots.strConsoles) << strText; }
    std::string Dev(const std::string& strName) const {
        return (m_root / "dev" / strName).string();
    }

    fs::path m_root;
    SerialScanRoots m_roots;
};

TEST_F(SerialScanTest, OrderPhantomsAndConsole) {
    for (const char* pszName :
         {"ttyS0", "ttyS1", "ttyS2", "ttyS10", "ttyS3", "ttyUSB10", "ttyUSB2", "ttyUSB0", "ttyACM1",
          "ttyACM0", "ttyUSB", "ttyUSBx1", "tty1", "ttyAMA0", "console"}) {
        Device(pszName);
    }
    UartType("ttyS0", 4);  // a 16550A, but the console
    UartType("ttyS1", 0);  // phantom
    UartType("ttyS2", 4);
    UartType("ttyS3", 0);  // phantom
    UartType("ttyS10", 4);
    Consoles(
        "ttyS0                -W- (EC p  a)    4:64\ntty0                 -WU (E  p  )    4:7\n");
    const std::vector<std::string> expected = {
        Dev("ttyUSB0"), Dev("ttyUSB2"), Dev("ttyUSB10"), Dev("ttyACM0"),
        Dev("ttyACM1"), Dev("ttyS2"),   Dev("ttyS10"),
    };
    EXPECT_EQ(FindSerialDevices(m_roots), expected);
}

TEST_F(SerialScanTest, NothingThere) {
    EXPECT_TRUE(FindSerialDevices(m_roots).empty());
}

TEST_F(SerialScanTest, TtySWithoutTypeCountsWhenADeviceIsBehindIt) {
    Device("ttyS0");
    Device("ttyS1");
    fs::create_directories(m_root / "sys" / "ttyS0" / "device");
    fs::create_directories(m_root / "sys" / "ttyS1");
    EXPECT_EQ(FindSerialDevices(m_roots), std::vector<std::string>{Dev("ttyS0")});
}

TEST(ConsoleDevice, ConsoleNumbersAreRecognised) {
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    struct stat st {};
    ASSERT_EQ(stat(pty.SlavePath().c_str(), &st), 0);
    const std::string strConsoles =
        ::testing::TempDir() + "vanto_consoles_" + std::to_string(::getpid());
    std::ofstream(strConsoles) << "ttyS0 -W- (EC p a) 4:64\n";
    EXPECT_TRUE(IsConsoleDevice(makedev(4, 64), strConsoles));
    EXPECT_TRUE(IsConsoleDevice(makedev(5, 1), strConsoles));  // /dev/console
    EXPECT_TRUE(IsConsoleDevice(makedev(4, 0), strConsoles));  // /dev/tty0
    EXPECT_TRUE(IsConsoleDevice(makedev(5, 0), strConsoles));  // /dev/tty
    EXPECT_FALSE(IsConsoleDevice(st.st_rdev, strConsoles));
    std::ofstream(strConsoles) << "pts -W- (EC p a) " << major(st.st_rdev) << ":"
                               << minor(st.st_rdev) << "\n";
    EXPECT_TRUE(IsConsoleDevice(st.st_rdev, strConsoles));
    std::remove(strConsoles.c_str());
}

}  // namespace

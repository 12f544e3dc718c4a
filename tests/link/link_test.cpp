#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>
#include <sstream>
#include <thread>

#include "link/com_port_map.h"
#include "link/port_open_failure.h"
#include "link/update_engine.h"
#include "tests/support/devsim_process.h"
#include "tests/support/hex_bytes.h"
#include "tests/support/pty_pair.h"

namespace {

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Exact frames; a block's 256 data bytes (fill + i * step) go between header
// and checksum. Only blocks add to the byte total, which wraps at 2^32.
struct FrameRow {
    uint8_t nCode, nSequence, nFill, nStep;
    uint32_t dwAddress, dwTotalBefore, dwTotalAfter;
    const char* pszBytes;
};
const FrameRow kFrameRows[] = {
    {CMD_WRITE_BLOCK, 0x00, 0xFF, 0, 0, 0, 65280, "0A 20 01 06 00 FF 00 00 00 00  00 30"},
    {CMD_WRITE_BLOCK, 0x01, 0x00, 1, 0x12345678, 0, 0x7F80, "0A 20 01 06 01 FE 12 34 56 78  81 C4"},
    {CMD_WRITE_BLOCK, 0xFF, 0xFF, 0, 0xFF00, ~0xFFu, 0xFE00,
     "0A 20 01 06 FF 00 00 00 FF 00  01 2F"},
    {CMD_IDENTIFY, 0, 0, 0, 0, 0, 0, "0A 19 00 05 56 41 4E 54 4F 01 B0"},
    {CMD_FINISH, 0, 0, 0, 0, 0, 0, "0A 21 00 01 43 00 6F"},  // sequence field: the finish flag
    {CMD_FINISH, 1, 0, 0, 0, 0, 0, "0A 21 00 05 4F 00 00 00 00 00 7F"},
    {CMD_FINISH, 0x80, 0, 0, 0, 0x12345678, 0x12345678, "0A 21 00 05 4F 12 34 56 78 01 93"},
};

TEST(Frames, ExactBytes) {
    CUpdateEngine engine;  // the test main maps no COM ports: the port stays closed
    EXPECT_FALSE(engine.m_pPort->IsOpen());
    for (const FrameRow& row : kFrameRows) {
        std::vector<uint8_t> expected = Hex(row.pszBytes);
        for (int i = 0; i < 256; ++i) {
            engine.m_blockData[i] = static_cast<uint8_t>(row.nFill + i * row.nStep);
        }
        if (row.nCode == CMD_WRITE_BLOCK) {
            expected.insert(expected.begin() + 10, engine.m_blockData, engine.m_blockData + 256);
        }
        engine.m_nSequence = engine.m_bFinishOk = row.nSequence;
        engine.m_dwAddress = row.dwAddress;
        engine.m_dwByteTotal = row.dwTotalBefore;
        engine.BuildFrame(row.nCode);
        EXPECT_EQ(std::vector(engine.m_txFrame, engine.m_txFrame + engine.m_nFrameLen), expected);
        EXPECT_EQ(engine.m_dwByteTotal, row.dwTotalAfter) << row.pszBytes;
    }
}

constexpr uint8_t kAbort = 0;  // in an exchange row: AbortTransfer

// COM1 is a link to a fresh pty, an adapter that the test may pull and plug
// back; the engine's constructor opens it, the test plays the device.
class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlugIn();
        UsePorts(m_strLink);
        m_pEngine = std::make_unique<CUpdateEngine>();
        ASSERT_EQ(m_pEngine->m_pPort->PortNumber(), 1);
        std::memset(m_pEngine->m_blockData, 0xFF, 256);  // a rebuilt block would add again
    }
    void TearDown() override { UsePorts(""); }
    static void UsePorts(const std::string& strList) {
        setenv("VANTO_COM_PORTS", strList.c_str(), 1);
    }
    // Plugged in: a new pty behind the same link. Pulled: the link removed and
    // the pty's master closed (the device hangs up).
    void PlugIn() {
        m_pPty = std::make_unique<PtyPair>();
        std::filesystem::remove(m_strLink);
        std::filesystem::create_symlink(m_pPty->SlavePath(), m_strLink);
    }
    void Pull() {
        std::filesystem::remove(m_strLink);
        m_pPty->CloseMaster();
    }

    // SendCommand (for kAbort: AbortTransfer, after a commit) while the device
    // answers frame k with script[k] ("" is silence, "HANGUP" goes away); every
    // attempt is the same frame and adds no byte total.
    int Exchange(uint8_t nCode, const std::vector<std::string>& script) {
        const bool bAbort = nCode == kAbort;
        m_pEngine->m_bFinishOk = bAbort;  // the abort form whatever the last finish was
        m_pEngine->BuildFrame(bAbort ? CMD_FINISH : nCode);
        const std::vector built =
            bAbort
                ? Hex("0A 21 00 01 43 00 6F")
                : std::vector(m_pEngine->m_txFrame, m_pEngine->m_txFrame + m_pEngine->m_nFrameLen);
        const uint32_t dwTotal = m_pEngine->m_dwByteTotal;
        std::vector<std::vector<uint8_t>> frames;
        std::thread device([&] {
            for (const std::string& strStep : script) {
                frames.push_back(m_pPty->ReadMaster(built.size(), 3000));
                if (strStep == "HANGUP") {
                    // Gone once the frame has left the line, before any answer.
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    return m_pPty->CloseMaster();
                }
                m_pPty->WriteMaster(Hex(strStep));
            }
        });
        const int nResult = bAbort ? m_pEngine->AbortTransfer() : m_pEngine->SendCommand();
        device.join();
        EXPECT_EQ(frames, std::vector<std::vector<uint8_t>>(script.size(), built));
        EXPECT_TRUE(m_pPty->ReadMaster(1, 20).empty()) << "more attempts than answers";
        EXPECT_EQ(m_pEngine->m_dwByteTotal, dwTotal);
        return nResult;
    }

    const CTempDir m_dir;
    const std::string m_strLink = m_dir.File("com1");
    std::unique_ptr<PtyPair> m_pPty;
    std::unique_ptr<CUpdateEngine> m_pEngine;
};

// Command, the device's answer to each attempt (attempts = answers), result,
// status: when a command is sent again and what it returns; the abort finish
// is written once and never resent, whatever comes back. The rules of a
// single reply are the receiver's own table (reply_receiver_test.cpp).
const std::tuple<uint8_t, std::vector<std::string>, int, uint8_t> kExchangeRows[] = {
    {kAbort, {"A1 00 00 00 A1"}, UPD_OK, 1},
    {kAbort, {""}, UPD_NO_RESPONSE, 1},
    {kAbort, {"E1 00 01 03 00 E5"}, UPD_CHECKSUM_ERROR, 3},
    {CMD_IDENTIFY, {"99 00 00 00 99"}, UPD_OK, 1},
    {CMD_IDENTIFY, {"D9 00 01 03 00 DD"}, UPD_CHECKSUM_ERROR, 3},
    {CMD_IDENTIFY, {"D9 00 01 02 00 DC", "D9 00 01 02 00 DC"}, 2, 2},
    {CMD_IDENTIFY, {"99 00 00 00 98", "99 00 00 00 98"}, UPD_TRANSMISSION_ERROR, 1},
    {CMD_IDENTIFY, {"", "99 00 00 00 99"}, UPD_OK, 1},
    {CMD_IDENTIFY, {"", ""}, UPD_NO_RESPONSE, 1},
    {CMD_IDENTIFY, {"99 02 01 99 00 00 00 99", "D9 00 01 05 00 DF"}, 5, 5},  // 513: purged
    {CMD_WRITE_BLOCK, {"E0 00 01 04 00 E5"}, UPD_FLASH_ADDRESS_ERROR, 4},
    {CMD_WRITE_BLOCK, {"E0 00 01 02 00 E3", "E0 00 01 01 00 E2"}, UPD_OK, 1},
    {CMD_IDENTIFY, {"HANGUP"}, UPD_NO_RESPONSE, 1},  // no reply, then the write fails
    {CMD_IDENTIFY, {}, UPD_PORT_WRITE_FAILED, 1},    // hung up: both writes fail
};

TEST_F(LinkTest, ReplyCases) {
    for (const auto& [nCode, script, nResult, nStatus] : kExchangeRows) {
        SCOPED_TRACE(::testing::PrintToString(script));
        EXPECT_EQ(Exchange(nCode, script), nResult);
        EXPECT_EQ(m_pEngine->m_nStatus, nStatus);
    }
}

// Silence: each empty read costs 210 ms plus the 100 ms pause, then the time-out
// is tested. Endless foreign bytes time out too; closing the port or the device
// hanging up ends it at once.
TEST_F(LinkTest, ReceiveTimeOuts) {
    enum { kSilent, kChatter, kClose, kHangUp };
    const std::tuple<uint8_t, int, int> kRows[] = {
        {CMD_IDENTIFY, 310, kSilent},     {CMD_FINISH, 930, kSilent},
        {CMD_WRITE_BLOCK, 1550, kSilent}, {CMD_IDENTIFY, 200, kChatter},
        {CMD_WRITE_BLOCK, 150, kClose},   {CMD_WRITE_BLOCK, 150, kHangUp}};
    for (const auto& [nCode, nExpectedMs, nPeer] : kRows) {
        std::atomic<bool> bStop{false};
        std::thread peer([&, nPeer = nPeer] {
            for (int nMs = 0; !bStop; nMs += 2) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                if (nPeer == kChatter) {
                    m_pPty->WriteMaster(Hex("55"));
                } else if (nPeer == kClose && nMs == 150) {
                    m_pEngine->m_pPort->Close();
                } else if (nPeer == kHangUp && nMs == 150) {
                    m_pPty->CloseMaster();
                }
            }
        });
        m_pEngine->m_pPort->Open(1);  // again, after the row that closed it
        m_pEngine->BuildFrame(nCode);
        const auto start = Clock::now();
        EXPECT_EQ(m_pEngine->ReceiveReply(), UPD_NO_RESPONSE);
        EXPECT_GE(MsSince(start), nExpectedMs - 60);
        EXPECT_LE(MsSince(start), nExpectedMs + 600);
        bStop = true;
        peer.join();
    }
}

// Opens COM1 in a child process: 1 when it opened, 2 when it was refused as
// in use by this (the parent) process, 0 when refused for another cause.
int OpenInAnotherProcess() {
    const pid_t nParent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        CComPort port;
        if (port.Open(1) == 1) {
            _exit(1);
        }
        const SPortOpenFailure failure = port.LastOpenFailure();
        const std::string strParent = "(pid " + std::to_string(nParent) + ")";
        _exit(failure.eKind == EPortOpenFailure::InUse &&
                      failure.strHolder.find(strParent) != std::string::npos
                  ? 2
                  : 0);
    }
    int nStatus = 0;
    return waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}

// Refused: 0, above 100, the open port (held here or by another process), a
// missing path, an empty entry, no tty, a directory, past the end, each with
// its cause. COM1 -> COM100 frees COM1 once COM100 is set up; so do Close and
// the destructor. A second process is refused a port this one holds open
// without a lock (the test's own end of the pty).
TEST_F(LinkTest, OpenRules) {
    CComPort& port = *m_pEngine->m_pPort;
    UsePorts(m_pPty->SlavePath() + ":/nonexistent/ttyX::/dev/null:/tmp");
    using enum EPortOpenFailure;
    // 0, past COM100 and the port open now are refused before a device file is tried.
    const std::pair<uint8_t, EPortOpenFailure> kRefused[] = {
        {0, None},       {101, None},         {255, None},         {1, None},      {2, NoSuchPort},
        {3, NoSuchPort}, {4, NotASerialPort}, {5, NotASerialPort}, {6, NoSuchPort}};
    for (const auto& [n, eCause] : kRefused) {
        EXPECT_EQ(port.Open(n), 0) << int(n);
        EXPECT_EQ(port.PortNumber(), 1);
        EXPECT_EQ(port.LastOpenFailure().eKind, eCause) << int(n);
    }
    CComPort second;
    EXPECT_EQ(second.Open(1), 0);
    EXPECT_EQ(second.LastOpenFailure().eKind, InUse);
    EXPECT_EQ(second.LastOpenFailure().strHolder, "");
    EXPECT_EQ(OpenInAnotherProcess(), 2);
    // Every byte value, each way: no CR/LF mapping, no XON/XOFF, no echo.
    std::vector<uint8_t> all(256), got(256);
    std::iota(all.begin(), all.end(), 0);
    ASSERT_EQ(port.Write(all.data(), 256), 1);
    EXPECT_EQ(m_pPty->ReadMaster(257, 300), all);
    ASSERT_TRUE(m_pPty->WriteMaster(all));
    for (int n = 0, nRead = 1; n < 256 && nRead > 0; n += nRead) {
        nRead = port.Read(got.data() + n, 256 - n);
    }
    EXPECT_EQ(got, all);
    uint8_t b = 0;
    EXPECT_EQ(port.Write(nullptr, 0), 1);
    EXPECT_EQ(port.Write(nullptr, 5) + port.Read(nullptr, 1) + port.Read(&b, 0), 0);
    PtyPair pty100;
    CComPort mapped;  // its own map, whatever the environment says
    mapped.UsePortMap(
        std::make_shared<CComPortMap>(std::vector<std::string>{"", pty100.SlavePath()}));
    EXPECT_EQ(mapped.DevicePath(2), pty100.SlavePath());
    EXPECT_EQ(mapped.Open(1) * 10 + mapped.Open(2) + mapped.Close(), 2);
    UsePorts(m_pPty->SlavePath() + std::string(99, ':') + pty100.SlavePath());
    ASSERT_EQ(port.Open(100), 1);
    EXPECT_EQ(OpenInAnotherProcess(), 2);  // only the test's own pty end holds it now
    m_pPty->CloseSlave();
    EXPECT_EQ(OpenInAnotherProcess(), 1);
    EXPECT_EQ(port.Close() + port.Close() + port.Write(&b, 1) + port.Read(&b, 1) + port.Open(2), 2);
    ASSERT_EQ(port.Open(100), 1);
    m_pEngine.reset();
    EXPECT_EQ(CComPort().Open(100), 1);
}

// Raw 38400 8N1 without flow control, the tty's own settings back on close. A
// late reply that came before a write is gone after it; what comes after the
// write is kept; a reply leaves the byte after it on the line.
TEST_F(LinkTest, LineSettingsAndPurge) {
    CComPort& port = *m_pEngine->m_pPort;
    port.Close();
    termios before{}, t{}, after{};
    tcgetattr(m_pPty->SlaveFd(), &before);
    before.c_cflag |= CRTSCTS | PARENB;
    cfsetspeed(&before, B9600);
    tcsetattr(m_pPty->SlaveFd(), TCSANOW, &before);
    tcgetattr(m_pPty->SlaveFd(), &before);
    ASSERT_EQ(port.Open(1), 1);
    tcgetattr(m_pPty->SlaveFd(), &t);
    EXPECT_EQ(cfgetospeed(&t), speed_t{B38400});
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD),
              tcflag_t{CS8 | CLOCAL | CREAD});
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY) || t.c_cc[VMIN] || t.c_cc[VTIME], false);
    ASSERT_TRUE(m_pPty->WriteMaster(Hex("99 00 00 00 99")));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    uint8_t b = 0x19;
    ASSERT_EQ(port.Write(&b, 1), 1);
    EXPECT_EQ(m_pPty->ReadMaster(2, 300), Hex("19"));
    EXPECT_EQ(port.Read(&b, 1), 0);  // purged, and nothing since
    // A reply is taken off the line and nothing after it: the byte that
    // follows is there for the next read.
    ASSERT_TRUE(m_pPty->WriteMaster(Hex("99 00 00 00 99 42")));
    m_pEngine->BuildFrame(CMD_IDENTIFY);
    EXPECT_EQ(m_pEngine->ReceiveReply(), UPD_OK);
    EXPECT_EQ(port.Read(&b, 1) * b, 0x42);
    port.Close();
    tcgetattr(m_pPty->SlaveFd(), &after);
    EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
}

// A worker blocked in Read or Write returns 0 within 100 ms when another
// thread closes the port or the device hangs up; then no call waits.
TEST_F(LinkTest, BlockedCallsWake) {
    CComPort& port = *m_pEngine->m_pPort;
    const std::vector<uint8_t> big(1 << 20, 0x55);  // more than the pty's queues hold
    uint8_t b = 0;
    const std::function<int()> read = [&] { return port.Read(&b, 1); };
    const std::function<int()> write = [&] { return port.Write(big.data(), int(big.size())); };
    const std::function<void()> close = [&] { port.Close(); };
    const std::function<void()> hangUp = [&] { m_pPty->CloseMaster(); };
    for (const auto& [call, wake] : {std::pair{read, close}, {write, close}, {read, hangUp}}) {
        port.Open(1);
        std::atomic<int> nResult{-1};
        std::thread worker([&] { nResult = call(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_EQ(nResult, -1);
        const auto start = Clock::now();
        wake();
        worker.join();
        EXPECT_EQ(nResult, 0);
        EXPECT_EQ(read() + write() + read(), 0);
        EXPECT_LT(MsSince(start), 100);
    }
    EXPECT_EQ(port.PortNumber(), 1);
}

// The device goes away while the port is idle or during a write (a blocked
// read or a reply wait that it ends are above): each is noticed, by the write
// it lands in, and for an idle port by ReopenIfFailed. While the device is
// gone the reopen fails; once it is back, ReopenIfFailed opens COM1 afresh
// and the exchange works.
TEST_F(LinkTest, HangUpNoticedThenTheSamePortReopens) {
    CComPort& port = *m_pEngine->m_pPort;
    const std::vector<uint8_t> big(1 << 20, 0x55);  // more than the pty's queues hold
    for (const bool bInWrite : {false, true}) {
        SCOPED_TRACE(bInWrite);
        if (bInWrite) {
            std::thread pull([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                Pull();
            });
            EXPECT_EQ(port.Write(big.data(), int(big.size())), 0);
            pull.join();
        } else {
            Pull();
        }
        EXPECT_EQ(port.HasFailed(), bInWrite);  // idle: nothing on the line noticed it
        EXPECT_EQ(port.ReopenIfFailed(), 0);    // still gone: nothing to open
        EXPECT_EQ(port.PortNumber(), 0);
        PlugIn();
        EXPECT_EQ(port.ReopenIfFailed(), 1);
        EXPECT_EQ(port.PortNumber(), 1);
        EXPECT_FALSE(port.HasFailed());
        EXPECT_EQ(Exchange(CMD_IDENTIFY, {"99 00 00 00 99"}), UPD_OK);
        EXPECT_EQ(port.ReopenIfFailed(), 1);  // a healthy port is left as it is
    }
}

// The fallback scan on a made-up /dev, /sys and /proc/consoles: family and
// numeric order; phantom ttyS ports (no type, type 0) and consoles left out.
// A device file finds its COMn under any name; one the map lacks goes after
// its last port, and none once COM100 is taken.
TEST(ComPortMap, SerialScanAndDeviceFiles) {
    const CTempDir dir;
    const std::filesystem::path root = dir.Path();
    std::istringstream files(
        "dev/ttyS0 dev/ttyS1 dev/ttyS2 dev/ttyS10 dev/ttyUSB10 dev/ttyUSB2 dev/ttyUSBx dev/ttyACM0 "
        "sys/ttyS0/type=4 sys/ttyS1/type=0 sys/ttyS10/device/x consoles=ttyS0");
    for (std::string strFile; files >> strFile;) {
        const std::filesystem::path path = root / strFile.substr(0, strFile.find('='));
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << strFile.substr(std::min(strFile.find('='), strFile.size() - 1) + 1);
    }
    EXPECT_EQ(FindSerialDevices({root / "dev", root / "sys", root / "consoles"}),
              (std::vector<std::string>{root / "dev/ttyUSB2", root / "dev/ttyUSB10",
                                        root / "dev/ttyACM0", root / "dev/ttyS10"}));
    CComPortMap map(FindSerialDevices({root / "dev", root / "sys", root / "consoles"}));
    std::filesystem::create_symlink(root / "dev/ttyUSB10", root / "by-id");
    EXPECT_EQ(map.PortOf(root / "by-id") * 10 + map.PortOf(root / "dev/ttyS1"), 20);
    EXPECT_EQ(map.Add(root / "dev/ttyS1") * 10 + map.Add(root / "dev/ttyS1"), 55);
    CComPortMap listed = CComPortMap::FromList("/a::/b:");
    EXPECT_EQ(listed.DevicePath(2) + listed.DevicePath(3) + listed.DevicePath(4), "/b");
    EXPECT_EQ(listed.Add("/c") * 10 + listed.Add("/a"), 41);
    EXPECT_EQ(listed.DevicePath(4), "/c");
    EXPECT_EQ(CComPortMap::FromList(std::string(99, ':') + "/x").Add("/y"), 0);
}

// What a refused open reports of the device file, as the port finds it: mode,
// owner, group, whether the user database and this process have that group,
// a pseudo-terminal or a USB adapter (by name, behind any link). Root's own
// groups make the standings: it is in root, and in nogroup neither way.
TEST(OpenFailure, DeviceAccessFacts) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to give device files other owners";
    }
    PtyPair rootsPty, othersPty;
    const CTempDir dir;
    const std::string strUsb = dir.File("ttyUSB0");
    ASSERT_EQ(mknod(strUsb.c_str(), S_IFCHR | 0600, makedev(188, 0)), 0);
    std::filesystem::create_symlink(strUsb, dir.File("by-id"));
    // The path, the owner, group and mode to give it; the facts: mode owner
    // group, then owner/listed/has/pty/usb as 0 or 1.
    const std::tuple<std::string, uid_t, gid_t, mode_t, std::string> kRows[] = {
        {rootsPty.SlavePath(), 0, 0, 0620, "620 root root 11110"},
        {othersPty.SlavePath(), 0, 65534, 0600, "600 root nogroup 10010"},
        {dir.File("by-id"), 65534, 65534, 0660, "660 nobody nogroup 00001"},
        {dir.File("none"), 0, 0, 0, "-"},
    };
    for (const auto& [strPath, nOwner, nGroup, nMode, strFacts] : kRows) {
        if (nMode != 0) {
            ASSERT_EQ(chown(strPath.c_str(), nOwner, nGroup) + chmod(strPath.c_str(), nMode), 0);
        }
        const SDeviceAccess a = ExamineDeviceAccess(strPath);
        char szFacts[128] = "-";
        if (a.bExamined) {
            std::snprintf(szFacts, sizeof szFacts, "%o %s %s %d%d%d%d%d", a.nMode,
                          a.strOwner.c_str(), a.strGroup.c_str(), a.bUserIsOwner,
                          a.bUserListedInGroup, a.bProcessHasGroup, a.bPseudoTerminal,
                          a.bUsbAdapter);
        }
        EXPECT_EQ(szFacts, strFacts) << strPath;
    }
}

}  // namespace

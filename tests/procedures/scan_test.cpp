#include <gtest/gtest.h>

#include <cerrno>

#include "tests/procedures/rig.h"

namespace {

const std::string kNext = std::to_string(PSWIZB_BACK | PSWIZB_NEXT);
const auto Log = ScanLog;

struct ScanCase {
    const char* pszName;
    const char* pszPorts;  // see CRig::Start
    const char* pszDevsimArgs;
    int nSinglePort;                    // 0: COM1..COM10
    bool bStop;                         // "Stop" pressed while COM2's "Not Available" is logged
    std::string strLog;                 // "%h": the port the test locked
    long nSilentFrames, nDeviceFrames;  // identify frames on the wire
    std::string strUnusable = "";       // the status's line below its two questions
    bool bThenSwitchedOff = false;      // the device, then a second scan
    friend void PrintTo(const ScanCase& c, std::ostream* pOut) { *pOut << c.pszName; }
};

// A port that is there but cannot be used says why, below its line; a port
// that does not exist needs no words. Without a device the status names the
// first such port.
const std::string kNull = "    /dev/null: not a serial port\r\n",
                  kHeld = "    %h: " + std::string(kPortInUse) + "\r\n";

// Six calls of two tries per silent port; a device answering the fourth call;
// a stop while passing absent ports makes one call at the next open port and
// asks no further one.
const ScanCase kScans[] = {
    {"DeviceAfterAbsentAndSilent", "asd", "", 0, false, Log(1, "asd"), 12, 1},
    {"DeviceAnswersLate", "ds", "--answer-identify-from 7", 0, false, Log(1, "d"), 0, 7},
    {"NoPortExists", "", "", 0, false, Log(1, "aaaaaaaaaa"), 0, 0},
    {"DeviceNeverAnswers", "d", "--never-answer", 0, false, Log(1, "saaaaaaaaa"), 0, 12},
    {"SinglePortAbsent", "daa", "", 3, false, Log(3, "a"), 0, 0},
    {"SinglePortWithDevice", "sd", "", 2, false, Log(2, "d"), 0, 1},
    {"StopThenSilentPort", "aaasd", "", 0, true, Log(3, "as"), 2, 0},
    {"StopThenDevice", "aaads", "", 0, true, Log(3, "ad"), 0, 1},
    {"UnusablePortsThenDevice", "nhad", "", 0, false,
     Log(1, "a") + kNull + Log(2, "a") + kHeld + Log(3, "ad"), 0, 1},
    {"UnusablePortsWithoutDevice", "ahn", "", 0, false,
     Log(1, "aa") + kHeld + Log(3, "a") + kNull + Log(4, "aaaaaaa"), 0, 0,
     Formatted(kStatusPortUnusable, 2, kShortInUse)},
    {"FailureAfterSuccess", "d", "", 0, false, Log(1, "d"), 0, 1, "", true},
};

// One row per process (ctest runs them side by side): the rig changes the
// working directory.
class ScanRuns : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanRuns, LogStatusAndWire) {
    const ScanCase& c = GetParam();
    CRig rig;
    ASSERT_TRUE(rig.Start(c.pszPorts, c.pszDevsimArgs));
    rig.setup.SetSinglePort(c.nSinglePort);
    rig.setupView.OnInitDialog();
    rig.page.strPauseAt = c.bStop ? Log(2, "a") : "";
    rig.setup.OnScanDevice();
    if (c.bStop) {
        rig.page.isPaused.wait();
        rig.setup.OnScanDevice();
        rig.setup.OnScanDevice();  // again while it stops: no second scan
        EXPECT_EQ(rig.page.Text(IDC_SCAN_LOG), "");
        // One worker on the link: no run starts before the scan has ended.
        WriteIntelHexFile("kst.hex", 0, PatternBytes(300));
        rig.prog.OnStartProgramming();
        EXPECT_FALSE(rig.prog.IsRunning());
        EXPECT_EQ(rig.page.All("text", IDC_PROG_STATUS), Strings{kScanStillRunning});
        rig.page.released.set_value();
    }
    rig.setup.WaitForScan();
    const bool bFound = c.strLog.ends_with("--Device Found\r\n");
    std::string strLog = c.strLog;
    if (const size_t nHeld = strLog.find("%h"); nHeld != std::string::npos) {
        strLog.replace(nHeld, 2, rig.held.front()->SlavePath());
    }
    EXPECT_EQ(rig.page.All("text", IDC_SCAN_BUTTON),
              (Strings{kScanButton, kStopButton, kStopButton, kScanButton}));
    EXPECT_EQ(rig.page.Text(IDC_SCAN_LOG), strLog);
    EXPECT_EQ(rig.page.Text(IDC_SETUP_STATUS),
              bFound ? kDeviceFound
                     : kDeviceNotFound + (c.strUnusable.empty() ? "" : "\r\n" + c.strUnusable));
    EXPECT_TRUE(rig.setup.m_bScanning.load() == 0 && rig.LinkFree());
    EXPECT_EQ(rig.app.m_bDeviceFound.load(), bFound ? 1 : 0);
    EXPECT_EQ(rig.page.All("buttons"), bFound ? Strings{kNext} : Strings{});
    EXPECT_EQ(rig.OpenPort(), bFound ? static_cast<int>(std::string(c.pszPorts).find('d')) + 1 : 0);
    EXPECT_EQ(rig.SilentBytes(), c.nSilentFrames * kIdentifyBytes);
    EXPECT_EQ(rig.DeviceSaw("IDENTIFY"), c.nDeviceFrames);  // (and the device is off)
    if (c.bThenSwitchedOff) {  // the failed scan leaves no port open; Next stays allowed
        rig.setup.OnScanDevice();
        rig.setup.WaitForScan();
        EXPECT_EQ(rig.page.Text(IDC_SCAN_LOG) + rig.page.Text(IDC_SETUP_STATUS),
                  Log(1, "aaaaaaaaaa") + kDeviceNotFound);
        EXPECT_EQ(rig.app.m_bDeviceFound.load() * 10 + rig.OpenPort(), 10);
        rig.setup.OnSetActive();
        EXPECT_EQ(rig.page.All("buttons"), (Strings{kNext, kNext}));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ScanRuns, ::testing::ValuesIn(kScans),
                         [](const auto& row) { return std::string(row.param.pszName); });

// A refusal for lack of permission, from the facts the port found about the
// device file: the cause names its group or its mode, the advice fits (join
// the group, renew the login, nothing for someone else's terminal), a USB
// adapter hears of the udev rule, and the status names the port.
TEST(Scan, PermissionDeniedFromFacts) {
    enum EStanding { kOut, kListed, kInProcess };  // the user and the file's group
    enum EPlace { kUart, kUsbAdapter, kPty, kUnexamined };
    const auto facts = [](unsigned nMode, const char* pszOwner, const char* pszGroup,
                          EStanding eStanding, EPlace ePlace) {
        SDeviceAccess access;
        access.bExamined = ePlace != kUnexamined;
        access.nMode = nMode, access.strOwner = pszOwner, access.strGroup = pszGroup;
        access.bUserListedInGroup = eStanding != kOut;
        access.bProcessHasGroup = eStanding == kInProcess;
        access.bPseudoTerminal = ePlace == kPty;
        access.bUsbAdapter = ePlace == kUsbAdapter || ePlace == kUnexamined;
        return access;
    };
    const std::string kUsb = kPortUdevRule;
    const struct {
        SDeviceAccess access;
        std::string strCause;
        Strings advice;
    } kRows[] = {
        {facts(0660, "root", "dialout", kOut, kUsbAdapter),
         Formatted(kPortNotInGroup, "dialout"),
         {Formatted(kPortJoinGroup, "dialout"), kUsb}},
        {facts(0660, "root", "dialout", kListed, kUart),
         Formatted(kPortJoinedAfterLogin, "dialout"),
         {Formatted(kPortRenewLogin, "dialout")}},
        {facts(0660, "root", "dialout", kInProcess, kUart),
         Formatted(kPortModeKeepsOut, "crw-rw---- root dialout"),
         {}},
        {facts(0600, "root", "root", kOut, kUsbAdapter),
         Formatted(kPortModeKeepsOut, "crw------- root root"),
         {kUsb}},
        {facts(0620, "alice", "tty", kListed, kPty),
         Formatted(kPortOtherUsersTerminal, "crw--w---- alice tty"),
         {}},
        {facts(0, "", "", kOut, kUnexamined), kPortPermissionDenied, {kUsb}},
    };
    for (const auto& row : kRows) {
        CRecorder page;
        CSetupPageView view(page);
        view.ScanBegun();
        SPortAttempt refused;
        refused.nPort = 2, refused.strDevice = "/dev/ttyX";
        refused.failure = {EPortOpenFailure::PermissionDenied, "/dev/ttyX", EACCES, "", row.access};
        view.PortTried(refused);
        view.ScanEnded({});
        std::string strLog = Log(2, "a") + "    /dev/ttyX: " + row.strCause + "\r\n";
        for (const std::string& strAdvice : row.advice) {
            strLog += "      " + strAdvice + "\r\n";
        }
        EXPECT_EQ(page.Text(IDC_SCAN_LOG), strLog);
        EXPECT_EQ(page.Text(IDC_SETUP_STATUS),
                  std::string(kDeviceNotFound) + "\r\n" +
                      Formatted(kStatusPortUnusable, 2, kShortPermissionDenied));
    }
}

}  // namespace

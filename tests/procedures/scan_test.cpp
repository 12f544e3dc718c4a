#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "link/update_engine.h"
#include "tests/procedures/devsim_fixture.h"
#include "wizard/setup.h"

namespace {

const char kFoundStatus[] = "The device is found, Press \" Next \" to continue";
const char kNotFoundStatus[] =
    "Is the device power on and in update mode?\r\nIs cable connection is good?";

std::string NotAvailableLines(int nFirst, int nLast) {
    std::string strLog;
    for (int n = nFirst; n <= nLast; ++n) {
        strLog += "COM Port" + std::to_string(n) + "--Not Available\r\n";
    }
    return strLog;
}

struct ScanCase {
    const char* pszName;
    const char* pszPorts;  // see CComPortRow
    std::vector<std::string> devsimArgs;
    int nSinglePort;  // 0: COM1..COM10
    std::string strLog;
    bool bFound;
    long nSilentIdentifyFrames;  // identify frames the silent ports received
    int nDeviceIdentifyFrames;   // identify frames the device received
};

// Scans that run to their end without a press.
const ScanCase kScanCases[] = {
    {"device on COM3 behind an absent and a silent port",
     "asd",
     {},
     0,
     "COM Port1--Not Available\r\nCOM Port2--Device Not Found\r\nCOM Port3--Device Found\r\n",
     true,
     12,
     1},
    {"device answers the fourth identify call",
     "ds",
     {"--answer-identify-from", "7"},
     0,
     "COM Port1--Device Found\r\n",
     true,
     0,
     7},
    {"no port exists", "", {}, 0, NotAvailableLines(1, 10), false, 0, 0},
    {"device that never answers",
     "d",
     {"--never-answer"},
     0,
     "COM Port1--Device Not Found\r\n" + NotAvailableLines(2, 10),
     false,
     0,
     12},
    {"single port that does not exist", "daa", {}, 3, "COM Port3--Not Available\r\n", false, 0, 0},
    {"single port with the device", "sd", {}, 2, "COM Port2--Device Found\r\n", true, 0, 1},
};

TEST(Scan, RunsToTheEnd) {
    for (const ScanCase& c : kScanCases) {
        SCOPED_TRACE(c.pszName);
        CComPortRow ports;
        ASSERT_TRUE(ports.Setup(c.pszPorts, c.devsimArgs));
        CProcedureRig rig;
        rig.app.CreateEngine();
        CSetup setup(rig.app, rig.page);
        setup.SetSinglePort(c.nSinglePort);
        setup.OnInitDialog();
        setup.OnScanDevice();
        setup.WaitForScan();
        // "Stop" from the press until the scan has ended.
        const std::vector<std::string> buttonTexts = {"Scan Device", "Stop", "Stop", "Scan Device"};
        EXPECT_EQ(rig.page.TextHistory(IDC_SCAN_BUTTON), buttonTexts);

        EXPECT_EQ(rig.page.Text(IDC_SCAN_LOG), c.strLog);
        EXPECT_EQ(rig.page.Text(IDC_SETUP_STATUS), c.bFound ? kFoundStatus : kNotFoundStatus);
        EXPECT_EQ(rig.page.Text(IDC_SCAN_BUTTON), "Scan Device");
        EXPECT_TRUE(rig.page.IsShown(IDC_SCAN_LOG));
        EXPECT_EQ(setup.m_bScanning.load(), 0);
        EXPECT_EQ(rig.app.m_bDeviceFound.load(), c.bFound ? 1 : 0);
        EXPECT_EQ(rig.sheet.Requests(), c.bFound ? std::vector<unsigned>{PSWIZB_BACK | PSWIZB_NEXT}
                                                 : std::vector<unsigned>{});
        // The device's port stays open for the programming run; after a
        // failed scan no port is open.
        const int nOpenPort =
            c.bFound ? static_cast<int>(std::string(c.pszPorts).find('d')) + 1 : 0;
        EXPECT_EQ(rig.app.m_pEngine->m_pPort->PortNumber(), nOpenPort);
        EXPECT_EQ(ports.SilentBytes(), c.nSilentIdentifyFrames * kIdentifyFrameBytes);
        if (std::string(c.pszPorts).find('d') != std::string::npos) {
            ports.Device().Stop();
            EXPECT_EQ(ports.Device().CountOutputLines("IDENTIFY"), c.nDeviceIdentifyFrames);
        }
        EXPECT_FALSE(rig.app.IsLinkBusy());
    }
}

struct StopCase {
    const char* pszName;
    const char* pszPorts;
    std::string strLogAfterStop;
    bool bFound;
    long nSilentIdentifyFrames;
};

// "Stop" pressed while the scan passes ports that do not open: it goes on to
// the next port that opens, makes one identify call there and ends, found or
// not. The press comes while the worker logs COM2.
TEST(Scan, StopWhilePassingAbsentPorts) {
    const StopCase cases[] = {
        {"next open port is silent", "aaasd",
         "COM Port3--Not Available\r\nCOM Port4--Device Not Found\r\n", false, 2},
        {"next open port is the device", "aaads",
         "COM Port3--Not Available\r\nCOM Port4--Device Found\r\n", true, 0},
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CComPortRow ports;
        ASSERT_TRUE(ports.Setup(c.pszPorts));
        CProcedureRig rig;
        rig.app.CreateEngine();
        CSetup setup(rig.app, rig.page);
        rig.page.PauseAtLogText("COM Port2--Not Available\r\n");
        setup.OnScanDevice();
        rig.page.WaitUntilPaused();
        setup.OnScanDevice();  // "Stop"
        EXPECT_EQ(rig.page.Text(IDC_SCAN_LOG), "");
        EXPECT_EQ(rig.page.Text(IDC_SCAN_BUTTON), "Stop");
        rig.page.ReleasePause();
        setup.WaitForScan();

        EXPECT_EQ(rig.page.Text(IDC_SCAN_LOG), c.strLogAfterStop);
        EXPECT_EQ(rig.app.m_bDeviceFound.load(), c.bFound ? 1 : 0);
        EXPECT_EQ(rig.page.Text(IDC_SETUP_STATUS), c.bFound ? kFoundStatus : kNotFoundStatus);
        EXPECT_EQ(rig.page.Text(IDC_SCAN_BUTTON), "Scan Device");
        EXPECT_EQ(ports.SilentBytes(), c.nSilentIdentifyFrames * kIdentifyFrameBytes);
        ports.Device().Stop();
        EXPECT_EQ(ports.Device().CountOutputLines("IDENTIFY"), c.bFound ? 1 : 0);
    }
}

// "Stop" while a silent port is being asked: the current identify call ends,
// no further call is made, the log holds only the port's ending, no port is
// open and the device on the next port is never asked. A press while the
// stopped scan is still ending is refused: no second scan starts.
TEST(Scan, StopDuringIdentifyCalls) {
    CComPortRow ports;
    ASSERT_TRUE(ports.Setup("sd"));
    CProcedureRig rig;
    rig.app.CreateEngine();
    CSetup setup(rig.app, rig.page);
    setup.OnScanDevice();
    // The third frame is the first attempt of the second identify call.
    ASSERT_TRUE(ports.Silent(0).WaitForBytes(3 * kIdentifyFrameBytes, 5000));
    setup.OnScanDevice();  // "Stop"
    EXPECT_EQ(setup.m_bScanning.load(), 0);
    setup.OnScanDevice();  // pressed again while the scan is stopping
    EXPECT_EQ(setup.m_bScanning.load(), 0);
    EXPECT_TRUE(setup.IsScanRunning());
    EXPECT_EQ(rig.page.Text(IDC_SCAN_BUTTON), "Stop");
    setup.WaitForScan();

    EXPECT_EQ(rig.page.Text(IDC_SCAN_LOG), "Device Not Found\r\n");
    EXPECT_EQ(rig.page.Text(IDC_SETUP_STATUS), kNotFoundStatus);
    EXPECT_EQ(rig.page.Text(IDC_SCAN_BUTTON), "Scan Device");
    EXPECT_EQ(ports.Silent(0).BytesReceived(), 4 * kIdentifyFrameBytes);
    EXPECT_EQ(rig.app.m_pEngine->m_pPort->PortNumber(), 0);
    EXPECT_EQ(rig.app.m_bDeviceFound.load(), 0);
    ports.Device().Stop();
    EXPECT_EQ(ports.Device().CountOutputLines("IDENTIFY"), 0);
}

// A scan that fails after a successful one: the device stays "found" (Next
// stays available) but no port is left open.
TEST(Scan, FailureAfterSuccessKeepsDeviceFoundAndClosesThePort) {
    CComPortRow ports;
    ASSERT_TRUE(ports.Setup("d"));
    CProcedureRig rig;
    rig.app.CreateEngine();
    CSetup setup(rig.app, rig.page);
    setup.OnScanDevice();
    setup.WaitForScan();
    ASSERT_EQ(rig.app.m_bDeviceFound.load(), 1);
    ASSERT_EQ(rig.app.m_pEngine->m_pPort->PortNumber(), 1);

    ports.Device().Stop();  // the device is switched off; its link goes away
    setup.OnScanDevice();
    setup.WaitForScan();
    EXPECT_EQ(rig.page.Text(IDC_SCAN_LOG), NotAvailableLines(1, 10));
    EXPECT_EQ(rig.page.Text(IDC_SETUP_STATUS), kNotFoundStatus);
    EXPECT_EQ(rig.app.m_bDeviceFound.load(), 1);
    EXPECT_EQ(rig.sheet.Requests(), std::vector<unsigned>{PSWIZB_BACK | PSWIZB_NEXT});
    EXPECT_EQ(rig.app.m_pEngine->m_pPort->PortNumber(), 0);
    setup.OnSetActive();
    EXPECT_EQ(rig.sheet.LastRequest(), PSWIZB_BACK | PSWIZB_NEXT);
}

// Leaving the program during a scan: after RequestStop and ClosePort the
// scan ends promptly and opens no further port.
TEST(Scan, LeavingDuringTheScanEndsItAndLeavesThePortClosed) {
    CComPortRow ports;
    ASSERT_TRUE(ports.Setup("ss"));
    CProcedureRig rig;
    rig.app.CreateEngine();
    CSetup setup(rig.app, rig.page);
    setup.OnScanDevice();
    ASSERT_TRUE(ports.Silent(0).WaitForBytes(kIdentifyFrameBytes, 5000));
    const auto tLeave = std::chrono::steady_clock::now();
    setup.RequestStop();
    rig.app.ClosePort();
    setup.WaitForScan();
    const auto nMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - tLeave)
                         .count();
    EXPECT_LT(nMs, 1000);
    EXPECT_EQ(rig.app.m_pEngine->m_pPort->PortNumber(), 0);
    EXPECT_EQ(ports.Silent(1).BytesReceived(), 0);
    setup.OnScanDevice();  // no new scan once the program is leaving
    EXPECT_FALSE(setup.IsScanRunning());
}

// One worker on the link: a scan press while a programming run holds the
// link starts nothing.
TEST(Scan, RefusedWhileProgrammingHoldsTheLink) {
    CComPortRow ports;
    ASSERT_TRUE(ports.Setup("s"));
    CProcedureRig rig;
    rig.app.CreateEngine();
    CSetup setup(rig.app, rig.page);
    ASSERT_TRUE(rig.app.ClaimLink());
    setup.OnScanDevice();
    EXPECT_FALSE(setup.IsScanRunning());
    EXPECT_EQ(setup.m_bScanning.load(), 0);
    EXPECT_NE(rig.page.Text(IDC_SCAN_BUTTON), "Stop");
    rig.app.ReleaseLink();
    EXPECT_EQ(ports.SilentBytes(), 0);
}

}  // namespace

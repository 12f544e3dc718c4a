// The scan and the programming run on Windows, against vanto-devsim on the
// far side of a COM port: the whole road of an update, and a device that
// refuses a block, one that hangs up mid-run.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/updater_app.h"
#include "link/update_engine.h"
#include "tests/procedures/recorder.h"
#include "tests/procedures/update_file_writer.h"
#include "tests/win32/rig_win32.h"
#include "wizard/procedures/prog_page_view.h"
#include "wizard/procedures/prog_target.h"
#include "wizard/procedures/setup.h"
#include "wizard/procedures/setup_page_view.h"

namespace {

// A fresh working directory and the application with its engine (COM1 does
// not exist, so it starts with no port open).
struct CWinRig {
    CWinRig() {
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        app.m_pWizard = &page;
        app.CreateEngine();
    }
    ~CWinRig() {
        std::filesystem::current_path(oldDir);
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path oldDir = std::filesystem::current_path();
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("vanto-road-" + std::to_string(GetCurrentProcessId()));
    CRecorder page;
    CUpdaterApp app;
    CSetupPageView setupView{page};
    CProgPageView progView{page};
};

std::vector<uint8_t> ReadFileBytes(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The scan log's own lines, without the indented ones that explain a port.
std::string WithoutDetailLines(const std::string& strLog) {
    std::string strOut, strLine;
    std::istringstream in(strLog);
    while (std::getline(in, strLine)) {
        if (strLine.rfind("    ", 0) != 0) {
            strOut += strLine + "\n";
        }
    }
    return strOut;
}

// COM1 and COM2 do not exist; the device answers on COM3 and takes the image.
TEST(ProceduresWin32, ScanAndProgram) {
    CWinRig rig;
    CSetup setup(rig.app, rig.setupView);
    setup.OnScanDevice();
    setup.WaitForScan();
    // Below a port the log may name why it could not be used; under Wine a
    // port with no device behind it opens as a stub without comm state ("not
    // a serial port"), where Windows says the port is not there.
    EXPECT_EQ(
        WithoutDetailLines(rig.page.Text(IDC_SCAN_LOG)),
        "COM Port1--Not Available\r\nCOM Port2--Not Available\r\nCOM Port3--Device Found\r\n");
    EXPECT_EQ(rig.app.m_pEngine->m_pPort->PortNumber(), kDevicePort);
    EXPECT_EQ(rig.app.m_bDeviceFound.load(), 1);

    const std::vector<uint8_t> image = PatternBytes(5 * 256 + 17);
    WriteIntelHexFile("kst.hex", 0, image);
    CProgTarget prog(rig.app, rig.progView);
    prog.OnStartProgramming();
    prog.WaitForRun();
    EXPECT_EQ(prog.LastResult(), UPD_OK);
    EXPECT_EQ(rig.page.Text(IDC_PROG_STATUS), "The device has been updated successfully");
    EXPECT_EQ(rig.page.All("pos", IDC_PROGRESS), (Strings{"1", "1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(rig.page.All("cancel-to-close").size(), 1u);
    const std::string strFlash = DeviceDir() + "\\flash3";
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(strFlash) == Padded(image); }))
        << "the device's committed flash is not the image";
}

// The scan of COMn alone, then a run of nBlocks whole blocks; the run's
// result, or -1 when the scan did not leave COMn open.
int ScanPortThenProgram(CWinRig& rig, int nPort, int nBlocks) {
    CSetup setup(rig.app, rig.setupView);
    setup.SetSinglePort(nPort);
    setup.OnScanDevice();
    setup.WaitForScan();
    if (rig.app.m_pEngine->m_pPort->PortNumber() != nPort) {
        ADD_FAILURE() << "the scan did not end on COM" << nPort;
        return -1;
    }
    WriteIntelHexFile("kst.hex", 0, PatternBytes(static_cast<size_t>(nBlocks) * 256));
    CProgTarget prog(rig.app, rig.progView);
    prog.OnStartProgramming();
    prog.WaitForRun();
    return prog.LastResult();
}

// The device refuses the second block: the run ends with its status, the
// same result code as on Linux, and Start is offered again.
TEST(ProceduresWin32, RefusedBlock) {
    CWinRig rig;
    EXPECT_EQ(ScanPortThenProgram(rig, kFaultyPort, 3), UPD_FLASH_ADDRESS_ERROR);
    EXPECT_EQ(rig.page.All("box"), (Strings{"VANTO Updating|Flash Address Error"}));
    EXPECT_EQ(rig.page.Last("enable", IDC_START_BUTTON), "1");
}

// The device hangs up after two blocks (an adapter pulled mid-run): the run
// fails and the port is marked failed, so the next Start opens it afresh.
TEST(ProceduresWin32, HungUpPortIsMarkedFailed) {
    CWinRig rig;
    EXPECT_NE(ScanPortThenProgram(rig, kHangUpPort, 5), UPD_OK);
    EXPECT_TRUE(rig.app.m_pEngine->m_pPort->HasFailed());
}

}  // namespace

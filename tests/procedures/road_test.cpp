#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "tests/procedures/rig.h"

namespace {

struct FlashCase {
    const char* pszPorts;  // see CRig::Ports; kst.hex has 21 blocks unless bNoFile
    const char* pszDevsimArgs;
    const char* pszArgs;
    const char* pszCtrlCAt;  // "": once COM1 (silent) was asked; else once the device printed it
    int nExit;
    const char* pszOutput;  // printed exactly once
    bool bNoFile = false;
};

const char kWait[] = "Programming In Process, Please Wait...\n";
const char kRoad[] =
    "Connecting device...\nMake sure device is in update mode\n"
    "COM Port1--Not Available\nCOM Port2--Device Not Found\nCOM Port3--Device Found\n"
    "The device is found on COM3 (";

// vanto-flash's whole road (COM1 absent, COM2 silent, the device on COM3), the
// exit status and output per outcome; Ctrl-C closes the port at once (no
// further port asked, the transfer aborted) and exits with 130. Options,
// device statuses and signals are vanto-flash's own table (tests/tools).
const FlashCase kFlashRuns[] = {
    {"asd", "", "", nullptr, 0, kRoad},
    {"", "", "", nullptr, 1, "COM Port10--Not Available\n"},
    {"ad", "", "--port 2", nullptr, 0, "update mode\nCOM Port2--Device Found\n"},
    {"d", "", "", nullptr, 8, "Update file not found or may be crashed.\nTask can not continue\n",
     true},
    {"d", "--block-status 2:4", "", nullptr, 4, "\nFlash Address Error\n"},
    {"ss", "", "", "", 130, "Make sure device is in update mode\n"},
    {"d", "--reply-delay 30", "", "BLOCK seq=5 ", 130, kWait},
};

TEST(Road, ExitStatusOutputAndDevice) {
    const std::vector<uint8_t> image = PatternBytes(20 * 256 + 100, 7);
    for (const FlashCase& c : kFlashRuns) {
        SCOPED_TRACE(std::to_string(&c - kFlashRuns) + ": " + c.pszArgs);
        CRig rig;
        if (!c.bNoFile) {
            WriteIntelHexFile("kst.hex", 0x4000, image);
        }
        ASSERT_TRUE(rig.Ports(c.pszPorts, c.pszDevsimArgs));
        CFlashRun flash(c.pszArgs);
        auto tWait = std::chrono::steady_clock::now();
        if (c.pszCtrlCAt != nullptr) {
            ASSERT_TRUE(*c.pszCtrlCAt ? rig.device.WaitForOutput(c.pszCtrlCAt, 10000)
                                      : WaitUntil([&] { return rig.SilentBytes() > 0; }));
            flash.Interrupt();
            tWait = std::chrono::steady_clock::now();
        }
        EXPECT_EQ(flash.Wait(), c.nExit);
        EXPECT_LT(std::chrono::steady_clock::now() - tWait,
                  std::chrono::seconds(c.pszCtrlCAt ? 2 : 30));
        // Off a terminal the progress comes as a line per tenth of the blocks.
        std::string strText, strProgress;
        std::istringstream in(flash.Output());
        for (std::string strLine; std::getline(in, strLine);) {
            (strLine.starts_with("Block ") ? strProgress : strText) += strLine + "\n";
        }
        const size_t nAt = strText.find(c.pszOutput);
        EXPECT_TRUE(nAt != std::string::npos &&
                    strText.find(c.pszOutput, nAt + 1) == std::string::npos)
            << strText;
        EXPECT_EQ(strText.find("failed"), std::string::npos) << strText;
        if (c.nExit == 0) {
            EXPECT_EQ(std::count(strProgress.begin(), strProgress.end(), '\n'), 10) << strProgress;
            EXPECT_NE(strProgress.find("\nBlock 21/21 "), std::string::npos) << strProgress;
            EXPECT_EQ(rig.SilentBytes(),
                      12 * kIdentifyBytes * static_cast<long>(rig.silent.size()));
        }
        const bool bAbort = c.nExit == 4 || c.nExit == 9 || (c.nExit == 130 && rig.silent.empty());
        EXPECT_EQ(bAbort && rig.device.WaitForOutput("FINISH abort status=1"), bAbort);
        EXPECT_EQ(rig.DeviceSaw("FINISH abort"), bAbort ? 1 : 0);
        char szCommit[64];
        std::snprintf(szCommit, sizeof szCommit, "FINISH commit total=0x%08X",
                      ByteTotal(Padded(image)));
        EXPECT_EQ(rig.DeviceSaw(szCommit), c.nExit == 0 || c.nExit == 3 ? 1 : 0);
        EXPECT_EQ(rig.Flash(), c.nExit == 0 ? Padded(image) : std::vector<uint8_t>{});
        EXPECT_EQ(rig.silent.size() > 1 ? rig.silent[1]->nBytes.load() : 0, 0);
    }
}

}  // namespace

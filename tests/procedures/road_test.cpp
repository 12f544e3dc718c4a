#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/procedures/devsim_fixture.h"
#include "tests/procedures/flash_process.h"
#include "tests/procedures/update_file_writer.h"

namespace {

constexpr int kRunTimeoutMs = 30000;

// The output without the progress lines, which carry rates and times.
std::vector<std::string> TextLines(const std::string& strOutput) {
    std::vector<std::string> lines;
    std::istringstream in(strOutput);
    for (std::string strLine; std::getline(in, strLine);) {
        if (strLine.rfind("Block ", 0) != 0) {
            lines.push_back(strLine);
        }
    }
    return lines;
}

// The whole road as a user takes it: COM1 does not exist, COM2 opens but
// nothing answers, the device is on COM3.
TEST(Road, ScanThenProgramToTheEnd) {
    CTempWorkDir dir;
    const std::vector<uint8_t> image = PatternBytes(20 * 256 + 100, 7);
    WriteIntelHexFile(dir.File("kst.hex"), 0x4000, image);
    CComPortRow ports;
    const std::string strFlash = ports.Device().Dir().File("flash.bin");
    ASSERT_TRUE(ports.Setup("asd", {"--flash-out", strFlash}));

    CFlashProcess flash;
    ASSERT_TRUE(flash.Start({}));
    EXPECT_EQ(flash.WaitForExit(kRunTimeoutMs), 0) << flash.Output();

    const std::vector<std::string> expected = {
        "Connecting device...",
        "Make sure device is in update mode",
        "Connecting device...",
        "COM Port1--Not Available",
        "COM Port2--Device Not Found",
        "COM Port3--Device Found",
        "The device is found, Press \" Next \" to continue",
        "Ready to update the device now.",
        "Programming In Process, Please Wait...",
        "The device has been updated successfully",
    };
    EXPECT_EQ(TextLines(flash.Output()), expected) << flash.Output();
    // Off a terminal the progress comes as a line per tenth of the blocks.
    EXPECT_NE(flash.Output().find("Block 21/21 "), std::string::npos) << flash.Output();
    EXPECT_EQ(ports.SilentBytes(), 12 * kIdentifyFrameBytes);

    std::vector<uint8_t> padded = image;
    padded.resize(21 * 256, 0xFF);
    ports.Device().Stop();
    EXPECT_EQ(ReadFlashOut(strFlash), padded);
    char szCommit[64];
    std::snprintf(szCommit, sizeof(szCommit), "FINISH commit total=0x%08X status=1",
                  ByteTotal(padded));
    EXPECT_EQ(ports.Device().CountOutputLines(szCommit), 1) << ports.Device().Output();
}

struct ExitCase {
    const char* pszName;
    const char* pszPorts;
    std::vector<std::string> devsimArgs;
    std::vector<std::string> args;
    bool bUpdateFile;
    int nExitStatus;
    std::string strOutputHas;
};

TEST(Road, ExitStatusTellsTheOutcome) {
    const ExitCase cases[] = {
        {"no device on any port", "", {}, {}, true, 1, "COM Port10--Not Available\n"},
        {"--port alone scans that port",
         "ad",
         {},
         {"--port", "2"},
         true,
         0,
         "Connecting device...\nCOM Port2--Device Found\n"},
        {"--port 0", "d", {}, {"--port", "0"}, true, 2, "usage"},
        {"--port without a number", "d", {}, {"--port"}, true, 2, "usage"},
        {"--port with text", "d", {}, {"--port", "x1"}, true, 2, "usage"},
        {"unknown option", "d", {}, {"--fast"}, true, 2, "usage"},
        {"no update file",
         "d",
         {},
         {},
         false,
         8,
         "Update file not found or may be crashed.\nTask can not continue\n"},
        {"checksum error on the finish",
         "d",
         {"--finish-status", "3"},
         {},
         true,
         3,
         "Over All Checksum Error\nPlease restart programming\n"},
        {"flash address error on a block",
         "d",
         {"--block-status", "2:4"},
         {},
         true,
         4,
         "Flash Address Error\n"},
        {"another device status",
         "d",
         {"--block-status", "1:9", "--block-status", "2:9"},
         {},
         true,
         9,
         "Programming In Process, Please Wait...\n"},
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CTempWorkDir dir;
        if (c.bUpdateFile) {
            WriteIntelHexFile(dir.File("kst.hex"), 0, PatternBytes(3 * 256));
        }
        CComPortRow ports;
        ASSERT_TRUE(ports.Setup(c.pszPorts, c.devsimArgs));
        CFlashProcess flash;
        ASSERT_TRUE(flash.Start(c.args));
        EXPECT_EQ(flash.WaitForExit(kRunTimeoutMs), c.nExitStatus) << flash.Output();
        EXPECT_NE(flash.Output().find(c.strOutputHas), std::string::npos) << flash.Output();
    }
}

long MillisecondsSince(std::chrono::steady_clock::time_point t) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t)
            .count());
}

// Ctrl-C while a silent port is asked: the port is closed, no further port
// is opened, and the program ends with 130 well within a second or so.
TEST(Road, InterruptDuringTheScan) {
    CTempWorkDir dir;
    WriteIntelHexFile(dir.File("kst.hex"), 0, PatternBytes(256));
    CComPortRow ports;
    ASSERT_TRUE(ports.Setup("ss"));
    CFlashProcess flash;
    ASSERT_TRUE(flash.Start({}));
    ASSERT_TRUE(ports.Silent(0).WaitForBytes(kIdentifyFrameBytes, 5000));
    const auto tInterrupt = std::chrono::steady_clock::now();
    flash.Interrupt();
    EXPECT_EQ(flash.WaitForExit(5000), 130) << flash.Output();
    EXPECT_LT(MillisecondsSince(tInterrupt), 2000);
    EXPECT_EQ(ports.Silent(1).BytesReceived(), 0);
}

// Ctrl-C in the middle of programming: the worker ends, the device is told
// to discard the transfer with the abort form of the finish, exit 130.
TEST(Road, InterruptDuringProgrammingAbortsTheTransfer) {
    CTempWorkDir dir;
    WriteIntelHexFile(dir.File("kst.hex"), 0, PatternBytes(60 * 256));
    CComPortRow ports;
    const std::string strFlash = ports.Device().Dir().File("flash.bin");
    ASSERT_TRUE(ports.Setup("d", {"--reply-delay", "30", "--flash-out", strFlash}));
    CFlashProcess flash;
    ASSERT_TRUE(flash.Start({}));
    ASSERT_TRUE(ports.Device().WaitForOutput("BLOCK seq=5 ", 10000)) << flash.Output();
    const auto tInterrupt = std::chrono::steady_clock::now();
    flash.Interrupt();
    EXPECT_EQ(flash.WaitForExit(5000), 130) << flash.Output();
    EXPECT_LT(MillisecondsSince(tInterrupt), 2000);
    EXPECT_TRUE(ports.Device().WaitForOutput("FINISH abort status=1", 2000))
        << ports.Device().Output();
    ports.Device().Stop();
    EXPECT_EQ(ports.Device().CountOutputLines("FINISH commit"), 0);
    EXPECT_TRUE(ReadFlashOut(strFlash).empty());
    EXPECT_EQ(flash.Output().find("COM port transmission failed"), std::string::npos)
        << flash.Output();
}

}  // namespace

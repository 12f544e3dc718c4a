// The simulated device as a process: its link, its life across the updater's
// opens and closes, hang-up, pacing and delays, and its command line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/devsim_process.h"
#include "tests/tools/host_line.h"

namespace {

const std::vector<uint8_t> kIdentifyOk = {0xD9, 0x00, 0x01, 0x01, 0x00, 0xDB};

bool Exists(const std::string& strPath) {
    struct stat st {};
    return lstat(strPath.c_str(), &st) == 0;
}

TEST(DevsimProcess, ServesAcrossReopenAndRemovesLinkOnStop) {
    CDevsimProcess device;
    ASSERT_TRUE(device.Start());
    for (int nOpen = 0; nOpen < 3; ++nOpen) {
        CHostLine host(device.LinkPath());
        ASSERT_TRUE(host.Send(IdentifyFrame()));
        EXPECT_EQ(HexBytes(host.Receive(6)), HexBytes(kIdentifyOk)) << "open " << nOpen;
    }
    EXPECT_EQ(device.Stop(), 0);
    EXPECT_FALSE(Exists(device.LinkPath()));
    EXPECT_NE(device.Output().find("STATS rx_bytes=33 tx_bytes=18 replies=3"), std::string::npos)
        << device.Output();
}

TEST(DevsimProcess, ReplacesStaleLinkButNotAFile) {
    CDevsimProcess stale;
    ASSERT_EQ(symlink("/dev/pts/nonexistent", stale.LinkPath().c_str()), 0);
    ASSERT_TRUE(stale.Start()) << stale.Output();
    CHostLine host(stale.LinkPath());
    ASSERT_TRUE(host.Send(IdentifyFrame()));
    EXPECT_EQ(HexBytes(host.Receive(6)), HexBytes(kIdentifyOk));

    CDevsimProcess blocked;
    std::ofstream(blocked.LinkPath()) << "not a terminal";
    EXPECT_FALSE(blocked.Start());
    EXPECT_EQ(blocked.WaitForExit(), 1);
    EXPECT_NE(blocked.Output().find("not a symlink"), std::string::npos) << blocked.Output();
}

TEST(DevsimProcess, HangsUpWhenHostSendsAfterLastAllowedBlock) {
    CDevsimProcess device;
    ASSERT_TRUE(device.Start({"--hangup-after", "1"}));
    CHostLine host(device.LinkPath());
    ASSERT_TRUE(host.Send(BlockFrame(0, 0x8000, 0)));
    EXPECT_EQ(host.Receive(6).size(), 6u);
    ASSERT_TRUE(host.Send(BlockFrame(1, 0x8100, 0)));
    EXPECT_TRUE(host.SeesHangup(2000));
    EXPECT_EQ(device.WaitForExit(), 0);
    EXPECT_FALSE(Exists(device.LinkPath()));
    EXPECT_NE(device.Output().find("HANGUP"), std::string::npos);
}

TEST(DevsimProcess, KilledDeviceHangsUpTheLine) {
    CDevsimProcess device;
    ASSERT_TRUE(device.Start());
    CHostLine host(device.LinkPath());
    device.Kill();
    EXPECT_TRUE(host.SeesHangup(2000));
}

// Wire pacing and the reply delay slow the reply down by their order of
// magnitude: a 268-byte block frame and its 6-byte reply take about 71 ms on
// a 38400-baud wire.
struct SDelayCase {
    const char* pszName;
    std::vector<std::string> options;
    std::vector<uint8_t> frame;
    int nMinMs;
    int nMaxMs;
};

void PrintTo(const SDelayCase& delayCase, std::ostream* pStream) {
    *pStream << delayCase.pszName;
}

class DevsimDelay : public ::testing::TestWithParam<SDelayCase> {};

TEST_P(DevsimDelay, ReplyComesNoSooner) {
    const SDelayCase& delayCase = GetParam();
    CDevsimProcess device;
    ASSERT_TRUE(device.Start(delayCase.options));
    CHostLine host(device.LinkPath());
    const auto tpStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(host.Send(delayCase.frame));
    EXPECT_EQ(host.Receive(6, 5000).size(), 6u);
    const auto nMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - tpStart)
                         .count();
    EXPECT_GE(nMs, delayCase.nMinMs);
    EXPECT_LE(nMs, delayCase.nMaxMs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DevsimDelay,
    ::testing::Values(SDelayCase{"Paced", {"--baud", "38400"}, BlockFrame(0, 0, 0), 60, 2000},
                      SDelayCase{
                          "ReplyDelay", {"--reply-delay", "300"}, IdentifyFrame(), 290, 3000},
                      SDelayCase{"SlowWire", {"--baud", "1200"}, IdentifyFrame(), 140, 3000}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.pszName); });

// Bad command lines end with status 2 before any terminal is made.
class DevsimUsage : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(DevsimUsage, RefusedWithStatus2) {
    const SProgramRun run = RunProgram(VANTO_BIN_DIR "/vanto-devsim", GetParam());
    EXPECT_EQ(run.nExitStatus, 2) << run.strOutput;
    EXPECT_NE(run.strOutput.find("see --help"), std::string::npos) << run.strOutput;
}

INSTANTIATE_TEST_SUITE_P(
    BadArguments, DevsimUsage,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"--link"},
                      std::vector<std::string>{"--link", "x", "--frobnicate"},
                      std::vector<std::string>{"--link", "x", "--baud", "0"},
                      std::vector<std::string>{"--link", "x", "--block-status", "2"},
                      std::vector<std::string>{"--link", "x", "--block-status", "2:256"},
                      std::vector<std::string>{"--link", "x", "--drop-block", "0"},
                      std::vector<std::string>{"--link", "x", "--drop-block", "3", "--drop-block",
                                               "3"},
                      std::vector<std::string>{"--link", "x", "--reply-delay", "-5"}));

TEST(DevsimUsage, HelpNamesEveryFault) {
    const SProgramRun run = RunProgram(VANTO_BIN_DIR "/vanto-devsim", {"--help"});
    EXPECT_EQ(run.nExitStatus, 0);
    for (const char* pszOption :
         {"--drop-block", "--block-status", "--finish-status", "--answer-identify-from", "--junk",
          "--bad-checksum", "--long-reply", "--hangup-after", "--never-answer", "--baud",
          "--reply-delay", "--flash-out", "--quiet"}) {
        EXPECT_NE(run.strOutput.find(pszOption), std::string::npos) << pszOption;
    }
}

}  // namespace

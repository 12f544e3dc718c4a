// End to end: `vanto-flash identify` against the simulated device through a
// real pseudo-terminal, mapped to COM2 by VANTO_COM_PORTS (COM1 left empty).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/devsim_process.h"

namespace {

struct SIdentifyCase {
    const char* pszName;
    bool bDeviceRuns;  // false: COM2 names a device file that does not exist
    std::vector<std::string> deviceOptions;
    bool bSucceeds;
    const char* pszPrinted;     // must appear in vanto-flash's output ("" = no check)
    int nIdentifyFramesOnWire;  // identify frames the device received
};

void PrintTo(const SIdentifyCase& identifyCase, std::ostream* pStream) {
    *pStream << identifyCase.pszName;
}

class FlashIdentify : public ::testing::TestWithParam<SIdentifyCase> {};

TEST_P(FlashIdentify, ExitStatusAndResult) {
    const SIdentifyCase& identifyCase = GetParam();
    CDevsimProcess device;
    if (identifyCase.bDeviceRuns) {
        ASSERT_TRUE(device.Start(identifyCase.deviceOptions)) << device.Output();
    }
    const SProgramRun run = RunProgram(VANTO_BIN_DIR "/vanto-flash", {"identify", "--port", "2"},
                                       {"VANTO_COM_PORTS=:" + device.LinkPath()});
    ASSERT_FALSE(run.bTimedOut);
    if (identifyCase.bSucceeds) {
        EXPECT_EQ(run.nExitStatus, 0) << run.strOutput;
    } else {
        EXPECT_NE(run.nExitStatus, 0) << run.strOutput;
        EXPECT_NE(run.nExitStatus, 2) << "not a usage error: " << run.strOutput;
    }
    EXPECT_NE(run.strOutput.find(identifyCase.pszPrinted), std::string::npos) << run.strOutput;
    if (identifyCase.bDeviceRuns) {
        EXPECT_EQ(device.CountOutputLines("IDENTIFY"), identifyCase.nIdentifyFramesOnWire)
            << device.Output();
        EXPECT_EQ(device.Stop(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FlashIdentify,
    ::testing::Values(
        SIdentifyCase{"DeviceAnswers", true, {}, true, "UPD_OK", 1},
        // The first frame goes unanswered; the retry with the same frame succeeds.
        SIdentifyCase{"AnswersTheRetry", true, {"--answer-identify-from", "2"}, true, "UPD_OK", 2},
        SIdentifyCase{"SilentDevice", true, {"--never-answer"}, false, "UPD_NO_RESPONSE", 2},
        SIdentifyCase{"BadReplyChecksumTwice",
                      true,
                      {"--bad-checksum", "1", "--bad-checksum", "2"},
                      false,
                      "UPD_TRANSMISSION_ERROR",
                      2},
        SIdentifyCase{"MissingPort", false, {}, false, "", 0}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.pszName); });

}  // namespace

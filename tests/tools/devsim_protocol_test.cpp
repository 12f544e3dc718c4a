// The simulated device's side of the protocol, driven from the host's end of
// a real pseudo-terminal: frames written whole, replies read byte by byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/devsim_process.h"
#include "tests/tools/host_line.h"

namespace {

const uint8_t kIdentify = 0x19;
const uint8_t kBlock = 0x20;
const uint8_t kFinish = 0x21;
const std::vector<uint8_t> kSilence;  // no reply expected

// One frame from the host and the exact bytes the device must answer.
struct SStep {
    std::vector<uint8_t> frame;
    std::vector<uint8_t> reply;
};

enum class EFlash { Ignore, Absent, Equals };

struct SScenario {
    SScenario(const char* pszScenarioName, std::vector<std::string> deviceOptions,
              std::vector<SStep> stepList, std::vector<std::string> expectedLogLines = {},
              EFlash eFlashCheck = EFlash::Ignore, std::vector<uint8_t> expectedFlash = {})
        : pszName(pszScenarioName),
          options(std::move(deviceOptions)),
          steps(std::move(stepList)),
          logLines(std::move(expectedLogLines)),
          eFlash(eFlashCheck),
          flash(std::move(expectedFlash)) {}

    const char* pszName;
    std::vector<std::string> options;
    std::vector<SStep> steps;
    std::vector<std::string> logLines;  // each must appear in the device's output
    EFlash eFlash;
    std::vector<uint8_t> flash;  // for EFlash::Equals
};

// gtest names a failing row by this instead of dumping its bytes.
void PrintTo(const SScenario& scenario, std::ostream* pStream) {
    *pStream << scenario.pszName;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::vector<uint8_t> FirstBytes(std::vector<uint8_t> bytes, size_t nCount) {
    bytes.resize(nCount);
    return bytes;
}

std::vector<uint8_t> WithLastByteChanged(std::vector<uint8_t> bytes) {
    bytes.back() ^= 0x01;
    return bytes;
}

std::vector<uint8_t> WithComplement(std::vector<uint8_t> frame, uint8_t nComplement) {
    const uint8_t nOld = frame[5];
    frame[5] = nComplement;
    const unsigned nSum =
        ((unsigned{frame[frame.size() - 2]} << 8) | frame.back()) - nOld + nComplement;
    frame[frame.size() - 2] = static_cast<uint8_t>((nSum >> 8) & 0xFF);
    frame.back() = static_cast<uint8_t>(nSum & 0xFF);
    return frame;
}

std::string CommitLine(uint32_t dwTotal, int nStatus) {
    char sz[80];
    std::snprintf(sz, sizeof sz, "FINISH commit total=0x%08X status=%d", dwTotal, nStatus);
    return sz;
}

std::vector<uint8_t> ReadFile(const std::string& strPath) {
    std::ifstream file(strPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

const std::vector<uint8_t> kIdentifyFrame = {0x0A, 0x19, 0x00, 0x05, 0x56, 0x41,
                                             0x4E, 0x54, 0x4F, 0x01, 0xB0};
const std::vector<uint8_t> kIdentifyOk = {0xD9, 0x00, 0x01, 0x01, 0x00, 0xDB};
const std::vector<uint8_t> kBlockOk = StatusReply(kBlock, 1);
const std::vector<uint8_t> kBlockRefused = StatusReply(kBlock, 4);
const std::vector<uint8_t> kFinishOk = StatusReply(kFinish, 1);
const uint32_t kSum00 = BlockDataSum(0x00);
const uint32_t kSum10 = BlockDataSum(0x10);

std::vector<SScenario> Scenarios() {
    return {
        {"Identify", {}, {{kIdentifyFrame, kIdentifyOk}}, {"IDENTIFY status=1"}},
        {"BadFrameChecksumGetsNoReply",
         {},
         {{WithLastByteChanged(kIdentifyFrame), kSilence}, {kIdentifyFrame, kIdentifyOk}},
         {"FRAME bad-checksum code=0x19 len=5"}},
        {"NoiseBeforeFrameIsSkipped",
         {},
         {{Concat({{0x55, 0xAA, 0x99}, kIdentifyFrame}), kIdentifyOk}}},
        {"TruncatedFrameDoesNotHideTheNext",
         {},
         {{Concat({FirstBytes(BlockFrame(0, 0x8000, 0), 100), kIdentifyFrame}), kIdentifyOk}}},
        {"UnknownCommandIsIgnored",
         {},
         {{CommandFrame(0x30, {}), kSilence}, {CommandFrame(kIdentify, {'V'}), kSilence}},
         {"FRAME unknown code=0x30 len=0", "FRAME unknown code=0x19 len=1"}},
        {"BlocksCommitted",
         {},
         {{BlockFrame(0, 0x8000, 0x00), kBlockOk},
          {BlockFrame(1, 0x8100, 0x10), kBlockOk},
          {CommitFrame(kSum00 + kSum10), kFinishOk}},
         {"BLOCK seq=0 addr=0x00008000 status=1", "BLOCK seq=1 addr=0x00008100 status=1",
          CommitLine(kSum00 + kSum10, 1)},
         EFlash::Equals,
         Concat({BlockData(0x00), BlockData(0x10)})},
        {"RepeatedBlockStoredOnce",
         {},
         {{BlockFrame(0, 0x8000, 0x00), kBlockOk},
          {BlockFrame(0, 0x8000, 0x00), kBlockOk},
          {CommitFrame(kSum00), kFinishOk}},
         {"BLOCK seq=0 addr=0x00008000 repeat status=1"},
         EFlash::Equals,
         BlockData(0x00)},
        {"WrongAddressRefused",
         {},
         {{BlockFrame(0, 0x8000, 0x00), kBlockOk},
          {BlockFrame(1, 0x8300, 0x10), kBlockRefused},
          {BlockFrame(1, 0x8100, 0x10), kBlockOk}},
         {"BLOCK seq=1 addr=0x00008300 want seq=1 addr=0x00008100 status=4"}},
        {"WrongSequenceRefused",
         {},
         {{BlockFrame(0, 0x8000, 0x00), kBlockOk}, {BlockFrame(2, 0x8100, 0x10), kBlockRefused}}},
        {"BadComplementRefused",
         {},
         {{WithComplement(BlockFrame(0, 0x8000, 0x00), 0xFE), kBlockRefused}},
         {"bad-complement"}},
        {"FirstBlockMustCarrySequenceZero", {}, {{BlockFrame(1, 0x8000, 0x00), kBlockRefused}}},
        {"CommitWithWrongTotal",
         {},
         {{BlockFrame(0, 0x8000, 0x00), kBlockOk},
          {CommitFrame(kSum00 + 1), StatusReply(kFinish, 3)}},
         {CommitLine(kSum00 + 1, 3)},
         EFlash::Absent},
        {"AbortDiscardsTransfer",
         {},
         {{BlockFrame(0, 0x8000, 0x00), kBlockOk},
          {AbortFrame(), kFinishOk},
          {BlockFrame(0, 0x9000, 0x10), kBlockOk},
          {CommitFrame(kSum10), kFinishOk}},
         {"FINISH abort status=1"},
         EFlash::Equals,
         BlockData(0x10)},
        {"SequenceZeroRestartsTransfer",
         {},
         {{BlockFrame(0, 0x8000, 0x00), kBlockOk},
          {BlockFrame(1, 0x8100, 0x00), kBlockOk},
          {BlockFrame(0, 0x8000, 0x10), kBlockOk},
          {CommitFrame(kSum10), kFinishOk}},
         {"BLOCK seq=0 addr=0x00008000 restart status=1"},
         EFlash::Equals,
         BlockData(0x10)},
        {"DropBlockThenRetryIsRepeat",
         {"--drop-block", "2"},
         {{BlockFrame(0, 0x8000, 0x00), kBlockOk},
          {BlockFrame(1, 0x8100, 0x10), kSilence},
          {BlockFrame(1, 0x8100, 0x10), kBlockOk},
          {CommitFrame(kSum00 + kSum10), kFinishOk}},
         {"BLOCK seq=1 addr=0x00008100 status=1 no-reply",
          "BLOCK seq=1 addr=0x00008100 repeat status=1"},
         EFlash::Equals,
         Concat({BlockData(0x00), BlockData(0x10)})},
        {"BlockStatusForced",
         {"--block-status", "2:2"},
         {{BlockFrame(0, 0x8000, 0x00), kBlockOk},
          {BlockFrame(1, 0x8100, 0x10), StatusReply(kBlock, 2)},
          {BlockFrame(1, 0x8100, 0x10), kBlockOk},
          {CommitFrame(kSum00 + kSum10), kFinishOk}},
         {"BLOCK seq=1 addr=0x00008100 status=2"},
         EFlash::Equals,
         Concat({BlockData(0x00), BlockData(0x10)})},
        {"FinishStatusForced",
         {"--finish-status", "3"},
         {{BlockFrame(0, 0x8000, 0x00), kBlockOk}, {CommitFrame(kSum00), StatusReply(kFinish, 3)}},
         {},
         EFlash::Absent},
        {"AnswerIdentifyFromThird",
         {"--answer-identify-from", "3"},
         {{kIdentifyFrame, kSilence},
          {kIdentifyFrame, kSilence},
          {kIdentifyFrame, kIdentifyOk},
          {kIdentifyFrame, kIdentifyOk}},
         {"IDENTIFY ignored"}},
        {"JunkBeforeReply",
         {"--junk", "3"},
         {{kIdentifyFrame, Concat({{0x00, 0x55, 0xFF}, kIdentifyOk})}},
         {"junk=3"}},
        {"BadChecksumOnSecondReply",
         {"--bad-checksum", "2"},
         {{kIdentifyFrame, kIdentifyOk},
          {kIdentifyFrame, {0xD9, 0x00, 0x01, 0x01, 0x00, 0xDC}},
          {kIdentifyFrame, kIdentifyOk}}},
        {"LongReply",
         {"--long-reply", "1"},
         {{kIdentifyFrame, {0xD9, 0x02, 0x01, 0x01, 0x00, 0xDD}}, {kIdentifyFrame, kIdentifyOk}},
         {"long-reply"}},
        {"NeverAnswer",
         {"--never-answer"},
         {{kIdentifyFrame, kSilence}, {BlockFrame(0, 0x8000, 0x00), kSilence}},
         {"IDENTIFY status=1 no-reply"}},
    };
}

class DevsimProtocol : public ::testing::TestWithParam<SScenario> {};

TEST_P(DevsimProtocol, AnswersExactly) {
    const SScenario& scenario = GetParam();
    CDevsimProcess device;
    std::vector<std::string> options = scenario.options;
    options.insert(options.end(), {"--flash-out", device.Dir().File("flash.bin")});
    ASSERT_TRUE(device.Start(options)) << device.Output();
    CHostLine host(device.LinkPath());
    ASSERT_TRUE(host.IsOpen());

    for (size_t i = 0; i < scenario.steps.size(); ++i) {
        const SStep& step = scenario.steps[i];
        ASSERT_TRUE(host.Send(step.frame));
        const bool bSilent = step.reply.empty();
        const auto reply = host.Receive(bSilent ? 1 : step.reply.size(), bSilent ? 300 : 2000);
        EXPECT_EQ(HexBytes(reply), HexBytes(step.reply)) << "step " << i;
        EXPECT_TRUE(host.Receive(1, 20).empty()) << "extra bytes after step " << i;
    }
    for (const std::string& strLine : scenario.logLines) {
        EXPECT_TRUE(device.WaitForOutput(strLine, 1000)) << strLine << "\n" << device.Output();
    }
    const std::string strFlash = device.Dir().File("flash.bin");
    if (scenario.eFlash == EFlash::Absent) {
        EXPECT_NE(access(strFlash.c_str(), F_OK), 0);
    } else if (scenario.eFlash == EFlash::Equals) {
        EXPECT_EQ(ReadFile(strFlash), scenario.flash);
    }
    EXPECT_EQ(device.Stop(), 0);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, DevsimProtocol, ::testing::ValuesIn(Scenarios()),
                         [](const auto& paramInfo) {
                             return std::string(paramInfo.param.pszName);
                         });

// 300 blocks: sequence numbers wrap from 255 to 0 and the transfer goes on.
TEST(DevsimTransfer, SequenceWrapsAfter256Blocks) {
    CDevsimProcess device;
    ASSERT_TRUE(device.Start({"--quiet", "--flash-out", device.Dir().File("flash.bin")}));
    CHostLine host(device.LinkPath());
    uint32_t dwTotal = 0;
    std::vector<uint8_t> expected;
    for (unsigned nBlock = 0; nBlock < 300; ++nBlock) {
        const auto nFirst = static_cast<uint8_t>(nBlock * 7);
        ASSERT_TRUE(host.Send(BlockFrame(static_cast<uint8_t>(nBlock), nBlock * 256, nFirst)));
        ASSERT_EQ(HexBytes(host.Receive(6, 2000)), HexBytes(kBlockOk)) << "block " << nBlock;
        dwTotal += BlockDataSum(nFirst);
        const auto data = BlockData(nFirst);
        expected.insert(expected.end(), data.begin(), data.end());
    }
    ASSERT_TRUE(host.Send(CommitFrame(dwTotal)));
    EXPECT_EQ(HexBytes(host.Receive(6, 2000)), HexBytes(kFinishOk));
    EXPECT_EQ(ReadFile(device.Dir().File("flash.bin")), expected);
}

// The figures a benchmark needs to compute the protocol's ideal time.
TEST(DevsimTransfer, StatsCountWireBytesAndDelays) {
    CDevsimProcess device;
    ASSERT_TRUE(device.Start({"--reply-delay", "5"}));
    CHostLine host(device.LinkPath());
    ASSERT_TRUE(host.Send(BlockFrame(0, 0, 0)));
    ASSERT_EQ(host.Receive(6, 2000).size(), 6u);
    ASSERT_TRUE(host.Send(CommitFrame(kSum00)));
    ASSERT_EQ(host.Receive(6, 2000).size(), 6u);
    EXPECT_TRUE(device.WaitForOutput("STATS rx_bytes=279 tx_bytes=12 replies=2 reply_delay_ms=10"))
        << device.Output();
}

}  // namespace

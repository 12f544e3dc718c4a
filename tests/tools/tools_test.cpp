// vanto-devsim through its real pty with hand-built frames.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <optional>

#include "tests/support/devsim_process.h"

namespace {

using Bytes = std::vector<uint8_t>;

// frame written on a line opened for it alone (stray reply bytes stay queued:
// the device holds the line), then up to nMax bytes read, each within nWaitMs.
Bytes Exchange(const std::string& strPath, const Bytes& frame, size_t nMax, int nWaitMs) {
    const int fd = open(strPath.c_str(), O_RDWR | O_NOCTTY);
    EXPECT_EQ(write(fd, frame.data(), frame.size()), ssize_t(frame.size()));
    Bytes bytes;
    pollfd entry = {fd, POLLIN, 0};
    for (uint8_t b = 0;
         bytes.size() < nMax && poll(&entry, 1, nWaitMs) == 1 && read(fd, &b, 1) == 1;) {
        bytes.push_back(b);
    }
    close(fd);
    return bytes;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// 0x0A, code, 16-bit length, payload, 16-bit sum of all these bytes.
Bytes Frame(uint8_t nCode, std::initializer_list<Bytes> payload) {
    const Bytes body = Cat(payload);
    const Bytes frame = Cat({{0x0A, nCode, uint8_t(body.size() >> 8), uint8_t(body.size())}, body});
    const unsigned nSum = std::accumulate(frame.begin(), frame.end(), 0u);
    return Cat({frame, {uint8_t(nSum >> 8), uint8_t(nSum)}});
}

Bytes Count(uint8_t nFirst) {  // 256 data bytes counting up from nFirst: they sum to 32640
    Bytes data(256);
    std::iota(data.begin(), data.end(), nFirst);
    return data;
}

Bytes Block(uint8_t nSeq, uint16_t nAddress, uint8_t nFirst, int nComplement = -1) {
    const auto nNot = uint8_t(nComplement < 0 ? ~nSeq : nComplement);
    return Frame(0x20,
                 {{nSeq, nNot, 0, 0, uint8_t(nAddress >> 8), uint8_t(nAddress)}, Count(nFirst)});
}

Bytes Commit(uint16_t nTotal) {
    return Frame(0x21, {{'O', 0, 0, uint8_t(nTotal >> 8), uint8_t(nTotal)}});
}

// clang-format off
const Bytes kId = {0x0A, 0x19, 0x00, 0x05, 0x56, 0x41, 0x4E, 0x54, 0x4F, 0x01, 0xB0};
const Bytes kIdBad = {0x0A, 0x19, 0x00, 0x05, 0x56, 0x41, 0x4E, 0x54, 0x4F, 0x01, 0xB1};
const Bytes kIdOk = {0xD9, 0x00, 0x01, 0x01, 0x00, 0xDB}, kNone;
const Bytes kBOk = {0xE0, 0x00, 0x01, 0x01, 0x00, 0xE2}, kB4 = {0xE0, 0x00, 0x01, 0x04, 0x00, 0xE5};
const Bytes kFOk = {0xE1, 0x00, 0x01, 0x01, 0x00, 0xE3}, kF3 = {0xE1, 0x00, 0x01, 0x03, 0x00, 0xE5};
const Bytes kAbort = {0x0A, 0x21, 0x00, 0x01, 0x43, 0x00, 0x6F};
const Bytes kB0 = Block(0, 0x8000, 0), kB1 = Block(1, 0x8100, 1);
const Bytes kImage01 = Cat({Count(0), Count(1)});
const uint16_t kSum = 32640;
// clang-format on

struct SScenario {
    const char* pszName;
    std::vector<std::string> options;
    std::vector<std::pair<Bytes, Bytes>> steps;  // frame sent, whole reply
    std::vector<std::string> log = {};           // lines the device prints
    std::optional<Bytes> flash = {};             // committed image; empty: none
    int nMinReplyMs = 0;                         // wire pacing and reply delay
    friend void PrintTo(const SScenario& row, std::ostream* pOut) { *pOut << row.pszName; }
};
// One conversation per row: exact replies, the device's log, its committed image. The
// options that make the device fail (dropped, refused, malformed, late and missing
// replies, a hang-up) are met by vanto-flash in its own tests.
// clang-format off
const SScenario kScenarios[] = {
    {"BadOrUnknownFramesIgnored", {}, {{kIdBad, kNone}, {Frame(0x30, {}), kNone}, {kId, kIdOk}}},
    {"BlocksCommitted", {}, {{kB0, kBOk}, {kB1, kBOk}, {Commit(2 * kSum), kFOk}},
     {"BLOCK seq=1 addr=0x00008100 status=1", "FINISH commit total=0x0000FF00 status=1",
      "STATS rx_bytes=547 tx_bytes=18 replies=3"}, kImage01},
    {"RepeatedBlockStoredOnce", {}, {{kB0, kBOk}, {kB0, kBOk}, {Commit(kSum), kFOk}},
     {"BLOCK seq=0 addr=0x00008000 repeat status=1"}, Count(0)},
    {"WrongBlocksRefused", {}, {{Block(1, 0x8000, 0), kB4}, {kB0, kBOk}, {Block(1, 0x8300, 1), kB4},
     {Block(2, 0x8100, 1), kB4}, {Block(1, 0x8100, 1, 0xFF), kB4}, {kB1, kBOk}},
     {"BLOCK seq=1 addr=0x00008300 want seq=1 addr=0x00008100 status=4", "bad-complement"}},
    {"CommitWithWrongTotal", {}, {{kB0, kBOk}, {Commit(kSum + 1), kF3}}, {}, Bytes{}},
    {"AbortDiscardsTransfer", {}, {{kB0, kBOk}, {kAbort, kFOk}, {Block(0, 0x9000, 1), kBOk},
     {Commit(kSum), kFOk}}, {"FINISH abort status=1"}, Count(1)},
    {"SequenceZeroRestarts", {}, {{kB0, kBOk}, {Block(1, 0x8100, 0), kBOk},
     {Block(0, 0x8000, 1), kBOk}, {Commit(kSum), kFOk}}, {"addr=0x00008000 restart"}, Count(1)},
    {"PacedAndDelayed", {"--baud", "1200", "--reply-delay", "150"}, {{kId, kIdOk}, {kId, kIdOk}},
     {"IDENTIFY status=1", "STATS rx_bytes=22 tx_bytes=12 replies=2 reply_delay_ms=300"}, {},
     290},  // 142 + 150 ms
};
// clang-format on

class DevsimProtocol : public ::testing::TestWithParam<SScenario> {};

TEST_P(DevsimProtocol, AnswersExactly) {
    using namespace std::chrono;
    const SScenario& s = GetParam();
    CDevsimProcess device;
    std::vector<std::string> options = {"--flash-out", device.Dir().File("flash.bin")};
    options.insert(options.end(), s.options.begin(), s.options.end());
    ASSERT_TRUE(device.Start(options)) << device.Output();
    for (const auto& [frame, reply] : s.steps) {
        const auto tpSent = steady_clock::now();
        EXPECT_EQ(Exchange(device.LinkPath(), frame, std::max<size_t>(reply.size(), 1),
                           reply.empty() ? 300 : 2000),
                  reply);
        EXPECT_GE(duration_cast<milliseconds>(steady_clock::now() - tpSent).count(), s.nMinReplyMs);
    }
    EXPECT_EQ(Exchange(device.LinkPath(), {}, 1, 100), kNone) << "bytes after the last reply";
    if (s.flash) {
        std::ifstream file(options[1], std::ios::binary);
        EXPECT_TRUE(Bytes(std::istreambuf_iterator<char>(file), {}) == *s.flash);
    }
    EXPECT_EQ(device.Stop(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(device.LinkPath())) << "link left behind";
    for (const std::string& strLine : s.log) {
        EXPECT_TRUE(device.WaitForOutput(strLine, 0)) << strLine << "\n" << device.Output();
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, DevsimProtocol, ::testing::ValuesIn(kScenarios),
                         [](const auto& row) { return std::string(row.param.pszName); });

}  // namespace

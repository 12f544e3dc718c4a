// Command frames: exact bytes, checksums, the byte total, the fields that
// BuildFrame sets, and the engine's construction.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "link/update_engine.h"
#include "tests/link/fake_device.h"

namespace {

std::vector<uint8_t> FrameOf(const CUpdateEngine& engine) {
    return {engine.m_txFrame, engine.m_txFrame + engine.m_nFrameLen};
}

uint16_t Sum16(const std::vector<uint8_t>& bytes, size_t nBegin, size_t nEnd) {
    uint32_t nSum = 0;
    for (size_t i = nBegin; i < nEnd; ++i) {
        nSum += bytes[i];
    }
    return static_cast<uint16_t>(nSum);
}

// The engine with no port at all (the test main maps no COM ports).
class FrameTest : public ::testing::Test {
protected:
    CUpdateEngine m_engine;
};

TEST(EngineConstruction, InitialisesFieldsAndCreatesPort) {
    CUpdateEngine engine;
    EXPECT_EQ(engine.m_nBlockSize, 256);
    EXPECT_EQ(engine.m_nFormat, FMT_INTEL_HEX);
    EXPECT_EQ(engine.GetFirstAddress(), 0u);
    EXPECT_EQ(engine.m_nFrameLen, 0);
    EXPECT_EQ(engine.m_nReplyLen, 0);
    EXPECT_EQ(engine.m_nSequence, 0);
    EXPECT_EQ(engine.m_dwAddress, 0u);
    ASSERT_NE(engine.m_pPort, nullptr);
    EXPECT_FALSE(engine.m_pPort->IsOpen());  // COM1 does not exist: stays closed
}

TEST(EngineConstruction, OpensCom1WhenItExists) {
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    ScopedComPorts ports(pty.SlavePath());
    CUpdateEngine engine;
    EXPECT_EQ(engine.m_pPort->PortNumber(), 1);
}

// The exact frames of Part 2.2's edge cases.
struct ExactFrame {
    const char* pszName;
    uint8_t nCode;
    uint8_t bFinishOk;
    uint32_t dwByteTotal;
    const char* pszBytes;
    uint8_t nExpectedCode;
    uint32_t nTimeoutMs;
};

const ExactFrame kExactFrames[] = {
    {"identify", CMD_IDENTIFY, 0, 0, "0A 19 00 05 56 41 4E 54 4F 01 B0", CMD_IDENTIFY, 200},
    {"finish abort", CMD_FINISH, 0, 0, "0A 21 00 01 43 00 6F", CMD_FINISH, 800},
    {"finish commit, total 0", CMD_FINISH, 1, 0, "0A 21 00 05 4F 00 00 00 00 00 7F", CMD_FINISH,
     800},
    {"finish commit, total 0x12345678", CMD_FINISH, 0x80, 0x12345678,
     "0A 21 00 05 4F 12 34 56 78 01 93", CMD_FINISH, 800},
};

TEST_F(FrameTest, ExactFrames) {
    for (const ExactFrame& row : kExactFrames) {
        SCOPED_TRACE(row.pszName);
        m_engine.m_bFinishOk = row.bFinishOk;
        m_engine.m_dwByteTotal = row.dwByteTotal;
        m_engine.BuildFrame(row.nCode);
        EXPECT_EQ(FrameOf(m_engine), Hex(row.pszBytes));
        EXPECT_EQ(m_engine.m_nFrameLen, Hex(row.pszBytes).size());
        EXPECT_EQ(m_engine.m_nExpectedCode, row.nExpectedCode);
        EXPECT_EQ(m_engine.m_nReplyTimeout, row.nTimeoutMs);
        EXPECT_EQ(m_engine.m_dwByteTotal, row.dwByteTotal);  // only blocks add to it
    }
}

TEST_F(FrameTest, WriteBlockOfFFWrapsItsChecksum) {
    m_engine.m_nSequence = 0;
    m_engine.m_dwAddress = 0;
    m_engine.m_dwByteTotal = 0;
    std::memset(m_engine.m_blockData, 0xFF, sizeof m_engine.m_blockData);
    m_engine.BuildFrame(CMD_WRITE_BLOCK);
    const std::vector<uint8_t> frame = FrameOf(m_engine);
    ASSERT_EQ(frame.size(), 268u);
    EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 10),
              Hex("0A 20 01 06 00 FF 00 00 00 00"));
    for (size_t i = 10; i < 266; ++i) {
        ASSERT_EQ(frame[i], 0xFF) << "data byte " << i - 10;
    }
    // 0x0A+0x20+0x01+0x06+0x00+0xFF + 256*0xFF = 0x10030: the carry drops out.
    EXPECT_EQ(frame[266], 0x00);
    EXPECT_EQ(frame[267], 0x30);
    EXPECT_EQ(m_engine.m_dwByteTotal, 65280u);
    EXPECT_EQ(m_engine.m_nExpectedCode, CMD_WRITE_BLOCK);
    EXPECT_EQ(m_engine.m_nReplyTimeout, 1500u);
}

TEST_F(FrameTest, WriteBlockLayout) {
    m_engine.m_nSequence = 0x05;
    m_engine.m_dwAddress = 0x00012300;
    m_engine.m_dwByteTotal = 10;
    uint32_t nDataSum = 0;
    for (int i = 0; i < 256; ++i) {
        m_engine.m_blockData[i] = static_cast<uint8_t>(i * 7 + 3);
        nDataSum += m_engine.m_blockData[i];
    }
    m_engine.BuildFrame(CMD_WRITE_BLOCK);
    const std::vector<uint8_t> frame = FrameOf(m_engine);
    ASSERT_EQ(frame.size(), 268u);
    EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 10),
              Hex("0A 20 01 06 05 FA 00 01 23 00"));
    EXPECT_EQ(0, std::memcmp(frame.data() + 10, m_engine.m_blockData, 256));
    const uint16_t nSum = Sum16(frame, 0, 266);
    EXPECT_EQ(frame[266], nSum >> 8);
    EXPECT_EQ(frame[267], nSum & 0xFF);
    EXPECT_EQ(m_engine.m_dwByteTotal, 10u + nDataSum);
}

TEST_F(FrameTest, SequenceComplement) {
    for (int nSequence : {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF}) {
        m_engine.m_nSequence = static_cast<uint8_t>(nSequence);
        m_engine.BuildFrame(CMD_WRITE_BLOCK);
        EXPECT_EQ(m_engine.m_txFrame[4], nSequence);
        EXPECT_EQ(m_engine.m_txFrame[5], 0xFF - nSequence);
    }
}

TEST_F(FrameTest, ByteTotalWraps) {
    struct Row {
        uint32_t dwBefore;
        uint8_t nFill;
        uint32_t dwAfter;
    };
    const Row rows[] = {
        {0xFFFFFF00u, 0xFF, 0x0000FE00u},  // 0xFFFFFF00 + 65280 wraps past 2^32
        {0xFFFFFFFFu, 0x01, 0x000000FFu},  // + 256
        {0xFFFFFFFFu, 0x00, 0xFFFFFFFFu},  // zeros add nothing
    };
    for (const Row& row : rows) {
        m_engine.m_dwByteTotal = row.dwBefore;
        std::memset(m_engine.m_blockData, row.nFill, sizeof m_engine.m_blockData);
        m_engine.BuildFrame(CMD_WRITE_BLOCK);
        EXPECT_EQ(m_engine.m_dwByteTotal, row.dwAfter) << std::hex << row.dwBefore;
    }
    // The commit frame carries the wrapped total.
    m_engine.m_dwByteTotal = 0x0000FE00u;
    m_engine.m_bFinishOk = 1;
    m_engine.BuildFrame(CMD_FINISH);
    EXPECT_EQ(FrameOf(m_engine), Hex("0A 21 00 05 4F 00 00 FE 00 01 7D"));
}

TEST_F(FrameTest, RebuildReplacesThePreviousFrame) {
    std::memset(m_engine.m_blockData, 0xFF, sizeof m_engine.m_blockData);
    m_engine.BuildFrame(CMD_WRITE_BLOCK);
    m_engine.BuildFrame(CMD_IDENTIFY);
    EXPECT_EQ(FrameOf(m_engine), Hex("0A 19 00 05 56 41 4E 54 4F 01 B0"));
    EXPECT_EQ(m_engine.m_nReplyTimeout, 200u);
}

TEST(ResultCodes, Names) {
    EXPECT_STREQ(ResultCodeName(UPD_OK), "UPD_OK");
    EXPECT_STREQ(ResultCodeName(UPD_MORE), "UPD_MORE");
    EXPECT_STREQ(ResultCodeName(UPD_CHECKSUM_ERROR), "UPD_CHECKSUM_ERROR");
    EXPECT_STREQ(ResultCodeName(UPD_FLASH_ADDRESS_ERROR), "UPD_FLASH_ADDRESS_ERROR");
    EXPECT_STREQ(ResultCodeName(UPD_PORT_WRITE_FAILED), "UPD_PORT_WRITE_FAILED");
    EXPECT_STREQ(ResultCodeName(UPD_NO_RESPONSE), "UPD_NO_RESPONSE");
    EXPECT_STREQ(ResultCodeName(UPD_TRANSMISSION_ERROR), "UPD_TRANSMISSION_ERROR");
    EXPECT_STREQ(ResultCodeName(UPD_FILE_ERROR), "UPD_FILE_ERROR");
    EXPECT_STREQ(ResultCodeName(0), "");
    EXPECT_STREQ(ResultCodeName(9), "");
    EXPECT_STREQ(ResultCodeName(255), "");
}

}  // namespace

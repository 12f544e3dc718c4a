// The block source: gaps, carry-over, block counts, and where every byte of
// the image lands in the block stream.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/update_engine.h"
#include "tests/image/image_test_files.h"

namespace {

using image_test::HexLine;
using image_test::PatternBytes;
using image_test::SLine;
using image_test::TempDir;

// A line of a test file: a data record (address, length; its bytes come from
// PatternBytes with the record's index) or raw text.
struct Line {
    uint32_t dwAddress = 0;
    int nLength = 0;
    std::string strRaw;
};
Line Rec(uint32_t dwAddress, int nLength) {
    return {dwAddress, nLength, ""};
}
Line Raw(std::string strText) {
    return {0, 0, std::move(strText)};
}
// nCount records of nLength bytes, back to back from dwAddress.
std::vector<Line> Records(uint32_t dwAddress, int nCount, int nLength) {
    std::vector<Line> lines;
    for (int i = 0; i < nCount; ++i) {
        lines.push_back(Rec(dwAddress + static_cast<uint32_t>(i * nLength), nLength));
    }
    return lines;
}
std::vector<Line> operator+(std::vector<Line> a, const std::vector<Line>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A piece of the expected stream: all bytes of data records nFirst..nLast,
// or nFill bytes of 0xFF.
struct Piece {
    int nFirst = 0;
    int nLast = -1;
    int nFill = 0;
};
Piece Data(int nFirst, int nLast) {
    return {nFirst, nLast, 0};
}
Piece Data(int nRecord) {
    return {nRecord, nRecord, 0};
}
Piece Fill(int nBytes) {
    return {0, -1, nBytes};
}

struct BlockCase {
    const char* pszName;
    int nAddrBytes;  // 0: Intel HEX; 2, 3, 4: S1, S2, S3
    std::vector<Line> lines;
    std::vector<Piece> stream;
    std::vector<int> sizes;  // delivered block sizes until 0 bytes or failure
    int nFailedAt;           // index of the failing ReadBlock, -1 for none
    int nCounted;            // CountBlocks result, -1 for failure
    uint32_t dwFirstAddress;
};

struct BuiltFile {
    std::string strText;
    std::vector<std::vector<uint8_t>> records;
};

BuiltFile BuildFile(const BlockCase& c) {
    BuiltFile file;
    for (const Line& line : c.lines) {
        if (!line.strRaw.empty()) {
            file.strText += line.strRaw + "\r\n";
            continue;
        }
        auto data = PatternBytes(static_cast<int>(file.records.size()), line.nLength);
        file.strText += (c.nAddrBytes == 0 ? HexLine(static_cast<uint16_t>(line.dwAddress), data)
                                           : SLine(c.nAddrBytes, line.dwAddress, data)) +
                        "\r\n";
        file.records.push_back(data);
    }
    return file;
}

std::vector<uint8_t> ExpectedStream(const BlockCase& c, const BuiltFile& file) {
    std::vector<uint8_t> bytes;
    for (const Piece& piece : c.stream) {
        bytes.insert(bytes.end(), static_cast<size_t>(piece.nFill), 0xFF);
        for (int i = piece.nFirst; i <= piece.nLast; ++i) {
            bytes.insert(bytes.end(), file.records.at(static_cast<size_t>(i)).begin(),
                         file.records.at(static_cast<size_t>(i)).end());
        }
    }
    return bytes;
}

TEST(BlockSource, LaysOutTheImageInBlocks) {
    const char* kHexEnd = ":00000001FF";
    const std::vector<BlockCase> cases = {
        {"1000 bytes at 0x8000",
         0,
         Records(0x8000, 62, 16) + std::vector{Rec(0x83E0, 8), Raw(kHexEnd)},
         {Data(0, 62)},
         {256, 256, 256, 232},
         -1,
         4,
         0x8000},
        {"exactly 512 bytes", 0, Records(0, 32, 16), {Data(0, 31)}, {256, 256}, -1, 2, 0},
        {"gap between two records",
         0,
         {Rec(0, 16), Rec(32, 16)},
         {Data(0), Fill(16), Data(1)},
         {48},
         -1,
         1,
         0},
        {"24-byte records carry across a block end",
         0,
         Records(0, 12, 24),
         {Data(0, 11)},
         {256, 32},
         -1,
         2,
         0},
        {"overlapping and backward records follow without fill",
         0,
         {Rec(0x100, 16), Rec(0x108, 16), Rec(0x50, 16), Rec(0x200, 16)},
         {Data(0, 2), Fill(0x200 - 0x60), Data(3)},
         {256, 224},
         -1,
         2,
         0x100},
        {"extended linear address: appended, no fill",
         0,
         Records(0xFFE0, 2, 16) + std::vector{Raw(":020000040001F9")} + Records(0, 2, 16),
         {Data(0, 3)},
         {64},
         -1,
         1,
         0xFFE0},
        {"gap spanning whole blocks",
         0,
         {Rec(0, 16), Rec(0x300, 16)},
         {Data(0), Fill(0x2F0), Data(1)},
         {256, 256, 256, 16},
         -1,
         4,
         0},
        {"gap into the next block, record crossing its end",
         0,
         {Rec(0, 16), Rec(0x1F8, 16)},
         {Data(0), Fill(0x1E8), Data(1)},
         {256, 256, 8},
         -1,
         3,
         0},
        {"gap ending exactly at a block end",
         0,
         {Rec(0, 16), Rec(0x100, 16)},
         {Data(0), Fill(0xF0), Data(1)},
         {256, 16},
         -1,
         2,
         0},
        {"S1: 35 bytes of one record carried",
         2,
         std::vector{Rec(0, 3)} + Records(3, 8, 36),
         {Data(0, 8)},
         {256, 35},
         -1,
         2,
         0},
        {"S1: fill over a block end, then a 36-byte record crossing the next",
         2,
         {Rec(0, 16), Rec(0x1F0, 36)},
         {Data(0), Fill(0x1E0), Data(1)},
         {256, 256, 20},
         -1,
         3,
         0},
        {"S5 ends a block early; counting stops there",
         2,
         {Rec(0, 16), Raw("S5030001FB"), Rec(0x10, 16)},
         {Data(0, 1)},
         {16, 16},
         -1,
         1,
         0},
        {"S5 right after a full block ends the data",
         2,
         Records(0, 16, 16) + std::vector{Raw("S5030001FB")} + Records(0x100, 1, 16),
         {Data(0, 15)},
         {256},
         -1,
         1,
         0},
        {"bad record in the second block",
         0,
         Records(0, 20, 16) + std::vector{Raw(":10014000000102030405060708090A0B0C0D0E0F00")},
         {Data(0, 15)},
         {256},
         1,
         -1,
         0},
        {"only an end record", 0, {Raw(kHexEnd)}, {}, {}, -1, 0, 0},
        {"empty file", 0, {}, {}, {}, -1, 0, 0},
        {"S3 high addresses",
         4,
         {Rec(0xFFFFFF00, 16), Rec(0xFFFFFF20, 16)},
         {Data(0), Fill(16), Data(1)},
         {48},
         -1,
         1,
         0xFFFFFF00},
        {"S2 first record fixes the first address",
         3,
         {Rec(0x123456, 10), Rec(0x123460, 6)},
         {Data(0, 1)},
         {16},
         -1,
         1,
         0x123456},
    };
    TempDir dir;
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        const BuiltFile file = BuildFile(c);
        CUpdateEngine engine;
        ASSERT_TRUE(engine.OpenUpdateFile(dir.Write("image", file.strText).c_str(),
                                          c.nAddrBytes == 0 ? FMT_INTEL_HEX : FMT_SRECORD));
        int nCounted = -1;
        EXPECT_EQ(engine.CountBlocks(&nCounted), c.nCounted >= 0);
        EXPECT_EQ(nCounted, c.nCounted);
        engine.RewindUpdateFile();

        const image_test::BlockStream stream = image_test::ReadAllBlocks(engine);
        EXPECT_EQ(stream.sizes, c.sizes);
        EXPECT_EQ(stream.nFailedAt, c.nFailedAt);
        EXPECT_EQ(stream.bytes, ExpectedStream(c, file));
        EXPECT_EQ(engine.GetFirstAddress(), c.dwFirstAddress);
        EXPECT_LE(engine.m_nCarryLen, 40);
    }
}

TEST(BlockSource, EndOfDataIsLasting) {
    TempDir dir;
    CUpdateEngine engine;
    ASSERT_TRUE(engine.OpenUpdateFile(dir.Write("a.hex", HexLine(0, PatternBytes(0, 16))).c_str(),
                                      FMT_INTEL_HEX));
    uint8_t abBlock[256];
    int nBytes = -1;
    ASSERT_TRUE(engine.ReadBlock(abBlock, &nBytes, 256));
    EXPECT_EQ(nBytes, 16);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(engine.ReadBlock(abBlock, &nBytes, 256));
        EXPECT_EQ(nBytes, 0);
    }
}

TEST(BlockSource, RewindGivesTheSameStreamAfterAPartialRead) {
    std::string strText;
    for (int i = 0; i < 40; ++i) {
        // Records with gaps of varying size, some crossing block ends.
        strText += HexLine(static_cast<uint16_t>(0x1000 + i * 57), PatternBytes(i, 30)) + "\n";
    }
    TempDir dir;
    CUpdateEngine engine;
    ASSERT_TRUE(engine.OpenUpdateFile(dir.Write("a.hex", strText).c_str(), FMT_INTEL_HEX));
    const auto first = image_test::ReadAllBlocks(engine);
    engine.RewindUpdateFile();
    image_test::ReadAllBlocks(engine, 3);
    engine.RewindUpdateFile();
    const auto again = image_test::ReadAllBlocks(engine);
    EXPECT_EQ(first.bytes, again.bytes);
    EXPECT_EQ(first.bytes.size(), 39u * 57u + 30u);
}

TEST(BlockSource, CountWithoutAFileFailsAndKeepsTheCount) {
    CUpdateEngine engine;
    int nBlocks = 77;
    EXPECT_FALSE(engine.CountBlocks(&nBlocks));
    EXPECT_EQ(nBlocks, 77);
}

}  // namespace

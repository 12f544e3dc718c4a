// The block source: image byte A goes in block (A - first) / 256 at offset (A - first) % 256.
// Also against srec_cat's image.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <tuple>

#include "tests/image/image_test_files.h"

namespace image_test {
namespace {

// nCount data records back to back (bytes: PatternBytes(nLength, <record index>);
// the first after nFill bytes of 0xFF in the stream), or a raw line.
struct Lines {
    uint32_t dwAddress = 0;
    int nLength = 0, nFill = 0, nCount = 1;
    const char* pszRaw = nullptr;
};

TEST(BlockSource, LaysOutTheImageInBlocks) {
    const Lines kEnd{0, 0, 0, 1, ":00000001FF"}, kS5{0, 0, 0, 1, "S5030001FB"};
    const Lines kS9{0, 0, 0, 1, "S9030000FC"}, kLinear0{0, 0, 0, 1, ":020000040000FA"};
    const Lines kBad{0, 0, 0, 1, ":10014000000102030405060708090A0B0C0D0E0F00"};
    // Address bytes (0: Intel HEX), lines, block sizes until 0 (-1: fails), count (-1: fails).
    const std::vector<std::tuple<int, std::vector<Lines>, std::vector<int>, int>> cases = {
        {0, {{0xFFC0, 16, 0, 2}, kLinear0, {0xFFE0, 16, 0, 2}, kEnd}, {64}, 1},
        {0, {{0, 16}, {0x100, 16, 0xF0}}, {256, 16}, 2},
        {2, {{0, 3}, {3, 36, 0, 8}}, {256, 35}, 2},  // 35 bytes of one record carried
        {2, {{0, 16}, {0x1F0, 36, 0x1E0}}, {256, 256, 20}, 3},
        {2, {{0, 16}, kS5, kS9}, {16}, 1},  // lines of other types may follow the end
        {2, {{0, 16, 0, 16}, kS5}, {256}, 1},
        {0, {{0, 16, 0, 20}, kBad}, {256, -1}, -1},
        {0, {kEnd}, {}, 0},
        {0, {}, {}, 0},
        {4, {{0xFFFFFF00, 16}, {0xFFFFFF20, 16, 16}}, {48}, 1},
    };
    for (const auto& [nAddrBytes, lines, sizes, nCount] : cases) {
        SCOPED_TRACE(testing::PrintToString(sizes));
        std::string strText;
        Bytes expected;  // the records with their fill, cut to the length of the stream
        int nRecords = 0;
        for (const Lines& run : lines) {
            expected.insert(expected.end(), static_cast<size_t>(run.nFill), 0xFF);
            for (int i = 0; i < run.nCount; ++i) {
                const Bytes data =
                    run.pszRaw ? Bytes() : PatternBytes(size_t(run.nLength), uint8_t(nRecords++));
                const uint32_t dwAddress = run.dwAddress + static_cast<uint32_t>(i * run.nLength);
                strText +=
                    (run.pszRaw ? run.pszRaw : RecordLine(nAddrBytes, dwAddress, data)) + "\r\n";
                expected.insert(expected.end(), data.begin(), data.end());
            }
        }
        CBlockSource source;
        const uint8_t nFormat = nAddrBytes == 0 ? FMT_INTEL_HEX : FMT_SRECORD;
        ASSERT_TRUE(source.OpenUpdateFile(Write("image", strText).c_str(), nFormat));
        int nBytes = -1;
        EXPECT_EQ(source.CountBlocks(&nBytes), nCount >= 0);
        EXPECT_EQ(nBytes, nCount);
        source.RewindUpdateFile();
        const BlockStream stream = ReadAllBlocks(source);
        EXPECT_EQ(stream.sizes, sizes);
        expected.resize(std::min(expected.size(), stream.bytes.size()));
        EXPECT_EQ(stream.bytes, expected);
        EXPECT_EQ(source.GetFirstAddress(), lines.empty() ? 0 : lines[0].dwAddress);
    }
}

// Files whose data the device would get at other addresses (or not at all)
// than the file gives them: both passes of the block source refuse them, the
// whole-file check with the same line and reason. Rows: the format (0 Intel
// HEX, else S-records), the lines (CR LF after each), the line and the reason.
TEST(BlockSource, RefusesFilesTheDeviceWouldGetOtherwise) {
    const auto R = [](int nAddrBytes, uint32_t dwAddress, uint8_t nByte = 0x11) {
        return RecordLine(nAddrBytes, dwAddress, Bytes(16, nByte));
    };
    const std::string kS0 = "S00600004844521B", kS5 = "S5030001FB", kS9 = "S9030000FC";
    const std::string kEof = ":00000001FF", kStart = ":040000050000800077";
    // The faults and their reasons as the readers word them.
    using Why = std::pair<ERecordFault, std::string>;
    const auto Back = [](unsigned long long nTo, unsigned long long nPreviousEnd) {
        char sz[128];
        std::snprintf(sz, sizeof sz,
                      "record goes back to 0x%08llX, below the end of the previous record 0x%08llX",
                      nTo, nPreviousEnd);
        return Why{ERecordFault::GoesBack, sz};
    };
    const auto After = [](const std::string& strEnd) {
        return Why{ERecordFault::DataAfterEnd, "data after the end of the data (" + strEnd + ")"};
    };
    const auto Extended = [](const std::string& strAddress) {
        return Why{ERecordFault::ExtendedAddress,
                   "extended " + strAddress + ": this device takes 16-bit addresses"};
    };
    const Why kLower = {ERecordFault::LowerCaseDigit,
                        "lower-case hex digit 'a'; the device's files use upper case"};
    const std::vector<std::tuple<int, std::vector<std::string>, uint32_t, Why>> cases = {
        {0, {R(0, 0x8000), R(0, 0x8010), R(0, 0x8000)}, 3, Back(0x8000, 0x8020)},
        {0, {R(0, 0x100), R(0, 0x108)}, 2, Back(0x108, 0x110)},  // overlaps
        {0, {R(0, 0x100), R(0, 0x100)}, 2, Back(0x100, 0x110)},  // the same record twice
        // no bytes, but it moves the fill
        {0, {R(0, 0x100), ":0000000000", R(0, 0x110)}, 2, Back(0, 0x110)},
        {0, {R(0, 0), kEof, kStart, R(0, 0x10)}, 4, After("end-of-file record at 2")},
        {0, {":020000040800F2", R(0, 0x8000)}, 1, Extended("linear address 0x0800")},
        {0, {R(0, 0xFFF0), ":020000040001F9", R(0, 0)}, 2, Extended("linear address 0x0001")},
        {0, {":020000021000EC", R(0, 0)}, 1, Extended("segment address 0x1000")},
        {0, {":02000004000aF0", R(0, 0)}, 1, kLower},
        {0, {R(0, 0), ":010000000af5"}, 2, kLower},  // decodes to other bytes, fails its sum
        {0, {":01000000a0FF"}, 1, kLower},           // decodes to 0x00 and passes its sum
        {0, {R(0, 0), "\032" + R(0, 0x10)}, 2, After("Ctrl-Z at 2")},
        {0, {R(0, 0) + "\032", "", " " + R(0, 0x10)}, 3, After("Ctrl-Z at 1")},
        {2, {kS0, R(2, 0), kS5, R(2, 0x10), kS9}, 4, After("S5 line at 3")},
        {2, {R(2, 0), kS9, "", R(2, 0x10)}, 4, After("S9 line at 2")},
        {2, {R(2, 8), "", R(2, 0x18)}, 3, After("blank line at 2")},
        {2, {kS0, kS0, R(2, 0x100)}, 3, After("S0 line at 2")},
        // s1 is no data record
        {2, {R(2, 0), "s1" + R(2, 0x10).substr(2), R(2, 0x20)}, 3, After("non-record line at 2")},
        {2, {R(2, 0x100), R(2, 0x80)}, 2, Back(0x80, 0x110)},
        {4, {R(4, 0xFFFFFFF8), R(4, 0)}, 2, Back(0, 0x100000008)},  // ends past 32-bit addresses
        {2, {R(2, 0), "S1130010" + std::string(32, 'a') + "AC"}, 2, kLower},
    };
    for (const auto& [nAddrBytes, lines, nLine, why] : cases) {
        const auto& [eFault, strWhy] = why;
        SCOPED_TRACE(strWhy);
        const std::string strPath = WriteLines("refused", lines);
        const uint8_t nFormat = nAddrBytes == 0 ? FMT_INTEL_HEX : FMT_SRECORD;
        CBlockSource source;
        EXPECT_FALSE(source.LoadUpdateImageFile(strPath.c_str(), nFormat));
        EXPECT_FALSE(source.m_reader.IsOpen());
        EXPECT_EQ(source.m_reader.m_nFailedLine, nLine);
        EXPECT_EQ(source.m_reader.m_strFailure, strWhy);
        EXPECT_EQ(source.m_reader.m_eFault, eFault);
        ASSERT_TRUE(source.OpenUpdateFile(strPath.c_str(), nFormat));
        const std::vector<int> sizes = ReadAllBlocks(source).sizes;
        EXPECT_TRUE(!sizes.empty() && sizes.back() == -1) << "the sending pass refuses it too";
        CImageCheck check;
        EXPECT_FALSE(check.Check(strPath.c_str(), nFormat));
        EXPECT_EQ(check.m_nFailedLine, nLine);
        EXPECT_EQ(check.m_strFailure, strWhy);
        EXPECT_EQ(check.m_eFailure, CImageCheck::EFailure::BadRecord);
        EXPECT_EQ(check.m_eFault, eFault);
    }
}

// Random ascending Intel HEX (16, 32 bytes a line), S1, S2, S3 against srec_cat's filled image.
TEST(SrecCatDifferential, BlockStreamEqualsTheFilledImage) {
    const uint32_t kTop[] = {0x4000, 0, 0x4000, 0xF00000, 0xFFF00000};  // room for 0xB000 bytes
    std::mt19937 random(20240611);
    auto Random = [&](uint32_t nLow, uint32_t nHigh) {
        return std::uniform_int_distribution<uint32_t>(nLow, nHigh)(random);
    };
    for (int nRound = 0; nRound < 56; ++nRound) {
        const int nKind = nRound % 7, nAddrBytes = nKind < 4 ? 0 : nKind - 2;
        const std::string strLineEnd = nRound % 2 ? "\n" : "\r\n";
        SCOPED_TRACE("round " + std::to_string(nRound));
        const uint32_t dwFirst = Random(0, kTop[nAddrBytes]);
        std::string strText;
        for (uint32_t dwAddress = dwFirst, n = Random(1, 200);
             n > 0 && dwAddress < dwFirst + 0xA000; --n) {
            Bytes data(nKind < 4 ? 16 << (nKind % 2) : Random(1, 34));
            std::generate(data.begin(), data.end(), [&] { return uint8_t(random()); });
            strText += RecordLine(nAddrBytes, dwAddress, data) + strLineEnd;
            const uint32_t anGap[] = {0, 0, Random(1, 40), Random(200, 1200)};
            dwAddress += static_cast<uint32_t>(data.size()) + anGap[random() % 4];
        }
        const std::string strIn = Write("in", strText + EndLine(nAddrBytes) + strLineEnd);
        const std::string strSource = strIn + (nAddrBytes == 0 ? " -Intel" : " -Motorola");
        const std::string strCommand = "srec_cat '(' " + strSource + " -fill 0xFF -over " +
                                       strSource + " ')' -offset - -minimum-address " + strSource +
                                       " -o " + strIn + ".bin -Binary";
        ASSERT_EQ(std::system(strCommand.c_str()), 0) << "needs srec_cat (package srecord)";
        std::ifstream in(strIn + ".bin", std::ios::binary);
        const Bytes expected(std::istreambuf_iterator<char>(in), {});

        CBlockSource source;
        ASSERT_TRUE(
            source.OpenUpdateFile(strIn.c_str(), nAddrBytes == 0 ? FMT_INTEL_HEX : FMT_SRECORD));
        int nCounted = -1;
        ASSERT_TRUE(source.CountBlocks(&nCounted));
        EXPECT_EQ(static_cast<size_t>(nCounted), (expected.size() + 255) / 256);
        source.RewindUpdateFile();
        EXPECT_TRUE(ReadAllBlocks(source).bytes == expected) << "block streams differ";
        EXPECT_EQ(source.GetFirstAddress(), dwFirst);
    }
}

}  // namespace
}  // namespace image_test

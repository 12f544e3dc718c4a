// The record readers: one table for Intel HEX, one for S-records, one for
// the hex-pair decoding they share.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "link/update_engine.h"
#include "tests/image/image_test_files.h"

namespace {

using image_test::HexLine;
using image_test::PatternBytes;
using image_test::SLine;
using image_test::TempDir;
using image_test::ToHex;

const char kHexEnd[] = ":00000001FF";
const char kExtLinear[] = ":020000040001F9";  // upper address 0x0001
const char kExtSegment[] = ":020000021000EC";
const char kStartLinear[] = ":040000050000800077";

// What one ReadNextRecord call must give; address and length are checked for
// every result (they read 0 unless a data record came).
struct Read {
    int nResult;
    uint32_t dwAddress = 0;
    int nLength = 0;
    std::string strDataHex = "";  // checked when not empty
    int nAddrBytes = 0;
};

struct RecordCase {
    const char* pszName;
    std::vector<std::string> lines;
    std::vector<Read> reads;
    uint32_t dwFirstAddress = 0;  // after all reads
    const char* pszLineEnd = "\r\n";
};

std::string Join(const std::vector<std::string>& lines, const char* pszLineEnd) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + pszLineEnd;
    }
    return text;
}

void RunRecordCases(uint8_t nFormat, const std::vector<RecordCase>& cases) {
    TempDir dir;
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CUpdateEngine engine;
        ASSERT_TRUE(
            engine.OpenUpdateFile(dir.Write("f", Join(c.lines, c.pszLineEnd)).c_str(), nFormat));
        uint32_t nDataRecords = 0;
        for (size_t i = 0; i < c.reads.size(); ++i) {
            SCOPED_TRACE("read " + std::to_string(i + 1));
            const Read& want = c.reads[i];
            ASSERT_EQ(engine.ReadNextRecord(), want.nResult);
            EXPECT_EQ(engine.m_rec.dwAddress, want.dwAddress);
            EXPECT_EQ(engine.m_rec.wLength, want.nLength);
            EXPECT_EQ(engine.m_rec.nAddrBytes, want.nAddrBytes);
            if (!want.strDataHex.empty()) {
                EXPECT_EQ(ToHex({engine.m_rec.abData, engine.m_rec.abData + engine.m_rec.wLength}),
                          want.strDataHex);
            }
            nDataRecords += want.nResult == REC_DATA ? 1 : 0;
        }
        EXPECT_EQ(engine.m_nRecordCount, nDataRecords);
        EXPECT_EQ(engine.GetFirstAddress(), c.dwFirstAddress);
    }
}

TEST(HexRecords, ReadsDataRecordsAndRejectsBadLines) {
    const auto k16 = PatternBytes(1, 16);
    const auto k35 = PatternBytes(2, 35);
    std::string strLower = HexLine(0x0100, k16);
    for (char& c : strLower) {
        c = static_cast<char>(std::tolower(c));
    }
    // The length byte claims one byte more or fewer than the line carries,
    // with a checksum that is right for the bytes that are there.
    const std::string strClaimsMore = ":11010000" + ToHex(k16) + "??";
    const std::string strClaimsFewer = ":0F010000" + ToHex(k16) + "??";
    auto WithChecksum = [](std::string line) {
        unsigned nSum = 0;
        for (size_t i = 1; i + 2 < line.size(); i += 2) {
            nSum += std::stoul(line.substr(i, 2), nullptr, 16);
        }
        char sz[3];
        std::snprintf(sz, sizeof sz, "%02X", (0x100 - (nSum & 0xFF)) & 0xFF);
        return line.replace(line.size() - 2, 2, sz);
    };
    std::string strBadSum = HexLine(0x0100, k16);
    strBadSum.back() = strBadSum.back() == '0' ? '1' : '0';
    const std::vector<RecordCase> cases = {
        {"16 bytes at 0x0100",
         {HexLine(0x0100, k16)},
         {{REC_DATA, 256, 16, ToHex(k16)}, {REC_END}},
         256},
        {"end record, then the end of the file, lastingly", {kHexEnd}, {{REC_END}, {REC_END}}},
        {"empty line after the end record",
         {HexLine(0x10, k16), kHexEnd, ""},
         {{REC_DATA, 0x10, 16}, {REC_BAD}},
         0x10},
        {"no data bytes, checksum 00, is the first record",
         {":0000000000", HexLine(0x20, k16)},
         {{REC_DATA, 0, 0}, {REC_DATA, 0x20, 16}}},
        {"extended linear address passed over, addresses stay 16-bit",
         {HexLine(0xFFF0, k16), kExtLinear, HexLine(0x0000, k16)},
         {{REC_DATA, 0xFFF0, 16}, {REC_DATA, 0, 16}, {REC_END}},
         0xFFF0},
        {"four other records, then data",
         {kExtLinear, kExtSegment, kStartLinear, kExtLinear, HexLine(0x40, k16)},
         {{REC_DATA, 0x40, 16}},
         0x40},
        {"five other records, then data",
         {kExtLinear, kExtSegment, kStartLinear, kExtLinear, kExtLinear, HexLine(0x40, k16)},
         {{REC_BAD}}},
        {"five other records, then the end of the file",
         {kExtLinear, kExtSegment, kStartLinear, kExtLinear, kHexEnd},
         {{REC_BAD}}},
        {"the six-line limit counts per call",
         {HexLine(0, k16), kExtLinear, kExtLinear, kExtLinear, kExtLinear, HexLine(0x10, k16),
          kExtLinear, kExtLinear, kExtLinear, kHexEnd},
         {{REC_DATA, 0, 16}, {REC_DATA, 0x10, 16}, {REC_END}}},
        {"35 data bytes fill the decoding buffer",
         {HexLine(0x1234, k35)},
         {{REC_DATA, 0x1234, 35, ToHex(k35)}},
         0x1234},
        {"36 data bytes do not fit", {HexLine(0x1234, PatternBytes(3, 36))}, {{REC_BAD}}},
        {"lower-case digits", {strLower}, {{REC_BAD}}},
        {"trailing blanks", {HexLine(0x0100, k16) + "  "}, {{REC_BAD}}},
        {"wrong checksum", {strBadSum}, {{REC_BAD}}},
        {"no colon", {HexLine(0x0100, k16).substr(1)}, {{REC_BAD}}},
        {"length claims more than the line carries", {WithChecksum(strClaimsMore)}, {{REC_BAD}}},
        {"length claims fewer than the line carries", {WithChecksum(strClaimsFewer)}, {{REC_BAD}}},
        {"data type with no length digits", {":00000000"}, {{REC_BAD}}},
        {"short lines with a colon are passed over",
         {":", ":0000", HexLine(0x50, k16)},
         {{REC_DATA, 0x50, 16}},
         0x50},
        {"LF line ends",
         {HexLine(0x60, k16), kHexEnd},
         {{REC_DATA, 0x60, 16}, {REC_END}},
         0x60,
         "\n"},
        {"Ctrl-Z ends the file",
         {HexLine(0x60, k16), "\x1A", "garbage"},
         {{REC_DATA, 0x60, 16}, {REC_END}},
         0x60},
    };
    RunRecordCases(FMT_INTEL_HEX, cases);
}

TEST(SRecords, ReadsDataRecordsAndEndsAtOtherTypes) {
    const auto k16 = PatternBytes(4, 16);
    const std::string kHeader = "S00600004844521B";
    const std::string kS9 = "S9030000FC";
    const std::string kS5 = "S5030001FB";
    std::string strBadCount = SLine(2, 0x100, k16);
    strBadCount[3] = '4';  // count 0x14 instead of 0x13
    std::string strBadSum = SLine(2, 0x100, k16);
    strBadSum.back() = strBadSum.back() == '0' ? '1' : '0';
    const std::vector<RecordCase> cases = {
        {"header, data, S9",
         {kHeader, SLine(2, 0x100, k16), SLine(2, 0x110, k16), kS9},
         {{REC_DATA, 0x100, 16, ToHex(k16), 2}, {REC_DATA, 0x110, 16, "", 2}, {REC_END}},
         0x100},
        {"a second S0 in a row ends the data",
         {kHeader, kHeader, SLine(2, 0x100, k16)},
         {{REC_END}, {REC_DATA, 0x100, 16, "", 2}},
         0x100},
        {"S0 at the end of the file", {kHeader}, {{REC_END}, {REC_END}}},
        {"S5 between data lines ends one call",
         {SLine(2, 0, k16), kS5, SLine(2, 0x10, k16)},
         {{REC_DATA, 0, 16, "", 2}, {REC_END}, {REC_DATA, 0x10, 16, "", 2}, {REC_END}}},
        {"S3 address 00 01 00 00", {SLine(4, 0x10000, k16)}, {{REC_DATA, 65536, 16, "", 4}}, 65536},
        {"S2 has three address bytes",
         {SLine(3, 0xABCDEF, k16)},
         {{REC_DATA, 0xABCDEF, 16, ToHex(k16), 3}},
         0xABCDEF},
        {"wrong count", {strBadCount}, {{REC_BAD}}},
        {"wrong checksum", {strBadSum}, {{REC_BAD}}},
        {"count 39: 36 data bytes in S1",
         {SLine(2, 0, PatternBytes(5, 36))},
         {{REC_DATA, 0, 36, ToHex(PatternBytes(5, 36)), 2}}},
        {"count 39: 34 data bytes in S3",
         {SLine(4, 0, PatternBytes(5, 34))},
         {{REC_DATA, 0, 34, "", 4}}},
        {"count 40 is beyond the decoding buffer", {SLine(2, 0, PatternBytes(6, 37))}, {{REC_BAD}}},
        {"count leaves no room for address and checksum", {"S102AA53"}, {{REC_BAD}}},
        {"S3 count of 3", {"S3030000FC"}, {{REC_BAD}}},
        {"no data bytes", {SLine(2, 0x40, {})}, {{REC_DATA, 0x40, 0, "", 2}}, 0x40},
        {"type alone", {"S1"}, {{REC_BAD}}},
        {"lower-case s1 ends the data",
         {"s1" + SLine(2, 0, k16).substr(2), SLine(2, 0, k16)},
         {{REC_END}, {REC_DATA, 0, 16, "", 2}}},
        {"blank line ends one call",
         {SLine(2, 8, k16), "", SLine(2, 0x18, k16)},
         {{REC_DATA, 8, 16, "", 2}, {REC_END}, {REC_DATA, 0x18, 16, "", 2}},
         8},
        {"trailing blank", {SLine(2, 0, k16) + " "}, {{REC_BAD}}},
        {"LF line ends", {kHeader, SLine(2, 0x70, k16)}, {{REC_DATA, 0x70, 16, "", 2}}, 0x70, "\n"},
    };
    RunRecordCases(FMT_SRECORD, cases);
}

TEST(HexToBytes, DecodesPairsTheWayTheReadersNeed) {
    struct Case {
        std::string strText;
        std::string strBytesHex;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"00FF7A", "00FF7A"},
        {"ABC", "ABC0"},   // odd length: NUL as the last low character
        {"1G", "10"},      // a low character that is no digit counts 0
        {"12G3", "1223"},  // a high one takes the low nibble of the byte before
        {"G1", "01"},      // ... and 0 for the first pair
        {"ab", "00"},      // lower case is no digit
        {"0FG", "0FF0"},
        {" 5 6", "0556"},
        {std::string(82, '7'), std::string(80, '7')},  // at most 40 bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strText);
        uint8_t abOut[41] = {};
        int nCount = CUpdateEngine::HexToBytes(abOut, c.strText);
        EXPECT_EQ(ToHex({abOut, abOut + nCount}), c.strBytesHex);
        EXPECT_EQ(abOut[40], 0) << "wrote past 40 bytes";
    }
}

TEST(UpdateFile, AddressDigitsOnlyForExactTypes) {
    EXPECT_EQ(CUpdateEngine::GetAddressDigits("S1"), 4);
    EXPECT_EQ(CUpdateEngine::GetAddressDigits("S2"), 6);
    EXPECT_EQ(CUpdateEngine::GetAddressDigits("S3"), 8);
    for (const char* psz : {"S0", "S5", "S9", "s1", "S", "S10", ""}) {
        EXPECT_EQ(CUpdateEngine::GetAddressDigits(psz), 0) << psz;
    }
}

TEST(UpdateFile, FailedOpenKeepsFormatAndResetsThePass) {
    TempDir dir;
    CUpdateEngine engine;
    ASSERT_TRUE(engine.OpenUpdateFile(
        dir.Write("a.a90", SLine(2, 0x300, PatternBytes(7, 8))).c_str(), FMT_SRECORD));
    ASSERT_EQ(engine.ReadNextRecord(), REC_DATA);
    engine.m_nCarryLen = 5;
    engine.m_dwPrevEnd = 9;
    engine.CloseUpdateFile();
    EXPECT_FALSE(engine.OpenUpdateFile((dir.Path() + "/none.hex").c_str(), FMT_INTEL_HEX));
    EXPECT_EQ(engine.m_nFormat, FMT_SRECORD);
    EXPECT_FALSE(engine.m_file.IsOpen());
    EXPECT_EQ(engine.m_nCarryLen, 0);
    EXPECT_EQ(engine.m_dwPrevEnd, 0u);
    EXPECT_EQ(engine.m_nRecordCount, 0u);
    EXPECT_EQ(engine.GetFirstAddress(), 0u);
}

TEST(UpdateFile, ReadErrorIsABadRecord) {
    for (uint8_t nFormat : {FMT_INTEL_HEX, FMT_SRECORD}) {
        CUpdateEngine engine;
        ASSERT_TRUE(engine.OpenUpdateFile("/proc/self/mem", nFormat));
        EXPECT_EQ(engine.ReadNextRecord(), REC_BAD);
        int nBytes = -1;
        uint8_t abBlock[256];
        EXPECT_FALSE(engine.ReadBlock(abBlock, &nBytes, 256));
        EXPECT_EQ(nBytes, 0);
    }
}

}  // namespace

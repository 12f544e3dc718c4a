// The readers: text-mode lines, the Intel HEX and S-record tables, hex pairs.
// Lines a data file must not hold are refused with their line and reason in
// block_source_test.cpp; here, what each read returns.

#include <cstdio>
#include <sstream>

#include "tests/image/image_test_files.h"

namespace image_test {
namespace {

using Lines = std::vector<std::string>;

// LF and CR LF end lines, Ctrl-Z ends the file, long lines are cut; read errors.
TEST(TextFile, ReadsLinesAsATextModeFile) {
    const size_t kMax = CTextFile::kMaxLine, kLong = 3 * kMax + 17;
    // A read takes kMax + 2 bytes: kCr's CR ends the first, which ends inside kMid.
    const std::string kCr(kMax - 2, 'x'), kMid(kMax, 'y'), kM(kMax, 'm');
    const std::vector<std::pair<std::string, Lines>> cases = {
        {"a\r\nb\n\n\r\nc\rd\ne\r\r\nlast", {"a", "b", "", "", "c\rd", "e\r", "last"}},
        {"a\nb\032c\nd\n", {"a", "b"}},
        {"a\n\032\032\n:00", {"a"}},
        {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
        {"ab\n" + kCr + "\r\nz", {"ab", kCr, "z"}},
        {"ab\n" + kMid + "\r\nz\n" + kMid, {"ab", kMid, "z", kMid}},
        {kM + "\r\n" + kM, {kM, kM}},
        {kM + "+\n" + kM + "+", {kM, kM}},
        {":" + std::string(kLong, '0') + "\r\nnext\nlast" + std::string(kLong, 'L'),
         {":" + std::string(kMax - 1, '0'), "next", "last" + std::string(kMax - 4, 'L')}},
    };
    for (const auto& [strContent, lines] : cases) {
        CTextFile file;
        ASSERT_TRUE(file.Open(Write("lines.txt", strContent).c_str()));
        Lines got;
        std::string_view line;
        while (file.ReadLine(line) == CTextFile::ReadResult::Line) {
            got.emplace_back(line);
        }
        EXPECT_EQ(got, lines) << strContent.substr(0, 20);
        EXPECT_EQ(file.ReadLine(line), CTextFile::ReadResult::End) << "the end is lasting";
    }
    // Reading this process's memory at address 0 fails with EIO, which is no end of file.
    for (uint8_t nFormat : {FMT_INTEL_HEX, FMT_SRECORD}) {
        CImageCheck check;
        EXPECT_FALSE(check.Check("/proc/self/mem", nFormat));
        EXPECT_EQ(check.m_eFailure, CImageCheck::EFailure::ReadError);
        EXPECT_EQ(check.m_nFailedLine, 0u);
    }
}

// Rows: the lines (CR LF after each), a token per ReadNextRecord (D<address>+<length>/
// <address bytes> data, E end, B bad), and @<first address> unless it is 0.
std::string S(int nAddrBytes, uint32_t dwAddress, int nLength, int nLengthError = 0,
              int nSumError = 0) {
    return RecordLine(nAddrBytes, dwAddress, PatternBytes(size_t(nLength), 1), nLengthError,
                      nSumError);
}
using ReadCases = std::vector<std::pair<Lines, std::string>>;
void ExpectReads(uint8_t nFormat, const ReadCases& cases) {
    for (const auto& [lines, strExpected] : cases) {
        std::string strToken, strReads;
        CRecordReader reader;
        ASSERT_TRUE(reader.OpenUpdateFile(WriteLines("f", lines).c_str(), nFormat));
        const UPDATE_RECORD& rec = reader.m_rec;
        char sz[40];
        for (std::istringstream want(strExpected); want >> strToken && strToken[0] != '@';) {
            const int nResult = reader.ReadNextRecord();
            std::snprintf(sz, sizeof sz, " D%X+%d/%d", unsigned(rec.dwAddress), rec.wLength,
                          rec.nAddrBytes);
            const char* apszTokens[] = {sz, " E", " B"};  // REC_DATA, REC_END, REC_BAD
            strReads += nResult >= 0 && nResult <= REC_BAD ? apszTokens[nResult] : " ?";
        }
        std::snprintf(sz, sizeof sz, " @%X", unsigned(reader.GetFirstAddress()));
        EXPECT_EQ(strReads.substr(1) + (reader.GetFirstAddress() != 0 ? sz : ""), strExpected);
    }
}

TEST(HexRecords, ReadsDataRecordsAndRejectsBadLines) {
    const std::string kEnd = ":00000001FF", kSeg = ":020000020000FC", kRun = ":040000050000800077";
    const std::string X = ":020000040000FA";  // extended linear address 0: passed over
    ExpectReads(
        FMT_INTEL_HEX,
        {
            {{S(0, 0x100, 16)}, "D100+16/0 E @100"},
            {{kEnd}, "E E"},
            {{S(0, 0x10, 16), kEnd, ""}, "D10+16/0 B @10"},
            {{S(0, 0x10, 16), kEnd, kRun, ":00000001ff"}, "D10+16/0 E @10"},
            {{":0000000000", S(0, 0x20, 16)}, "D0+0/0 D20+16/0"},
            {{X, kSeg, kRun, X, S(0, 0x40, 16)}, "D40+16/0 @40"},  // six lines a call
            {{X, kSeg, kRun, X, X, S(0, 0x40, 16)}, "B"},
            {{X, kSeg, kRun, X, kEnd}, "B"},
            {{S(0, 0, 16), X, X, X, X, S(0, 0x10, 16), X, X, X, kEnd}, "D0+16/0 D10+16/0 E"},
            {{S(0, 0x1234, 35)}, "D1234+35/0 @1234"},  // fills the decoding buffer
            {{S(0, 0x1234, 36)}, "B"},
            {{S(0, 0x100, 16) + "  "}, "B"},
            {{S(0, 0x100, 16, 0, 1)}, "B"},  // wrong checksum
            {{S(0, 0x100, 16).substr(1)}, "B"},
            {{S(0, 0x100, 16, 1)}, "B"},   // the length claims more bytes than the line has
            {{S(0, 0x100, 16, -1)}, "B"},  // ... or fewer
            {{":00000000"}, "B"},
            {{":", ":0000", S(0, 0x50, 16)}, "D50+16/0 @50"},
            {{S(0, 0x60, 16) + "\n" + kEnd}, "D60+16/0 E @60"},
            {{S(0, 0x60, 16), "\032 ", "\t\032\032", ""}, "D60+16/0 E E @60"},
        });
}

TEST(SRecords, ReadsDataRecordsAndEndsAtOtherTypes) {
    const std::string kS0 = "S00600004844521B", kS9 = "S9030000FC", kS5 = "S5030001FB";
    ExpectReads(FMT_SRECORD,
                {
                    {{kS0, S(2, 0x100, 16), S(2, 0x110, 16), kS9}, "D100+16/2 D110+16/2 E @100"},
                    {{kS0}, "E E"},
                    {{S(2, 0, 16), kS5, kS9, "", " "}, "D0+16/2 E E"},
                    {{S(4, 0x10000, 16)}, "D10000+16/4 @10000"},
                    {{S(3, 0xABCDEF, 16)}, "DABCDEF+16/3 @ABCDEF"},
                    {{S(2, 0x100, 16, 1)}, "B"},   // the count claims more bytes than the line has
                    {{S(2, 0x100, 16, -1)}, "B"},  // ... or fewer
                    {{S(2, 0x100, 16, 0, 1)}, "B"},  // wrong checksum
                    {{S(2, 0, 36)}, "D0+36/2"},      // count 39
                    {{S(4, 0, 34)}, "D0+34/4"},
                    {{S(2, 0, 37)}, "B"},  // count 40: beyond the decoding buffer
                    {{"S102AA53"}, "B"},   // the count leaves no room for address and checksum
                    {{"S3030000FC"}, "B"},
                    {{S(2, 0x40, 0)}, "D40+0/2 @40"},
                    {{"S1"}, "B"},
                    {{"S00600004844521b", S(2, 0x18, 16)}, "D18+16/2 @18"},  // a header is not read
                    {{S(2, 0, 16) + " "}, "B"},
                    {{kS0 + "\n" + S(2, 0x70, 16)}, "D70+16/2 @70"},
                });
}

TEST(HexToBytes, DecodesPairsTheWayTheReadersNeed) {
    const std::vector<std::pair<std::string, Bytes>> cases = {
        {"00FF7ABC", {0x00, 0xFF, 0x7A, 0xBC}},
        {"ABC", {0xAB, 0xC0}},   // odd length: NUL as the last low character
        {"1G", {0x10}},          // a low character that is no digit counts 0
        {"12G3", {0x12, 0x23}},  // a high one takes the low nibble of the byte before
        {"G1", {0x01}},          // ... and 0 in the first pair
        {"ab 5", {0x00, 0x05}},  // lower case and blanks are no digits
        {std::string(82, '7'), Bytes(40, 0x77)},  // at most 40 bytes
    };
    for (const auto& [strText, bytes] : cases) {
        uint8_t abOut[41] = {};
        EXPECT_EQ(Bytes(abOut, abOut + CRecordReader::HexToBytes(abOut, strText)), bytes)
            << strText;
        EXPECT_EQ(abOut[40], 0) << "wrote past 40 bytes";
    }
}

}  // namespace
}  // namespace image_test

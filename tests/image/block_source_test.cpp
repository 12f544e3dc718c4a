// The block source: image byte A goes in block (A - first) / 256 at offset (A - first) % 256.
// Also against srec_cat's image, and as vanto-flash info shows it.

#include "tests/image/image_test_files.h"

namespace image_test {
namespace {

// nCount data records back to back (bytes: Pattern(<record index>, nLength);
// the first after nFill bytes of 0xFF in the stream), or a raw line.
struct Lines {
    uint32_t dwAddress = 0;
    int nLength = 0, nFill = 0, nCount = 1;
    const char* pszRaw = nullptr;
};

TEST(BlockSource, LaysOutTheImageInBlocks) {
    const Lines kEnd{0, 0, 0, 1, ":00000001FF"}, kS5{0, 0, 0, 1, "S5030001FB"};
    const Lines kBad{0, 0, 0, 1, ":10014000000102030405060708090A0B0C0D0E0F00"};
    // Address bytes (0: Intel HEX), lines, block sizes until 0 (-1: fails), count (-1: fails).
    const std::vector<std::tuple<int, std::vector<Lines>, std::vector<int>, int>> cases = {
        {0, {{0x8000, 16, 0, 62}, {0x83E0, 8}, kEnd}, {256, 256, 256, 232}, 4},
        {0, {{0, 16, 0, 32}}, {256, 256}, 2},
        {0, {{0, 24, 0, 12}}, {256, 32}, 2},  // records carried across block ends
        // Records that overlap or go back follow without fill.
        {0, {{0x100, 16}, {0x108, 16}, {0x50, 16}, {0x200, 16, 0x1A0}}, {256, 224}, 2},
        {0, {{0xFFE0, 16, 0, 2}, {0, 0, 0, 1, ":020000040001F9"}, {0, 16, 0, 2}}, {64}, 1},
        {0, {{0, 16}, {0x300, 16, 0x2F0}}, {256, 256, 256, 16}, 4},  // fill over block ends
        {0, {{0, 16}, {0x1F8, 16, 0x1E8}}, {256, 256, 8}, 3},
        {0, {{0, 16}, {0x100, 16, 0xF0}}, {256, 16}, 2},
        {2, {{0, 3}, {3, 36, 0, 8}}, {256, 35}, 2},  // 35 bytes of one record carried
        {2, {{0, 16}, {0x1F0, 36, 0x1E0}}, {256, 256, 20}, 3},
        {2, {{0, 16}, kS5, {0x10, 16}}, {16}, 1},  // S5 ends the data for the whole pass
        {2, {{0, 16, 0, 16}, kS5, {0x100, 16}}, {256}, 1},
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
                const Bytes data = run.pszRaw ? Bytes() : Pattern(nRecords++, run.nLength);
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

// Random ascending Intel HEX (16, 32 bytes a line), S1, S2, S3 against srec_cat's filled image.
TEST(SrecCatDifferential, BlockStreamEqualsTheFilledImage) {
    const char* kEnd[] = {":00000001FF", "", "S9030000FC", "S804000000FB", "S70500000000FA"};
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
        const std::string strIn = Write("in", strText + kEnd[nAddrBytes] + strLineEnd);
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

std::string Info(const char* pszFile, const char* pszFormat, unsigned nFirst, int nBlocks,
                 int nSent, unsigned nTotal) {
    char sz[200];
    std::snprintf(sz, sizeof sz,
                  "file: %s\nformat: %s\nfirst address: 0x%08X\nblocks: %d\nblocks sent: %d\n"
                  "finish total: 0x%08X\n",
                  pszFile, pszFormat, nFirst, nBlocks, nSent, nTotal);
    return sz;
}

// Which file a run loads and what it would send, as the user sees it.
TEST(InfoCommand, ShowsWhatARunWouldSend) {
    const char* kFileError = "Update file not found or may be crashed.\nTask can not continue\n";
    const std::string kUsage = "usage: vanto-flash info [--file PATH]\n";
    // 1000 bytes from 0x8000, all zeros or fill: the total is 0xFF times fill and padding.
    const std::string strZeros = RecordLine(0, 0x8000, Bytes(16)) + "\r\n" +
                                 RecordLine(0, 0x83E0, Bytes(8)) + "\r\n:00000001FF\r\n";
    const std::string strS3 = RecordLine(4, 0xABCDEF, {1, 2, 3});
    const std::string strS5 =
        RecordLine(2, 0, Bytes(16)) + "\r\nS5030001FB\r\n" + RecordLine(2, 0x10, Bytes(16));
    const std::string strHuge =  // 16 MiB of fill: 65,537 blocks
        RecordLine(4, 0, Bytes(16)) + "\n" + RecordLine(4, 1 << 24, Bytes(16));
    const char *kZeros = strZeros.c_str(), *kS3 = strS3.c_str(), *kDir = "<dir>";
    const char* kFifo = "<fifo>";  // refused at once, never waited on
    // Arguments, the contents of kst.hex and kst.a90 (nullptr: absent), the output.
    const std::tuple<const char*, const char*, const char*, std::string> cases[] = {
        {"", kZeros, kS3, Info("kst.hex", "Intel HEX", 0x8000, 4, 4, 0x3E418)},
        {"", kDir, kS3, Info("kst.a90", "S-records", 0xABCDEF, 1, 1, 0xFC09)},
        {"", nullptr, strS5.c_str(), Info("kst.a90", "S-records", 0, 1, 1, 0xEF10)},
        {"", nullptr, strHuge.c_str(), Info("kst.a90", "S-records", 0, 65537, 65537, 0xFF00DF20)},
        // The format of a named file comes from its first character.
        {"--file kst.a90", nullptr, kZeros, Info("kst.a90", "Intel HEX", 0x8000, 4, 4, 0x3E418)},
        {"--file kst.hex", kS3, nullptr, Info("kst.hex", "S-records", 0xABCDEF, 1, 1, 0xFC09)},
        {"", nullptr, nullptr, kFileError},
        {"", kFifo, nullptr, kFileError},
        {"--file kst.hex", kFifo, nullptr, kFileError},
        {"", ":00000001FF\r\n", kS3, kFileError},  // no data, and kst.a90 is not tried
        {"", ":1080000000\r\n", kS3, kFileError},
        {"--file kst.a90", nullptr, "\177ELF", kFileError},
        {"--file none.hex", kZeros, nullptr, kFileError},
        {"--file", nullptr, nullptr, kUsage},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [pszArgs, pszHex, pszA90, strOutput] = cases[i];
        const std::string strDir = "info" + std::to_string(i);  // absent files go to "unused"
        Write(strDir + (!pszA90 ? "/unused" : "/kst.a90"), pszA90 ? pszA90 : "");
        Write(strDir + (!pszHex || pszHex == kFifo ? "/unused"
                        : pszHex == kDir           ? "/kst.hex/in"
                                                   : "/kst.hex"),
              pszHex ? pszHex : "");
        if (pszHex == kFifo) {
            ASSERT_EQ(mkfifo((TestDir() + "/" + strDir + "/kst.hex").c_str(), 0600), 0);
        }
        const std::string strCommand = "cd '" + TestDir() + "/" + strDir +
                                       "' && '" VANTO_BIN_DIR "/vanto-flash' info " + pszArgs +
                                       " > ../" + strDir + ".out 2>&1";
        const int nStatus = std::system(strCommand.c_str());
        const int nExit = strOutput == kFileError ? 8 : strOutput == kUsage ? 2 : 0;
        std::ifstream out(TestDir() + "/" + strDir + ".out");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(out), {}), strOutput) << "row " << i;
        EXPECT_EQ(WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1, nExit) << "row " << i;
    }
}

}  // namespace
}  // namespace image_test

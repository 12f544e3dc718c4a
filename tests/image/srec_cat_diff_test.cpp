// Differential test: the block stream of random update files must equal the
// image that srec_cat (Debian package srecord) builds from the same file,
// filled with 0xFF from the first address and padded to whole blocks. The
// records ascend, where the two tools must agree.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "link/update_engine.h"
#include "tests/image/image_test_files.h"

namespace {

using image_test::HexLine;
using image_test::SLine;
using image_test::TempDir;

const char kSrecCat[] = "/usr/bin/srec_cat";

struct FileKind {
    const char* pszName;
    int nAddrBytes;     // 0: Intel HEX (16-bit addresses); 2, 3, 4: S1, S2, S3
    int nBytesPerLine;  // 0: random record lengths 1..34
    const char* pszLineEnd;
};

struct RandomFile {
    std::string strText;
    uint32_t dwFirstAddress = 0;
};

// Ascending records with random gaps (none, small, or larger than a block)
// starting at a random address that leaves room for the whole image.
RandomFile MakeRandomFile(const FileKind& kind, std::mt19937& random) {
    const uint32_t dwTop = kind.nAddrBytes <= 2   ? 0x4000
                           : kind.nAddrBytes == 3 ? 0xF00000
                                                  : 0xFFF00000;
    RandomFile file;
    uint32_t dwAddress = std::uniform_int_distribution<uint32_t>(0, dwTop)(random);
    file.dwFirstAddress = dwAddress;
    const int nRecords = std::uniform_int_distribution<int>(1, 200)(random);
    for (int i = 0; i < nRecords; ++i) {
        int nLength = kind.nBytesPerLine != 0 ? kind.nBytesPerLine
                                              : std::uniform_int_distribution<int>(1, 34)(random);
        std::vector<uint8_t> data(static_cast<size_t>(nLength));
        for (uint8_t& byte : data) {
            byte = static_cast<uint8_t>(random());
        }
        file.strText += (kind.nAddrBytes == 0 ? HexLine(static_cast<uint16_t>(dwAddress), data)
                                              : SLine(kind.nAddrBytes, dwAddress, data)) +
                        kind.pszLineEnd;
        dwAddress += static_cast<uint32_t>(nLength);
        switch (random() % 4) {
            case 0:
                dwAddress += std::uniform_int_distribution<uint32_t>(1, 40)(random);
                break;
            case 1:
                dwAddress += std::uniform_int_distribution<uint32_t>(200, 1200)(random);
                break;
            default:
                break;
        }
    }
    const char* pszEnd = kind.nAddrBytes == 0   ? ":00000001FF"
                         : kind.nAddrBytes == 2 ? "S9030000FC"
                         : kind.nAddrBytes == 3 ? "S804000000FB"
                                                : "S70500000000FA";
    file.strText += std::string(pszEnd) + kind.pszLineEnd;
    return file;
}

std::vector<uint8_t> ReadBinary(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// srec_cat's image of the file: gaps filled with 0xFF, from the lowest address.
bool RunSrecCat(const std::string& strIn, const char* pszFormat, const std::string& strOut) {
    const std::string strCommand = std::string(kSrecCat) + " '(' '" + strIn + "' " + pszFormat +
                                   " -fill 0xFF -over '" + strIn + "' " + pszFormat +
                                   " ')' -offset - -minimum-address '" + strIn + "' " + pszFormat +
                                   " -o '" + strOut + "' -Binary 2>&1";
    int nStatus = std::system(strCommand.c_str());
    return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

TEST(SrecCatDifferential, BlockStreamEqualsTheFilledImage) {
    if (access(kSrecCat, X_OK) != 0) {
        GTEST_SKIP() << "srec_cat not found at " << kSrecCat
                     << " (Debian package srecord): differential test skipped";
    }
    const std::vector<FileKind> kinds = {
        {"Intel HEX, 16 bytes per line, CR LF", 0, 16, "\r\n"},
        {"Intel HEX, 32 bytes per line, LF", 0, 32, "\n"},
        {"Intel HEX, 16 bytes per line, LF", 0, 16, "\n"},
        {"Intel HEX, 32 bytes per line, CR LF", 0, 32, "\r\n"},
        {"S1", 2, 0, "\r\n"},
        {"S2", 3, 0, "\n"},
        {"S3", 4, 0, "\r\n"},
    };
    std::mt19937 random(20240611);
    TempDir dir;
    for (const FileKind& kind : kinds) {
        for (int nRound = 0; nRound < 8; ++nRound) {
            SCOPED_TRACE(std::string(kind.pszName) + ", round " + std::to_string(nRound));
            const RandomFile file = MakeRandomFile(kind, random);
            const std::string strIn = dir.Write("in", file.strText);
            const char* pszFormat = kind.nAddrBytes == 0 ? "-Intel" : "-Motorola";
            ASSERT_TRUE(RunSrecCat(strIn, pszFormat, dir.Path() + "/out.bin"));
            std::vector<uint8_t> expected = ReadBinary(dir.Path() + "/out.bin");
            ASSERT_FALSE(expected.empty());
            expected.resize((expected.size() + 255) / 256 * 256, 0xFF);

            CUpdateEngine engine;
            ASSERT_TRUE(engine.OpenUpdateFile(strIn.c_str(),
                                              kind.nAddrBytes == 0 ? FMT_INTEL_HEX : FMT_SRECORD));
            int nCounted = -1;
            ASSERT_TRUE(engine.CountBlocks(&nCounted));
            engine.RewindUpdateFile();
            image_test::BlockStream stream = image_test::ReadAllBlocks(engine);
            stream.bytes.resize((stream.bytes.size() + 255) / 256 * 256, 0xFF);

            EXPECT_EQ(stream.nFailedAt, -1);
            EXPECT_EQ(static_cast<size_t>(nCounted), expected.size() / 256);
            EXPECT_EQ(engine.GetFirstAddress(), file.dwFirstAddress);
            EXPECT_TRUE(stream.bytes == expected) << "block streams differ";
        }
    }
}

}  // namespace

// vanto-flash info: what a run would send, as the user sees it.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/image/image_test_files.h"

namespace {

using image_test::HexLine;
using image_test::SLine;
using image_test::TempDir;

struct CommandResult {
    std::string strOutput;  // stdout and stderr together
    int nExit = -1;
};

CommandResult RunVantoFlash(const std::string& strDir, const std::string& strArgs) {
    const std::string strCommand =
        "cd '" + strDir + "' && '" VANTO_BIN_DIR "/vanto-flash' " + strArgs + " 2>&1";
    CommandResult result;
    std::FILE* pPipe = popen(strCommand.c_str(), "r");
    if (pPipe == nullptr) {
        return result;
    }
    char sz[256];
    size_t n;
    while ((n = std::fread(sz, 1, sizeof sz, pPipe)) > 0) {
        result.strOutput.append(sz, n);
    }
    int nStatus = pclose(pPipe);
    result.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    return result;
}

// nBytes zero bytes from dwAddress in 16-byte records: the finish total is
// then 0xFF times the fill of the last block.
std::string ZeroImageHex(uint16_t wAddress, int nBytes) {
    std::string strText;
    for (int i = 0; i < nBytes; i += 16) {
        strText += HexLine(static_cast<uint16_t>(wAddress + i),
                           std::vector<uint8_t>(static_cast<size_t>(std::min(16, nBytes - i)), 0)) +
                   "\r\n";
    }
    return strText + ":00000001FF\r\n";
}

const char kFileError[] = "Update file not found or may be crashed.\nTask can not continue\n";

struct InfoCase {
    const char* pszName;
    std::vector<std::pair<std::string, std::string>> files;
    std::string strArgs;
    int nExit;
    std::string strOutput;
};

TEST(InfoCommand, ShowsWhatARunWouldSend) {
    const std::vector<uint8_t> k16(16, 0);
    const std::string strS5 =
        SLine(2, 0, k16) + "\r\nS5030001FB\r\n" + SLine(2, 0x10, k16) + "\r\n";
    const std::vector<InfoCase> cases = {
        {"1000 bytes at 0x8000",
         {{"kst.hex", ZeroImageHex(0x8000, 1000)}},
         "info",
         0,
         "file: kst.hex\nformat: Intel HEX\nfirst address: 0x00008000\nblocks: 4\n"
         "blocks sent: 4\nfinish total: 0x000017E8\n"},
        {"kst.a90 when there is no kst.hex",
         {{"kst.a90", SLine(4, 0x00ABCDEF, {1, 2, 3})}},
         "info",
         0,
         "file: kst.a90\nformat: S-records\nfirst address: 0x00ABCDEF\nblocks: 1\n"
         "blocks sent: 1\nfinish total: 0x0000FC09\n"},
        {"S5: counted 1, sent 2",
         {{"kst.a90", strS5}},
         "info",
         0,
         "file: kst.a90\nformat: S-records\nfirst address: 0x00000000\nblocks: 1\n"
         "blocks sent: 2\nfinish total: 0x0001DE20\n"},
        {"--file with S-records",
         {{"image.s19", SLine(2, 0x100, k16)}},
         "info --file image.s19",
         0,
         "file: image.s19\nformat: S-records\nfirst address: 0x00000100\nblocks: 1\n"
         "blocks sent: 1\nfinish total: 0x0000EF10\n"},
        {"--file with Intel HEX",
         {{"x", ZeroImageHex(0, 256)}},
         "info --file x",
         0,
         "file: x\nformat: Intel HEX\nfirst address: 0x00000000\nblocks: 1\n"
         "blocks sent: 1\nfinish total: 0x00000000\n"},
        {"no update file", {}, "info", 8, kFileError},
        {"image without data", {{"kst.hex", ":00000001FF\r\n"}}, "info", 8, kFileError},
        {"bad record", {{"kst.hex", ":1080000000\r\n"}}, "info", 8, kFileError},
        {"--file of another format",
         {{"x.bin",
           "\x7F"
           "ELF"}},
         "info --file x.bin",
         8,
         kFileError},
        {"--file missing", {}, "info --file nothing.hex", 8, kFileError},
        {"--file without a path", {}, "info --file", 2, "usage: vanto-flash info [--file PATH]\n"},
        {"unknown option", {}, "info --port 1", 2, "usage: vanto-flash info [--file PATH]\n"},
    };
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        TempDir dir;
        for (const auto& [strName, strContent] : c.files) {
            dir.Write(strName, strContent);
        }
        const CommandResult result = RunVantoFlash(dir.Path(), c.strArgs);
        EXPECT_EQ(result.nExit, c.nExit);
        EXPECT_EQ(result.strOutput, c.strOutput);
    }
}

}  // namespace

// Loading the update image from the working directory: which file, which
// format, and that a failed load leaves nothing open.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "image/block_source.h"
#include "link/update_engine.h"
#include "tests/image/image_test_files.h"

namespace {

using image_test::HexLine;
using image_test::PatternBytes;
using image_test::SLine;
using image_test::TempDir;

// Runs the test body in another working directory and goes back after it.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& strPath) {
        char sz[PATH_MAX];
        m_strOld = getcwd(sz, sizeof sz) ? sz : "/";
        EXPECT_EQ(chdir(strPath.c_str()), 0);
    }
    ~WorkingDirectory() { EXPECT_EQ(chdir(m_strOld.c_str()), 0); }

private:
    std::string m_strOld;
};

const std::string kGoodHex = HexLine(0x8000, PatternBytes(1, 16)) + "\r\n:00000001FF\r\n";
// Checksum 01 where 6F is due.
const std::string kBadHex = ":10800000" + std::string(32, '0') + "01\r\n";
const std::string kGoodS19 = "S00600004844521B\r\n" + SLine(3, 0x20000, PatternBytes(2, 32)) +
                             "\r\n" + SLine(3, 0x20100, PatternBytes(3, 32)) +
                             "\r\nS804000000FB\r\n";

struct LoadCase {
    const char* pszName;
    const char* pszHex;  // content of kst.hex; nullptr: absent; "<dir>": a directory
    const char* pszA90;  // content of kst.a90; nullptr: absent
    bool bLoaded;
    uint8_t nFormat;
    int nBlockCount;
};

TEST(LoadUpdateImage, ChoosesTheFileAndCountsItsBlocks) {
    const std::vector<LoadCase> cases = {
        {"only kst.hex", kGoodHex.c_str(), nullptr, true, FMT_INTEL_HEX, 1},
        {"kst.hex wins over kst.a90", kGoodHex.c_str(), kGoodS19.c_str(), true, FMT_INTEL_HEX, 1},
        {"only kst.a90", nullptr, kGoodS19.c_str(), true, FMT_SRECORD, 2},
        {"bad kst.hex: kst.a90 is not tried", kBadHex.c_str(), kGoodS19.c_str(), false,
         FMT_INTEL_HEX, -1},
        {"neither file", nullptr, nullptr, false, FMT_INTEL_HEX, -1},
        {"kst.hex a directory", "<dir>", kGoodS19.c_str(), true, FMT_SRECORD, 2},
        {"empty kst.hex loads with no blocks", "", kGoodS19.c_str(), true, FMT_INTEL_HEX, 0},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        TempDir dir;
        if (c.pszHex != nullptr && std::string(c.pszHex) == "<dir>") {
            ASSERT_EQ(mkdir((dir.Path() + "/kst.hex").c_str(), 0700), 0);
        } else if (c.pszHex != nullptr) {
            dir.Write("kst.hex", c.pszHex);
        }
        if (c.pszA90 != nullptr) {
            dir.Write("kst.a90", c.pszA90);
        }
        WorkingDirectory cwd(dir.Path());
        CUpdateEngine engine;
        engine.m_nBlockCount = -1;
        engine.m_nBlocksSent = 5;
        engine.m_nSequence = 6;
        engine.m_dwAddress = 7;
        engine.m_dwByteTotal = 8;
        EXPECT_EQ(engine.LoadUpdateImage(), c.bLoaded);
        EXPECT_EQ(engine.m_file.IsOpen(), c.bLoaded);
        EXPECT_EQ(engine.m_nFormat, c.nFormat);
        EXPECT_EQ(engine.m_nBlockCount, c.nBlockCount);
        EXPECT_EQ(engine.m_nBlocksSent, 0u);
        EXPECT_EQ(engine.m_nSequence, 0);
        EXPECT_EQ(engine.m_dwAddress, 0u);
        EXPECT_EQ(engine.m_dwByteTotal, 0u);
        EXPECT_EQ(engine.m_nRecordCount, 0u) << "a fresh pass";
        EXPECT_TRUE(engine.CloseUpdateImage());
        EXPECT_FALSE(engine.m_file.IsOpen());
    }
}

TEST(LoadUpdateImage, AfterTheLoadTheRunReadsWhatWasCounted) {
    TempDir dir;
    dir.Write("kst.a90", kGoodS19);
    WorkingDirectory cwd(dir.Path());
    CUpdateEngine engine;
    ASSERT_TRUE(engine.LoadUpdateImage());
    const auto stream = image_test::ReadAllBlocks(engine);
    EXPECT_EQ(static_cast<int>(stream.sizes.size()), engine.m_nBlockCount);
    EXPECT_EQ(stream.sizes, (std::vector<int>{256, 32}));
    EXPECT_EQ(engine.GetFirstAddress(), 0x20000u);
}

TEST(LoadUpdateImage, NamedFileTakesTheSameSteps) {
    TempDir dir;
    CUpdateEngine engine;
    EXPECT_TRUE(LoadUpdateImageFile(engine, dir.Write("x.s19", kGoodS19).c_str(), FMT_SRECORD));
    EXPECT_EQ(engine.m_nBlockCount, 2);
    EXPECT_FALSE(LoadUpdateImageFile(engine, dir.Write("y.hex", kBadHex).c_str(), FMT_INTEL_HEX));
    EXPECT_FALSE(engine.m_file.IsOpen());
    EXPECT_FALSE(LoadUpdateImageFile(engine, (dir.Path() + "/none").c_str(), FMT_INTEL_HEX));
    EXPECT_FALSE(engine.m_file.IsOpen());
}

}  // namespace

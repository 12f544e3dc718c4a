#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "link/update_engine.h"
#include "tests/procedures/devsim_fixture.h"
#include "tests/procedures/update_file_writer.h"
#include "wizard/prog_target.h"

namespace {

enum class EFinish { Commit, Abort, None };

struct ProgCase {
    const char* pszName;
    std::function<void(const CTempWorkDir&)> writeUpdateFile;
    std::vector<uint8_t> sent;  // the bytes the blocks carry, 0xFF padding included
    bool bCommitted;            // the device accepted the commit and wrote its flash
    std::vector<std::string> devsimArgs;
    std::set<int> results;  // acceptable run results (one, except for a hang-up)
    int nCalls;             // SendNextBlock calls, so positions 1..nCalls
    int nBlockFrames;       // CMD_WRITE_BLOCK frames the device received
    EFinish eFinish;
};

std::vector<uint8_t> Padded(std::vector<uint8_t> data) {
    data.resize((data.size() + 255) / 256 * 256, 0xFF);
    return data;
}

std::function<void(const CTempWorkDir&)> HexFile(uint32_t nBase, std::vector<uint8_t> data) {
    return [=](const CTempWorkDir& dir) { WriteIntelHexFile(dir.File("kst.hex"), nBase, data); };
}

// 300 bytes of S-records, then an S5 line that ends the data where the block
// count stops, then a line with a bad checksum that the run meets.
void WriteBadRecordMidStream(const CTempWorkDir& dir) {
    std::vector<std::string> lines = SRecordLines(0x1000, PatternBytes(300));
    lines.push_back("S5030001FB");
    std::string strBad = SRecordLine(0x2000, PatternBytes(16).data(), 16);
    strBad.back() = strBad.back() == '0' ? '1' : '0';
    lines.push_back(strBad);
    WriteLines(dir.File("kst.a90"), lines);
}

const std::vector<uint8_t> kFourBlocks = PatternBytes(4 * 256);
const std::vector<uint8_t> kShortLast = PatternBytes(256 + 10, 3);
const std::vector<uint8_t> kBlocks257 = PatternBytes(257 * 256, 5);
const std::vector<uint8_t> kThreeBlocks = PatternBytes(3 * 256, 9);

const ProgCase kProgCases[] = {
    {"exactly four full blocks",
     HexFile(0x8000, kFourBlocks),
     kFourBlocks,
     true,
     {},
     {UPD_OK},
     5,
     4,
     EFinish::Commit},
    {"a 10-byte last block is padded with 0xFF",
     HexFile(0x400, kShortLast),
     Padded(kShortLast),
     true,
     {},
     {UPD_OK},
     3,
     2,
     EFinish::Commit},
    {"257 blocks",
     HexFile(0, kBlocks257),
     kBlocks257,
     true,
     {},
     {UPD_OK},
     258,
     257,
     EFinish::Commit},
    {"a file without data",
     [](const CTempWorkDir& dir) { WriteLines(dir.File("kst.hex"), {":00000001FF"}); },
     {},
     false,
     {},
     {UPD_FILE_ERROR},
     1,
     0,
     EFinish::None},
    {"a bad record mid-stream",
     WriteBadRecordMidStream,
     {},
     false,
     {},
     {UPD_FILE_ERROR},
     3,
     2,
     EFinish::None},
    {"no reply to a block",
     HexFile(0, kThreeBlocks),
     {},
     false,
     {"--drop-block", "2", "--drop-block", "3"},
     {UPD_NO_RESPONSE},
     2,
     3,
     EFinish::Abort},
    {"a lost reply recovered by the retry",
     HexFile(0, kThreeBlocks),
     kThreeBlocks,
     true,
     {"--drop-block", "2"},
     {UPD_OK},
     4,
     4,
     EFinish::Commit},
    {"status 3 on the finish",
     HexFile(0, kThreeBlocks),
     kThreeBlocks,
     false,
     {"--finish-status", "3"},
     {UPD_CHECKSUM_ERROR},
     4,
     3,
     EFinish::Commit},
    {"status 4 on a block",
     HexFile(0, kThreeBlocks),
     {},
     false,
     {"--block-status", "2:4"},
     {UPD_FLASH_ADDRESS_ERROR},
     2,
     2,
     EFinish::Abort},
    {"status 2 on a block ends the run",
     HexFile(0, kThreeBlocks),
     {},
     false,
     {"--block-status", "2:2", "--block-status", "3:2"},
     {UPD_TRANSMISSION_ERROR},
     2,
     3,
     EFinish::Abort},
    {"status 2 once is recovered by the retry",
     HexFile(0, kThreeBlocks),
     kThreeBlocks,
     true,
     {"--block-status", "2:2"},
     {UPD_OK},
     4,
     4,
     EFinish::Commit},
    {"another status on a block aborts without text",
     HexFile(0, kThreeBlocks),
     {},
     false,
     {"--block-status", "1:9", "--block-status", "2:9"},
     {9},
     1,
     2,
     EFinish::Abort},
    {"junk before every reply",
     HexFile(0, kThreeBlocks),
     kThreeBlocks,
     true,
     {"--junk", "20"},
     {UPD_OK},
     4,
     3,
     EFinish::Commit},
    {"device hangs up mid-run",
     HexFile(0, kThreeBlocks),
     {},
     false,
     {"--hangup-after", "2"},
     {UPD_NO_RESPONSE, UPD_PORT_WRITE_FAILED},
     3,
     2,
     EFinish::None},
};

void ExpectPageAfterRun(const CProcedureRig& rig, int nResult, int nCalls) {
    const CRecordingPage& page = rig.page;
    std::vector<int> positions = {1};  // the Start press puts the bar at 1
    for (int n = 1; n <= nCalls; ++n) {
        positions.push_back(n);
    }
    EXPECT_EQ(page.ProgressPositions(), positions);
    EXPECT_FALSE(page.IsShown(IDC_PROGRESS));
    EXPECT_FALSE(page.IsShown(IDC_ELAPSED_TIME));
    EXPECT_EQ(page.Text(IDC_ELAPSED_TIME), "");
    EXPECT_EQ(page.Beeps(), 1);
    EXPECT_EQ(rig.app.m_nProgState.load(), 0);
    EXPECT_FALSE(rig.app.IsLinkBusy());

    std::string strText;
    const bool bHasText = CProgTarget::GetResultText(nResult, strText);
    EXPECT_EQ(page.BoxTexts(),
              bHasText ? std::vector<std::string>{strText} : std::vector<std::string>{});
    EXPECT_EQ(page.Text(IDC_PROG_STATUS), strText);
    const bool bOk = nResult == UPD_OK;
    EXPECT_EQ(rig.app.m_bUpdateDone.load(), bOk ? 1 : 0);
    EXPECT_EQ(page.IsEnabled(IDC_START_BUTTON), !bOk);
    const std::vector<unsigned> requests = {
        PSWIZB_DISABLEDFINISH, bOk ? PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_DISABLEDFINISH};
    EXPECT_EQ(rig.sheet.Requests(), requests);
    EXPECT_EQ(rig.sheet.CancelToCloseCalls(), bOk ? 1 : 0);
}

void ExpectDeviceSaw(CDevsimProcess& device, const ProgCase& c, uint32_t dwTotal) {
    const std::string strOutput = device.Output();
    EXPECT_EQ(OutputLinesWith(strOutput, "BLOCK ").size(), static_cast<size_t>(c.nBlockFrames))
        << strOutput;
    const auto finishes = OutputLinesWith(strOutput, "FINISH");
    switch (c.eFinish) {
        case EFinish::None:
            EXPECT_TRUE(finishes.empty()) << strOutput;
            break;
        case EFinish::Abort:
            ASSERT_EQ(finishes.size(), 1u) << strOutput;
            EXPECT_NE(finishes[0].find("FINISH abort"), std::string::npos);
            break;
        case EFinish::Commit: {
            char szCommit[64];
            std::snprintf(szCommit, sizeof(szCommit), "FINISH commit total=0x%08X", dwTotal);
            ASSERT_EQ(finishes.size(), 1u) << strOutput;
            EXPECT_NE(finishes[0].find(szCommit), std::string::npos) << finishes[0];
            break;
        }
    }
}

TEST(Programming, RunsAgainstTheSimulatedDevice) {
    for (const ProgCase& c : kProgCases) {
        SCOPED_TRACE(c.pszName);
        CTempWorkDir dir;
        c.writeUpdateFile(dir);
        CComPortRow ports;
        std::vector<std::string> args = c.devsimArgs;
        CDevsimProcess& device = ports.Device();
        args.insert(args.end(), {"--flash-out", device.Dir().File("flash.bin")});
        ASSERT_TRUE(ports.Setup("d", args));
        CProcedureRig rig;
        rig.app.CreateEngine();  // opens COM1, the device
        CProgTarget prog(rig.app, rig.page);
        prog.OnStartProgramming();
        prog.WaitForRun();

        EXPECT_EQ(c.results.count(prog.LastResult()), 1u) << prog.LastResult();
        ExpectPageAfterRun(rig, prog.LastResult(), c.nCalls);
        device.Stop();
        ExpectDeviceSaw(device, c, ByteTotal(c.sent));
        EXPECT_EQ(ReadFlashOut(device.Dir().File("flash.bin")),
                  c.bCommitted ? c.sent : std::vector<uint8_t>{});
    }
}

// The 257th block carries sequence number 0 again, at the next address.
TEST(Programming, SequenceNumberWrapsAfter256Blocks) {
    CTempWorkDir dir;
    // Past 64 KiB the file carries extended linear address records, which
    // the reader passes over: the image stays contiguous from 0x8000.
    WriteIntelHexFile(dir.File("kst.hex"), 0x8000, PatternBytes(257 * 256));
    CComPortRow ports;
    ASSERT_TRUE(ports.Setup("d"));
    CProcedureRig rig;
    rig.app.CreateEngine();
    CProgTarget prog(rig.app, rig.page);
    prog.OnStartProgramming();
    prog.WaitForRun();
    ASSERT_EQ(prog.LastResult(), UPD_OK);
    EXPECT_EQ(rig.page.ProgressMax(), 257);
    ports.Device().Stop();
    const auto blocks = OutputLinesWith(ports.Device().Output(), "BLOCK ");
    ASSERT_EQ(blocks.size(), 257u);
    EXPECT_NE(blocks[255].find("seq=255 addr=0x00017F00"), std::string::npos) << blocks[255];
    EXPECT_NE(blocks[256].find("seq=0 addr=0x00018000"), std::string::npos) << blocks[256];
}

// With no port open (a later scan failed) the first block cannot be written.
TEST(Programming, NoPortOpen) {
    CTempWorkDir dir;
    WriteIntelHexFile(dir.File("kst.hex"), 0, PatternBytes(600));
    CComPortRow ports;
    ASSERT_TRUE(ports.Setup("d"));
    CProcedureRig rig;
    rig.app.CreateEngine();
    rig.app.ClosePort();
    CProgTarget prog(rig.app, rig.page);
    prog.OnStartProgramming();
    prog.WaitForRun();
    EXPECT_EQ(prog.LastResult(), UPD_PORT_WRITE_FAILED);
    ExpectPageAfterRun(rig, UPD_PORT_WRITE_FAILED, 1);
    EXPECT_EQ(rig.page.BoxTexts(),
              std::vector<std::string>{"COM port transmission failed. Please retry."});
    ports.Device().Stop();
    EXPECT_EQ(ports.Device().CountOutputLines("BLOCK"), 0);
    EXPECT_EQ(ports.Device().CountOutputLines("FINISH"), 0);
}

// A second press while a run is under way changes nothing; after a failed
// run a new press loads the image again and starts from its first block.
TEST(Programming, SecondPressIgnoredAndRetryStartsOver) {
    CTempWorkDir dir;
    const std::vector<uint8_t> image = PatternBytes(4 * 256, 1);
    WriteIntelHexFile(dir.File("kst.hex"), 0, image);
    CComPortRow ports;
    ASSERT_TRUE(ports.Setup("d", {"--reply-delay", "20", "--block-status", "3:4", "--flash-out",
                                  ports.Device().Dir().File("flash.bin")}));
    CProcedureRig rig;
    rig.app.CreateEngine();
    CProgTarget prog(rig.app, rig.page);
    prog.OnStartProgramming();
    prog.OnStartProgramming();
    prog.WaitForRun();
    EXPECT_EQ(prog.LastResult(), UPD_FLASH_ADDRESS_ERROR);
    const auto events = rig.page.Events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "range 1013 4"), 1);
    EXPECT_EQ(rig.page.TextHistory(IDC_PROG_STATUS).front(),
              "Programming In Process, Please Wait...");
    EXPECT_EQ(rig.page.Beeps(), 1);

    prog.OnStartProgramming();
    prog.WaitForRun();
    EXPECT_EQ(prog.LastResult(), UPD_OK);
    ports.Device().Stop();
    EXPECT_EQ(ReadFlashOut(ports.Device().Dir().File("flash.bin")), image);
    EXPECT_EQ(ports.Device().CountOutputLines("FINISH abort"), 1);
    EXPECT_EQ(ports.Device().CountOutputLines("BLOCK seq=0 addr=0x00000000"), 2);
}

}  // namespace

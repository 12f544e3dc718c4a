#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>

#include "image/image_check.h"
#include "tests/procedures/rig.h"

namespace {

// The text a run that ended with nCode shows; "" for a device status passed on.
std::string TextOf(int nCode) {
    std::string strText;
    CProgPageView::GetResultText(nCode, strText);
    return strText;
}

// The finish frames a device's log shows, in order: 'c' commit, 'a' abort.
std::string FinishLetters(const std::string& strLog) {
    std::string strLetters;
    for (size_t n = strLog.find("FINISH "); n != std::string::npos;
         n = strLog.find("FINISH ", n + 1)) {
        strLetters += strLog[n + 7];
    }
    return strLetters;
}

enum ESetup { kHexFile, kSRecordFile, kNoPortOpen, kHungUpWhileIdle };

struct ProgCase {
    const char* pszName;
    std::vector<uint8_t> image;
    uint32_t nBase;
    const char* pszDevsimArgs;
    std::set<int> results;    // two for a hang-up: it may strike the write or the reply
    int nCalls;               // SendNextBlock calls: progress positions 1..nCalls
    int nBlockFrames;         // CMD_WRITE_BLOCK frames the device received
    const char* pszFinishes;  // the finish frames it received in order: 'c' commit, 'a' abort
    const char* pszDeviceSaw = nullptr;  // a line the device printed once
    ESetup eSetup = kHexFile;
    friend void PrintTo(const ProgCase& c, std::ostream* pOut) { *pOut << c.pszName; }
};

const std::vector<uint8_t> k3 = PatternBytes(3 * 256, 9), k4 = PatternBytes(4 * 256),
                           k10Last = PatternBytes(266, 3), k257 = PatternBytes(257 * 256, 5);

// One run per row against vanto-devsim: the page, the wire and the flash.
// clang-format off
const ProgCase kRuns[] = {
    {"FourBlocks", k4, 0x8000, "", {UPD_OK}, 5, 4, "c", "BLOCK seq=3 addr=0x00008300 status=1"},
    {"ShortLastBlock", k10Last, 0x400, "", {UPD_OK}, 3, 2, "c",
     "BLOCK seq=1 addr=0x00000500 status=1"},
    // Over 64 KiB: S-records, since Intel HEX carries 16-bit addresses.
    {"SequenceWrapsPast64KiB", k257, 0x8000, "", {UPD_OK}, 258, 257, "c",
     "BLOCK seq=0 addr=0x00018000 status=1", kSRecordFile},
    {"NoData", {}, 0, "", {UPD_FILE_ERROR}, 1, 0, ""},
    // A commit the device refuses (twice, here) is followed by the abort, once:
    // the device must not keep the blocks of a transfer nobody ended.
    {"CommitStatusPassedOn", k3, 0, "--finish-status 9", {9}, 4, 3, "cca"},
    // Both replies to the commit garbled: the device may well have committed,
    // so it is not told to abort.
    {"CommitRepliesGarbled", k3, 0, "--bad-checksum 4 --bad-checksum 5", {UPD_TRANSMISSION_ERROR},
     4, 3, "cc"},
    {"TwoBlocksDropped", k3, 0, "--drop-block 2 --drop-block 3", {UPD_NO_RESPONSE}, 2, 3, "a"},
    // A block refused twice: the next block must not go to its address.
    {"TwoTransmissionErrors", k3, 0, "--block-status 2:2 --block-status 3:2",
     {UPD_TRANSMISSION_ERROR}, 2, 3, "a"},
    {"BlockStatusPassedOn", k3, 0, "--block-status 1:9 --block-status 2:9", {9}, 1, 2, "a"},
    // A slow device on a real-speed wire: its replies come 1.44 s after each
    // frame's last byte, inside the 1.5 s window only when it counts from there.
    {"SlowDeviceOnARealSpeedWire", k3, 0, "--baud 38400 --block-reply-delay 1440", {UPD_OK}, 4, 3,
     "c"},
    {"HangUpMidRun", k3, 0, "--hangup-after 2", {UPD_NO_RESPONSE, UPD_PORT_WRITE_FAILED}, 3, 2, ""},
    {"NoPortOpen", k3, 0, "", {UPD_PORT_WRITE_FAILED}, 1, 0, "", nullptr, kNoPortOpen},
    // The adapter pulled and plugged back while the page waited: the Start
    // opens the port afresh instead of failing its first write.
    {"HungUpWhileIdle", k4, 0x8000, "", {UPD_OK}, 5, 4, "c", nullptr, kHungUpWhileIdle},
};
// clang-format on

// One row per process (ctest runs them side by side): the rig changes the
// working directory.
class ProgrammingRuns : public ::testing::TestWithParam<ProgCase> {};

TEST_P(ProgrammingRuns, AgainstTheDevice) {
    const ProgCase& c = GetParam();
    CRig rig;
    if (c.eSetup == kSRecordFile) {
        WriteSRecordFile("kst.a90", c.nBase, c.image);
    } else {
        WriteIntelHexFile("kst.hex", c.nBase, c.image);
    }
    ASSERT_TRUE(rig.Start("d", c.pszDevsimArgs));
    if (c.eSetup == kNoPortOpen) {
        rig.app.ClosePort();
    } else if (c.eSetup == kHungUpWhileIdle) {  // the same link path, a new pty
        rig.device.Stop();
        ASSERT_TRUE(rig.device.Start(Words(std::string(c.pszDevsimArgs) + " --flash-out flash")));
    }
    const std::time_t tPress = std::time(nullptr);
    rig.prog.OnStartProgramming();
    rig.prog.WaitForRun();
    const long nSpent = static_cast<long>(std::time(nullptr) - tPress);
    rig.prog.OnSetActive();
    EXPECT_EQ(c.results.count(rig.LastResult()), 1u) << rig.LastResult();
    const CRecorder& page = rig.page;
    const int nResult = rig.LastResult();
    Strings positions = {"1"};  // the Start press puts the bar at 1
    for (int n = 1; n <= c.nCalls; ++n) {
        positions.push_back(std::to_string(n));
    }
    EXPECT_EQ(page.All("pos", IDC_PROGRESS), positions);
    EXPECT_EQ(page.All("range", IDC_PROGRESS),
              Strings{std::to_string(Padded(c.image).size() / 256)});
    EXPECT_EQ(page.Last("show", IDC_PROGRESS) + page.Last("show", IDC_ELAPSED_TIME), "00");
    EXPECT_EQ(page.Text(IDC_ELAPSED_TIME) + page.Text(IDC_PROG_STATUS), TextOf(nResult));
    for (const std::string& strTime : page.All("text", IDC_ELAPSED_TIME)) {  // whole seconds
        int nMinutes = 0, nSeconds = -1;  // since the press: the slow device's row shows some
        std::sscanf(strTime.c_str(), "Elapse Time: %d:%d", &nMinutes, &nSeconds);
        const int nShown = nMinutes * 60 + nSeconds;
        EXPECT_TRUE(strTime.empty() || (nShown >= 1 && nShown <= nSpent)) << strTime;
    }
    EXPECT_EQ(page.All("box"), TextOf(nResult).empty()
                                   ? Strings{}
                                   : Strings{kResultCaption + ("|" + TextOf(nResult))});
    EXPECT_EQ(page.All("beep").size(), 1u);
    EXPECT_TRUE(rig.app.m_nProgState.load() == 0 && rig.LinkFree());
    const bool bOk = nResult == UPD_OK;
    EXPECT_EQ(rig.app.m_bUpdateDone.load(), bOk ? 1 : 0);
    EXPECT_EQ(page.Last("enable", IDC_START_BUTTON), bOk ? "0" : "1");
    EXPECT_EQ(page.All("cancel-to-close").size(), bOk ? 1u : 0u);
    // Then the page is visited again: Finish only after an update.
    const unsigned nEnd = bOk ? PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_DISABLEDFINISH;
    const unsigned nAgain = bOk ? PSWIZB_BACK | PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_DISABLEDFINISH;
    EXPECT_EQ(page.All("buttons"), (Strings{std::to_string(PSWIZB_DISABLEDFINISH),
                                            std::to_string(nEnd), std::to_string(nAgain)}));
    const std::string strCommit =
        Formatted("FINISH commit total=0x%08X", ByteTotal(Padded(c.image)));
    EXPECT_EQ(rig.DeviceSaw("BLOCK "), c.nBlockFrames) << rig.device.Output();
    EXPECT_EQ(rig.DeviceSaw(strCommit), rig.DeviceSaw("FINISH commit"));
    EXPECT_EQ(FinishLetters(rig.device.Output()), c.pszFinishes) << rig.device.Output();
    EXPECT_EQ(c.pszDeviceSaw ? rig.DeviceSaw(c.pszDeviceSaw) : 1, 1) << c.pszDeviceSaw;
    // The device keeps what it committed, whatever the host made of the reply.
    const bool bCommitted = std::string(c.pszFinishes) == "c" || std::string(c.pszFinishes) == "cc";
    EXPECT_EQ(rig.Flash(), bCommitted ? Padded(c.image) : std::vector<uint8_t>{});
}

INSTANTIATE_TEST_SUITE_P(Table, ProgrammingRuns, ::testing::ValuesIn(kRuns),
                         [](const auto& row) { return std::string(row.param.pszName); });

// Start without an update file: the file error as status, with the folder
// looked in (the rest is the table's file without data). Each later press
// loads the image again and starts over.
TEST(Programming, NoFileThenRetryStartsOver) {
    CRig rig;
    ASSERT_TRUE(rig.Start("d", "--block-status 3:4"));
    rig.prog.OnStartProgramming();
    EXPECT_EQ(rig.LastResult(), UPD_FILE_ERROR);
    const std::string strFolder =
        CProgPageView::ShortFolderName(rig.dir.Path(), std::getenv("HOME"));
    EXPECT_EQ(rig.page.Text(IDC_PROG_STATUS),
              TextOf(UPD_FILE_ERROR) + "\r\n" + Formatted(kResultLookedIn, strFolder.c_str()));
    WriteIntelHexFile("kst.hex", 0, k4);
    for (const int nResult : {UPD_FLASH_ADDRESS_ERROR, UPD_OK}) {
        rig.prog.OnStartProgramming();
        rig.prog.WaitForRun();
        EXPECT_EQ(rig.LastResult(), nResult);
    }
    EXPECT_EQ(rig.page.All("range", IDC_PROGRESS), (Strings{"4", "4"}));
    EXPECT_EQ(rig.Flash(), k4);
    EXPECT_EQ(rig.DeviceSaw("FINISH abort"), 1);
    EXPECT_EQ(rig.DeviceSaw("BLOCK seq=0 addr=0x00000000"), 2);
}

// The update file is checked before the Start, as a front end does, and then
// rewritten: before the Start (the load refuses it, nothing goes out) or while
// the run sends it (an editor or a build writing it in place), or it goes bad
// after blocks went out. The device never commits other data than was
// counted, and is told to discard what it holds.
TEST(Programming, CommitsOnlyTheImageThatWasCounted) {
    const std::vector<uint8_t> kOther = PatternBytes(4 * 256, 77), kLonger = PatternBytes(6 * 256),
                               kHalf(k4.begin(), k4.begin() + 2 * 256);
    struct SChange {
        const char* pszName;
        bool bDuringRun;
        std::vector<uint8_t> image;  // what kst.hex becomes
        const char* pszCutRecord;    // a record cut short after the image, or nullptr
        int nBlocks;                 // CMD_WRITE_BLOCK frames the device saw
    };
    const SChange kChanges[] = {
        {"unchanged", false, k4, nullptr, 4},
        {"rewritten before the Start", false, kOther, nullptr, 0},
        {"cut at a line end", true, kHalf, nullptr, 2},
        {"rewritten in place", true, kOther, nullptr, 4},
        {"grown", true, kLonger, nullptr, 4},
        {"cut inside a record", true, kHalf, ":1002000000", 2},
    };
    for (const SChange& c : kChanges) {
        SCOPED_TRACE(c.pszName);
        CRig rig;
        WriteIntelHexFile("kst.hex", 0, k4);
        CImageCheck check;
        ASSERT_TRUE(check.Check("kst.hex", FMT_INTEL_HEX));
        ASSERT_TRUE(rig.Start("d"));
        rig.app.m_pEngine->ExpectImage(check.m_digest);
        if (c.bDuringRun) {
            rig.prog.OnStartProgramming();  // counted: 4 blocks; the first goes out in 100 ms
        }
        if (c.pszCutRecord == nullptr) {
            WriteIntelHexFile("kst.hex", 0, c.image);
        } else {  // all but the end record (":00000001FF\r\n"), then the cut one
            const std::string strText = UpdateFile(c.image, 0);
            std::ofstream("kst.hex", std::ios::binary)
                << strText.substr(0, strText.size() - 13) << c.pszCutRecord << "\r\n";
        }
        if (!c.bDuringRun) {
            rig.prog.OnStartProgramming();
        }
        rig.prog.WaitForRun();
        const bool bSame = c.image == k4;
        EXPECT_EQ(rig.LastResult(), bSame ? UPD_OK : UPD_FILE_ERROR);
        EXPECT_EQ(rig.page.Text(IDC_PROG_STATUS), TextOf(rig.LastResult()));
        EXPECT_EQ(rig.DeviceSaw("BLOCK "), c.nBlocks);
        EXPECT_EQ(rig.DeviceSaw("FINISH abort"), c.bDuringRun ? 1 : 0);
        EXPECT_EQ(rig.DeviceSaw("FINISH commit"), bSame ? 1 : 0);
        EXPECT_EQ(rig.Flash(), bSame ? k4 : std::vector<uint8_t>{});
    }
}

// Leaving during a run: the worker stops at once and shows nothing; a device
// that holds blocks is told to discard them, and the outcome says whether it
// heard it.
TEST(Programming, AbandonedRunTellsTheDevice) {
    using E = ELeaveOutcome;
    const std::vector<uint8_t> k40 = PatternBytes(40 * 256);
    // When to leave: before any block (""), once the device logged a block; whether it is gone.
    const std::tuple<const char*, bool, E> kLeaves[] = {
        {"", false, E::NoTransfer},
        {"BLOCK seq=3 ", false, E::DeviceTold},
        {"BLOCK seq=3 ", true, E::DeviceNotTold},
    };
    for (const auto& [pszAfter, bDeviceGone, eOutcome] : kLeaves) {
        SCOPED_TRACE(std::string(pszAfter) + (bDeviceGone ? "gone" : ""));
        CRig rig;
        WriteIntelHexFile("kst.hex", 0, k40);
        ASSERT_TRUE(rig.Start("d", "--reply-delay 20"));
        rig.prog.OnStartProgramming();
        ASSERT_TRUE(*pszAfter == '\0' || rig.device.WaitForOutput(pszAfter));
        if (bDeviceGone) {
            rig.device.Kill();
        }
        EXPECT_EQ(rig.exit.Leave(), eOutcome);
        EXPECT_FALSE(rig.prog.IsRunning());
        EXPECT_EQ(rig.OpenPort(), 0);
        if (!bDeviceGone) {  // (a device gone may end the run on its own first)
            EXPECT_EQ(rig.page.All("box").size() + rig.page.All("beep").size(), 0u);
            EXPECT_EQ(rig.DeviceSaw("FINISH abort") * 10 + rig.DeviceSaw("FINISH commit"),
                      eOutcome == E::DeviceTold ? 10 : 0);
        }
    }
}

// The page view's texts: the elapsed time in minutes within the hour (no text
// at whole hours, the first second included); the folder in the status label,
// the home folder as "~" (only as a whole name), a long name cut at its front,
// never inside a UTF-8 character.
TEST(Programming, PageViewFormatting) {
    // clang-format off
    const std::pair<long, const char*> times[] = {
        {0, ""}, {1, "Elapse Time: 0:1"}, {59, "Elapse Time: 0:59"}, {60, "Elapse Time: 1:0"},
        {127, "Elapse Time: 2:7"}, {3599, "Elapse Time: 59:59"}, {3600, ""},
        {3725, "Elapse Time: 2:5"}, {7200, ""}, {7201, "Elapse Time: 0:1"}};
    // clang-format on
    for (const auto& [nSeconds, pszText] : times) {
        std::string strText;
        EXPECT_EQ(CProgPageView::FormatElapsedTime(nSeconds, strText), *pszText != '\0');
        EXPECT_EQ(strText, pszText) << nSeconds;
    }
    std::string strUmlauts;  // twenty two-byte characters
    for (int n = 0; n < 20; ++n) {
        strUmlauts += "\xC3\xA4";
    }
    const std::string k40 = "/" + std::string(39, 'f');
    const std::tuple<std::string, const char*, std::string> folders[] = {
        {"/home/ann/Documents/VANTO Updater", "/home/ann", "~/Documents/VANTO Updater"},
        {"/home/ann", "/home/ann", "~"},
        {"/home/anna/kst", "/home/ann", "/home/anna/kst"},
        {"/srv/kst", "/", "/srv/kst"},
        {"/srv/kst", nullptr, "/srv/kst"},
        {k40, nullptr, k40},
        {"/x" + k40, nullptr, "..." + k40.substr(3)},
        {"/" + strUmlauts, nullptr, "..." + strUmlauts.substr(4)}};
    for (const auto& [strFolder, pszHome, strShown] : folders) {
        EXPECT_EQ(CProgPageView::ShortFolderName(strFolder, pszHome), strShown) << strFolder;
    }
}

}  // namespace

// vanto-flash as a whole program against vanto-devsim through real ptys, on
// one device or several at once, also on a terminal: what goes to standard
// output and to standard error, the exit status, and what each device saw and
// committed.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <sstream>

#include "tests/support/devsim_process.h"
#include "tests/support/expected_texts.h"
#include "tests/support/silent_peer.h"
#include "tests/tools/flash_run.h"

namespace {

using namespace flash_run;

const std::string kFile = UpdateFile(kImage);

// strText with each "@N" made the link of the Nth device.
std::string WithLinks(std::string strText, const Strings& links) {
    for (size_t n = links.size(); n > 0; --n) {  // @12 before @1
        const std::string strAt = "@" + std::to_string(n);
        for (size_t nAt = 0; (nAt = strText.find(strAt, nAt)) != std::string::npos;
             nAt += links[n - 1].size()) {
            strText.replace(nAt, strAt.size(), links[n - 1]);
        }
    }
    return strText;
}

// The pieces of a terminal's output that were written to rewrite a line: from
// each "\r" that starts no line break (the terminal turns "\n" into "\r\n")
// to the next "\r" or "\n", with the escape sequences taken out.
Strings RewrittenLines(const std::string& strOut) {
    const std::string strText =
        std::regex_replace(strOut, std::regex("\x1b\\[[0-9;?]*[A-Za-z]"), "");
    const std::regex rewrite("\r(?!\n)([^\r\n]*)");
    Strings lines;
    for (std::sregex_iterator it(strText.begin(), strText.end(), rewrite), end; it != end; ++it) {
        lines.push_back((*it)[1]);
    }
    return lines;
}

struct SFlashRow {
    const char* pszName;
    // The port map from COM1, a letter per port: 'd' the next device, 's' a
    // port with nothing behind it, 'a' absent, 'x' a device file that is not
    // there; 'o' the next device, its link left out of the map.
    std::string strPorts;
    std::string strFile;    // written as kst.hex
    std::string strArgs;    // after vanto-flash; @N is the link of the Nth device
    std::string strDevsim;  // the devices' options, '|' between them (none: no options)
    Strings out, err;       // must be on standard output (in order) / only on standard error
    int nExit;
    // Per device: 'c' the image is its flash; 'a' told once to discard the
    // transfer, nothing committed; '-' neither.
    std::string strEnds;
    int nFrames = -1;  // frames the first device saw (-1: not counted)
    int nSignal = 0;   // sent once each device sent block 3, or once the silent COM1 was asked
    std::string strShell = "exec %";  // the command around vanto-flash
    // On a terminal (script's pseudo-terminal) nColumns wide, made nResizedTo
    // wide after 0.7 s: what the last drawing of COM1's line holds, and whether
    // it shows the bytes too.
    int nColumns = 0, nResizedTo = 0;
    Strings lastLine = {};
    bool bAllFields = false;
    friend void PrintTo(const SFlashRow& row, std::ostream* pOut) { *pOut << row.pszName; }
};

const char kRan[] = "5,376 bytes to COM1 in ";
const std::string kUpdated = kResultUpdated + std::string(" (5,376 bytes in ");
std::string FirstLine(const char* pszText) {
    return std::string(pszText).substr(0, std::string(pszText).find('\r'));
}
// The first device of --json on several: its object, the seconds left out.
const std::string kJsonFields =
    "[{\"file\": \"kst.hex\", \"format\": \"Intel HEX\", \"sha256\": \"" + kImageSha256 +
    "\", \"port\": \"COM1\", \"device_file\": \"@1\", \"blocks\": 21, \"block_total\": 21, "
    "\"bytes\": 5376, \"seconds\": ";
const std::string kJsonResult =
    "\"result_code\": 1, \"result_name\": \"UPD_OK\", \"text\": \"" + std::string(kResultUpdated) +
    "\", \"device_status\": 1, \"finish_total\": " + std::to_string(ByteTotal(Padded(kImage))) +
    ", \"exit_status\": 0}, {";

// A line with the image's first 16 bytes at dwAddress (Intel HEX, or S1 for 2 address bytes).
std::string RecordAt(uint32_t dwAddress, int nAddrBytes = 0) {
    return RecordLine(nAddrBytes, dwAddress, Bytes(kImage.begin(), kImage.begin() + 16)) + "\r\n";
}

// clang-format off
const SFlashRow kFlashRows[] = {
    // The scan passes an absent and a silent port (twelve identify frames).
    {"Updates", "asd", kFile, "", "", {"kst.hex: Intel HEX, first address 0x00004000, 21 blocks "
     "(5,376 bytes), about 1.5 s at 38400 baud\n" + Printed(kScanPressed) +
     Printed(ScanLog(1, "asd")) + "The device is found on COM3 (@1)\n" + Printed(kProgRunning),
     "Block 21/21  100%", Printed(kResultUpdated) + "5,376 bytes to COM3 in "}, {}, 0, "c", 22},
    {"FileByContent", "d", kFile, "--file fw.bin --port=1", "", {"fw.bin: Intel HEX", kRan}, {}, 0,
     "c", -1, 0, "mv kst.hex fw.bin && %"},
    // The run's one port, COM1, whatever the map holds.
    {"PortByPath", "xo", kFile, "--port @1", "", {Printed(ScanLog(1, "d"))}, {}, 0, "c"},
    {"BadChecksum", "d", RecordLine(0, 0x4000, Bytes(16, 1), 0, 1), "", "", {},
     {"kst.hex:1: checksum mismatch\n", Printed(kResultFileError)}, 8, "-", 0},
    // Files whose data the device would get elsewhere than the file puts them: refused before
    // any frame, the whole run exits 8.
    {"GoesBack", "d", RecordAt(0x4010) + RecordAt(0x4000), "", "", {}, {"kst.hex:2: record goes "
     "back to 0x00004000, below the end of the previous record 0x00004020\n"}, 8, "-", 0},
    {"ExtendedLinear", "d", ":020000040800F2\r\n" + RecordAt(0x4000), "", "", {}, {"kst.hex:1: "
     "extended linear address 0x0800: this device takes 16-bit addresses\n"}, 8, "-", 0},
    {"CtrlZ", "d", RecordAt(0x4000) + "\032" + RecordAt(0x4010), "", "", {}, {"kst.hex:2: data "
     "after the end of the data (Ctrl-Z at 2)\n"}, 8, "-", 0},
    {"S5Midway", "d", RecordAt(0x4000, 2) + "S5030001FB\r\n" + RecordAt(0x4010, 2), "", "", {},
     {"kst.a90:3: data after the end of the data (S5 line at 2)\n", Printed(kResultFileError)}, 8,
     "-", 0, 0, "mv kst.hex kst.a90 && %"},
    // A kst.hex that cannot be used: kst.a90 is, and the run says why.
    {"HexIsAFifo", "d", UpdateFile(kImage, 0x4000, 2), "", "", {"kst.a90: S-records", kRan},
     {"kst.hex: a FIFO, not a regular file; using kst.a90\n"}, 0, "c", -1, 0,
     "mv kst.hex kst.a90 && mkfifo kst.hex && %"},
    {"NoDevice", "d", kFile, "", "--never-answer", {Printed(ScanLog(1, "s"))},
     {Printed(kDeviceNotFound)}, 1, "-"},
    {"BlockRefused", "d", kFile, "", "--block-status 2:4", {}, {Printed(kResultFlashAddressError)},
     4, "a"},
    {"FinishStatus0", "d", kFile, "", "--finish-status 0", {},
     {"vanto-flash: the device answered with status 0\n"}, 9, "a"},
    {"Sigterm", "d", kFile, "", "--reply-delay 30", {},
     {"the device was told to discard the transfer\n"}, 128 + SIGTERM, "a", -1, SIGTERM},
    // SIGQUIT (Ctrl-\\) during the scan: the silent COM1's identify call ends
    // at once and COM2 is never asked.
    {"QuitDuringScan", "ss", kFile, "", "", {Printed(kScanPressed)},
     {"vanto-flash: interrupted\n"}, 128 + SIGQUIT, "", -1, SIGQUIT},
    {"ReaderGone", "d", kFile, "", "--reply-delay 5", {}, {}, 0, "c", -1, 0,
     "% | head -c 1 >/dev/null; exit ${PIPESTATUS[0]}"},
    {"StandardDescriptorsClosed", "d", kFile, "", "", {}, {}, 0, "c", -1, 0, "% <&- >&-"},
    // A file name that is no UTF-8 (bytes FF FE), with a control character and
    // a UTF-8 u-umlaut: the JSON decodes strictly and parses.
    {"JsonNameNotUtf8", "d", kFile, "", "", {"'fw\\ufffd\\ufffd\\x01\\xfc.hex' UPD_OK\n"}, {}, 0,
     "c", -1, 0, "cp kst.hex $'fw\\xff\\xfe\\x01\\xc3\\xbc.hex' && % --json -- $'fw\\xff\\xfe"
     "\\x01\\xc3\\xbc.hex' >j && python3 -c 'import json; d = json.loads(open(\"j\", \"rb\")."
     "read().decode(\"utf-8\")); print(ascii(d[\"file\"]), d[\"result_name\"])'"},
    // Several devices at once: each its own outcome, the scan log in port
    // order, the summary naming the first failure in port order.
    {"OneOfFourRefused", "dddd", kFile, "--port 1 --port 2 --port @3 --port 4",
     "||--block-status 2:4", {"COM2 (@2): " + kUpdated}, {"COM3 (@3): " +
     Printed(kResultFlashAddressError), "3 of 4 updated; COM3: " +
     Printed(kResultFlashAddressError)}, 4, "ccac"},
    {"FirstFailureInPortOrder", "dddd", kFile, "--ports 4,1-3",
     "|--drop-block 2 --drop-block 3||--block-status 2:3", {}, {"2 of 4 updated; COM2: " +
     FirstLine(kResultNoResponse) + ", COM4: " + FirstLine(kResultChecksumError) + "\n"}, 6,
     "caca"},
    {"DeviceGoneMidRun", "dddd", kFile, "--ports 1-4", "|--hangup-after 3",
     {"COM4 (@4): " + kUpdated}, {"3 of 4 updated; COM2: " + Printed(kResultPortWriteFailed)}, 5,
     "c-cc"},
    {"AllMixed", "dadd", kFile, "--all", "|--never-answer", {Printed(ScanLog(1, "da")),
     Printed(ScanLog(3, "s")), Printed(ScanLog(4, "da")), Printed(ScanLog(10, "a")),
     "2 of 2 updated\n"}, {}, 0, "c-c"},
    {"AllFindsNone", "da", kFile, "--all", "--never-answer", {Printed(ScanLog(1, "sa"))},
     {"vanto-flash: no device answered on COM1..COM10\n"}, 1, "-"},
    {"NamedPortWithoutDevice", "da", kFile, "--ports 1-2", "", {}, {"COM2 (): no device "
     "answered\n", "1 of 2 updated; COM2: no device answered\n"}, 1, "c"},
    {"PathOutsideTheMap", "do", kFile, "--port 1 --port @2", "", {"COM2 (@2): " + kUpdated,
     "2 of 2 updated\n"}, {}, 0, "cc"},
    // The refused commit's status, not that of the abort that follows it.
    {"ManyJson", "dd", kFile, "--json --ports 1-2", "|--finish-status 3", {kJsonFields,
     kJsonResult, "\"port\": \"COM2\", ", "\"result_name\": "
     "\"UPD_CHECKSUM_ERROR\", ", "\"device_status\": 3, ", "\"exit_status\": 3}]\n"}, {}, 3,
     "ca"},
    // -q keeps the lines of devices that were not updated.
    {"ManySighup", "dddd", kFile, "-q --ports 1-4",
     "--reply-delay 30|--reply-delay 30|--reply-delay 30|--reply-delay 30", {},
     {"COM1 (@1): interrupted, the device was told to discard the transfer\n",
      "COM4 (@4): interrupted, the device was told to discard the transfer\n",
      "0 of 4 updated; COM1: interrupted, COM2: interrupted, COM3: interrupted, COM4: "
      "interrupted\n"}, 128 + SIGHUP, "aaaa", -1, SIGHUP},
    // identify, the device as COM2: a second identify frame, and the ways it fails.
    {"Identify", "ad", kFile, "identify --port 2", "--answer-identify-from 2",
     {"COM2 (@1): UPD_OK, device status 1\n"}, {}, 0, "-", 2},
    {"IdentifyNoAnswer", "ad", kFile, "identify --port 2", "--never-answer",
     {"COM2 (@1): UPD_NO_RESPONSE, device status 1\n"},
     {"vanto-flash: no device answered on COM2\n"}, 1, "-", 2},
    {"IdentifyGarbled", "ad", kFile, "identify --port 2", "--bad-checksum 1 --bad-checksum 2",
     {"COM2 (@1): UPD_TRANSMISSION_ERROR, device status 1\n"},
     {"vanto-flash: a device answered on COM2, but not with success\n"}, 1, "-", 2},
    {"IdentifyNoPort", "ax", kFile, "identify --port 2", "", {},
     {"vanto-flash: COM2 could not be opened: /nonexistent/tty does not exist\n"}, 1, ""},
    {"Terminal40", "d", kFile, "", "", {kRan}, {}, 0, "c", -1, 0, "exec %", 40, 0,
     {"] 100%  ", " KiB/s  0:00 left"}},
    {"Terminal80", "d", kFile, "", "", {kRan}, {}, 0, "c", -1, 0, "exec %", 80, 0,
     {"] 100%  21/21 blocks  ", " elapsed  0:00 left"}},
    {"Terminal120", "d", kFile, "", "", {kRan}, {}, 0, "c", -1, 0, "exec %", 120, 0,
     {"] 100%  21/21 blocks  5,376/5,376 bytes  "}, true},
    {"TerminalNarrowed", "d", kFile, "", "", {kRan}, {}, 0, "c", -1, 0, "exec %", 120, 40,
     {"] 100%  ", " left"}},
    {"BoardOnTerminal40", "dd", kFile, "--ports 1-2", "", {"2 of 2 updated"}, {}, 0, "cc", -1,
     0, "exec %", 40, 0, {"COM1 100%  The device"}},
    {"BoardOnTerminal120", "dd", kFile, "--ports 1-2", "", {"2 of 2 updated"}, {}, 0, "cc", -1,
     0, "exec %", 120, 0, {"COM1 (", ")  [################] 100%  "}},
    {"BoardOnTerminalNarrowed", "dd", kFile, "--ports 1-2", "", {"2 of 2 updated"}, {}, 0, "cc",
     -1, 0, "exec %", 120, 40, {"COM1 100%  The device"}},
};
// clang-format on

// On a terminal every line rewritten in place fits the width, narrow or wide,
// also after the width changes during the run.
void CheckRewrittenLines(const std::string& strOut, const SFlashRow& row, size_t nDevices) {
    const int nLast = row.nResizedTo != 0 ? row.nResizedTo : row.nColumns;
    const Strings lines = RewrittenLines(strOut);
    ASSERT_GE(lines.size(), 4u) << "rewritten in place:\n" << strOut;
    for (const std::string& strLine : lines) {
        EXPECT_LE(strLine.size(), size_t(row.nColumns)) << strLine;
    }
    // The last drawing of COM1's line, at the width the terminal has by then.
    const auto last = std::find_if(lines.rbegin(), lines.rend(), [&](const std::string& s) {
        return nDevices == 1 ? s.find('%') != std::string::npos : s.rfind("COM1", 0) == 0;
    });
    ASSERT_NE(last, lines.rend()) << strOut;
    EXPECT_LE(last->size(), size_t(nLast)) << *last;
    for (const std::string& strWant : row.lastLine) {
        EXPECT_NE(last->find(strWant), std::string::npos) << strWant << " in " << *last;
    }
    EXPECT_EQ(last->find(" bytes") != std::string::npos, row.bAllFields) << *last;
    // A board row is cleared before it is drawn: a shorter one leaves nothing of the last.
    EXPECT_EQ(strOut.find("\r\x1b[2KCOM2") != std::string::npos, nDevices > 1);
    if (row.nResizedTo != 0) {
        const auto widest = std::max_element(lines.begin(), lines.end(),
                                             [](auto& a, auto& b) { return a.size() < b.size(); });
        EXPECT_GT(widest->size(), size_t(row.nResizedTo)) << "wider before the change";
    }
    // In place: the lines the output went down, less those the cursor went
    // back up over (the board's rows), are the lines printed once, not one
    // per redraw.
    long nDown = std::count(strOut.begin(), strOut.end(), '\n');
    const std::regex up("\x1b\\[([0-9]+)A");
    for (std::sregex_iterator it(strOut.begin(), strOut.end(), up), end; it != end; ++it) {
        nDown -= std::stol((*it)[1]);
    }
    EXPECT_LE(nDown, 10 + 3 * long(nDevices)) << strOut;
}

class FlashRuns : public ::testing::TestWithParam<SFlashRow> {};

TEST_P(FlashRuns, OutputsExitAndDevice) {
    const SFlashRow& row = GetParam();
    const CTempDir dir;
    std::ofstream(dir.File("kst.hex"), std::ios::binary) << row.strFile;
    std::vector<std::unique_ptr<CDevsimProcess>> devices;
    std::vector<std::unique_ptr<CSilentPeer>> silent;
    std::istringstream options(row.strDevsim);
    Strings links;
    std::string strPorts;
    for (const char c : row.strPorts) {
        if (c == 'd' || c == 'o') {
            devices.push_back(std::make_unique<CDevsimProcess>());
            std::string strOptions;  // "" past the last '|'
            std::getline(options, strOptions, '|');
            const std::string strFlash = " --flash-out " + devices.back()->Dir().File("flash");
            ASSERT_TRUE(devices.back()->Start(Words(strOptions + strFlash)));
            links.push_back(devices.back()->LinkPath());
        } else if (c == 's') {
            silent.push_back(std::make_unique<CSilentPeer>());
        }
        strPorts += c == 'd'   ? links.back() + ":"
                    : c == 's' ? silent.back()->pty.SlavePath() + ":"
                    : c == 'x' ? "/nonexistent/tty:"
                    : c == 'a' ? ":"
                               : "";
    }
    const auto withLinks = [&](const std::string& s) { return WithLinks(s, links); };
    std::string strCommand = row.strShell;
    strCommand.replace(strCommand.find('%'), 1,
                       "'" VANTO_BIN_DIR "/vanto-flash' " + withLinks(row.strArgs));
    const auto signalAt = [&](pid_t pid) {
        if (row.nSignal == 0) {
            return;
        }
        for (const auto& pDevice : devices) {
            EXPECT_TRUE(pDevice->WaitForOutput("BLOCK seq=3 ", 20000)) << pDevice->Output();
        }
        WaitUntil([&] { return !devices.empty() || silent.front()->nBytes > 0; });
        kill(pid, row.nSignal);
    };
    if (row.nColumns != 0) {
        // A background job's standard input is /dev/null: stty is given the terminal.
        const std::string strResize =
            "(sleep 0.7; stty -F /dev/tty cols " + std::to_string(row.nResizedTo) + ") & ";
        strCommand = "script -qefc \"stty cols " + std::to_string(row.nColumns) + "; " +
                     (row.nResizedTo != 0 ? strResize : "") + strCommand + "\" /dev/null";
    }
    const SRun run = RunShell(dir.Path(), strCommand, {"VANTO_COM_PORTS=" + strPorts}, signalAt);
    if (row.nColumns != 0) {
        CheckRewrittenLines(run.strOut, row, devices.size());
    }
    if (row.nSignal != 0 && silent.size() > 1) {
        EXPECT_EQ(silent[1]->nBytes, 0) << "a port asked after the signal";
    }
    EXPECT_EQ(run.nExit, row.nExit) << run.strOut << run.strErr;
    size_t nAfter = 0;
    for (const std::string& strWant : row.out) {
        const size_t nAt = run.strOut.find(withLinks(strWant), nAfter);
        EXPECT_NE(nAt, std::string::npos) << strWant << " in order in:\n" << run.strOut;
        EXPECT_EQ(run.strErr.find(withLinks(strWant)), std::string::npos) << run.strErr;
        nAfter = nAt == std::string::npos ? nAfter : nAt;
    }
    for (const std::string& strWant : row.err) {
        EXPECT_NE(run.strErr.find(withLinks(strWant)), std::string::npos) << run.strErr;
        EXPECT_EQ(run.strOut.find(withLinks(strWant)), std::string::npos) << run.strOut;
    }
    if (row.nExit == 0 && row.strShell.ends_with('%') && row.err.empty()) {
        EXPECT_EQ(run.strErr, "") << "a clean run writes nothing to standard error";
    }
    if (row.strArgs.starts_with("--json")) {
        EXPECT_EQ(std::count(run.strOut.begin(), run.strOut.end(), '\n'), 1) << run.strOut;
    }
    ASSERT_EQ(row.strEnds.size(), devices.size());
    for (size_t n = 0; n < devices.size(); ++n) {
        CDevsimProcess& device = *devices[n];
        device.Stop();
        const std::string strFlash = ReadAll(device.Dir().File("flash"));
        const Bytes kCommitted = row.strEnds[n] == 'c' ? Padded(kImage) : Bytes{};
        EXPECT_TRUE(Bytes(strFlash.begin(), strFlash.end()) == kCommitted) << "device " << n + 1;
        EXPECT_EQ(device.CountOutputLines("FINISH abort"), row.strEnds[n] == 'a' ? 1 : 0)
            << device.Output();
    }
    if (row.nFrames >= 0) {
        EXPECT_EQ(devices[0]->CountOutputLines("IDENTIFY") + devices[0]->CountOutputLines("BLOCK"),
                  row.nFrames);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FlashRuns, ::testing::ValuesIn(kFlashRows),
                         [](const auto& row) { return std::string(row.param.pszName); });

// -q -v on a device that drops the reply to block 2, sends a reply with a length
// of 513 for the fourth, and two stray bytes before every reply: each frame as
// written (the retried ones twice, byte for byte), each reply as it came,
// stray bytes and the rest of the long reply, which the purge throws away.
TEST(FlashVerbose, ShowsEveryAttemptAndWhatTheLineBrought) {
    CDevsimProcess device;
    ASSERT_TRUE(device.Start({"--drop-block", "2", "--long-reply", "4", "--junk", "2"}));
    std::ofstream(device.Dir().File("kst.hex"), std::ios::binary) << kFile;
    const SRun run = RunShell(device.Dir().Path(), "exec '" VANTO_BIN_DIR "/vanto-flash' -qv",
                              {"VANTO_COM_PORTS=" + device.LinkPath()});
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    EXPECT_EQ(std::count(run.strOut.begin(), run.strOut.end(), '\n'), 1) << "-q: one line";
    EXPECT_NE(run.strOut.find(kRan), std::string::npos) << run.strOut;
    Strings lines;  // without the seconds
    std::istringstream err(run.strErr);
    for (std::string strLine; std::getline(err, strLine);) {
        EXPECT_TRUE(std::regex_match(strLine, std::regex("\\[ *[0-9]+\\.[0-9]{3}\\] [<>x].*")))
            << strLine;
        lines.push_back(strLine.substr(std::min(strLine.size(), strLine.find(']') + 2)));
    }
    const Strings kStart = {"> 0A 19 00 05 56 41 4E 54 4F 01 B0",
                            "< 00 55 D9 00 01 01 00 DB",
                            "> 0A 20 01 06 00 FF 00 00 40 00 ",
                            "< 00 55 E0 00 01 01 00 E2",
                            "> 0A 20 01 06 01 FE 00 00 41 00 ",
                            "< (no reply)",
                            "> 0A 20 01 06 01 FE 00 00 41 00 ",
                            "< 00 55 E0 00 01 01 00 E2",
                            "> 0A 20 01 06 02 FD 00 00 42 00 ",
                            "< 00 55 E0 02 01 (malformed)",
                            "x 01 00 E4",
                            "> 0A 20 01 06 02 FD 00 00 42 00 ",
                            "< 00 55 E0 00 01 01 00 E2"};
    ASSERT_EQ(lines.size(), 2 + 21 * 2 + 2 + 3 + 2u) << run.strErr;
    for (size_t i = 0; i < kStart.size(); ++i) {
        EXPECT_EQ(lines[i].substr(0, kStart[i].size()), kStart[i]) << i;
    }
    EXPECT_EQ(lines[4], lines[6]) << "a second attempt sends the identical frame";
    EXPECT_EQ(lines[8], lines[11]);
    EXPECT_EQ(lines[4].size(), 1 + 268 * 3u);
    EXPECT_EQ(lines.back(), "< 00 55 E1 00 01 01 00 E3");
}

}  // namespace
